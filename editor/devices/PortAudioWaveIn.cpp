#include "PortAudioWaveIn.h"

#include "ThreadMessageQueue.h"

#include <algorithm>
#include <cstring>

CPortAudioWaveIn::~CPortAudioWaveIn()
{
    if (m_stream) {
        Pa_AbortStream(m_stream);
        Pa_CloseStream(m_stream);
    }
}

MMResult CPortAudioWaveIn::Fail(MMResult code, PaError error)
{
    m_detail = Pa_GetErrorText(error);
    if (error == paUnanticipatedHostError) {
        if (const PaHostErrorInfo* info = Pa_GetLastHostErrorInfo(); info && info->errorText)
            m_detail += std::string(": ") + info->errorText;
    }
    return code;
}

MMResult CPortAudioWaveIn::Open(const WaveFormat& format, CThreadMessageQueue* target)
{
    if (m_stream)
        return MMSYSERR_ALLOCATED;
    if (!m_session.IsOpen())
        return Fail(MMSYSERR_NODRIVER, m_session.Error());
    if (format.wFormatTag != WaveFormat::kTagPcm || format.nChannels == 0 ||
        (format.wBitsPerSample != 8 && format.wBitsPerSample != 16))
        return WAVERR_BADFORMAT;
    const PaDeviceIndex device = m_session.FindDevice(true);
    if (device == paNoDevice) {
        m_detail = "PortAudio found no input device";
        return MMSYSERR_BADDEVICEID;
    }
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = format.nChannels;
    params.sampleFormat = format.wBitsPerSample == 8 ? paUInt8 : paInt16;
    params.suggestedLatency = Pa_GetDeviceInfo(device)->defaultHighInputLatency;
    m_target = target;
    m_nFrameBytes = static_cast<std::size_t>(format.nChannels) * (format.wBitsPerSample / 8);
    PaError error;
    {
        CQuietStderr quiet;
        error = Pa_OpenStream(&m_stream, &params, nullptr, format.nSamplesPerSec,
                              paFramesPerBufferUnspecified, paNoFlag, &StreamCallback, this);
    }
    if (error == paNoError)
        return MMSYSERR_NOERROR;
    m_stream = nullptr;
    switch (error) {
    case paInvalidSampleRate:
    case paInvalidChannelCount:
    case paSampleFormatNotSupported: return Fail(WAVERR_BADFORMAT, error);
    case paDeviceUnavailable: return Fail(MMSYSERR_ALLOCATED, error);
    case paInsufficientMemory: return Fail(MMSYSERR_NOMEM, error);
    default: return Fail(MMSYSERR_ERROR, error);
    }
}

MMResult CPortAudioWaveIn::Prepare(WaveBlock& block)
{
    block.header.dwFlags |= WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveIn::Unprepare(WaveBlock& block)
{
    if (block.header.dwFlags & WaveHeader::kInQueue)
        return WAVERR_STILLPLAYING;
    block.header.dwFlags &= ~WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveIn::AddBuffer(std::unique_ptr<WaveBlock> block)
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    if (!block || !(block->header.dwFlags & WaveHeader::kPrepared))
        return WAVERR_UNPREPARED;
    block->header.dwFlags = (block->header.dwFlags & ~WaveHeader::kDone) | WaveHeader::kInQueue;
    block->header.dwBytesRecorded = 0;
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(block));
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveIn::Start()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard lock(m_mutex);
        if (m_bRunning)
            return MMSYSERR_NOERROR;
        m_bRunning = true;
    }
    const PaError error = Pa_StartStream(m_stream);
    if (error == paNoError)
        return MMSYSERR_NOERROR;
    std::lock_guard lock(m_mutex);
    m_bRunning = false;
    return Fail(MMSYSERR_ERROR, error);
}

MMResult CPortAudioWaveIn::Stop()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard lock(m_mutex);
        if (!m_bRunning)
            return MMSYSERR_NOERROR;
        m_bRunning = false;
    }
    // Not under the lock: stopping waits for a running callback, which takes it.
    Pa_StopStream(m_stream);
    std::lock_guard lock(m_mutex);
    if (!m_queue.empty() && m_queue.front()->header.dwBytesRecorded > 0) {
        auto block = std::move(m_queue.front());
        m_queue.pop_front();
        HandBack(std::move(block));
    }
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveIn::Reset()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    Stop();
    std::lock_guard lock(m_mutex);
    while (!m_queue.empty()) {
        auto block = std::move(m_queue.front());
        m_queue.pop_front();
        HandBack(std::move(block));
    }
    return MMSYSERR_NOERROR;
}

MMResult CPortAudioWaveIn::Close()
{
    if (!m_stream)
        return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard lock(m_mutex);
        if (!m_queue.empty())
            return WAVERR_STILLPLAYING;
    }
    Stop();
    Pa_CloseStream(m_stream);
    m_stream = nullptr;
    return MMSYSERR_NOERROR;
}

std::string CPortAudioWaveIn::ErrorText(MMResult code) const
{
    return WaveErrorText(code, m_detail);
}

long CPortAudioWaveIn::DroppedFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_nDropped;
}

void CPortAudioWaveIn::HandBack(std::unique_ptr<WaveBlock> block)
{
    block->header.dwFlags = (block->header.dwFlags & ~WaveHeader::kInQueue) | WaveHeader::kDone;
    ThreadMessage message;
    message.message = MM_WIM_DATA;
    message.lParam = reinterpret_cast<intptr_t>(&block->header);
    message.block = std::move(block);
    m_target->Post(std::move(message));
}

int CPortAudioWaveIn::StreamCallback(const void* input, void*, unsigned long frames,
                                     const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user)
{
    auto* self = static_cast<CPortAudioWaveIn*>(user);
    if (input)
        self->Take(static_cast<const uint8_t*>(input), frames * self->m_nFrameBytes);
    return paContinue;
}

void CPortAudioWaveIn::Take(const uint8_t* in, std::size_t bytes)
{
    std::lock_guard lock(m_mutex);
    if (!m_bRunning)
        return;
    while (bytes > 0) {
        if (m_queue.empty()) {
            m_nDropped += static_cast<long>(bytes / m_nFrameBytes);
            return;
        }
        WaveHeader& header = m_queue.front()->header;
        const std::size_t n = std::min<std::size_t>(header.dwBufferLength - header.dwBytesRecorded, bytes);
        std::memcpy(header.lpData + header.dwBytesRecorded, in, n);
        header.dwBytesRecorded += static_cast<uint32_t>(n);
        in += n;
        bytes -= n;
        if (header.dwBytesRecorded >= header.dwBufferLength) {
            auto block = std::move(m_queue.front());
            m_queue.pop_front();
            HandBack(std::move(block));
        }
    }
}
