// Insert silence, reverse and echo.
#include "EffectFixture.h"
#include "dsp/SampleCodec.h"

#include "wave/CWaveUndo.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

using namespace dsptest;

namespace {

// Distinct, non-clipping stereo samples: left f % 20000, right -(f % 17000).
std::vector<int16_t> Ramp(int frames)
{
    std::vector<int16_t> s;
    for (int f = 0; f < frames; ++f) {
        s.push_back(static_cast<int16_t>(f % 20000));
        s.push_back(static_cast<int16_t>(-(f % 17000) - 1));
    }
    return s;
}

// Makes "Wave.fx" impossible to create: a directory stands in its place.
void BlockScratchFile(const CRMWave& wave)
{
    ASSERT_TRUE(std::filesystem::create_directory(wave.WorkFilePath("Wave.fx")));
}

}  // namespace

TEST(InsertSilence, InsertsAtTheCursorAndSelectsIt)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16(std::vector<int16_t>(2 * 1000, 1234));
    doc.wave.m_nCursor = 300;
    doc.Select(10, 20);
    const auto before = doc.Bytes();
    doc.fx.ApplyEffect(FxKindInsertSilence, 0.5f);

    const auto after = doc.Bytes();
    ASSERT_EQ(after.size(), before.size() + 88200);
    EXPECT_EQ(doc.wave.m_nLength, 1000 + 22050);
    EXPECT_EQ(doc.wave.m_nSelBegin, 300);
    EXPECT_EQ(doc.wave.m_nSelEnd, 300 + 22050);
    const auto s = doc.Samples16();
    for (int f = 0; f < 1000 + 22050; ++f) {
        const int16_t expected = (f >= 300 && f < 22350) ? 0 : 1234;
        ASSERT_EQ(s[2 * f], expected) << f;
        ASSERT_EQ(s[2 * f + 1], expected) << f;
    }
    // The inserted range is what undo removes.
    ASSERT_TRUE(doc.wave.SaveUndo(UndoRemove));
    ASSERT_TRUE(doc.wave.Undo());
    EXPECT_EQ(doc.Bytes(), before);
}

TEST(InsertSilence, EightBitSilenceIs127)
{
    EffectDoc doc(1, 8000, 8);
    doc.AppendBytes({1, 2, 3});
    doc.wave.m_nCursor = 3;
    doc.fx.ApplyEffect(FxKindInsertSilence, 0.001f);  // 8 frames
    EXPECT_EQ(doc.Bytes(), (std::vector<uint8_t>{1, 2, 3, 127, 127, 127, 127, 127, 127, 127, 127}));
}

TEST(InsertSilence, NonPositiveLengthInsertsNothingAndSelectsNothing)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16(std::vector<int16_t>(2 * 100, 7));
    doc.wave.m_nCursor = 50;
    for (float seconds : {0.0f, -0.5f, 0.00001f}) {
        doc.Select(1, 2);
        doc.fx.ApplyEffect(FxKindInsertSilence, seconds);
        EXPECT_EQ(doc.Bytes().size(), 400u);
        // The empty inserted range at the cursor: an undo record of it is empty.
        EXPECT_EQ(doc.wave.m_nSelBegin, 50);
        EXPECT_EQ(doc.wave.m_nSelEnd, 50);
    }
}

TEST(InsertSilence, LengthPastTheFrameCountInsertsNothingAndSelectsNothing)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16(std::vector<int16_t>(2 * 36000, 7));
    doc.wave.m_nCursor = 50;
    const auto work = doc.wave.WorkFilePath("Wave.tmp");
    for (float seconds : {1e30f, 100000.0f, 48695.0f}) {  // the last: 36000 + 2147449500 frames
        doc.Select(1, 2);
        doc.fx.ApplyEffect(FxKindInsertSilence, seconds);
        EXPECT_EQ(doc.wave.m_nLength, 36000);
        EXPECT_EQ(std::filesystem::file_size(work), 36000u * 4);
        EXPECT_EQ(doc.wave.m_nSelBegin, 50);
        EXPECT_EQ(doc.wave.m_nSelEnd, 50);
    }
    // An ordinary insertion still goes in.
    doc.fx.ApplyEffect(FxKindInsertSilence, 0.5f);
    EXPECT_EQ(doc.wave.m_nLength, 36000 + 22050);
    EXPECT_EQ(std::filesystem::file_size(work), (36000u + 22050u) * 4);
}

