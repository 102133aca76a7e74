#include "codecs/CFileInStream.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFileInStream::~CFileInStream()
{
    Close();
}

uint32_t CFileInStream::Open(const std::string& fileName)
{
    Close();
    m_bEOF = false;
    // Non-blocking so that opening a FIFO cannot hang; refused below anyway.
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return InStreamOpenFailed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return InStreamOpenFailed;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_fd = fd;
    return InStreamOk;
}

uint32_t CFileInStream::Close()
{
    if (m_fd < 0)
        return InStreamOk;
    int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0 ? InStreamOk : InStreamCloseFailed;
}

uint32_t CFileInStream::Read(void* buffer, uint32_t count, uint32_t* pRead)
{
    if (pRead)
        *pRead = 0;
    if (m_fd < 0)
        return InStreamNotOpen;
    ssize_t got;
    do {
        got = ::read(m_fd, buffer, count);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return InStreamReadFailed;
    if (got == 0)
        m_bEOF = true;
    if (pRead)
        *pRead = static_cast<uint32_t>(got);
    return InStreamOk;
}

int64_t CFileInStream::GetSize() const
{
    if (m_fd < 0)
        return 0;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return 0;
    return st.st_size;
}

void CFileInStream::Seek(int64_t distance, int origin)
{
    if (m_fd < 0)
        return;
    int whence;
    switch (origin) {
    case 0: whence = SEEK_SET; break;
    case 1: whence = SEEK_CUR; break;
    case 2: whence = SEEK_END; break;
    default: return;
    }
    ::lseek(m_fd, distance, whence);
}

int64_t CFileInStream::Tell() const
{
    if (m_fd < 0)
        return -1;
    return ::lseek(m_fd, 0, SEEK_CUR);
}
