#include "CodecTestSupport.h"

#include "wave/CRMWave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace codectest {

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vrt-codecs-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data()))
        m_path = made;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

int Shell(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Capture(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"), pclose);
    if (!pipe)
        return out;
    std::array<char, 4096> buffer{};
    std::size_t got;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
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

std::vector<int16_t> MakeSignal(int frames, int channels, int rate)
{
    std::vector<int16_t> samples(static_cast<std::size_t>(frames) * channels);
    const double pi = 3.14159265358979323846;
    for (int f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / rate;
        for (int c = 0; c < channels; ++c) {
            const double tone = std::sin(2 * pi * (440.0 + 220.0 * c) * t);
            const double sweep = std::sin(2 * pi * (100.0 + 400.0 * t) * t);
            samples[static_cast<std::size_t>(f) * channels + c] =
                static_cast<int16_t>(std::lround(9000.0 * tone + 6000.0 * sweep));
        }
    }
    return samples;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void Put16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(tag[i]));
}

void PutChunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& body)
{
    PutTag(out, tag);
    Put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1u)
        out.push_back(0);
}

std::vector<uint8_t> RiffWave(const std::vector<uint8_t>& chunks)
{
    std::vector<uint8_t> image;
    PutTag(image, "RIFF");
    Put32(image, static_cast<uint32_t>(4 + chunks.size()));
    PutTag(image, "WAVE");
    image.insert(image.end(), chunks.begin(), chunks.end());
    return image;
}

std::vector<uint8_t> FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    std::vector<uint8_t> body;
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    Put16(body, tag);
    Put16(body, channels);
    Put32(body, rate);
    Put32(body, rate * align);
    Put16(body, align);
    Put16(body, bits);
    Put16(body, 0);
    return body;
}

std::vector<uint8_t> ToBytes(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (int16_t s : samples)
        Put16(bytes, static_cast<uint16_t>(s));
    return bytes;
}

std::vector<int16_t> ToSamples(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

std::vector<uint8_t> ToEightBit(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(samples.size());
    for (int16_t s : samples)
        bytes.push_back(static_cast<uint8_t>((s >> 8) + 128));
    return bytes;
}

std::vector<int16_t> WidenEightBit(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> samples;
    samples.reserve(bytes.size());
    for (uint8_t b : bytes)
        samples.push_back(static_cast<int16_t>((b - 128) * 256));
    return samples;
}

void WritePcm16Wav(const std::string& path, const std::vector<int16_t>& samples, int channels, int rate)
{
    std::vector<uint8_t> chunks;
    PutChunk(chunks, "fmt ", FmtBody(1, static_cast<uint16_t>(channels), static_cast<uint32_t>(rate), 16));
    PutChunk(chunks, "data", ToBytes(samples));
    WriteFile(path, RiffWave(chunks));
}

std::vector<uint8_t> DocumentBytes(CRMWave& wave)
{
    std::vector<uint8_t> all;
    std::vector<uint8_t> block(65536);
    wave.SeekToStart();
    for (;;) {
        const std::size_t got = wave.ReadData(block.data(), block.size());
        if (got == 0)
            break;
        all.insert(all.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
    }
    return all;
}

std::vector<int16_t> DocumentSamples(CRMWave& wave)
{
    return ToSamples(DocumentBytes(wave));
}

void FillDocument(CRMWave& wave, const std::vector<int16_t>& samples, int channels, int rate)
{
    FillDocumentBytes(wave, ToBytes(samples), channels, rate, 16);
}

void FillDocumentBytes(CRMWave& wave, const std::vector<uint8_t>& bytes, int channels, int rate, int bits)
{
    ASSERT_TRUE(wave.CreateNew(channels, rate, bits));
    ASSERT_TRUE(wave.WriteData(bytes.data(), bytes.size()));
    wave.UpdateLength();
}

namespace {

// Normalised correlation of a against b delayed by `lag` frames, over at most
// `limit` frames.
double CorrelationAt(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int channels,
                     int lag, std::size_t limit)
{
    const std::size_t framesA = a.size() / channels;
    const std::size_t framesB = b.size() / channels;
    if (static_cast<std::size_t>(lag) >= framesB)
        return -2;
    const std::size_t frames = std::min({framesA, framesB - lag, limit});
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < frames * channels; ++i) {
        const double x = a[i];
        const double y = b[i + static_cast<std::size_t>(lag) * channels];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    return (aa > 0 && bb > 0) ? ab / std::sqrt(aa * bb) : 0;
}

}  // namespace

double BestCorrelation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int channels,
                       int maxLag, int* pLag)
{
    // The lag is found on a short window, the correlation then taken whole.
    double best = -2;
    int bestLag = 0;
    for (int lag = 0; lag <= maxLag; ++lag) {
        const double r = CorrelationAt(a, b, channels, lag, 8192);
        if (r > best) {
            best = r;
            bestLag = lag;
        }
    }
    if (pLag)
        *pLag = bestLag;
    return CorrelationAt(a, b, channels, bestLag, static_cast<std::size_t>(-1));
}

std::vector<float> EventRecorder::Progress() const
{
    std::vector<float> values;
    for (float e : events)
        if (e != kPump)
            values.push_back(e);
    return values;
}

bool EventRecorder::EachReportPumped() const
{
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i] != kPump && (i + 1 >= events.size() || events[i + 1] != kPump))
            return false;
    }
    return true;
}

}  // namespace codectest
