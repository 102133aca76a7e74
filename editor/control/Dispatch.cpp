#include "Dispatch.h"

#include "CSonarch2Ctrl.h"
#include "ControlCall.h"
#include "VariantCoercion.h"

#include "Sonarch2/Sonarch2Qt.h"

#include <memory>
#include <vector>

namespace sonarch2 {
namespace {

// What a refused member answers: 0 of its result type, nothing for void.
QVariant RefusedResult(VarType type)
{
    const QMetaType meta = MetaTypeOf(type);
    return meta.isValid() ? QVariant(meta) : QVariant();
}

bool Refuses(Guard guard, const CControlCall& call)
{
    switch (guard) {
    case Guard::None: return false;
    case Guard::Work: return call.Working();
    case Guard::Busy: return call.Working() || call.PlayerBusy();
    }
    return false;
}

}  // namespace

CDispatch* CDispatch::Create(CSonarch2Ctrl* control)
{
    // The references own the object: the first is the control's, and the
    // last Release takes the object back.
    return std::make_unique<CDispatch>(Key{}, control).release();
}

uint32_t CDispatch::AddRef()
{
    return ++m_nRefs;
}

uint32_t CDispatch::Release()
{
    const uint32_t left = --m_nRefs;
    if (left == 0) {
        const std::unique_ptr<CDispatch> last(this);  // destroys the object; nothing of it is touched after
    }
    return left;
}

HRESULT CDispatch::GetTypeInfo(ITypeInfo** typeInfo)
{
    if (!typeInfo)
        return E_POINTER_;
    *typeInfo = TypeInfo();
    (*typeInfo)->AddRef();
    return S_OK_;
}

uint32_t CDispatch::GetIDsOfNames(const char* const* names, int32_t count, int32_t* dispids)
{
    if ((count > 0 && (!names || !dispids)) || count < 0)
        return static_cast<uint32_t>(E_POINTER_);
    uint32_t result = hr::Ok;
    for (int32_t i = 0; i < count; ++i) {
        const MemberInfo* m = names[i] ? FindMember(QString::fromLatin1(names[i])) : nullptr;
        dispids[i] = m ? m->dispid : -1;
        if (!m)
            result = hr::UnknownName;
    }
    return result;
}

uint32_t CDispatch::Invoke(int32_t dispid, InvokeKind kind, const Variant* args, int32_t argCount,
                           Variant* result)
{
    if (argCount < 0 || (argCount > 0 && !args))
        return static_cast<uint32_t>(E_POINTER_);
    QVariantList list;
    for (int32_t i = 0; i < argCount; ++i)
        list.append(ToQVariant(args[i]));
    const InvokeResult r = Invoke(dispid, kind, list);
    if (result)
        *result = r.ok() ? FromQVariant(r.value) : Variant{};
    return r.hr;
}

QWidget* CDispatch::Widget()
{
    return m_control.data();
}

HRESULT CDispatch::Advise(IEventSink* sink, uint32_t* cookie)
{
    if (!sink || !cookie)
        return E_POINTER_;
    *cookie = Advise([sink](int32_t dispid, const QVariantList& args) {
        std::vector<Variant> values;
        values.reserve(static_cast<std::size_t>(args.size()));
        for (const QVariant& a : args)
            values.push_back(FromQVariant(a));
        sink->OnEvent(dispid, values.data(), static_cast<int32_t>(values.size()));
    });
    return S_OK_;
}

HRESULT CDispatch::Unadvise(uint32_t cookie)
{
    return m_sinks.erase(cookie) > 0 ? S_OK_ : E_INVALIDARG_;
}

uint32_t CDispatch::GetIDsOfNames(const QStringList& names, QVector<int32_t>* dispids) const
{
    uint32_t result = hr::Ok;
    dispids->clear();
    for (const QString& name : names) {
        const MemberInfo* m = FindMember(name);
        dispids->append(m ? m->dispid : -1);
        if (!m)
            result = hr::UnknownName;
    }
    return result;
}

InvokeResult CDispatch::Invoke(int32_t dispid, InvokeKind kind, const QVariantList& args)
{
    // The host may drop the last reference (destroy the control) from an
    // event inside the call.
    AddRef();
    InvokeResult result = InvokeMember(dispid, kind, args);
    Release();
    return result;
}

InvokeResult CDispatch::InvokeMember(int32_t dispid, InvokeKind kind, const QVariantList& args)
{
    const MemberInfo* member = FindMember(dispid);
    if (!member || !m_control)
        return {hr::MemberNotFound, {}};
    if (member->kind == MemberKind::Property) {
        switch (kind) {
        case InvokeKind::PropertyGet:
        case InvokeKind::Method:  // a property read through a method call, as automation allows
            if (!args.isEmpty())
                return {hr::BadParamCount, {}};
            return RunMember(*member, member->call, {});
        case InvokeKind::PropertyPut: {
            if (member->readOnly)
                return {hr::SetNotSupported, {}};
            if (args.size() != 1)
                return {hr::BadParamCount, {}};
            const Coerced c = CoerceTo(args.front(), member->type);
            if (!c.ok())
                return {c.hr, {}};
            return RunMember(*member, member->put, {c.value});
        }
        }
    }
    if (kind != InvokeKind::Method)
        return {hr::MemberNotFound, {}};
    if (args.size() != member->params.size())
        return {hr::BadParamCount, {}};
    QVariantList coerced;
    for (qsizetype i = 0; i < args.size(); ++i) {
        Coerced c = CoerceTo(args[i], member->params[i].type);
        if (!c.ok())
            return {c.hr, {}};
        coerced.append(std::move(c.value));
    }
    return RunMember(*member, member->call, coerced);
}

// The one wrapper every member runs in.
InvokeResult CDispatch::RunMember(const MemberInfo& member, MemberThunk thunk, const QVariantList& args)
{
    const bool put = thunk == member.put && member.kind == MemberKind::Property;
    CControlCall call(*m_control);
    if ((put || member.kind == MemberKind::Method) && Refuses(member.guard, call))
        return {hr::Ok, put ? QVariant() : RefusedResult(member.type)};
    const CControlCall::WorkScope work(call, member.longWork);
    QVariant value = thunk(call, args);
    if (put) {
        // A setter that can refuse a value answers with an error code.
        if (value.typeId() == QMetaType::UInt && value.toUInt() != hr::Ok)
            return {value.toUInt(), {}};
        value = QVariant();
    }
    return {hr::Ok, std::move(value)};
}

uint32_t CDispatch::Advise(EventSink sink)
{
    const uint32_t cookie = m_nextCookie++;
    m_sinks.emplace(cookie, std::move(sink));
    return cookie;
}

void CDispatch::FireEvent(int32_t dispid, const QVariantList& args)
{
    // A sink may unadvise itself (or others) while handling the event, or
    // destroy the control; the sinks left are not called then.
    std::vector<uint32_t> cookies;
    for (const auto& entry : m_sinks)
        cookies.push_back(entry.first);
    for (uint32_t cookie : cookies) {
        if (!m_control)
            return;
        auto it = m_sinks.find(cookie);
        if (it != m_sinks.end()) {
            EventSink sink = it->second;
            sink(dispid, args);
        }
    }
}

void CDispatch::ControlDestroyed()
{
    m_control = nullptr;
    m_sinks.clear();
}

}  // namespace sonarch2