TEST(InsertSilence, OneSecondTooManyAtTheEndOfAFullDocumentIsRefused)
{
    // A sparse working file 100 frames short of the 32-bit frame count, so
    // that the refused insertion would have taken next to no disk space.
    EffectDoc doc(1, 8000, 8);
    const auto work = doc.wave.WorkFilePath("Wave.tmp");
    const int32_t full = std::numeric_limits<int32_t>::max() - 100;
    std::filesystem::resize_file(work, static_cast<std::uintmax_t>(full));
    ASSERT_EQ(doc.wave.UpdateLength(), full);
    doc.wave.m_nCursor = full;
    doc.fx.ApplyEffect(FxKindInsertSilence, 1.0f);  // 8000 frames
    EXPECT_EQ(doc.wave.m_nLength, full);
    EXPECT_EQ(std::filesystem::file_size(work), static_cast<std::uintmax_t>(full));
    EXPECT_EQ(doc.wave.m_nSelBegin, full);
    EXPECT_EQ(doc.wave.m_nSelEnd, full);
}

TEST(Reverse, ReversesTimeAndKeepsChannels)
{
    // 40000 frames inside a longer document: three blocks, the shortest one nearest the start.
    const int frames = 50000;
    EffectDoc doc(2, 44100, 16);
    const auto original = Ramp(frames);
    doc.Append16(original);
    doc.Select(5000, 45000);
    RecordingEvents events;
    doc.fx.ApplyEffect(FxKindReverse);
    const auto s = doc.Samples16();
    for (int f = 0; f < frames; ++f) {
        const int source = (f >= 5000 && f < 45000) ? 45000 - 1 - (f - 5000) : f;
        ASSERT_EQ(s[2 * f], original[2 * source]) << f;
        ASSERT_EQ(s[2 * f + 1], original[2 * source + 1]) << f;
    }
    EXPECT_FALSE(std::filesystem::exists(doc.wave.WorkFilePath("Wave.fx")));
    ASSERT_GE(events.progress.size(), 4u);
    EXPECT_EQ(events.progress.front(), 0.0f);
    EXPECT_EQ(events.progress[events.progress.size() - 2], 100.0f);
    EXPECT_EQ(events.progress.back(), 0.0f);
}

TEST(Reverse, TwiceRestoresExceptClippedValues)
{
    EffectDoc doc(2, 44100, 16);
    auto original = Ramp(30000);
    doc.Append16(original);
    doc.Select(0, 30000);
    doc.fx.ApplyEffect(FxKindReverse);
    EXPECT_NE(doc.Samples16(), original);
    doc.fx.ApplyEffect(FxKindReverse);
    EXPECT_EQ(doc.Samples16(), original);

    EffectDoc clip(1, 44100, 16);
    clip.Append16({-32768, 5, 32767});
    clip.Select(0, 3);
    clip.fx.ApplyEffect(FxKindReverse);
    EXPECT_EQ(clip.Samples16(), (std::vector<int16_t>{32767, 5, -32767}));
}

TEST(Reverse, EightBitMono)
{
    EffectDoc doc(1, 8000, 8);
    doc.AppendBytes({10, 20, 30, 255, 50});
    doc.Select(1, 5);
    doc.fx.ApplyEffect(FxKindReverse);
    EXPECT_EQ(doc.Bytes(), (std::vector<uint8_t>{10, 50, 254, 30, 20}));
}

