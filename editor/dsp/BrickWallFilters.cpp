// The four brick-wall filters. Each builds a mask of ones and zeros over the
// 16384 bins of the transform and runs ApplySpectralMask, which filters the
// selection one channel and one 8193-frame block at a time.
#include "CWaveEffects.h"
#include "EffectDriver.h"
#include "FFT.h"
#include "FrequencyMask.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <vector>

namespace {
constexpr int kBlockFrames = CWaveEffects::kMaskSize / 2 + 1;  // 8193
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
    std::vector<uint8_t> block(static_cast<std::size_t>(blockBytes));
    const int64_t total = wave.FramesToBytes(SelectionFrames());
    std::vector<float> input(kMaskSize), real(kMaskSize), imag(kMaskSize);
    std::vector<float> outReal(kMaskSize), outImag(kMaskSize);
    const FFTPlan forward(kMaskSize, false);
    const FFTPlan inverse(kMaskSize, true);

    ReportProgress(0.0f);
    bool complete = true;
    for (int c = 0; c < format.channels && complete; ++c) {
        int64_t done = 0;
        while (done < total) {
            // Blocks stop at the selection's end, so frames after it stay as they are.
            const auto want = static_cast<std::size_t>(std::min(blockBytes, total - done));
            const int64_t offset = wave.FramesToBytes(wave.m_nSelBegin) + done;
            const std::size_t read = ReadWaveAt(wave, offset, block.data(), want);
            if (read == 0) {
                complete = false;
                break;
            }
            const int frames = wave.BytesToFrames(static_cast<int64_t>(read));
            for (int j = 0; j < frames; ++j)
                input[j] = ::ReadSample(block.data(), format, c, j);
            std::fill(input.begin() + frames, input.end(), 0.0f);

            if (!forward.Transform(input.data(), nullptr, real.data(), imag.data())) {
                complete = false;
                break;
            }
            for (int k = 0; k < kMaskSize; ++k) {
                real[k] *= mask[k];
                imag[k] *= mask[k];
            }
            if (!inverse.Transform(real.data(), imag.data(), outReal.data(), outImag.data())) {
                complete = false;
                break;
            }
            for (int j = 0; j < frames; ++j)
                ::WriteSample(block.data(), format, c, j, outReal[j]);
            if (!WriteWaveAt(wave, offset, block.data(), read)) {
                complete = false;
                break;
            }
            done += static_cast<int64_t>(read);
            ReportProgress(static_cast<float>(
                std::min<int64_t>(done * 100 / total / format.channels + 50 * c, 100)));
        }
    }
    ReportProgress(100.0f);
    ReportProgress(0.0f);
    return complete;
}
