#pragma once
// The playback state of one Play: a ring of 20 headers with their 8192-byte
// buffers and the counters the device's completion procedure moves. A lease
// owns it and admits one Play at a time per loaded library.

#include "WaveHeader.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

inline constexpr int kPlayBufferCount = 20;
inline constexpr uint32_t kPlayBufferSize = 8192;

// One zero-filled block: the headers, then their buffers; header i points at
// buffer i and has length 8192.
struct PlayBuffers {
    PlayBuffers();
    std::array<WaveHeader, kPlayBufferCount> headers{};
    std::array<std::array<uint8_t, kPlayBufferSize>, kPlayBufferCount> data{};
};

struct CPlaybackRing {
    std::unique_ptr<PlayBuffers> m_pPlayBuffers;  // null until Play allocates it
    // Moved by the device's thread, read by the host's: atomics, no lock.
    std::atomic<int32_t> m_nFreeBuffers{kPlayBufferCount};  // headers not with the device
    std::atomic<int32_t> m_nBuffersDone{0};                 // finished since the pass started
    int32_t m_nCurrentBuffer = 0;                           // ring index being filled (host only)
};

// The device's completion procedure, `instance` being the ring: on WOM_DONE,
// one more free header and one more finished buffer. Lock-free.
void PlaybackDone(uint32_t message, void* instance, WaveHeader* header);

// The percentage of a pass after `done` of `blocks` whole buffers. A range
// shorter than one buffer (no whole block) is complete once its buffer is.
float PlaybackProgress(int32_t done, int64_t blocks);

// Holds the library's one playback ring for one Play, from its start until
// every resource is released. A Play on another thread waits for the holder
// to finish; a Play re-entered on the holder's own thread (from a message
// step while the first one unwinds) cannot wait for it and is refused.
class CPlaybackLease {
public:
    CPlaybackLease();
    ~CPlaybackLease();
    CPlaybackLease(const CPlaybackLease&) = delete;
    CPlaybackLease& operator=(const CPlaybackLease&) = delete;
    explicit operator bool() const { return m_bHeld; }
    // The ring; only while held.
    CPlaybackRing& Ring() { return *m_ring; }
    // Gives the ring up before the end of the scope.
    void Release();

private:
    bool m_bHeld = false;
    std::unique_ptr<CPlaybackRing> m_ring;
};
