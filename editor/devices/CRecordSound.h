#pragma once
// The recording's capture thread: owns the input device, keeps 25 buffers of
// 1000 frames queued on it and hands a copy of every filled buffer to the
// writer thread.

#include "MessageThread.h"
#include "WaveDevice.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class CWriteSoundFile;

class CRecordSound : public CMessageThread {
public:
    static constexpr int32_t kFramesPerBuffer = 1000;

    CRecordSound(int32_t channels, int32_t samplesPerSec, int32_t bitsPerSample,
                 std::unique_ptr<IWaveIn> device);
    ~CRecordSound() override;

    // Bytes of all blocks handed to the writer; the player reads it and sets
    // it to 0 before posting WM_RECORD_START.
    std::atomic<int64_t> m_nBytesRecorded{0};

    // The "WAVEIN:%x:%s" text of a failed open or start, once; empty if none.
    // The player shows it on the host's thread.
    std::string TakeError();

    const WaveFormat& Format() const { return m_wfx; }

    // The input device went away (its server ended); safe from any thread.
    bool IsDeviceLost() const { return m_hWaveIn && m_hWaveIn->IsLost(); }

protected:
    void OnMessage(ThreadMessage& message) override;

private:
    void OnStart();
    void OnStop();
    void OnData(ThreadMessage& message);
    void QueueNewBuffer();
    void ReportError(MMResult result);

    std::unique_ptr<IWaveIn> m_hWaveIn;
    int32_t m_nBuffersQueued = 0;  // only counts up
    int32_t m_nBufferCount = 25;
    WaveFormat m_wfx;
    bool m_bRecording = false;
    CWriteSoundFile* m_pWriter = nullptr;

    std::mutex m_errorMutex;
    std::string m_strError;
};
