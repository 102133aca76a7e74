// File-to-file copies: inside the kernel between two files of one file system,
// through a buffer between file systems that cannot copy to each other
// (a tmpfs such as /dev/shm beside the temporary folder); both must give the
// same bytes and move the file positions alike.
#include "WaveTestUtil.h"

#include "wave/CWorkFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace fs = std::filesystem;

namespace {

// A folder of its own under `parent`, removed with the object.
struct TempFolder {
    explicit TempFolder(const fs::path& parent)
    {
        std::string name = (parent / "filecopy-XXXXXX").string();
        if (::mkdtemp(name.data()))
            path = name;
    }
    ~TempFolder()
    {
        std::error_code ec;
        if (!path.empty())
            fs::remove_all(path, ec);
    }
    fs::path path;
};

dev_t DeviceOf(const fs::path& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_dev : 0;
}

}  // namespace

TEST(FileCopy, KernelAndBufferedCopiesGiveTheSameBytes)
{
    TempFolder here(fs::temp_directory_path());
    ASSERT_FALSE(here.path.empty());
    std::vector<fs::path> targets = {here.path};
    TempFolder shm("/dev/shm");
    if (!shm.path.empty() && DeviceOf(shm.path) != DeviceOf(here.path))
        targets.push_back(shm.path);
    else
        std::printf("no second file system: only the in-kernel copy is checked\n");

    const auto source = Pattern(3 * 65536 + 1001, 7);
    const fs::path sourcePath = here.path / "source";
    {
        CWorkFile file;
        ASSERT_TRUE(file.Open(sourcePath, CWorkFile::Mode::CreateReadWrite));
        ASSERT_TRUE(file.Write(source.data(), source.size()));
    }
    for (const fs::path& folder : targets) {
        for (const bool positions : {true, false}) {
            SCOPED_TRACE(folder.string() + (positions ? ", file positions" : ", explicit offsets"));
            CWorkFile in, out;
            ASSERT_TRUE(in.Open(sourcePath, CWorkFile::Mode::ReadOnly));
            ASSERT_TRUE(out.Open(folder / "target", CWorkFile::Mode::CreateReadWrite));
            ASSERT_TRUE(in.Seek(100));
            ASSERT_TRUE(out.Seek(10));
            // Asks for more than is left: the copy stops at the source's end.
            const int64_t copied = positions ? in.CopyTo(out, 4 * 65536) : in.CopyTo(out, 4 * 65536, 100, 10);
            EXPECT_EQ(copied, static_cast<int64_t>(source.size()) - 100);
            EXPECT_EQ(in.Position(), positions ? static_cast<int64_t>(source.size()) : 100);
            EXPECT_EQ(out.Position(), positions ? 10 + copied : 10);
            out.Close();
            auto written = ReadFileBytes(folder / "target");
            ASSERT_EQ(written.size(), source.size() - 100 + 10);
            EXPECT_EQ(std::vector<uint8_t>(written.begin() + 10, written.end()),
                      std::vector<uint8_t>(source.begin() + 100, source.end()));
            // A closed target refuses.
            EXPECT_EQ(in.CopyTo(out, 10), -1);
        }
    }
}
