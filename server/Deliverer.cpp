#include "Deliverer.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <vector>

extern char** environ;

namespace sendd {

CommandOutcome RunDeliverCommand(const std::string& command, const std::string& number, const std::string& text,
                                 std::chrono::seconds timeout)
{
    const std::string script = command + " \"$@\"";
    std::vector<std::string> args = {"sh", "-c", script, "vrt-sendd-deliver", number, text};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (const int rc = posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ); rc != 0)
        return {false, "cannot start the command: error " + std::to_string(rc)};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return {false, "lost the command's process"};
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return {false, "the command took longer than " + std::to_string(timeout.count()) + " s"};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return {true, {}};
    if (WIFEXITED(status))
        return {false, "the command ended with status " + std::to_string(WEXITSTATUS(status))};
    return {false, "the command was ended by signal " + std::to_string(WTERMSIG(status))};
}

Deliverer::Deliverer(Storage& storage, std::string command, std::chrono::seconds retryDelay)
    : m_storage(storage), m_command(std::move(command)), m_retryDelay(retryDelay)
{
    // Claims older than ten minutes belong to a worker that is gone.
    m_storage.ReleaseStaleClaims(NowSeconds() - 600);
    m_thread = std::thread([this] { Run(); });
}

Deliverer::~Deliverer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void Deliverer::Wake()
{
    std::lock_guard lock(m_mutex);
    m_pending = true;
    m_wake.notify_all();
}

void Deliverer::Run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        // Retries fall due with time, so look again at least every second.
        m_wake.wait_for(lock, std::chrono::seconds(1), [this] { return m_pending || m_stopping; });
        if (m_stopping)
            break;
        m_pending = false;
        lock.unlock();
        try {
            DeliverDue();
        } catch (const std::exception& e) {
            std::cerr << "vrt-sendd: delivery: " << e.what() << std::endl;
        }
        lock.lock();
    }
}

void Deliverer::DeliverDue()
{
    for (;;) {
        const std::vector<Delivery> due = m_storage.ClaimDueDeliveries(NowSeconds(), 16);
        if (due.empty())
            return;
        for (const Delivery& d : due) {
            const CommandOutcome outcome = RunDeliverCommand(m_command, d.mobileNo, d.message, std::chrono::seconds(60));
            const std::int64_t backoff = m_retryDelay.count() << d.attempts;
            m_storage.RecordDeliveryOutcome(d.ringtoneToken, outcome.ok, outcome.error, NowSeconds(),
                                            NowSeconds() + backoff, kMaxAttempts);
        }
    }
}

} // namespace sendd
