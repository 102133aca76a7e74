#include "PlaybackRing.h"

#include "WaveDevice.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

namespace {
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
    auto* ring = static_cast<CPlaybackRing*>(instance);
    ++ring->m_nBuffersDone;
    ++ring->m_nFreeBuffers;
}

float PlaybackProgress(int32_t done, int64_t blocks)
{
    if (blocks <= 0)
        return done > 0 ? 100.0f : 0.0f;
    return static_cast<float>(std::min(100.0, done * 100.0 / static_cast<double>(blocks)));
}

CPlaybackLease::CPlaybackLease()
{
    std::unique_ptr<CPlaybackRing> ring;
    try {
        ring = std::make_unique<CPlaybackRing>();
    } catch (const std::bad_alloc&) {
        return;  // not held: the Play is refused
    }
    std::unique_lock lock(g_leaseMutex);
    const auto self = std::this_thread::get_id();
    if (g_leaseOwner == self)
        return;
    g_leaseFree.wait(lock, [] { return !g_leaseOwner; });
    g_leaseOwner = self;
    m_bHeld = true;
    m_ring = std::move(ring);
}

CPlaybackLease::~CPlaybackLease()
{
    Release();
}

void CPlaybackLease::Release()
{
    if (!m_bHeld)
        return;
    m_ring.reset();
    {
        std::lock_guard lock(g_leaseMutex);
        g_leaseOwner.reset();
    }
    m_bHeld = false;
    g_leaseFree.notify_all();
}
