#include "codecs/wma/CFdInput.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kIoBufferSize = 65536;
constexpr int kPollMilliseconds = 100;
}  // namespace

CFdInput::~CFdInput()
{
    m_avio.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CFdInput::Open(const std::string& path)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    struct stat st {};
    m_bSeekable = ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode);
    return true;
}

AVIOContext* CFdInput::Context()
{
    if (m_fd < 0)
        return nullptr;
    if (!m_avio) {
        auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
        if (!buffer)
            return nullptr;
        m_avio.reset(avio_alloc_context(buffer, kIoBufferSize, 0, this, &CFdInput::ReadPacket, nullptr,
                                        m_bSeekable ? &CFdInput::Seek : nullptr));
        if (!m_avio) {
            av_free(buffer);
            return nullptr;
        }
        m_avio->seekable = m_bSeekable ? AVIO_SEEKABLE_NORMAL : 0;
    }
    return m_avio.get();
}

int CFdInput::ReadPacket(void* opaque, uint8_t* buffer, int size)
{
    auto* self = static_cast<CFdInput*>(opaque);
    for (;;) {
        if (self->m_bAbort)
            return AVERROR_EXIT;
        pollfd request{self->m_fd, POLLIN, 0};
        const int ready = ::poll(&request, 1, kPollMilliseconds);
        if (ready < 0 && errno != EINTR)
            return AVERROR(errno);
        if (ready <= 0)
            continue;
        const ssize_t got = ::read(self->m_fd, buffer, static_cast<std::size_t>(size));
        if (got > 0)
            return static_cast<int>(got);
        if (got == 0)
            return AVERROR_EOF;
        if (errno != EINTR && errno != EAGAIN)
            return AVERROR(errno);
    }
}

int64_t CFdInput::Seek(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<CFdInput*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(self->m_fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    }
    const off_t position = ::lseek(self->m_fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : static_cast<int64_t>(position);
}
