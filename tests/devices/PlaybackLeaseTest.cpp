// The module's playback ring is held by one Play at a time: a Play on another
// thread waits for the holder to release it; one re-entered on the holder's
// own thread is refused, since it could never wait for the outer call.

#include "devices/PlaybackRing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(PlaybackLeaseTest, ReentryOnTheHoldersThreadIsRefused)
{
    CPlaybackLease outer;
    ASSERT_TRUE(outer);
    {
        CPlaybackLease nested;
        EXPECT_FALSE(nested);
    }
    outer.Release();
    EXPECT_FALSE(outer);
    CPlaybackLease after;
    EXPECT_TRUE(after);
}

TEST(PlaybackLeaseTest, AnotherThreadWaitsUntilTheRingIsReleased)
{
    auto holder = std::make_unique<CPlaybackLease>();
    ASSERT_TRUE(*holder);
    std::atomic<bool> released{false};
    std::atomic<bool> acquired{false};
    std::atomic<bool> acquiredBeforeRelease{false};
    std::thread other([&] {
        CPlaybackLease lease;
        acquiredBeforeRelease = !released;
        acquired = static_cast<bool>(lease);
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(acquired);  // still waiting
    released = true;
    holder.reset();
    other.join();
    EXPECT_TRUE(acquired);
    EXPECT_FALSE(acquiredBeforeRelease);
}

}  // namespace
