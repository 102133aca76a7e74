// The four brick-wall filters. Each builds a mask of ones and zeros over the
// 16384 bins of the transform and runs ApplySpectralMask, which filters the
// selection one channel and one 8193-frame block at a time, each block on its
// own, zero-padded to 16384 points; two blocks go through one transform, whose
// bins stay in the transform's own order between forward and inverse.
#include "CWaveEffects.h"
#include "EffectDriver.h"
#include "FilterFFT.h"
#include "FrequencyMask.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int kBlockFrames = CWaveEffects::kMaskSize / 2 + 1;  // 8193

// The part of a mask that reaches the real output of a real block: bin k and
// bin N - k averaged (the mask mirrors about the middle of the array, not
// about N / 2, so the two differ at the band edges). Being even, it keeps a
// real block's spectrum conjugate-symmetric, so two real blocks can share one
// complex transform, one in the real and one in the imaginary part.
std::vector<float> EvenMask(const float* mask)
{
    const int n = CWaveEffects::kMaskSize;
    std::vector<float> even(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        even[k] = 0.5f * (mask[k] + mask[(n - k) % n]);
    return even;
}

}  // namespace

bool CWaveEffects::Filter(BrickWall kind, float low, float high)
{
    std::vector<float> mask(kMaskSize);
    if (!Format().IsSupported() || !BuildBrickWallMask(kind, low, high, m_pWave->m_nSamplesPerSec, mask.data()))
        return false;
    return ApplySpectralMask(mask.data());
}

bool CWaveEffects::LowPass(float cutoff) { return Filter(BrickWall::LowPass, cutoff, 0.0f); }
bool CWaveEffects::HighPass(float cutoff) { return Filter(BrickWall::HighPass, cutoff, 0.0f); }
bool CWaveEffects::BandPass(float low, float high) { return Filter(BrickWall::BandPass, low, high); }
bool CWaveEffects::BandStop(float low, float high) { return Filter(BrickWall::BandStop, low, high); }

bool CWaveEffects::ApplySpectralMask(const float* mask)
{
    CRMWave& wave = *m_pWave;
    const SampleFormat format = Format();
    if (!format.IsSupported())
        return false;
    const int64_t blockBytes = wave.FramesToBytes(kBlockFrames);
    const int64_t start = wave.FramesToBytes(wave.m_nSelBegin);
    const int64_t total = wave.FramesToBytes(SelectionFrames());
    const FilterFFT fft(kMaskSize);
    // The even mask in the order the forward transform leaves the bins.
    const std::vector<float> evenByBin = EvenMask(mask);
    std::vector<float> even(evenByBin.size());
    for (int k = 0; k < kMaskSize; ++k)
        even[static_cast<std::size_t>(fft.Position(k))] = evenByBin[static_cast<std::size_t>(k)];
    std::array<std::vector<uint8_t>, 2> bytes;
    for (auto& b : bytes)
        b.resize(static_cast<std::size_t>(blockBytes));
    std::vector<float> re(kMaskSize), im(kMaskSize);

    ReportProgress(0.0f);
    bool complete = true;
    for (int c = 0; c < format.channels && complete; ++c) {
        int64_t done = 0;
        while (done < total && complete) {
            // Two consecutive blocks, the first in the real part, the second
            // (or zeros) in the imaginary part. Blocks stop at the selection's
            // end, so frames after it stay as they are.
            std::array<std::size_t, 2> read{};
            std::fill(re.begin(), re.end(), 0.0f);
            std::fill(im.begin(), im.end(), 0.0f);
            int64_t next = done;
            for (int i = 0; i < 2 && next < total; ++i) {
                const auto want = static_cast<std::size_t>(std::min(blockBytes, total - next));
                read[i] = wave.ReadAt(start + next, bytes[i].data(), want);
                if (read[i] == 0)
                    break;
                DecodeChannel(bytes[i].data(), format, c, wave.BytesToFrames(static_cast<int64_t>(read[i])),
                              i == 0 ? re.data() : im.data());
                next += static_cast<int64_t>(read[i]);
            }
            if (read[0] == 0) {
                complete = false;
                break;
            }
            fft.Forward(re.data(), im.data());
            for (int k = 0; k < kMaskSize; ++k) {
                re[k] *= even[k];
                im[k] *= even[k];
            }
            fft.Inverse(re.data(), im.data());
            for (int i = 0; i < 2 && read[i] > 0; ++i) {
                EncodeChannel(bytes[i].data(), format, c, wave.BytesToFrames(static_cast<int64_t>(read[i])),
                              i == 0 ? re.data() : im.data());
                if (!wave.WriteAt(start + done, bytes[i].data(), read[i])) {
                    complete = false;
                    break;
                }
                done += static_cast<int64_t>(read[i]);
                ReportProgress(static_cast<float>(
                    std::min<int64_t>(done * 100 / total / format.channels + 50 * c, 100)));
            }
            if (complete && read[1] == 0 && done < total)
                complete = false;  // the second block could not be read
        }
    }
    ReportProgress(100.0f);
    ReportProgress(0.0f);
    return complete;
}