TEST(Reverse, MatchesSox)
{
    if (std::system("command -v sox >/dev/null 2>&1") != 0)
        GTEST_FAIL() << "sox is needed as the reference";
    const int frames = 70001;
    EffectDoc doc(2, 44100, 16);
    const auto original = Interleave({Noise(frames, 30000, 1), Sine(frames, 440, 44100, 20000)});
    doc.Append16(original);
    doc.Select(0, frames);
    doc.fx.ApplyEffect(FxKindReverse);

    const auto dir = std::filesystem::temp_directory_path();
    const auto in = dir / ("dsp_reverse_in_" + std::to_string(::getpid()) + ".raw");
    const auto out = dir / ("dsp_reverse_out_" + std::to_string(::getpid()) + ".raw");
    {
        std::ofstream f(in, std::ios::binary);
        f.write(reinterpret_cast<const char*>(original.data()),
                static_cast<std::streamsize>(original.size() * 2));
    }
    const std::string raw = "-t raw -r 44100 -e signed -b 16 -c 2 ";
    const std::string cmd = "sox " + raw + in.string() + " " + raw + out.string() + " reverse";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream f(out, std::ios::binary);
    const std::vector<uint8_t> expected((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    EXPECT_EQ(doc.Bytes(), expected);
}

TEST(Reverse, ScratchFileFailureChangesNothing)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16(Ramp(1000));
    const auto before = doc.Bytes();
    doc.Select(0, 1000);
    BlockScratchFile(doc.wave);
    doc.fx.ApplyEffect(FxKindReverse);
    EXPECT_EQ(doc.Bytes(), before);
    EXPECT_TRUE(std::filesystem::is_directory(doc.wave.WorkFilePath("Wave.fx")));
}

TEST(Echo, TapsFallOffAsDecayOverK)
{
    // Delay 0.25 s at 8000 Hz = 2000 frames; the selection is 3 delays long.
    const int delay = 2000;
    const int frames = 3 * delay;
    EffectDoc doc(2, 8000, 16);
    const auto left = Noise(frames + 400, 8000, 3);
    const auto right = Noise(frames + 400, 8000, 4);
    const auto original = Interleave({left, right});
    doc.Append16(original);
    doc.Select(200, 200 + frames);
    doc.fx.ApplyEffect(FxKindEcho, 0.25f, 0.5f);

    const auto s = doc.Samples16();
    for (int f = 0; f < frames + 400; ++f) {
        for (int c = 0; c < 2; ++c) {
            const auto x = [&](int frame) { return static_cast<double>(original[2 * frame + c]); };
            double expected = x(f);
            const int p = f - 200;
            if (p >= delay && p < frames) {
                expected = std::trunc(expected + 0.5 * x(f - delay));  // first pass
                if (p >= 2 * delay)
                    expected = std::trunc(expected + 0.25 * x(f - 2 * delay));  // second pass
            }
            ASSERT_EQ(s[2 * f + c], expected) << f << " " << c;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(doc.wave.WorkFilePath("Wave.fx")));
}

// Long enough for 400 taps over more than one column of 256 blocks, so most
// outputs go through whole tiles of taps and the ones near the selection start
// tap by tap; with a large decay the sums would overflow whole 32-bit numbers
// and must still clip as the write rule does. 8-bit samples hold x + 127.
TEST(Echo, EverySampleIsItsTapsInOrder)
{
    const int delay = 100;  // 0.0125 s at 8000 Hz
    const int begin = 700, end = 40700;
    const auto noise = Noise(41000, 1.0, 7);
    for (const int bits : {16, 8}) {
        const double scale = bits == 16 ? 20000.0 : 100.0;
        std::vector<float> original;
        std::vector<uint8_t> bytes;
        for (const double v : noise) {
            original.push_back(static_cast<float>(std::lround(v * scale)));
            const auto sample = static_cast<int>(original.back());
            if (bits == 8) {
                bytes.push_back(static_cast<uint8_t>(sample + 127));
            } else {
                bytes.push_back(static_cast<uint8_t>(sample & 0xff));
                bytes.push_back(static_cast<uint8_t>((sample >> 8) & 0xff));
            }
        }
        for (const float decay : {0.5f, -0.9f, 3.0f, 1e9f}) {
            EffectDoc doc(1, 8000, bits);
            doc.AppendBytes(bytes);
            doc.Select(begin, end);
            RecordingEvents events;
            doc.fx.ApplyEffect(FxKindEcho, 0.0125f, decay);
            const auto after = doc.Bytes();
            ASSERT_GE(events.progress.size(), 4u);
            EXPECT_EQ(events.progress.front(), 0.0f);
            EXPECT_TRUE(std::is_sorted(events.progress.begin(), events.progress.end() - 1));
            EXPECT_EQ(events.progress.end()[-2], 100.0f);
            EXPECT_EQ(events.progress.back(), 0.0f);
            EXPECT_GT(events.pumps, 0);
            for (int f = 0; f < static_cast<int>(original.size()); ++f) {
                float y = original[f];
                for (int k = 1; f >= begin && f < end && f - k * delay >= begin; ++k) {
                    const float sum = y + original[f - k * delay] * (decay / static_cast<float>(k));
                    y = bits == 16 ? Quantize16(sum) : Quantize8(sum);
                }
                const int got = bits == 16 ? static_cast<int16_t>(after[2 * f] | (after[2 * f + 1] << 8))
                                           : after[f] - 127;
                ASSERT_EQ(got, static_cast<int>(y)) << bits << " bits, decay " << decay << ", frame " << f;
            }
        }
    }
}

TEST(Echo, SumClipsEveryPass)
{
    EffectDoc doc(1, 8000, 16);
    doc.Append16(std::vector<int16_t>(3000, 30000));
    doc.Select(0, 3000);
    doc.fx.ApplyEffect(FxKindEcho, 0.125f, 1.0f);  // 1000 frames
    const auto s = doc.Samples16();
    for (int f = 0; f < 1000; ++f)
        ASSERT_EQ(s[f], 30000) << f;
    for (int f = 1000; f < 3000; ++f)
        ASSERT_EQ(s[f], 32767) << f;
}

TEST(Echo, ShortSelectionOrTinyDelayChangesNothing)
{
    EffectDoc doc(2, 8000, 16);
    doc.Append16(Ramp(1000));
    const auto before = doc.Bytes();
    doc.Select(0, 1000);
    RecordingEvents events;
    doc.fx.ApplyEffect(FxKindEcho, 0.5f, 0.5f);      // 4000 frames > selection
    doc.fx.ApplyEffect(FxKindEcho, 0.0001f, 0.5f);   // under one frame
    doc.fx.ApplyEffect(FxKindEcho, -1.0f, 0.5f);
    EXPECT_EQ(doc.Bytes(), before);
    EXPECT_TRUE(events.progress.empty());
}

// Echo reads its taps straight from the document and needs no scratch file:
// a place where "Wave.fx" cannot be created does not stop it.
TEST(Echo, NeedsNoScratchFile)
{
    EffectDoc doc(2, 8000, 16);
    doc.Append16(Ramp(1000));
    const auto before = doc.Samples16();
    doc.Select(0, 1000);
    BlockScratchFile(doc.wave);
    doc.fx.ApplyEffect(FxKindEcho, 0.0625f, 0.5f);  // 500 frames
    const auto after = doc.Samples16();
    for (int f = 0; f < 500; ++f)
        ASSERT_EQ(after[2 * f], before[2 * f]) << f;
    EXPECT_EQ(after[2 * 600 + 1], static_cast<int16_t>(std::trunc(before[2 * 600 + 1] + 0.5 * before[2 * 100 + 1])));
    EXPECT_TRUE(std::filesystem::is_directory(doc.wave.WorkFilePath("Wave.fx")));
}
