#include "BoundedServer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sendd {
namespace {

thread_local bool t_overloaded = false;

class BoundedTaskQueue final : public httplib::TaskQueue
{
public:
    BoundedTaskQueue(int workers, int queueLength) : m_capacity(static_cast<std::size_t>(queueLength))
    {
        for (int i = 0; i < workers; ++i)
            m_threads.emplace_back([this] { Work(); });
    }

    void enqueue(std::function<void()> job) override
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_jobs.size() < m_capacity) {
                m_jobs.push_back(std::move(job));
                m_wake.notify_one();
                return;
            }
        }
        // Full: the job runs here, on the accepting thread, and only refuses.
        t_overloaded = true;
        job();
        t_overloaded = false;
    }

    void shutdown() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }

private:
    void Work()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
                if (m_jobs.empty())
                    return;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            job();
        }
    }

    std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::thread> m_threads;
    bool m_stopping = false;
};

void CloseSocket(int sock)
{
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
}

} // namespace

BoundedServer::BoundedServer(ConnectionLimits limits, int workers, int queueLength) : m_limits(limits)
{
    // httplib takes ownership of the queue it is handed.
    set_keep_alive_max_count(limits.requestsPerConnection);
    set_keep_alive_timeout(limits.keepAlive.count());
    new_task_queue = [workers, queueLength] { return new BoundedTaskQueue(workers, queueLength); };
}

void BoundedServer::WidenBacklog(int connections)
{
    // listen() on a listening socket only changes its backlog.
    ::listen(svr_sock_, std::max(connections, 16));
}

bool BoundedServer::process_and_close_socket(int sock)
{
    if (t_overloaded) {
        static constexpr char kBusy[] =
            "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 1\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        [[maybe_unused]] const ssize_t sent = ::send(sock, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        CloseSocket(sock);
        return false;
    }
    ConnectionStream stream(sock, m_limits);
    ConnectionStream::SetCurrent(&stream);
    bool ok = true;
    for (std::size_t served = 1; served <= m_limits.requestsPerConnection; ++served) {
        if (!stream.WaitForRequest())
            break;
        stream.StartRequest();
        bool closed = false;
        ok = process_request(stream, served == m_limits.requestsPerConnection, closed, {});
        if (!ok || closed || stream.CloseRequested() || stream.TimedOut())
            break;
    }
    ConnectionStream::SetCurrent(nullptr);
    CloseSocket(sock);
    return ok;
}

} // namespace sendd
