#include "PulseWaveOut.h"

#include "PulseSinkClock.h"

#include <algorithm>
#include <cstring>

namespace {
// What the server keeps queued: small enough that the first buffer is heard
// and handed back at once, large enough to ride over a busy machine's delays
// in feeding it (the player's own ring holds almost a second more).
constexpr pa_usec_t kTargetLatencyUsec = 40000;
constexpr pa_usec_t kRequestUsec = 10000;
// How often the loop feeds the stream and looks for played buffers, and how
// many of those turns pass between two fresh readings of the server's clock
// (between them the stream interpolates).
constexpr pa_usec_t kTickUsec = 4000;
constexpr int kTicksPerTimingUpdate = 10;

}  // namespace

CPulseWaveOut::CPulseWaveOut(std::shared_ptr<CPulseSession> session,
                             std::function<void(const PlaybackStats&)> statsSink)
    : m_session(std::move(session)), m_statsSink(std::move(statsSink))
{
}

CPulseWaveOut::~CPulseWaveOut()
{
    CloseStream(false);
}

MMResult CPulseWaveOut::Fail(MMResult code, const std::string& detail)
{
    m_detail = detail;
    return code;
}

MMResult CPulseWaveOut::QueryFormat(const WaveFormat& format)
{
    pa_sample_spec sampleFormat;
    return SampleFormatFor(format, sampleFormat) ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
}

