#pragma once
// A test double of the device layer. Output buffers are kept until the test
// completes them (from its message-pump hook, on the host's thread); capture
// buffers are filled with a counting pattern when the test delivers them.
// Every call is logged.

#include "devices/ThreadMessageQueue.h"
#include "devices/WaveDevice.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct FakeOutState {
    MMResult queryResult = MMSYSERR_NOERROR;
    MMResult openResult = MMSYSERR_NOERROR;
    std::vector<std::string> calls;
    std::vector<std::vector<uint8_t>> written;  // each buffer's bytes when written
    std::deque<WaveHeader*> queued;
    WaveOutProc proc = nullptr;
    void* instance = nullptr;
    bool paused = false;
    bool open = false;
    bool lost = false;
    int devicesCreated = 0;
};

class FakeWaveOut : public IWaveOut {
public:
    explicit FakeWaveOut(FakeOutState& state) : m_state(state) {}
    ~FakeWaveOut() override;

    MMResult QueryFormat(const WaveFormat& format) override;
    MMResult Open(const WaveFormat& format, WaveOutProc proc, void* instance) override;
    MMResult Prepare(WaveHeader& header) override;
    MMResult Unprepare(WaveHeader& header) override;
    MMResult Write(WaveHeader& header) override;
    MMResult Pause() override;
    MMResult Restart() override;
    MMResult Reset() override;
    MMResult Close() override;
    bool IsLost() const override { return m_state.lost; }
    std::string ErrorText(MMResult code) const override { return WaveErrorText(code, "fake"); }

private:
    FakeOutState& m_state;
};

struct FakeInState {
    MMResult openResult = MMSYSERR_NOERROR;
    MMResult startResult = MMSYSERR_NOERROR;
    uint32_t partialOnStop = 0;  // bytes the buffer in progress holds when stopped
    int fullOnStop = 0;          // buffers the device had filled but not handed back when stopped
    std::vector<std::string> calls;
    std::deque<std::unique_ptr<WaveBlock>> queued;
    CThreadMessageQueue* target = nullptr;
    WaveFormat format;
    bool running = false;
    int delivered = 0;
    uint16_t nextSample = 0;  // the counting pattern, one 16-bit value per sample
    std::atomic<bool> lost{false};
};

class FakeWaveIn : public IWaveIn {
public:
    FakeWaveIn(FakeInState& state, std::mutex& mutex) : m_state(state), m_mutex(mutex) {}

    MMResult Open(const WaveFormat& format, CThreadMessageQueue* target) override;
    MMResult Prepare(WaveBlock& block) override;
    MMResult Unprepare(WaveBlock& block) override;
    MMResult AddBuffer(std::unique_ptr<WaveBlock> block) override;
    MMResult Start() override;
    MMResult Stop() override;
    MMResult Reset() override;
    MMResult Close() override;
    bool IsLost() const override { return m_state.lost; }
    std::string ErrorText(MMResult code) const override { return WaveErrorText(code, "fake input"); }

private:
    void HandBack(std::unique_ptr<WaveBlock> block);
    // Hands the oldest queued buffer back full of the pattern (lock held).
    bool DeliverFull();
    friend class FakeWaveDevices;
    FakeInState& m_state;
    std::mutex& m_mutex;
};

class FakeWaveDevices : public IWaveDevices {
public:
    std::unique_ptr<IWaveOut> CreateWaveOut() override;
    std::unique_ptr<IWaveIn> CreateWaveIn() override;

    // Output: hands the oldest queued buffer back (not while paused).
    bool CompleteOne();
    int CompleteAll();
    std::size_t Queued() const { return out.queued.size(); }

    // Input: fills the oldest queued buffer with the pattern and posts it.
    // FALSE when the device is not running or has no buffer.
    bool Deliver();
    std::vector<std::string> InCalls();

    FakeOutState out;
    FakeInState in;
    std::mutex inMutex;  // the recorder's thread and the test both use `in`
};
