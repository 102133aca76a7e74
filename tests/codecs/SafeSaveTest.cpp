// A failed save never destroys the file it was meant to replace, and leaves
// no temporary file behind.

#include "CodecFixture.h"
#include "codecs/CReplacingFile.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace codectest;

namespace {

// Lowers the process's file-size limit for one scope, so that writes past
// `bytes` fail with EFBIG instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

std::vector<std::string> Names(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

class SafeSaveTest : public CodecTest {
protected:
    void SetUp() override
    {
        m_old = std::vector<uint8_t>(1000, 0xAB);
        FillDocument(m_wave, MakeSignal(200000, 2, 44100), 2, 44100);  // 800 KB
    }

    void PlantTarget(const std::string& name)
    {
        WriteFile(m_dir.File(name), m_old);
    }

    std::vector<uint8_t> m_old;
};

TEST_F(SafeSaveTest, WriteFailureKeepsTheOldFile)
{
    const struct {
        int32_t code;
        const char* name;
    } cases[] = {{FormatWav, "t.wav"}, {FormatRaw, "t.raw"}, {FormatMp3, "t.mp3"}, {FormatOgg, "t.ogg"}};
    for (const auto& c : cases) {
        PlantTarget(c.name);
        m_sound.m_strFileName = m_dir.File(c.name);
        m_sound.m_nFormat = c.code;
        int32_t result;
        {
            FileSizeLimit limit(20000);  // far less than the document's encoding
            result = m_sound.SaveFile();
        }
        EXPECT_EQ(result, 0) << c.name;
        EXPECT_EQ(ReadFile(m_dir.File(c.name)), m_old) << c.name;
        EXPECT_EQ(Names(m_dir.Path()), std::vector<std::string>{c.name}) << c.name;
        std::filesystem::remove(m_dir.File(c.name));
    }
}

TEST_F(SafeSaveTest, RefusedEncoderSettingsKeepTheOldFile)
{
    PlantTarget("t.ogg");
    m_sound.m_nBitRate = 900000;
    EXPECT_EQ(m_sound.SaveFileAs(m_dir.File("t.ogg"), FormatOgg), 1);  // SaveAs answers 1 regardless
    EXPECT_EQ(m_sound.SaveFile(), 0);
    EXPECT_EQ(ReadFile(m_dir.File("t.ogg")), m_old);
    EXPECT_EQ(Names(m_dir.Path()), std::vector<std::string>{"t.ogg"});

}

TEST_F(SafeSaveTest, SuccessfulSaveReplacesAndKeepsPermissions)
{
    PlantTarget("t.raw");
    ASSERT_EQ(chmod(m_dir.File("t.raw").c_str(), 0640), 0);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("t.raw"), FormatRaw), 1);
    EXPECT_EQ(std::filesystem::file_size(m_dir.File("t.raw")), 800000u);
    struct stat st {};
    ASSERT_EQ(stat(m_dir.File("t.raw").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Names(m_dir.Path()), std::vector<std::string>{"t.raw"});
}

TEST_F(SafeSaveTest, TargetThatIsADirectoryIsLeftAlone)
{
    std::filesystem::create_directory(m_dir.File("t.wav"));
    EXPECT_EQ(m_sound.SaveFileAs(m_dir.File("t.wav"), FormatWav), 1);
    EXPECT_EQ(m_sound.SaveFile(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(m_dir.File("t.wav")));
    EXPECT_EQ(Names(m_dir.Path()), std::vector<std::string>{"t.wav"});
}

TEST(ReplacingFile, LongestNamesStillWork)
{
    ScratchDir dir;
    const std::string target = dir.File(std::string(250, 'n') + ".raw");
    CReplacingFile file;
    ASSERT_TRUE(file.Create(target));
    EXPECT_TRUE(file.Write("x", 1));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadFile(target), std::vector<uint8_t>{'x'});
}

TEST(ReplacingFile, DiscardedUnlessCommitted)
{
    ScratchDir dir;
    const std::string target = dir.File("x.bin");
    {
        CReplacingFile file;
        ASSERT_TRUE(file.Create(target));
        EXPECT_TRUE(file.Write("abc", 3));
        EXPECT_TRUE(std::filesystem::exists(file.TempPath()));
        EXPECT_EQ(file.TempPath().parent_path(), dir.Path());
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    CReplacingFile file;
    ASSERT_TRUE(file.Create(target));
    std::vector<uint8_t> big(200000, 5);
    EXPECT_TRUE(file.Write("head", 4));
    EXPECT_TRUE(file.Write(big.data(), big.size()));
    EXPECT_TRUE(file.WriteAt(0, "HE", 2));
    EXPECT_EQ(file.Size(), 200004);
    ASSERT_TRUE(file.Commit());
    const auto bytes = ReadFile(target);
    ASSERT_EQ(bytes.size(), 200004u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "HEad");
    EXPECT_EQ(bytes.back(), 5);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"x.bin"});
}

TEST_F(SafeSaveTest, OddDocumentFormatsNeverLeaveTemporaryFiles)
{
    for (int32_t rate : {0, 1, 7999, 400000}) {
        for (int32_t channels : {1, 2, 3}) {
            FillDocument(m_wave, MakeSignal(4000, channels, 44100), channels, rate);
            for (int32_t code : {FormatMp3, FormatOgg}) {
                const std::string name = "odd" + std::string(code == FormatMp3 ? ".mp3" : ".ogg");
                std::filesystem::remove(m_dir.File(name));
                m_sound.m_strFileName = m_dir.File(name);
                m_sound.m_nFormat = code;
                const int32_t result = m_sound.SaveFile();
                EXPECT_EQ(std::filesystem::exists(m_dir.File(name)), result == 1)
                    << name << " rate " << rate << " channels " << channels;
                const auto names = Names(m_dir.Path());
                EXPECT_LE(names.size(), 1u) << rate << " " << channels;
            }
        }
    }
}
