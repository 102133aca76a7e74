#include "FakeWaveDevices.h"

#include <algorithm>

FakeWaveOut::~FakeWaveOut()
{
    m_state.calls.push_back("destroy");
}

MMResult FakeWaveOut::QueryFormat(const WaveFormat&)
{
    m_state.calls.push_back("query");
    return m_state.queryResult;
}

MMResult FakeWaveOut::Open(const WaveFormat&, WaveOutProc proc, void* instance)
{
    m_state.calls.push_back("open");
    if (m_state.openResult != MMSYSERR_NOERROR)
        return m_state.openResult;
    m_state.proc = proc;
    m_state.instance = instance;
    m_state.open = true;
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveOut::Prepare(WaveHeader& header)
{
    header.dwFlags |= WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveOut::Unprepare(WaveHeader& header)
{
    if (header.dwFlags & WaveHeader::kInQueue)
        return WAVERR_STILLPLAYING;
    header.dwFlags &= ~WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveOut::Write(WaveHeader& header)
{
    m_state.written.emplace_back(header.lpData, header.lpData + header.dwBufferLength);
    header.dwFlags |= WaveHeader::kInQueue;
    m_state.queued.push_back(&header);
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveOut::Pause()
{
    m_state.calls.push_back("pause");
    m_state.paused = true;
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveOut::Restart()
{
    m_state.calls.push_back("restart");
    m_state.paused = false;
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveOut::Reset()
{
    m_state.calls.push_back("reset");
    m_state.paused = false;
    while (!m_state.queued.empty()) {
        WaveHeader* header = m_state.queued.front();
        m_state.queued.pop_front();
        header->dwFlags = (header->dwFlags & ~WaveHeader::kInQueue) | WaveHeader::kDone;
        m_state.proc(WOM_DONE, m_state.instance, header);
    }
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveOut::Close()
{
    if (!m_state.queued.empty()) {
        m_state.calls.push_back("close-still-playing");
        return WAVERR_STILLPLAYING;
    }
    m_state.calls.push_back("close");
    m_state.open = false;
    return MMSYSERR_NOERROR;
}

std::unique_ptr<IWaveOut> FakeWaveDevices::CreateWaveOut()
{
    ++out.devicesCreated;
    return std::make_unique<FakeWaveOut>(out);
}

bool FakeWaveDevices::CompleteOne()
{
    if (out.paused || out.queued.empty())
        return false;
    WaveHeader* header = out.queued.front();
    out.queued.pop_front();
    header->dwFlags = (header->dwFlags & ~WaveHeader::kInQueue) | WaveHeader::kDone;
    out.proc(WOM_DONE, out.instance, header);
    return true;
}

int FakeWaveDevices::CompleteAll()
{
    int n = 0;
    while (CompleteOne())
        ++n;
    return n;
}

// ---- input ------------------------------------------------------------------

MMResult FakeWaveIn::Open(const WaveFormat& format, CThreadMessageQueue* target)
{
    std::lock_guard lock(m_mutex);
    m_state.calls.push_back("open");
    if (m_state.openResult != MMSYSERR_NOERROR)
        return m_state.openResult;
    m_state.format = format;
    m_state.target = target;
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveIn::Prepare(WaveBlock& block)
{
    block.header.dwFlags |= WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveIn::Unprepare(WaveBlock& block)
{
    block.header.dwFlags &= ~WaveHeader::kPrepared;
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveIn::AddBuffer(std::unique_ptr<WaveBlock> block)
{
    std::lock_guard lock(m_mutex);
    m_state.calls.push_back("add");
    block->header.dwFlags |= WaveHeader::kInQueue;
    m_state.queued.push_back(std::move(block));
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveIn::Start()
{
    std::lock_guard lock(m_mutex);
    m_state.calls.push_back("start");
    if (m_state.startResult != MMSYSERR_NOERROR)
        return m_state.startResult;
    m_state.running = true;
    return MMSYSERR_NOERROR;
}

void FakeWaveIn::HandBack(std::unique_ptr<WaveBlock> block)
{
    m_state.target->Post(CapturedBlockMessage(std::move(block)));
}

MMResult FakeWaveIn::Stop()
{
    std::lock_guard lock(m_mutex);
    m_state.calls.push_back("stop");
    const bool wasRunning = m_state.running;
    m_state.running = false;
    for (int i = 0; wasRunning && i < m_state.fullOnStop; ++i)
        DeliverFull();
    if (m_state.partialOnStop > 0 && !m_state.queued.empty()) {
        auto block = std::move(m_state.queued.front());
        m_state.queued.pop_front();
        block->header.dwBytesRecorded = std::min(m_state.partialOnStop, block->header.dwBufferLength);
        std::fill_n(block->header.lpData, block->header.dwBytesRecorded, uint8_t{0xEE});
        HandBack(std::move(block));
    }
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveIn::Reset()
{
    std::lock_guard lock(m_mutex);
    m_state.calls.push_back("reset");
    m_state.running = false;
    while (!m_state.queued.empty()) {
        auto block = std::move(m_state.queued.front());
        m_state.queued.pop_front();
        HandBack(std::move(block));
    }
    return MMSYSERR_NOERROR;
}

MMResult FakeWaveIn::Close()
{
    std::lock_guard lock(m_mutex);
    m_state.calls.push_back("close");
    return MMSYSERR_NOERROR;
}

std::unique_ptr<IWaveIn> FakeWaveDevices::CreateWaveIn()
{
    return std::make_unique<FakeWaveIn>(in, inMutex);
}

bool FakeWaveDevices::Deliver()
{
    std::lock_guard lock(inMutex);
    return in.running && FakeWaveIn(in, inMutex).DeliverFull();
}

bool FakeWaveIn::DeliverFull()
{
    if (m_state.queued.empty())
        return false;
    auto block = std::move(m_state.queued.front());
    m_state.queued.pop_front();
    WaveHeader& header = block->header;
    for (uint32_t i = 0; i + 1 < header.dwBufferLength; i += 2) {
        header.lpData[i] = static_cast<uint8_t>(m_state.nextSample);
        header.lpData[i + 1] = static_cast<uint8_t>(m_state.nextSample >> 8);
        ++m_state.nextSample;
    }
    header.dwBytesRecorded = header.dwBufferLength;
    HandBack(std::move(block));
    ++m_state.delivered;
    return true;
}

std::vector<std::string> FakeWaveDevices::InCalls()
{
    std::lock_guard lock(inMutex);
    return in.calls;
}
