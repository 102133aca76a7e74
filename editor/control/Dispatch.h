#pragma once
// The automation layer over a QObject: members are found by DISPID or by
// name, arguments are coerced to the declared types, and the call goes to the
// object's Q_PROPERTY or Q_INVOKABLE of the same name. Event sinks attach by
// cookie and receive events by DISPID.

#include "TypeLib.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QVariantList>

#include <cstdint>
#include <functional>
#include <map>

namespace sonarch2 {

enum class InvokeKind { Method, PropertyGet, PropertyPut };

struct InvokeResult {
    uint32_t hr = hr::Ok;
    QVariant value;  // invalid for void results
    bool ok() const { return hr == hr::Ok; }
};

using EventSink = std::function<void(int32_t dispid, const QVariantList& args)>;

class CDispatch {
public:
    explicit CDispatch(QObject* target);

    // DISPIDs of the names, case-insensitively; UnknownName when any is unknown
    // (its slot then holds -1, DISPID_UNKNOWN).
    uint32_t GetIDsOfNames(const QStringList& names, QVector<int32_t>* dispids) const;

    InvokeResult Invoke(int32_t dispid, InvokeKind kind, const QVariantList& args = {});

    // Event sinks. Advise returns a cookie (never 0); Unadvise is false for an
    // unknown cookie.
    uint32_t Advise(EventSink sink);
    bool Unadvise(uint32_t cookie);
    void FireEvent(int32_t dispid, const QVariantList& args = {});

private:
    InvokeResult GetProperty(const MemberInfo& member);
    InvokeResult PutProperty(const MemberInfo& member, const QVariantList& args);
    InvokeResult CallMethod(const MemberInfo& member, const QVariantList& args);

    QPointer<QObject> m_target;
    std::map<uint32_t, EventSink> m_sinks;
    uint32_t m_nextCookie = 1;
};

}  // namespace sonarch2
