#pragma once
// The functions behind the members of the automation interface that are
// more than one expression on the control's parts (those are written in
// their rows, TypeLib.cpp), grouped by job in Control*Members.cpp. Each runs
// inside the dispatch layer's wrapper (Dispatch.cpp), which has already
// refused it when the control was busy and which holds the parts for it;
// each works on `call.Parts()` only and looks at the answers of whatever
// fires an event.

#include <QString>

#include <cstdint>

class CControlCall;

namespace members {

// --- Files ---
int Load(CControlCall& call, QString sFileName, int lFormat);
int NewFile(CControlCall& call, int lChannels, int lSamplesPerSec, int lBitsPerSample);
int Close(CControlCall& call);
int SaveAs(CControlCall& call, QString sFileName, int lFormat);

// --- Editing, selection, the about box ---
int Delete(CControlCall& call);
int Cut(CControlCall& call);
int Paste(CControlCall& call);
float DoFade(CControlCall& call, float FadeStart, float FadeEnd, int nPercent);
void AboutBox(CControlCall& call);

// --- Effects ---
// An effect over the selection, with its undo record.
int RunEffect(CControlCall& call, int32_t kind, float arg1 = 0.0f, float arg2 = 0.0f);
// A member that hands its arguments to the effect `Kind`.
template <int32_t Kind, class... Args>
int Effect(CControlCall& call, Args... args)
{
    return RunEffect(call, Kind, args...);
}
int FxInsertSilence(CControlCall& call, float fTime);
int FxSilence(CControlCall& call);
int FxNoiseRemoval(CControlCall& call, bool bGetProfile, bool bLevel);

// --- Ringtones: loudness, fade curves, zero crossings, MakeRingtone ---
int FxNormalizeLoudness(CControlCall& call, float fTargetLufs, float fTruePeakDb);
float GetLoudness(CControlCall& call);
float GetTruePeak(CControlCall& call);
int GetFadeCurve(CControlCall& call);
uint32_t SetFadeCurve(CControlCall& call, int curve);
bool GetSnapToZero(CControlCall& call);
void SetSnapToZero(CControlCall& call, bool snap);
bool GetOggLoop(CControlCall& call);
void SetOggLoop(CControlCall& call, bool loop);
int MakeRingtone(CControlCall& call, QString sFileName, int lFormat, float fBegin, float fEnd, float fFadeIn,
                 float fFadeOut, float fTargetLufs, float fTruePeakDb);

}  // namespace members
