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

namespace {

// The blocks of a selection read and rewritten ahead of their turn to be
// written: one at a time, or as many as the processor takes at once.
class BlocksAhead {
public:
    BlocksAhead(const SampleFormat& format, int blockFrames, int capacity)
        : m_format(format), m_blockFrames(blockFrames), m_capacity(capacity),
          m_blockBytes(static_cast<std::size_t>(blockFrames) * static_cast<std::size_t>(format.BlockAlign())),
          m_bytes(m_blockBytes * static_cast<std::size_t>(capacity)),
          m_interleaved(capacity == 1 ? static_cast<std::size_t>(blockFrames) * static_cast<std::size_t>(format.channels) : 0)
    {
        m_planar.reserve(static_cast<std::size_t>(capacity));
        for (int b = 0; b < capacity; ++b)
            m_planar.emplace_back(format.channels, blockFrames);
    }

    // Reads blocks from `position`, no more than `remaining` bytes, up to the
    // capacity or the end of the file, and has `processor` rewrite them.
    // `first` is the first block's frame counted from the selection start.
    void Fill(CRMWave& wave, FrameProcessor& processor, int64_t position, int64_t remaining, int64_t first)
    {
        m_next = 0;
        m_frames.clear();
        const int64_t align = m_format.BlockAlign();
        while (static_cast<int>(m_frames.size()) < m_capacity && remaining > 0) {
            const auto want = static_cast<std::size_t>(std::min(static_cast<int64_t>(m_blockBytes), remaining));
            const std::size_t read = ReadWaveAt(wave, position, Block(m_frames.size()), want);
            const auto frames = static_cast<int64_t>(read) / align;
            if (frames == 0)  // the selection runs past the end of the file
                break;
            m_frames.push_back(static_cast<int>(frames));
            position += frames * align;
            remaining -= frames * align;
            if (static_cast<std::size_t>(frames * align) < want)
                break;
        }
        if (m_capacity == 1 && !m_frames.empty())
            RewriteOne(processor, m_frames[0], first);
        else
            RewriteMany(processor, first);
    }

    // The next rewritten block's bytes; empty when none is left.
    std::pair<const uint8_t*, std::size_t> Next()
    {
        if (m_next >= m_frames.size())
            return {nullptr, 0};
        const std::size_t index = m_next++;
        return {Block(index), static_cast<std::size_t>(m_frames[index]) * static_cast<std::size_t>(m_format.BlockAlign())};
    }

    bool Empty() const { return m_next >= m_frames.size(); }

private:
    uint8_t* Block(std::size_t index) { return m_bytes.data() + index * m_blockBytes; }

    void RewriteOne(FrameProcessor& processor, int frames, int64_t first)
    {
        const int samples = frames * m_format.channels;
        const SampleFormat run{1, m_format.bytesPerSample};
        DecodeChannel(Block(0), run, 0, samples, m_interleaved.data());
        if (processor.ProcessInterleaved(m_interleaved.data(), m_format.channels, frames, first)) {
            EncodeChannel(Block(0), run, 0, samples, m_interleaved.data());
            return;
        }
        m_planar[0].Decode(Block(0), m_format, frames);
        processor.Process(m_planar[0].Channels(), m_format.channels, frames, first);
        m_planar[0].Encode(Block(0), m_format, frames);
    }

    // Blocks of one length go to the processor together; only the last one
    // read can be shorter.
    void RewriteMany(FrameProcessor& processor, int64_t first)
    {
        std::vector<float* const*> channels;
        for (std::size_t b = 0; b < m_frames.size(); ++b) {
            m_planar[b].Decode(Block(b), m_format, m_frames[b]);
            channels.push_back(m_planar[b].Channels());
        }
        std::size_t b = 0;
        while (b < m_frames.size()) {
            std::size_t end = b + 1;
            while (end < m_frames.size() && m_frames[end] == m_frames[b])
                ++end;
            processor.ProcessBlocks(channels.data() + b, static_cast<int>(end - b), m_format.channels, m_frames[b],
                                    first + static_cast<int64_t>(b) * m_blockFrames);
            b = end;
        }
        for (std::size_t i = 0; i < m_frames.size(); ++i)
            m_planar[i].Encode(Block(i), m_format, m_frames[i]);
    }

    SampleFormat m_format;
    int m_blockFrames;
    int m_capacity;
    std::size_t m_blockBytes;
    std::vector<uint8_t> m_bytes;
    std::vector<float> m_interleaved;
    std::vector<PlanarBlock> m_planar;
    std::vector<int> m_frames;  // frames of each block read
    std::size_t m_next = 0;
};

}  // namespace

void RunInPlace(CRMWave& wave, FrameProcessor* processor)
{
    const SampleFormat format = FormatOf(wave);
    const bool supported = format.IsSupported();
    const int blockFrames = supported ? FramesPerBlock(format) : 0;
    const int64_t blockBytes = int64_t{blockFrames} * format.BlockAlign();
    int64_t position = wave.FramesToBytes(wave.m_nSelBegin);
    const int64_t total = wave.FramesToBytes(int64_t{wave.m_nSelEnd} - wave.m_nSelBegin);
    const int capacity = processor && supported ? std::max(1, processor->BlocksAtOnce()) : 0;
    BlocksAhead ahead(supported ? format : SampleFormat{0, 1}, blockFrames, capacity);
    int64_t done = 0;

    for (;;) {
        ReportProgress(static_cast<float>(PercentOf(done, total)));
        if (done >= total || !supported)
            break;
        if (!processor) {
            done += std::min(blockBytes, total - done);
            continue;
        }
        // Nothing in the document changes during a pump step, so a block
        // read before its own step holds what it would hold after it.
        if (ahead.Empty())
            ahead.Fill(wave, *processor, position, total - done, wave.BytesToFrames(done));
        const auto [bytes, size] = ahead.Next();
        if (size == 0 || !WriteWaveAt(wave, position, bytes, size))
            break;
        done += static_cast<int64_t>(size);
        position += static_cast<int64_t>(size);
    }
    ReportProgress(0.0f);
}
