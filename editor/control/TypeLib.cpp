#include "TypeLib.h"

#include "ControlMembers.h"
#include "MemberThunks.h"

namespace sonarch2 {
namespace {

namespace m = members;

MemberInfo Prop(int32_t id, const char* name, VarType type, MemberThunk get, MemberThunk put = nullptr,
                Guard guard = Guard::None)
{
    return MemberInfo{id, MemberKind::Property, name, type, put == nullptr, {}, guard, false, get, put};
}

MemberInfo Method(int32_t id, const char* name, VarType result, QVector<ParamInfo> params, Guard guard,
                  MemberThunk run, bool longWork = false)
{
    return MemberInfo{id, MemberKind::Method, name, result, false, std::move(params), guard, longWork, run, nullptr};
}

MemberInfo Event(int32_t id, const char* name, QVector<ParamInfo> params = {})
{
    return MemberInfo{id, MemberKind::Event, name, VarType::Void, false, std::move(params), Guard::None, false,
                      nullptr, nullptr};
}

// The member list. Guard: which calls a busy control refuses (TypeLib.h);
// "long" marks the calls during which the document counts as busy.
QVector<MemberInfo> BuildDispatchMembers()
{
    using V = VarType;
    using G = Guard;
    constexpr bool Long = true;
    return {
        Prop(2, "BitsPerSample", V::I4, Thunk<m::GetBitsPerSample>, Thunk<m::SetBitsPerSample>, G::Busy),
        Prop(3, "Channels", V::I4, Thunk<m::GetChannels>, Thunk<m::SetChannels>, G::Busy),
        Prop(4, "SamplesPerSec", V::I4, Thunk<m::GetSamplesPerSec>, Thunk<m::SetSamplesPerSec>, G::Busy),
        Prop(5, "PanFactor", V::R4, Thunk<m::GetPanFactor>, Thunk<m::SetPanFactor>),
        Prop(6, "ZoomFactor", V::R4, Thunk<m::GetZoomFactor>, Thunk<m::SetZoomFactor>),
        Prop(7, "WaveLength", V::I4, Thunk<m::GetWaveLength>),
        Prop(8, "Top", V::I4, Thunk<m::GetTop>, Thunk<m::SetTop>),
        Prop(9, "Left", V::I4, Thunk<m::GetLeft>, Thunk<m::SetLeft>),
        Prop(10, "Width", V::I4, Thunk<m::GetWidth>, Thunk<m::SetWidth>),
        Prop(11, "Height", V::I4, Thunk<m::GetHeight>, Thunk<m::SetHeight>),
        Prop(12, "Zoom", V::R4, Thunk<m::GetZoom>, Thunk<m::SetZoom>),
        Prop(13, "CursorPos", V::I4, Thunk<m::GetCursorPos>),
        Prop(14, "BackColor", V::Color, Thunk<m::GetBackColor>, Thunk<m::SetBackColor>),
        Prop(15, "WaveColor", V::Color, Thunk<m::GetWaveColor>, Thunk<m::SetWaveColor>),
        Prop(16, "CursorColor", V::Color, Thunk<m::GetCursorColor>, Thunk<m::SetCursorColor>),
        Prop(17, "SelectBegin", V::I4, Thunk<m::GetSelectBegin>),
        Prop(18, "SelectEnd", V::I4, Thunk<m::GetSelectEnd>),
        Prop(19, "ViewBegin", V::I4, Thunk<m::GetViewBegin>),
        Prop(20, "ViewEnd", V::I4, Thunk<m::GetViewEnd>),
        Prop(21, "PlayerStatus", V::I4, Thunk<m::GetPlayerStatus>),
        Prop(22, "PlayLoop", V::Bool, Thunk<m::GetPlayLoop>, Thunk<m::SetPlayLoop>),
        Prop(23, "BitRate", V::I4, Thunk<m::GetBitRate>, Thunk<m::SetBitRate>, G::Work),
        Prop(24, "FileName", V::Bstr, Thunk<m::GetFileName>, Thunk<m::SetFileName>, G::Work),
        Prop(25, "Format", V::I4, Thunk<m::GetFormat>),
        Prop(26, "WAVFormat", V::I4, Thunk<m::GetWAVFormat>, Thunk<m::SetWAVFormat>, G::Work),
        Prop(27, "PlayTime", V::R4, Thunk<m::GetPlayTime>),
        Prop(28, "RecordTime", V::R4, Thunk<m::GetRecordTime>),
        Method(29, "Close", V::I4, {}, G::Busy, Thunk<m::Close>),
        Method(30, "Continue", V::I4, {}, G::None, Thunk<m::Continue>),
        Method(31, "Load", V::I4, {{"sFileName", V::Bstr}, {"lFormat", V::I4}}, G::Busy, Thunk<m::Load>, Long),
        Method(32, "Play", V::I4, {}, G::Work, Thunk<m::Play>),
        Method(33, "Pause", V::I4, {}, G::None, Thunk<m::Pause>),
        Method(34, "Stop", V::I4, {}, G::None, Thunk<m::Stop>),
        Method(35, "Record", V::I4, {{"fMaxTime", V::R4}}, G::Work, Thunk<m::Record>),
        Method(36, "Save", V::I4, {}, G::Busy, Thunk<m::Save>, Long),
        Method(37, "SaveAs", V::I4, {{"sFileName", V::Bstr}, {"lFormat", V::I4}}, G::Busy, Thunk<m::SaveAs>, Long),
        Method(38, "PanLeft", V::Void, {}, G::None, Thunk<m::PanLeft>),
        Method(39, "PanRight", V::Void, {}, G::None, Thunk<m::PanRight>),
        Method(40, "ZoomIn", V::Void, {}, G::None, Thunk<m::ZoomIn>),
        Method(41, "ZoomOut", V::Void, {}, G::None, Thunk<m::ZoomOut>),
        Method(42, "Delete", V::I4, {}, G::Busy, Thunk<m::Delete>, Long),
        Method(43, "Cut", V::I4, {}, G::Busy, Thunk<m::Cut>, Long),
        Method(44, "Copy", V::I4, {}, G::Busy, Thunk<m::Copy>, Long),
        Method(45, "Paste", V::I4, {}, G::Busy, Thunk<m::Paste>, Long),
        Method(46, "Undo", V::Void, {}, G::Busy, Thunk<m::Undo>, Long),
        Method(47, "SamplesToTime", V::R4, {{"lSample", V::I4}}, G::None, Thunk<m::SamplesToTime>),
        Method(48, "TimeToSample", V::I4, {{"fTime", V::R4}}, G::None, Thunk<m::TimeToSample>),
        Method(49, "SelectAll", V::Void, {}, G::Busy, Thunk<m::SelectAll>),
        Method(50, "DeSelect", V::Void, {}, G::Busy, Thunk<m::DeSelect>),
        Method(51, "ScrollTo", V::Void, {{"lPos", V::I4}}, G::None, Thunk<m::ScrollTo>),
        Method(52, "DoFade", V::R4, {{"FadeStart", V::R4}, {"FadeEnd", V::R4}, {"nPercent", V::I4}}, G::Work,
               Thunk<m::DoFade>),
        Method(53, "FxAmplify", V::I4, {{"fGain", V::R4}}, G::Busy, Thunk<m::FxAmplify>, Long),
        Method(54, "FxFadeIn", V::I4, {}, G::Busy, Thunk<m::FxFadeIn>, Long),
        Method(55, "FxFadeOut", V::I4, {}, G::Busy, Thunk<m::FxFadeOut>, Long),
        Method(56, "FxInsertSilence", V::I4, {{"fTime", V::R4}}, G::Busy, Thunk<m::FxInsertSilence>, Long),
        Method(57, "FxInvert", V::I4, {}, G::Busy, Thunk<m::FxInvert>, Long),
        Method(58, "FxLowPassFilter", V::I4, {{"fFCut", V::R4}}, G::Busy, Thunk<m::FxLowPassFilter>, Long),
        Method(59, "FxHighPassFilter", V::I4, {{"fFCut", V::R4}}, G::Busy, Thunk<m::FxHighPassFilter>, Long),
        Method(60, "FxSilence", V::I4, {}, G::Busy, Thunk<m::FxSilence>, Long),
        Method(61, "FxEcho", V::I4, {{"fDelay", V::R4}, {"fDecay", V::R4}}, G::Busy, Thunk<m::FxEcho>, Long),
        Method(62, "FxReverse", V::I4, {}, G::Busy, Thunk<m::FxReverse>, Long),
        Method(63, "FxBandPassFilter", V::I4, {{"fFLow", V::R4}, {"fFHigh", V::R4}}, G::Busy,
               Thunk<m::FxBandPassFilter>, Long),
        Method(64, "FxBandStopFilter", V::I4, {{"fFLow", V::R4}, {"fFHigh", V::R4}}, G::Busy,
               Thunk<m::FxBandStopFilter>, Long),
        Method(65, "FxBassBoost", V::I4, {{"fFrecuency", V::R4}, {"fGain", V::R4}}, G::Busy,
               Thunk<m::FxBassBoost>, Long),
        Method(66, "FxNoiseRemoval", V::I4, {{"bGetProfile", V::Bool}, {"bLevel", V::Bool}}, G::Busy,
               Thunk<m::FxNoiseRemoval>, Long),
        Method(67, "ManualSelect", V::I4, {{"selectstart", V::R8}, {"SelectEnd", V::R8}}, G::None,
               Thunk<m::ManualSelect>),
        Method(68, "NewFile", V::I4, {{"lChannels", V::I4}, {"lSamplesPerSec", V::I4}, {"lBitsPerSample", V::I4}},
               G::Busy, Thunk<m::NewFile>, Long),
        Method(70, "FxNormalizeLoudness", V::I4, {{"fTargetLufs", V::R4}, {"fTruePeakDb", V::R4}}, G::Busy,
               Thunk<m::FxNormalizeLoudness>, Long),
        Prop(71, "Loudness", V::R4, Thunk<m::GetLoudness>),
        Prop(72, "TruePeak", V::R4, Thunk<m::GetTruePeak>),
        Prop(73, "FadeCurve", V::I4, Thunk<m::GetFadeCurve>, Thunk<m::SetFadeCurve>, G::Work),
        Prop(74, "SnapToZero", V::Bool, Thunk<m::GetSnapToZero>, Thunk<m::SetSnapToZero>, G::Work),
        Prop(75, "OggLoop", V::Bool, Thunk<m::GetOggLoop>, Thunk<m::SetOggLoop>, G::Work),
        Method(76, "MakeRingtone", V::I4,
               {{"sFileName", V::Bstr}, {"lFormat", V::I4}, {"fBegin", V::R4}, {"fEnd", V::R4}, {"fFadeIn", V::R4},
                {"fFadeOut", V::R4}, {"fTargetLufs", V::R4}, {"fTruePeakDb", V::R4}},
               G::Busy, Thunk<m::MakeRingtone>, Long),
        Method(-552, "AboutBox", V::Void, {}, G::None, Thunk<m::AboutBox>),
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

namespace {

// The member list as a host reads it. Static: it lives as long as the library.
class CTypeInfo final : public ITypeInfo {
public:
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }

    int32_t GetMemberCount() override
    {
        return static_cast<int32_t>(DispatchMembers().size() + EventMembers().size());
    }

    HRESULT GetMember(int32_t index, MemberDesc* member) override
    {
        if (!member)
            return E_POINTER_;
        const qsizetype methods = DispatchMembers().size();
        if (index < 0 || index >= GetMemberCount())
            return E_INVALIDARG_;
        const MemberInfo& m = index < methods ? DispatchMembers()[index] : EventMembers()[index - methods];
        *member = MemberDesc{m.dispid, m.kind, m.name, m.type, m.readOnly, static_cast<int32_t>(m.params.size()),
                             m.params.constData()};
        return S_OK_;
    }
};

}  // namespace

ITypeInfo* TypeInfo()
{
    static CTypeInfo s_typeInfo;
    return &s_typeInfo;
}

}  // namespace sonarch2
