// Raw PCM: headerless frames in the document's own format.

#include "codecs/CFileInStream.h"
#include "codecs/CReplacingFile.h"
#include "codecs/CSoundFile.h"
#include "codecs/ProgressPercent.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <vector>

int32_t CSoundFile::ReadRaw()
{
    m_wWavFormat = 1;
    CFileInStream stream;
    if (stream.Open(m_strFileName) != InStreamOk)
        return 0;
    // The bytes are taken as frames of the format the document already has.
    m_nBitRate = 0;

    const int64_t fileLength = stream.GetSize();
    std::vector<uint8_t> block(CRMWave::kBlockSize);
    int64_t total = 0;
    bool ok = true;
    ReportProgress(0);
    for (;;) {
        uint32_t got = 0;
        if (stream.Read(block.data(), static_cast<uint32_t>(block.size()), &got) != InStreamOk) {
            ok = false;
            break;
        }
        if (got > 0 && !m_pWave->WriteData(block.data(), got)) {
            ok = false;
            break;
        }
        total += got;
        ReportProgress(ClampedPercent(total, fileLength));
        if (got == 0)
            break;
    }
    stream.Close();
    m_pWave->UpdateLength();
    m_pWave->ClampView();
    ReportProgress(0);
    return ok ? 1 : 0;
}

int32_t CSoundFile::WriteRaw()
{
    m_strFileName = ReplaceExtension("raw");
    CReplacingFile file;
    if (!file.Create(m_strFileName))
        return 0;

    const int64_t documentSize = m_pWave->FramesToBytes(m_pWave->m_nLength);
    std::vector<uint8_t> block(CRMWave::kBlockSize);
    int64_t total = 0;
    bool ok = true;
    ReportProgress(0);
    m_pWave->SeekToStart();
    for (;;) {
        std::size_t got = m_pWave->ReadData(block.data(), block.size());
        if (got > 0 && !file.Write(block.data(), got)) {
            ok = false;
            break;
        }
        total += static_cast<int64_t>(got);
        ReportProgress(ClampedPercent(total, documentSize));
        if (got == 0)
            break;
    }
    ok = ok && file.Commit();
    ReportProgress(0);
    return ok ? 1 : 0;
}
