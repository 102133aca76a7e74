#include "EffectDriver.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>

PlanarBlock::PlanarBlock(int channels, int frames)
    : m_frames(frames), m_samples(static_cast<std::size_t>(channels) * static_cast<std::size_t>(frames)),
      m_pointers(static_cast<std::size_t>(channels))
{
    for (int c = 0; c < channels; ++c)
        m_pointers[c] = m_samples.data() + static_cast<std::size_t>(c) * static_cast<std::size_t>(frames);
}

void PlanarBlock::Decode(const uint8_t* bytes, const SampleFormat& format, int frames)
{
    for (int c = 0; c < format.channels; ++c)
        DecodeChannel(bytes, format, c, std::min(frames, m_frames), m_pointers[c]);
}

void PlanarBlock::Encode(uint8_t* bytes, const SampleFormat& format, int frames) const
{
    for (int c = 0; c < format.channels; ++c)
        EncodeChannel(bytes, format, c, std::min(frames, m_frames), m_pointers[c]);
}

SampleFormat FormatOf(const CRMWave& wave)
{
    return SampleFormat{wave.m_nChannels, wave.m_nBitsPerSample / 8};
}

int PercentOf(int64_t done, int64_t total)
{
    if (total <= 0)
        return 0;
    return static_cast<int>(std::min<int64_t>(done * 100 / total, 100));
}

std::size_t ReadWaveAt(CRMWave& wave, int64_t byteOffset, void* buffer, std::size_t count)
{
    wave.SeekToFrame(wave.BytesToFrames(byteOffset));
    return wave.ReadData(buffer, count);
}

bool WriteWaveAt(CRMWave& wave, int64_t byteOffset, const void* buffer, std::size_t count)
{
    wave.SeekToFrame(wave.BytesToFrames(byteOffset));
    return wave.WriteData(buffer, count);
}

void RunInPlace(CRMWave& wave, FrameProcessor* processor)
{
    const SampleFormat format = FormatOf(wave);
    const bool supported = format.IsSupported();
    const int blockFrames = supported ? FramesPerBlock(format) : 0;
    const int64_t blockBytes = int64_t{blockFrames} * format.BlockAlign();
    int64_t position = wave.FramesToBytes(wave.m_nSelBegin);
    const int64_t total = wave.FramesToBytes(int64_t{wave.m_nSelEnd} - wave.m_nSelBegin);
    std::vector<uint8_t> buffer(static_cast<std::size_t>(blockBytes));
    PlanarBlock planar(supported ? format.channels : 0, blockFrames);
    std::vector<float> interleaved(supported ? static_cast<std::size_t>(blockFrames) * format.channels : 0);
    int64_t done = 0;

    for (;;) {
        ReportProgress(static_cast<float>(PercentOf(done, total)));
        if (done >= total || !supported)
            break;
        const auto want = static_cast<std::size_t>(std::min(blockBytes, total - done));
        if (!processor) {
            done += static_cast<int64_t>(want);
            continue;
        }
        const std::size_t read = ReadWaveAt(wave, position, buffer.data(), want);
        const int frames = static_cast<int>(read / static_cast<std::size_t>(format.BlockAlign()));
        if (frames == 0)  // the selection runs past the end of the file
            break;
        const std::size_t part = static_cast<std::size_t>(frames) * static_cast<std::size_t>(format.BlockAlign());
        const int64_t first = wave.BytesToFrames(done);
        const int samples = frames * format.channels;
        const SampleFormat run{1, format.bytesPerSample};
        DecodeChannel(buffer.data(), run, 0, samples, interleaved.data());
        if (processor->ProcessInterleaved(interleaved.data(), format.channels, frames, first)) {
            EncodeChannel(buffer.data(), run, 0, samples, interleaved.data());
        } else {
            planar.Decode(buffer.data(), format, frames);
            processor->Process(planar.Channels(), format.channels, frames, first);
            planar.Encode(buffer.data(), format, frames);
        }
        if (!WriteWaveAt(wave, position, buffer.data(), part))
            break;
        done += static_cast<int64_t>(part);
        position += static_cast<int64_t>(part);
    }
    ReportProgress(0.0f);
}
