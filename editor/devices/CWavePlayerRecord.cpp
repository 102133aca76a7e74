// CWavePlayer's recording half: starts the capture and writer threads,
// reports progress and position on the host's thread, and ends the
// recording when the host calls Stop, the time limit is reached or the
// input device goes away.

#include "CRecordSound.h"
#include "CWavePlayer.h"
#include "CWriteSoundFile.h"
#include "RecordMessages.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <chrono>
#include <thread>

namespace {
// The host's loop runs a message step per turn; a short sleep keeps it from
// spinning a processor while it waits for the recorder.
constexpr std::chrono::milliseconds kRecordPoll{2};
constexpr int kThreadWaitMs = 1000;
const char* const kMessageCaption = "Sonarch2";
}  // namespace

int CWavePlayer::Record(float maxSeconds)
{
    // A second capture on the same document and player would interleave
    // both recordings' blocks; a document without a working file would lose
    // everything recorded.
    if (m_nStatus != PlayerIdle || !m_pWave || !m_pWave->IsOpen())
        return 0;
    CRMWave& wave = *m_pWave;

    m_nStatus = PlayerRecording;
    m_nPlayPos = 0;
    m_nRecordPos = 0;
    g_pControl->FireChangePlayer();

    // The writer is declared first so that it outlives the recorder, which
    // posts to it.
    auto writer = std::make_unique<CWriteSoundFile>();
    auto recorder = std::make_unique<CRecordSound>(wave.m_nChannels, wave.m_nSamplesPerSec,
                                                   wave.m_nBitsPerSample, m_pDevices->CreateWaveIn());
    recorder->SetTrace(m_threadTrace);
    writer->SetTrace(m_threadTrace);
    recorder->Start();
    writer->Start();

    recorder->PostThreadMessage(WM_RECORD_SETWRITER, 0, reinterpret_cast<intptr_t>(writer.get()));
    writer->m_pWave = &wave;

    const int64_t limit = wave.SecondsToBytes(maxSeconds);
    const int64_t cycle = wave.SecondsToBytes(10.0f);

    g_pControl->FireProgress(0.0f);
    g_pControl->FireChangePlayer();
    PumpMessages();

    recorder->m_nBytesRecorded = 0;
    recorder->PostThreadMessage(WM_RECORD_START);

    while (m_nStatus == PlayerRecording) {
        const std::string error = recorder->TakeError();
        if (!error.empty())
            g_pControl->ShowMessage(error, kMessageCaption);
        const int64_t b = recorder->m_nBytesRecorded;
        if (limit != 0 && b >= limit)
            break;
        // Nothing more can come: keep what was captured, as Stop would.
        if (recorder->IsDeviceLost())
            break;
        double percent = 0.0;
        if (limit != 0)
            percent = b * 100.0 / static_cast<double>(limit);
        else if (cycle > 0)
            percent = static_cast<double>(b % cycle) * 100.0 / static_cast<double>(cycle);
        g_pControl->FireProgress(static_cast<float>(percent));
        m_nRecordPos = wave.BytesToFrames(b);
        g_pControl->FireChangePlayer();
        PumpMessages();
        std::this_thread::sleep_for(kRecordPoll);
    }

    // The recorder does not end on WM_RECORD_STOP: this wait gives its stop
    // handler (device stop, reset, a half-second settle, close) its time.
    recorder->PostThreadMessage(WM_RECORD_STOP);
    recorder->Wait(kThreadWaitMs);

    g_pControl->FireProgress(100.0f);
    g_pControl->FireChangePlayer();
    PumpMessages();

    recorder->PostThreadMessage(WM_RECORD_QUIT);
    recorder->Wait(kThreadWaitMs);
    writer->PostThreadMessage(WM_WRITE_QUIT);
    writer->Wait(kThreadWaitMs);
    // Both have been told to quit; their objects join them, so no recording
    // thread touches the document after this point.
    recorder.reset();
    writer.reset();

    wave.UpdateLength();
    wave.ClampView();
    View().ResetView();

    m_nPlayPos = 0;
    m_nRecordPos = 0;
    m_nStatus = PlayerIdle;
    g_pControl->FireProgress(0.0f);
    g_pControl->FireChangePlayer();
    return 1;
}
