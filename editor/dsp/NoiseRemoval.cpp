// Noise removal in two halves: CaptureNoiseProfile measures the mean log power
// spectrum of a selection that holds noise only; RemoveNoise gates every bin
// that does not rise far enough above it. Both work on blocks of 1025 frames,
// zero-padded to 2048 points, one channel at a time, without overlap; removal
// runs two blocks through one transform.
#include "CWaveEffects.h"
#include "EffectDriver.h"
#include "FFT.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr int kFrames = 1025;
constexpr int kPoints = 2048;
constexpr int kSpectrum = kPoints / 2;  // power values 0 ... 1023
constexpr float kOpenLow = 0.5f;
constexpr float kOpenHigh = 0.55f;
constexpr float kShut = 0.1f;

// Adds one block's gates to the running gains G: each block weighs one half.
// The spectrum has no Nyquist value of its own, so that gate stays shut. A
// bin that has only just opened, among shut neighbours, is shut too.
void UpdateGains(std::array<float, CWaveEffects::kNoiseBins>& gain, const float* profile, const float* power,
                 float margin)
{
    for (int k = 0; k < CWaveEffects::kNoiseBins; ++k) {
        const bool open = k < kSpectrum && profile[k] + margin <= std::log(power[k]);
        gain[k] = ((open ? 1.0f : 0.0f) + gain[k]) * 0.5f;
    }
    for (int m = 2; m <= CWaveEffects::kNoiseBins - 3; ++m) {
        if (gain[m] >= kOpenLow && gain[m] <= kOpenHigh && gain[m - 2] < kShut && gain[m - 1] < kShut &&
            gain[m + 1] < kShut && gain[m + 2] < kShut)
            gain[m] = 0.0f;
    }
}

// One 1025-frame block of the selection, read for channel `channel`.
struct NoiseBlock {
    int64_t offset = 0;     // byte offset in the working file
    std::size_t bytes = 0;  // bytes read
    int frames = 0;
};

// Walks the selection channel by channel in blocks of 1025 frames, with the
// progress report of both halves after each block. `visit` returns false to
// stop. Returns false when a block could not be read.
template <typename Visit>
bool ForEachNoiseBlock(CRMWave& wave, uint8_t* buffer, Visit visit)
{
    const int channels = wave.m_nChannels;
    const int64_t total = wave.FramesToBytes(int64_t{wave.m_nSelEnd} - wave.m_nSelBegin);
    const int64_t blockBytes = wave.FramesToBytes(kFrames);
    for (int c = 0; c < channels; ++c) {
        for (int64_t done = 0; done < total;) {
            NoiseBlock block;
            block.offset = wave.FramesToBytes(wave.m_nSelBegin) + done;
            block.bytes = ReadWaveAt(wave, block.offset, buffer,
                                     static_cast<std::size_t>(std::min(blockBytes, total - done)));
            if (block.bytes == 0)
                return false;
            block.frames = wave.BytesToFrames(static_cast<int64_t>(block.bytes));
            if (!visit(c, block))
                return false;
            done += static_cast<int64_t>(block.bytes);
            ReportProgress(static_cast<float>(
                std::min<int64_t>(done * 100 / total / channels + 50 * c, 100)));
        }
    }
    return true;
}

}  // namespace

int CWaveEffects::CaptureNoiseProfile()
{
    const SampleFormat format = Format();
    if (!format.IsSupported() || format.channels > kMaxChannels)
        return 0;
    const float scale = static_cast<float>(1 << (m_pWave->m_nBitsPerSample - 1));
    std::vector<float> in(kPoints), power(kSpectrum);
    PowerSpectrumPlan spectrum(kPoints);
    std::array<double, kSpectrum> sum{};
    std::array<int64_t, kSpectrum> count{};
    for (auto& profile : m_noiseProfile)
        profile.fill(0.0f);

    ReportProgress(0.0f);
    int lastChannel = -1;
    const auto finishChannel = [&](int c) {
        for (int k = 0; k < kSpectrum; ++k)
            m_noiseProfile[c][k] = count[k] ? static_cast<float>(sum[k] / count[k]) : 0.0f;
    };
    ForEachNoiseBlock(*m_pWave, m_buffer.data(), [&](int c, const NoiseBlock& block) {
        // The sums run on from one channel into the next.
        if (c != lastChannel && lastChannel >= 0)
            finishChannel(lastChannel);
        lastChannel = c;
        for (int j = 0; j < block.frames; ++j)
            in[j] = ::ReadSample(m_buffer.data(), format, c, j) / scale;
        std::fill(in.begin() + block.frames, in.end(), 0.0f);
        spectrum.Compute(in.data(), power.data());
        for (int k = 0; k < kSpectrum; ++k) {
            const double v = std::log(static_cast<double>(power[k]));
            if (std::isfinite(v)) {
                sum[k] += v;
                ++count[k];
            }
        }
        return true;
    });
    if (lastChannel >= 0)
        finishChannel(lastChannel);

    m_bNoiseProfile = true;
    ReportProgress(100.0f);
    ReportProgress(0.0f);
    return 1;
}

