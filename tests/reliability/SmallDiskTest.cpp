// The same operations on a really full file system: a 4 MB tmpfs mounted in a
// private mount namespace of a child process, filled up to its last pages.
// Writes fail there with ENOSPC (not EFBIG as under the file-size limit), and
// the space reservations of growing files meet a real full disk.
#include "FaultSupport.h"
#include "wave/WaveTestUtil.h"

#include "codecs/CSoundFile.h"
#include "dsp/CWaveEffects.h"
#include "wave/WaveClipboard.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool WriteText(const char* path, const std::string& text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// Enters a private mount namespace: directly as root, or inside a user
// namespace that maps this user to root.
bool EnterMountNamespace(std::string* pWhy)
{
    if (::unshare(CLONE_NEWNS) == 0)
        return true;
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        *pWhy = std::string("no mount namespace: ") + std::strerror(errno);
        return false;
    }
    WriteText("/proc/self/setgroups", "deny");
    return WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

int64_t FreeBytes(const fs::path& dir)
{
    struct statvfs st {};
    if (::statvfs(dir.c_str(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

// Takes all free space but `keep` bytes.
bool FillUp(const fs::path& file, int64_t keep)
{
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const int64_t take = FreeBytes(file.parent_path()) - keep;
    const bool ok = take > 0 && ::fallocate(fd, 0, 0, static_cast<off_t>(take)) == 0;
    ::close(fd);
    return ok;
}

constexpr std::size_t kDocBytes = 800000;  // 200,000 frames of 16-bit stereo noise
constexpr int64_t kLeftFree = 8192;

// Runs in the child, inside the namespace with the small file system mounted
// at `mount`. Failed expectations print as usual; the exit code tells.
void RunOnFullDisk(const fs::path& mount)
{
    ::setenv("TMPDIR", mount.c_str(), 1);  // the document's working directory goes there
    const auto bytes = Pattern(kDocBytes, 23);
    CRMWave wave;
    ASSERT_EQ(wave.GetPath().string().rfind(mount.string(), 0), 0u) << wave.GetPath();
    FillDocument(wave, bytes);
    CMemoryClipboard clipboard;
    wave.SetClipboard(&clipboard);
    CWaveEffects fx(&wave);
    const fs::path out = mount / "out";
    fs::create_directory(out);

    // Set up while there is room: a clipboard image and a deleted range to undo.
    wave.m_nSelBegin = 0;
    wave.m_nSelEnd = 50000;
    ASSERT_TRUE(wave.CopyToClipboard());
    wave.m_nSelBegin = 100000;
    wave.m_nSelEnd = 120000;
    ASSERT_TRUE(wave.SaveUndo(UndoReinsert));
    ASSERT_TRUE(wave.DeleteSelection());
    auto doc = DocumentBytes(wave);
    ASSERT_EQ(doc.size(), kDocBytes - 80000);
    const auto old = Pattern(3000, 6);
    for (const char* ext : {"mp3", "ogg", "raw", "wav", "wma"})
        WriteFileBytes(out / (std::string("tone.") + ext), old);
    const auto outFiles = FileNames(out);

    ASSERT_TRUE(FillUp(mount / "filler", kLeftFree));
    ASSERT_LE(FreeBytes(mount), kLeftFree);
    const auto unchanged = [&](const char* what) {
        EXPECT_EQ(DocumentBytes(wave), doc) << what;
        EXPECT_EQ(wave.m_nLength, static_cast<int32_t>(doc.size() / 4)) << what;
        EXPECT_EQ(WorkFiles(wave), ExpectedWorkFiles(wave)) << what;
    };

    EXPECT_FALSE(wave.Undo());  // reinsertion needs room for 80,000 bytes
    EXPECT_FALSE(wave.GetUndo().IsEmpty());
    unchanged("undo of the delete");

    wave.m_nCursor = 3000;
    EXPECT_FALSE(wave.PasteFromClipboard());
    unchanged("paste");

    EXPECT_FALSE(fx.InsertSilence(1.0f));
    unchanged("insert silence");

    wave.m_nSelBegin = 10000;
    wave.m_nSelEnd = 60000;
    EXPECT_FALSE(fx.Reverse());
    unchanged("reverse");
    // Echo mixes in place from the untouched part of the document: it needs no
    // room of its own, so a full disk does not stop it.
    EXPECT_TRUE(fx.Echo(0.05f, 0.5f));
    EXPECT_NE(DocumentBytes(wave), doc);
    doc = DocumentBytes(wave);
    unchanged("echo");
    EXPECT_FALSE(wave.CopyToClipboard());
    unchanged("copy");

    EXPECT_FALSE(wave.SaveUndo(UndoRestore));  // also drops the older record
    EXPECT_TRUE(wave.GetUndo().IsEmpty());
    unchanged("undo record of an effect");
    // Dropping the record freed its 80,000 bytes: take them again.
    ASSERT_TRUE(FillUp(mount / "filler2", kLeftFree));

    CSoundFile sound;
    sound.m_pWave = &wave;
    for (int32_t code = 1; code <= 5; ++code) {
        const char* ext[] = {"", "mp3", "ogg", "raw", "wav", "wma"};
        const fs::path target = out / (std::string("tone.") + ext[code]);
        sound.m_strFileName = target.string();
        sound.m_nFormat = code;
        EXPECT_EQ(sound.SaveFile(), 0) << target;
        EXPECT_EQ(ReadFileBytes(target), old) << target;
        EXPECT_EQ(FileNames(out), outFiles) << target;
        unchanged(ext[code]);
    }

    // With the space back, the same operations work.
    fs::remove(mount / "filler");
    fs::remove(mount / "filler2");
    wave.m_nCursor = 3000;
    EXPECT_TRUE(wave.PasteFromClipboard());
    EXPECT_EQ(DocumentBytes(wave), Concat({Slice(doc, 0, 12000), Slice(bytes, 0, 200000), Slice(doc, 12000, doc.size())}));
    sound.m_strFileName = (out / "tone.wav").string();
    sound.m_nFormat = 4;
    EXPECT_EQ(sound.SaveFile(), 1);
    EXPECT_EQ(fs::file_size(out / "tone.wav"), 46 + doc.size() + 200000);  // 18-byte "fmt " record
}

}  // namespace

TEST(SmallDisk, EveryWritingOperationFailsCleanlyOnAFullFileSystem)
{
    std::string tmpl = (fs::temp_directory_path() / "vrt-smalldisk-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    const fs::path mount = tmpl;

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(fds[0]);
        std::string why;
        if (!EnterMountNamespace(&why) || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=4m,mode=0700") != 0) {
            if (why.empty())
                why = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
            (void)!::write(fds[1], why.data(), why.size());
            ::_exit(2);
        }
        ::close(fds[1]);
        RunOnFullDisk(mount);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    ::close(fds[1]);
    char buffer[256] = {};
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer - 1);
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    fs::remove(mount);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2 && n > 0)
        GTEST_SKIP() << "this machine cannot mount a small file system: " << buffer;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the child's failures are printed above (status " << status << ")";
}
