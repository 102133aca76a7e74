#pragma once
// Wave-out through PortAudio. The stream runs from Open to Close; its
// callback (PortAudio's thread) copies queued buffers into the output and
// reports each finished buffer with WOM_DONE. While paused or with nothing
// queued it plays silence. It also measures underruns: the time the running
// device had nothing to play until the next buffer came.

#include "PortAudioSession.h"
#include "WaveDevice.h"

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

struct PlaybackStats {
    std::string device;            // host API / device name
    int underruns = 0;             // times the queue ran dry and a buffer came later
    double largestGapSeconds = 0;  // longest of those dry spells
    double largestWriteIntervalSeconds = 0;  // longest time between two writes
    int buffersPlayed = 0;
};

class CPortAudioWaveOut : public IWaveOut {
public:
    using StatsSink = std::function<void(const PlaybackStats&)>;

    explicit CPortAudioWaveOut(StatsSink sink = {});
    ~CPortAudioWaveOut() override;

    MMResult QueryFormat(const WaveFormat& format) override;
    MMResult Open(const WaveFormat& format, WaveOutProc proc, void* instance) override;
    MMResult Prepare(WaveHeader& header) override;
    MMResult Unprepare(WaveHeader& header) override;
    MMResult Write(WaveHeader& header) override;
    MMResult Pause() override;
    MMResult Restart() override;
    MMResult Reset() override;
    MMResult Close() override;
    std::string ErrorText(MMResult code) const override;

private:
    using Clock = std::chrono::steady_clock;

    static int StreamCallback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                              void* user);
    void Fill(uint8_t* out, std::size_t bytes);
    MMResult Fail(MMResult code, PaError error);
    MMResult BuildParameters(const WaveFormat& format, PaStreamParameters& params);
    void CloseStream(bool drain);

    CPortAudioSession m_session;
    StatsSink m_statsSink;
    PaStream* m_stream = nullptr;
    WaveOutProc m_proc = nullptr;
    void* m_instance = nullptr;
    uint8_t m_silence = 0;
    std::size_t m_nFrameBytes = 0;
    std::string m_detail;

    std::mutex m_mutex;  // guards everything below; the callback holds it
    std::deque<WaveHeader*> m_queue;
    std::size_t m_nOffset = 0;  // bytes of the front buffer already played
    bool m_bPaused = false;
    bool m_bPrimed = false;  // a buffer was written since open or reset
    std::optional<Clock::time_point> m_starvedSince;
    std::optional<Clock::time_point> m_lastWrite;
    PlaybackStats m_stats;
};

// The devices the player uses by default.
class CPortAudioDevices : public IWaveDevices {
public:
    std::unique_ptr<IWaveOut> CreateWaveOut() override;
    std::unique_ptr<IWaveIn> CreateWaveIn() override;

    // The figures of the last playback device that was closed.
    PlaybackStats LastPlayback() const;

private:
    mutable std::mutex m_mutex;
    PlaybackStats m_last;
};
