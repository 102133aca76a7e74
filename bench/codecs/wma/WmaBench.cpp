// Times ReadWma and WriteWma on a stereo 44,100 Hz file (10 minutes unless
// told otherwise) against ffmpeg decoding and encoding the same file, each
// run three times, best time kept.
//
//   wma_bench [minutes] [folder]

#include "codecs/CSoundFile.h"
#include "wave/CRMWave.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kRuns = 3;

double BestSeconds(const std::function<bool()>& work)
{
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!work()) {
            std::fprintf(stderr, "run failed\n");
            std::exit(1);
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

bool Shell(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Music-like test signal: a few drifting tones plus some noise, written as
// raw 16-bit PCM in 64 KB pieces.
void WriteSource(const std::string& path, long frames)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 600.0);
    std::vector<int16_t> block;
    block.reserve(16384 * kChannels);
    for (long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        for (int c = 0; c < kChannels; ++c) {
            const double v = 6000.0 * std::sin(2 * M_PI * (220.0 + 30.0 * c) * t + 3.0 * std::sin(0.5 * t)) +
                             4000.0 * std::sin(2 * M_PI * 1375.0 * t * (1.0 + 0.01 * std::sin(t))) + noise(random);
            block.push_back(static_cast<int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0))));
        }
        if (block.size() == block.capacity()) {
            out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 2));
            block.clear();
        }
    }
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 2));
}

void FillDocument(CRMWave& wave, const std::string& raw)
{
    wave.CreateNew(kChannels, kRate, 16);
    std::ifstream in(raw, std::ios::binary);
    std::vector<char> block(CRMWave::kBlockSize);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
        wave.WriteData(block.data(), static_cast<std::size_t>(in.gcount()));
    wave.UpdateLength();
}

}  // namespace

int main(int argc, char** argv)
{
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const std::filesystem::path folder =
        argc > 2 ? std::filesystem::path(argv[2])
                 : std::filesystem::temp_directory_path() / ("wma-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string raw = (folder / "source.s16").string();
    const std::string wma = (folder / "source.wma").string();
    const long frames = static_cast<long>(minutes * 60.0 * kRate);

    WriteSource(raw, frames);
    const std::string input = " -f s16le -ar 44100 -ac 2 -i '" + raw + "'";
    if (!Shell("ffmpeg -nostdin -v error -y" + input + " -c:a wmav2 -b:a 128k '" + wma + "'")) {
        std::fprintf(stderr, "ffmpeg could not make the source file\n");
        return 1;
    }
    std::printf("source: %.1f min stereo 44100 Hz, %ld frames, WMA 128 kbit/s %.1f MB\n", minutes, frames,
                static_cast<double>(std::filesystem::file_size(wma)) / 1e6);

    // Load: ReadWma into the document's working file, against ffmpeg
    // decoding to a raw file on the same disk.
    CRMWave wave;
    CSoundFile sound;
    sound.m_pWave = &wave;
    int32_t loadedFrames = 0;
    const double load = BestSeconds([&] {
        wave.CreateNew(2, 44100, 16);
        sound.ResetSettings();
        const bool ok = sound.LoadFile(wma, FormatWma) == 1 && wave.m_nLength > 0;
        loadedFrames = wave.m_nLength;
        return ok;
    });
    const std::string decoded = (folder / "ffmpeg-decoded.s16").string();
    const double ffmpegDecode =
        BestSeconds([&] { return Shell("ffmpeg -nostdin -v error -y -i '" + wma + "' -f s16le '" + decoded + "'"); });

    // Save: WriteWma of the raw signal at 128 kbit/s, against ffmpeg encoding it.
    FillDocument(wave, raw);
    const std::string saved = (folder / "saved.wma").string();
    const double save = BestSeconds([&] {
        sound.m_nBitRate = 128000;
        return sound.SaveFileAs(saved, FormatWma) == 1 && std::filesystem::exists(saved);
    });
    const std::string encoded = (folder / "ffmpeg-encoded.wma").string();
    const double ffmpegEncode = BestSeconds(
        [&] { return Shell("ffmpeg -nostdin -v error -y" + input + " -c:a wmav2 -b:a 128k '" + encoded + "'"); });

    std::printf("load: ReadWma %.2f s (%d frames)  ffmpeg decode %.2f s  ratio %.2f (target <= 1.5)\n", load,
                loadedFrames, ffmpegDecode, load / ffmpegDecode);
    std::printf("save: WriteWma %.2f s (%.1f MB)  ffmpeg encode %.2f s (%.1f MB)  ratio %.2f (target <= 1.2)\n", save,
                static_cast<double>(std::filesystem::file_size(saved)) / 1e6, ffmpegEncode,
                static_cast<double>(std::filesystem::file_size(encoded)) / 1e6, save / ffmpegEncode);

    if (argc <= 2)
        std::filesystem::remove_all(folder);
    return 0;
}
