// CWmaReader against a scripted runtime: the Read contract, the position,
// the pacing of the delivery time and the open statuses.

#include "codecs/wma/CWmaReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// What the scripted runtime does and what it was told; shared with the test,
// since the reader owns the runtime.
struct Script {
    bool reportOpened = true;
    bool noRights = false;
    bool openFails = false;
    bool countFails = false;
    bool refuseClock = false;
    std::vector<MediaOutputInfo> outputs{{kMediaTypeAudio, WaveFormat::Pcm(2, 44100, 16)}};
    uint64_t duration = 123'450'000;  // 12,345 ms
    uint32_t bitrate = 64000;

    std::mutex mutex;
    std::vector<uint64_t> deliveries;
    bool stopped = false;

    std::vector<uint64_t> Deliveries()
    {
        std::lock_guard guard(mutex);
        return deliveries;
    }
};

class ScriptedRuntime final : public IMediaReader {
public:
    explicit ScriptedRuntime(std::shared_ptr<Script> script) : m_script(std::move(script)) {}
    ~ScriptedRuntime() override { Stop(); }

    HResult Open(const std::string&, IMediaReaderCallback* callback) override
    {
        if (m_script->openFails)
            return kErrFileOpen;
        m_callback = callback;
        if (m_script->noRights)
            callback->OnStatus(StatusNoRights, kErrFail);
        else if (m_script->reportOpened)
            callback->OnStatus(StatusOpened, kOk);
        return kOk;
    }
    HResult GetOutputCount(uint32_t& count) override
    {
        if (m_script->countFails)
            return kErrFail;
        count = static_cast<uint32_t>(m_script->outputs.size());
        return kOk;
    }
    HResult GetOutputProps(uint32_t output, MediaOutputInfo& info) override
    {
        if (output >= m_script->outputs.size())
            return kErrInvalidOutput;
        info = m_script->outputs[output];
        return kOk;
    }
    HResult GetDuration(uint64_t& duration) override
    {
        duration = m_script->duration;
        return kOk;
    }
    HResult GetBitrate(uint32_t& bitsPerSecond) override
    {
        bitsPerSecond = m_script->bitrate;
        return kOk;
    }
    HResult SetUserProvidedClock(bool) override { return m_script->refuseClock ? kErrFail : kOk; }
    HResult Start() override
    {
        m_callback->OnStatus(StatusStarted, kOk);
        return kOk;
    }
    HResult DeliverTime(uint64_t time) override
    {
        std::lock_guard guard(m_script->mutex);
        m_script->deliveries.push_back(time);
        return kOk;
    }
    HResult Stop() override
    {
        if (m_thread.joinable())
            m_thread.join();
        std::lock_guard guard(m_script->mutex);
        m_script->stopped = true;
        return kOk;
    }

    // Runs `work` on the runtime's own thread, joined by Stop.
    template <typename Work>
    void RunOnThread(Work work)
    {
        m_thread = std::thread(std::move(work));
    }

private:
    std::shared_ptr<Script> m_script;
    IMediaReaderCallback* m_callback = nullptr;
    std::thread m_thread;
};

struct Opened {
    std::shared_ptr<Script> script;
    ScriptedRuntime* runtime = nullptr;
    int32_t status = -1;
    const WaveFormat* format = nullptr;
    std::unique_ptr<CWmaReader> reader;
};

Opened Open(std::shared_ptr<Script> script = std::make_shared<Script>(), std::chrono::milliseconds wait = 2s)
{
    Opened o;
    o.script = script;
    auto runtime = std::make_unique<ScriptedRuntime>(script);
    o.runtime = runtime.get();
    o.reader = std::make_unique<CWmaReader>("scripted.wma", o.status, &o.format, std::move(runtime), wait);
    return o;
}

std::vector<uint8_t> Bytes(std::size_t count, uint8_t first = 1)
{
    std::vector<uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

}  // namespace

