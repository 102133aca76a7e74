#include "codecs/CReplacingFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 65536;

bool WriteAll(int fd, const uint8_t* data, std::size_t count)
{
    while (count > 0) {
        ssize_t done = ::write(fd, data, count);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        count -= static_cast<std::size_t>(done);
    }
    return true;
}

bool WriteAllAt(int fd, int64_t offset, const uint8_t* data, std::size_t count)
{
    while (count > 0) {
        ssize_t done = ::pwrite(fd, data, count, offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        offset += done;
        count -= static_cast<std::size_t>(done);
    }
    return true;
}

}  // namespace

CReplacingFile::~CReplacingFile()
{
    Discard();
}

bool CReplacingFile::Create(const std::filesystem::path& target)
{
    Discard();
    m_target = target;
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    // Short enough that the suffix never pushes a long name past NAME_MAX.
    const std::string stem = "." + target.filename().string().substr(0, 200);

    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate =
            folder / (stem + "." + std::to_string(random() % 1000000000u) + ".part");
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = candidate;
            break;
        }
        if (errno != EEXIST)
            return false;
    }
    if (m_fd < 0)
        return false;

    // A replaced file keeps its permissions.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(m_fd, st.st_mode & 07777);

    m_bFailed = false;
    m_nSize = 0;
    m_buffer.reserve(kBufferSize);
    return true;
}

bool CReplacingFile::Write(const void* data, std::size_t count)
{
    if (m_fd < 0 || m_bFailed)
        return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_nSize += static_cast<int64_t>(count);
    if (m_buffer.size() + count > kBufferSize) {
        if (!Flush())
            return false;
        if (count >= kBufferSize) {
            m_bFailed = !WriteAll(m_fd, bytes, count);
            return !m_bFailed;
        }
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + count);
    return true;
}

bool CReplacingFile::WriteAt(int64_t offset, const void* data, std::size_t count)
{
    if (m_fd < 0 || m_bFailed || !Flush())
        return false;
    m_bFailed = !WriteAllAt(m_fd, offset, static_cast<const uint8_t*>(data), count);
    return !m_bFailed;
}

bool CReplacingFile::Flush()
{
    if (m_bFailed)
        return false;
    if (!m_buffer.empty()) {
        m_bFailed = !WriteAll(m_fd, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    return !m_bFailed;
}

bool CReplacingFile::Commit()
{
    if (m_fd < 0)
        return false;
    bool ok = Flush();
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        ok = false;
    if (!ok) {
        ::unlink(m_tempPath.c_str());
    }
    m_tempPath.clear();
    return ok;
}

void CReplacingFile::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
    m_buffer.clear();
}
