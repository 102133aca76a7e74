// MP3 saving through the LAME stream interface.

#include "codecs/CReplacingFile.h"
#include "codecs/CSoundFile.h"
#include "codecs/LameEncoder.h"
#include "codecs/Pcm16Reader.h"
#include "codecs/ProgressPercent.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <vector>

namespace {

// BitRate 0 means that no rate is known (after a WAV or raw load).
constexpr int32_t kDefaultBitRate = 128000;

// Closes an encoder stream exactly once, on every path out.
class CLameStream {
public:
    explicit CLameStream(CLameEncoder& encoder) : m_encoder(encoder) {}
    ~CLameStream()
    {
        if (m_bOpen)
            m_encoder.beCloseStream(m_handle);
    }
    CLameStream(const CLameStream&) = delete;
    CLameStream& operator=(const CLameStream&) = delete;

    HBE_STREAM* Out() { return &m_handle; }
    void SetOpen() { m_bOpen = true; }
    HBE_STREAM Get() const { return m_handle; }

private:
    CLameEncoder& m_encoder;
    HBE_STREAM m_handle = 0;
    bool m_bOpen = false;
};

}  // namespace

int32_t CSoundFile::WriteMp3()
{
    if (m_strFileName.empty())
        return 0;
    std::unique_ptr<CLameEncoder> encoder = CLameEncoder::Load();
    if (!encoder)
        return 0;
    m_strFileName = ReplaceExtension("mp3");

    CReplacingFile file;
    if (!file.Create(m_strFileName))
        return 0;

    BE_CONFIG config;
    config.dwConfig = BE_CONFIG_MP3;
    config.mp3.dwSampleRate = static_cast<uint32_t>(m_pWave->m_nSamplesPerSec);
    config.mp3.byMode = m_pWave->m_nChannels == 1 ? BE_MP3_MODE_MONO : BE_MP3_MODE_STEREO;
    const int32_t bitRate = m_nBitRate == 0 ? kDefaultBitRate : m_nBitRate;
    config.mp3.wBitrate = static_cast<uint16_t>(bitRate / 1000);
    config.mp3.bPrivate = m_bPrivate;
    config.mp3.bCRC = 0;
    config.mp3.bCopyright = m_bCopyright;
    config.mp3.bOriginal = m_bOriginal;

    CLameStream stream(*encoder);
    uint32_t chunkSamples = 0;
    uint32_t outputSize = 0;
    if (m_pWave->m_nChannels < 1 || m_pWave->m_nChannels > 2 ||
        encoder->beInitStream(&config, &chunkSamples, &outputSize, stream.Out()) != BE_ERR_SUCCESSFUL)
        return 0;
    stream.SetOpen();
    if (chunkSamples == 0)
        return 0;

    std::vector<uint8_t> output(outputSize);
    std::vector<int16_t> input(chunkSamples);
    CPcm16Reader reader(*m_pWave);
    const std::size_t chunkBytes = m_pWave->m_nBitsPerSample == 8 ? chunkSamples : 2 * chunkSamples;
    const int64_t total = m_pWave->GetDataLength();
    const auto channels = static_cast<std::size_t>(m_pWave->m_nChannels);
    int64_t done = 0;
    bool ok = true;
    ReportProgress(0);
    m_pWave->SeekToStart();
    while (ok && done < total) {
        const int64_t left = total - done;
        std::size_t want = chunkSamples;
        if (static_cast<int64_t>(chunkBytes) > left)
            want = static_cast<std::size_t>(m_pWave->m_nBitsPerSample == 8 ? left : left / 2);
        std::size_t bytes = 0;
        std::size_t samples = reader.Read(input.data(), want, &bytes);
        if (bytes == 0)
            break;  // the working file ended early
        samples -= samples % channels;  // a trailing partial frame is not encoded
        uint32_t produced = 0;
        ok = encoder->beEncodeChunk(stream.Get(), static_cast<uint32_t>(samples), input.data(),
                                    output.data(), &produced) == BE_ERR_SUCCESSFUL &&
             file.Write(output.data(), produced);
        done += static_cast<int64_t>(bytes);
        ReportProgress(Percent(done, total));
    }
    if (ok) {
        uint32_t produced = 0;
        ok = encoder->beDeinitStream(stream.Get(), output.data(), &produced) == BE_ERR_SUCCESSFUL &&
             file.Write(output.data(), produced);
    }
    ok = ok && file.Commit();
    ReportProgress(0);
    return ok ? 1 : 0;
}
