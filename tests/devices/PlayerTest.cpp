// CWavePlayer's playback logic against the test double of the device layer.
// The double hands buffers back from the message-pump step, where the host's
// handlers (Pause, Continue, Stop) also run.

#include "DocumentHelpers.h"
#include "FakeWaveDevices.h"
#include "TestEvents.h"

#include "devices/CWavePlayer.h"
#include "devices/PlaybackRing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// The Play gave the library's playback ring up: a new lease gets it.
bool RingReleased()
{
    CPlaybackLease lease;
    return static_cast<bool>(lease);
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, std::size_t from, std::size_t count)
{
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        player.m_pWave = &wave;
        player.SetDevices(&devices);
        events.onPump = [this] { devices.CompleteOne(); };
    }

    // Every progress value is a number from 0 to 100, and the call ends with 100 then 0.
    void ExpectProgressEndsWith100Then0()
    {
        const auto progress = events.Progress();
        ASSERT_GE(progress.size(), 2u);
        for (float p : progress) {
            EXPECT_TRUE(std::isfinite(p));
            EXPECT_GE(p, 0.0f);
            EXPECT_LE(p, 100.0f);
        }
        EXPECT_EQ(progress[progress.size() - 2], 100.0f);
        EXPECT_EQ(progress.back(), 0.0f);
    }

    CRMWave wave;
    FakeWaveDevices devices;
    CWavePlayer player;
    TestEvents events{player};
};

TEST_F(PlayerTest, TenThousandBytesAreTwoBlocksWithTheRestSilent)
{
    const auto bytes = PatternBytes(10000);
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, bytes));

    EXPECT_EQ(player.Play(), 1);

    ASSERT_EQ(devices.out.written.size(), 2u);
    EXPECT_EQ(devices.out.written[0], Slice(bytes, 0, 8192));
    std::vector<uint8_t> second = Slice(bytes, 8192, 1808);
    second.resize(8192, 0);
    EXPECT_EQ(devices.out.written[1], second);

    ExpectProgressEndsWith100Then0();
    // The drain saw the first buffer back: 100 % before the closing pair.
    const auto progress = events.Progress();
    EXPECT_EQ(std::count(progress.begin(), progress.end(), 100.0f), 2);

    const auto statuses = events.Statuses();
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses.front(), CWavePlayer::PlayerPlaying);
    EXPECT_EQ(statuses.back(), CWavePlayer::PlayerIdle);
    EXPECT_TRUE(std::all_of(statuses.begin(), statuses.end() - 1, [](int s) { return s == 1; }));
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);

    // Positions move in whole buffers (8192 bytes = 2048 stereo 16-bit frames).
    for (const auto& e : events.events) {
        if (e.kind == LoggedEvent::ChangePlayer) {
            EXPECT_EQ(e.playPos % 2048, 0);
        }
    }

    EXPECT_EQ(devices.out.calls, (std::vector<std::string>{"query", "open", "close", "destroy"}));
    EXPECT_TRUE(RingReleased());
}

TEST_F(PlayerTest, SelectionOfWholeBlocksIsPlayedUnchanged)
{
    const auto bytes = PatternBytes(40000);
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, bytes));
    wave.m_nSelBegin = 100;
    wave.m_nSelEnd = 100 + 4096;  // 16384 bytes

    EXPECT_EQ(player.Play(), 1);

    ASSERT_EQ(devices.out.written.size(), 2u);
    EXPECT_EQ(devices.out.written[0], Slice(bytes, 400, 8192));
    EXPECT_EQ(devices.out.written[1], Slice(bytes, 400 + 8192, 8192));
}

TEST_F(PlayerTest, BytesPastTheSelectionEndAreSilence)
{
    const auto bytes = PatternBytes(40000);
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, bytes));
    wave.m_nSelBegin = 10;
    wave.m_nSelEnd = 3010;  // 12000 bytes from byte 40; the document goes on after it

    EXPECT_EQ(player.Play(), 1);

    ASSERT_EQ(devices.out.written.size(), 2u);
    EXPECT_EQ(devices.out.written[0], Slice(bytes, 40, 8192));
    std::vector<uint8_t> second = Slice(bytes, 40 + 8192, 12000 - 8192);
    second.resize(8192, 0);
    EXPECT_EQ(devices.out.written[1], second);
}

