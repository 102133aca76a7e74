#pragma once
// One use of PortAudio: initialised on construction, terminated on
// destruction (PortAudio counts nested uses). Initialisation probes ALSA and
// JACK, which write their findings to standard error; that output is kept
// quiet unless VRT_AUDIO_VERBOSE is set.
//
// Device choice: the device named by VRT_AUDIO_DEVICE if set, else ALSA's
// "pulse", else "default", else PortAudio's default device.

#include <portaudio.h>

#include <mutex>
#include <string>

class CPortAudioSession {
public:
    CPortAudioSession();
    ~CPortAudioSession();
    CPortAudioSession(const CPortAudioSession&) = delete;
    CPortAudioSession& operator=(const CPortAudioSession&) = delete;

    PaError Error() const { return m_error; }
    bool IsOpen() const { return m_error == paNoError; }

    // The device to use for capture or playback; paNoDevice when none.
    PaDeviceIndex FindDevice(bool input) const;
    static std::string DeviceDescription(PaDeviceIndex device);

private:
    PaError m_error = paNotInitialized;
};

// Sends standard error to /dev/null while it lives (whole process). One at a
// time, so that overlapping uses on two threads cannot leave it muted.
class CQuietStderr {
public:
    CQuietStderr();
    ~CQuietStderr();
    CQuietStderr(const CQuietStderr&) = delete;
    CQuietStderr& operator=(const CQuietStderr&) = delete;

private:
    std::unique_lock<std::mutex> m_lock;
    int m_saved = -1;
};
