// Ogg Vorbis loading through libvorbisfile, reading from a CFileInStream.

#include "codecs/CFileInStream.h"
#include "codecs/CSoundFile.h"
#include "codecs/DocumentAppender.h"
#include "codecs/ProgressPercent.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t kPcmBufferSize = 16384;

size_t ReadCallback(void* buffer, size_t size, size_t count, void* source)
{
    auto* stream = static_cast<CFileInStream*>(source);
    const size_t wanted = std::min<size_t>(size * count, 0x7fffffff);
    uint32_t got = 0;
    if (wanted == 0 || stream->Read(buffer, static_cast<uint32_t>(wanted), &got) != InStreamOk)
        return 0;
    return got / size;
}

// vorbisfile's own handle, cleared on every path out.
class CVorbisFile {
public:
    ~CVorbisFile()
    {
        if (m_bOpen)
            ov_clear(&m_file);
    }
    bool Open(CFileInStream& stream)
    {
        // Without a seek function vorbisfile reads the file front to back.
        // In its seekable mode (libvorbisfile 1.3.7) a file of two chained
        // streams was decoded from the second stream on.
        const ov_callbacks callbacks{ReadCallback, nullptr, nullptr, nullptr};
        m_bOpen = ov_open_callbacks(&stream, &m_file, nullptr, 0, callbacks) == 0;
        return m_bOpen;
    }
    OggVorbis_File* Get() { return &m_file; }

private:
    OggVorbis_File m_file{};
    bool m_bOpen = false;
};

}  // namespace

int32_t CSoundFile::ReadOgg()
{
    m_wWavFormat = 1;
    CFileInStream stream;
    if (stream.Open(m_strFileName) != InStreamOk)
        return 0;
    CVorbisFile vorbis;
    if (!vorbis.Open(stream))
        return 0;
    OggVorbis_File* file = vorbis.Get();

    const vorbis_info* info = ov_info(file, -1);
    if (!info || info->channels < 1 || info->rate < 1)
        return 0;
    const int channels = info->channels;
    const long rate = info->rate;
    m_pWave->m_nChannels = channels;
    m_pWave->m_nSamplesPerSec = static_cast<int32_t>(rate);
    m_pWave->m_nBitsPerSample = 16;
    long bitRate = info->bitrate_nominal > 0 ? info->bitrate_nominal : ov_bitrate(file, -1);
    m_nBitRate = static_cast<int32_t>(std::max(0L, bitRate));

    // Progress is the share of the file that the decoder has taken in.
    const int64_t fileSize = stream.GetSize();
    std::vector<char> pcm(kPcmBufferSize);
    bool ok = true;
    CDocumentAppender appender(*m_pWave);
    ReportProgress(0);
    for (;;) {
        int section = 0;
        long got = ov_read(file, pcm.data(), static_cast<int>(pcm.size()), 0, 2, 1, &section);
        if (got == OV_HOLE)
            continue;  // a gap in the data, or the boundary of a chained stream
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        const vorbis_info* current = ov_info(file, section);
        if (current && (current->channels != channels || current->rate != rate))
            break;  // a chained stream of another format ends the load
        if (!appender.Append(pcm.data(), static_cast<std::size_t>(got))) {
            ok = false;
            break;
        }
        ReportProgress(ClampedPercent(stream.Tell(), fileSize));
    }
    if (!appender.Flush())
        ok = false;
    ReportProgress(100);
    // The audio decoded before a failure stays, and the length counts it.
    m_pWave->UpdateLength();
    m_pWave->ClampView();
    if (!ok)
        return 0;
    ReportProgress(0);
    return 1;
}
