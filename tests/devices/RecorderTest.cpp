// Recording through CWavePlayer, CRecordSound and CWriteSoundFile against the
// test double of the input device: the messages each thread handles and
// their order, the blocks that reach the document, and the failure paths.

#include "DocumentHelpers.h"
#include "FakeWaveDevices.h"
#include "TestEvents.h"

#include "devices/CWavePlayer.h"
#include "devices/RecordMessages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>

namespace {

using Trace = std::vector<uint32_t>;

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        player.m_pWave = &wave;
        player.SetDevices(&devices);
        player.SetThreadTrace([this](const char* thread, uint32_t message) {
            std::lock_guard lock(traceMutex);
            (std::string(thread) == "CRecordSound" ? recorderTrace : writerTrace).push_back(message);
        });
    }

    // The counting pattern the double fills its buffers with, from sample 0.
    static std::vector<uint8_t> PatternSamples(std::size_t bytes)
    {
        std::vector<uint8_t> out(bytes);
        for (std::size_t i = 0; i + 1 < bytes; i += 2) {
            const auto v = static_cast<uint16_t>(i / 2);
            out[i] = static_cast<uint8_t>(v);
            out[i + 1] = static_cast<uint8_t>(v >> 8);
        }
        return out;
    }

    CRMWave wave;
    FakeWaveDevices devices;
    CWavePlayer player;
    TestEvents events{player};
    std::mutex traceMutex;
    Trace recorderTrace, writerTrace;
};

TEST_F(RecorderTest, TimeLimitEndsTheRecordingWithTheMessagesInOrder)
{
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, {}));
    devices.in.partialOnStop = 300;
    // One buffer of 1000 frames per message step while the device runs.
    events.onPump = [this] { devices.Deliver(); };

    // 0.1 s = 8820 bytes: the recording ends once 5 blocks of 2000 bytes are in.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(player.Record(0.1f), 1);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GT(seconds, 0.9);  // the wait after WM_RECORD_STOP
    EXPECT_LT(seconds, 10.0);

    std::lock_guard lock(traceMutex);
    // Recorder: the writer first, then start; data; stop; the buffers the stop
    // and the reset handed back; quit.
    ASSERT_GE(recorderTrace.size(), 4u);
    EXPECT_EQ(recorderTrace[0], WM_RECORD_SETWRITER);
    EXPECT_EQ(recorderTrace[1], WM_RECORD_START);
    EXPECT_EQ(recorderTrace.back(), WM_RECORD_QUIT);
    const auto stop = std::find(recorderTrace.begin(), recorderTrace.end(), WM_RECORD_STOP);
    ASSERT_NE(stop, recorderTrace.end());
    EXPECT_TRUE(std::all_of(recorderTrace.begin() + 2, stop, [](uint32_t m) { return m == MM_WIM_DATA; }));
    // 25 buffers were queued: one partial comes back from the stop, 24 from the reset.
    EXPECT_EQ(std::count(stop + 1, recorderTrace.end() - 1, MM_WIM_DATA), 25);

    // Writer: start, blocks, stop, then the 25 handed-back blocks, quit.
    ASSERT_GE(writerTrace.size(), 3u);
    EXPECT_EQ(writerTrace.front(), WM_WRITE_START);
    EXPECT_EQ(writerTrace.back(), WM_WRITE_QUIT);
    const auto writeStop = std::find(writerTrace.begin(), writerTrace.end(), WM_WRITE_STOP);
    ASSERT_NE(writeStop, writerTrace.end());
    const auto written = std::count(writerTrace.begin(), writeStop, WM_WRITE_BLOCK);
    EXPECT_EQ(std::count(writeStop + 1, writerTrace.end() - 1, WM_WRITE_BLOCK), 25);
    EXPECT_GE(written, 5);

    // The document holds exactly the blocks that came before WM_WRITE_STOP:
    // whole buffers of the pattern, no partial block.
    EXPECT_EQ(wave.m_nLength, written * 1000);
    EXPECT_EQ(DocumentBytes(wave), PatternSamples(static_cast<std::size_t>(written) * 2000));

    // The device: opened, 25 buffers, started, then stop, reset, close.
    const auto calls = devices.InCalls();
    ASSERT_GE(calls.size(), 27u);
    EXPECT_EQ(calls[0], "open");
    EXPECT_TRUE(std::all_of(calls.begin() + 1, calls.begin() + 26, [](const std::string& c) { return c == "add"; }));
    EXPECT_EQ(calls[26], "start");
    const auto deviceStop = std::find(calls.begin(), calls.end(), "stop");
    ASSERT_NE(deviceStop, calls.end());
    ASSERT_LE(deviceStop + 3, calls.end());
    EXPECT_EQ(*(deviceStop + 1), "reset");
    EXPECT_EQ(*(deviceStop + 2), "close");

    // Progress below 100 while recording, then 100 and 0; the status back at idle.
    const auto progress = events.Progress();
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(progress.front(), 0.0f);
    EXPECT_EQ(progress[progress.size() - 2], 100.0f);
    EXPECT_EQ(progress.back(), 0.0f);
    EXPECT_TRUE(std::all_of(progress.begin(), progress.end() - 2, [](float p) { return p >= 0 && p < 100; }));
    EXPECT_EQ(events.Statuses().front(), CWavePlayer::PlayerRecording);
    EXPECT_EQ(events.Statuses().back(), CWavePlayer::PlayerIdle);
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
    EXPECT_EQ(player.RecordTime(), 0.0f);
}

