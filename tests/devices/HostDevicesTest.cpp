// Playback and recording through the control's dispatch interface, driven by
// the script host as a user's script would, on a null sink of this test's
// own that nothing else plays to or records from: an idle null sink renders
// far ahead of its clock, which the device layer has to cope with.

#include "PulseHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

namespace {

constexpr int kRate = 44100;
constexpr int kRuns = 3;

class HostDevicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RunCommand("pactl info")) << "no PulseAudio server answers; scripts/start-sound-server.sh starts one";
        ASSERT_TRUE(sink.IsLoaded());
        ASSERT_FALSE(dir.Path().empty());
        // The registry may name a library of another build; the host must
        // create the control from the one built here. (The registry stays in
        // the user's configuration: libpulse finds its cookie there too.)
        ASSERT_TRUE(RunCommand("QT_QPA_PLATFORM=offscreen " SONARCH2_HOST_PATH " --register " SONARCH2_LIBRARY_PATH));
    }

    // Runs the script in the host; its standard output.
    std::string RunHost(const std::string& script)
    {
        const auto file = dir.Path() / "script.txt";
        std::ofstream(file) << script;
        std::string out;
        RunCommand("cd " + dir.Path().string() + " && QT_QPA_PLATFORM=offscreen " SONARCH2_HOST_PATH " " +
                       file.string(),
                   &out);
        return out;
    }

    // A script line that runs `line` no earlier than `ms` after it is read.
    // The delay is stretched by 5% so that a host whose timers may fire that
    // much early (Qt's coarse timers) still never runs it before `ms`.
    static std::string NotBefore(int ms, const std::string& line)
    {
        return "after " + std::to_string((ms * 100 + 94) / 95) + " " + line + "\n";
    }

    // The value printed for `name` ("name = value"), or NaN.
    static double Value(const std::string& out, const std::string& name)
    {
        std::smatch m;
        if (std::regex_search(out, m, std::regex("(^|\n)" + name + " = ([-0-9.e]+)")))
            return std::stod(m[2]);
        return NAN;
    }

    PrivateNullSink sink;
    TempDir dir;
};

TEST_F(HostDevicesTest, RecordKeepsEveryBlockCapturedBeforeStop)
{
    struct Case {
        int stopAfterMs;
        double keepsAtLeastSeconds;
    };
    for (const Case c : {Case{1000, 0.9}, Case{2500, 2.4}}) {
        for (int run = 0; run < kRuns; ++run) {
            const std::string out =
                RunHost("NewFile 1 44100 16\n" + NotBefore(c.stopAfterMs, "Stop") + "Record 0\nget WaveLength\n");
            const double frames = Value(out, "WaveLength");
            EXPECT_GE(frames, c.keepsAtLeastSeconds * kRate)
                << "stopped after " << c.stopAfterMs << " ms, run " << run << ":\n" << out;
            EXPECT_EQ(Value(out, "Record"), 1) << out;
        }
    }
}

TEST_F(HostDevicesTest, PlayOfTwoSecondsMovesAtOnceAndReturnsInTime)
{
    const auto tone = dir.Path() / "tone.wav";
    ASSERT_TRUE(RunCommand("sox -n -r 44100 -c 2 -b 16 " + tone.string() + " synth 2 sine 880 vol 0.5"));
    for (int run = 0; run < kRuns; ++run) {
        // The timers start just before Play; one that fires while Play runs
        // sees it playing, one that fires after it returned sees it idle.
        const std::string out = RunHost("Load \"" + tone.string() + "\" 4\n" + NotBefore(300, "get PlayTime") +
                                        NotBefore(2300, "get PlayerStatus") + "Play\n");
        EXPECT_EQ(Value(out, "Load"), 1) << out;
        EXPECT_GT(Value(out, "PlayTime"), 0.0) << "PlayTime has not moved 300 ms into Play, run " << run << ":\n" << out;
        EXPECT_EQ(Value(out, "PlayerStatus"), 0) << "Play still runs 2.3 s into a 2 s range, run " << run << ":\n" << out;
        EXPECT_EQ(Value(out, "Play"), 1) << out;
    }
}

}  // namespace
