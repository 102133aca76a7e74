// Wall time of MakeRingtone against ffmpeg on one generated stereo 44.1 kHz
// document (10 minutes unless told otherwise): a 30 s range from 4:00, 1 s
// fade-in, 2 s fade-out, loudness to -16 LUFS under -1 dBTP.
//
// ffmpeg seeks into the WAV file (-ss, -t) and runs afade twice and loudnorm
// (one pass, kept at 44.1 kHz) before its encoder; we copy the range out of
// the working file, fade, measure, limit and encode. Each pair runs
// alternately (2 rounds unless told) and the best of each side counts; the
// CPU time (user + system, children included) is printed beside the wall time.

#include "CpuSeconds.h"
#include "codecs/CSoundFile.h"
#include "codecs/MakeRingtone.h"
#include "wave/CRMWave.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
    double wall = 1e30;
    double cpu = 1e30;
};

void Best(Timing& best, const std::function<bool()>& work, bool& ok)
{
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    ok = work() && ok;
    best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - start).count());
    best.cpu = std::min(best.cpu, CpuSeconds() - cpuStart);
}

// A stereo document of tones and noise, also written as a WAV file for ffmpeg.
void MakeSource(CRMWave& wave, const std::string& wavPath, int minutes)
{
    const int rate = 44100;
    const int64_t frames = static_cast<int64_t>(minutes) * 60 * rate;
    wave.CreateNew(2, rate, 16);
    std::ofstream wav(wavPath, std::ios::binary);
    const auto put32 = [&](uint32_t v) { wav.write(reinterpret_cast<const char*>(&v), 4); };
    const auto put16 = [&](uint16_t v) { wav.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = static_cast<uint32_t>(frames * 4);
    wav.write("RIFF", 4);
    put32(36 + bytes);
    wav.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(2);
    put32(rate);
    put32(rate * 4);
    put16(4);
    put16(16);
    wav.write("data", 4);
    put32(bytes);
    std::vector<int16_t> block(2 * 16384);
    uint32_t seed = 1;
    for (int64_t done = 0; done < frames;) {
        const auto n = static_cast<std::size_t>(std::min<int64_t>(16384, frames - done));
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(done + static_cast<int64_t>(i)) / rate;
            seed = seed * 1664525u + 1013904223u;
            const double noise = (static_cast<double>(seed >> 8) / (1 << 24) - 0.5) * 0.05;
            block[2 * i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * t) + 6000 * noise);
            block[2 * i + 1] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 660 * t) + 6000 * noise);
        }
        wave.WriteData(block.data(), n * 4);
        wav.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n * 4));
        done += static_cast<int64_t>(n);
    }
    wave.UpdateLength();
}

}  // namespace

int main(int argc, char** argv)
{
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::filesystem::path folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path() / "ringtone_bench";
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2;
    std::filesystem::create_directories(folder);
    const std::string source = (folder / "source.wav").string();

    CRMWave wave;
    MakeSource(wave, source, minutes);
    CSoundFile settings;
    settings.m_pWave = &wave;
    const double begin = std::min(240.0, minutes * 60.0 - 30.0);

    struct Format {
        int32_t code;
        const char* name;
        const char* ffmpegOutput;  // codec and container options
        const char* extension;
    };
    const Format formats[] = {{FormatMp3, "MP3", "-c:a libmp3lame -b:a 128k", "mp3"},
                              {FormatOgg, "Ogg", "-c:a libvorbis -b:a 128k", "ogg"},
                              {FormatRaw, "raw", "-f s16le", "raw"},
                              {FormatWav, "WAV", "-c:a pcm_s16le", "wav"},
                              {FormatWma, "WMA", "-c:a wmav2 -b:a 128k", "wma"},
                              {FormatM4a, "M4A", "-c:a aac -b:a 128k -f mp4", "m4a"},
                              {FormatM4r, "M4R", "-c:a aac -b:a 128k -f ipod", "m4r"}};
    std::printf("MakeRingtone, 30 s from %d:%02d of a %d-minute stereo 44.1 kHz document; best of %d\n",
                static_cast<int>(begin) / 60, static_cast<int>(begin) % 60, minutes, rounds);
    std::printf("%-5s %12s %12s %12s %12s\n", "", "ours wall", "ours cpu", "ffmpeg wall", "ffmpeg cpu");
    for (const Format& f : formats) {
        Timing ours;
        Timing peer;
        bool ok = true;
        const std::string ourName = (folder / "ours").string();
        const std::string peerName = (folder / (std::string("peer.") + f.extension)).string();
        const std::string command = "ffmpeg -v error -y -ss " + std::to_string(begin) + " -t 30 -i '" + source +
                                    "' -af afade=t=in:d=1,afade=t=out:st=28:d=2,loudnorm=I=-16:TP=-1 -ar 44100 " +
                                    f.ffmpegOutput + " '" + peerName + "'";
        for (int round = 0; round < rounds; ++round) {
            Best(ours, [&] {
                RingtoneRequest request{ourName, f.code, begin, begin + 30, 1.0, 2.0, -16.0, -1.0};
                return MakeRingtone(wave, settings, request).written == 1;
            }, ok);
            Best(peer, [&] { return std::system(command.c_str()) == 0; }, ok);
        }
        std::printf("%-5s %11.3fs %11.3fs %11.3fs %11.3fs%s\n", f.name, ours.wall, ours.cpu, peer.wall, peer.cpu,
                    ok ? "" : "  (a run failed)");
    }
    std::filesystem::remove_all(folder);
    return 0;
}
