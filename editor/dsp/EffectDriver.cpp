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

namespace {

// Blocks read with one call at a time; each is still processed and written
// as a block of its own.
constexpr int kBlocksPerRead = 8;

// The blocks of a selection read and rewritten ahead of their turn to be
// written: the processor takes them one at a time, or as many as it can.
class BlocksAhead {
public:
    BlocksAhead(const SampleFormat& format, int blockFrames, int together)
        : m_format(format), m_blockFrames(blockFrames), m_together(std::max(together, 1)),
          m_capacity(std::max(kBlocksPerRead, m_together)),
          m_blockBytes(static_cast<std::size_t>(blockFrames) * static_cast<std::size_t>(format.BlockAlign())),
          m_bytes(m_blockBytes * static_cast<std::size_t>(m_capacity)),
          m_interleaved(m_together == 1 ? static_cast<std::size_t>(blockFrames) * static_cast<std::size_t>(format.channels) : 0)
    {
        const int planar = m_together > 1 ? m_capacity : 1;
        m_planar.reserve(static_cast<std::size_t>(planar));
        for (int b = 0; b < planar; ++b)
            m_planar.emplace_back(format.channels, blockFrames);
    }

    // Reads blocks from `position`, no more than `remaining` bytes, up to the
    // capacity or the end of the file, and has `processor` rewrite them.
    // `first` is the first block's frame counted from the selection start.
    void Fill(CRMWave& wave, FrameProcessor& processor, int64_t position, int64_t remaining, int64_t first)
    {
        m_next = 0;
        m_frames.clear();
        const auto want = static_cast<std::size_t>(std::min(static_cast<int64_t>(m_bytes.size()), remaining));
        std::size_t got = wave.ReadAt(position, m_bytes.data(), want);
        const auto align = static_cast<std::size_t>(m_format.BlockAlign());
        while (got >= align) {  // less than a frame: the selection runs past the end of the file
            const std::size_t bytes = std::min(got, m_blockBytes) / align * align;
            m_frames.push_back(static_cast<int>(bytes / align));
            got -= std::min(got, m_blockBytes);
        }
        if (m_together > 1) {
            RewriteMany(processor, first);
            return;
        }
        for (std::size_t b = 0; b < m_frames.size(); ++b)
            RewriteOne(processor, b, first + static_cast<int64_t>(b) * m_blockFrames);
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

    void RewriteOne(FrameProcessor& processor, std::size_t index, int64_t first)
    {
        const int frames = m_frames[index];
        const int samples = frames * m_format.channels;
        const SampleFormat run{1, m_format.bytesPerSample};
        uint8_t* block = Block(index);
        DecodeChannel(block, run, 0, samples, m_interleaved.data());
        if (processor.ProcessInterleaved(m_interleaved.data(), m_format.channels, frames, first)) {
            EncodeChannel(block, run, 0, samples, m_interleaved.data());
            return;
        }
        m_planar[0].Decode(block, m_format, frames);
        processor.Process(m_planar[0].Channels(), m_format.channels, frames, first);
        m_planar[0].Encode(block, m_format, frames);
    }

    // Runs of blocks of one length go to the processor together, as many as
    // it takes; only the last block read can be shorter.
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
            while (end < m_frames.size() && end - b < static_cast<std::size_t>(m_together) &&
                   m_frames[end] == m_frames[b])
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
    int m_together;  // blocks the processor takes at once
    int m_capacity;  // blocks read at once
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
    const bool rewrites = supported && processor != nullptr;
    BlocksAhead ahead(rewrites ? format : SampleFormat{0, 1}, rewrites ? blockFrames : 0,
                      rewrites ? processor->BlocksAtOnce() : 1);
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
        if (size == 0 || !wave.WriteAt(position, bytes, size))
            break;
        done += static_cast<int64_t>(size);
        position += static_cast<int64_t>(size);
    }
    ReportProgress(0.0f);
}