TEST_F(RecorderTest, StopFromTheHostEndsAnUnlimitedRecording)
{
    ASSERT_TRUE(FillDocument(wave, 2, 22050, 16, {}));
    int32_t statusAfterStop = -1;
    float recordTimeSeen = 0;
    events.onPump = [&] {
        if (player.GetStatus() != CWavePlayer::PlayerRecording)
            return;
        devices.Deliver();
        recordTimeSeen = std::max(recordTimeSeen, player.RecordTime());
        if (player.GetRecordPos() >= 3000) {
            player.Stop();
            statusAfterStop = player.GetStatus();
        }
    };

    EXPECT_EQ(player.Record(0.0f), 1);

    EXPECT_EQ(statusAfterStop, CWavePlayer::PlayerIdle);
    EXPECT_GE(recordTimeSeen, 3000 / 22050.0f);
    // Stereo 16-bit: 4000-byte blocks; at least the three counted are in.
    EXPECT_GE(wave.m_nLength, 3000);
    EXPECT_EQ(wave.m_nLength % 1000, 0);
    EXPECT_EQ(DocumentBytes(wave), PatternSamples(static_cast<std::size_t>(wave.m_nLength) * 4));
}

TEST_F(RecorderTest, BuffersFilledUpToTheStopAreKeptAndThePartialOneDropped)
{
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, {}));
    // The device still holds two full buffers when it is stopped, and a third
    // partly filled: the two come back from the stop, behind WM_RECORD_STOP.
    devices.in.fullOnStop = 2;
    devices.in.partialOnStop = 500;
    events.onPump = [&] {
        if (player.GetStatus() != CWavePlayer::PlayerRecording)
            return;
        devices.Deliver();
        if (player.GetRecordPos() >= 3000)
            player.Stop();
    };

    EXPECT_EQ(player.Record(0.0f), 1);

    std::lock_guard lock(devices.inMutex);
    ASSERT_GE(devices.in.delivered, 5);  // at least three while running, then the two at the stop
    EXPECT_EQ(wave.m_nLength, devices.in.delivered * 1000);
    EXPECT_EQ(DocumentBytes(wave), PatternSamples(static_cast<std::size_t>(wave.m_nLength) * 2));
}

TEST_F(RecorderTest, ALostDeviceEndsTheRecordingWithWhatItCaptured)
{
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, {}));
    devices.in.fullOnStop = 1;  // filled, not yet handed back when the device went
    bool stoppedByTest = false;
    std::chrono::steady_clock::time_point lostAt{};
    events.onPump = [&] {
        if (player.GetStatus() != CWavePlayer::PlayerRecording)
            return;
        if (!devices.in.lost) {
            devices.Deliver();
            if (player.GetRecordPos() >= 4000) {
                devices.in.lost = true;
                lostAt = std::chrono::steady_clock::now();
            }
        } else if (std::chrono::steady_clock::now() - lostAt > std::chrono::seconds(10)) {
            stoppedByTest = true;  // a recording that does not notice waits for this
            player.Stop();
        }
    };

    EXPECT_EQ(player.Record(0.0f), 1);

    EXPECT_FALSE(stoppedByTest);
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
    EXPECT_EQ(events.Statuses().back(), CWavePlayer::PlayerIdle);
    std::lock_guard lock(devices.inMutex);
    ASSERT_GE(devices.in.delivered, 5);  // at least four while running, then one handed back at the stop
    EXPECT_EQ(wave.m_nLength, devices.in.delivered * 1000);
    EXPECT_EQ(DocumentBytes(wave), PatternSamples(static_cast<std::size_t>(wave.m_nLength) * 2));
}

