#include "dsp/FloatFrames.h"

#include "dsp/EffectDriver.h"
#include "dsp/SampleCodec.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <vector>

float FullScale(const CRMWave& wave)
{
    return wave.m_nBitsPerSample == 8 ? 128.0f : 32768.0f;
}

int32_t FloatFramesPerBlock(const CRMWave& wave)
{
    return std::max(1, FramesPerBlock(FormatOf(wave)));
}

bool ReadFloatFrames(CRMWave& wave, int32_t firstFrame, int32_t frames, float* samples)
{
    const SampleFormat format = FormatOf(wave);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(frames) * static_cast<std::size_t>(format.BlockAlign()));
    if (wave.ReadAt(wave.FramesToBytes(firstFrame), bytes.data(), bytes.size()) != bytes.size())
        return false;
    const float scale = 1.0f / FullScale(wave);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < format.channels; ++c)
            samples[f * format.channels + c] = ReadSample(bytes.data(), format, c, f) * scale;
    return true;
}

bool WriteFloatFrames(CRMWave& wave, int32_t firstFrame, int32_t frames, const float* samples)
{
    const SampleFormat format = FormatOf(wave);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(frames) * static_cast<std::size_t>(format.BlockAlign()));
    const float scale = FullScale(wave);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < format.channels; ++c)
            WriteSample(bytes.data(), format, c, f, samples[f * format.channels + c] * scale);
    return wave.WriteAt(wave.FramesToBytes(firstFrame), bytes.data(), bytes.size());
}

bool ForEachFloatBlock(CRMWave& wave, int32_t begin, int32_t end, const FloatBlockVisitor& visit)
{
    const int32_t perBlock = FloatFramesPerBlock(wave);
    std::vector<float> samples(static_cast<std::size_t>(perBlock) * static_cast<std::size_t>(wave.m_nChannels));
    for (int32_t first = begin; first < end;) {
        const int32_t frames = std::min(perBlock, end - first);
        if (!ReadFloatFrames(wave, first, frames, samples.data()) || !visit(samples.data(), frames, first))
            return false;
        first += frames;
        PumpMessages();
    }
    return true;
}
