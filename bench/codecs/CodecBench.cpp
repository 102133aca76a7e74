// Wall time of our loads and saves against the reference programs, on one
// generated stereo 44.1 kHz file (10 minutes unless told otherwise).
//
// Peers: mpg123 and oggdec decode to a raw file (as our loads decode into the
// working file); lame and oggenc encode from a WAV file. Each peer is run in
// the setting that matches ours (stereo mode for lame, managed 128 kbit/s for
// oggenc) and, for reference, in its default setting.

#include "codecs/CSoundFile.h"
#include "wave/CRMWave.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Shell(const std::string& command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        std::fprintf(stderr, "command failed: %s\n", command.c_str());
}

// A 16-bit stereo WAV of music-like content: two tones, a sweep, some noise.
void WriteSource(const std::string& path, int frames)
{
    std::ofstream out(path, std::ios::binary);
    auto put16 = [&](uint16_t v) { out.put(static_cast<char>(v & 0xFF)).put(static_cast<char>(v >> 8)); };
    auto put32 = [&](uint32_t v) { put16(static_cast<uint16_t>(v)); put16(static_cast<uint16_t>(v >> 16)); };
    const uint32_t dataSize = static_cast<uint32_t>(frames) * 4;
    out.write("RIFF", 4);
    put32(36 + dataSize);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(2);
    put32(44100);
    put32(176400);
    put16(4);
    put16(16);
    out.write("data", 4);
    put32(dataSize);
    std::vector<char> block;
    uint32_t noise = 12345;
    const double pi = 3.14159265358979323846;
    for (int f = 0; f < frames; ++f) {
        const double t = f / 44100.0;
        const double sweep = std::sin(2 * pi * (200 + 1800 * std::fmod(t, 5.0) / 5.0) * t);
        for (int c = 0; c < 2; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double value = 7000 * std::sin(2 * pi * (220.0 * (c + 1)) * t) + 5000 * sweep +
                                 1500.0 * (static_cast<int32_t>(noise >> 16) - 32768) / 32768.0;
            const auto s = static_cast<int16_t>(std::lround(value));
            block.push_back(static_cast<char>(s & 0xFF));
            block.push_back(static_cast<char>((s >> 8) & 0xFF));
        }
        if (block.size() >= 65536) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

struct Row {
    std::string what;
    double ours;
    std::string peerName;
    double peer;
    double target;
};

void Print(const Row& row)
{
    const double ratio = row.peer > 0 ? row.ours / row.peer : 0;
    std::printf("%-10s ours %7.2f s   %-44s %7.2f s   ratio %5.2f%s\n", row.what.c_str(), row.ours,
                row.peerName.c_str(), row.peer, ratio,
                row.target > 0 ? (ratio <= row.target ? "  (within target)" : "  (OVER target)") : "");
}

}  // namespace

int main(int argc, char** argv)
{
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const std::filesystem::path dir = argc > 2 ? argv[2] : std::filesystem::temp_directory_path() / "vrt-codecs-bench";
    std::filesystem::create_directories(dir);
    auto file = [&](const char* name) { return (dir / name).string(); };
    const int frames = static_cast<int>(minutes * 60 * 44100);

    std::printf("codecs_bench: %.1f minutes of 16-bit stereo at 44100 Hz (%d frames, %.1f MB) in %s\n",
                minutes, frames, frames * 4 / 1e6, dir.c_str());
    WriteSource(file("source.wav"), frames);

    CRMWave wave;
    CSoundFile sound;
    sound.m_pWave = &wave;
    auto load = [&](const std::string& path, int32_t format) {
        sound.ResetSettings();
        wave.CreateNew(2, 44100, 16);
        if (sound.LoadFile(path, format) != 1)
            std::fprintf(stderr, "load failed: %s\n", path.c_str());
    };
    auto save = [&](const std::string& path, int32_t format) {
        sound.m_nBitRate = 128000;
        sound.m_strFileName = path;
        sound.m_nFormat = format;
        if (sound.SaveFile() != 1)
            std::fprintf(stderr, "save failed: %s\n", path.c_str());
    };
    const std::string src = file("source.wav");

    // Saving: the document holds the source.
    load(src, FormatWav);
    std::vector<Row> rows;
    {
        const double ours = Seconds([&] { save(file("ours.mp3"), FormatMp3); });
        const double peer = Seconds([&] { Shell("lame --quiet -b 128 -m s " + src + " " + file("lame.mp3")); });
        const double peerDefault = Seconds([&] { Shell("lame --quiet -b 128 " + src + " " + file("lame-j.mp3")); });
        rows.push_back({"save mp3", ours, "lame -b 128 -m s", peer, 1.1});
        rows.push_back({"", ours, "lame -b 128 (joint stereo)", peerDefault, 0});
    }
    {
        const double ours = Seconds([&] { save(file("ours.ogg"), FormatOgg); });
        const double peer = Seconds([&] {
            Shell("oggenc -Q --managed -b 128 -m 128 -M 128 -o " + file("oggenc.ogg") + " " + src);
        });
        const double peerDefault = Seconds([&] { Shell("oggenc -Q -b 128 -o " + file("oggenc-abr.ogg") + " " + src); });
        rows.push_back({"save ogg", ours, "oggenc --managed -b 128 -m 128 -M 128", peer, 1.1});
        rows.push_back({"", ours, "oggenc -b 128 (unmanaged)", peerDefault, 0});
    }
    {
        const double ours = Seconds([&] { save(file("ours.wav"), FormatWav); });
        const double peer = Seconds([&] { Shell("cp " + src + " " + file("copy.wav")); });
        rows.push_back({"save wav", ours, "cp", peer, 0});
    }
    {
        const double ours = Seconds([&] { save(file("ours.raw"), FormatRaw); });
        const double peer = Seconds([&] { Shell("sox " + src + " -t raw " + file("sox.raw")); });
        rows.push_back({"save raw", ours, "sox to raw", peer, 0});
    }

    // Loading: each peer decodes the same file into a raw file.
    {
        const double ours = Seconds([&] { load(file("lame.mp3"), FormatMp3); });
        const double peer = Seconds([&] { Shell("mpg123 -q -e s16 -O " + file("mpg123.pcm") + " " + file("lame.mp3")); });
        rows.push_back({"load mp3", ours, "mpg123 -O file", peer, 1.2});
    }
    {
        const double ours = Seconds([&] { load(file("oggenc.ogg"), FormatOgg); });
        const double peer = Seconds([&] { Shell("oggdec -Q -R -o " + file("oggdec.pcm") + " " + file("oggenc.ogg")); });
        rows.push_back({"load ogg", ours, "oggdec -R", peer, 1.2});
    }
    {
        const double ours = Seconds([&] { load(src, FormatWav); });
        const double peer = Seconds([&] { Shell("sox " + src + " -t raw " + file("sox2.raw")); });
        rows.push_back({"load wav", ours, "sox to raw", peer, 0});
    }
    {
        const double ours = Seconds([&] { load(file("ours.raw"), FormatRaw); });
        const double peer = Seconds([&] { Shell("cp " + file("ours.raw") + " " + file("copy.raw")); });
        rows.push_back({"load raw", ours, "cp", peer, 0});
    }

    for (const auto& row : rows)
        Print(row);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
