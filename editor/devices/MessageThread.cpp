#include "MessageThread.h"

#include <chrono>

CMessageThread::CMessageThread(const char* name) : m_name(name) {}

CMessageThread::~CMessageThread()
{
    StopAndJoin();
}

void CMessageThread::StopAndJoin()
{
    m_queue.Quit();
    if (m_thread.joinable())
        m_thread.join();
}

void CMessageThread::Start()
{
    m_thread = std::thread([this] { Run(); });
}

bool CMessageThread::PostThreadMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return m_queue.Post(message, wParam, lParam);
}

bool CMessageThread::PostThreadMessage(ThreadMessage message)
{
    return m_queue.Post(std::move(message));
}

bool CMessageThread::Wait(int milliseconds)
{
    std::unique_lock lock(m_endMutex);
    return m_endCv.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_bEnded; });
}

void CMessageThread::Dispatch(ThreadMessage& message)
{
    if (m_trace)
        m_trace(m_name, message.message);
    OnMessage(message);
    message = ThreadMessage{};
}

void CMessageThread::Run()
{
    ThreadMessage message;
    while (m_queue.Get(message))
        Dispatch(message);
    {
        std::lock_guard lock(m_endMutex);
        m_bEnded = true;
    }
    m_endCv.notify_all();
}
