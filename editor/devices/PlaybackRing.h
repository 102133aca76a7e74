#pragma once
// The module-wide playback state: one ring of 20 headers with their 8192-byte
// buffers, the counters the device's completion callback moves, and the lock
// that guards them. One Play at a time uses them per loaded library.

#include "WaveHeader.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

inline constexpr int kPlayBufferCount = 20;
inline constexpr uint32_t kPlayBufferSize = 8192;

// One zero-filled block: the headers, then their buffers; header i points at
// buffer i and has length 8192.
struct PlayBuffers {
    PlayBuffers();
    std::array<WaveHeader, kPlayBufferCount> headers{};
    std::array<std::array<uint8_t, kPlayBufferSize>, kPlayBufferCount> data{};
};

extern std::unique_ptr<PlayBuffers> g_pPlayBuffers;  // null outside Play
extern std::atomic<int32_t> g_nFreeBuffers;          // headers not with the device
extern int32_t g_nCurrentBuffer;                     // ring index being filled
extern std::atomic<int32_t> g_nBuffersDone;          // finished since the pass started
extern std::mutex g_csPlayback;                      // guards the two counters' updates

// The device's completion procedure: on WOM_DONE, counts one more free header
// (the counter at `instance`) and one more finished buffer.
void PlaybackDone(uint32_t message, void* instance, WaveHeader* header);

// The percentage of a pass after `done` of `blocks` whole buffers. A range
// shorter than one buffer (no whole block) is complete once its buffer is.
float PlaybackProgress(int32_t done, int64_t blocks);

// Waits at most `timeout` for the device to hand a buffer back. The loops
// that wait for buffers call it between message steps instead of spinning.
void WaitForPlaybackDone(std::chrono::milliseconds timeout);

// Holds the module's ring for one Play, from its start until every resource
// is released. A Play on another thread waits for the holder to finish; a
// Play re-entered on the holder's own thread (from a message step while the
// first one unwinds) cannot wait for it and is refused.
class CPlaybackLease {
public:
    CPlaybackLease();
    ~CPlaybackLease();
    CPlaybackLease(const CPlaybackLease&) = delete;
    CPlaybackLease& operator=(const CPlaybackLease&) = delete;
    explicit operator bool() const { return m_bHeld; }
    // Gives the ring up before the end of the scope.
    void Release();

private:
    bool m_bHeld = false;
};