int CWaveEffects::RemoveNoise(float level)
{
    if (!m_bNoiseProfile)
        return 0;
    const SampleFormat format = Format();
    if (!format.IsSupported() || format.channels > kMaxChannels)
        return 0;
    CRMWave& wave = *m_pWave;
    const float scale = static_cast<float>(1 << (wave.m_nBitsPerSample - 1));
    const float margin = level * 0.5f;
    const int64_t start = wave.FramesToBytes(wave.m_nSelBegin);
    const int64_t total = wave.FramesToBytes(SelectionFrames());
    const int64_t blockBytes = wave.FramesToBytes(kFrames);
    std::array<std::vector<uint8_t>, 2> bytes;
    std::array<std::vector<float>, 2> x;
    std::array<std::array<float, kNoiseBins>, 2> blockGain{};
    for (int i = 0; i < 2; ++i) {
        bytes[i].resize(static_cast<std::size_t>(blockBytes));
        x[i].resize(kPoints);
    }
    std::vector<float> scaled(kPoints), power(kSpectrum), zr(kPoints), zi(kPoints), yr(kPoints), yi(kPoints);
    std::vector<float> outR(kPoints), outI(kPoints);
    std::array<float, kNoiseBins> gain{};
    const FFTPlan forward(kPoints, false);
    const FFTPlan inverse(kPoints, true);
    PowerSpectrumPlan spectrum(kPoints);

    ReportProgress(0.0f);
    bool complete = true;
    for (int c = 0; c < format.channels && complete; ++c) {
        const auto& profile = m_noiseProfile[c];
        int64_t done = 0;
        while (done < total && complete) {
            // Two consecutive blocks share one transform, the first in the
            // real part and the second (or zeros) in the imaginary part.
            std::array<std::size_t, 2> read{};
            int64_t next = done;
            for (int i = 0; i < 2; ++i) {
                std::fill(x[i].begin(), x[i].end(), 0.0f);
                blockGain[i].fill(0.0f);
                if (next >= total || (i == 1 && read[0] == 0))
                    continue;
                const auto want = static_cast<std::size_t>(std::min(blockBytes, total - next));
                read[i] = ReadWaveAt(wave, start + next, bytes[i].data(), want);
                if (read[i] == 0)
                    continue;
                DecodeChannel(bytes[i].data(), format, c, wave.BytesToFrames(static_cast<int64_t>(read[i])),
                              x[i].data());
                for (int j = 0; j < kPoints; ++j)
                    scaled[j] = x[i][j] / scale;
                spectrum.Compute(scaled.data(), power.data());
                UpdateGains(gain, profile.data(), power.data(), margin);
                blockGain[i] = gain;
                next += static_cast<int64_t>(read[i]);
            }
            if (read[0] == 0) {
                complete = false;
                break;
            }
            forward.Transform(x[0].data(), x[1].data(), zr.data(), zi.data());
            // With Z = X0 + i X1 and both blocks real, X0 = (Z[k] + conj Z[N-k]) / 2
            // and i X1 = (Z[k] - conj Z[N-k]) / 2; each gets its own gains.
            for (int k = 0; k < kPoints; ++k) {
                const int mirror = (kPoints - k) % kPoints;
                const int bin = std::min(k, mirror);
                const float a = (blockGain[0][bin] + blockGain[1][bin]) * 0.5f;
                const float b = (blockGain[0][bin] - blockGain[1][bin]) * 0.5f;
                yr[k] = a * zr[k] + b * zr[mirror];
                yi[k] = a * zi[k] - b * zi[mirror];
            }
            inverse.Transform(yr.data(), yi.data(), outR.data(), outI.data());
            for (int i = 0; i < 2 && read[i] > 0; ++i) {
                EncodeChannel(bytes[i].data(), format, c, wave.BytesToFrames(static_cast<int64_t>(read[i])),
                              i == 0 ? outR.data() : outI.data());
                if (!WriteWaveAt(wave, start + done, bytes[i].data(), read[i])) {
                    complete = false;
                    break;
                }
                done += static_cast<int64_t>(read[i]);
                ReportProgress(static_cast<float>(std::min<int64_t>(done * 100 / total / format.channels + 50 * c, 100)));
            }
            if (complete && read[1] == 0 && done < total)
                complete = false;  // the second block could not be read
        }
    }
    ReportProgress(100.0f);
    ReportProgress(0.0f);
    return 1;
}
