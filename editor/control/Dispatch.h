#pragma once
// The control's automation object: what a host holds of it (IControl,
// reference-counted) and the dispatch layer behind it. Members are found by
// DISPID or by name in the type library, arguments are coerced to the
// declared types, and every call runs through one wrapper (RunMember): the
// busy check of the member's row, a CControlCall that holds the parts, and
// the document's busy mark for long calls. Event sinks attach by cookie and
// receive events by DISPID.

#include "TypeLib.h"

#include <QPointer>
#include <QVariant>
#include <QVariantList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>

class CSonarch2Ctrl;

namespace sonarch2 {

struct InvokeResult {
    uint32_t hr = hr::Ok;
    QVariant value;  // invalid for void results
    bool ok() const { return hr == hr::Ok; }
};

using EventSink = std::function<void(int32_t dispid, const QVariantList& args)>;

class CDispatch final : public IControl {
public:
    // Only Create makes one.
    struct Key {
        explicit Key() = default;
    };
    CDispatch(Key, CSonarch2Ctrl* control) : m_control(control) {}
    ~CDispatch() = default;

    // A new object with one reference, which the control holds.
    static CDispatch* Create(CSonarch2Ctrl* control);

    // --- IControl ---------------------------------------------------------------
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT GetTypeInfo(ITypeInfo** typeInfo) override;
    uint32_t GetIDsOfNames(const char* const* names, int32_t count, int32_t* dispids) override;
    uint32_t Invoke(int32_t dispid, InvokeKind kind, const Variant* args, int32_t argCount,
                    Variant* result) override;
    QWidget* Widget() override;
    HRESULT Advise(IEventSink* sink, uint32_t* cookie) override;
    HRESULT Unadvise(uint32_t cookie) override;

    // --- The same in Qt's types, for the library and its tests ---------------
    uint32_t GetIDsOfNames(const QStringList& names, QVector<int32_t>* dispids) const;
    InvokeResult Invoke(int32_t dispid, InvokeKind kind, const QVariantList& args = {});
    uint32_t Advise(EventSink sink);
    void FireEvent(int32_t dispid, const QVariantList& args = {});

    // Called by the control as it goes: calls are refused from then on.
    void ControlDestroyed();

private:
    InvokeResult InvokeMember(int32_t dispid, InvokeKind kind, const QVariantList& args);
    InvokeResult RunMember(const MemberInfo& member, MemberThunk thunk, const QVariantList& args);

    std::atomic<uint32_t> m_nRefs{1};
    QPointer<CSonarch2Ctrl> m_control;
    std::map<uint32_t, EventSink> m_sinks;
    uint32_t m_nextCookie = 1;
};

}  // namespace sonarch2
