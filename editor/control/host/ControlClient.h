#pragma once
// A Qt host's handle on one control: it holds the control's IControl
// reference and offers its calls, type information and events in Qt's
// types. Everything goes through the interface pointers; nothing of the
// library is linked.

#include "Sonarch2/Sonarch2.h"

#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVector>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace sonarch2 {

struct CallResult {
    uint32_t hr = hr::Ok;
    QVariant value;  // invalid for void results and failed calls
    bool ok() const { return hr == hr::Ok; }
};

// The type library's members in Qt's types.
struct MemberEntry {
    int32_t dispid = 0;
    MemberKind kind = MemberKind::Method;
    QString name;
    VarType type = VarType::Void;
    bool readOnly = false;
    QVector<ParamDesc> params;
};

QVector<MemberEntry> ReadTypeInfo(ITypeInfo* typeInfo);
QString TypeName(VarType type);
// One line per member, then the events, as the script host's --typelib prints.
QStringList DescribeTypeLib(const QVector<MemberEntry>& members);

using EventHandler = std::function<void(int32_t dispid, const QVariantList& args)>;

class CControlClient {
public:
    // Takes over one reference of `control`.
    explicit CControlClient(IControl* control);
    ~CControlClient();
    CControlClient(const CControlClient&) = delete;
    CControlClient& operator=(const CControlClient&) = delete;

    // The control's widget, null once its parent destroyed it.
    QWidget* Widget() const { return m_control->Widget(); }

    const QVector<MemberEntry>& Members() const { return m_members; }
    // A property or method by DISPID or (case-insensitively) by name; an
    // event by DISPID. Null when there is none.
    const MemberEntry* FindMember(int32_t dispid) const;
    const MemberEntry* FindMember(const QString& name) const;
    const MemberEntry* FindEvent(int32_t dispid) const;

    uint32_t GetIDsOfNames(const QStringList& names, QVector<int32_t>* dispids) const;
    CallResult Invoke(int32_t dispid, InvokeKind kind, const QVariantList& args = {});

    // Events until Unadvise or the client's end; the cookie is never 0. A
    // handler may unadvise itself.
    uint32_t Advise(EventHandler handler);
    bool Unadvise(uint32_t cookie);

private:
    class Sink;

    IControl* m_control;
    QVector<MemberEntry> m_members;
    std::map<uint32_t, std::unique_ptr<Sink>> m_sinks;
};

}  // namespace sonarch2
