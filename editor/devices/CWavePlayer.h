#pragma once
// The control's device object: plays the document through the default
// output device and drives recordings from the default input device. Its
// status is the busy flag of the whole control.
//
// Play and Record run on the host's thread and return when they are done;
// between blocks they run one message step (PumpMessages), through which the
// host calls Pause, Continue and Stop. Those only change the status and tell
// the device; the running loop notices.

#include "MessageThread.h"
#include "PlayerView.h"
#include "PlaybackRing.h"
#include "PulseDevices.h"
#include "WaveDevice.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class CRMWave;

class CWavePlayer {
public:
    enum : int32_t {
        PlayerIdle = 0,
        PlayerPlaying = 1,
        PlayerRecording = 2,
        PlayerPaused = 3,
        PlayerStopping = 5,
    };

    CWavePlayer();
    ~CWavePlayer();
    CWavePlayer(const CWavePlayer&) = delete;
    CWavePlayer& operator=(const CWavePlayer&) = delete;

    // Plays the selection, or from the cursor to the end, and returns 1 when
    // playback has ended. 0 when not idle, when no working file is open, or
    // when the output device refuses the format or does not open.
    int Play();
    void Pause();
    void Continue();
    void Stop();
    // Records from the input device and appends to the document until Stop,
    // or until maxSeconds of audio are in (0 = no limit). 1 when the
    // recording has ended; 0, with nothing changed, when not idle or when no
    // working file is open.
    int Record(float maxSeconds);

    int32_t GetStatus() const { return m_nStatus; }
    // Frames played since the current pass started, and in seconds.
    int32_t GetPlayPos() const { return m_nPlayPos; }
    float PlayTime() const;
    // Frames recorded so far, and in seconds.
    int32_t GetRecordPos() const { return m_nRecordPos; }
    float RecordTime() const;

    // The devices to use; the sound server's unless replaced (not owned;
    // null restores the sound server's).
    void SetDevices(IWaveDevices* devices);
    // The figures of the last playback through the sound server.
    PlaybackStats LastPlaybackStats() const { return m_pulse.LastPlayback(); }
    // Sees every message the recording threads handle (tests).
    void SetThreadTrace(CMessageThread::Trace trace) { m_threadTrace = std::move(trace); }
    // The text of the last output device error, empty when none.
    const std::string& LastDeviceError() const { return m_strDeviceError; }

    // Set by the control.
    CRMWave* m_pWave = nullptr;
    IPlayerView* m_pView = nullptr;  // null: no view to update
    bool m_bLoop = false;            // property PlayLoop, read at the end of each pass

private:
    bool OpenPlayback(CPlaybackRing& ring);
    void ReleasePlayback(CPlaybackRing& ring);
    void PlayPass(CPlaybackRing& ring);
    // FALSE when the device is gone and the pass must end.
    bool QueueBlock(CPlaybackRing& ring, const uint8_t* data, std::size_t count);
    void ReportPlayPosition(const CPlaybackRing& ring, int64_t blocks, int32_t& last);
    bool DeviceLost() const { return m_hWaveOut && m_hWaveOut->IsLost(); }
    WaveFormat OutputFormat() const;
    IPlayerView& View();

    std::atomic<int32_t> m_nStatus{PlayerIdle};
    std::atomic<int32_t> m_nRecordPos{0};
    std::atomic<int32_t> m_nPlayPos{0};
    std::unique_ptr<IWaveOut> m_hWaveOut;  // open only inside Play

    CPulseDevices m_pulse;
    IWaveDevices* m_pDevices = &m_pulse;
    CMessageThread::Trace m_threadTrace;
    std::string m_strDeviceError;
    IPlayerView m_noView;
};
