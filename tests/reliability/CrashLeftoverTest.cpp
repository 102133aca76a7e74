// A process killed with SIGKILL in the middle of an edit leaves its private
// working directory behind; the next process that opens a document removes
// it, and leaves the directories of living processes alone.
#include "FaultSupport.h"
#include "wave/WaveTestUtil.h"

#include "dsp/CWaveEffects.h"
#include "wave/ControlEvents.h"

#include <csignal>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Reports the working directory on the first pump step of the edit, then
// never returns: the edit is caught halfway.
class HaltingPump final : public IControlEvents {
public:
    HaltingPump(int fd, std::string dir) : m_fd(fd), m_dir(std::move(dir)) {}
    void PumpMessages() override
    {
        const std::string line = m_dir + "\n";
        if (::write(m_fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            ::_exit(3);
        for (;;)
            ::pause();
    }

private:
    int m_fd;
    std::string m_dir;
};

enum class Edit { Delete, Reverse, Paste };

std::string ReadLine(int fd)
{
    std::string line;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

// Forks a child that fills a document, starts `edit` and stops inside it.
// Returns the child's pid and its working directory.
pid_t StartEditingChild(Edit edit, fs::path* pDir)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        // Leaked on purpose: a killed process runs no destructor.
        auto* wave = new CRMWave;
        const auto bytes = Pattern(1000000, 8);
        if (!wave->CreateNew(2, 44100, 16) || !wave->WriteData(bytes.data(), bytes.size()))
            ::_exit(2);
        wave->UpdateLength();
        wave->m_nSelBegin = 1000;
        wave->m_nSelEnd = 200000;
        if (!wave->SaveUndo(edit == Edit::Reverse ? UndoRestore : UndoReinsert))
            ::_exit(2);
        HaltingPump pump(fds[1], wave->GetPath().parent_path().string());
        SetControlEvents(&pump);
        switch (edit) {
        case Edit::Delete: wave->DeleteSelection(); break;
        case Edit::Reverse: (new CWaveEffects(wave))->Reverse(); break;
        case Edit::Paste: wave->OpenGap(4000, 800000); break;  // the block moves of a paste
        }
        ::_exit(4);  // the pump never returns
    }
    ::close(fds[1]);
    if (pid > 0)
        *pDir = ReadLine(fds[0]);
    ::close(fds[0]);
    return pid;
}

// Runs the helper that opens a document in a new process; its directory.
std::string RunNewProcess(int* pStatus)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execl(VRT_NEW_DOCUMENT_HELPER, VRT_NEW_DOCUMENT_HELPER, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    const std::string dir = ReadLine(fds[0]);
    ::close(fds[0]);
    ::waitpid(pid, pStatus, 0);
    return dir;
}

class CrashLeftovers : public ::testing::TestWithParam<Edit> {};

}  // namespace

TEST_P(CrashLeftovers, KilledEditIsCleanedByTheNextProcess)
{
    CRMWave alive;  // a living document of this process must survive the sweep
    FillDocument(alive, Pattern(5000, 2));
    const fs::path aliveDir = alive.GetPath().parent_path();

    fs::path dead;
    const pid_t pid = StartEditingChild(GetParam(), &dead);
    ASSERT_GT(pid, 0);
    ASSERT_FALSE(dead.empty()) << "the child did not reach its edit";
    const auto during = FileNames(dead);
    EXPECT_TRUE(during.count("Wave.tmp") && during.count("Wave.sel") && during.count("lock"));
    if (GetParam() == Edit::Reverse) {
        EXPECT_TRUE(during.count("Wave.fx"));
    }

    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ASSERT_TRUE(fs::exists(dead / "Wave.tmp")) << "the killed process left nothing to clean";

    int helperStatus = -1;
    const fs::path fresh = RunNewProcess(&helperStatus);
    ASSERT_TRUE(WIFEXITED(helperStatus) && WEXITSTATUS(helperStatus) == 0);
    ASSERT_FALSE(fresh.empty());
    EXPECT_FALSE(fs::exists(dead)) << dead;
    EXPECT_FALSE(fs::exists(fresh)) << "the new process removes its own directory at its end";
    EXPECT_TRUE(fs::exists(alive.GetPath()));
    EXPECT_EQ(DocumentBytes(alive), Pattern(5000, 2));
    EXPECT_EQ(FileNames(aliveDir), ExpectedWorkFiles(alive));
}

INSTANTIATE_TEST_SUITE_P(EachEdit, CrashLeftovers, ::testing::Values(Edit::Delete, Edit::Reverse, Edit::Paste),
                         [](const ::testing::TestParamInfo<Edit>& info) {
                             switch (info.param) {
                             case Edit::Delete: return std::string("Delete");
                             case Edit::Reverse: return std::string("Reverse");
                             case Edit::Paste: return std::string("Paste");
                             }
                             return std::string("Unknown");
                         });
