// Golden outputs: every effect on a 20-second stereo 16-bit document and a
// 4-second mono 8-bit one (fixed-seed noise plus tones), over the whole
// document and over an odd partial selection. The hashes were recorded from
// the block-loop implementation before the effects became processors; any
// change to an output byte shows here. The brick-wall filters and noise
// removal share one transform between two blocks since then, which moves some
// samples by one step: they are held to their definition within 1 LSB
// instead, and the definition to the recorded hash.
#include "EffectFixture.h"

#include "dsp/FFT.h"
#include "dsp/FrequencyMask.h"

#include <cinttypes>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

using namespace dsptest;

namespace {

constexpr int kRate = 44100;

// Noise from the raw generator (portable across standard libraries) plus two
// tones per channel, at most about 3/4 of full scale so that gains above 1 clip.
std::vector<uint8_t> GoldenBytes(int channels, int bits, int frames)
{
    std::mt19937 gen(20240607u);
    const double full = bits == 16 ? 32767.0 : 127.0;
    std::vector<uint8_t> bytes;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const double t = static_cast<double>(f) / kRate;
            const double noise = (static_cast<double>(gen() % 2001) - 1000.0) / 1000.0;
            const double v = full * (0.3 * std::sin(2 * std::numbers::pi * (110.0 + 330.0 * c) * t) +
                                     0.25 * std::sin(2 * std::numbers::pi * (2500.0 + 1700.0 * c) * t) +
                                     0.2 * noise);
            const long s = std::lround(v);
            if (bits == 16) {
                const auto u = static_cast<uint16_t>(static_cast<int16_t>(s));
                bytes.push_back(static_cast<uint8_t>(u));
                bytes.push_back(static_cast<uint8_t>(u >> 8));
            } else {
                bytes.push_back(static_cast<uint8_t>(s + 127));
            }
        }
    }
    return bytes;
}

uint64_t Fnv1a(const std::vector<uint8_t>& bytes)
{
    uint64_t h = 14695981039346656037ull;
    for (uint8_t b : bytes)
        h = (h ^ b) * 1099511628211ull;
    return h;
}

struct FilterCase {
    BrickWall kind;
    float low;
    float high;
};

struct GoldenCase {
    const char* name;
    std::function<void(CWaveEffects&, CRMWave&)> run;
    std::optional<FilterCase> filter = std::nullopt;
    float denoiseLevel = 0.0f;  // non-zero: noise removal at this level
};

// The brick-wall filters' definition: every channel and 8193-frame block of
// the selection transformed on its own (zero imaginary input, zero-padded to
// 16384 points), masked, transformed back, the real part stored.
std::vector<uint8_t> FilteredByDefinition(std::vector<uint8_t> bytes, const SampleFormat& format, int32_t begin,
                                          int32_t end, const FilterCase& filter)
{
    constexpr int kN = 16384, kBlock = 8193;
    std::vector<float> mask(kN), in(kN), re(kN), im(kN), outRe(kN), outIm(kN);
    EXPECT_TRUE(BuildBrickWallMask(filter.kind, filter.low, filter.high, kRate, mask.data()));
    uint8_t* selection = bytes.data() + static_cast<std::size_t>(begin) * format.BlockAlign();
    for (int c = 0; c < format.channels; ++c)
        for (int first = 0; first < end - begin; first += kBlock) {
            const int n = std::min(kBlock, end - begin - first);
            uint8_t* block = selection + static_cast<std::size_t>(first) * format.BlockAlign();
            std::fill(in.begin(), in.end(), 0.0f);
            for (int j = 0; j < n; ++j)
                in[j] = ReadSample(block, format, c, j);
            ComplexFFT(kN, false, in.data(), nullptr, re.data(), im.data());
            for (int k = 0; k < kN; ++k) {
                re[k] *= mask[k];
                im[k] *= mask[k];
            }
            ComplexFFT(kN, true, re.data(), im.data(), outRe.data(), outIm.data());
            for (int j = 0; j < n; ++j)
                WriteSample(block, format, c, j, outRe[j]);
        }
    return bytes;
}

