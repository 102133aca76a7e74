// The thread message queue and the message thread built on it.

#include "devices/MessageThread.h"
#include "devices/ThreadMessageQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

TEST(ThreadMessageQueueTest, MessagesFromOneThreadArriveInOrder)
{
    CThreadMessageQueue queue;
    std::thread sender([&] {
        for (uint32_t i = 0; i < 1000; ++i)
            queue.Post(i, i * 2, -static_cast<intptr_t>(i));
        queue.Quit();
    });
    std::vector<uint32_t> got;
    ThreadMessage m;
    while (queue.Get(m)) {
        EXPECT_EQ(m.wParam, m.message * 2);
        EXPECT_EQ(m.lParam, -static_cast<intptr_t>(m.message));
        got.push_back(m.message);
    }
    sender.join();
    ASSERT_EQ(got.size(), 1000u);
    for (uint32_t i = 0; i < 1000; ++i)
        EXPECT_EQ(got[i], i);
}

TEST(ThreadMessageQueueTest, QuitEndsTheLoopAfterWhatIsWaiting)
{
    CThreadMessageQueue queue;
    queue.Post(1);
    queue.Post(2);
    queue.Quit();
    queue.Post(3);  // posted before the loop ended: still delivered
    ThreadMessage m;
    ASSERT_TRUE(queue.Get(m));
    EXPECT_EQ(m.message, 1u);
    ASSERT_TRUE(queue.Get(m));
    EXPECT_EQ(m.message, 2u);
    ASSERT_TRUE(queue.Get(m));
    EXPECT_EQ(m.message, 3u);
    EXPECT_FALSE(queue.Get(m));
    EXPECT_TRUE(queue.IsClosed());
    // After the end, posts are refused and their buffers freed (ASan checks).
    ThreadMessage late;
    late.message = 4;
    late.block = WaveBlock::Make(100);
    EXPECT_FALSE(queue.Post(std::move(late)));
    EXPECT_FALSE(queue.Get(m));
}

TEST(ThreadMessageQueueTest, BlocksLeftInTheQueueAreFreed)
{
    CThreadMessageQueue queue;
    ThreadMessage m;
    m.message = 7;
    m.block = WaveBlock::Make(2000);
    EXPECT_TRUE(queue.Post(std::move(m)));
    // Destroyed with the block still queued: no leak under ASan.
}

TEST(WaveBlockTest, CopyOwnsItsOwnData)
{
    auto block = WaveBlock::Make(16);
    block->header.dwBytesRecorded = 10;
    block->header.lpData[3] = 42;
    auto copy = block->Copy();
    EXPECT_NE(copy->header.lpData, block->header.lpData);
    EXPECT_EQ(copy->header.lpData, copy->data.data());
    EXPECT_EQ(copy->header.dwBufferLength, 16u);
    EXPECT_EQ(copy->header.dwBytesRecorded, 10u);
    EXPECT_EQ(copy->header.lpData[3], 42);
    block.reset();
    EXPECT_EQ(copy->data[3], 42);
}

class EchoThread : public CMessageThread {
public:
    EchoThread() : CMessageThread("EchoThread") {}
    ~EchoThread() override { StopAndJoin(); }

    std::mutex mutex;
    std::vector<uint32_t> handled;
    std::thread::id runsOn;
    std::atomic<bool> holdOn2{false};  // message 2 waits until this is cleared

protected:
    void OnMessage(ThreadMessage& message) override
    {
        while (message.message == 2 && holdOn2)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::lock_guard lock(mutex);
        runsOn = std::this_thread::get_id();
        handled.push_back(message.message);
        if (message.message == 99)
            PostQuitMessage();
    }
};

TEST(MessageThreadTest, HandlesMessagesOnItsOwnThreadUntilQuit)
{
    EchoThread thread;
    std::vector<uint32_t> traced;
    std::mutex traceMutex;
    thread.SetTrace([&](const char* name, uint32_t message) {
        std::lock_guard lock(traceMutex);
        EXPECT_STREQ(name, "EchoThread");
        traced.push_back(message);
    });
    thread.holdOn2 = true;
    thread.Start();
    thread.PostThreadMessage(1);
    thread.PostThreadMessage(2);
    EXPECT_FALSE(thread.Wait(50));  // still running
    thread.PostThreadMessage(99);
    thread.PostThreadMessage(3);  // already waiting when 99 ends the loop: still handled
    thread.holdOn2 = false;
    EXPECT_TRUE(thread.Wait(5000));
    EXPECT_TRUE(thread.Wait(0));  // the handle stays valid after the end
    std::lock_guard lock(thread.mutex);
    EXPECT_EQ(thread.handled, (std::vector<uint32_t>{1, 2, 99, 3}));
    EXPECT_EQ(traced, thread.handled);
    EXPECT_NE(thread.runsOn, std::this_thread::get_id());
    EXPECT_FALSE(thread.PostThreadMessage(4));
}

// Logs into storage that outlives it; message 6 takes a while.
class SlowLogThread : public CMessageThread {
public:
    explicit SlowLogThread(std::vector<uint32_t>& log) : CMessageThread("SlowLogThread"), m_log(log) {}
    ~SlowLogThread() override { StopAndJoin(); }

protected:
    void OnMessage(ThreadMessage& message) override
    {
        if (message.message == 6)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        m_log.push_back(message.message);
    }

private:
    std::vector<uint32_t>& m_log;
};

TEST(MessageThreadTest, DestroyingARunningThreadHandlesWhatWaitsThenJoins)
{
    std::vector<uint32_t> log;
    auto thread = std::make_unique<SlowLogThread>(log);
    thread->Start();
    thread->PostThreadMessage(5);
    thread->PostThreadMessage(6);
    thread.reset();  // no quit message: the destructor ends the loop
    // Had the destructor not waited for the loop, the slow message would not
    // be logged yet (and the thread would write into a freed object).
    EXPECT_EQ(log, (std::vector<uint32_t>{5, 6}));
}

}  // namespace
