#include "Dispatch.h"

#include "VariantCoercion.h"

#include <QMetaMethod>
#include <QMetaProperty>

#include <array>
#include <vector>

namespace sonarch2 {

CDispatch::CDispatch(QObject* target) : m_target(target) {}

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
    const MemberInfo* member = FindMember(dispid);
    if (!member || !m_target)
        return {hr::MemberNotFound, {}};
    if (member->kind == MemberKind::Property) {
        switch (kind) {
        case InvokeKind::PropertyGet:
        case InvokeKind::Method:  // a property read through a method call, as automation allows
            if (!args.isEmpty())
                return {hr::BadParamCount, {}};
            return GetProperty(*member);
        case InvokeKind::PropertyPut:
            return PutProperty(*member, args);
        }
    }
    if (kind != InvokeKind::Method)
        return {hr::MemberNotFound, {}};
    return CallMethod(*member, args);
}

InvokeResult CDispatch::GetProperty(const MemberInfo& member)
{
    const QVariant value = m_target->property(member.name);
    if (!value.isValid())
        return {hr::GetNotSupported, {}};
    const Coerced c = CoerceTo(value, member.type);
    return {c.hr, c.value};
}

InvokeResult CDispatch::PutProperty(const MemberInfo& member, const QVariantList& args)
{
    if (member.readOnly)
        return {hr::SetNotSupported, {}};
    if (args.size() != 1)
        return {hr::BadParamCount, {}};
    const Coerced c = CoerceTo(args.front(), member.type);
    if (!c.ok())
        return {c.hr, {}};
    if (!m_target->setProperty(member.name, c.value))
        return {hr::SetNotSupported, {}};
    return {hr::Ok, {}};
}

InvokeResult CDispatch::CallMethod(const MemberInfo& member, const QVariantList& args)
{
    if (args.size() != member.params.size())
        return {hr::BadParamCount, {}};

    std::vector<QVariant> coerced;
    coerced.reserve(args.size());
    for (qsizetype i = 0; i < args.size(); ++i) {
        Coerced c = CoerceTo(args[i], member.params[i].type);
        if (!c.ok())
            return {c.hr, {}};
        coerced.push_back(std::move(c.value));
    }

    const QMetaObject* meta = m_target->metaObject();
    const QByteArray name(member.name);
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() != name || method.parameterCount() != static_cast<int>(coerced.size()))
            continue;

        std::array<QGenericArgument, 10> generic{};
        for (std::size_t a = 0; a < coerced.size(); ++a)
            generic[a] = QGenericArgument(coerced[a].typeName(), coerced[a].constData());

        QVariant result;
        QGenericReturnArgument ret;
        const QMetaType resultType = MetaTypeOf(member.type);
        if (resultType.isValid()) {
            result = QVariant(resultType);
            ret = QGenericReturnArgument(resultType.name(), result.data());
        }
        const bool invoked = method.invoke(m_target, Qt::DirectConnection, ret, generic[0], generic[1],
                                           generic[2], generic[3], generic[4], generic[5], generic[6],
                                           generic[7], generic[8], generic[9]);
        if (!invoked)
            return {hr::Exception, {}};
        return {hr::Ok, result};
    }
    return {hr::MemberNotFound, {}};
}

uint32_t CDispatch::Advise(EventSink sink)
{
    const uint32_t cookie = m_nextCookie++;
    m_sinks.emplace(cookie, std::move(sink));
    return cookie;
}

bool CDispatch::Unadvise(uint32_t cookie)
{
    return m_sinks.erase(cookie) > 0;
}

void CDispatch::FireEvent(int32_t dispid, const QVariantList& args)
{
    // A sink may unadvise itself (or others) while handling the event, or
    // destroy the target, and this layer with it.
    const QPointer<QObject> target = m_target;
    const bool hadTarget = !target.isNull();
    std::vector<uint32_t> cookies;
    for (const auto& entry : m_sinks)
        cookies.push_back(entry.first);
    for (uint32_t cookie : cookies) {
        if (hadTarget && target.isNull())
            return;
        auto it = m_sinks.find(cookie);
        if (it != m_sinks.end()) {
            EventSink sink = it->second;
            sink(dispid, args);
        }
    }
}

}  // namespace sonarch2
