#include "CWriteSoundFile.h"

#include "RecordMessages.h"
#include "wave/CRMWave.h"

CWriteSoundFile::CWriteSoundFile() : CMessageThread("CWriteSoundFile") {}

CWriteSoundFile::~CWriteSoundFile()
{
    StopAndJoin();
}

void CWriteSoundFile::OnMessage(ThreadMessage& message)
{
    switch (message.message) {
    case WM_WRITE_START:
        m_bWriting = true;
        break;
    case WM_WRITE_BLOCK:
        if (m_bWriting && message.block)
            WriteBlock(*message.block);
        break;  // the copy is freed with the message in every case
    case WM_WRITE_STOP:
        m_bWriting = false;
        break;
    case WM_WRITE_QUIT:
        m_bWriting = false;
        PostQuitMessage();
        break;
    default:
        break;
    }
}

void CWriteSoundFile::WriteBlock(const WaveBlock& block)
{
    CRMWave* wave = m_pWave;
    if (!wave)
        return;
    // Append after the document's data, wherever earlier work left the
    // position. Only the bytes the device filled are audio.
    wave->SeekToEnd();
    wave->WriteData(block.header.lpData, block.header.dwBytesRecorded);
}