TEST(WmaReader, OpensWithTheAudioOutputsFormatDurationAndBitRate)
{
    Opened o = Open();
    ASSERT_EQ(o.status, 0);
    ASSERT_NE(o.format, nullptr);
    EXPECT_EQ(o.format->nChannels, 2);
    EXPECT_EQ(o.format->nSamplesPerSec, 44100u);
    EXPECT_EQ(o.format->wBitsPerSample, 16);
    EXPECT_EQ(o.format->nBlockAlign, 4);
    EXPECT_EQ(o.reader->Duration(), 12345u);
    EXPECT_EQ(o.reader->BitRate(), 64000);
    EXPECT_EQ(o.reader->Capacity(), 441000u);
    // The started status gave the first half second.
    EXPECT_EQ(o.script->Deliveries(), std::vector<uint64_t>{5'000'000});
}

TEST(WmaReader, ReadReturnsWholeBlocksOnlyAndNeverWaits)
{
    Opened o = Open();
    ASSERT_EQ(o.status, 0);
    const std::vector<uint8_t> ten = Bytes(10);
    o.reader->OnSample(0, 0, 0, 0, ten.data(), 10);

    std::vector<uint8_t> out(76400, 0);
    bool done = true;
    int32_t position = -5;
    uint32_t duration = 0;
    EXPECT_EQ(o.reader->Read(out.data(), 76400, done, position, duration), 8u);
    EXPECT_FALSE(done);
    EXPECT_EQ(duration, 12345u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 8, ten.begin()));

    // Two bytes stay behind: no block to hand out, and the stream goes on.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(o.reader->Read(out.data(), 76400, done, position, duration), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);  // nothing else is coming
    EXPECT_FALSE(done);

    // They complete a block once more bytes come.
    const std::vector<uint8_t> two = Bytes(2, 100);
    o.reader->OnSample(0, 0, 0, 0, two.data(), 2);
    EXPECT_EQ(o.reader->Read(out.data(), 76400, done, position, duration), 4u);
    EXPECT_EQ(out[0], ten[8]);
    EXPECT_EQ(out[1], ten[9]);
    EXPECT_EQ(out[2], 100);
    EXPECT_EQ(out[3], 101);
}

TEST(WmaReader, DoneOnlyOnceEndedAndDrained)
{
    Opened o = Open();
    ASSERT_EQ(o.status, 0);
    const std::vector<uint8_t> data = Bytes(4000);
    o.reader->OnSample(0, 0, 0, 0, data.data(), 4000);
    o.reader->OnStatus(StatusEndOfFile, kOk);

    std::vector<uint8_t> out(1000);
    bool done = false;
    int32_t position = 0;
    uint32_t duration = 0;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(o.reader->Read(out.data(), 1000, done, position, duration), 1000u);
        EXPECT_FALSE(done);
    }
    EXPECT_EQ(o.reader->Read(out.data(), 1000, done, position, duration), 0u);
    EXPECT_TRUE(done);
}

TEST(WmaReader, APartialBlockLeftAtTheEndIsDroppedAndTheStreamDone)
{
    Opened o = Open();
    ASSERT_EQ(o.status, 0);
    const std::vector<uint8_t> ten = Bytes(10);
    o.reader->OnSample(0, 0, 0, 0, ten.data(), 10);
    o.reader->OnStatus(StatusError, kErrFail);
    std::vector<uint8_t> out(64);
    bool done = false;
    int32_t position = 0;
    uint32_t duration = 0;
    EXPECT_EQ(o.reader->Read(out.data(), 64, done, position, duration), 8u);
    EXPECT_FALSE(done);
    EXPECT_EQ(o.reader->Read(out.data(), 64, done, position, duration), 0u);
    EXPECT_TRUE(done);
}

