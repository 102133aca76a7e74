#include "TypeLib.h"

#include "ControlMembers.h"
#include "MemberThunks.h"
#include "WaveViewMath.h"

namespace sonarch2 {
namespace {

namespace m = members;

MemberInfo Prop(int32_t id, const char* name, VarType type, MemberThunk get, MemberThunk put = nullptr,
                Guard guard = Guard::None)
{
    return MemberInfo{id, MemberKind::Property, name, type, put == nullptr, {}, guard, false, get, put};
}

// A property that is one expression on the parts (MemberThunks.h).
template <auto Get>
MemberInfo Prop(int32_t id, const char* name)
{
    return Prop(id, name, VarTypeOf<PartType<Get>>(), &GetPart<Get>);
}

template <auto Get, auto Set>
MemberInfo Prop(int32_t id, const char* name, Guard guard = Guard::None)
{
    return Prop(id, name, VarTypeOf<PartType<Get>>(), &GetPart<Get>, &SetPart<Set>, guard);
}

// The format of a document is the file's, except for raw data, whose format
// only the host knows.
void SetFormat(const CControlParts& p, int32_t& member, int32_t value)
{
    if (p.m_soundFile.m_nFormat == FormatRaw)
        member = value;
}

MemberInfo Method(int32_t id, const char* name, VarType result, QVector<ParamInfo> params, Guard guard,
                  MemberThunk run, bool longWork = false)
{
    return MemberInfo{id, MemberKind::Method, name, result, false, std::move(params), guard, longWork, run, nullptr};
}

// A method that is one expression on the parts (MemberThunks.h), with the
// names of its parameters.
template <auto Fn>
MemberInfo Method(int32_t id, const char* name, QVector<const char*> names, Guard guard, bool longWork = false)
{
    using M = PartMethod<Fn>;
    QVector<ParamInfo> params;
    for (std::size_t i = 0; i < M::kParamCount; ++i)
        params.append({names.value(static_cast<qsizetype>(i)), M::kParams[i]});
    return Method(id, name, M::kResult, std::move(params), guard, Thunk<&M::Run>, longWork);
}

// An effect that hands its arguments (R4) to the effects processor; refused
// while busy, and long.
template <int32_t Kind, class... Args>
MemberInfo Fx(int32_t id, const char* name, QVector<const char*> names = {})
{
    QVector<ParamInfo> params;
    for (const char* n : names)
        params.append({n, VarType::R4});
    return Method(id, name, VarType::I4, std::move(params), Guard::Busy, Thunk<m::Effect<Kind, Args...>>, true);
}

// Frames of one pan step at the present zoom; an extreme factor saturates
// instead of wrapping to the other end.
int32_t PanStep(const CControlParts& p)
{
    return WaveViewTrunc(p.m_fPanFactor / p.m_view.GetZoom());
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
    using P = CControlParts;
    constexpr bool Long = true;
    return {
        Prop<[](P& p) { return p.m_wave.m_nBitsPerSample; },
             [](P& p, int32_t v) { SetFormat(p, p.m_wave.m_nBitsPerSample, v); }>(2, "BitsPerSample", G::Busy),
        Prop<[](P& p) { return p.m_wave.m_nChannels; },
             [](P& p, int32_t v) { SetFormat(p, p.m_wave.m_nChannels, v); }>(3, "Channels", G::Busy),
        Prop<[](P& p) { return p.m_wave.m_nSamplesPerSec; },
             [](P& p, int32_t v) { SetFormat(p, p.m_wave.m_nSamplesPerSec, v); }>(4, "SamplesPerSec", G::Busy),
        Prop<[](P& p) { return p.m_fPanFactor; }, [](P& p, float v) { p.m_fPanFactor = v; }>(5, "PanFactor"),
        Prop<[](P& p) { return p.m_fZoomFactor; }, [](P& p, float v) { p.m_fZoomFactor = v; }>(6, "ZoomFactor"),
        Prop<[](P& p) { return p.m_wave.m_nLength; }>(7, "WaveLength"),
        Prop<[](P& p) { return p.m_view.GetTop(); }, [](P& p, int32_t v) { p.m_view.SetTop(v); }>(8, "Top"),
        Prop<[](P& p) { return p.m_view.GetLeft(); }, [](P& p, int32_t v) { p.m_view.SetLeft(v); }>(9, "Left"),
        Prop<[](P& p) { return p.m_view.GetWidth(); }, [](P& p, int32_t v) { p.m_view.SetWidth(v); }>(10, "Width"),
        Prop<[](P& p) { return p.m_view.GetHeight(); }, [](P& p, int32_t v) { p.m_view.SetHeight(v); }>(11, "Height"),
        Prop<[](P& p) { return p.m_view.GetZoom(); }, [](P& p, float v) { p.m_view.SetZoom(v); }>(12, "Zoom"),
        Prop<[](P& p) { return p.m_wave.m_nCursor; }>(13, "CursorPos"),
        Prop<[](P& p) { return p.m_view.GetBackColor(); },
             [](P& p, uint32_t v) { p.m_view.SetBackColor(v); }>(14, "BackColor"),
        Prop<[](P& p) { return p.m_view.GetWaveColor(); },
             [](P& p, uint32_t v) { p.m_view.SetWaveColor(v); }>(15, "WaveColor"),
        Prop<[](P& p) { return p.m_view.GetCursorColor(); },
             [](P& p, uint32_t v) { p.m_view.SetCursorColor(v); }>(16, "CursorColor"),
        Prop<[](P& p) { return p.m_wave.m_nSelBegin; }>(17, "SelectBegin"),
        Prop<[](P& p) { return p.m_wave.m_nSelEnd; }>(18, "SelectEnd"),
        Prop<[](P& p) { return p.m_wave.m_nViewBegin; }>(19, "ViewBegin"),
        Prop<[](P& p) { return p.m_wave.m_nViewEnd; }>(20, "ViewEnd"),
        Prop<[](P& p) { return p.m_player.GetStatus(); }>(21, "PlayerStatus"),
        Prop<[](P& p) { return p.m_player.m_bLoop; }, [](P& p, bool v) { p.m_player.m_bLoop = v; }>(22, "PlayLoop"),
        Prop<[](P& p) { return p.m_soundFile.m_nBitRate; },
             [](P& p, int32_t v) { p.m_soundFile.m_nBitRate = v; }>(23, "BitRate", G::Work),
        Prop<[](P& p) { return QString::fromLocal8Bit(p.m_soundFile.m_strFileName.c_str()); },
             [](P& p, QString v) { p.m_soundFile.m_strFileName = v.toLocal8Bit().toStdString(); }>(24, "FileName",
                                                                                                   G::Work),
        Prop<[](P& p) { return int32_t{static_cast<int16_t>(p.m_soundFile.m_nFormat)}; }>(25, "Format"),
        Prop<[](P& p) { return int32_t{p.m_soundFile.m_wWavFormat}; },
             [](P& p, int32_t v) { p.m_soundFile.m_wWavFormat = static_cast<uint16_t>(v & 0xFFFF); }>(26, "WAVFormat",
                                                                                                     G::Work),
        Prop<[](P& p) { return p.m_player.PlayTime(); }>(27, "PlayTime"),
        Prop<[](P& p) { return p.m_player.RecordTime(); }>(28, "RecordTime"),
        Method(29, "Close", V::I4, {}, G::Busy, Thunk<m::Close>),
        Method<[](P& p) { p.m_player.Continue(); return 1; }>(30, "Continue", {}, G::None),
        Method(31, "Load", V::I4, {{"sFileName", V::Bstr}, {"lFormat", V::I4}}, G::Busy, Thunk<m::Load>, Long),
        Method<[](P& p) { return p.m_player.Play(); }>(32, "Play", {}, G::Work),
        Method<[](P& p) { p.m_player.Pause(); return 1; }>(33, "Pause", {}, G::None),
        Method<[](P& p) { p.m_player.Stop(); return 1; }>(34, "Stop", {}, G::None),
        Method<[](P& p, float fMaxTime) { return p.m_player.Record(fMaxTime); }>(35, "Record", {"fMaxTime"}, G::Work),
        Method<[](P& p) { return p.m_soundFile.SaveFile(); }>(36, "Save", {}, G::Busy, Long),
        Method(37, "SaveAs", V::I4, {{"sFileName", V::Bstr}, {"lFormat", V::I4}}, G::Busy, Thunk<m::SaveAs>, Long),
        Method<[](P& p) { p.m_view.PanLeft(PanStep(p)); }>(38, "PanLeft", {}, G::None),
        Method<[](P& p) { p.m_view.PanRight(PanStep(p)); }>(39, "PanRight", {}, G::None),
        Method<[](P& p) { p.m_view.SetZoom(p.m_view.GetZoom() * p.m_fZoomFactor); }>(40, "ZoomIn", {}, G::None),
        Method<[](P& p) { p.m_view.SetZoom(p.m_view.GetZoom() / p.m_fZoomFactor); }>(41, "ZoomOut", {}, G::None),
        Method(42, "Delete", V::I4, {}, G::Busy, Thunk<m::Delete>, Long),
        Method(43, "Cut", V::I4, {}, G::Busy, Thunk<m::Cut>, Long),
        Method<[](P& p) { p.m_wave.CopyToClipboard(); return 1; }>(44, "Copy", {}, G::Busy, Long),
        Method(45, "Paste", V::I4, {}, G::Busy, Thunk<m::Paste>, Long),
        Method<[](P& p) { p.m_wave.Undo(); p.m_view.RefreshAfterEdit(); }>(46, "Undo", {}, G::Busy, Long),
        Method<[](P& p, int32_t lSample) { return static_cast<float>(p.m_wave.FramesToSeconds(lSample)); }>(
            47, "SamplesToTime", {"lSample"}, G::None),
        Method<[](P& p, float fTime) { return p.m_wave.SecondsToFrames(fTime); }>(48, "TimeToSample", {"fTime"},
                                                                                  G::None),
        Method<[](P& p) { p.m_wave.SelectAll(); p.m_view.Refresh(); }>(49, "SelectAll", {}, G::Busy),
        Method<[](P& p) { p.m_wave.Deselect(); p.m_view.Refresh(); }>(50, "DeSelect", {}, G::Busy),
        Method<[](P& p, int32_t lPos) { p.m_view.ScrollTo(lPos); }>(51, "ScrollTo", {"lPos"}, G::None),
        Method(52, "DoFade", V::R4, {{"FadeStart", V::R4}, {"FadeEnd", V::R4}, {"nPercent", V::I4}}, G::Work,
               Thunk<m::DoFade>),
        Fx<FxKindAmplify, float>(53, "FxAmplify", {"fGain"}),
        Fx<FxKindFadeIn>(54, "FxFadeIn"),
        Fx<FxKindFadeOut>(55, "FxFadeOut"),
        Method(56, "FxInsertSilence", V::I4, {{"fTime", V::R4}}, G::Busy, Thunk<m::FxInsertSilence>, Long),
        Fx<FxKindInvert>(57, "FxInvert"),
        Fx<FxKindLowPass, float>(58, "FxLowPassFilter", {"fFCut"}),
        Fx<FxKindHighPass, float>(59, "FxHighPassFilter", {"fFCut"}),
        Method(60, "FxSilence", V::I4, {}, G::Busy, Thunk<m::FxSilence>, Long),
        Fx<FxKindEcho, float, float>(61, "FxEcho", {"fDelay", "fDecay"}),
        Fx<FxKindReverse>(62, "FxReverse"),
        Fx<FxKindBandPass, float, float>(63, "FxBandPassFilter", {"fFLow", "fFHigh"}),
        Fx<FxKindBandStop, float, float>(64, "FxBandStopFilter", {"fFLow", "fFHigh"}),
        Fx<FxKindBassBoost, float, float>(65, "FxBassBoost", {"fFrecuency", "fGain"}),
        Method(66, "FxNoiseRemoval", V::I4, {{"bGetProfile", V::Bool}, {"bLevel", V::Bool}}, G::Busy,
               Thunk<m::FxNoiseRemoval>, Long),
        Method<[](P&, double, double) { return 0; }>(67, "ManualSelect", {"selectstart", "SelectEnd"}, G::None),
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