TEST_F(RecorderTest, WithoutALimitProgressRunsUpEveryTenSeconds)
{
    // 8000 Hz mono: a block of 1000 frames is 1/8 s; 10 s are 80 blocks.
    ASSERT_TRUE(FillDocument(wave, 1, 8000, 16, {}));
    events.onPump = [&] {
        // A second at most per step: the recorder hands buffers back while we
        // deliver, so delivering until none is queued could jump past a wrap.
        for (int i = 0; i < 8 && devices.Deliver(); ++i) {
        }
        if (player.GetStatus() == CWavePlayer::PlayerRecording && player.RecordTime() >= 15.0f)
            player.Stop();
    };

    EXPECT_EQ(player.Record(0.0f), 1);

    auto progress = events.Progress();
    ASSERT_GE(progress.size(), 4u);
    progress.resize(progress.size() - 2);  // the closing 100 and 0
    int fallsBack = 0;
    for (std::size_t i = 1; i < progress.size(); ++i) {
        EXPECT_GE(progress[i], 0.0f);
        EXPECT_LT(progress[i], 100.0f);
        // How far the bar gets before it wraps depends on how many blocks the
        // writer took between two steps, which a busy machine varies.
        if (progress[i] < progress[i - 1])
            ++fallsBack;
    }
    EXPECT_EQ(fallsBack, 1);
    EXPECT_GE(wave.m_nLength, 15 * 8000);
}

TEST_F(RecorderTest, RecordedBlocksAreAppendedAfterExistingData)
{
    const auto existing = PatternBytes(1000);
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, existing));
    wave.SeekToStart();  // an earlier read left the position at the start
    events.onPump = [this] { devices.Deliver(); };

    EXPECT_EQ(player.Record(0.05f), 1);  // 4410 bytes: 3 blocks

    const auto all = DocumentBytes(wave);
    ASSERT_GE(all.size(), 1000u + 3 * 2000);
    EXPECT_EQ(std::vector<uint8_t>(all.begin(), all.begin() + 1000), existing);
    EXPECT_EQ(std::vector<uint8_t>(all.begin() + 1000, all.end()), PatternSamples(all.size() - 1000));
    EXPECT_EQ(wave.m_nLength, static_cast<int32_t>(all.size() / 2));
}

TEST_F(RecorderTest, FailedOpenShowsTheWaveInMessageUntilStop)
{
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, {}));
    devices.in.openResult = MMSYSERR_BADDEVICEID;
    events.onPump = [&] {
        if (!events.Messages().empty() && player.GetStatus() == CWavePlayer::PlayerRecording)
            player.Stop();
    };

    EXPECT_EQ(player.Record(2.5f), 1);

    const auto messages = events.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("WAVEIN:2:", 0), 0u) << messages[0];
    EXPECT_NE(messages[0].find("fake input"), std::string::npos) << messages[0];
    EXPECT_EQ(events.messageThread, std::this_thread::get_id());  // shown on the host's thread
    EXPECT_EQ(wave.m_nLength, 0);
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
    // The device was never started, and nothing reached the writer.
    const auto calls = devices.InCalls();
    EXPECT_EQ(calls, (std::vector<std::string>{"open"}));
    std::lock_guard lock(traceMutex);
    EXPECT_EQ(writerTrace, (Trace{WM_WRITE_QUIT}));
}

TEST_F(RecorderTest, FailedStartKeepsTheDeviceOpenAndReportsInHex)
{
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, {}));
    devices.in.startResult = WAVERR_BADFORMAT;
    events.onPump = [&] {
        if (!events.Messages().empty() && player.GetStatus() == CWavePlayer::PlayerRecording)
            player.Stop();
    };

    EXPECT_EQ(player.Record(0.0f), 1);

    const auto messages = events.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("WAVEIN:20:", 0), 0u) << messages[0];
    const auto calls = devices.InCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "close"), 0);
    EXPECT_EQ(wave.m_nLength, 0);
}

TEST_F(RecorderTest, RecordIsRefusedWithoutAWorkingFile)
{
    EXPECT_EQ(player.Record(1.0f), 0);
    EXPECT_TRUE(events.events.empty());
    EXPECT_TRUE(devices.InCalls().empty());
}

TEST_F(RecorderTest, PauseDoesNotAffectARecording)
{
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, {}));
    events.onPump = [&] {
        player.Pause();
        player.Continue();
        devices.Deliver();
    };
    EXPECT_EQ(player.Record(0.05f), 1);
    const auto statuses = events.Statuses();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), CWavePlayer::PlayerPaused), 0);
    EXPECT_GE(wave.m_nLength, 2205);
}

}  // namespace