// Noise removal's definition: every channel and 1025-frame block of the
// selection on its own, zero-padded to 2048 points; the gates from the block's
// power spectrum against the captured profile, run on as a running average,
// isolated bins shut; the gains applied symmetrically; the real part stored.
std::vector<uint8_t> DenoisedByDefinition(std::vector<uint8_t> bytes, const SampleFormat& format, int32_t begin,
                                          int32_t end, const CWaveEffects& fx, float level)
{
    constexpr int kN = 2048, kBlock = 1025, kBins = 1025, kSpectrum = 1024;
    const float scale = format.bytesPerSample == 2 ? 32768.0f : 128.0f;
    std::vector<float> x(kN), scaled(kN), re(kN), im(kN), outRe(kN), outIm(kN), power(kSpectrum);
    std::vector<float> g(kBins, 0.0f);
    uint8_t* selection = bytes.data() + static_cast<std::size_t>(begin) * format.BlockAlign();
    for (int c = 0; c < format.channels; ++c)
        for (int first = 0; first < end - begin; first += kBlock) {
            const int n = std::min(kBlock, end - begin - first);
            uint8_t* block = selection + static_cast<std::size_t>(first) * format.BlockAlign();
            std::fill(x.begin(), x.end(), 0.0f);
            for (int j = 0; j < n; ++j)
                x[j] = ReadSample(block, format, c, j);
            ComplexFFT(kN, false, x.data(), nullptr, re.data(), im.data());
            for (int j = 0; j < kN; ++j)
                scaled[j] = x[j] / scale;
            PowerSpectrum(kN, scaled.data(), power.data());
            for (int k = 0; k < kBins; ++k) {
                const bool open = k < kSpectrum && fx.NoiseProfile(c, k) + level * 0.5f <= std::log(power[k]);
                g[k] = ((open ? 1.0f : 0.0f) + g[k]) * 0.5f;
            }
            for (int m = 2; m <= kBins - 3; ++m)
                if (g[m] >= 0.5f && g[m] <= 0.55f && g[m - 2] < 0.1f && g[m - 1] < 0.1f && g[m + 1] < 0.1f &&
                    g[m + 2] < 0.1f)
                    g[m] = 0.0f;
            for (int k = 0; k < kN; ++k) {
                const float gain = g[std::min(k, (kN - k) % kN)];
                re[k] *= gain;
                im[k] *= gain;
            }
            ComplexFFT(kN, true, re.data(), im.data(), outRe.data(), outIm.data());
            for (int j = 0; j < n; ++j)
                WriteSample(block, format, c, j, outRe[j]);
        }
    return bytes;
}

// The largest difference between two sample arrays of one format.
int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, const SampleFormat& format)
{
    int largest = 0;
    const int frames = static_cast<int>(a.size() / static_cast<std::size_t>(format.BlockAlign()));
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < format.channels; ++c)
            largest = std::max(largest, static_cast<int>(std::fabs(ReadSample(a.data(), format, c, f) -
                                                                   ReadSample(b.data(), format, c, f))));
    return largest;
}

const std::vector<GoldenCase>& Cases()
{
    static const std::vector<GoldenCase> cases = {
        {"amplify 0.5", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindAmplify, 0.5f); }},
        {"amplify 2.5", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindAmplify, 2.5f); }},
        {"amplify -0.7", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindAmplify, -0.7f); }},
        {"silence", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindAmplify, 0.0f); }},
        {"insert silence 0.3",
         [](CWaveEffects& fx, CRMWave& w) {
             w.m_nCursor = 33333;
             fx.ApplyEffect(FxKindInsertSilence, 0.3f);
         }},
        {"fade in", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindFadeIn); }},
        {"fade out", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindFadeOut); }},
        {"invert", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindInvert); }},
        {"reverse", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindReverse); }},
        {"echo 0.2 0.5", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindEcho, 0.2f, 0.5f); }},
        {"echo 0.05 0.9", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindEcho, 0.05f, 0.9f); }},
        {"low-pass 1000", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindLowPass, 1000.0f); },
         FilterCase{BrickWall::LowPass, 1000.0f, 0.0f}},
        {"high-pass 3000", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindHighPass, 3000.0f); },
         FilterCase{BrickWall::HighPass, 3000.0f, 0.0f}},
        {"band-pass 300 3000",
         [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindBandPass, 300.0f, 3000.0f); },
         FilterCase{BrickWall::BandPass, 300.0f, 3000.0f}},
        {"band-stop 300 3000",
         [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindBandStop, 300.0f, 3000.0f); },
         FilterCase{BrickWall::BandStop, 300.0f, 3000.0f}},
        {"bass boost 200 3", [](CWaveEffects& fx, CRMWave&) { fx.ApplyEffect(FxKindBassBoost, 200.0f, 3.0f); }},
        {"noise removal 3",
         [](CWaveEffects& fx, CRMWave& w) {
             const int32_t begin = w.m_nSelBegin, end = w.m_nSelEnd;
             w.m_nSelEnd = begin + kRate;  // the first second as the profile
             fx.ApplyEffect(FxKindNoiseRemoval, 1.0f, 0.0f);
             w.m_nSelBegin = begin;
             w.m_nSelEnd = end;
             fx.ApplyEffect(FxKindNoiseRemoval, 0.0f, 3.0f);
         },
         std::nullopt, 3.0f},
    };
    return cases;
}