TEST(WmaReader, PositionStartsAtTheFirstSampleAndAdvancesWithWhatWasRead)
{
    Opened o = Open();
    ASSERT_EQ(o.status, 0);
    std::vector<uint8_t> out(76400);
    bool done = false;
    int32_t position = -1;
    uint32_t duration = 0;
    EXPECT_EQ(o.reader->Read(out.data(), 76400, done, position, duration), 0u);
    EXPECT_EQ(position, 0);  // nothing yet

    const std::vector<uint8_t> tenth(17640, 7);  // 0.1 s at 176,400 bytes per second
    o.reader->OnSample(0, 20'000'000, 1'000'000, 0, tenth.data(), 17640);
    o.reader->OnSample(0, 21'000'000, 1'000'000, 0, tenth.data(), 17640);
    EXPECT_EQ(o.reader->Read(out.data(), 17640, done, position, duration), 17640u);
    EXPECT_EQ(position, 2000);
    EXPECT_EQ(o.reader->Read(out.data(), 17640, done, position, duration), 17640u);
    EXPECT_EQ(position, 2100);
    EXPECT_EQ(o.reader->Read(out.data(), 17640, done, position, duration), 0u);
    EXPECT_EQ(position, 2200);
}

TEST(WmaReader, SamplesOfOtherOutputsAreIgnored)
{
    auto script = std::make_shared<Script>();
    script->outputs = {{kMediaTypeVideo, WaveFormat{}},
                       {kMediaTypeAudio, WaveFormat::Pcm(1, 22050, 16)},
                       {kMediaTypeAudio, WaveFormat::Pcm(2, 44100, 16)}};
    Opened o = Open(script);
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(o.format->nChannels, 1);
    EXPECT_EQ(o.format->nSamplesPerSec, 22050u);
    EXPECT_EQ(o.reader->Capacity(), 110250u);

    const std::vector<uint8_t> data = Bytes(100);
    o.reader->OnSample(0, 0, 0, 0, data.data(), 100);
    o.reader->OnSample(2, 0, 0, 0, data.data(), 100);
    o.reader->OnSample(1, 0, 0, 0, data.data(), 100);
    std::vector<uint8_t> out(1000);
    bool done = false;
    int32_t position = 0;
    uint32_t duration = 0;
    EXPECT_EQ(o.reader->Read(out.data(), 1000, done, position, duration), 100u);
}

TEST(WmaReader, DeliveryAdvancesInHalfSecondsOnlyBelowSixtyPercent)
{
    Opened o = Open();
    ASSERT_EQ(o.status, 0);
    CWmaReader& reader = *o.reader;

    reader.OnTime(5'000'000);  // empty buffer: advance
    EXPECT_EQ(o.script->Deliveries(), (std::vector<uint64_t>{5'000'000, 10'000'000}));

    // 60 % of 441,000 bytes: too full, the runtime waits.
    const std::vector<uint8_t> block(264600, 0);
    reader.OnSample(0, 0, 0, 0, block.data(), 264600);
    reader.OnTime(10'000'000);
    EXPECT_EQ(o.script->Deliveries().size(), 2u);

    // A read that leaves the buffer at 59.99 % resumes it.
    std::vector<uint8_t> out(76400);
    bool done = false;
    int32_t position = 0;
    uint32_t duration = 0;
    EXPECT_EQ(reader.Read(out.data(), 4, done, position, duration), 4u);
    EXPECT_EQ(o.script->Deliveries().size(), 2u);  // the check comes before the copy
    EXPECT_EQ(reader.Read(out.data(), 4, done, position, duration), 4u);
    EXPECT_EQ(o.script->Deliveries(), (std::vector<uint64_t>{5'000'000, 10'000'000, 15'000'000}));

    // Not waiting any more: further reads do not advance it again.
    EXPECT_EQ(reader.Read(out.data(), 76400, done, position, duration), 76400u);
    EXPECT_EQ(o.script->Deliveries().size(), 3u);

    // Once the stream has ended, time notifications change nothing.
    reader.OnStatus(StatusEndOfFile, kOk);
    reader.OnTime(15'000'000);
    EXPECT_EQ(o.script->Deliveries().size(), 3u);
}

