#include "CWavePlayer.h"

#include "PlaybackRing.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <thread>

namespace {
// A loop that waits for the device sleeps this long between message steps;
// the device's thread only moves atomic counters, so nothing wakes it.
void WaitForDevice()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
}  // namespace

CWavePlayer::CWavePlayer() = default;

CWavePlayer::~CWavePlayer() = default;

void CWavePlayer::SetDevices(IWaveDevices* devices)
{
    m_pDevices = devices ? devices : &m_pulse;
}

IPlayerView& CWavePlayer::View()
{
    return m_pView ? *m_pView : m_noView;
}

float CWavePlayer::PlayTime() const
{
    return m_pWave ? static_cast<float>(m_pWave->FramesToSeconds(m_nPlayPos)) : 0.0f;
}

float CWavePlayer::RecordTime() const
{
    return m_pWave ? static_cast<float>(m_pWave->FramesToSeconds(m_nRecordPos)) : 0.0f;
}

WaveFormat CWavePlayer::OutputFormat() const
{
    WaveFormat format;
    format.wFormatTag = WaveFormat::kTagPcm;
    format.nChannels = static_cast<uint16_t>(m_pWave->m_nChannels);
    format.nSamplesPerSec = static_cast<uint32_t>(m_pWave->m_nSamplesPerSec);
    format.wBitsPerSample = static_cast<uint16_t>(m_pWave->m_nBitsPerSample);
    format.nBlockAlign = static_cast<uint16_t>((m_pWave->m_nChannels * m_pWave->m_nBitsPerSample) >> 3);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    format.cbSize = 0;
    return format;
}

int CWavePlayer::Play()
{
    if (m_nStatus != PlayerIdle)
        return 0;
    CPlaybackLease lease;
    if (!lease)
        return 0;

    m_nPlayPos = 0;
    m_nStatus = PlayerPlaying;
    m_nRecordPos = 0;
    g_pControl->FireChangePlayer();

    CPlaybackRing& ring = lease.Ring();
    if (!m_pWave || !m_pWave->IsOpen() || !OpenPlayback(ring)) {
        ReleasePlayback(ring);
        m_nStatus = PlayerIdle;
        g_pControl->FireChangePlayer();
        return 0;
    }

    do {
        PlayPass(ring);
    } while (m_bLoop && !DeviceLost() && (m_nStatus == PlayerPlaying || m_nStatus == PlayerPaused));

    g_pControl->FireProgress(100.0f);
    PumpMessages();

    ReleasePlayback(ring);
    lease.Release();  // a Play from the message steps below may start afresh

    g_pControl->FireProgress(0.0f);
    m_nPlayPos = 0;
    m_nRecordPos = 0;
    m_nStatus = PlayerIdle;
    g_pControl->FireChangePlayer();
    PumpMessages();
    View().UpdatePlayCursor();
    View().Repaint();
    return 1;
}

bool CWavePlayer::OpenPlayback(CPlaybackRing& ring)
{
    try {
        ring.m_pPlayBuffers = std::make_unique<PlayBuffers>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    ring.m_nFreeBuffers = kPlayBufferCount;
    ring.m_nCurrentBuffer = 0;
    ring.m_nBuffersDone = 0;

    const WaveFormat format = OutputFormat();
    auto device = m_pDevices->CreateWaveOut();
    if (!device)
        return false;
    // Only a bad-format answer counts as no; the real open decides the rest.
    MMResult result = device->QueryFormat(format);
    if (result != WAVERR_BADFORMAT)
        result = device->Open(format, &PlaybackDone, &ring);
    if (result != MMSYSERR_NOERROR) {
        m_strDeviceError = device->ErrorText(result);
        return false;
    }
    m_strDeviceError.clear();
    m_hWaveOut = std::move(device);
    return true;
}

void CWavePlayer::ReleasePlayback(CPlaybackRing& ring)
{
    if (ring.m_pPlayBuffers && m_hWaveOut) {
        for (WaveHeader& header : ring.m_pPlayBuffers->headers) {
            if (header.dwFlags & WaveHeader::kPrepared)
                m_hWaveOut->Unprepare(header);
        }
    }
    ring.m_nBuffersDone = 0;
    // The device goes first: its thread may still hold the buffers.
    if (m_hWaveOut)
        m_hWaveOut->Close();
    m_hWaveOut.reset();
    ring.m_pPlayBuffers.reset();
}

void CWavePlayer::PlayPass(CPlaybackRing& ring)
{
    CRMWave& wave = *m_pWave;
    int64_t limit = 0;
    if (wave.HasSelection()) {
        const int32_t begin = std::min(wave.m_nSelBegin, wave.m_nSelEnd);
        const int32_t end = std::max(wave.m_nSelBegin, wave.m_nSelEnd);
        wave.SeekToFrame(begin);
        limit = wave.FramesToBytes(end - begin);
    } else {
        // From the cursor to the end, so that progress reaches 100 at the end.
        wave.SeekToCursor();
        limit = wave.FramesToBytes(std::max(0, wave.m_nLength - std::max(0, wave.m_nCursor)));
    }
    const int64_t blocks = limit / kPlayBufferSize;

    ring.m_nBuffersDone = 0;
    g_pControl->FireProgress(0.0f);
    m_nPlayPos = 0;
    g_pControl->FireChangePlayer();
    PumpMessages();
    View().UpdatePlayCursor();

    // The unused part of a block plays as silence (0x80 in 8-bit samples).
    const uint8_t silence = wave.m_nBitsPerSample == 8 ? 0x80 : 0;
    std::array<uint8_t, kPlayBufferSize> block;
    int64_t total = 0;
    int32_t last = -1;
    for (;;) {
        while (m_nStatus == PlayerPaused && !DeviceLost()) {
            PumpMessages();
            WaitForDevice();
        }
        if (m_nStatus != PlayerPlaying || DeviceLost())
            break;
        const std::size_t n = wave.ReadData(block.data(), block.size());
        if (n == 0)
            break;
        total += static_cast<int64_t>(n);
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(n), block.end(), silence);
        if (total >= limit) {
            const auto past = static_cast<std::ptrdiff_t>(std::min<int64_t>(total - limit, n));
            std::fill(block.begin() + static_cast<std::ptrdiff_t>(n) - past,
                      block.begin() + static_cast<std::ptrdiff_t>(n), silence);
            QueueBlock(ring, block.data(), block.size());
            break;
        }
        if (!QueueBlock(ring, block.data(), block.size()))
            break;
        ReportPlayPosition(ring, blocks, last);
    }

    // Drain: wait until the device has handed every buffer back. A paused
    // device holds the drain until Continue or Stop; a device that went away
    // has handed everything back.
    while (ring.m_nFreeBuffers < kPlayBufferCount) {
        ReportPlayPosition(ring, blocks, last);
        WaitForDevice();
    }
}