struct GoldenDoc {
    const char* name;
    int channels;
    int bits;
    int frames;
    int32_t selBegin;  // -1: the whole document
    int32_t selEnd;
};

const GoldenDoc kDocs[] = {
    {"stereo16 all", 2, 16, 20 * kRate, -1, -1},
    {"stereo16 part", 2, 16, 20 * kRate, 12345, 700001},
    {"mono8 all", 1, 8, 4 * kRate, -1, -1},
    {"mono8 part", 1, 8, 4 * kRate, 777, 150001},
};

// Hashes in the order kDocs x Cases().
const uint64_t kGolden[] = {
    0x54a1777f27c1f9cdull,  // stereo16 all, amplify 0.5
    0xa1b456dbd3f9311dull,  // stereo16 all, amplify 2.5
    0x5131883dae1ecd47ull,  // stereo16 all, amplify -0.7
    0x2b082c9f0d9d2c25ull,  // stereo16 all, silence
    0x0e2f06c020570d74ull,  // stereo16 all, insert silence 0.3
    0xbba981385748421aull,  // stereo16 all, fade in
    0xada6a7651beafa31ull,  // stereo16 all, fade out
    0x81d6a716133144d4ull,  // stereo16 all, invert
    0x525d06e4d07b0ab8ull,  // stereo16 all, reverse
    0x77829f3cf2e9b1a7ull,  // stereo16 all, echo 0.2 0.5
    0xbce32c384d217959ull,  // stereo16 all, echo 0.05 0.9
    0x5c9e7f7967b70ed6ull,  // stereo16 all, low-pass 1000
    0x722b3d4666866312ull,  // stereo16 all, high-pass 3000
    0x089536057b2b8025ull,  // stereo16 all, band-pass 300 3000
    0x762d195f64a89bedull,  // stereo16 all, band-stop 300 3000
    0x28f2e8a6d8480d17ull,  // stereo16 all, bass boost 200 3
    0xfe0bf2fe70e80a6cull,  // stereo16 all, noise removal 3
    0x3f0a3c33622833c1ull,  // stereo16 part, amplify 0.5
    0xfdca59c82d65b34cull,  // stereo16 part, amplify 2.5
    0xd202a569517a59b3ull,  // stereo16 part, amplify -0.7
    0xd59c5cb1392808ffull,  // stereo16 part, silence
    0x0e2f06c020570d74ull,  // stereo16 part, insert silence 0.3
    0xa8393b0793ef2f84ull,  // stereo16 part, fade in
    0xd998fc32df281774ull,  // stereo16 part, fade out
    0x2b45b8f80378af4dull,  // stereo16 part, invert
    0xafc441b9f202fb30ull,  // stereo16 part, reverse
    0xddc5922b45f0cf82ull,  // stereo16 part, echo 0.2 0.5
    0x3ac7b58b1e786a15ull,  // stereo16 part, echo 0.05 0.9
    0xca5c04f62930d0efull,  // stereo16 part, low-pass 1000
    0xa243f4c235f2037full,  // stereo16 part, high-pass 3000
    0x9b84e3b4284703faull,  // stereo16 part, band-pass 300 3000
    0x0dc4ea87f54fd852ull,  // stereo16 part, band-stop 300 3000
    0xbe539fbcd983056aull,  // stereo16 part, bass boost 200 3
    0xc79a18a7fa79dbe5ull,  // stereo16 part, noise removal 3
    0x17cdae389c3beb32ull,  // mono8 all, amplify 0.5
    0xff541d596d6cc759ull,  // mono8 all, amplify 2.5
    0xad080233e41bcacfull,  // mono8 all, amplify -0.7
    0xfb6f715ff6057855ull,  // mono8 all, silence
    0x4749e4416e6e9bd0ull,  // mono8 all, insert silence 0.3
    0xfcf0f00236d89144ull,  // mono8 all, fade in
    0xa80bb33192182caaull,  // mono8 all, fade out
    0x94bc7d4a10958628ull,  // mono8 all, invert
    0x768e96eb5ea25ab4ull,  // mono8 all, reverse
    0x22d3f6b7ec5116cbull,  // mono8 all, echo 0.2 0.5
    0xab30b4c51236ca5full,  // mono8 all, echo 0.05 0.9
    0xe40e0b46cdd6b065ull,  // mono8 all, low-pass 1000
    0x3d36372f520e89caull,  // mono8 all, high-pass 3000
    0x16b8a6c926edf1c9ull,  // mono8 all, band-pass 300 3000
    0x1f51b8487eec1b2bull,  // mono8 all, band-stop 300 3000
    0x0c17080dfa05efb6ull,  // mono8 all, bass boost 200 3
    0x4a58c73bd523575eull,  // mono8 all, noise removal 3
    0x8cdddbbbf7205d57ull,  // mono8 part, amplify 0.5
    0x84c149f8f4e6d7f1ull,  // mono8 part, amplify 2.5
    0x09141cc8c354ef1aull,  // mono8 part, amplify -0.7
    0x751ce321da34f3ecull,  // mono8 part, silence
    0x4749e4416e6e9bd0ull,  // mono8 part, insert silence 0.3
    0x6590c9dff7e858ccull,  // mono8 part, fade in
    0xea3ef7df4fb8735cull,  // mono8 part, fade out
    0x6a89afdf1d6a1ea2ull,  // mono8 part, invert
    0x76c63da4203a5d0eull,  // mono8 part, reverse
    0x2d97fc22d43f1637ull,  // mono8 part, echo 0.2 0.5
    0xad0e016be10f1335ull,  // mono8 part, echo 0.05 0.9
    0xbf6221cbcb726b15ull,  // mono8 part, low-pass 1000
    0xf0d516d9f2f6a018ull,  // mono8 part, high-pass 3000
    0xc548479ab84bcf79ull,  // mono8 part, band-pass 300 3000
    0xca394687d2e0679eull,  // mono8 part, band-stop 300 3000
    0x16fd65c26d8497dbull,  // mono8 part, bass boost 200 3
    0x79cf1476cd43e4adull,  // mono8 part, noise removal 3
};

}  // namespace

