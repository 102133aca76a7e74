#pragma once
// One connection to the sound server (PulseAudio, or PipeWire through its
// PulseAudio service): a threaded main loop and a context. The streams of
// the wave devices live on it; their callbacks run on the loop's thread.
//
// The devices object keeps one session and connects it ahead of the first
// use, so that Play and Record do not wait for the server's handshake. A
// session whose server went away is replaced at the next use.

#include "wave/WaveFormat.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <memory>
#include <string>

class CPulseSession {
public:
    // Starts connecting to the default server (PULSE_SERVER or the user's).
    CPulseSession();
    ~CPulseSession();
    CPulseSession(const CPulseSession&) = delete;
    CPulseSession& operator=(const CPulseSession&) = delete;

    // Waits, at most `timeout`, until the connection is ready or failed.
    bool WaitReady(std::chrono::milliseconds timeout);
    // The connection failed or ended.
    bool IsLost() const;
    pa_context* Context() const { return m_context; }
    pa_threaded_mainloop* Loop() const { return m_loop; }
    // The server's text for the context's last error.
    std::string ErrorText() const;

    // Waits under the loop's lock until `done` holds or `timeout` passes;
    // the loop's callbacks signal it.
    template <typename Done>
    bool WaitLocked(Done done, std::chrono::milliseconds timeout);

    // The loop's lock, for calls into the server from other threads.
    class Lock {
    public:
        explicit Lock(const CPulseSession& session) : m_loop(session.m_loop) { pa_threaded_mainloop_lock(m_loop); }
        ~Lock() { pa_threaded_mainloop_unlock(m_loop); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* m_loop;
    };

    // How long a call waits for the server before it gives up.
    static constexpr std::chrono::milliseconds kServerTimeout{3000};

    // Waits (lock held) until `operation` ends, and releases it; FALSE if it
    // could not start or did not end in time (it is then cancelled).
    bool WaitOperation(pa_operation* operation);
    // Waits (lock held) until a newly connected stream leaves its creating
    // state; TRUE if it is ready.
    bool WaitStreamReady(pa_stream* stream);
    // Detaches every callback of `stream`, disconnects and releases it, and
    // clears the pointer (lock held).
    static void ReleaseStream(pa_stream*& stream);
    // The text for a stream that could not connect to `device` (null: the default).
    std::string ConnectErrorText(const char* device) const;

    // A stream callback (state, or an operation's end) that wakes whoever
    // waits in WaitLocked; its user data is the session.
    static void Wake(pa_stream* stream, void* session);
    static void WakeOnResult(pa_stream* stream, int success, void* session);

    // The device that VRT_AUDIO_DEVICE names, or null for the server's default.
    static const char* ChosenDevice();

private:
    static void OnState(pa_context* context, void* self);
    // Waits for the loop's signal at most until `deadline` (lock held).
    void TimedWait(std::chrono::steady_clock::time_point deadline);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
};

// The server's sample format for 8- or 16-bit PCM of 1 to PA_CHANNELS_MAX
// channels; FALSE for any other format.
bool SampleFormatFor(const WaveFormat& format, pa_sample_spec& sampleFormat);

template <typename Done>
bool CPulseSession::WaitLocked(Done done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        TimedWait(deadline);
    }
    return true;
}
