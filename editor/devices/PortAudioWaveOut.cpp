#include "PortAudioWaveOut.h"

#include <algorithm>
#include <cstring>

namespace {
MMResult ToResult(PaError error)
{
    switch (error) {
    case paNoError: return MMSYSERR_NOERROR;
    case paInvalidSampleRate:
    case paInvalidChannelCount:
    case paSampleFormatNotSupported: return WAVERR_BADFORMAT;
    case paInvalidDevice: return MMSYSERR_BADDEVICEID;
    case paDeviceUnavailable: return MMSYSERR_ALLOCATED;
    case paInsufficientMemory: return MMSYSERR_NOMEM;
    case paNotInitialized: return MMSYSERR_NODRIVER;
    default: return MMSYSERR_ERROR;
    }
}
}  // namespace

CPortAudioWaveOut::CPortAudioWaveOut(StatsSink sink) : m_statsSink(std::move(sink)) {}

CPortAudioWaveOut::~CPortAudioWaveOut()
{
    CloseStream(false);
}

MMResult CPortAudioWaveOut::Fail(MMResult code, PaError error)
{
    m_detail = Pa_GetErrorText(error);
    if (error == paUnanticipatedHostError) {
        if (const PaHostErrorInfo* info = Pa_GetLastHostErrorInfo(); info && info->errorText)
            m_detail += std::string(": ") + info->errorText;
    }
    return code;
}