TEST(Golden, EveryEffectKeepsItsRecordedOutput)
{
    RecordingEvents events;
    std::size_t index = 0;
    std::string table;
    int mismatches = 0;
    for (const GoldenDoc& d : kDocs) {
        const auto input = GoldenBytes(d.channels, d.bits, d.frames);
        for (const GoldenCase& c : Cases()) {
            EffectDoc doc(d.channels, kRate, d.bits);
            doc.AppendBytes(input);
            if (d.selBegin < 0)
                doc.wave.SelectAll();
            else
                doc.Select(d.selBegin, d.selEnd);
            c.run(doc.fx, doc.wave);
            const auto output = doc.Bytes();
            const uint64_t hash = Fnv1a(output);
            char line[96];
            std::snprintf(line, sizeof line, "    0x%016" PRIx64 "ull,  // %s, %s\n", hash, d.name, c.name);
            table += line;
            const uint64_t expected = index < std::size(kGolden) ? kGolden[index] : 0;
            if (c.filter || c.denoiseLevel != 0.0f) {
                const SampleFormat format{d.channels, d.bits / 8};
                const int32_t begin = d.selBegin < 0 ? 0 : d.selBegin;
                const int32_t end = d.selBegin < 0 ? d.frames : d.selEnd;
                const auto reference =
                    c.filter ? FilteredByDefinition(input, format, begin, end, *c.filter)
                             : DenoisedByDefinition(input, format, begin, end, doc.fx, c.denoiseLevel);
                // The definition still gives the recorded bytes.
                EXPECT_EQ(Fnv1a(reference), expected) << d.name << ", " << c.name;
                EXPECT_LE(LargestDifference(output, reference, format), 1) << d.name << ", " << c.name;
                EXPECT_NE(output, input) << d.name << ", " << c.name;
            } else if (hash != expected) {
                ++mismatches;
                ADD_FAILURE() << d.name << ", " << c.name << ": output changed";
            }
            ++index;
        }
    }
    if (mismatches)
        std::printf("actual hashes:\n%s", table.c_str());
    EXPECT_EQ(index, std::size(kGolden));
}
