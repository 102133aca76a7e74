// Playback and recording end to end: streams on a real PulseAudio server, on a null sink of this test's own whose
// monitor parecord captures (and from which the recorder reads while paplay
// plays). The test command starts the server.

#include "DocumentHelpers.h"
#include "PulseHelpers.h"
#include "TestEvents.h"

#include "devices/CWavePlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The middle half second of a region: clear of the edges' fades.
std::vector<int16_t> MiddleOf(const std::vector<int16_t>& samples, Region region)
{
    const std::size_t mid = (region.begin + region.end) / 2;
    const std::size_t half = std::min<std::size_t>(kRate / 4, region.Length() / 2);
    return {samples.begin() + static_cast<std::ptrdiff_t>(mid - half),
            samples.begin() + static_cast<std::ptrdiff_t>(mid + half)};
}

class PulseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RunCommand("pactl info")) << "no PulseAudio server answers; scripts/start-sound-server.sh starts one";
        ASSERT_TRUE(sink.IsLoaded()) << "could not load a null sink";
        ASSERT_FALSE(dir.Path().empty());
        player.m_pWave = &wave;
    }

    PrivateNullSink sink;
    TempDir dir;
    CRMWave wave;
    CWavePlayer player;
    TestEvents events{player};
};

TEST_F(PulseTest, PlaysA440HzToneIntoTheSink)
{
    constexpr double kToneSeconds = 1.5;
    ASSERT_TRUE(FillDocument(wave, 2, kRate, 16, ToneBytes(440, kRate, 2, kToneSeconds)));
    const auto captureFile = dir.Path() / "capture.raw";
    ChildProcess parecord({"parecord", "--device=" + sink.Monitor(), "--raw", "--format=s16le",
                           "--rate=44100", "--channels=1", "--latency-msec=20", captureFile.string()});
    ASSERT_TRUE(parecord.IsRunning());
    // An idle null sink may take a second or two to start rendering for a
    // new stream: play only once the capture really runs.
    ASSERT_TRUE(WaitForFileToGrow(captureFile, 10s)) << "parecord captured nothing";
    std::this_thread::sleep_for(200ms);

    const auto started = Clock::now();
    EXPECT_EQ(player.Play(), 1);
    const double playSeconds = SecondsSince(started);
    std::this_thread::sleep_for(500ms);
    parecord.Stop();

    EXPECT_GT(playSeconds, kToneSeconds - 0.3);
    EXPECT_LT(playSeconds, kToneSeconds + 5.0);
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
    const auto progress = events.Progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress[progress.size() - 2], 100.0f);
    EXPECT_EQ(progress.back(), 0.0f);

    const auto samples = ReadRawMono16(captureFile);
    const Region tone = ActiveRegion(samples, 3000);
    ASSERT_GT(tone.Length(), 0u) << "the capture holds no sound (" << samples.size() << " samples)";
    const double toneSeconds = tone.Length() / static_cast<double>(kRate);
    EXPECT_NEAR(toneSeconds, kToneSeconds, 0.25);
    EXPECT_NEAR(DominantFrequency(MiddleOf(samples, tone), kRate, 100, 2000), 440.0, 5.0);

    // A gap in the output shows as silence inside the tone.
    const std::size_t quiet = LongestQuietRun(samples, tone, 500);
    const PlaybackStats stats = player.LastPlaybackStats();
    std::cout << "[ playback ] sink " << stats.device << ", " << stats.buffersPlayed
              << " buffers, captured tone " << toneSeconds << " s, longest quiet run in it "
              << quiet * 1000.0 / kRate << " ms, underruns " << stats.underruns << "\n";
    RecordProperty("device", stats.device);
    EXPECT_LT(quiet, static_cast<std::size_t>(kRate / 20));  // under 50 ms
    EXPECT_EQ(stats.device, sink.Name());
    EXPECT_EQ(stats.buffersPlayed, static_cast<int>((kToneSeconds * kRate * 4 + 8191) / 8192));
}