void CWavePlayer::ReportPlayPosition(const CPlaybackRing& ring, int64_t blocks, int32_t& last)
{
    const int32_t done = ring.m_nBuffersDone;
    g_pControl->FireProgress(PlaybackProgress(done, blocks));
    m_nPlayPos = m_pWave->BytesToFrames(static_cast<int64_t>(done) * kPlayBufferSize);
    const bool changed = m_nPlayPos != last;
    if (changed)
        g_pControl->FireChangePlayer();
    PumpMessages();
    if (changed)
        View().UpdatePlayCursor();
    last = m_nPlayPos;
}

bool CWavePlayer::QueueBlock(CPlaybackRing& ring, const uint8_t* data, std::size_t count)
{
    while (count > 0) {
        WaveHeader& header = ring.m_pPlayBuffers->headers[ring.m_nCurrentBuffer];
        if (header.dwFlags & WaveHeader::kPrepared)
            m_hWaveOut->Unprepare(header);
        const std::size_t used = header.dwUser;
        const std::size_t n = std::min<std::size_t>(kPlayBufferSize - used, count);
        std::memcpy(header.lpData + used, data, n);
        data += n;
        count -= n;
        if (used + n < kPlayBufferSize) {
            header.dwUser = used + n;
            return true;
        }
        header.dwBufferLength = kPlayBufferSize;
        m_hWaveOut->Prepare(header);
        // A buffer the device refused never comes back; do not count it as out.
        // Counted out before it is written: the device may hand it back at once.
        --ring.m_nFreeBuffers;
        if (m_hWaveOut->Write(header) != MMSYSERR_NOERROR) {
            ++ring.m_nFreeBuffers;
            if (DeviceLost())
                return false;
        }
        while (ring.m_nFreeBuffers == 0 && !DeviceLost()) {
            PumpMessages();
            WaitForDevice();
        }
        ring.m_nCurrentBuffer = (ring.m_nCurrentBuffer + 1) % kPlayBufferCount;
        ring.m_pPlayBuffers->headers[ring.m_nCurrentBuffer].dwUser = 0;
    }
    return true;
}

void CWavePlayer::Pause()
{
    if (m_nStatus != PlayerPlaying)
        return;
    m_nStatus = PlayerPaused;
    g_pControl->FireChangePlayer();
    if (m_hWaveOut)
        m_hWaveOut->Pause();
}

void CWavePlayer::Continue()
{
    if (m_nStatus != PlayerPaused)
        return;
    m_nStatus = PlayerPlaying;
    g_pControl->FireChangePlayer();
    if (m_hWaveOut)
        m_hWaveOut->Restart();
}

void CWavePlayer::Stop()
{
    if (m_nStatus == PlayerIdle)
        return;
    m_nStatus = PlayerStopping;
    m_nPlayPos = 0;
    m_nRecordPos = 0;
    g_pControl->FireChangePlayer();
    // Hands every queued buffer back through the completion procedure.
    if (m_hWaveOut)
        m_hWaveOut->Reset();
    m_nStatus = PlayerIdle;
    g_pControl->FireChangePlayer();
}
