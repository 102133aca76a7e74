#include "CRecordSound.h"

#include "CWriteSoundFile.h"
#include "RecordMessages.h"

#include <chrono>
#include <cstdio>
#include <new>
#include <thread>
#include <utility>

CRecordSound::CRecordSound(int32_t channels, int32_t samplesPerSec, int32_t bitsPerSample,
                           std::unique_ptr<IWaveIn> device)
    : CMessageThread("CRecordSound"), m_hWaveIn(std::move(device))
{
    m_wfx.wFormatTag = WaveFormat::kTagPcm;
    m_wfx.nChannels = static_cast<uint16_t>(channels);
    m_wfx.nSamplesPerSec = static_cast<uint32_t>(samplesPerSec);
    m_wfx.nBlockAlign = static_cast<uint16_t>(channels * (bitsPerSample / 8));
    m_wfx.nAvgBytesPerSec = m_wfx.nSamplesPerSec * m_wfx.nBlockAlign;
    m_wfx.wBitsPerSample = static_cast<uint16_t>(bitsPerSample);
    m_wfx.cbSize = 0;
}

CRecordSound::~CRecordSound()
{
    // The loop must end before the device (whose callback posts here) goes.
    StopAndJoin();
}

std::string CRecordSound::TakeError()
{
    std::lock_guard lock(m_errorMutex);
    return std::exchange(m_strError, {});
}

void CRecordSound::OnMessage(ThreadMessage& message)
{
    switch (message.message) {
    case WM_RECORD_START:
        OnStart();
        break;
    case WM_RECORD_STOP:
        OnStop();
        break;
    case MM_WIM_DATA:
        OnData(message);
        break;
    case WM_RECORD_QUIT:
        if (m_bRecording)
            OnStop();
        PostQuitMessage();
        break;
    case WM_RECORD_SETWRITER:
        m_pWriter = reinterpret_cast<CWriteSoundFile*>(message.lParam);
        break;
    default:
        break;
    }
}

void CRecordSound::OnStart()
{
    if (m_bRecording || !m_hWaveIn)
        return;
    m_nBytesRecorded = 0;
    MMResult result = m_hWaveIn->Open(m_wfx, &Queue());
    if (result != MMSYSERR_NOERROR) {
        ReportError(result);
        return;
    }
    for (int32_t i = 0; i < m_nBufferCount; ++i)
        QueueNewBuffer();
    result = m_hWaveIn->Start();
    if (result != MMSYSERR_NOERROR) {
        ReportError(result);  // the device stays open with its buffers
        return;
    }
    m_bRecording = true;
    if (m_pWriter)
        m_pWriter->PostThreadMessage(WM_WRITE_START);
}

void CRecordSound::OnStop()
{
    if (!m_bRecording)
        return;
    bool ok = m_hWaveIn->Stop() == MMSYSERR_NOERROR;
    // The stop hands back every buffer filled before it, then the partly
    // filled one. The full ones, waiting behind this message, reach the
    // writer before WM_WRITE_STOP: the recording keeps everything captured
    // up to the stop.
    HandleWaiting([](const ThreadMessage& m) {
        return m.message == MM_WIM_DATA && m.block &&
               m.block->header.dwBytesRecorded == m.block->header.dwBufferLength;
    });
    // The reset hands every queued buffer back as MM_WIM_DATA, handled after
    // this message; WM_WRITE_STOP below reaches the writer before their
    // blocks, so those partial blocks are discarded.
    ok = ok && m_hWaveIn->Reset() == MMSYSERR_NOERROR;
    if (ok)
        m_bRecording = false;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (ok)
        m_hWaveIn->Close();
    if (m_pWriter)
        m_pWriter->PostThreadMessage(WM_WRITE_STOP);
}

void CRecordSound::OnData(ThreadMessage& message)
{
    if (!message.block)
        return;
    WaveBlock& block = *message.block;
    m_hWaveIn->Unprepare(block);
    if (m_pWriter) {
        std::unique_ptr<WaveBlock> copy;
        try {
            copy = block.Copy();
        } catch (const std::bad_alloc&) {
            return;  // this block is lost and its buffer not queued again
        }
        m_nBytesRecorded += copy->header.dwBytesRecorded;
        ThreadMessage out;
        out.message = WM_WRITE_BLOCK;
        out.wParam = ThreadId();
        out.lParam = reinterpret_cast<intptr_t>(&copy->header);
        out.block = std::move(copy);
        m_pWriter->PostThreadMessage(std::move(out));
    }
    message.block.reset();
    if (m_bRecording)
        QueueNewBuffer();
}

void CRecordSound::QueueNewBuffer()
{
    std::unique_ptr<WaveBlock> block;
    try {
        block = WaveBlock::Make(static_cast<std::size_t>(m_wfx.nBlockAlign) * kFramesPerBuffer);
    } catch (const std::bad_alloc&) {
        return;
    }
    m_hWaveIn->Prepare(*block);
    m_hWaveIn->AddBuffer(std::move(block));
    ++m_nBuffersQueued;
}

void CRecordSound::ReportError(MMResult result)
{
    const std::string text = m_hWaveIn->ErrorText(result);
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "WAVEIN:%x:", static_cast<unsigned>(result));
    std::lock_guard lock(m_errorMutex);
    m_strError = prefix + text;
}