TEST_F(PlayerTest, EightBitSilenceIsTheMidValue)
{
    const auto bytes = PatternBytes(5000);
    ASSERT_TRUE(FillDocument(wave, 1, 22050, 8, bytes));
    wave.m_nSelBegin = 0;
    wave.m_nSelEnd = 3000;

    EXPECT_EQ(player.Play(), 1);

    ASSERT_EQ(devices.out.written.size(), 1u);
    std::vector<uint8_t> expected = Slice(bytes, 0, 3000);
    expected.resize(8192, 0x80);
    EXPECT_EQ(devices.out.written[0], expected);
}

TEST_F(PlayerTest, PlayingFromTheCursorRunsToTheEndAndReachesFullProgress)
{
    const auto bytes = PatternBytes(40960);
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, bytes));
    wave.m_nCursor = 5120;  // byte 20480: 2.5 blocks remain

    EXPECT_EQ(player.Play(), 1);

    ASSERT_EQ(devices.out.written.size(), 3u);
    EXPECT_EQ(devices.out.written[0], Slice(bytes, 20480, 8192));
    std::vector<uint8_t> last = Slice(bytes, 20480 + 16384, 4096);
    last.resize(8192, 0);
    EXPECT_EQ(devices.out.written[2], last);

    // The bar is full while the last buffers play, not only at the end.
    const auto progress = events.Progress();
    EXPECT_GE(std::count(progress.begin(), progress.end(), 100.0f), 2);
    ExpectProgressEndsWith100Then0();
}

TEST_F(PlayerTest, RangeShorterThanOneBlockNeverDividesByZero)
{
    const auto bytes = PatternBytes(4000);
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, bytes));
    wave.m_nSelBegin = 0;
    wave.m_nSelEnd = 100;  // 400 bytes: blocks = 0

    EXPECT_EQ(player.Play(), 1);
    ASSERT_EQ(devices.out.written.size(), 1u);
    ExpectProgressEndsWith100Then0();

    EXPECT_EQ(PlaybackProgress(0, 0), 0.0f);
    EXPECT_EQ(PlaybackProgress(1, 0), 100.0f);
    EXPECT_EQ(PlaybackProgress(1, 4), 25.0f);
    EXPECT_EQ(PlaybackProgress(9, 4), 100.0f);
}

TEST_F(PlayerTest, EmptyDocumentReportsZeroHundredZero)
{
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, {}));

    EXPECT_EQ(player.Play(), 1);

    EXPECT_TRUE(devices.out.written.empty());
    EXPECT_EQ(events.Progress(), (std::vector<float>{0.0f, 100.0f, 0.0f}));
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
}

TEST_F(PlayerTest, NoWorkingFileIsRefusedWithTheStatusBackAtIdle)
{
    // The document was never created: no working file is open.
    EXPECT_EQ(player.Play(), 0);

    EXPECT_EQ(events.Statuses(), (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(devices.out.devicesCreated, 0);
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
    EXPECT_TRUE(RingReleased());
}

TEST_F(PlayerTest, BadFormatAnswerGivesUpBeforeOpening)
{
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, PatternBytes(10000)));
    devices.out.queryResult = WAVERR_BADFORMAT;

    EXPECT_EQ(player.Play(), 0);

    EXPECT_EQ(devices.out.calls, (std::vector<std::string>{"query", "destroy"}));
    EXPECT_EQ(events.Statuses(), (std::vector<int32_t>{1, 0}));
    EXPECT_TRUE(events.Progress().empty());
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
    EXPECT_TRUE(RingReleased());
}

TEST_F(PlayerTest, FailedOpenReturnsZeroAndKeepsTheDeviceText)
{
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, PatternBytes(10000)));
    devices.out.openResult = MMSYSERR_BADDEVICEID;

    EXPECT_EQ(player.Play(), 0);
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
    EXPECT_NE(player.LastDeviceError().find("fake"), std::string::npos);
    EXPECT_TRUE(RingReleased());
}

