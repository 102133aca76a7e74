#pragma once
// Wave-in through PortAudio. The stream's callback (PortAudio's thread)
// fills the queued buffers in turn and posts each full one to the target
// queue as MM_WIM_DATA; with no buffer queued the input is dropped.

#include "PortAudioSession.h"
#include "WaveDevice.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>

class CPortAudioWaveIn : public IWaveIn {
public:
    CPortAudioWaveIn() = default;
    ~CPortAudioWaveIn() override;

    MMResult Open(const WaveFormat& format, CThreadMessageQueue* target) override;
    MMResult Prepare(WaveBlock& block) override;
    MMResult Unprepare(WaveBlock& block) override;
    MMResult AddBuffer(std::unique_ptr<WaveBlock> block) override;
    MMResult Start() override;
    MMResult Stop() override;
    MMResult Reset() override;
    MMResult Close() override;
    std::string ErrorText(MMResult code) const override;

    // Frames that arrived while no buffer was queued.
    long DroppedFrames() const;

private:
    static int StreamCallback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                              void* user);
    void Take(const uint8_t* in, std::size_t bytes);
    void HandBack(std::unique_ptr<WaveBlock> block);  // under m_mutex
    MMResult Fail(MMResult code, PaError error);

    CPortAudioSession m_session;
    PaStream* m_stream = nullptr;
    CThreadMessageQueue* m_target = nullptr;
    std::size_t m_nFrameBytes = 0;
    std::string m_detail;

    mutable std::mutex m_mutex;  // guards the members below; the callback holds it
    std::deque<std::unique_ptr<WaveBlock>> m_queue;
    bool m_bRunning = false;
    long m_nDropped = 0;
};
