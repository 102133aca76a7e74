#include "PulseWaveIn.h"

#include "PulseSinkClock.h"
#include "ThreadMessageQueue.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {
using std::chrono::milliseconds;

// How much the server gathers before it sends: well inside one block.
constexpr pa_usec_t kFragmentUsec = 5000;
// How often the delivery thread looks for full buffers.
constexpr milliseconds kDeliveryPoll{2};
}  // namespace

CPulseWaveIn::CPulseWaveIn(std::shared_ptr<CPulseSession> session) : m_session(std::move(session)) {}

CPulseWaveIn::~CPulseWaveIn()
{
    StopDelivery();
    if (m_stream) {
        CPulseSession::Lock lock(*m_session);
        CPulseSession::ReleaseStream(m_stream);
    }
}

MMResult CPulseWaveIn::Fail(MMResult code, const std::string& detail)
{
    m_detail = detail;
    return code;
}

bool CPulseWaveIn::ConnectRecord(const char* device)
{
    m_stream = pa_stream_new(m_session->Context(), "Sonarch2 recording", &m_sampleFormat, nullptr);
    if (!m_stream)
        return false;
    pa_stream_set_read_callback(m_stream, &OnRead, this);
    pa_stream_set_state_callback(m_stream, &CPulseSession::Wake, m_session.get());
    pa_buffer_attr attr;
    std::memset(&attr, 0xff, sizeof attr);
    attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(kFragmentUsec, &m_sampleFormat));
    // Corked until Start, so that nothing is captured before it.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    if (pa_stream_connect_record(m_stream, device, &attr, flags) == 0 && m_session->WaitStreamReady(m_stream)) {
        pa_stream_set_state_callback(m_stream, &OnState, this);
        return true;
    }
    CPulseSession::ReleaseStream(m_stream);
    return false;
}

MMResult CPulseWaveIn::Open(const WaveFormat& format, CThreadMessageQueue* target)
{
    if (m_stream)
        return MMSYSERR_ALLOCATED;
    if (!SampleFormatFor(format, m_sampleFormat))
        return WAVERR_BADFORMAT;
    if (!m_session || !m_session->WaitReady(CPulseSession::kServerTimeout))
        return Fail(MMSYSERR_NODRIVER, m_session ? m_session->ErrorText() : "no sound server");
    m_target = target;

    CPulseSession::Lock lock(*m_session);
    const char* device = CPulseSession::ChosenDevice();
    bool connected = ConnectRecord(device);
    // A device named after an output records what that output plays.
    if (!connected && device && pa_context_errno(m_session->Context()) == PA_ERR_NOENTITY)
        connected = ConnectRecord((std::string(device) + ".monitor").c_str());
    if (connected) {
        // Recording what an idle sink plays: its clock must run now, or the
        // first captured block waits for the sink's lead.
        RestartIdleSinkClock(*m_session, MonitoredSink(*m_session, pa_stream_get_device_index(m_stream)));
        return MMSYSERR_NOERROR;
    }
    const int error = pa_context_errno(m_session->Context());
    return Fail(error == PA_ERR_NOENTITY ? MMSYSERR_BADDEVICEID : MMSYSERR_ERROR, m_session->ConnectErrorText(device));
}

MMResult CPulseWaveIn::Prepare(WaveBlock& block)
{
    block.header.dwFlags |= WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveIn::Unprepare(WaveBlock& block)
{
    if (block.header.dwFlags & WaveHeader::kInQueue)
        return WAVERR_STILLPLAYING;
    block.header.dwFlags &= ~WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveIn::AddBuffer(std::unique_ptr<WaveBlock> block)
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    if (!block || !(block->header.dwFlags & WaveHeader::kPrepared))
        return WAVERR_UNPREPARED;
    block->header.dwFlags = (block->header.dwFlags & ~WaveHeader::kDone) | WaveHeader::kInQueue;
    block->header.dwBytesRecorded = 0;
    return m_empty.Push(std::move(block)) ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

MMResult CPulseWaveIn::Start()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    if (m_bRunning)
        return MMSYSERR_NOERROR;
    if (!m_delivery.joinable()) {
        m_bDelivering = true;
        m_delivery = std::thread([this] { Deliver(); });
    }
    CPulseSession::Lock lock(*m_session);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)))
        return Fail(MMSYSERR_ERROR, pa_strerror(pa_context_errno(m_session->Context())));
    // Capture begins now: what the server gathered while corked is not ours.
    if (pa_operation* op = pa_stream_flush(m_stream, nullptr, nullptr))
        pa_operation_unref(op);
    if (pa_operation* op = pa_stream_cork(m_stream, 0, nullptr, nullptr))
        pa_operation_unref(op);
    m_bRunning = true;
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveIn::Stop()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    std::unique_ptr<WaveBlock> partial;
    {
        CPulseSession::Lock lock(*m_session);
        if (!m_bRunning)
            return MMSYSERR_NOERROR;
        // Take what the server has already sent, then no more.
        Take();
        m_bRunning = false;
        if (pa_operation* op = pa_stream_cork(m_stream, 1, nullptr, nullptr))
            pa_operation_unref(op);
        std::unique_ptr<WaveBlock>* front = m_empty.Front();
        if (front && (*front)->header.dwBytesRecorded > 0)
            m_empty.Pop(partial);
    }
    // Every full buffer goes out before the partly filled one.
    StopDelivery();
    if (partial)
        HandBack(std::move(partial));
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveIn::Reset()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    Stop();
    std::unique_ptr<WaveBlock> block;
    while (m_empty.Pop(block))
        HandBack(std::move(block));
    return MMSYSERR_NOERROR;
}