TEST_F(PlayerTest, OtherQueryAnswersCountAsYes)
{
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, PatternBytes(10000)));
    devices.out.queryResult = MMSYSERR_ERROR;

    EXPECT_EQ(player.Play(), 1);
    EXPECT_EQ(devices.out.written.size(), 2u);
}

TEST_F(PlayerTest, RingHoldsTwentyBuffersAndKeepsTheirOrder)
{
    const auto bytes = PatternBytes(30 * 8192);
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, bytes));
    std::size_t maxQueued = 0;
    events.onPump = [&] {
        maxQueued = std::max(maxQueued, devices.Queued());
        // The device catches up only once the ring is full, or at the end.
        if (devices.Queued() == kPlayBufferCount || devices.out.written.size() == 30)
            devices.CompleteAll();
    };

    EXPECT_EQ(player.Play(), 1);

    EXPECT_EQ(maxQueued, static_cast<std::size_t>(kPlayBufferCount));
    ASSERT_EQ(devices.out.written.size(), 30u);
    for (std::size_t i = 0; i < 30; ++i)
        EXPECT_EQ(devices.out.written[i], Slice(bytes, i * 8192, 8192)) << "buffer " << i;
}

TEST_F(PlayerTest, PauseHoldsThePositionUntilContinue)
{
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, PatternBytes(10 * 8192)));
    int pausedPumps = 0;
    bool resumed = false;
    std::vector<int32_t> positionsWhilePaused;
    events.onPump = [&] {
        devices.CompleteOne();
        if (!resumed && player.GetStatus() == CWavePlayer::PlayerPlaying && devices.out.written.size() >= 3) {
            player.Pause();
            return;
        }
        if (player.GetStatus() == CWavePlayer::PlayerPaused) {
            positionsWhilePaused.push_back(player.GetPlayPos());
            if (++pausedPumps == 5) {
                resumed = true;
                player.Continue();
            }
        }
    };

    EXPECT_EQ(player.Play(), 1);

    ASSERT_TRUE(resumed);
    ASSERT_EQ(positionsWhilePaused.size(), 5u);
    EXPECT_TRUE(std::all_of(positionsWhilePaused.begin(), positionsWhilePaused.end(),
                            [&](int32_t p) { return p == positionsWhilePaused.front(); }));
    const auto statuses = events.Statuses();
    const auto pause = std::find(statuses.begin(), statuses.end(), CWavePlayer::PlayerPaused);
    ASSERT_NE(pause, statuses.end());
    EXPECT_EQ(*(pause - 1), CWavePlayer::PlayerPlaying);
    EXPECT_EQ(*(pause + 1), CWavePlayer::PlayerPlaying);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), CWavePlayer::PlayerPaused), 1);
    const auto& calls = devices.out.calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "pause"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "restart"), 1);
    EXPECT_EQ(devices.out.written.size(), 10u);
}

TEST_F(PlayerTest, PauseAndContinueOutsidePlaybackDoNothing)
{
    player.Pause();
    player.Continue();
    player.Stop();
    EXPECT_TRUE(events.events.empty());
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
}

