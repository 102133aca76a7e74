#pragma once
// A bare TCP client for requests no HTTP library would send: a body that
// never comes, bytes that trickle.

#include <chrono>
#include <string>

namespace sendd_test {

class RawClient
{
public:
    explicit RawClient(int port);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return m_fd >= 0; }
    // False once the server has closed the connection.
    bool Send(const std::string& bytes);
    // Everything the server sends until it closes or `timeout` passes.
    std::string ReadUntilClosed(std::chrono::milliseconds timeout, bool* closed = nullptr);

private:
    int m_fd = -1;
};

} // namespace sendd_test