MMResult CPulseWaveIn::Close()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    if (!m_empty.Empty())
        return WAVERR_STILLPLAYING;
    Stop();
    CPulseSession::Lock lock(*m_session);
    CPulseSession::ReleaseStream(m_stream);
    return MMSYSERR_NOERROR;
}

std::string CPulseWaveIn::ErrorText(MMResult code) const
{
    return WaveErrorText(code, m_detail);
}

void CPulseWaveIn::OnState(pa_stream* stream, void* user)
{
    auto* self = static_cast<CPulseWaveIn*>(user);
    CPulseSession::Wake(stream, self->m_session.get());
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        self->m_bLost = true;
}

void CPulseWaveIn::OnRead(pa_stream*, size_t, void* self)
{
    static_cast<CPulseWaveIn*>(self)->Take();
}

void CPulseWaveIn::Take()
{
    const void* data = nullptr;
    std::size_t bytes = 0;
    while (pa_stream_peek(m_stream, &data, &bytes) == 0 && bytes > 0) {
        if (m_bRunning) {
            if (data) {
                Fill(static_cast<const uint8_t*>(data), bytes);
            } else {
                // A hole in the capture: the server lost data; keep time with silence.
                static constexpr uint8_t kZeros[4096] = {};
                const uint8_t silence = m_sampleFormat.format == PA_SAMPLE_U8 ? 0x80 : 0;
                for (std::size_t left = bytes; left > 0;) {
                    const std::size_t n = std::min(left, sizeof kZeros);
                    if (silence == 0) {
                        Fill(kZeros, n);
                    } else {
                        uint8_t chunk[sizeof kZeros];
                        std::memset(chunk, silence, n);
                        Fill(chunk, n);
                    }
                    left -= n;
                }
            }
        }
        pa_stream_drop(m_stream);
    }
}

void CPulseWaveIn::Fill(const uint8_t* data, std::size_t bytes)
{
    while (bytes > 0) {
        std::unique_ptr<WaveBlock>* front = m_empty.Front();
        if (!front) {
            m_nDropped += static_cast<long>(bytes / pa_frame_size(&m_sampleFormat));
            return;
        }
        WaveHeader& header = (*front)->header;
        const std::size_t n = std::min<std::size_t>(header.dwBufferLength - header.dwBytesRecorded, bytes);
        std::memcpy(header.lpData + header.dwBytesRecorded, data, n);
        header.dwBytesRecorded += static_cast<uint32_t>(n);
        data += n;
        bytes -= n;
        if (header.dwBytesRecorded < header.dwBufferLength)
            continue;
        std::unique_ptr<WaveBlock> full;
        m_empty.Pop(full);
        if (!m_filled.Push(std::move(full)))
            m_nDropped += static_cast<long>(header.dwBufferLength / pa_frame_size(&m_sampleFormat));
    }
}

void CPulseWaveIn::Deliver()
{
    std::unique_ptr<WaveBlock> block;
    for (;;) {
        const bool last = !m_bDelivering;  // read before the ring: nothing filled before the stop is missed
        while (m_filled.Pop(block))
            HandBack(std::move(block));
        if (last)
            return;
        std::this_thread::sleep_for(kDeliveryPoll);
    }
}

void CPulseWaveIn::StopDelivery()
{
    m_bDelivering = false;
    if (m_delivery.joinable())
        m_delivery.join();
}

void CPulseWaveIn::HandBack(std::unique_ptr<WaveBlock> block)
{
    m_target->Post(CapturedBlockMessage(std::move(block)));
}