TEST_F(PulseTest, PauseSilencesTheSinkUntilContinueAndStopEndsPlay)
{
    ASSERT_TRUE(FillDocument(wave, 2, kRate, 16, ToneBytes(440, kRate, 2, 5.0)));
    const auto captureFile = dir.Path() / "capture.raw";
    ChildProcess parecord({"parecord", "--device=" + sink.Monitor(), "--raw", "--format=s16le",
                           "--rate=44100", "--channels=1", "--latency-msec=20", captureFile.string()});
    ASSERT_TRUE(WaitForFileToGrow(captureFile, 10s)) << "parecord captured nothing";
    std::this_thread::sleep_for(200ms);

    constexpr double kPauseSeconds = 0.8;
    bool paused = false, resumed = false, stopped = false;
    Clock::time_point pausedAt;
    const auto started = Clock::now();
    events.onPump = [&] {
        const double t = SecondsSince(started);
        if (!paused && t > 0.5) {
            paused = true;
            player.Pause();
            pausedAt = Clock::now();
        } else if (paused && !resumed && SecondsSince(pausedAt) > kPauseSeconds) {
            resumed = true;
            player.Continue();
        } else if (resumed && !stopped && SecondsSince(pausedAt) > kPauseSeconds + 0.7) {
            stopped = true;
            player.Stop();
        }
    };

    EXPECT_EQ(player.Play(), 1);
    const double seconds = SecondsSince(started);
    std::this_thread::sleep_for(300ms);
    parecord.Stop();

    EXPECT_TRUE(stopped);
    EXPECT_LT(seconds, 4.5);  // stopped well before the 5 s document ended
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
    // The tone runs before and after the pause; in between the sink is quiet
    // for about the pause's length (a device that kept playing leaves no gap).
    const auto samples = ReadRawMono16(captureFile);
    const Region tone = ActiveRegion(samples, 3000);
    const double quiet = LongestQuietRun(samples, tone, 500) / static_cast<double>(kRate);
    std::cout << "[ pause ] quiet " << quiet << " s inside " << tone.Length() / static_cast<double>(kRate)
              << " s of tone\n";
    EXPECT_GT(quiet, kPauseSeconds - 0.3);
    EXPECT_LT(quiet, kPauseSeconds + 0.5);
}

TEST_F(PulseTest, RecordsTwoAndAHalfSecondsFromTheMonitor)
{
    const auto toneFile = dir.Path() / "tone.wav";
    ASSERT_TRUE(RunCommand("sox -n -r 44100 -c 1 -b 16 " + toneFile.string() + " synth 8 sine 440 vol 0.5"));
    ASSERT_TRUE(FillDocument(wave, 1, kRate, 16, {}));
    ChildProcess paplay({"paplay", "--device=" + sink.Name(), toneFile.string()});
    ASSERT_TRUE(paplay.IsRunning());
    std::this_thread::sleep_for(700ms);

    const auto started = Clock::now();
    EXPECT_EQ(player.Record(2.5f), 1);
    const double seconds = SecondsSince(started);
    paplay.Stop();

    // 2.5 s of 44100 Hz 16-bit mono is 220 500 bytes; blocks are 2000 bytes,
    // so the loop ends after 111 blocks (222 000 bytes); a few more may have
    // reached the writer before the stop.
    const int64_t bytes = wave.FramesToBytes(wave.m_nLength);
    EXPECT_EQ(bytes % 2000, 0);
    EXPECT_GE(bytes, 222000);
    EXPECT_LE(bytes, 222000 + 2000 * 40);
    EXPECT_GT(seconds, 2.5 + 0.9);  // the recording, then the stop sequence's wait
    EXPECT_LT(seconds, 15.0);
    std::cout << "[ recording ] " << bytes / 2000 << " blocks (" << bytes << " bytes) in " << seconds << " s\n";

    const auto samples = Mono16FromBytes(DocumentBytes(wave));
    ASSERT_GE(samples.size(), static_cast<std::size_t>(kRate * 2.5));
    const std::vector<int16_t> lastSecond(samples.end() - kRate, samples.end());
    EXPECT_GT(Rms(lastSecond), 3000.0);
    EXPECT_NEAR(DominantFrequency(lastSecond, kRate, 100, 2000), 440.0, 5.0);
    const Region tone = ActiveRegion(samples, 3000);
    EXPECT_LT(LongestQuietRun(samples, tone, 500), static_cast<std::size_t>(kRate / 20));

    const auto progress = events.Progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress[progress.size() - 2], 100.0f);
    EXPECT_EQ(progress.back(), 0.0f);
    EXPECT_TRUE(events.Messages().empty());
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
}

// Nothing else plays to or records the sink: it renders far ahead of its
// clock, and the recording must still start when Record does.
TEST_F(PulseTest, RecordingAnIdleSinksMonitorKeepsTheTimeUntilStop)
{
    ASSERT_TRUE(FillDocument(wave, 1, kRate, 16, {}));
    Clock::time_point started;
    events.onPump = [&] {
        if (player.GetStatus() == CWavePlayer::PlayerRecording && SecondsSince(started) >= 1.0)
            player.Stop();
    };

    started = Clock::now();
    EXPECT_EQ(player.Record(0.0f), 1);

    EXPECT_GE(wave.m_nLength, kRate * 9 / 10) << "frames kept of a recording stopped after 1 s";
    EXPECT_EQ(wave.m_nLength % 1000, 0);
    EXPECT_TRUE(events.Messages().empty());
}

}  // namespace
