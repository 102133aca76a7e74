#pragma once
// Decodes a Windows Media Audio file (or any file the decoding runtime can
// open that has an audio stream) into 16-bit PCM for ReadWma.
//
// The runtime decodes on its own thread and calls back with PCM, which goes
// into a FIFO of 2.5 s under one lock. The runtime runs on a user-provided
// clock: the delivery time is advanced in steps of 0.5 s, and only while the
// FIFO is under 60 % full, so decoding runs as fast as the caller drains it
// and memory stays bounded.
//
// Open status: 0 decoding started; 1 the runtime never reported the file
// opened (within kOpenWait) or refused the user clock; 2 the file could not
// be opened or has no audio output, or the FIFO could not be allocated;
// 4 no rights to play the file. With the FFmpeg runtime there is no rights
// management, so 4 never occurs; it stays for runtimes that report it.

#include "codecs/wma/IMediaReader.h"
#include "wave/WaveFormat.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Bytes of PCM the FIFO holds: 2.5 s of the format (block align 0 counts as 4).
uint32_t WmaRingCapacity(const WaveFormat& format);
// ReadWma's transfer buffer: one second of the format (block align 0 counts as 4).
uint32_t WmaTransferBufferSize(const WaveFormat& format);
// The most ReadWma asks of one Read.
constexpr uint32_t kWmaMaxReadBytes = 76400;
// The most one Read asks for: the transfer buffer, never more than 76,400 bytes.
uint32_t WmaReadSize(const WaveFormat& format);

class CWmaReader final : public IMediaReaderCallback {
public:
    static constexpr uint64_t kDeliveryStep = 5'000'000;  // 0.5 s in 100-ns units
    static constexpr std::chrono::milliseconds kOpenWait{10'000};

    // Opens `fileName` and starts decoding. `status` receives the open status;
    // on 0, `format` points at the output format (valid while the reader lives).
    // `runtime` replaces the FFmpeg runtime; `openWait` bounds the wait for
    // the runtime to report that it opened the file.
    CWmaReader(const std::string& fileName, int32_t& status, const WaveFormat** format,
               std::unique_ptr<IMediaReader> runtime = nullptr, std::chrono::milliseconds openWait = kOpenWait);
    ~CWmaReader() override;
    CWmaReader(const CWmaReader&) = delete;
    CWmaReader& operator=(const CWmaReader&) = delete;

    // Copies whole blocks, at most `maxCount` bytes, and returns their count.
    // Never waits. `done` turns TRUE once the stream has ended and the FIFO
    // is drained; `position` is the time of the first byte still buffered in
    // ms (0 before any sample); `duration` is the file's length in ms.
    uint32_t Read(uint8_t* buffer, uint32_t maxCount, bool& done, int32_t& position, uint32_t& duration);

    // Waits up to `timeout` for bytes to read or the end of the stream; for a
    // caller that would otherwise poll Read in a tight loop.
    void WaitForData(std::chrono::milliseconds timeout);

    uint32_t Duration() const { return m_nDuration; }
    int32_t BitRate() const { return m_nBitRate; }
    uint32_t Capacity() const { return m_nCapacity; }
    const WaveFormat& Format() const { return m_format; }

    // Runtime callbacks, called on the runtime's thread.
    void OnStatus(int32_t status, HResult result) override;
    void OnSample(uint32_t output, uint64_t time, uint64_t duration, uint32_t flags, const uint8_t* data,
                  uint32_t length) override;
    void OnTime(uint64_t time) override;

private:
    int32_t Open(const std::string& fileName, std::chrono::milliseconds openWait);
    bool FindAudioOutput();
    // Under m_lock.
    void AdvanceDelivery();
    bool BelowPacingThreshold() const;

    std::unique_ptr<IMediaReader> m_runtime;

    uint32_t m_nDuration = 0;
    int32_t m_nPosition = -1;
    int32_t m_nBitRate = 0;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;  // fill, status flags
    std::vector<uint8_t> m_buffer;
    uint32_t m_nCapacity = 0;
    uint32_t m_nFill = 0;
    WaveFormat m_format{0, 0, 0, 0, 0, 0, 0};
    uint64_t m_nDeliveryTime = 0;
    bool m_bWaiting = false;
    int32_t m_nAudioOutput = -1;
    bool m_bStarted = false;   // the runtime was started; set once under m_lock
    bool m_bClosing = false;   // the destructor runs; wakes a sample waiting for room

    std::atomic<bool> m_bOpened{false};
    std::atomic<bool> m_bClosed{false};
    std::atomic<bool> m_bEnded{false};
    std::atomic<bool> m_bNoRights{false};
};
