#include "ConnectionStream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sendd {
namespace {

thread_local ConnectionStream* t_current = nullptr;

void AddressOf(const sockaddr_storage& addr, std::string& ip, int& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto& a = reinterpret_cast<const sockaddr_in&>(addr);
        inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
        port = ntohs(a.sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto& a = reinterpret_cast<const sockaddr_in6&>(addr);
        inet_ntop(AF_INET6, &a.sin6_addr, text, sizeof text);
        port = ntohs(a.sin6_port);
    }
    ip = text;
}

} // namespace

ConnectionStream::ConnectionStream(int sock, const ConnectionLimits& limits)
    : m_sock(sock), m_limits(limits), m_deadline(Clock::now() + limits.requestTimeout)
{
}

ConnectionStream* ConnectionStream::Current() { return t_current; }
void ConnectionStream::SetCurrent(ConnectionStream* stream) { t_current = stream; }

bool ConnectionStream::WaitForRequest()
{
    if (m_pos < m_end)
        return true;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(m_limits.keepAlive).count();
    return Poll(POLLIN, static_cast<int>(ms)) > 0;
}

void ConnectionStream::StartRequest()
{
    m_headerPhase = true;
    m_headerBytes = 0;
    m_deadline = Clock::now() + m_limits.requestTimeout;
}

void ConnectionStream::StartBody(std::size_t contentLength)
{
    m_headerPhase = false;
    const auto extra = std::chrono::seconds(contentLength / std::max<std::size_t>(m_limits.bodyBytesPerSecond, 1));
    m_deadline = Clock::now() + m_limits.requestTimeout + extra;
}

int ConnectionStream::Poll(short events, int timeoutMs) const
{
    pollfd p{m_sock, events, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, std::max(timeoutMs, 0));
    } while (rc < 0 && errno == EINTR);
    return rc;
}

int ConnectionStream::MillisecondsLeft() const
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 24 * 3600 * 1000));
}

bool ConnectionStream::Fill()
{
    if (Poll(POLLIN, MillisecondsLeft()) <= 0) {
        m_timedOut = true;
        return false;
    }
    ssize_t n;
    do {
        n = ::recv(m_sock, m_buffer, sizeof m_buffer, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return false;
    m_pos = 0;
    m_end = static_cast<std::size_t>(n);
    return true;
}

bool ConnectionStream::is_readable() const
{
    return m_pos < m_end || Poll(POLLIN, MillisecondsLeft()) > 0;
}

bool ConnectionStream::is_writable() const
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(m_limits.writeTimeout).count();
    return Poll(POLLOUT, static_cast<int>(ms)) > 0;
}

ssize_t ConnectionStream::read(char* ptr, size_t size)
{
    if (m_pos == m_end && !Fill())
        return -1;
    const std::size_t n = std::min(size, m_end - m_pos);
    if (m_headerPhase) {
        m_headerBytes += n;
        if (m_headerBytes > m_limits.maxHeaderBytes)
            return -1;
    }
    std::memcpy(ptr, m_buffer + m_pos, n);
    m_pos += n;
    return static_cast<ssize_t>(n);
}

ssize_t ConnectionStream::write(const char* ptr, size_t size)
{
    if (!is_writable())
        return -1;
    ssize_t n;
    do {
        n = ::send(m_sock, ptr, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(m_sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        AddressOf(addr, ip, port);
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(m_sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        AddressOf(addr, ip, port);
}

} // namespace sendd
