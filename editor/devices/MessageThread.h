#pragma once
// A thread that runs a message loop over its own CThreadMessageQueue and
// hands each message to OnMessage. Stands in for the framework's user-
// interface threads. The object is the thread's handle: Wait works before,
// during and after the thread's end, and the destructor asks the loop to
// quit and joins, so no thread outlives its object.

#include "ThreadMessageQueue.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class CMessageThread {
public:
    // Sees every message just before it is handled, on the thread (tests).
    using Trace = std::function<void(const char* thread, uint32_t message)>;

    explicit CMessageThread(const char* name);
    virtual ~CMessageThread();
    CMessageThread(const CMessageThread&) = delete;
    CMessageThread& operator=(const CMessageThread&) = delete;

    // Starts the thread; its loop runs until the queue quits.
    void Start();
    bool PostThreadMessage(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
    bool PostThreadMessage(ThreadMessage message);
    // Waits up to `milliseconds` for the thread to end. TRUE when it has.
    bool Wait(int milliseconds);
    // A number that names this thread in messages (the sender's identifier).
    uintptr_t ThreadId() const { return reinterpret_cast<uintptr_t>(this); }
    void SetTrace(Trace trace) { m_trace = std::move(trace); }

protected:
    virtual void OnMessage(ThreadMessage& message) = 0;
    // Ends the loop after the messages already waiting (a quit message).
    void PostQuitMessage() { m_queue.Quit(); }
    CThreadMessageQueue& Queue() { return m_queue; }
    // Handles, now and in order, the messages at the head of the queue that
    // `wanted` accepts, as the loop would (trace included).
    template <typename Wanted>
    void HandleWaiting(Wanted wanted)
    {
        ThreadMessage message;
        while (m_queue.TakeIf(message, wanted))
            Dispatch(message);
    }
    // Must be called by the most derived destructor: after it the loop no
    // longer runs, so the derived members can go.
    void StopAndJoin();

private:
    void Run();
    void Dispatch(ThreadMessage& message);

    const char* m_name;
    CThreadMessageQueue m_queue;
    Trace m_trace;
    std::mutex m_endMutex;
    std::condition_variable m_endCv;
    bool m_bEnded = false;
    std::thread m_thread;
};