MMResult CPortAudioWaveOut::BuildParameters(const WaveFormat& format, PaStreamParameters& params)
{
    if (!m_session.IsOpen())
        return Fail(MMSYSERR_NODRIVER, m_session.Error());
    if (format.wFormatTag != WaveFormat::kTagPcm || format.nChannels == 0 ||
        (format.wBitsPerSample != 8 && format.wBitsPerSample != 16))
        return WAVERR_BADFORMAT;
    const PaDeviceIndex device = m_session.FindDevice(false);
    if (device == paNoDevice) {
        m_detail = "PortAudio found no output device";
        return MMSYSERR_BADDEVICEID;
    }
    params = PaStreamParameters{};
    params.device = device;
    params.channelCount = format.nChannels;
    params.sampleFormat = format.wBitsPerSample == 8 ? paUInt8 : paInt16;
    params.suggestedLatency = Pa_GetDeviceInfo(device)->defaultHighOutputLatency;
    m_stats.device = CPortAudioSession::DeviceDescription(device);
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveOut::QueryFormat(const WaveFormat& format)
{
    PaStreamParameters params;
    if (MMResult r = BuildParameters(format, params); r != MMSYSERR_NOERROR)
        return r;
    const PaError error = Pa_IsFormatSupported(nullptr, &params, format.nSamplesPerSec);
    return error == paFormatIsSupported ? MMSYSERR_NOERROR : Fail(ToResult(error), error);
}

MMResult CPortAudioWaveOut::Open(const WaveFormat& format, WaveOutProc proc, void* instance)
{
    if (m_stream)
        return MMSYSERR_ALLOCATED;
    PaStreamParameters params;
    if (MMResult r = BuildParameters(format, params); r != MMSYSERR_NOERROR)
        return r;
    m_proc = proc;
    m_instance = instance;
    m_silence = format.wBitsPerSample == 8 ? 0x80 : 0;
    m_nFrameBytes = format.nBlockAlign;
    PaError error;
    {
        CQuietStderr quiet;
        error = Pa_OpenStream(&m_stream, nullptr, &params, format.nSamplesPerSec,
                              paFramesPerBufferUnspecified, paNoFlag, &StreamCallback, this);
    }
    if (error != paNoError) {
        m_stream = nullptr;
        return Fail(ToResult(error), error);
    }
    error = Pa_StartStream(m_stream);
    if (error != paNoError) {
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
        return Fail(ToResult(error), error);
    }
    if (m_proc)
        m_proc(WOM_OPEN, m_instance, nullptr);
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveOut::Prepare(WaveHeader& header)
{
    header.dwFlags |= WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveOut::Unprepare(WaveHeader& header)
{
    std::lock_guard lock(m_mutex);
    if (header.dwFlags & WaveHeader::kInQueue)
        return WAVERR_STILLPLAYING;
    header.dwFlags &= ~WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveOut::Write(WaveHeader& header)
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    if (!(header.dwFlags & WaveHeader::kPrepared))
        return WAVERR_UNPREPARED;
    const auto now = Clock::now();
    std::lock_guard lock(m_mutex);
    if (m_starvedSince) {
        const double gap = std::chrono::duration<double>(now - *m_starvedSince).count();
        m_stats.largestGapSeconds = std::max(m_stats.largestGapSeconds, gap);
        ++m_stats.underruns;
        m_starvedSince.reset();
    }
    if (m_lastWrite) {
        const double interval = std::chrono::duration<double>(now - *m_lastWrite).count();
        m_stats.largestWriteIntervalSeconds = std::max(m_stats.largestWriteIntervalSeconds, interval);
    }
    m_lastWrite = now;
    m_bPrimed = true;
    header.dwFlags = (header.dwFlags & ~WaveHeader::kDone) | WaveHeader::kInQueue;
    m_queue.push_back(&header);
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveOut::Pause()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    std::lock_guard lock(m_mutex);
    m_bPaused = true;
    m_starvedSince.reset();
    m_lastWrite.reset();
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveOut::Restart()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    std::lock_guard lock(m_mutex);
    m_bPaused = false;
    m_lastWrite.reset();
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveOut::Reset()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    std::lock_guard lock(m_mutex);
    // Under the lock, so that the callback is not half-way through a buffer.
    while (!m_queue.empty()) {
        WaveHeader* header = m_queue.front();
        m_queue.pop_front();
        header->dwFlags = (header->dwFlags & ~WaveHeader::kInQueue) | WaveHeader::kDone;
        if (m_proc)
            m_proc(WOM_DONE, m_instance, header);
    }
    m_nOffset = 0;
    m_bPaused = false;
    m_bPrimed = false;
    m_starvedSince.reset();
    m_lastWrite.reset();
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveOut::Close()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    bool drain = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_queue.empty())
            return WAVERR_STILLPLAYING;
        // After a reset the device's own buffer holds sound that was stopped:
        // drop it at once, as a reset device does, instead of playing it out.
        drain = m_bPrimed;
    }
    CloseStream(drain);
    if (m_proc)
        m_proc(WOM_CLOSE, m_instance, nullptr);
    return MMSYSERR_NOERROR;
}

void CPortAudioWaveOut::CloseStream(bool drain)
{
    if (!m_stream)
        return;
    if (drain)
        Pa_StopStream(m_stream);
    else
        Pa_AbortStream(m_stream);
    Pa_CloseStream(m_stream);
    m_stream = nullptr;
    // Hand back whatever an abort left queued, so no header stays marked.
    for (WaveHeader* header : m_queue)
        header->dwFlags = (header->dwFlags & ~WaveHeader::kInQueue) | WaveHeader::kDone;
    m_queue.clear();
    if (m_statsSink)
        m_statsSink(m_stats);
}

std::string CPortAudioWaveOut::ErrorText(MMResult code) const
{
    return WaveErrorText(code, m_detail);
}

int CPortAudioWaveOut::StreamCallback(const void*, void* output, unsigned long frames,
                                      const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user)
{
    auto* self = static_cast<CPortAudioWaveOut*>(user);
    self->Fill(static_cast<uint8_t*>(output), frames * self->m_nFrameBytes);
    return paContinue;
}

void CPortAudioWaveOut::Fill(uint8_t* out, std::size_t bytes)
{
    std::lock_guard lock(m_mutex);
    while (bytes > 0) {
        if (m_bPaused || m_queue.empty()) {
            if (!m_bPaused && m_bPrimed && !m_starvedSince)
                m_starvedSince = Clock::now();
            std::memset(out, m_silence, bytes);
            return;
        }
        WaveHeader* header = m_queue.front();
        const std::size_t n = std::min<std::size_t>(header->dwBufferLength - m_nOffset, bytes);
        std::memcpy(out, header->lpData + m_nOffset, n);
        out += n;
        bytes -= n;
        m_nOffset += n;
        if (m_nOffset >= header->dwBufferLength) {
            m_queue.pop_front();
            m_nOffset = 0;
            header->dwFlags = (header->dwFlags & ~WaveHeader::kInQueue) | WaveHeader::kDone;
            ++m_stats.buffersPlayed;
            if (m_proc)
                m_proc(WOM_DONE, m_instance, header);
        }
    }
}
