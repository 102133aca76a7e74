// Noise removal in two halves: CaptureNoiseProfile measures the mean log power
// spectrum of a selection that holds noise only; RemoveNoise gates every bin
// that does not rise far enough above it. Both work on blocks of 1025 frames,
// zero-padded to 2048 points, one channel at a time, without overlap; removal
// reads and writes up to 64 KB of blocks at once and runs two blocks through
// one transform.
#include "CWaveEffects.h"
#include "EffectDriver.h"
#include "FFT.h"
#include "FilterFFT.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <vector>

namespace {

constexpr int kFrames = 1025;
constexpr int kPoints = 2048;
constexpr int kSpectrum = kPoints / 2;  // power values 0 ... 1023
constexpr float kOpenLow = 0.5f;
constexpr float kOpenHigh = 0.55f;
constexpr float kShut = 0.1f;

// The least power p whose log reaches `level` (log p >= level), found among
// the non-negative floats by bisection; infinity when none does. The log is
// non-decreasing over them, so "level <= log(power)" and "power >= the
// result" decide alike for every power.
float LeastPowerReaching(float level)
{
    uint32_t low = 0, high = 0x7f800000u;  // +0 ... +infinity
    while (low < high) {
        const uint32_t mid = low + (high - low) / 2;
        if (level <= std::log(std::bit_cast<float>(mid)))
            high = mid;
        else
            low = mid + 1;
    }
    return std::bit_cast<float>(low);
}

// A bin is open in a block when its log power reaches the profile plus the
// margin: as a least power per bin, worked out once per channel.
std::array<float, kSpectrum> OpeningPowers(const float* profile, float margin)
{
    std::array<float, kSpectrum> least{};
    for (int k = 0; k < kSpectrum; ++k)
        least[k] = LeastPowerReaching(profile[k] + margin);
    return least;
}

// Adds one block's gates to the running gains G: each block weighs one half.
// The spectrum has no Nyquist value of its own, so that gate stays shut. A
// bin that has only just opened, among shut neighbours, is shut too.
void UpdateGains(std::array<float, CWaveEffects::kNoiseBins>& gain, const float* opening, const float* power)
{
    for (int k = 0; k < kSpectrum; ++k)
        gain[k] = ((power[k] >= opening[k] ? 1.0f : 0.0f) + gain[k]) * 0.5f;
    gain[kSpectrum] = (0.0f + gain[kSpectrum]) * 0.5f;
    // Bins are taken in increasing order and each sees the bins before it
    // already shut; but shutting bin m needs bins m + 1 and m + 2 shut, which
    // rules them out as just opened, so no decision depends on an earlier
    // one and all are taken from the gains as they stand.
    const std::array<float, CWaveEffects::kNoiseBins> before = gain;
    for (int m = 2; m <= CWaveEffects::kNoiseBins - 3; ++m) {
        const bool isolated = (before[m] >= kOpenLow) & (before[m] <= kOpenHigh) & (before[m - 2] < kShut) &
                              (before[m - 1] < kShut) & (before[m + 1] < kShut) & (before[m + 2] < kShut);
        gain[m] = isolated ? 0.0f : before[m];
    }
}

// Walks the selection channel by channel in blocks of 1025 frames, read up to
// 64 KB of blocks at a time, with the progress report of both halves after
// each block. `visit(channel, bytes, frames)` returns false to stop. Returns
// false when a block could not be read.
template <typename Visit>
bool ForEachNoiseBlock(CRMWave& wave, Visit visit)
{
    const int channels = wave.m_nChannels;
    const int64_t total = wave.FramesToBytes(int64_t{wave.m_nSelEnd} - wave.m_nSelBegin);
    const int64_t blockBytes = wave.FramesToBytes(kFrames);
    const int64_t chunkBlocks = std::max<int64_t>(1, static_cast<int64_t>(CWaveEffects::kBlockSize) / blockBytes);
    std::vector<uint8_t> chunk(static_cast<std::size_t>(chunkBlocks * blockBytes));
    for (int c = 0; c < channels; ++c) {
        for (int64_t done = 0; done < total;) {
            const auto want = static_cast<std::size_t>(std::min<int64_t>(total - done, static_cast<int64_t>(chunk.size())));
            const std::size_t got = wave.ReadAt(wave.FramesToBytes(wave.m_nSelBegin) + done, chunk.data(), want);
            if (got == 0)
                return false;
            for (std::size_t at = 0; at < got; at += static_cast<std::size_t>(blockBytes)) {
                const std::size_t bytes = std::min(static_cast<std::size_t>(blockBytes), got - at);
                if (!visit(c, chunk.data() + at, wave.BytesToFrames(static_cast<int64_t>(bytes))))
                    return false;
                done += static_cast<int64_t>(bytes);
                ReportProgress(static_cast<float>(std::min<int64_t>(done * 100 / total / channels + 50 * c, 100)));
            }
            if (got < want)
                return false;  // the selection runs past the end of the file
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
    // A power of two, so multiplying by its inverse gives the quotient exactly.
    const float inverseScale = 1.0f / static_cast<float>(1 << (m_pWave->m_nBitsPerSample - 1));
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
    ForEachNoiseBlock(*m_pWave, [&](int c, const uint8_t* bytes, int frames) {
        // The sums run on from one channel into the next.
        if (c != lastChannel && lastChannel >= 0)
            finishChannel(lastChannel);
        lastChannel = c;
        DecodeChannel(bytes, format, c, frames, in.data());
        for (int j = 0; j < frames; ++j)
            in[j] *= inverseScale;
        std::fill(in.begin() + frames, in.end(), 0.0f);
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
    // A power of two, so multiplying by its inverse gives the quotient exactly.
    const float inverseScale = 1.0f / static_cast<float>(1 << (wave.m_nBitsPerSample - 1));
    const float margin = level * 0.5f;
    const int64_t start = wave.FramesToBytes(wave.m_nSelBegin);
    const int64_t total = wave.FramesToBytes(SelectionFrames());
    const int64_t blockBytes = wave.FramesToBytes(kFrames);
    // Blocks are read and written an even number at a time, up to 64 KB.
    const int64_t chunkBlocks = std::max<int64_t>(2, (static_cast<int64_t>(kBlockSize) / blockBytes) & ~int64_t{1});
    std::vector<uint8_t> chunk(static_cast<std::size_t>(chunkBlocks * blockBytes));
    std::array<std::array<float, kNoiseBins>, 2> blockGain{};
    std::array<float, kNoiseBins> sum{}, difference{};
    std::vector<float> scaled(kPoints), power(kSpectrum), zr(kPoints), zi(kPoints), yr(kPoints), yi(kPoints);
    std::array<float, kNoiseBins> gain{};
    PowerSpectrumPlan spectrum(kPoints);
    const FilterFFT fft(kPoints);
    // For each position of the transform's bin order: the partner bin
    // N - k's position and the gain index min(k, N - k).
    std::vector<int> mirror(kPoints), gainIndex(kPoints);
    for (int p = 0; p < kPoints; ++p) {
        const int k = fft.Position(p);
        const int partner = (kPoints - k) % kPoints;
        mirror[static_cast<std::size_t>(p)] = fft.Position(partner);
        gainIndex[static_cast<std::size_t>(p)] = std::min(k, partner);
    }

    ReportProgress(0.0f);
    bool complete = true;
    for (int c = 0; c < format.channels && complete; ++c) {
        const auto opening = OpeningPowers(m_noiseProfile[c].data(), margin);
        int64_t done = 0;
        while (done < total && complete) {
            const auto want = static_cast<std::size_t>(std::min<int64_t>(total - done, static_cast<int64_t>(chunk.size())));
            const std::size_t got = wave.ReadAt(start + done, chunk.data(), want);
            if (got == 0) {
                complete = false;
                break;
            }
            std::vector<std::size_t> blocks;  // bytes of each block read
            for (std::size_t at = 0; at < got; at += static_cast<std::size_t>(blockBytes))
                blocks.push_back(std::min(static_cast<std::size_t>(blockBytes), got - at));
            // Two consecutive blocks share one transform, the first in the
            // real part and the second (or zeros) in the imaginary part.
            for (std::size_t b = 0; b < blocks.size(); b += 2) {
                for (std::size_t i = 0; i < 2; ++i) {
                    std::vector<float>& x = i == 0 ? zr : zi;
                    std::fill(x.begin(), x.end(), 0.0f);
                    blockGain[i].fill(0.0f);
                    if (b + i >= blocks.size())
                        continue;
                    const int frames = wave.BytesToFrames(static_cast<int64_t>(blocks[b + i]));
                    DecodeChannel(chunk.data() + (b + i) * static_cast<std::size_t>(blockBytes), format, c, frames,
                                  x.data());
                    for (int j = 0; j < kPoints; ++j)
                        scaled[j] = x[j] * inverseScale;
                    spectrum.Compute(scaled.data(), power.data());
                    UpdateGains(gain, opening.data(), power.data());
                    blockGain[i] = gain;
                }
                fft.Forward(zr.data(), zi.data());
                // With Z = X0 + i X1 and both blocks real, X0 = (Z[k] + conj Z[N-k]) / 2
                // and i X1 = (Z[k] - conj Z[N-k]) / 2; each gets its own gains.
                for (int g = 0; g < kNoiseBins; ++g) {
                    sum[g] = (blockGain[0][g] + blockGain[1][g]) * 0.5f;
                    difference[g] = (blockGain[0][g] - blockGain[1][g]) * 0.5f;
                }
                for (int p = 0; p < kPoints; ++p) {
                    const int g = gainIndex[static_cast<std::size_t>(p)];
                    const int m = mirror[static_cast<std::size_t>(p)];
                    yr[p] = sum[g] * zr[p] + difference[g] * zr[m];
                    yi[p] = sum[g] * zi[p] - difference[g] * zi[m];
                }
                fft.Inverse(yr.data(), yi.data());
                for (std::size_t i = 0; i < 2 && b + i < blocks.size(); ++i)
                    EncodeChannel(chunk.data() + (b + i) * static_cast<std::size_t>(blockBytes), format, c,
                                  wave.BytesToFrames(static_cast<int64_t>(blocks[b + i])),
                                  i == 0 ? yr.data() : yi.data());
            }
            if (!wave.WriteAt(start + done, chunk.data(), got)) {
                complete = false;
                break;
            }
            for (const std::size_t bytes : blocks) {
                done += static_cast<int64_t>(bytes);
                ReportProgress(static_cast<float>(std::min<int64_t>(done * 100 / total / format.channels + 50 * c, 100)));
            }
            if (got < want)
                complete = false;  // the selection runs past the end of the file
        }
    }
    ReportProgress(100.0f);
    ReportProgress(0.0f);
    return 1;
}
