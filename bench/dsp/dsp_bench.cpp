// Times the effects over a long 16-bit stereo 44100 Hz document and, in the
// same run, sox doing the same where it has an equivalent (vol, fade, reverse,
// sinc, bass) on a raw copy of the same audio. Also reports the peak resident
// memory of each effect above the process's baseline, for two document
// lengths, to show that it does not grow with the document.
//
// Usage: dsp_bench [minutes=10] [short minutes=1]
#include "dsp/CWaveEffects.h"
#include "wave/CRMWave.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;

struct Effect {
    const char* name;
    std::function<void(CWaveEffects&, CRMWave&)> run;
    const char* soxEffect;  // nullptr: no equivalent
};

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double CpuSeconds(const rusage& u)
{
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double SelfCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return CpuSeconds(u);
}

struct Timing {
    double wall = -1;
    double cpu = -1;
    long peakKb = 0;
};

long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

// Resets the peak resident size to the current one (Linux clear_refs 5).
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Music-like test audio: two tones, a slow sweep and noise, per channel.
void Fill(CRMWave& wave, const std::filesystem::path& rawCopy, int64_t frames)
{
    wave.CreateNew(2, kRate, 16);
    std::ofstream raw(rawCopy, std::ios::binary);
    std::mt19937 gen(1);
    std::normal_distribution<float> noise(0.0f, 800.0f);
    std::vector<int16_t> block(16384 * 2);
    for (int64_t f = 0; f < frames;) {
        const int64_t n = std::min<int64_t>(16384, frames - f);
        for (int64_t j = 0; j < n; ++j) {
            const double t = static_cast<double>(f + j) / kRate;
            const double l = 6000 * std::sin(2 * M_PI * 110 * t) + 3000 * std::sin(2 * M_PI * 2500 * t);
            const double r = 6000 * std::sin(2 * M_PI * (300 + 50 * std::sin(t)) * t) +
                             2000 * std::sin(2 * M_PI * 7000 * t);
            block[2 * j] = static_cast<int16_t>(l + noise(gen));
            block[2 * j + 1] = static_cast<int16_t>(r + noise(gen));
        }
        wave.WriteData(block.data(), static_cast<std::size_t>(n) * 4);
        raw.write(reinterpret_cast<const char*>(block.data()), n * 4);
        f += n;
    }
    wave.UpdateLength();
    wave.SelectAll();
}

// Runs sox and returns its wall and processor time and peak resident size.
std::optional<Timing> RunSox(const std::filesystem::path& in,
                                              const std::filesystem::path& out, const std::string& effect)
{
    const std::string raw = "-t raw -r 44100 -e signed -b 16 -c 2";
    const std::string command = "exec sox -V1 " + raw + " '" + in.string() + "' " + raw + " '" +
                                out.string() + "' " + effect;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    const double wall = Seconds(std::chrono::steady_clock::now() - start);
    std::filesystem::remove(out);
    return Timing{wall, CpuSeconds(usage), usage.ru_maxrss};
}

}  // namespace

