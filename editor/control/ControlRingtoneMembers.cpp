// Members for ringtones: loudness and true peak, the loudness step, fade
// curves, zero-crossing snap, the Ogg loop comment and MakeRingtone.

#include "ControlCall.h"
#include "ControlMembers.h"

#include "codecs/MakeRingtone.h"
#include "dsp/FadeCurve.h"
#include "dsp/Loudness.h"
#include "dsp/NormalizeLoudness.h"

#include <Sonarch2/Sonarch2.h>

#include <cmath>

namespace members {
namespace {

// The selection, or the whole document without one.
LoudnessReading MeasureSelectionOrDocument(CControlCall& call)
{
    CRMWave& wave = call.Parts().m_wave;
    if (wave.HasSelection())
        return MeasureLoudness(wave, std::min(wave.m_nSelBegin, wave.m_nSelEnd),
                               std::max(wave.m_nSelBegin, wave.m_nSelEnd));
    return MeasureLoudness(wave, 0, wave.m_nLength);
}

}  // namespace

int FxNormalizeLoudness(CControlCall& call, float fTargetLufs, float fTruePeakDb)
{
    CControlParts& p = call.Parts();
    CRMWave& wave = p.m_wave;
    const int32_t begin = std::min(wave.m_nSelBegin, wave.m_nSelEnd);
    const int32_t end = std::max(wave.m_nSelBegin, wave.m_nSelEnd);
    // What would be refused keeps the undo record as it is.
    if (!std::isfinite(fTargetLufs) || !std::isfinite(fTruePeakDb) || end <= begin ||
        wave.FramesToSeconds(end - begin) < kShortestLoudnessSeconds ||
        MeasureLoudness(wave, begin, end).truePeakDb <= LoudnessReading::kSilenceTruePeakDb)
        return 0;
    wave.SaveUndo(UndoRestore);
    const NormalizeResult result = NormalizeLoudness(wave, begin, end, fTargetLufs, fTruePeakDb);
    p.m_view.RefreshAfterEdit();
    return result == NormalizeResult::Done ? 1 : 0;
}

float GetLoudness(CControlCall& call)
{
    return static_cast<float>(MeasureSelectionOrDocument(call).lufs);
}

float GetTruePeak(CControlCall& call)
{
    return static_cast<float>(MeasureSelectionOrDocument(call).truePeakDb);
}

int GetFadeCurve(CControlCall& call)
{
    return static_cast<int>(call.Parts().m_effects.GetFadeCurve());
}

uint32_t SetFadeCurve(CControlCall& call, int curve)
{
    if (!call.Parts().m_effects.SetFadeCurve(curve))
        return sonarch2::hr::IllegalFunctionCall;
    call.SetModified();
    return sonarch2::hr::Ok;
}

bool GetSnapToZero(CControlCall& call)
{
    return call.Parts().m_view.SnapToZero();
}

void SetSnapToZero(CControlCall& call, bool snap)
{
    call.Parts().m_view.SetSnapToZero(snap);
    call.SetModified();
}

bool GetOggLoop(CControlCall& call)
{
    return call.Parts().m_soundFile.m_bOggLoop != 0;
}

void SetOggLoop(CControlCall& call, bool loop)
{
    call.Parts().m_soundFile.m_bOggLoop = loop ? 1 : 0;
    call.SetModified();
}

int MakeRingtone(CControlCall& call, QString sFileName, int lFormat, float fBegin, float fEnd, float fFadeIn,
                 float fFadeOut, float fTargetLufs, float fTruePeakDb)
{
    CControlParts& p = call.Parts();
    RingtoneRequest request;
    request.fileName = sFileName.toLocal8Bit().toStdString();
    request.format = lFormat;
    request.begin = fBegin;
    request.end = fEnd;
    request.fadeIn = fFadeIn;
    request.fadeOut = fFadeOut;
    request.targetLufs = fTargetLufs;
    request.truePeakDb = fTruePeakDb;
    request.fadeCurve = static_cast<int32_t>(p.m_effects.GetFadeCurve());
    request.snapToZero = p.m_view.SnapToZero();
    return ::MakeRingtone(p.m_wave, p.m_soundFile, request).written;
}

}  // namespace members
