#pragma once
// Wave-in on a record stream of the sound server. The stream's loop thread
// fills the queued buffers in turn and moves each full one to a ring; a small
// delivery thread posts them to the target queue as MM_WIM_DATA, so that the
// loop thread neither locks, allocates nor waits. Stop hands back, in order,
// every buffer filled up to the stop and then the partly filled one.

#include "PulseSession.h"
#include "SpscRing.h"
#include "WaveDevice.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

class CPulseWaveIn : public IWaveIn {
public:
    explicit CPulseWaveIn(std::shared_ptr<CPulseSession> session);
    ~CPulseWaveIn() override;

    MMResult Open(const WaveFormat& format, CThreadMessageQueue* target) override;
    MMResult Prepare(WaveBlock& block) override;
    MMResult Unprepare(WaveBlock& block) override;
    MMResult AddBuffer(std::unique_ptr<WaveBlock> block) override;
    MMResult Start() override;
    MMResult Stop() override;
    MMResult Reset() override;
    MMResult Close() override;
    std::string ErrorText(MMResult code) const override;
    bool IsLost() const override { return m_bLost.load(); }

    // Frames that arrived while no buffer was queued.
    long DroppedFrames() const { return m_nDropped.load(); }

private:
    static void OnRead(pa_stream* stream, size_t bytes, void* self);
    static void OnState(pa_stream* stream, void* self);
    // Loop thread (or under the loop's lock).
    void Take();
    void Fill(const uint8_t* data, std::size_t bytes);
    void Deliver();
    void HandBack(std::unique_ptr<WaveBlock> block);
    bool ConnectRecord(const char* device);
    void StopDelivery();
    MMResult Fail(MMResult code, const std::string& detail);

    std::shared_ptr<CPulseSession> m_session;
    pa_stream* m_stream = nullptr;
    pa_sample_spec m_sampleFormat{};
    CThreadMessageQueue* m_target = nullptr;
    std::string m_detail;

    CSpscRing<std::unique_ptr<WaveBlock>, 64> m_empty;   // recorder -> loop: buffers to fill
    CSpscRing<std::unique_ptr<WaveBlock>, 64> m_filled;  // loop -> delivery: full buffers
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bLost{false};
    std::atomic<long> m_nDropped{0};
    std::atomic<bool> m_bDelivering{false};
    std::thread m_delivery;
};