MMResult CPulseWaveOut::Open(const WaveFormat& format, WaveOutProc proc, void* instance)
{
    if (m_stream)
        return MMSYSERR_ALLOCATED;
    if (!SampleFormatFor(format, m_sampleFormat))
        return WAVERR_BADFORMAT;
    if (!m_session || !m_session->WaitReady(CPulseSession::kServerTimeout))
        return Fail(MMSYSERR_NODRIVER, m_session ? m_session->ErrorText() : "no sound server");
    m_proc = proc;
    m_instance = instance;

    CPulseSession::Lock lock(*m_session);
    m_stream = pa_stream_new(m_session->Context(), "Sonarch2 playback", &m_sampleFormat, nullptr);
    if (!m_stream)
        return Fail(MMSYSERR_NOMEM, m_session->ErrorText());
    pa_stream_set_state_callback(m_stream, &OnState, this);
    pa_stream_set_write_callback(m_stream, &OnWrite, this);
    pa_stream_set_underflow_callback(m_stream, &OnUnderflow, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetLatencyUsec, &m_sampleFormat));
    attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kRequestUsec, &m_sampleFormat));
    // Play as soon as anything is there; after an underrun, go on with the next byte.
    attr.prebuf = static_cast<uint32_t>(pa_frame_size(&m_sampleFormat));
    attr.fragsize = static_cast<uint32_t>(-1);
    // Corked until the sink is known to play it at once (below).
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                      PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_START_CORKED);
    const char* device = CPulseSession::ChosenDevice();
    if (pa_stream_connect_playback(m_stream, device, &attr, flags, nullptr, nullptr) != 0 ||
        !m_session->WaitStreamReady(m_stream)) {
        const int error = pa_context_errno(m_session->Context());
        const std::string detail = m_session->ConnectErrorText(device);
        CPulseSession::ReleaseStream(m_stream);
        return Fail(error == PA_ERR_NOENTITY ? MMSYSERR_BADDEVICEID : MMSYSERR_ERROR, detail);
    }
    if (const char* name = pa_stream_get_device_name(m_stream))
        m_stats.device = name;
    RestartIdleSinkClock(*m_session, pa_stream_get_device_index(m_stream));
    if (pa_operation* op = pa_stream_cork(m_stream, 0, nullptr, nullptr))
        pa_operation_unref(op);
    m_tick = pa_context_rttime_new(m_session->Context(), pa_rtclock_now() + kTickUsec, &OnTick, this);
    if (m_proc)
        m_proc(WOM_OPEN, m_instance, nullptr);
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveOut::Prepare(WaveHeader& header)
{
    header.dwFlags |= WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveOut::Unprepare(WaveHeader& header)
{
    if (header.dwFlags & WaveHeader::kInQueue)
        return WAVERR_STILLPLAYING;
    header.dwFlags &= ~WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveOut::Write(WaveHeader& header)
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    if (m_bLost)
        return Fail(MMSYSERR_NODRIVER, "the sound server went away");
    if (!(header.dwFlags & WaveHeader::kPrepared))
        return WAVERR_UNPREPARED;
    header.dwFlags = (header.dwFlags & ~WaveHeader::kDone) | WaveHeader::kInQueue;
    if (!m_queued.Push(&header)) {
        header.dwFlags &= ~WaveHeader::kInQueue;
        return MMSYSERR_NOMEM;
    }
    m_bResetSinceWrite = false;
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveOut::Pause()
{
    return Cork(true);
}

MMResult CPulseWaveOut::Restart()
{
    return Cork(false);
}

MMResult CPulseWaveOut::Cork(bool cork)
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    CPulseSession::Lock lock(*m_session);
    if (pa_operation* op = pa_stream_cork(m_stream, cork ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(op);
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveOut::Reset()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    CPulseSession::Lock lock(*m_session);
    // Drop what the server holds, then hand every buffer back in order.
    if (!m_bLost && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        m_session->WaitOperation(pa_stream_flush(m_stream, &CPulseSession::WakeOnResult, m_session.get()));
        if (pa_operation* op = pa_stream_cork(m_stream, 0, nullptr, nullptr))
            pa_operation_unref(op);
    }
    HandBackAll();
    // After the flush the stream writes where it now plays.
    if (const pa_timing_info* timing = pa_stream_get_timing_info(m_stream); timing && timing->read_index >= 0)
        m_nWritten = static_cast<uint64_t>(timing->read_index);
    m_bResetSinceWrite = true;
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveOut::Close()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    if (!m_queued.Empty() || !m_playing.Empty())
        return WAVERR_STILLPLAYING;
    // After a reset the stream's tail holds sound that was stopped: drop it.
    CloseStream(!m_bResetSinceWrite);
    if (m_proc)
        m_proc(WOM_CLOSE, m_instance, nullptr);
    return MMSYSERR_NOERROR;
}

void CPulseWaveOut::CloseStream(bool drain)
{
    if (!m_stream)
        return;
    {
        CPulseSession::Lock lock(*m_session);
        if (drain && !m_bLost && pa_stream_get_state(m_stream) == PA_STREAM_READY)
            m_session->WaitOperation(pa_stream_drain(m_stream, &CPulseSession::WakeOnResult, m_session.get()));
        if (m_tick)
            pa_threaded_mainloop_get_api(m_session->Loop())->time_free(m_tick);
        m_tick = nullptr;
        CPulseSession::ReleaseStream(m_stream);
        // Whatever is still queued comes back, so no header stays marked.
        HandBackAll();
    }
    if (m_statsSink)
        m_statsSink(m_stats);
}

std::string CPulseWaveOut::ErrorText(MMResult code) const
{
    return WaveErrorText(code, m_detail);
}

void CPulseWaveOut::OnWrite(pa_stream*, size_t, void* self)
{
    static_cast<CPulseWaveOut*>(self)->Feed();
}

void CPulseWaveOut::OnUnderflow(pa_stream*, void* user)
{
    // The server ran dry: everything written has gone to the device, whose
    // own latency (below one block) is all that is left to hear. The clock
    // stops short of the end while the stream stands, so hand them back now.
    auto* self = static_cast<CPulseWaveOut*>(user);
    ++self->m_stats.underruns;
    Playing done;
    while (self->m_playing.Pop(done)) {
        ++self->m_stats.buffersPlayed;
        self->Complete(done.header);
    }
}

void CPulseWaveOut::OnState(pa_stream* stream, void* user)
{
    auto* self = static_cast<CPulseWaveOut*>(user);
    CPulseSession::Wake(stream, self->m_session.get());
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        return;
    self->m_bLost = true;
    self->HandBackAll();
}

void CPulseWaveOut::OnTick(pa_mainloop_api*, pa_time_event* event, const struct timeval*, void* user)
{
    auto* self = static_cast<CPulseWaveOut*>(user);
    if (self->m_bLost) {
        self->HandBackAll();  // also what a Write queued while the stream failed
    } else {
        self->Feed();
        self->CompletePlayed();
        if (++self->m_nTicks % kTicksPerTimingUpdate == 0 && !self->m_playing.Empty()) {
            if (pa_operation* op = pa_stream_update_timing_info(self->m_stream, nullptr, nullptr))
                pa_operation_unref(op);
        }
    }
    pa_context_rttime_restart(self->m_session->Context(), event, pa_rtclock_now() + kTickUsec);
}

void CPulseWaveOut::Feed()
{
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    std::size_t want = pa_stream_writable_size(m_stream);
    while (want > 0) {
        WaveHeader** front = m_queued.Front();
        if (!front)
            return;
        WaveHeader* header = *front;
        const std::size_t n = std::min<std::size_t>(header->dwBufferLength - m_nOffset, want);
        if (n > 0 && pa_stream_write(m_stream, header->lpData + m_nOffset, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        m_nOffset += n;
        m_nWritten += n;
        want -= n;
        if (m_nOffset < header->dwBufferLength)
            continue;
        m_queued.Pop(header);
        m_nOffset = 0;
        if (!m_playing.Push(Playing{header, m_nWritten}))
            Complete(header);  // cannot happen: both rings outsize the player's 20 headers
    }
}

void CPulseWaveOut::CompletePlayed()
{
    if (m_playing.Empty())
        return;
    pa_usec_t time = 0;
    if (pa_stream_get_time(m_stream, &time) < 0)
        return;
    const uint64_t played = pa_usec_to_bytes(time, &m_sampleFormat);
    while (Playing* front = m_playing.Front()) {
        if (front->end > played)
            return;
        Playing done;
        m_playing.Pop(done);
        ++m_stats.buffersPlayed;
        Complete(done.header);
    }
}

void CPulseWaveOut::Complete(WaveHeader* header)
{
    header->dwFlags = (header->dwFlags & ~WaveHeader::kInQueue) | WaveHeader::kDone;
    if (m_proc)
        m_proc(WOM_DONE, m_instance, header);
}

void CPulseWaveOut::HandBackAll()
{
    Playing playing;
    while (m_playing.Pop(playing))
        Complete(playing.header);
    WaveHeader* header = nullptr;
    while (m_queued.Pop(header))
        Complete(header);
    m_nOffset = 0;
}
