// The sound server going away in the middle of Play or Record, and a server
// without any input device, on a PulseAudio server of the test's own.

#include "DocumentHelpers.h"
#include "PulseHelpers.h"
#include "TestEvents.h"

#include "devices/CWavePlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

class PrivateServerTest : public ::testing::Test {
protected:
    // The player connects when it is made: the server's address comes first.
    void Start(bool withNullSink)
    {
        ASSERT_FALSE(dir.Path().empty());
        server = std::make_unique<PrivateServer>(dir.Path(), withNullSink);
        ASSERT_TRUE(server->IsRunning()) << "could not start a private PulseAudio server";
        ::setenv("PULSE_SERVER", server->Address().c_str(), 1);
        player = std::make_unique<CWavePlayer>();
        player->m_pWave = &wave;
        events = std::make_unique<TestEvents>(*player);
    }
    void TearDown() override
    {
        events.reset();
        player.reset();
        ::unsetenv("PULSE_SERVER");
    }

    TempDir dir;
    std::unique_ptr<PrivateServer> server;
    CRMWave wave;
    std::unique_ptr<CWavePlayer> player;
    std::unique_ptr<TestEvents> events;
};

TEST_F(PrivateServerTest, PlayEndsByItselfWhenTheServerGoesAway)
{
    Start(true);
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, ToneBytes(440, 44100, 2, 10.0)));
    Clock::time_point killedAt{};
    const auto started = Clock::now();
    events->onPump = [&] {
        if (killedAt == Clock::time_point{} && Clock::now() - started > std::chrono::milliseconds(700)) {
            server->Stop();
            killedAt = Clock::now();
        } else if (killedAt != Clock::time_point{} && Clock::now() - killedAt > std::chrono::seconds(10) &&
                   player->GetStatus() != CWavePlayer::PlayerIdle) {
            player->Stop();  // a Play that does not notice would wait for this; the bound below then fails
        }
    };

    const int result = player->Play();
    const double after = std::chrono::duration<double>(Clock::now() - killedAt).count();

    ASSERT_NE(killedAt, Clock::time_point{});
    EXPECT_EQ(result, 1);
    EXPECT_LT(after, 2.0 + 1.0);  // two seconds, with room for a busy machine
    EXPECT_EQ(player->GetStatus(), CWavePlayer::PlayerIdle);
    EXPECT_EQ(events->Statuses().back(), CWavePlayer::PlayerIdle);
    EXPECT_EQ(events->Progress().back(), 0.0f);
}

TEST_F(PrivateServerTest, RecordEndsByItselfWhenTheServerGoesAwayAndKeepsWhatItCaptured)
{
    Start(true);
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, {}));
    Clock::time_point killedAt{};
    int32_t framesBeforeKill = 0;
    events->onPump = [&] {
        if (killedAt == Clock::time_point{} && player->GetRecordPos() >= 44100 / 2) {
            framesBeforeKill = player->GetRecordPos();
            server->Stop();
            killedAt = Clock::now();
        } else if (killedAt != Clock::time_point{} && Clock::now() - killedAt > std::chrono::seconds(10) &&
                   player->GetStatus() == CWavePlayer::PlayerRecording) {
            player->Stop();  // a Record that does not notice would wait for this; the bound below then fails
        }
    };

    const int result = player->Record(0.0f);
    const double after = std::chrono::duration<double>(Clock::now() - killedAt).count();

    ASSERT_NE(killedAt, Clock::time_point{}) << "nothing was captured before the server was stopped";
    EXPECT_EQ(result, 1);
    EXPECT_LT(after, 2.0 + 1.0);  // two seconds, with room for a busy machine
    EXPECT_GE(wave.m_nLength, framesBeforeKill);  // every block counted before the server went
    EXPECT_EQ(wave.m_nLength % 1000, 0);
    EXPECT_EQ(player->GetStatus(), CWavePlayer::PlayerIdle);
    EXPECT_EQ(events->Statuses().back(), CWavePlayer::PlayerIdle);
    EXPECT_TRUE(events->Messages().empty());
}

TEST_F(PrivateServerTest, RecordWithoutAnInputDeviceShowsTheWaveInTextUntilStop)
{
    Start(false);
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, {}));
    const auto started = Clock::now();
    events->onPump = [&] {
        const bool shown = !events->Messages().empty();
        if ((shown || Clock::now() - started > std::chrono::seconds(10)) &&
            player->GetStatus() == CWavePlayer::PlayerRecording)
            player->Stop();
    };

    EXPECT_EQ(player->Record(2.5f), 1);

    const auto messages = events->Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("WAVEIN:2:", 0), 0u) << messages[0];  // no such device
    EXPECT_EQ(wave.m_nLength, 0);
    EXPECT_EQ(player->GetStatus(), CWavePlayer::PlayerIdle);
}

}  // namespace
