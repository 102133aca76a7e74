#pragma once
// Hands the outbox's texts to a gateway command (SMS, e-mail, ...): the
// command gets the mobile number and the text as its two last arguments.
// A failed attempt is retried later; every outcome is recorded.

#include "Storage.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace sendd {

struct CommandOutcome
{
    bool ok = false;
    std::string error; // empty when ok
};

// Runs `/bin/sh -c 'COMMAND "$@"'` with number and text as arguments; a run
// longer than `timeout` is killed.
CommandOutcome RunDeliverCommand(const std::string& command, const std::string& number, const std::string& text,
                                 std::chrono::seconds timeout);

class Deliverer
{
public:
    static constexpr int kMaxAttempts = 3;

    Deliverer(Storage& storage, std::string command, std::chrono::seconds retryDelay);
    ~Deliverer();
    Deliverer(const Deliverer&) = delete;
    Deliverer& operator=(const Deliverer&) = delete;

    // Something new is in the outbox.
    void Wake();

private:
    void Run();
    void DeliverDue();

    Storage& m_storage;
    std::string m_command;
    std::chrono::seconds m_retryDelay;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pending = true;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace sendd
