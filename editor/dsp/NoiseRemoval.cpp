// Noise removal in two halves: CaptureNoiseProfile measures the mean log power
// spectrum of a selection that holds noise only; RemoveNoise gates every bin
// that does not rise far enough above it. Both work on blocks of 1025 frames,
// zero-padded to 2048 points, one channel at a time, without overlap.
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
    const float scale = static_cast<float>(1 << (m_pWave->m_nBitsPerSample - 1));
    const float margin = level * 0.5f;
    std::vector<float> x(kPoints), scaled(kPoints), real(kPoints), imag(kPoints);
    std::vector<float> outReal(kPoints), outImag(kPoints), power(kSpectrum);
    std::array<float, kNoiseBins> gain{};
    const FFTPlan forward(kPoints, false);
    const FFTPlan inverse(kPoints, true);
    PowerSpectrumPlan spectrum(kPoints);

    ReportProgress(0.0f);
    ForEachNoiseBlock(*m_pWave, m_buffer.data(), [&](int c, const NoiseBlock& block) {
        for (int j = 0; j < block.frames; ++j)
            x[j] = ::ReadSample(m_buffer.data(), format, c, j);
        std::fill(x.begin() + block.frames, x.end(), 0.0f);
        forward.Transform(x.data(), nullptr, real.data(), imag.data());
        for (int j = 0; j < kPoints; ++j)
            scaled[j] = x[j] / scale;
        spectrum.Compute(scaled.data(), power.data());

        // Running average of the gates: each block weighs one half. The
        // spectrum has no Nyquist value of its own, so that gate stays shut.
        const auto& profile = m_noiseProfile[c];
        for (int k = 0; k < kNoiseBins; ++k) {
            const bool open = k < kSpectrum && profile[k] + margin <= std::log(power[k]);
            gain[k] = ((open ? 1.0f : 0.0f) + gain[k]) * 0.5f;
        }
        // A bin that has only just opened, among shut neighbours, is shut too.
        for (int m = 2; m <= kNoiseBins - 3; ++m) {
            if (gain[m] >= kOpenLow && gain[m] <= kOpenHigh && gain[m - 2] < kShut &&
                gain[m - 1] < kShut && gain[m + 1] < kShut && gain[m + 2] < kShut)
                gain[m] = 0.0f;
        }

        real[0] *= gain[0];
        imag[0] *= gain[0];
        real[kSpectrum] *= gain[kSpectrum];
        imag[kSpectrum] *= gain[kSpectrum];
        for (int j = 1; j < kSpectrum; ++j) {
            real[j] *= gain[j];
            imag[j] *= gain[j];
            real[kPoints - j] *= gain[j];
            imag[kPoints - j] *= gain[j];
        }
        inverse.Transform(real.data(), imag.data(), outReal.data(), outImag.data());
        for (int j = 0; j < block.frames; ++j)
            ::WriteSample(m_buffer.data(), format, c, j, outReal[j]);
        return WriteWaveAt(*m_pWave, block.offset, m_buffer.data(), block.bytes);
    });
    ReportProgress(100.0f);
    ReportProgress(0.0f);
    return 1;
}
