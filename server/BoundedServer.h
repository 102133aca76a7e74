#pragma once
// cpp-httplib's server with bounded concurrency: a fixed number of worker
// threads and a bounded queue of waiting connections. A connection that finds
// the queue full gets "503 Service Unavailable" at once. Each connection is
// read through a ConnectionStream, which enforces the request deadline and the
// header budget.

#include "ConnectionStream.h"

#include <httplib.h>

namespace sendd {

class BoundedServer : public httplib::Server
{
public:
    BoundedServer(ConnectionLimits limits, int workers, int queueLength);

    const ConnectionLimits& Limits() const { return m_limits; }

    // After binding: lets the kernel hold as many not yet accepted connections
    // as the queue may take, instead of the library's five.
    void WidenBacklog(int connections);

private:
    bool process_and_close_socket(int sock) override;

    ConnectionLimits m_limits;
};

} // namespace sendd
