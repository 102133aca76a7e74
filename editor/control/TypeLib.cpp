#include "TypeLib.h"

#include <QStringList>

namespace sonarch2 {
namespace {

MemberInfo Prop(int32_t id, const char* name, VarType type, bool readOnly = false)
{
    return MemberInfo{id, MemberKind::Property, name, type, readOnly, {}};
}

MemberInfo Method(int32_t id, const char* name, VarType result, QVector<ParamInfo> params = {})
{
    return MemberInfo{id, MemberKind::Method, name, result, false, std::move(params)};
}

MemberInfo Event(int32_t id, const char* name, QVector<ParamInfo> params = {})
{
    return MemberInfo{id, MemberKind::Event, name, VarType::Void, false, std::move(params)};
}

QVector<MemberInfo> BuildDispatchMembers()
{
    using V = VarType;
    return {
        Prop(2, "BitsPerSample", V::I4),
        Prop(3, "Channels", V::I4),
        Prop(4, "SamplesPerSec", V::I4),
        Prop(5, "PanFactor", V::R4),
        Prop(6, "ZoomFactor", V::R4),
        Prop(7, "WaveLength", V::I4, true),
        Prop(8, "Top", V::I4),
        Prop(9, "Left", V::I4),
        Prop(10, "Width", V::I4),
        Prop(11, "Height", V::I4),
        Prop(12, "Zoom", V::R4),
        Prop(13, "CursorPos", V::I4, true),
        Prop(14, "BackColor", V::Color),
        Prop(15, "WaveColor", V::Color),
        Prop(16, "CursorColor", V::Color),
        Prop(17, "SelectBegin", V::I4, true),
        Prop(18, "SelectEnd", V::I4, true),
        Prop(19, "ViewBegin", V::I4, true),
        Prop(20, "ViewEnd", V::I4, true),
        Prop(21, "PlayerStatus", V::I4, true),
        Prop(22, "PlayLoop", V::Bool),
        Prop(23, "BitRate", V::I4),
        Prop(24, "FileName", V::Bstr),
        Prop(25, "Format", V::I4, true),
        Prop(26, "WAVFormat", V::I4),
        Prop(27, "PlayTime", V::R4, true),
        Prop(28, "RecordTime", V::R4, true),
        Method(29, "Close", V::I4),
        Method(30, "Continue", V::I4),
        Method(31, "Load", V::I4, {{"sFileName", V::Bstr}, {"lFormat", V::I4}}),
        Method(32, "Play", V::I4),
        Method(33, "Pause", V::I4),
        Method(34, "Stop", V::I4),
        Method(35, "Record", V::I4, {{"fMaxTime", V::R4}}),
        Method(36, "Save", V::I4),
        Method(37, "SaveAs", V::I4, {{"sFileName", V::Bstr}, {"lFormat", V::I4}}),
        Method(38, "PanLeft", V::Void),
        Method(39, "PanRight", V::Void),
        Method(40, "ZoomIn", V::Void),
        Method(41, "ZoomOut", V::Void),
        Method(42, "Delete", V::I4),
        Method(43, "Cut", V::I4),
        Method(44, "Copy", V::I4),
        Method(45, "Paste", V::I4),
        Method(46, "Undo", V::Void),
        Method(47, "SamplesToTime", V::R4, {{"lSample", V::I4}}),
        Method(48, "TimeToSample", V::I4, {{"fTime", V::R4}}),
        Method(49, "SelectAll", V::Void),
        Method(50, "DeSelect", V::Void),
        Method(51, "ScrollTo", V::Void, {{"lPos", V::I4}}),
        Method(52, "DoFade", V::R4, {{"FadeStart", V::R4}, {"FadeEnd", V::R4}, {"nPercent", V::I4}}),
        Method(53, "FxAmplify", V::I4, {{"fGain", V::R4}}),
        Method(54, "FxFadeIn", V::I4),
        Method(55, "FxFadeOut", V::I4),
        Method(56, "FxInsertSilence", V::I4, {{"fTime", V::R4}}),
        Method(57, "FxInvert", V::I4),
        Method(58, "FxLowPassFilter", V::I4, {{"fFCut", V::R4}}),
        Method(59, "FxHighPassFilter", V::I4, {{"fFCut", V::R4}}),
        Method(60, "FxSilence", V::I4),
        Method(61, "FxEcho", V::I4, {{"fDelay", V::R4}, {"fDecay", V::R4}}),
        Method(62, "FxReverse", V::I4),
        Method(63, "FxBandPassFilter", V::I4, {{"fFLow", V::R4}, {"fFHigh", V::R4}}),
        Method(64, "FxBandStopFilter", V::I4, {{"fFLow", V::R4}, {"fFHigh", V::R4}}),
        Method(65, "FxBassBoost", V::I4, {{"fFrecuency", V::R4}, {"fGain", V::R4}}),
        Method(66, "FxNoiseRemoval", V::I4, {{"bGetProfile", V::Bool}, {"bLevel", V::Bool}}),
        Method(67, "ManualSelect", V::I4, {{"selectstart", V::R8}, {"SelectEnd", V::R8}}),
        Method(68, "NewFile", V::I4,
               {{"lChannels", V::I4}, {"lSamplesPerSec", V::I4}, {"lBitsPerSample", V::I4}}),
        Method(-552, "AboutBox", V::Void),
    };
}

QVector<MemberInfo> BuildEventMembers()
{
    return {
        Event(EventChangeMouse, "ChangeMouse", {{"lSample", VarType::I4}}),
        Event(EventChangePlayer, "ChangePlayer"),
        Event(EventChangeView, "ChangeView"),
        Event(EventProgress, "Progress", {{"fPercent", VarType::R4}}),
    };
}

}  // namespace

const QVector<MemberInfo>& DispatchMembers()
{
    static const QVector<MemberInfo> members = BuildDispatchMembers();
    return members;
}

const QVector<MemberInfo>& EventMembers()
{
    static const QVector<MemberInfo> members = BuildEventMembers();
    return members;
}

const MemberInfo* FindMember(int32_t dispid)
{
    for (const MemberInfo& m : DispatchMembers())
        if (m.dispid == dispid)
            return &m;
    return nullptr;
}

const MemberInfo* FindMember(const QString& name)
{
    for (const MemberInfo& m : DispatchMembers())
        if (name.compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
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

namespace {
QString DescribeParams(const MemberInfo& m)
{
    QStringList parts;
    for (const ParamInfo& p : m.params)
        parts << QStringLiteral("%1 %2").arg(QLatin1String(p.name), TypeName(p.type));
    return QStringLiteral("(") + parts.join(QStringLiteral(", ")) + QStringLiteral(")");
}
}  // namespace

QStringList DescribeTypeLib()
{
    QStringList lines;
    for (const MemberInfo& m : DispatchMembers()) {
        if (m.kind == MemberKind::Property) {
            lines << QStringLiteral("%1 property %2 %3%4")
                         .arg(m.dispid)
                         .arg(QLatin1String(m.name), TypeName(m.type),
                              m.readOnly ? QStringLiteral(" readonly") : QString());
        } else {
            lines << QStringLiteral("%1 method %2%3 %4")
                         .arg(m.dispid)
                         .arg(QLatin1String(m.name), DescribeParams(m), TypeName(m.type));
        }
    }
    for (const MemberInfo& e : EventMembers())
        lines << QStringLiteral("%1 event %2%3").arg(e.dispid).arg(QLatin1String(e.name), DescribeParams(e));
    return lines;
}

}  // namespace sonarch2
