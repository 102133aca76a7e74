#pragma once
// The driver that streams a document's selection through an effect. It owns
// the file access, the block sizes (always whole frames), the progress reports
// and the message-pump steps; a processor only rewrites samples.

#include "SampleCodec.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CRMWave;

// Rewrites a span of frames held as one float array per channel, on the
// scale of ReadSample. `first` is the span's first frame counted from the
// selection start. The result is stored as WriteSample stores it.
class FrameProcessor {
public:
    virtual ~FrameProcessor() = default;
    virtual void Process(float* const* channels, int channelCount, int frames, int64_t first) = 0;
    // The same rule on interleaved samples (frame by frame), for processors
    // whose samples do not depend on one another; false when it has none.
    virtual bool ProcessInterleaved(float* /*samples*/, int /*channelCount*/, int /*frames*/, int64_t /*first*/)
    {
        return false;
    }
    // A processor whose result for a block does not depend on the blocks
    // before it may take up to this many consecutive blocks in one call.
    virtual int BlocksAtOnce() const { return 1; }
    // Rewrites `count` consecutive blocks of `frames` frames each, the first
    // starting at frame `first` of the selection.
    virtual void ProcessBlocks(float* const* const* blocks, int count, int channelCount, int frames, int64_t first)
    {
        for (int b = 0; b < count; ++b)
            Process(blocks[b], channelCount, frames, first + int64_t{b} * frames);
    }
};

// Decoded frames of a block: one float array per channel.
class PlanarBlock {
public:
    PlanarBlock(int channels, int frames);
    float* const* Channels() { return m_pointers.data(); }
    // Decodes `frames` interleaved frames, or encodes them back.
    void Decode(const uint8_t* bytes, const SampleFormat& format, int frames);
    void Encode(uint8_t* bytes, const SampleFormat& format, int frames) const;

private:
    int m_frames;
    std::vector<float> m_samples;
    std::vector<float*> m_pointers;
};

// The document's sample format.
SampleFormat FormatOf(const CRMWave& wave);

// Walks the selection in place, in blocks of FramesPerBlock frames: reports
// progress and pumps before each block, reads it, lets `processor` rewrite
// it and writes it back. (Blocks are read, and rewritten, several at a time
// ahead of their turn; each is still written after its own report and pump
// step, so the file at every step is as block by block.) Ends with a
// progress report of 0. An empty selection gives one report of 0 and then 0
// again; a document of a width the sample codec does not know is left as it
// is. A null processor walks the blocks with their reports and leaves every
// byte as it is.
void RunInPlace(CRMWave& wave, FrameProcessor* processor);

// Integer percentage done * 100 / total, capped at 100; 0 when total is 0.
int PercentOf(int64_t done, int64_t total);
