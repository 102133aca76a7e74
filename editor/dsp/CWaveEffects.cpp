#include "CWaveEffects.h"

#include "EffectDriver.h"

#include "wave/CRMWave.h"

CWaveEffects::CWaveEffects(CRMWave* wave) : m_pWave(wave), m_buffer(kBlockSize) {}

int CWaveEffects::ApplyEffect(int32_t kind, float arg1, float arg2)
{
    switch (kind) {
    case FxKindInsertSilence: InsertSilence(arg1); break;
    case FxKindAmplify: Amplify(arg1); break;
    case FxKindEcho: Echo(arg1, arg2); break;
    case FxKindFadeIn: FadeIn(m_fadeCurve); break;
    case FxKindFadeOut: FadeOut(m_fadeCurve); break;
    case FxKindInvert: Invert(); break;
    case FxKindLowPass: LowPass(arg1); break;
    case FxKindHighPass: HighPass(arg1); break;
    case FxKindBandPass: BandPass(arg1, arg2); break;
    case FxKindBandStop: BandStop(arg1, arg2); break;
    case FxKindReverse: Reverse(); break;
    case FxKindBassBoost: BassBoost(arg1, arg2); break;
    case FxKindNoiseRemoval:
        if (arg1 != 0.0f)
            CaptureNoiseProfile();
        else
            RemoveNoise(arg2);
        break;
    default: break;
    }
    return 1;
}

SampleFormat CWaveEffects::Format() const
{
    return FormatOf(*m_pWave);
}

int32_t CWaveEffects::SelectionFrames() const
{
    return m_pWave->m_nSelEnd - m_pWave->m_nSelBegin;
}

float CWaveEffects::ReadSample(const uint8_t* buffer, int channel, int frame) const
{
    return ::ReadSample(buffer, Format(), channel, frame);
}

void CWaveEffects::WriteSample(uint8_t* buffer, int channel, int frame, float value) const
{
    ::WriteSample(buffer, Format(), channel, frame, value);
}

bool CWaveEffects::SetFadeCurve(int32_t curve)
{
    if (!IsFadeCurve(curve))
        return false;
    m_fadeCurve = static_cast<FadeCurve>(curve);
    return true;
}