TEST(WmaReader, ASampleLargerThanTheFreeRoomWaitsInsteadOfBeingDropped)
{
    Opened o = Open();
    ASSERT_EQ(o.status, 0);
    CWmaReader& reader = *o.reader;
    const uint32_t capacity = reader.Capacity();
    const std::vector<uint8_t> nearlyFull(capacity - 4, 1);
    reader.OnSample(0, 0, 0, 0, nearlyFull.data(), capacity - 4);

    const std::vector<uint8_t> late = Bytes(400);
    o.runtime->RunOnThread([&reader, &late] { reader.OnSample(0, 0, 0, 0, late.data(), 400); });

    std::vector<uint8_t> out(76400);
    std::size_t total = 0;
    bool done = false;
    int32_t position = 0;
    uint32_t duration = 0;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (total < capacity - 4 + 400 && std::chrono::steady_clock::now() < deadline) {
        total += reader.Read(out.data(), 76400, done, position, duration);
        reader.WaitForData(5ms);
    }
    EXPECT_EQ(total, capacity - 4 + 400u);
    o.runtime->Stop();
}

TEST(WmaReader, DestructionReleasesASampleWaitingForRoom)
{
    Opened o = Open();
    ASSERT_EQ(o.status, 0);
    CWmaReader& reader = *o.reader;
    const std::vector<uint8_t> full(reader.Capacity(), 1);
    reader.OnSample(0, 0, 0, 0, full.data(), reader.Capacity());
    const std::vector<uint8_t> more = Bytes(40);
    o.runtime->RunOnThread([&reader, &more] { reader.OnSample(0, 0, 0, 0, more.data(), 40); });
    std::this_thread::sleep_for(50ms);
    const auto before = std::chrono::steady_clock::now();
    o.reader.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    EXPECT_TRUE(o.script->stopped);
}

TEST(WmaReader, OpenStatuses)
{
    {
        auto script = std::make_shared<Script>();
        script->openFails = true;
        Opened o = Open(script);
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.format, nullptr);
    }
    {
        auto script = std::make_shared<Script>();
        script->outputs = {{kMediaTypeVideo, WaveFormat{}}};
        EXPECT_EQ(Open(script).status, 2);
    }
    {
        auto script = std::make_shared<Script>();
        script->countFails = true;
        EXPECT_EQ(Open(script).status, 2);
    }
    {
        auto script = std::make_shared<Script>();
        script->noRights = true;
        EXPECT_EQ(Open(script).status, 4);
    }
    {
        auto script = std::make_shared<Script>();
        script->refuseClock = true;
        EXPECT_EQ(Open(script).status, 1);
    }
}

TEST(WmaReader, TheOpenWaitIsBounded)
{
    auto script = std::make_shared<Script>();
    script->reportOpened = false;
    const auto before = std::chrono::steady_clock::now();
    Opened o = Open(script, 200ms);
    const auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.format, nullptr);
    EXPECT_GE(waited, 200ms);
    EXPECT_LT(waited, 2s);
    EXPECT_EQ(CWmaReader::kOpenWait, 10s);
}

TEST(WmaReader, BufferSizes)
{
    const WaveFormat stereo = WaveFormat::Pcm(2, 44100, 16);
    EXPECT_EQ(WmaRingCapacity(stereo), 441000u);
    EXPECT_EQ(WmaTransferBufferSize(stereo), 176400u);
    EXPECT_EQ(WmaReadSize(stereo), 76400u);

    const WaveFormat mono = WaveFormat::Pcm(1, 16000, 16);
    EXPECT_EQ(WmaRingCapacity(mono), 80000u);
    EXPECT_EQ(WmaTransferBufferSize(mono), 32000u);
    EXPECT_EQ(WmaReadSize(mono), 32000u);

    WaveFormat noAlign = stereo;
    noAlign.nBlockAlign = 0;
    EXPECT_EQ(WmaTransferBufferSize(noAlign), 176400u);
}
