#include "PlaybackRing.h"

#include "WaveDevice.h"

#include <algorithm>
#include <optional>
#include <thread>

std::unique_ptr<PlayBuffers> g_pPlayBuffers;
std::atomic<int32_t> g_nFreeBuffers{kPlayBufferCount};
int32_t g_nCurrentBuffer = 0;
std::atomic<int32_t> g_nBuffersDone{0};
std::mutex g_csPlayback;

namespace {
std::condition_variable g_cvPlaybackDone;

// Who holds the ring.
std::mutex g_leaseMutex;
std::condition_variable g_leaseFree;
std::optional<std::thread::id> g_leaseOwner;
}  // namespace

PlayBuffers::PlayBuffers()
{
    for (int i = 0; i < kPlayBufferCount; ++i) {
        headers[i].lpData = data[i].data();
        headers[i].dwBufferLength = kPlayBufferSize;
    }
}

void PlaybackDone(uint32_t message, void* instance, WaveHeader*)
{
    if (message != WOM_DONE)
        return;
    {
        std::lock_guard lock(g_csPlayback);
        ++*static_cast<std::atomic<int32_t>*>(instance);
        ++g_nBuffersDone;
    }
    g_cvPlaybackDone.notify_all();
}

float PlaybackProgress(int32_t done, int64_t blocks)
{
    if (blocks <= 0)
        return done > 0 ? 100.0f : 0.0f;
    return static_cast<float>(std::min(100.0, done * 100.0 / static_cast<double>(blocks)));
}

void WaitForPlaybackDone(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(g_csPlayback);
    g_cvPlaybackDone.wait_for(lock, timeout);
}

CPlaybackLease::CPlaybackLease()
{
    std::unique_lock lock(g_leaseMutex);
    const auto self = std::this_thread::get_id();
    if (g_leaseOwner == self)
        return;
    g_leaseFree.wait(lock, [] { return !g_leaseOwner; });
    g_leaseOwner = self;
    m_bHeld = true;
}

CPlaybackLease::~CPlaybackLease()
{
    Release();
}

void CPlaybackLease::Release()
{
    if (!m_bHeld)
        return;
    {
        std::lock_guard lock(g_leaseMutex);
        g_leaseOwner.reset();
    }
    m_bHeld = false;
    g_leaseFree.notify_all();
}
