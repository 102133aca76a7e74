// Does the play cursor move with the sound? The script host shows the
// control on a real X display (run under xvfb-run) and plays a tone with a
// known onset and end (0.5 s of silence, 1 s of tone, 0.5 s of silence) into
// an idle null sink of its own, reading PlayTime every 10 ms; the monitor
// of the sink tells when the tone was really heard. The view draws the play
// cursor at the cursor plus PlayTime, redrawn at each step of PlayTime.
//
// For each run: the PlayTime read when the tone's onset and end were heard
// (against 0.5 s and 1.5 s), and how long after them PlayTime reached 0.5 s
// and 1.5 s. Positive = the cursor is behind the sound.
//
//   xvfb-run -a devices_cursor_bench [runs]     (default 10; needs a running sound server)

#include "BenchFigures.h"
#include "MonitorCapture.h"
#include "PulseHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kLoud = 2000;
constexpr double kOnset = 0.5;
constexpr double kEnd = 1.5;

struct Reading {
    Clock::time_point at;
    double playTime = 0;
};

// Runs the host on `script`; each "PlayTime = x" line with the time it came.
// `onLoaded` runs as soon as the host reports the Load, just before Play.
std::vector<Reading> RunHost(const std::string& script, const std::function<void()>& onLoaded)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string host = SONARCH2_HOST_PATH;
    std::vector<char*> argv{host.data(), const_cast<char*>(script.c_str()), nullptr};
    pid_t pid = -1;
    const bool spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::vector<Reading> readings;
    if (spawned) {
        FILE* out = ::fdopen(fds[0], "r");
        char line[256];
        while (std::fgets(line, sizeof line, out)) {
            const auto now = Clock::now();
            double value = 0;
            if (std::sscanf(line, "PlayTime = %lf", &value) == 1)
                readings.push_back({now, value});
            else if (std::string(line).rfind("Load = 1", 0) == 0)
                onLoaded();
        }
        ::fclose(out);
        int status = 0;
        ::waitpid(pid, &status, 0);
    } else {
        ::close(fds[0]);
    }
    return readings;
}

// When PlayTime first read at least `seconds`.
std::optional<Clock::time_point> Reached(const std::vector<Reading>& readings, double seconds)
{
    for (const Reading& r : readings)
        if (r.playTime >= seconds - 1e-6)
            return r.at;
    return std::nullopt;
}

// The last PlayTime read at or before `at`.
std::optional<double> PlayTimeAt(const std::vector<Reading>& readings, Clock::time_point at)
{
    std::optional<double> value;
    for (const Reading& r : readings)
        if (r.at <= at)
            value = r.playTime;
    return value;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "no X display: run under xvfb-run -a\n");
        return 1;
    }
    const PrivateNullSink sink;
    if (!sink.IsLoaded()) {
        std::fprintf(stderr, "no PulseAudio server answers (scripts/start-sound-server.sh starts one)\n");
        return 1;
    }
    const TempDir dir;
    const std::string tone = (dir.Path() / "tone.wav").string();
    RunCommand("sox -n -r 44100 -c 2 -b 16 " + tone + " synth 1 sine 440 vol 0.5 pad 0.5 0.5");
    RunCommand(std::string(SONARCH2_HOST_PATH) + " --register " SONARCH2_LIBRARY_PATH);
    const std::string script = (dir.Path() / "script.txt").string();
    {
        std::ofstream out(script);
        out << "Load \"" << tone << "\" 4\n";
        for (int ms = 10; ms <= 2600; ms += 10)
            out << "after " << ms << " get PlayTime\n";
        out << "Play\n";
    }

    std::vector<double> atOnset, atEnd, lagOnset, lagEnd;
    int missed = 0;
    for (int i = 0; i < runs; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the sink goes idle again
        std::unique_ptr<MonitorCapture> monitor;
        Clock::time_point loadedAt{};
        const auto readings = RunHost(script, [&] {
            loadedAt = Clock::now();
            monitor = std::make_unique<MonitorCapture>();
            if (!monitor->Start(sink.Monitor()))
                monitor.reset();
        });
        const auto heard = monitor ? monitor->FirstLoud(loadedAt, kLoud) : std::nullopt;
        const auto ended = monitor ? monitor->LastLoud(kLoud) : std::nullopt;
        const auto reachedOnset = Reached(readings, kOnset);
        const auto reachedEnd = Reached(readings, kEnd);
        const auto playOnset = heard ? PlayTimeAt(readings, *heard) : std::nullopt;
        const auto playEnd = ended ? PlayTimeAt(readings, *ended) : std::nullopt;
        if (!heard || !ended || !reachedOnset || !reachedEnd || !playOnset || !playEnd) {
            ++missed;
            continue;
        }
        atOnset.push_back(*playOnset * 1000);
        atEnd.push_back(*playEnd * 1000);
        lagOnset.push_back(Ms(*reachedOnset - *heard));
        lagEnd.push_back(Ms(*reachedEnd - *ended));
    }
    PrintFigures("PlayTime when the onset is heard (ms; sound at 500)", atOnset);
    PrintFigures("PlayTime when the end is heard (ms; sound at 1500)", atEnd);
    PrintFigures("onset heard -> PlayTime reaches 0.5 s (ms)", lagOnset);
    PrintFigures("end heard -> PlayTime reaches 1.5 s (ms)", lagEnd);
    if (missed)
        std::printf("%d run(s) without a usable reading\n", missed);

    return missed == runs ? 1 : 0;
}