int main(int argc, char** argv)
{
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const double shortMinutes = argc > 2 ? std::atof(argv[2]) : 1.0;
    const auto dir = std::filesystem::temp_directory_path() / ("dsp_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto rawIn = dir / "in.raw";
    const auto rawOut = dir / "out.raw";

    const std::vector<Effect> effects = {
        {"amplify 0.5", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindAmplify, 0.5f); }, "vol 0.5"},
        {"fade in", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindFadeIn); }, nullptr},
        {"fade out", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindFadeOut); }, nullptr},
        {"invert", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindInvert); }, nullptr},
        {"reverse", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindReverse); }, "reverse"},
        {"low-pass 1000 Hz", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindLowPass, 1000.0f); },
         "sinc -1000"},
        {"band-pass 300-3000 Hz",
         [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindBandPass, 300.0f, 3000.0f); }, "sinc 300-3000"},
        {"bass boost 200 Hz x2", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindBassBoost, 200.0f, 2.0f); },
         "bass +12 200"},
        {"echo 60 s x0.5", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindEcho, 60.0f, 0.5f); }, nullptr},
        {"noise capture 10 s + removal",
         [](CWaveEffects& fx, CRMWave& wave) {
             const int32_t end = wave.m_nSelEnd;
             wave.m_nSelEnd = wave.SecondsToFrames(10.0f);
             fx.ApplyEffect(FxKindNoiseRemoval, 1.0f, 0.0f);
             wave.m_nSelEnd = end;
             fx.ApplyEffect(FxKindNoiseRemoval, 0.0f, 4.0f);
         },
         nullptr},
    };
    // sox's fade needs the length in the command.
    const std::string soxFade = "fade t " + std::to_string(static_cast<int>(minutes * 60));

    struct Row {
        Timing ours, sox;
        long oursShortKb = 0;
    };
    std::vector<Row> rows(effects.size());

    for (int pass = 0; pass < 2; ++pass) {
        const double length = pass == 0 ? shortMinutes : minutes;
        const auto frames = static_cast<int64_t>(length * 60 * kRate);
        CRMWave wave;
        CWaveEffects fx(&wave);
        Fill(wave, rawIn, frames);
        std::printf("%s document: %.1f min, %lld frames, %.1f MB\n", pass ? "long" : "short", length,
                    static_cast<long long>(frames), frames * 4 / 1e6);
        for (std::size_t i = 0; i < effects.size(); ++i) {
            wave.SelectAll();
            const long base = StatusKb("VmRSS");
            ResetPeak();
            const auto start = std::chrono::steady_clock::now();
            const double cpuStart = SelfCpuSeconds();
            effects[i].run(fx, wave);
            const double wall = Seconds(std::chrono::steady_clock::now() - start);
            const double cpu = SelfCpuSeconds() - cpuStart;
            const long peak = StatusKb("VmHWM") - base;
            if (pass == 0) {
                rows[i].oursShortKb = peak;
                continue;
            }
            rows[i].ours = Timing{wall, cpu, peak};
            const char* sox = effects[i].soxEffect;
            std::string soxEffect = sox ? sox : "";
            if (std::string(effects[i].name) == "fade in")
                soxEffect = soxFade;
            if (!soxEffect.empty()) {
                if (auto result = RunSox(rawIn, rawOut, soxEffect))
                    rows[i].sox = *result;
            }
            std::printf("  %-30s %7.2f s wall %7.2f s cpu\n", effects[i].name, wall, cpu);
            std::fflush(stdout);
        }
    }

    std::printf("\nwall and processor seconds, ours and sox; ratio = ours / sox; peak resident KB above the\n"
                "baseline for the short and the long document, and sox's whole peak\n");
    std::printf("%-30s %7s %7s %7s %7s %6s %6s  %-14s %7s %7s %7s\n", "effect", "wall", "cpu", "sox wall",
                "sox cpu", "wall x", "cpu x", "sox effect", "KB short", "KB long", "sox KB");
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const Row& r = rows[i];
        std::string soxEffect = effects[i].soxEffect ? effects[i].soxEffect : "";
        if (std::string(effects[i].name) == "fade in")
            soxEffect = soxFade;
        if (r.sox.wall > 0)
            std::printf("%-30s %7.2f %7.2f %8.2f %7.2f %6.2f %6.2f  %-14s %7ld %7ld %7ld\n", effects[i].name,
                        r.ours.wall, r.ours.cpu, r.sox.wall, r.sox.cpu, r.ours.wall / r.sox.wall,
                        r.ours.cpu / r.sox.cpu, soxEffect.c_str(), r.oursShortKb, r.ours.peakKb, r.sox.peakKb);
        else
            std::printf("%-30s %7.2f %7.2f %8s %7s %6s %6s  %-14s %7ld %7ld %7s\n", effects[i].name, r.ours.wall,
                        r.ours.cpu, "-", "-", "-", "-", "-", r.oursShortKb, r.ours.peakKb, "-");
    }
    std::printf("process peak resident size: %ld KB\n", StatusKb("VmHWM"));
    std::filesystem::remove_all(dir);
    return 0;
}
