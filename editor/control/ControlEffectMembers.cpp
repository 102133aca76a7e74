// Members that run the effects processor over the selection, each with its
// undo record.

#include "ControlCall.h"
#include "ControlMembers.h"

namespace members {
namespace {

int RunEffect(CControlCall& call, int32_t kind, float arg1 = 0.0f, float arg2 = 0.0f)
{
    CControlParts& p = call.Parts();
    p.m_wave.SaveUndo(UndoRestore);
    p.m_effects.ApplyEffect(kind, arg1, arg2);
    p.m_view.RefreshAfterEdit();
    return 1;
}

}  // namespace

int FxAmplify(CControlCall& call, float fGain) { return RunEffect(call, FxKindAmplify, fGain); }
int FxFadeIn(CControlCall& call) { return RunEffect(call, FxKindFadeIn); }
int FxFadeOut(CControlCall& call) { return RunEffect(call, FxKindFadeOut); }
int FxInvert(CControlCall& call) { return RunEffect(call, FxKindInvert); }
int FxLowPassFilter(CControlCall& call, float fFCut) { return RunEffect(call, FxKindLowPass, fFCut); }
int FxHighPassFilter(CControlCall& call, float fFCut) { return RunEffect(call, FxKindHighPass, fFCut); }
int FxEcho(CControlCall& call, float fDelay, float fDecay) { return RunEffect(call, FxKindEcho, fDelay, fDecay); }
int FxReverse(CControlCall& call) { return RunEffect(call, FxKindReverse); }

int FxBandPassFilter(CControlCall& call, float fFLow, float fFHigh)
{
    return RunEffect(call, FxKindBandPass, fFLow, fFHigh);
}

int FxBandStopFilter(CControlCall& call, float fFLow, float fFHigh)
{
    return RunEffect(call, FxKindBandStop, fFLow, fFHigh);
}

int FxBassBoost(CControlCall& call, float fFrecuency, float fGain)
{
    return RunEffect(call, FxKindBassBoost, fFrecuency, fGain);
}

int FxNoiseRemoval(CControlCall& call, bool bGetProfile, bool bLevel)
{
    return RunEffect(call, FxKindNoiseRemoval, bGetProfile ? 1.0f : 0.0f, bLevel ? 1.0f : 0.0f);
}

int FxInsertSilence(CControlCall& call, float fTime)
{
    CControlParts& p = call.Parts();
    // The undo record comes after the insertion, so that Undo removes it.
    p.m_effects.ApplyEffect(FxKindInsertSilence, fTime);
    p.m_wave.SaveUndo(UndoRemove);
    p.m_view.RefreshAfterEdit();
    return 1;
}

int FxSilence(CControlCall& call)
{
    CControlParts& p = call.Parts();
    p.m_wave.SaveUndo(UndoRestore);
    FxAmplify(call, 0.0f);
    p.m_view.Refresh();
    return 1;
}

}  // namespace members
