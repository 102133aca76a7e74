#include "ControlClient.h"

#include "Sonarch2/Sonarch2Qt.h"

#include <vector>

namespace sonarch2 {

class CControlClient::Sink final : public IEventSink {
public:
    explicit Sink(EventHandler handler) : m_handler(std::move(handler)) {}
    void OnEvent(int32_t dispid, const Variant* args, int32_t argCount) override
    {
        QVariantList list;
        for (int32_t i = 0; i < argCount; ++i)
            list.append(ToQVariant(args[i]));
        // The handler may unadvise, and so delete, this sink.
        const EventHandler handler = m_handler;
        handler(dispid, list);
    }

private:
    EventHandler m_handler;
};

QVector<MemberEntry> ReadTypeInfo(ITypeInfo* typeInfo)
{
    QVector<MemberEntry> members;
    if (!typeInfo)
        return members;
    const int32_t count = typeInfo->GetMemberCount();
    for (int32_t i = 0; i < count; ++i) {
        MemberDesc d;
        if (typeInfo->GetMember(i, &d) != S_OK_)
            continue;
        MemberEntry e{d.dispid, d.kind, QString::fromLatin1(d.name), d.type, d.readOnly, {}};
        for (int32_t p = 0; p < d.paramCount; ++p)
            e.params.append(d.params[p]);
        members.append(e);
    }
    return members;
}

QString TypeName(VarType type)
{
    switch (type) {
    case VarType::Void: return QStringLiteral("void");
    case VarType::I4: return QStringLiteral("I4");
    case VarType::R4: return QStringLiteral("R4");
    case VarType::R8: return QStringLiteral("R8");
    case VarType::Bool: return QStringLiteral("BOOL");
    case VarType::Bstr: return QStringLiteral("BSTR");
    case VarType::Color: return QStringLiteral("OLE_COLOR");
    }
    return QString();
}

QStringList DescribeTypeLib(const QVector<MemberEntry>& members)
{
    auto params = [](const MemberEntry& m) {
        QStringList parts;
        for (const ParamDesc& p : m.params)
            parts << QStringLiteral("%1 %2").arg(QLatin1String(p.name), TypeName(p.type));
        return QStringLiteral("(") + parts.join(QStringLiteral(", ")) + QStringLiteral(")");
    };
    QStringList lines;
    for (const MemberEntry& m : members) {
        switch (m.kind) {
        case MemberKind::Property:
            lines << QStringLiteral("%1 property %2 %3%4")
                         .arg(m.dispid)
                         .arg(m.name, TypeName(m.type), m.readOnly ? QStringLiteral(" readonly") : QString());
            break;
        case MemberKind::Method:
            lines << QStringLiteral("%1 method %2%3 %4").arg(m.dispid).arg(m.name, params(m), TypeName(m.type));
            break;
        case MemberKind::Event:
            lines << QStringLiteral("%1 event %2%3").arg(m.dispid).arg(m.name, params(m));
            break;
        }
    }
    return lines;
}

CControlClient::CControlClient(IControl* control) : m_control(control)
{
    ITypeInfo* typeInfo = nullptr;
    if (m_control->GetTypeInfo(&typeInfo) == S_OK_ && typeInfo) {
        m_members = ReadTypeInfo(typeInfo);
        typeInfo->Release();
    }
}

CControlClient::~CControlClient()
{
    for (const auto& entry : m_sinks)
        m_control->Unadvise(entry.first);
    m_control->Release();
}

const MemberEntry* CControlClient::FindMember(int32_t dispid) const
{
    for (const MemberEntry& m : m_members)
        if (m.kind != MemberKind::Event && m.dispid == dispid)
            return &m;
    return nullptr;
}

const MemberEntry* CControlClient::FindMember(const QString& name) const
{
    for (const MemberEntry& m : m_members)
        if (m.kind != MemberKind::Event && name.compare(m.name, Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

const MemberEntry* CControlClient::FindEvent(int32_t dispid) const
{
    for (const MemberEntry& m : m_members)
        if (m.kind == MemberKind::Event && m.dispid == dispid)
            return &m;
    return nullptr;
}

uint32_t CControlClient::GetIDsOfNames(const QStringList& names, QVector<int32_t>* dispids) const
{
    std::vector<QByteArray> latin;
    std::vector<const char*> pointers;
    for (const QString& n : names)
        latin.push_back(n.toLatin1());
    for (const QByteArray& n : latin)
        pointers.push_back(n.constData());
    dispids->resize(names.size());
    return m_control->GetIDsOfNames(pointers.data(), static_cast<int32_t>(pointers.size()), dispids->data());
}

CallResult CControlClient::Invoke(int32_t dispid, InvokeKind kind, const QVariantList& args)
{
    std::vector<Variant> values;
    values.reserve(static_cast<std::size_t>(args.size()));
    for (const QVariant& a : args)
        values.push_back(FromQVariant(a));
    Variant result;
    const uint32_t code =
        m_control->Invoke(dispid, kind, values.data(), static_cast<int32_t>(values.size()), &result);
    return CallResult{code, code == hr::Ok ? ToQVariant(result) : QVariant()};
}

uint32_t CControlClient::Advise(EventHandler handler)
{
    auto sink = std::make_unique<Sink>(std::move(handler));
    uint32_t cookie = 0;
    if (m_control->Advise(sink.get(), &cookie) != S_OK_ || cookie == 0)
        return 0;
    m_sinks.emplace(cookie, std::move(sink));
    return cookie;
}

bool CControlClient::Unadvise(uint32_t cookie)
{
    auto it = m_sinks.find(cookie);
    if (it == m_sinks.end())
        return false;
    m_control->Unadvise(cookie);
    m_sinks.erase(it);
    return true;
}

}  // namespace sonarch2
