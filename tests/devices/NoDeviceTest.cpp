// With no sound server reachable there is no device: Play returns 0,
// and Record shows the WAVEIN error and returns once the host calls Stop.

#include "DocumentHelpers.h"
#include "TestEvents.h"

#include "devices/CWavePlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

class NoDeviceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Point the sound server's clients at a server that does not exist.
        ::setenv("PULSE_SERVER", "unix:/nonexistent/vrt-no-pulse", 1);
    }

    void SetUp() override { player.m_pWave = &wave; }

    CRMWave wave;
    CWavePlayer player;
    TestEvents events{player};
};

TEST_F(NoDeviceTest, PlayReturnsZeroWithTheStatusBackAtIdle)
{
    ASSERT_TRUE(FillDocument(wave, 2, 44100, 16, ToneBytes(440, 44100, 2, 0.5)));

    EXPECT_EQ(player.Play(), 0);

    EXPECT_EQ(events.Statuses(), (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
    EXPECT_FALSE(player.LastDeviceError().empty());
}

TEST_F(NoDeviceTest, RecordReportsTheWaveInErrorAndEndsOnStop)
{
    ASSERT_TRUE(FillDocument(wave, 1, 44100, 16, {}));
    const auto started = Clock::now();
    events.onPump = [&] {
        const bool shown = !events.Messages().empty();
        const bool tooLong = Clock::now() - started > std::chrono::seconds(10);
        if ((shown || tooLong) && player.GetStatus() == CWavePlayer::PlayerRecording)
            player.Stop();
    };

    EXPECT_EQ(player.Record(2.5f), 1);

    const auto messages = events.Messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::string& text = messages[0];
    ASSERT_EQ(text.rfind("WAVEIN:", 0), 0u) << text;
    const auto colon = text.find(':', 7);
    ASSERT_NE(colon, std::string::npos) << text;
    const std::string code = text.substr(7, colon - 7);
    EXPECT_FALSE(code.empty());
    EXPECT_EQ(code.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
    EXPECT_GT(text.size(), colon + 1) << "the error has no text";
    std::cout << "[ no device ] " << text << "\n";
    EXPECT_EQ(wave.m_nLength, 0);
    EXPECT_EQ(player.GetStatus(), CWavePlayer::PlayerIdle);
}

}  // namespace
