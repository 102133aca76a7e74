// The format manager itself: settings, dispatch, names.

#include "CodecFixture.h"

#include <unistd.h>

using namespace codectest;

namespace {

std::string Replaced(const std::string& name, const std::string& extension)
{
    CSoundFile sound;
    sound.m_strFileName = name;
    return sound.ReplaceExtension(extension);
}

// Runs the test body with the process's current directory set to `dir`.
class CurrentDir {
public:
    explicit CurrentDir(const std::filesystem::path& dir) : m_old(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~CurrentDir() { std::filesystem::current_path(m_old); }

private:
    std::filesystem::path m_old;
};

}  // namespace

TEST(ReplaceExtension, ExamplesOfTheSaveDialog)
{
    EXPECT_EQ(Replaced("C:\\tunes\\song.wav", "mp3"), "C:\\tunes\\song.mp3");
    EXPECT_EQ(Replaced("C:\\tunes\\song", "ogg"), "C:\\tunes\\song.ogg");
    EXPECT_EQ(Replaced("C:\\take.2\\song", "raw"), "C:\\take.raw");
    EXPECT_EQ(Replaced("/home/u/tone.ogg", "wav"), "/home/u/tone.wav");
}

TEST(ReplaceExtension, EmptyNamesAndLeadingDots)
{
    EXPECT_EQ(Replaced("", "raw"), ".raw");
    // The first character is never taken as the dot.
    EXPECT_EQ(Replaced(".hidden", "mp3"), ".hidden.mp3");
    EXPECT_EQ(Replaced("a.", "wav"), "a.wav");
    EXPECT_EQ(Replaced("x.tar.gz", "ogg"), "x.tar.ogg");
}

TEST(ReplaceExtension, LongNamesAreNotCut)
{
    const std::string stem(400, 'n');
    EXPECT_EQ(Replaced(stem + ".wav", "mp3"), stem + ".mp3");
}

TEST_F(CodecTest, InitialAndResetSettings)
{
    CSoundFile fresh;
    EXPECT_EQ(fresh.m_pWave, nullptr);
    EXPECT_EQ(fresh.m_nFormat, 0);
    EXPECT_EQ(fresh.m_strFileName, "");
    EXPECT_EQ(fresh.m_nState, 0);
    EXPECT_EQ(fresh.m_nBitRate, 128000);
    EXPECT_EQ(fresh.m_wWavFormat, 1);
    EXPECT_EQ(fresh.m_bCopyright + fresh.m_bOriginal + fresh.m_bPrivate, 0);

    m_sound.m_strFileName = "x.wav";
    m_sound.m_nState = 2;
    m_sound.m_wWavFormat = 3;
    m_sound.m_nBitRate = 5;
    m_sound.m_bCopyright = m_sound.m_bOriginal = m_sound.m_bPrivate = 1;
    m_sound.m_nFormat = 4;
    m_sound.ResetSettings();
    EXPECT_EQ(m_sound.m_strFileName, "");
    EXPECT_EQ(m_sound.m_nState, 0);
    EXPECT_EQ(m_sound.m_wWavFormat, 1);
    EXPECT_EQ(m_sound.m_nBitRate, 128000);
    EXPECT_EQ(m_sound.m_bCopyright + m_sound.m_bOriginal + m_sound.m_bPrivate, 0);
    EXPECT_EQ(m_sound.m_nFormat, 4);
    EXPECT_EQ(m_sound.m_pWave, &m_wave);
}

TEST_F(CodecTest, UnknownLoadCodesFailAndAreKept)
{
    const std::string path = m_dir.File("a.wav");
    WritePcm16Wav(path, MakeSignal(100, 2, 44100), 2, 44100);
    for (int32_t code : {0, 8, -1}) {
        EXPECT_EQ(Load(path, code), 0);
        EXPECT_EQ(m_sound.m_nFormat, code);
        EXPECT_EQ(m_sound.m_strFileName, path);
        EXPECT_EQ(m_sound.m_wWavFormat, 0);
        EXPECT_EQ(m_sound.m_nState, 0);
        EXPECT_EQ(m_wave.m_nLength, 0);
    }
}

TEST_F(CodecTest, SaveWithUnknownCodeFails)
{
    m_sound.m_strFileName = m_dir.File("x");
    m_sound.m_nFormat = 9;
    EXPECT_EQ(m_sound.SaveFile(), 0);
    EXPECT_EQ(m_sound.m_nState, 0);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(CodecTest, SaveAsAnswersOneEvenWhenTheWriterFails)
{
    FillDocument(m_wave, MakeSignal(100, 2, 44100), 2, 44100);
    const std::string path = m_dir.File("no-such-folder/song.wav");
    EXPECT_EQ(m_sound.SaveFileAs(path, FormatRaw), 1);
    EXPECT_EQ(m_sound.m_strFileName, m_dir.File("no-such-folder/song.raw"));
    EXPECT_EQ(m_sound.m_nFormat, FormatRaw);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("no-such-folder")));
    // Save reports the writer's own result.
    EXPECT_EQ(m_sound.SaveFile(), 0);
}

TEST_F(CodecTest, SaveAsForcesTheExtension)
{
    FillDocument(m_wave, MakeSignal(100, 2, 44100), 2, 44100);
    EXPECT_EQ(m_sound.SaveFileAs(m_dir.File("song.wav"), FormatRaw), 1);
    EXPECT_EQ(m_sound.m_strFileName, m_dir.File("song.raw"));
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("song.raw")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("song.wav")));
}

TEST_F(CodecTest, SaveWithEmptyNameAsMp3WritesNothing)
{
    FillDocument(m_wave, MakeSignal(100, 2, 44100), 2, 44100);
    CurrentDir here(m_dir.Path());
    m_sound.m_strFileName.clear();
    m_sound.m_nFormat = FormatMp3;
    EXPECT_EQ(m_sound.SaveFile(), 0);
    EXPECT_EQ(m_sound.m_strFileName, "");
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(CodecTest, SaveWithEmptyNameAsRawWritesDotRawHere)
{
    const auto signal = MakeSignal(300, 2, 44100);
    FillDocument(m_wave, signal, 2, 44100);
    CurrentDir here(m_dir.Path());
    m_sound.m_strFileName.clear();
    m_sound.m_nFormat = FormatRaw;
    EXPECT_EQ(m_sound.SaveFile(), 1);
    EXPECT_EQ(m_sound.m_strFileName, ".raw");
    EXPECT_EQ(ReadFile(m_dir.File(".raw")), ToBytes(signal));
}

TEST_F(CodecTest, StateIsIdleAfterLoadAndSave)
{
    const std::string path = m_dir.File("a.raw");
    WriteFile(path, std::vector<uint8_t>(1000, 7));
    EXPECT_EQ(Load(path, FormatRaw), 1);
    EXPECT_EQ(m_sound.m_nState, 0);
    EXPECT_EQ(m_sound.SaveFileAs(m_dir.File("b.raw"), FormatRaw), 1);
    EXPECT_EQ(m_sound.m_nState, 0);
}
