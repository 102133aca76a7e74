#include "WmaTestSupport.h"

#include "wave/CRMWave.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <unistd.h>

namespace wmatest {

ScratchDir::ScratchDir()
{
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() /
             ("wma-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(m_path);
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

int Shell(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Capture(const std::string& command)
{
    struct PipeClose {
        void operator()(FILE* f) const { ::pclose(f); }
    };
    std::unique_ptr<FILE, PipeClose> pipe(::popen((command + " 2>/dev/null").c_str(), "r"));
    std::string out;
    if (!pipe)
        return out;
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        out.append(buffer.data(), got);
    return out;
}

std::string Q(const std::string& path)
{
    std::string quoted = "'";
    for (char c : path) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::vector<int16_t> MakeChirp(int frames, int channels, int rate)
{
    std::vector<int16_t> samples(static_cast<std::size_t>(frames) * channels);
    for (int c = 0; c < channels; ++c) {
        const double f0 = 200.0 + 150.0 * c;
        const double sweep = 300.0;  // Hz per second
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / rate;
            const double phase = 2.0 * M_PI * (f0 * t + 0.5 * sweep * t * t);
            samples[static_cast<std::size_t>(i) * channels + c] =
                static_cast<int16_t>(std::lround(16000.0 * std::sin(phase)));
        }
    }
    return samples;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteRawFile(const std::string& path, const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(samples[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>((samples[i] >> 8) & 0xFF);
    }
    WriteBytes(path, bytes);
}

std::vector<int16_t> ReadRawFile(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadBytes(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

bool EncodeWma(const std::vector<int16_t>& samples, int channels, int rate, int bitRate, const std::string& wma,
               const ScratchDir& dir)
{
    const std::string raw = dir.File("source.s16");
    WriteRawFile(raw, samples);
    std::ostringstream cmd;
    cmd << "ffmpeg -nostdin -v error -y -f s16le -ar " << rate << " -ac " << channels << " -i " << Q(raw)
        << " -c:a wmav2 -b:a " << bitRate << " " << Q(wma);
    return Shell(cmd.str()) == 0;
}

std::vector<int16_t> DecodeWithFfmpeg(const std::string& path, const ScratchDir& dir)
{
    const std::string raw = dir.File("decoded.s16");
    std::filesystem::remove(raw);
    Shell("ffmpeg -nostdin -v error -y -i " + Q(path) + " -f s16le -c:a pcm_s16le " + Q(raw));
    return ReadRawFile(raw);
}

std::string Probe(const std::string& path, const std::string& field, bool stream)
{
    const std::string what = stream ? "-select_streams a:0 -show_entries stream=" : "-show_entries format=";
    std::string out = Capture("ffprobe -v error " + what + field + " -of default=nw=1:nk=1 " + Q(path));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

std::vector<uint8_t> DocumentBytes(CRMWave& wave)
{
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> block(CRMWave::kBlockSize);
    wave.SeekToStart();
    for (;;) {
        const std::size_t got = wave.ReadData(block.data(), block.size());
        if (got == 0)
            break;
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
    }
    return bytes;
}

std::vector<int16_t> DocumentSamples(CRMWave& wave)
{
    const std::vector<uint8_t> bytes = DocumentBytes(wave);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

void FillDocument(CRMWave& wave, const std::vector<int16_t>& samples, int channels, int rate)
{
    wave.CreateNew(channels, rate, 16);
    std::vector<uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(samples[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>((samples[i] >> 8) & 0xFF);
    }
    wave.WriteData(bytes.data(), bytes.size());
    wave.UpdateLength();
}

double BestCorrelation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int channels, int maxLag,
                       int* lag)
{
    const long framesA = static_cast<long>(a.size()) / channels;
    const long framesB = static_cast<long>(b.size()) / channels;
    double best = -2.0;
    int bestLag = 0;
    // Coarse search over every 8th lag, then every lag around the best one.
    auto correlate = [&](int shift) {
        double ab = 0, aa = 0, bb = 0;
        for (long i = 0; i < framesA; i += 3) {
            const long j = i + shift;
            if (j < 0 || j >= framesB)
                continue;
            for (int c = 0; c < channels; ++c) {
                const double x = a[static_cast<std::size_t>(i * channels + c)];
                const double y = b[static_cast<std::size_t>(j * channels + c)];
                ab += x * y;
                aa += x * x;
                bb += y * y;
            }
        }
        return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
    };
    for (int shift = -maxLag; shift <= maxLag; shift += 8) {
        const double r = correlate(shift);
        if (r > best) {
            best = r;
            bestLag = shift;
        }
    }
    const int coarse = bestLag;
    for (int shift = coarse - 8; shift <= coarse + 8; ++shift) {
        const double r = correlate(shift);
        if (r > best) {
            best = r;
            bestLag = shift;
        }
    }
    if (lag)
        *lag = bestLag;
    return best;
}

}  // namespace wmatest
