// The driver writes each block after its own progress report and pump step,
// whether the processor takes blocks one at a time or several at once: at
// every report the blocks before it hold their new samples and the rest
// their old ones, as when blocks are read, rewritten and written one by one.
#include "EffectFixture.h"

#include "dsp/BassBoost.h"
#include "dsp/EffectDriver.h"
#include "dsp/Gain.h"

#include <functional>
#include <memory>

using namespace dsptest;

namespace {

// The document's bytes at every progress report.
class SnapshotEvents : public RecordingEvents {
public:
    explicit SnapshotEvents(EffectDoc& doc) : m_doc(doc) {}
    void FireProgress(float percent) override
    {
        RecordingEvents::FireProgress(percent);
        snapshots.push_back(m_doc.Bytes());
    }
    std::vector<std::vector<uint8_t>> snapshots;

private:
    EffectDoc& m_doc;
};

// Hands only whole single blocks to the processor it wraps: the driver's
// plainest walk, the reference for the others.
class OneBlockAtATime : public FrameProcessor {
public:
    explicit OneBlockAtATime(FrameProcessor& inner) : m_inner(inner) {}
    void Process(float* const* channels, int channelCount, int frames, int64_t first) override
    {
        m_inner.Process(channels, channelCount, frames, first);
    }

private:
    FrameProcessor& m_inner;
};

}  // namespace

TEST(EffectDriver, EachBlockIsWrittenAfterItsOwnReport)
{
    constexpr int kBlockFrames = 16384;  // 64 KB of stereo 16-bit frames
    constexpr int kFrames = 20 * kBlockFrames + 8000;
    constexpr int kBegin = 777, kEnd = kFrames - 333;
    const std::vector<std::pair<const char*, std::function<std::unique_ptr<FrameProcessor>()>>> cases = {
        {"gain", [] { return std::make_unique<GainProcessor>(0.5f); }},
        {"bass boost", [] { return std::make_unique<BassBoostProcessor>(LowShelfCoefficients(200.0f, 44100, 3.0f)); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        const auto samples = Interleave({Noise(kFrames, 20000, 3), Sine(kFrames, 90, 44100, 9000)});

        EffectDoc reference(2, 44100, 16);
        reference.Append16(samples);
        reference.Select(kBegin, kEnd);
        auto inner = make();
        OneBlockAtATime plain(*inner);
        RunInPlace(reference.wave, &plain);
        const auto expected = reference.Bytes();

        EffectDoc doc(2, 44100, 16);
        doc.Append16(samples);
        doc.Select(kBegin, kEnd);
        const auto original = doc.Bytes();
        auto processor = make();
        SnapshotEvents events(doc);
        RunInPlace(doc.wave, processor.get());
        EXPECT_EQ(doc.Bytes(), expected);

        const std::size_t begin = kBegin * 4, end = kEnd * 4, blockBytes = kBlockFrames * 4;
        const std::size_t blocks = (end - begin + blockBytes - 1) / blockBytes;
        ASSERT_EQ(events.snapshots.size(), blocks + 2);  // one per block, one at the end, then 0
        for (std::size_t i = 0; i <= blocks; ++i) {
            auto mixed = original;
            const std::size_t written = std::min(begin + i * blockBytes, end);
            std::copy(expected.begin() + static_cast<std::ptrdiff_t>(begin),
                      expected.begin() + static_cast<std::ptrdiff_t>(written),
                      mixed.begin() + static_cast<std::ptrdiff_t>(begin));
            EXPECT_TRUE(events.snapshots[i] == mixed) << "at report " << i;
        }
        EXPECT_TRUE(events.snapshots.back() == expected);
        EXPECT_EQ(events.pumps, static_cast<int>(blocks) + 2);
    }
}
