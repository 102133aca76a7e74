// Valid files with bytes changed at random: every load ends without a crash,
// and what a WAV load accepts always has a format the document can hold.

#include "CodecFixture.h"

#include <random>

using namespace codectest;

namespace {

std::vector<uint8_t> Mutate(std::vector<uint8_t> bytes, std::mt19937& random, std::size_t span, int changes)
{
    for (int i = 0; i < changes; ++i)
        bytes[random() % std::min(span, bytes.size())] = static_cast<uint8_t>(random());
    return bytes;
}

}  // namespace

TEST_F(CodecTest, MutatedWavHeaders)
{
    const auto signal = MakeSignal(2000, 2, 44100);
    WritePcm16Wav(m_dir.File("ok.wav"), signal, 2, 44100);
    const auto original = ReadFile(m_dir.File("ok.wav"));
    std::mt19937 random(7);
    int accepted = 0;
    for (int round = 0; round < 300; ++round) {
        WriteFile(m_dir.File("m.wav"), Mutate(original, random, 46, 1 + round % 4));
        if (Load(m_dir.File("m.wav"), FormatWav) == 1) {
            ++accepted;
            EXPECT_TRUE(m_wave.m_nBitsPerSample == 8 || m_wave.m_nBitsPerSample == 16);
            EXPECT_GT(m_wave.m_nChannels, 0);
            EXPECT_GT(m_wave.m_nSamplesPerSec, 0);
            EXPECT_EQ(m_sound.m_wWavFormat, 1);
            // Never more than the file holds, whatever the sizes claim.
            EXPECT_LE(DocumentBytes(m_wave).size(), 2 * original.size());
        } else {
            EXPECT_EQ(m_wave.m_nLength, 0);
        }
    }
    EXPECT_GT(accepted, 0);
}

TEST_F(CodecTest, MutatedMp3AndOggFiles)
{
    WritePcm16Wav(m_dir.File("ok.wav"), MakeSignal(22050, 2, 44100), 2, 44100);
    ASSERT_EQ(Shell("lame --quiet -b 128 " + Q(m_dir.File("ok.wav")) + " " + Q(m_dir.File("ok.mp3"))), 0);
    ASSERT_EQ(Shell("oggenc -Q -o " + Q(m_dir.File("ok.ogg")) + " " + Q(m_dir.File("ok.wav"))), 0);
    std::mt19937 random(11);
    for (const auto& [name, code] : {std::pair{"ok.mp3", FormatMp3}, std::pair{"ok.ogg", FormatOgg}}) {
        const auto original = ReadFile(m_dir.File(name));
        for (int round = 0; round < 40; ++round) {
            // Half the rounds hit the headers, half the whole file.
            const std::size_t span = round % 2 ? original.size() : 512;
            WriteFile(m_dir.File("m"), Mutate(original, random, span, 1 + round % 8));
            Load(m_dir.File("m"), code);
            EXPECT_LE(m_wave.m_nLength, 10 * 22050) << name << " round " << round;
            EXPECT_EQ(m_sound.m_nState, 0);
        }
    }
}
