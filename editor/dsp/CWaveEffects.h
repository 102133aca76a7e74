#pragma once
// The control's effects processor. Every effect works on the document's
// current selection in blocks of whole frames of at most 65,536 bytes (one
// frame where a frame is larger), with progress reports and a message-pump
// step per block, and uses a fixed amount of memory whatever the selection's
// length. Documents of widths other than 8 and 16 bits are left unchanged.
//
// Each effect lives in a file of its own (Gain, Fade, InsertSilence, Reverse,
// Echo, BrickWallFilters, BassBoost, NoiseRemoval) beside the processor that
// does its arithmetic; EffectDriver streams the selection through it.

#include "FadeCurve.h"
#include "FrequencyMask.h"
#include "SampleCodec.h"

#include <array>
#include <cstdint>
#include <vector>

class CRMWave;

enum EffectKind : int32_t {
    FxKindInsertSilence = 0,
    FxKindAmplify = 1,
    FxKindEcho = 2,
    FxKindFadeIn = 3,
    FxKindFadeOut = 4,
    FxKindInvert = 5,
    FxKindLowPass = 6,
    FxKindHighPass = 7,
    FxKindBandPass = 8,
    FxKindBandStop = 9,
    FxKindReverse = 10,
    FxKindBassBoost = 11,
    FxKindNoiseRemoval = 12,
    FxKindNone = 13,
};

class CWaveEffects {
public:
    static constexpr std::size_t kBlockSize = 65536;
    static constexpr int kMaskSize = 16384;      // bins of the brick-wall mask
    static constexpr int kNoiseBins = 1025;      // profile bins 0 ... 1024
    static constexpr int kMaxChannels = 2;

    explicit CWaveEffects(CRMWave* wave);
    CWaveEffects(const CWaveEffects&) = delete;
    CWaveEffects& operator=(const CWaveEffects&) = delete;

    // Runs effect `kind` (EffectKind) on the selection. Arguments are floats,
    // except the capture flag of noise removal (non-zero captures). The fades
    // use the curve set by SetFadeCurve. Always 1.
    int ApplyEffect(int32_t kind, float arg1 = 0.0f, float arg2 = 0.0f);

    // Samples of `buffer` in the document's current format.
    float ReadSample(const uint8_t* buffer, int channel, int frame) const;
    void WriteSample(uint8_t* buffer, int channel, int frame, float value) const;

    // The curve of the fades ApplyEffect runs; linear until set. False, with
    // the curve unchanged, for a value outside FadeCurve.
    bool SetFadeCurve(int32_t curve);
    FadeCurve GetFadeCurve() const { return m_fadeCurve; }

    // --- Gain and time effects (false when refused or nothing was done) ----
    bool InsertSilence(float seconds);
    void Amplify(float gain);
    // False, with nothing changed, for a value outside FadeCurve.
    bool FadeIn(FadeCurve curve = FadeCurve::Linear);
    bool FadeOut(FadeCurve curve = FadeCurve::Linear);
    void Invert();
    bool Reverse();
    bool Echo(float delaySeconds, float decay);

    // --- Filters --------------------------------------------------------
    bool LowPass(float cutoff);
    bool HighPass(float cutoff);
    bool BandPass(float low, float high);
    bool BandStop(float low, float high);
    // Filters every channel of the selection with a mask of kMaskSize bins,
    // in blocks of 8193 frames each transformed on its own.
    bool ApplySpectralMask(const float* mask);
    // Low-shelf boost by the amplitude ratio `boost` below `frequency` Hz.
    // Refused for a negative or non-finite factor; a frequency above 1000 Hz
    // leaves every block unchanged.
    bool BassBoost(float frequency, float boost);

    // --- Noise removal ----------------------------------------------------
    int CaptureNoiseProfile();
    int RemoveNoise(float level);
    bool HasNoiseProfile() const { return m_bNoiseProfile; }
    float NoiseProfile(int channel, int bin) const { return m_noiseProfile[channel][bin]; }

private:
    SampleFormat Format() const;
    int32_t SelectionFrames() const;
    bool Filter(BrickWall kind, float low, float high);

    CRMWave* m_pWave;
    FadeCurve m_fadeCurve = FadeCurve::Linear;
    bool m_bNoiseProfile = false;
    std::vector<uint8_t> m_buffer;  // the 64 KB work buffer
    std::array<std::array<float, kNoiseBins>, kMaxChannels> m_noiseProfile{};
};
