#include "WmaTestSupport.h"

#include <cmath>
#include <filesystem>
#include <sstream>

namespace wmatest {

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

void WriteRawFile(const std::string& path, const std::vector<int16_t>& samples)
{
    WriteFile(path, codectest::ToBytes(samples));
}

std::vector<int16_t> ReadRawFile(const std::string& path)
{
    return codectest::ToSamples(ReadFile(path));
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
