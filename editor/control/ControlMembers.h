#pragma once
// The functions behind the members of the automation interface, one per
// method, getter and setter, grouped by job in ControlFileMembers.cpp,
// ControlEditMembers.cpp, ControlEffectMembers.cpp, ControlViewMembers.cpp
// and ControlProperties.cpp. Each runs inside the dispatch layer's wrapper
// (Dispatch.cpp), which has already refused it when the control was busy
// and which holds the parts for it; each works on `call.Parts()` only and
// looks at the answers of whatever fires an event.

#include <QString>

#include <cstdint>

class CControlCall;

namespace members {

// --- Files ---
int Load(CControlCall& call, QString sFileName, int lFormat);
int NewFile(CControlCall& call, int lChannels, int lSamplesPerSec, int lBitsPerSample);
int Close(CControlCall& call);
int Save(CControlCall& call);
int SaveAs(CControlCall& call, QString sFileName, int lFormat);

// --- Player and view ---
int Play(CControlCall& call);
int Pause(CControlCall& call);
int Continue(CControlCall& call);
int Stop(CControlCall& call);
int Record(CControlCall& call, float fMaxTime);
void PanLeft(CControlCall& call);
void PanRight(CControlCall& call);
void ZoomIn(CControlCall& call);
void ZoomOut(CControlCall& call);
void ScrollTo(CControlCall& call, int lPos);
float DoFade(CControlCall& call, float FadeStart, float FadeEnd, int nPercent);
void AboutBox(CControlCall& call);

// --- Editing ---
int Delete(CControlCall& call);
int Cut(CControlCall& call);
int Copy(CControlCall& call);
int Paste(CControlCall& call);
void Undo(CControlCall& call);
void SelectAll(CControlCall& call);
void DeSelect(CControlCall& call);
float SamplesToTime(CControlCall& call, int lSample);
int TimeToSample(CControlCall& call, float fTime);
int ManualSelect(CControlCall& call, double selectstart, double SelectEnd);

// --- Effects ---
int FxAmplify(CControlCall& call, float fGain);
int FxFadeIn(CControlCall& call);
int FxFadeOut(CControlCall& call);
int FxInsertSilence(CControlCall& call, float fTime);
int FxInvert(CControlCall& call);
int FxLowPassFilter(CControlCall& call, float fFCut);
int FxHighPassFilter(CControlCall& call, float fFCut);
int FxSilence(CControlCall& call);
int FxEcho(CControlCall& call, float fDelay, float fDecay);
int FxReverse(CControlCall& call);
int FxBandPassFilter(CControlCall& call, float fFLow, float fFHigh);
int FxBandStopFilter(CControlCall& call, float fFLow, float fFHigh);
int FxBassBoost(CControlCall& call, float fFrecuency, float fGain);
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

// --- Properties ---
int GetBitsPerSample(CControlCall& call);
void SetBitsPerSample(CControlCall& call, int bits);
int GetChannels(CControlCall& call);
void SetChannels(CControlCall& call, int channels);
int GetSamplesPerSec(CControlCall& call);
void SetSamplesPerSec(CControlCall& call, int rate);
float GetPanFactor(CControlCall& call);
void SetPanFactor(CControlCall& call, float factor);
float GetZoomFactor(CControlCall& call);
void SetZoomFactor(CControlCall& call, float factor);
int GetWaveLength(CControlCall& call);
int GetTop(CControlCall& call);
void SetTop(CControlCall& call, int top);
int GetLeft(CControlCall& call);
void SetLeft(CControlCall& call, int left);
int GetWidth(CControlCall& call);
void SetWidth(CControlCall& call, int width);
int GetHeight(CControlCall& call);
void SetHeight(CControlCall& call, int height);
float GetZoom(CControlCall& call);
void SetZoom(CControlCall& call, float zoom);
int GetCursorPos(CControlCall& call);
uint32_t GetBackColor(CControlCall& call);
void SetBackColor(CControlCall& call, uint32_t colour);
uint32_t GetWaveColor(CControlCall& call);
void SetWaveColor(CControlCall& call, uint32_t colour);
uint32_t GetCursorColor(CControlCall& call);
void SetCursorColor(CControlCall& call, uint32_t colour);
int GetSelectBegin(CControlCall& call);
int GetSelectEnd(CControlCall& call);
int GetViewBegin(CControlCall& call);
int GetViewEnd(CControlCall& call);
int GetPlayerStatus(CControlCall& call);
bool GetPlayLoop(CControlCall& call);
void SetPlayLoop(CControlCall& call, bool loop);
int GetBitRate(CControlCall& call);
void SetBitRate(CControlCall& call, int bitRate);
QString GetFileName(CControlCall& call);
void SetFileName(CControlCall& call, QString name);
int GetFormat(CControlCall& call);
int GetWAVFormat(CControlCall& call);
void SetWAVFormat(CControlCall& call, int tag);
float GetPlayTime(CControlCall& call);
float GetRecordTime(CControlCall& call);

}  // namespace members
