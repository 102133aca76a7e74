#include "CWorkFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Calls `step(done)` for what is left of `count` bytes until all are through;
// an interrupted call is repeated, an error or the end of the file stops.
// Returns the bytes transferred.
template <typename Step>
std::size_t Transfer(std::size_t count, Step step)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = step(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace

CWorkFile::~CWorkFile()
{
    Close();
}

CWorkFile::CWorkFile(CWorkFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_changes(other.m_changes++)
{
}

CWorkFile& CWorkFile::operator=(CWorkFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        ++other.m_changes;
    }
    return *this;
}

bool CWorkFile::Open(const std::filesystem::path& path, Mode mode)
{
    Close();
    if (path.empty())
        return false;
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::CreateReadWrite: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case Mode::CreateWriteOnly: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case Mode::ReadOnly: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    }
    do {
        m_fd = ::open(path.c_str(), flags, 0600);
    } while (m_fd < 0 && errno == EINTR);
    return m_fd >= 0;
}

void CWorkFile::Close()
{
    ++m_changes;
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

bool CWorkFile::Seek(int64_t offset)
{
    if (m_fd < 0 || offset < 0)
        return false;
    return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

int64_t CWorkFile::Position() const
{
    if (m_fd < 0)
        return 0;
    const off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    return pos < 0 ? 0 : static_cast<int64_t>(pos);
}

std::size_t CWorkFile::Read(void* buffer, std::size_t count)
{
    if (m_fd < 0)
        return 0;
    auto* out = static_cast<char*>(buffer);
    return Transfer(count, [&](std::size_t done) { return ::read(m_fd, out + done, count - done); });
}

bool CWorkFile::Write(const void* buffer, std::size_t count)
{
    if (m_fd < 0)
        return false;
    ++m_changes;
    const auto* in = static_cast<const char*>(buffer);
    return Transfer(count, [&](std::size_t done) { return ::write(m_fd, in + done, count - done); }) == count;
}

std::size_t CWorkFile::ReadAt(int64_t offset, void* buffer, std::size_t count)
{
    if (m_fd < 0 || offset < 0)
        return 0;
    auto* out = static_cast<char*>(buffer);
    return Transfer(count, [&](std::size_t done) {
        return ::pread(m_fd, out + done, count - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
    });
}

bool CWorkFile::WriteAt(int64_t offset, const void* buffer, std::size_t count)
{
    if (m_fd < 0 || offset < 0)
        return false;
    ++m_changes;
    const auto* in = static_cast<const char*>(buffer);
    return Transfer(count, [&](std::size_t done) {
        return ::pwrite(m_fd, in + done, count - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
    }) == count;
}

bool CWorkFile::SetLength(int64_t length)
{
    if (m_fd < 0 || length < 0)
        return false;
    ++m_changes;
    const int64_t old = GetLength();
    if (length > old) {
        // Reserve the new blocks now, so that a full disk shows up here and
        // not halfway through the block moves that follow a growth.
        int rc;
        do {
            rc = ::fallocate(m_fd, 0, static_cast<off_t>(old), static_cast<off_t>(length - old));
        } while (rc != 0 && errno == EINTR);
        if (rc == 0)
            return true;
        if (errno != EOPNOTSUPP) {
            // A failed allocation may have left part of the space behind.
            (void)::ftruncate(m_fd, static_cast<off_t>(old));
            return false;
        }
    }
    int rc;
    do {
        rc = ::ftruncate(m_fd, static_cast<off_t>(length));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

int64_t CWorkFile::GetLength() const
{
    if (m_fd < 0)
        return 0;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return 0;
    return static_cast<int64_t>(st.st_size);
}

int64_t CWorkFile::CopyTo(CWorkFile& target, int64_t count, int64_t from, int64_t to)
{
    if (m_fd < 0 || target.m_fd < 0 || count < 0)
        return -1;
    ++target.m_changes;
    // Explicit offsets are passed to the kernel and moved there; -1 means the
    // file position, as read and write use it.
    loff_t in = static_cast<loff_t>(from), out = static_cast<loff_t>(to);
    loff_t* pIn = from < 0 ? nullptr : &in;
    loff_t* pOut = to < 0 ? nullptr : &out;
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::copy_file_range(m_fd, pIn, target.m_fd, pOut,
                                            static_cast<std::size_t>(count - done), 0);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n == 0)
            return done;  // the end of this file
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF)
            return -1;
        break;  // the kernel cannot copy between these two: go through a buffer
    }
    std::vector<uint8_t> buffer(static_cast<std::size_t>(std::min<int64_t>(count - done, 65536)));
    while (done < count) {
        const auto want = static_cast<std::size_t>(std::min<int64_t>(count - done, static_cast<int64_t>(buffer.size())));
        const std::size_t got = pIn ? ReadAt(in, buffer.data(), want) : Read(buffer.data(), want);
        if (got == 0)
            break;
        if (!(pOut ? target.WriteAt(out, buffer.data(), got) : target.Write(buffer.data(), got)))
            return -1;
        in += static_cast<loff_t>(got);
        out += static_cast<loff_t>(got);
        done += static_cast<int64_t>(got);
        if (got < want)
            break;
    }
    return done;
}
