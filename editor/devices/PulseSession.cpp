#include "PulseSession.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {
void SignalLoop(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}
}  // namespace

CPulseSession::CPulseSession()
{
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return;
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Sonarch2");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "production");
    m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "Sonarch2", props);
    pa_proplist_free(props);
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, &OnState, this);
    // Never start a server of our own: with none running, the devices fail.
    // A connect that fails at once leaves the context failed.
    pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    pa_threaded_mainloop_start(m_loop);
}

CPulseSession::~CPulseSession()
{
    if (m_loop)
        pa_threaded_mainloop_stop(m_loop);
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    if (m_loop)
        pa_threaded_mainloop_free(m_loop);
}

void CPulseSession::OnState(pa_context*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<CPulseSession*>(self)->m_loop, 0);
}

void CPulseSession::TimedWait(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    pa_time_event* wake = pa_context_rttime_new(m_context, pa_rtclock_now() + static_cast<pa_usec_t>(std::max<int64_t>(left.count(), 0)),
                                                &SignalLoop, m_loop);
    pa_threaded_mainloop_wait(m_loop);
    if (wake)
        pa_threaded_mainloop_get_api(m_loop)->time_free(wake);
}

bool CPulseSession::WaitReady(std::chrono::milliseconds timeout)
{
    if (!m_context)
        return false;
    Lock lock(*this);
    WaitLocked([this] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)) ||
                               pa_context_get_state(m_context) == PA_CONTEXT_READY; },
               timeout);
    return pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool CPulseSession::IsLost() const
{
    if (!m_context)
        return true;
    Lock lock(*this);
    return !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context));
}

std::string CPulseSession::ErrorText() const
{
    if (!m_context)
        return "cannot create a sound server connection";
    Lock lock(*this);
    const int error = pa_context_errno(m_context);
    return error ? pa_strerror(error) : "no answer from the sound server";
}

void CPulseSession::Wake(pa_stream*, void* session)
{
    pa_threaded_mainloop_signal(static_cast<CPulseSession*>(session)->m_loop, 0);
}

void CPulseSession::WakeOnResult(pa_stream* stream, int, void* session)
{
    Wake(stream, session);
}

bool CPulseSession::WaitOperation(pa_operation* operation)
{
    if (!operation)
        return false;
    const bool done = WaitLocked(
        [operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; }, kServerTimeout);
    if (!done)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    return done;
}

bool CPulseSession::WaitStreamReady(pa_stream* stream)
{
    return WaitLocked([stream] { return pa_stream_get_state(stream) != PA_STREAM_CREATING; }, kServerTimeout) &&
           pa_stream_get_state(stream) == PA_STREAM_READY;
}

void CPulseSession::ReleaseStream(pa_stream*& stream)
{
    if (!stream)
        return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

std::string CPulseSession::ConnectErrorText(const char* device) const
{
    return std::string(pa_strerror(pa_context_errno(m_context))) + (device ? std::string(" (") + device + ")" : "");
}

const char* CPulseSession::ChosenDevice()
{
    const char* name = std::getenv("VRT_AUDIO_DEVICE");
    return name && *name ? name : nullptr;
}

bool SampleFormatFor(const WaveFormat& format, pa_sample_spec& sampleFormat)
{
    if (format.wFormatTag != WaveFormat::kTagPcm || (format.wBitsPerSample != 8 && format.wBitsPerSample != 16))
        return false;
    sampleFormat.format = format.wBitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    sampleFormat.rate = format.nSamplesPerSec;
    sampleFormat.channels = static_cast<uint8_t>(std::min<uint16_t>(format.nChannels, 255));
    return format.nChannels >= 1 && format.nChannels <= PA_CHANNELS_MAX && pa_sample_spec_valid(&sampleFormat);
}
