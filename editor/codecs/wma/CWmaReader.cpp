#include "codecs/wma/CWmaReader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

uint64_t BlockAlignOr4(const WaveFormat& format)
{
    return format.nBlockAlign != 0 ? format.nBlockAlign : 4;
}

}  // namespace

uint32_t WmaRingCapacity(const WaveFormat& format)
{
    return static_cast<uint32_t>(BlockAlignOr4(format) * format.nSamplesPerSec * 2500 / 1000);
}

uint32_t WmaTransferBufferSize(const WaveFormat& format)
{
    return static_cast<uint32_t>(BlockAlignOr4(format) * format.nSamplesPerSec);
}

uint32_t WmaReadSize(const WaveFormat& format)
{
    return std::min(WmaTransferBufferSize(format), kWmaMaxReadBytes);
}

CWmaReader::CWmaReader(const std::string& fileName, int32_t& status, const WaveFormat** format,
                       std::unique_ptr<IMediaReader> runtime, std::chrono::milliseconds openWait)
    : m_runtime(runtime ? std::move(runtime) : CreateMediaReader())
{
    status = Open(fileName, openWait);
    if (format)
        *format = status == 0 ? &m_format : nullptr;
}

CWmaReader::~CWmaReader()
{
    {
        std::lock_guard guard(m_lock);
        m_bClosing = true;
    }
    m_changed.notify_all();
    if (m_runtime)
        m_runtime->Stop();
}

int32_t CWmaReader::Open(const std::string& fileName, std::chrono::milliseconds openWait)
{
    if (!m_runtime)
        return 1;
    if (Failed(m_runtime->Open(fileName, this)))
        return 2;
    {
        std::unique_lock lock(m_lock);
        m_changed.wait_for(lock, openWait, [this] { return m_bOpened || m_bClosed || m_bEnded || m_bNoRights; });
    }
    if (m_bNoRights)
        return 4;
    if (!m_bOpened)
        return 1;
    if (!FindAudioOutput())
        return 2;

    uint64_t duration = 0;
    if (Succeeded(m_runtime->GetDuration(duration)))
        m_nDuration = static_cast<uint32_t>(duration / 10000);
    uint32_t bitRate = 0;
    if (Succeeded(m_runtime->GetBitrate(bitRate)))
        m_nBitRate = static_cast<int32_t>(bitRate);

    const uint32_t capacity = WmaRingCapacity(m_format);
    try {
        m_buffer.resize(capacity);
    } catch (const std::bad_alloc&) {
        return 2;
    }
    {
        std::lock_guard guard(m_lock);
        m_nCapacity = capacity;
    }
    if (Failed(m_runtime->SetUserProvidedClock(true)))
        return 1;
    if (Failed(m_runtime->Start()))
        return 1;
    return 0;
}

bool CWmaReader::FindAudioOutput()
{
    uint32_t count = 0;
    if (Failed(m_runtime->GetOutputCount(count)))
        return false;
    for (uint16_t output = 0; output < count; ++output) {
        MediaOutputInfo info;
        if (Failed(m_runtime->GetOutputProps(output, info)) || !(info.majorType == kMediaTypeAudio))
            continue;
        std::lock_guard guard(m_lock);
        m_format = info.format;
        m_nAudioOutput = output;
        return true;
    }
    return false;
}

void CWmaReader::AdvanceDelivery()
{
    m_bWaiting = false;
    m_nDeliveryTime += kDeliveryStep;
    m_runtime->DeliverTime(m_nDeliveryTime);
}

bool CWmaReader::BelowPacingThreshold() const
{
    return m_nCapacity != 0 && static_cast<uint64_t>(m_nFill) * 100 / m_nCapacity < 60;
}

void CWmaReader::OnStatus(int32_t status, HResult /*result*/)
{
    std::unique_lock lock(m_lock);
    switch (status) {
    case StatusError:
    case StatusEndOfFile:
    case StatusMissingCodec:
    case 23:
    case 24:
        m_bEnded = true;
        break;
    case StatusOpened:
        m_bOpened = true;
        break;
    case StatusNoRights:
    case 25:
    case 26:
        m_bNoRights = true;
        m_bEnded = true;
        break;
    case StatusStarted:
        AdvanceDelivery();
        break;
    case StatusClosed:
        m_bClosed = true;
        break;
    default:
        break;
    }
    lock.unlock();
    m_changed.notify_all();
}

void CWmaReader::OnSample(uint32_t output, uint64_t time, uint64_t /*duration*/, uint32_t /*flags*/,
                          const uint8_t* data, uint32_t length)
{
    std::unique_lock lock(m_lock);
    if (static_cast<int32_t>(output) != m_nAudioOutput || m_nCapacity == 0 || length == 0)
        return;
    if (m_nPosition == -1)
        m_nPosition = static_cast<int32_t>(time / 10000);
    // Pacing keeps a delivery step within the free room. A sample that still
    // does not fit (a very long decoded frame) waits for the reader to make
    // room, piece by piece, instead of being lost.
    while (length > 0) {
        m_changed.wait(lock, [this] { return m_bClosing || m_nFill < m_nCapacity; });
        if (m_bClosing)
            return;
        const uint32_t n = std::min(length, m_nCapacity - m_nFill);
        std::memcpy(m_buffer.data() + m_nFill, data, n);
        m_nFill += n;
        data += n;
        length -= n;
        m_changed.notify_all();
    }
}

void CWmaReader::OnTime(uint64_t /*time*/)
{
    if (m_bEnded)
        return;
    std::lock_guard guard(m_lock);
    if (BelowPacingThreshold())
        AdvanceDelivery();
    else
        m_bWaiting = true;
}

uint32_t CWmaReader::Read(uint8_t* buffer, uint32_t maxCount, bool& done, int32_t& position, uint32_t& duration)
{
    std::unique_lock lock(m_lock);
    done = false;
    position = m_nPosition == -1 ? 0 : m_nPosition;
    duration = m_nDuration;

    if (m_bWaiting && !m_bEnded && BelowPacingThreshold())
        AdvanceDelivery();

    const uint32_t blockAlign = m_format.nBlockAlign;
    uint32_t n = std::min(m_nFill, maxCount);
    if (blockAlign != 0)
        n -= n % blockAlign;
    if (n > 0) {
        std::memcpy(buffer, m_buffer.data(), n);
        std::memmove(m_buffer.data(), m_buffer.data() + n, m_nFill - n);
        m_nFill -= n;
        if (m_nPosition != -1) {
            if (m_format.nAvgBytesPerSec == 0)
                m_format.nAvgBytesPerSec = 1;
            m_nPosition += static_cast<int32_t>(static_cast<int64_t>(n) * 1000 / m_format.nAvgBytesPerSec);
        }
        lock.unlock();
        m_changed.notify_all();
        return n;
    }
    // Once the stream has ended, less than one block can never become a
    // block: it is dropped and the stream reported done, instead of leaving
    // the caller polling for ever.
    if (m_bEnded && m_nFill < std::max<uint32_t>(blockAlign, 1)) {
        m_nFill = 0;
        done = true;
    }
    return 0;
}

void CWmaReader::WaitForData(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_lock);
    const uint32_t blockAlign = std::max<uint32_t>(m_format.nBlockAlign, 1);
    m_changed.wait_for(lock, timeout, [&] { return m_nFill >= blockAlign || m_bEnded || m_bClosing; });
}
