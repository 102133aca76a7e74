#pragma once
// The socket side of one client connection as cpp-httplib reads and writes
// it, with the limits the library itself lacks: every request must arrive
// whole before a deadline (a client trickling a byte a second is cut off), and
// the request line and headers together may not exceed a byte budget.

#include <httplib.h>

#include <chrono>
#include <cstddef>

namespace sendd {

struct ConnectionLimits
{
    std::chrono::seconds requestTimeout{30};     // request line, headers and a small body
    std::size_t bodyBytesPerSecond = 32 * 1024;  // slowest body accepted beyond that
    std::size_t maxHeaderBytes = 16 * 1024;      // request line and headers together
    std::chrono::seconds keepAlive{5};           // idle time between requests
    std::chrono::seconds writeTimeout{10};
    std::size_t requestsPerConnection = 100;
};

class ConnectionStream final : public httplib::Stream
{
public:
    using Clock = std::chrono::steady_clock;

    ConnectionStream(int sock, const ConnectionLimits& limits);

    // Waits up to the keep-alive time for the next request's first byte.
    bool WaitForRequest();
    // A new request begins: header budget and deadline start over.
    void StartRequest();
    // The headers are in; the body of this length may follow.
    void StartBody(std::size_t contentLength);
    // Asks for the connection to end after the current answer.
    void RequestClose() { m_closeRequested = true; }
    bool CloseRequested() const { return m_closeRequested; }
    bool TimedOut() const { return m_timedOut; }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    int socket() const override { return m_sock; }

    // The connection served on this thread, if any.
    static ConnectionStream* Current();
    static void SetCurrent(ConnectionStream* stream);

private:
    int Poll(short events, int timeoutMs) const;
    int MillisecondsLeft() const;
    bool Fill();

    int m_sock;
    ConnectionLimits m_limits;
    Clock::time_point m_deadline;
    bool m_headerPhase = true;
    std::size_t m_headerBytes = 0;
    bool m_timedOut = false;
    bool m_closeRequested = false;
    char m_buffer[16 * 1024];
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

} // namespace sendd
