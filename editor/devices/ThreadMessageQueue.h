#pragma once
// A thread's message queue: what the recording threads use in place of the
// framework's thread message maps. Any thread posts; the owning thread gets
// messages in the order they were posted. Quit ends the loop once the
// messages already posted have been taken, as a quit message does.

#include "WaveHeader.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

struct ThreadMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    // The buffer a data or block message carries; freed with the message
    // when nobody takes it.
    std::unique_ptr<WaveBlock> block;
};

// The MM_WIM_DATA message that hands a capture buffer back, marked done.
ThreadMessage CapturedBlockMessage(std::unique_ptr<WaveBlock> block);

class CThreadMessageQueue {
public:
    // FALSE when the queue's loop has ended; the message is then dropped.
    bool Post(ThreadMessage message);
    bool Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Waits for the next message. FALSE once Quit was called and every
    // message posted before it has been taken; the queue is closed then.
    bool Get(ThreadMessage& message);
    // Takes the oldest message without waiting, if there is one and `wanted`
    // says yes to it. Only the owning thread calls it.
    template <typename Wanted>
    bool TakeIf(ThreadMessage& message, Wanted wanted);
    // Asks the loop to end after the messages already waiting.
    void Quit();
    bool IsClosed() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<ThreadMessage> m_messages;
    bool m_bQuit = false;
    bool m_bClosed = false;
};

template <typename Wanted>
bool CThreadMessageQueue::TakeIf(ThreadMessage& message, Wanted wanted)
{
    std::lock_guard lock(m_mutex);
    if (m_messages.empty() || !wanted(m_messages.front()))
        return false;
    message = std::move(m_messages.front());
    m_messages.pop_front();
    return true;
}
