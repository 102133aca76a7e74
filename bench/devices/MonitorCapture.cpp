#include "MonitorCapture.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr int kRate = 44100;
}

MonitorCapture::MonitorCapture()
{
    m_loop = pa_threaded_mainloop_new();
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "devices_bench monitor");
    pa_context_set_state_callback(m_context, &OnState, this);
    pa_threaded_mainloop_start(m_loop);
}

MonitorCapture::~MonitorCapture()
{
    pa_threaded_mainloop_stop(m_loop);
    if (m_stream) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    pa_threaded_mainloop_free(m_loop);
}

void MonitorCapture::OnState(pa_context*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<MonitorCapture*>(self)->m_loop, 0);
}

void MonitorCapture::OnStreamState(pa_stream*, void* self)
{
    pa_threaded_mainloop_signal(static_cast<MonitorCapture*>(self)->m_loop, 0);
}

bool MonitorCapture::Start(const std::string& source)
{
    pa_threaded_mainloop_lock(m_loop);
    bool ok = pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) == 0;
    while (ok && pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        ok = PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context));
        if (ok)
            pa_threaded_mainloop_wait(m_loop);
    }
    if (ok) {
        const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, kRate, 1};
        m_stream = pa_stream_new(m_context, "monitor", &sampleFormat, nullptr);
        pa_stream_set_read_callback(m_stream, &OnRead, this);
        pa_stream_set_state_callback(m_stream, &OnStreamState, this);
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(5000, &sampleFormat));
        ok = pa_stream_connect_record(m_stream, source.c_str(), &attr, PA_STREAM_ADJUST_LATENCY) == 0;
        while (ok && pa_stream_get_state(m_stream) != PA_STREAM_READY) {
            ok = PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream));
            if (ok)
                pa_threaded_mainloop_wait(m_loop);
        }
    }
    if (!ok)
        m_error = pa_strerror(pa_context_errno(m_context));
    pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

void MonitorCapture::OnRead(pa_stream* stream, size_t, void* user)
{
    auto* self = static_cast<MonitorCapture*>(user);
    const void* data = nullptr;
    size_t bytes = 0;
    while (pa_stream_peek(stream, &data, &bytes) == 0 && bytes > 0) {
        Piece piece{Clock::now(), std::vector<int16_t>(bytes / 2, 0)};
        if (data)
            std::memcpy(piece.samples.data(), data, piece.samples.size() * 2);
        pa_stream_drop(stream);
        std::lock_guard lock(self->m_mutex);
        self->m_pieces.push_back(std::move(piece));
    }
}

MonitorCapture::Clock::time_point MonitorCapture::SampleTime(const Piece& piece, std::size_t index) const
{
    // A piece arrives just after its last sample was rendered.
    const auto before = std::chrono::duration<double>(static_cast<double>(piece.samples.size() - index) / kRate);
    return piece.arrived - std::chrono::duration_cast<Clock::duration>(before);
}

std::optional<MonitorCapture::Clock::time_point> MonitorCapture::FirstLoud(Clock::time_point from,
                                                                          int threshold) const
{
    std::lock_guard lock(m_mutex);
    for (const Piece& piece : m_pieces) {
        if (piece.arrived < from)
            continue;
        for (std::size_t i = 0; i < piece.samples.size(); ++i)
            if (std::abs(piece.samples[i]) >= threshold)
                return SampleTime(piece, i);
    }
    return std::nullopt;
}

std::optional<MonitorCapture::Clock::time_point> MonitorCapture::LastLoud(int threshold) const
{
    std::lock_guard lock(m_mutex);
    for (auto piece = m_pieces.rbegin(); piece != m_pieces.rend(); ++piece)
        for (std::size_t i = piece->samples.size(); i-- > 0;)
            if (std::abs(piece->samples[i]) >= threshold)
                return SampleTime(*piece, i);
    return std::nullopt;
}
