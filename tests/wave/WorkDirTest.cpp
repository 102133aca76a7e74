// Private working directories: two documents in one process, two processes
// in one current directory, and the sweep of directories left by dead ones.
#include "WaveTestUtil.h"
#include "wave/CWorkDir.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace fs = std::filesystem;

namespace {

// A pipe whose ends close themselves.
class Pipe {
public:
    Pipe() { m_ok = ::pipe(m_fd) == 0; }
    ~Pipe()
    {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool Ok() const { return m_ok; }
    void CloseRead() { Close(0); }
    void CloseWrite() { Close(1); }
    void Send(const std::string& s) { (void)!::write(m_fd[1], s.data(), s.size()); }
    // Reads until the other end closes or `stop` arrives.
    std::string Receive(char stop = '\n')
    {
        std::string s;
        char c;
        while (::read(m_fd[0], &c, 1) == 1 && c != stop)
            s += c;
        return s;
    }

private:
    void Close(int i)
    {
        if (m_fd[i] >= 0)
            ::close(m_fd[i]);
        m_fd[i] = -1;
    }
    int m_fd[2] = {-1, -1};
    bool m_ok = false;
};

int WaitExitCode(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// In a child: a document with the given bytes, or an exit code saying what failed.
int MakeDocumentInChild(CRMWave& wave, const std::vector<uint8_t>& bytes)
{
    if (!wave.CreateNew(2, 44100, 16))
        return 10;
    if (!wave.WriteData(bytes.data(), bytes.size()))
        return 11;
    return 0;
}

}  // namespace

TEST(WorkDir, TwoDocumentsInOneProcessKeepTheirOwnFiles)
{
    const auto a = Pattern(100000, 1);
    const auto b = Pattern(60000, 2);
    CRMWave first;
    CRMWave second;
    FillDocument(first, a);
    FillDocument(second, b);
    EXPECT_NE(first.GetPath(), second.GetPath());
    EXPECT_NE(first.GetPath().parent_path(), second.GetPath().parent_path());

    first.m_nSelBegin = 0;
    first.m_nSelEnd = 100;
    ASSERT_TRUE(first.SaveUndo(UndoReinsert));
    ASSERT_TRUE(first.DeleteSelection());
    second.m_nSelBegin = 1000;
    second.m_nSelEnd = 2000;
    ASSERT_TRUE(second.SaveUndo(UndoRestore));
    EXPECT_EQ(ReadFileBytes(second.GetUndo().m_strPath), Slice(b, 4000, 8000));

    // The first document's undo uses its own "Wave.sel", untouched by the second.
    ASSERT_TRUE(first.Undo());
    EXPECT_EQ(DocumentBytes(first), a);
    EXPECT_EQ(DocumentBytes(second), b);
    EXPECT_TRUE(fs::exists(second.GetUndo().m_strPath));

    // Resetting one leaves the other's working file alone.
    first.Reset();
    EXPECT_EQ(DocumentBytes(second), b);
}

TEST(WorkDir, TwoProcessesInOneDirectoryKeepTheirOwnFiles)
{
    const auto mine = Pattern(80000, 3);
    const auto theirs = Pattern(50000, 4);
    Pipe ready;
    Pipe release;
    ASSERT_TRUE(ready.Ok() && release.Ok());

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code;
        {
            CRMWave wave;
            code = MakeDocumentInChild(wave, theirs);
            ready.Send(wave.GetPath().string() + "\n");
            release.Receive();  // the parent edits its own document meanwhile
            if (code == 0 && DocumentBytes(wave) != theirs)
                code = 12;
            wave.m_nSelBegin = 0;
            wave.m_nSelEnd = 5000;
            if (code == 0 && !(wave.SaveUndo(UndoReinsert) && wave.DeleteSelection() && wave.Undo()))
                code = 13;
            if (code == 0 && DocumentBytes(wave) != theirs)
                code = 14;
        }
        ::_exit(code);
    }

    const fs::path childPath = ready.Receive();
    CRMWave wave;
    FillDocument(wave, mine);
    EXPECT_NE(wave.GetPath(), childPath);
    EXPECT_TRUE(fs::exists(childPath));
    wave.m_nSelBegin = 100;
    wave.m_nSelEnd = 15000;
    ASSERT_TRUE(wave.SaveUndo(UndoReinsert));
    ASSERT_TRUE(wave.DeleteSelection());
    release.Send("\n");
    EXPECT_EQ(WaitExitCode(pid), 0);

    ASSERT_TRUE(wave.Undo());
    EXPECT_EQ(DocumentBytes(wave), mine);
    EXPECT_FALSE(fs::exists(childPath.parent_path()));  // the child removed its own
}

TEST(WorkDir, DirectoryOfADeadProcessIsSwept)
{
    Pipe ready;
    ASSERT_TRUE(ready.Ok());
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Dies without running any destructor, as a crash would.
        static CRMWave* leaked = nullptr;
        std::unique_ptr<CRMWave> wave = std::make_unique<CRMWave>();
        const int code = MakeDocumentInChild(*wave, Pattern(1000));
        ready.Send(wave->GetPath().parent_path().string() + "\n");
        leaked = wave.release();
        (void)leaked;
        ::_exit(code);
    }
    const fs::path dead = ready.Receive();
    ASSERT_EQ(WaitExitCode(pid), 0);
    ASSERT_TRUE(fs::exists(dead / "Wave.tmp"));

    CRMWave alive;
    FillDocument(alive, Pattern(100));
    CWorkDir::RemoveStaleDirectories();
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(alive.GetPath()));
}

TEST(WorkDir, DirectoryOfALiveProcessIsKept)
{
    Pipe ready;
    Pipe release;
    ASSERT_TRUE(ready.Ok() && release.Ok());
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code;
        {
            CRMWave wave;
            code = MakeDocumentInChild(wave, Pattern(1000));
            ready.Send(wave.GetPath().string() + "\n");
            release.Receive();
            if (code == 0 && DocumentBytes(wave) != Pattern(1000))
                code = 12;
        }
        ::_exit(code);
    }
    const fs::path childFile = ready.Receive();
    CWorkDir::RemoveStaleDirectories();
    EXPECT_TRUE(fs::exists(childFile));
    release.Send("\n");
    EXPECT_EQ(WaitExitCode(pid), 0);
}

TEST(WorkDir, DirectoryWithoutLockIsSwept)
{
    fs::path base;
    {
        CWorkDir probe;
        ASSERT_FALSE(probe.Path().empty());
        base = probe.Path().parent_path();
    }
    // What a process that died between creating its directory and locking it leaves.
    const fs::path orphan = base / "doc-orphan";
    fs::create_directories(orphan);
    WriteFileBytes(orphan / "Wave.tmp", Pattern(10));
    CWorkDir::RemoveStaleDirectories();
    EXPECT_FALSE(fs::exists(orphan));
}
