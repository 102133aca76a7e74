#include "ThreadMessageQueue.h"

#include "WaveDevice.h"

ThreadMessage CapturedBlockMessage(std::unique_ptr<WaveBlock> block)
{
    block->header.dwFlags = (block->header.dwFlags & ~WaveHeader::kInQueue) | WaveHeader::kDone;
    ThreadMessage message;
    message.message = MM_WIM_DATA;
    message.lParam = reinterpret_cast<intptr_t>(&block->header);
    message.block = std::move(block);
    return message;
}

bool CThreadMessageQueue::Post(ThreadMessage message)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_bClosed)
            return false;
        m_messages.push_back(std::move(message));
    }
    m_cv.notify_one();
    return true;
}

bool CThreadMessageQueue::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    ThreadMessage m;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    return Post(std::move(m));
}

bool CThreadMessageQueue::Get(ThreadMessage& message)
{
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return !m_messages.empty() || m_bQuit || m_bClosed; });
    if (m_messages.empty()) {
        m_bClosed = true;
        return false;
    }
    message = std::move(m_messages.front());
    m_messages.pop_front();
    return true;
}

void CThreadMessageQueue::Quit()
{
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
    }
    m_cv.notify_all();
}

bool CThreadMessageQueue::IsClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_bClosed;
}