TEST_F(PlayerTest, StopFromAHandlerInsideTheMessageStep)
{
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, PatternBytes(10 * 8192)));
    bool stopped = false;
    int32_t statusAfterStop = -1;
    std::size_t eventsBeforeStop = 0, eventsAfterStop = 0, eventsAfterNested = 0;
    int nestedPlay = -1;
    events.onPump = [&] {
        if (stopped)
            return;  // after Stop the device gives nothing back on its own
        devices.CompleteOne();
        if (devices.out.written.size() >= 4) {
            stopped = true;
            eventsBeforeStop = events.events.size();
            player.Stop();
            statusAfterStop = player.GetStatus();
            eventsAfterStop = events.events.size();
            // The interrupted Play still holds the ring: a new one is refused.
            nestedPlay = player.Play();
            eventsAfterNested = events.events.size();
        }
    };

    EXPECT_EQ(player.Play(), 1);

    ASSERT_TRUE(stopped);
    EXPECT_EQ(statusAfterStop, CWavePlayer::PlayerIdle);
    EXPECT_EQ(nestedPlay, 0);
    EXPECT_EQ(eventsAfterNested, eventsAfterStop);
    ASSERT_EQ(eventsAfterStop - eventsBeforeStop, 2u);
    EXPECT_EQ(events.events[eventsBeforeStop].status, CWavePlayer::PlayerStopping);
    EXPECT_EQ(events.events[eventsBeforeStop + 1].status, CWavePlayer::PlayerIdle);

    // Once more when Play has cleaned up, and playback never resumed.
    int changesAfter = 0;
    for (std::size_t i = eventsAfterStop; i < events.events.size(); ++i) {
        if (events.events[i].kind == LoggedEvent::ChangePlayer) {
            ++changesAfter;
            EXPECT_EQ(events.events[i].status, CWavePlayer::PlayerIdle);
        }
    }
    EXPECT_EQ(changesAfter, 1);
    EXPECT_LT(devices.out.written.size(), 10u);
    ExpectProgressEndsWith100Then0();

    // The reset handed every buffer back, so the device closed cleanly.
    const auto& calls = devices.out.calls;
    const auto reset = std::find(calls.begin(), calls.end(), "reset");
    ASSERT_NE(reset, calls.end());
    EXPECT_NE(std::find(reset, calls.end(), "close"), calls.end());
    EXPECT_EQ(std::find(calls.begin(), calls.end(), "close-still-playing"), calls.end());
    EXPECT_TRUE(RingReleased());

    // And the ring is free again for the next Play.
    events.onPump = [this] { devices.CompleteAll(); };
    EXPECT_EQ(player.Play(), 1);
}

TEST_F(PlayerTest, LoopPlaysThePassAgainFromItsStart)
{
    const auto bytes = PatternBytes(40000);
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, bytes));
    wave.m_nSelBegin = 0;
    wave.m_nSelEnd = 4096;  // two blocks
    player.m_bLoop = true;
    events.onPump = [&] {
        devices.CompleteOne();
        if (devices.out.written.size() >= 6 && player.GetStatus() == CWavePlayer::PlayerPlaying)
            player.Stop();
    };

    EXPECT_EQ(player.Play(), 1);

    ASSERT_GE(devices.out.written.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(devices.out.written[i], Slice(bytes, (i % 2) * 8192, 8192)) << "buffer " << i;

    // PlayTime starts from 0 on each pass.
    int restarts = 0;
    int32_t previous = -1;
    for (const auto& e : events.events) {
        if (e.kind != LoggedEvent::ChangePlayer || e.status != CWavePlayer::PlayerPlaying)
            continue;
        if (previous > 0 && e.playPos == 0)
            ++restarts;
        previous = e.playPos;
    }
    EXPECT_GE(restarts, 2);
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
}

TEST_F(PlayerTest, PlayAndRecordWhileBusyAreRefused)
{
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, PatternBytes(4 * 8192)));
    int nestedPlay = -1, nestedRecord = -1;
    std::size_t before = 0, after = 0;
    events.onPump = [&] {
        devices.CompleteOne();
        if (nestedPlay == -1 && player.GetStatus() == CWavePlayer::PlayerPlaying) {
            before = events.events.size();
            nestedPlay = player.Play();
            nestedRecord = player.Record(1.0f);
            after = events.events.size();
        }
    };

    EXPECT_EQ(player.Play(), 1);
    EXPECT_EQ(nestedPlay, 0);
    EXPECT_EQ(nestedRecord, 0);
    EXPECT_EQ(before, after);
    EXPECT_EQ(devices.out.written.size(), 4u);
}

TEST_F(PlayerTest, PlayTimeIsThePositionInSeconds)
{
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, PatternBytes(4 * 8192)));
    std::vector<std::pair<int32_t, float>> seen;
    events.onChangePlayer = [&] { seen.emplace_back(player.GetPlayPos(), player.PlayTime()); };

    EXPECT_EQ(player.Play(), 1);
    bool sawAdvance = false;
    for (const auto& [pos, time] : seen) {
        EXPECT_FLOAT_EQ(time, pos / 44100.0f);
        sawAdvance = sawAdvance || pos > 0;
    }
    EXPECT_TRUE(sawAdvance);
    EXPECT_EQ(player.PlayTime(), 0.0f);
}

}  // namespace
