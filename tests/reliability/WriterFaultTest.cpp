// Every writer (format codes 1 to 5) under a real write failure: the file-size
// limit, and a target folder that cannot exist because a regular file holds
// its name. Save reports 0, SaveAs answers its documented 1, an existing
// target keeps its bytes, no temporary file stays in the folder, and the
// document is not touched.
#include "FaultSupport.h"
#include "wave/FileSizeLimit.h"
#include "wave/WaveTestUtil.h"

#include "codecs/CSoundFile.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Writer {
    int32_t code;
    const char* ext;
};
constexpr Writer kWriters[] = {{1, "mp3"}, {2, "ogg"}, {3, "raw"}, {4, "wav"}, {5, "wma"}};

class TempFolder {
public:
    TempFolder()
    {
        std::string tmpl = (fs::temp_directory_path() / "vrt-writer-XXXXXX").string();
        if (::mkdtemp(tmpl.data()))
            m_path = tmpl;
    }
    ~TempFolder()
    {
        std::error_code ec;
        if (!m_path.empty())
            fs::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

class WriterFaults : public ::testing::TestWithParam<Writer> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_folder.Path().empty());
        m_doc = Pattern(800000, 17);  // 200,000 frames of 16-bit stereo noise
        FillDocument(m_wave, m_doc);
        m_sound.m_pWave = &m_wave;
        m_target = m_folder.Path() / (std::string("tone.") + GetParam().ext);
        m_old = Pattern(3000, 5);
        WriteFileBytes(m_target, m_old);
    }

    void ExpectUntouched(const char* when)
    {
        EXPECT_EQ(ReadFileBytes(m_target), m_old) << when;
        EXPECT_EQ(FileNames(m_folder.Path()), std::set<std::string>{m_target.filename().string()}) << when;
        EXPECT_EQ(DocumentBytes(m_wave), m_doc) << when;
        EXPECT_EQ(WorkFiles(m_wave), ExpectedWorkFiles(m_wave)) << when;
    }

    TempFolder m_folder;
    CRMWave m_wave;
    CSoundFile m_sound;
    std::vector<uint8_t> m_doc;
    std::vector<uint8_t> m_old;
    fs::path m_target;
};

}  // namespace

TEST_P(WriterFaults, SaveFailsAndKeepsTheTarget)
{
    m_sound.m_strFileName = m_target.string();
    m_sound.m_nFormat = GetParam().code;
    int32_t result;
    {
        FileSizeLimit limit(20000);  // far less than any encoding of the document
        ASSERT_TRUE(limit.Ok());
        result = m_sound.SaveFile();
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(m_sound.m_strFileName, m_target.string());
    ExpectUntouched("after the failed save");

    // Without the limit the same save replaces the target.
    ASSERT_EQ(m_sound.SaveFile(), 1);
    EXPECT_NE(ReadFileBytes(m_target), m_old);
    EXPECT_GT(fs::file_size(m_target), 20000u);
    EXPECT_EQ(FileNames(m_folder.Path()), std::set<std::string>{m_target.filename().string()});
}

TEST_P(WriterFaults, SaveAsFailsAndKeepsTheTarget)
{
    int32_t result;
    {
        FileSizeLimit limit(20000);
        ASSERT_TRUE(limit.Ok());
        result = m_sound.SaveFileAs(m_target.string(), GetParam().code);
    }
    EXPECT_EQ(result, 1);  // SaveAs answers 1 whatever the writer did; Save tells
    ExpectUntouched("after the failed save-as");
}

TEST_P(WriterFaults, TargetUnderARegularFileFails)
{
    const fs::path plain = m_folder.Path() / "plain";
    WriteFileBytes(plain, {1, 2, 3});
    const fs::path target = plain / (std::string("tone.") + GetParam().ext);
    m_sound.m_strFileName = target.string();
    m_sound.m_nFormat = GetParam().code;
    EXPECT_EQ(m_sound.SaveFile(), 0);
    EXPECT_EQ(ReadFileBytes(plain), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(FileNames(m_folder.Path()), (std::set<std::string>{"plain", m_target.filename().string()}));
    EXPECT_EQ(ReadFileBytes(m_target), m_old);
    EXPECT_EQ(DocumentBytes(m_wave), m_doc);
}

INSTANTIATE_TEST_SUITE_P(EachFormat, WriterFaults, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<Writer>& info) { return std::string(info.param.ext); });
