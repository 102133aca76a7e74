#pragma once
// A misbehaving HTTP server on 127.0.0.1 for the upload's robustness tests.
// It runs on a thread of its own with plain POSIX sockets, so that it keeps
// misbehaving whatever the client's event loop does, and it can do what a
// well-mannered server class cannot: trickle, reset, flood.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

class HostileHttpServer
{
public:
    enum class Behaviour {
        NeverAnswer,       // reads the request, then keeps the connection silent
        OneBytePerSecond,  // a complete 200 answer, one byte a second
        ResetMidBody,      // 200 with a 100,000-byte body, reset after 5,000 bytes
        HugeHeaders,       // 200 with 1 MB of header lines
        HugeErrorHeader,   // 400 with an "ERROR" value of 100 KB (or the size given)
        EndlessBody,       // 200, then body bytes for as long as the client reads
        LongBody,          // a well-formed 200 with a body of 3 MB (or the size given)
        EndlessHeader,     // 200, then one header line that never ends
    };

    explicit HostileHttpServer(Behaviour behaviour, std::size_t size = 100 * 1024)
        : m_behaviour(behaviour), m_size(size)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t addressSize = sizeof address;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), addressSize) == 0 && ::listen(m_listen, 4) == 0
            && ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &addressSize) == 0)
            m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Run(); });
    }

    ~HostileHttpServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }

    HostileHttpServer(const HostileHttpServer&) = delete;
    HostileHttpServer& operator=(const HostileHttpServer&) = delete;

    bool IsListening() const { return m_port != 0; }
    std::string Url(const char* path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    // Bytes of answer written to the client so far.
    int64_t BytesSent() const { return m_sent; }
    // Bytes of the whole answer, once it is known (0 before).
    int64_t AnswerSize() const { return m_answerSize; }
    bool RequestArrived() const { return m_requestArrived; }
    // The client closed or reset the connection.
    bool ClientWentAway() const { return m_clientGone; }

private:
    void Run()
    {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            // Short send timeouts let every loop below notice the stop flag.
            const timeval tick{0, 50000};
            ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &tick, sizeof tick);
            Serve(client);
            ::close(client);
        }
    }

    void Serve(int client)
    {
        if (!ReadRequest(client))
            return;
        m_requestArrived = true;
        switch (m_behaviour) {
        case Behaviour::NeverAnswer:
            DrainUntilGone(client);
            break;
        case Behaviour::OneBytePerSecond: {
            const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            for (char c : answer) {
                if (!SendAll(client, std::string(1, c)) || !Sleep(std::chrono::seconds(1), client))
                    return;
            }
            DrainUntilGone(client);
            break;
        }
        case Behaviour::ResetMidBody: {
            if (!SendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(5000, 'b')))
                return;
            Sleep(std::chrono::milliseconds(200), client);
            const linger reset{1, 0};  // close with RST instead of FIN
            ::setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            break;
        }
        case Behaviour::HugeHeaders: {
            std::string answer = "HTTP/1.1 200 OK\r\n";
            for (int i = 0; answer.size() < 1024 * 1024; ++i)
                answer += "X-Filler-" + std::to_string(i) + ": " + std::string(1000, 'h') + "\r\n";
            answer += "Content-Length: 0\r\nConnection: close\r\n\r\n";
            if (SendAll(client, answer))
                DrainUntilGone(client);
            break;
        }
        case Behaviour::HugeErrorHeader: {
            const std::string answer = "HTTP/1.1 400 Bad Request\r\nERROR: " + std::string(m_size, 'E')
                + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            if (SendAll(client, answer))
                DrainUntilGone(client);
            break;
        }
        case Behaviour::LongBody: {
            const std::size_t size = m_size == 100 * 1024 ? 3 * 1024 * 1024 : m_size;
            const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n";
            m_answerSize = static_cast<int64_t>(head.size() + size);
            if (SendAll(client, head) && SendAll(client, std::string(size, 'l')))
                DrainUntilGone(client);
            break;
        }
        case Behaviour::EndlessHeader: {
            if (!SendAll(client, "HTTP/1.1 200 OK\r\nX-Endless: "))
                return;
            const std::string block(64 * 1024, 'x');
            while (SendAll(client, block)) {
            }
            break;
        }
        case Behaviour::EndlessBody: {
            // No length and "close": the body ends only when the connection does.
            if (!SendAll(client, "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: audio/x-endless\r\n\r\n"))
                return;
            const std::string block(64 * 1024, 'z');
            while (SendAll(client, block)) {
            }
            break;
        }
        }
    }

    // Reads up to the end of the head and the body its Content-Length names.
    bool ReadRequest(int client)
    {
        std::string request;
        std::size_t need = std::string::npos;
        char buffer[16384];
        while (!m_stop) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                return false;
            request.append(buffer, static_cast<std::size_t>(got));
            const std::size_t headEnd = request.find("\r\n\r\n");
            if (headEnd != std::string::npos && need == std::string::npos) {
                std::size_t length = 0;
                const std::size_t field = request.find("Content-Length: ");
                if (field != std::string::npos && field < headEnd)
                    length = std::stoul(request.substr(field + 16));
                need = headEnd + 4 + length;
            }
            if (need != std::string::npos && request.size() >= need)
                return true;
        }
        return false;
    }

    bool SendAll(int client, const std::string& data)
    {
        std::size_t done = 0;
        while (done < data.size()) {
            if (m_stop)
                return false;
            const ssize_t n = ::send(client, data.data() + done, data.size() - done, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    continue;
                m_clientGone = true;
                return false;
            }
            done += static_cast<std::size_t>(n);
            m_sent += n;
        }
        return true;
    }

    // Waits, unless the server stops or the client goes away first.
    bool Sleep(std::chrono::milliseconds duration, int client)
    {
        const auto until = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < until) {
            if (m_stop || PeerClosed(client))
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    bool PeerClosed(int client)
    {
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return false;
        char c;
        const ssize_t got = ::recv(client, &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (got <= 0 && !(got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))) {
            m_clientGone = true;
            return true;
        }
        if (got > 0)
            ::recv(client, &c, 1, 0);
        return false;
    }

    void DrainUntilGone(int client)
    {
        while (!m_stop && !PeerClosed(client))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const Behaviour m_behaviour;
    const std::size_t m_size;
    int m_listen = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int64_t> m_sent{0};
    std::atomic<int64_t> m_answerSize{0};
    std::atomic<bool> m_requestArrived{false};
    std::atomic<bool> m_clientGone{false};
    std::thread m_thread;
};
