#pragma once
// Wave-out on a playback stream of the sound server. Write only puts the
// header into a ring; the stream's loop thread copies queued buffers into the
// stream as the server asks for data, and hands a buffer back (WOM_DONE)
// once the server's clock says its last sample has been played. Neither side
// locks or allocates between Open and Close. If the server goes away, every
// queued buffer comes back at once and later writes fail.

#include "PulseSession.h"
#include "SpscRing.h"
#include "WaveDevice.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct PlaybackStats {
    std::string device;   // the server's name of the sink played to
    int underruns = 0;    // times the server ran out of data
    int buffersPlayed = 0;
};

class CPulseWaveOut : public IWaveOut {
public:
    // The stats sink hears the figures of the stream when it closes.
    CPulseWaveOut(std::shared_ptr<CPulseSession> session, std::function<void(const PlaybackStats&)> statsSink);
    ~CPulseWaveOut() override;

    MMResult QueryFormat(const WaveFormat& format) override;
    MMResult Open(const WaveFormat& format, WaveOutProc proc, void* instance) override;
    MMResult Prepare(WaveHeader& header) override;
    MMResult Unprepare(WaveHeader& header) override;
    MMResult Write(WaveHeader& header) override;
    MMResult Pause() override;
    MMResult Restart() override;
    MMResult Reset() override;
    MMResult Close() override;
    bool IsLost() const override { return m_bLost.load(); }
    std::string ErrorText(MMResult code) const override;

private:
    struct Playing {
        WaveHeader* header = nullptr;
        uint64_t end = 0;  // stream byte position just past its data
    };

    static void OnWrite(pa_stream* stream, size_t bytes, void* self);
    static void OnState(pa_stream* stream, void* self);
    static void OnUnderflow(pa_stream* stream, void* self);
    static void OnTick(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv, void* self);
    // Loop thread (or under the loop's lock).
    void Feed();
    void CompletePlayed();
    void Complete(WaveHeader* header);
    void HandBackAll();
    MMResult Fail(MMResult code, const std::string& detail);
    MMResult Cork(bool cork);
    void CloseStream(bool drain);

    std::shared_ptr<CPulseSession> m_session;
    std::function<void(const PlaybackStats&)> m_statsSink;
    pa_stream* m_stream = nullptr;
    pa_time_event* m_tick = nullptr;
    pa_sample_spec m_sampleFormat{};
    WaveOutProc m_proc = nullptr;
    void* m_instance = nullptr;
    std::string m_detail;

    CSpscRing<WaveHeader*, 64> m_queued;  // host -> loop: written, not yet in the stream
    CSpscRing<Playing, 64> m_playing;     // loop only: in the stream, not yet played
    std::size_t m_nOffset = 0;            // bytes of the front queued buffer already in the stream
    uint64_t m_nWritten = 0;              // stream bytes written since open (or reset)
    int m_nTicks = 0;                     // loop only
    bool m_bResetSinceWrite = false;      // host only: Close drops the stream's tail
    std::atomic<bool> m_bLost{false};
    PlaybackStats m_stats;
};
