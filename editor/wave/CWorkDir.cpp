#include "CWorkDir.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockName = "lock";
constexpr const char* kDirPrefix = "doc-";

// An open descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { if (m_fd >= 0) ::close(m_fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    int Release() { const int fd = m_fd; m_fd = -1; return fd; }

private:
    int m_fd;
};

int OpenNoIntr(const char* path, int flags, mode_t mode = 0600)
{
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int FlockNoIntr(int fd, int op)
{
    int rc;
    do {
        rc = ::flock(fd, op);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

// The per-user folder that holds every document's directory. It must be a
// real directory of ours, not a link planted by someone else in a shared /tmp.
fs::path BaseDirectory()
{
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec || temp.empty())
        temp = "/tmp";
    const fs::path base = temp / ("sonarch2-" + std::to_string(::getuid()));
    if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st {};
    if (::lstat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    return base;
}

// Creating a directory and sweeping stale ones exclude each other through
// this lock, so a sweep never sees a directory whose owner has not yet
// locked it.
class BaseLock {
public:
    explicit BaseLock(const fs::path& base)
        : m_fd(OpenNoIntr((base / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC))
    {
        m_locked = m_fd.Get() >= 0 && FlockNoIntr(m_fd.Get(), LOCK_EX) == 0;
    }
    bool Locked() const { return m_locked; }

private:
    Fd m_fd;
    bool m_locked = false;
};

// True when no live process holds the directory's lock.
bool IsStale(const fs::path& dir)
{
    Fd fd(OpenNoIntr((dir / kLockName).c_str(), O_RDWR | O_CLOEXEC));
    if (fd.Get() < 0)
        return errno == ENOENT;  // its owner died before it could lock it
    return FlockNoIntr(fd.Get(), LOCK_EX | LOCK_NB) == 0;
}

void SweepLocked(const fs::path& base)
{
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& dir = it->path();
        if (dir.filename().string().rfind(kDirPrefix, 0) != 0)
            continue;
        std::error_code typeEc;
        if (it->is_directory(typeEc) && !it->is_symlink(typeEc) && IsStale(dir))
            stale.push_back(dir);
    }
    for (const fs::path& dir : stale) {
        std::error_code removeEc;
        fs::remove_all(dir, removeEc);
    }
}

}  // namespace

CWorkDir::CWorkDir()
{
    static std::once_flag swept;
    std::call_once(swept, [] { RemoveStaleDirectories(); });

    const fs::path base = BaseDirectory();
    if (base.empty())
        return;
    BaseLock guard(base);
    if (!guard.Locked())
        return;

    std::string tmpl = (base / kDirPrefix).string() + "XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()))
        return;
    const fs::path dir(name.data());

    Fd lock(OpenNoIntr((dir / kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC));
    if (lock.Get() < 0 || FlockNoIntr(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
        std::error_code ec;
        fs::remove_all(dir, ec);
        return;
    }
    m_lockFd = lock.Release();
    m_path = dir;
}

CWorkDir::~CWorkDir()
{
    if (!m_path.empty()) {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

void CWorkDir::RemoveStaleDirectories()
{
    const fs::path base = BaseDirectory();
    if (base.empty())
        return;
    BaseLock guard(base);
    if (guard.Locked())
        SweepLocked(base);
}
