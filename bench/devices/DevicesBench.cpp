// Start latency and stop loss of the device layer on a PulseAudio null sink
// of its own: Play to the first loud sample on the sink's monitor, the first
// PlayTime step, Play's return for a 2 s range, the silence after Stop, and
// the frames a recording keeps when stopped after 1, 2.5 and 5 s. Prints the
// median of each over the runs beside its goal.
//
// The sink is idle before every run, as a user's would be: the monitor is
// recorded only while a measured Play runs (it connects just before it), and
// nothing plays into the sink while a recording runs.
//
//   devices_bench [runs]          (default 10; needs a running sound server)

#include "BenchFigures.h"
#include "MonitorCapture.h"
#include "PulseHelpers.h"

#include "devices/CWavePlayer.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;
constexpr int kLoud = 2000;

// Fires nothing; runs the benchmark's hook in each message step.
class BenchEvents : public IControlEvents {
public:
    BenchEvents() { SetControlEvents(this); }
    ~BenchEvents() override { SetControlEvents(nullptr); }
    void PumpMessages() override
    {
        if (onPump)
            onPump();
    }
    void FireChangePlayer() override
    {
        if (onChangePlayer)
            onChangePlayer();
    }
    std::function<void()> onPump;
    std::function<void()> onChangePlayer;
};

bool FillTone(CRMWave& wave, double seconds)
{
    if (!wave.CreateNew(2, kRate, 16))
        return false;
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<int16_t> samples(frames * 2);
    for (std::size_t f = 0; f < frames; ++f)
        samples[2 * f] = samples[2 * f + 1] =
            static_cast<int16_t>(12000 * std::sin(2 * std::numbers::pi * 440 * static_cast<double>(f) / kRate));
    const bool ok = wave.WriteData(samples.data(), samples.size() * 2);
    wave.UpdateLength();
    return ok;
}

struct Bench {
    CRMWave wave;
    CWavePlayer player;
    BenchEvents events;
    std::string monitorSource;
    bool monitorFailed = false;

    explicit Bench(std::string source) : monitorSource(std::move(source)) { player.m_pWave = &wave; }

    // A fresh recording of the monitor; it does not wait for the first data,
    // so that the sink is still idle when Play opens its stream.
    std::unique_ptr<MonitorCapture> ListenToSink()
    {
        auto monitor = std::make_unique<MonitorCapture>();
        if (!monitor->Start(monitorSource)) {
            std::fprintf(stderr, "cannot record the monitor: %s\n", monitor->Error().c_str());
            monitorFailed = true;
            return nullptr;
        }
        return monitor;
    }

    // Play of a 2 s tone: first loud sample on the monitor, first PlayTime
    // step and the return, each in ms after the call.
    void PlayOnce(std::vector<double>& sound, std::vector<double>& step, std::vector<double>& ret)
    {
        if (!FillTone(wave, 2.0))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto monitor = ListenToSink();
        if (!monitor)
            return;
        std::optional<Clock::time_point> firstStep;
        events.onChangePlayer = [&] {
            if (!firstStep && player.GetPlayPos() > 0)
                firstStep = Clock::now();
        };
        const auto start = Clock::now();
        player.Play();
        const auto end = Clock::now();
        events.onChangePlayer = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        if (auto t = monitor->FirstLoud(start, kLoud))
            sound.push_back(Ms(*t - start));
        if (firstStep)
            step.push_back(Ms(*firstStep - start));
        ret.push_back(Ms(end - start));
    }

    // Stop 1 s into a 5 s tone: ms from Stop to the last loud sample.
    void StopOnce(std::vector<double>& silence)
    {
        if (!FillTone(wave, 5.0))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto monitor = ListenToSink();
        if (!monitor)
            return;
        const auto start = Clock::now();
        Clock::time_point stoppedAt{};
        events.onPump = [&] {
            if (stoppedAt == Clock::time_point{} && Clock::now() - start > std::chrono::seconds(1)) {
                stoppedAt = Clock::now();
                player.Stop();
            }
        };
        player.Play();
        events.onPump = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (auto t = monitor->LastLoud(kLoud); t && stoppedAt != Clock::time_point{})
            silence.push_back(std::max(0.0, Ms(*t - stoppedAt)));
    }

    // Records for `seconds` of wall time, then Stop: seconds kept.
    double RecordOnce(double seconds)
    {
        if (!wave.CreateNew(1, kRate, 16))
            return NAN;
        Clock::time_point start;
        events.onPump = [&] {
            if (player.GetStatus() == CWavePlayer::PlayerRecording &&
                Clock::now() - start >= std::chrono::duration<double>(seconds))
                player.Stop();
        };
        start = Clock::now();
        player.Record(0.0f);
        events.onPump = nullptr;
        return wave.m_nLength / static_cast<double>(kRate);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const PrivateNullSink sink;
    if (!sink.IsLoaded()) {
        std::fprintf(stderr, "no PulseAudio server answers (scripts/start-sound-server.sh starts one)\n");
        return 1;
    }
    int status = 0;
    {
        Bench bench(sink.Monitor());
        std::vector<double> sound, step, ret, silence;
        for (int i = 0; i < runs && !bench.monitorFailed; ++i) {
            bench.PlayOnce(sound, step, ret);
            bench.StopOnce(silence);
        }
        if (bench.monitorFailed) {
            status = 1;
        } else {
            PrintFigures("Play -> first sound on the sink (ms)", sound, "<= 100");
            PrintFigures("Play -> first PlayTime step (ms)", step, "<= 100");
            PrintFigures("Play of 2 s returns after (ms)", ret, "<= 2300");
            PrintFigures("Stop -> silence on the sink (ms)", silence, "<= 50");
            // The monitor delivers silence here: what counts is how many frames arrive.
            for (const double t : {1.0, 2.5, 5.0}) {
                std::vector<double> kept;
                for (int i = 0; i < runs; ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                    kept.push_back(bench.RecordOnce(t) * 1000);
                }
                char what[64], goal[32];
                std::snprintf(what, sizeof what, "Record %.1f s: kept (ms)", t);
                std::snprintf(goal, sizeof goal, ">= %.0f", (t - 0.1) * 1000);
                PrintFigures(what, kept, goal);
            }
        }
    }
    return status;
}
