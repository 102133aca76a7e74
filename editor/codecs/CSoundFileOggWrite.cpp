// Ogg Vorbis saving through libvorbisenc and libogg, at a managed bit rate.

#include "codecs/CReplacingFile.h"
#include "codecs/CSoundFile.h"
#include "codecs/Pcm16Reader.h"
#include "codecs/ProgressPercent.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <vorbis/vorbisenc.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr int32_t kDefaultBitRate = 128000;
constexpr std::size_t kReadBytes = 4096;

// The encoder's state, each part cleared in reverse order of its set-up.
class CVorbisEncoder {
public:
    CVorbisEncoder() { vorbis_info_init(&m_info); }
    ~CVorbisEncoder()
    {
        if (m_bStream)
            ogg_stream_clear(&m_stream);
        if (m_bBlock)
            vorbis_block_clear(&m_block);
        if (m_bDsp)
            vorbis_dsp_clear(&m_dsp);
        if (m_bComment)
            vorbis_comment_clear(&m_comment);
        vorbis_info_clear(&m_info);
    }
    CVorbisEncoder(const CVorbisEncoder&) = delete;
    CVorbisEncoder& operator=(const CVorbisEncoder&) = delete;

    bool Init(int channels, long rate, long bitRate, bool loop)
    {
        if (vorbis_encode_init(&m_info, channels, rate, bitRate, bitRate, bitRate) != 0)
            return false;
        vorbis_comment_init(&m_comment);
        m_bComment = true;
        vorbis_comment_add_tag(&m_comment, "", "");
        // Android loops a ringtone that carries this comment without a gap.
        if (loop)
            vorbis_comment_add_tag(&m_comment, "ANDROID_LOOP", "true");
        if (vorbis_analysis_init(&m_dsp, &m_info) != 0)
            return false;
        m_bDsp = true;
        if (vorbis_block_init(&m_dsp, &m_block) != 0)
            return false;
        m_bBlock = true;
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        if (ogg_stream_init(&m_stream, std::rand() % 32768) != 0)
            return false;
        m_bStream = true;
        return true;
    }

    // Identification, comment and codebook headers, flushed to whole pages.
    bool WriteHeaders(CReplacingFile& file)
    {
        ogg_packet identification;
        ogg_packet comment;
        ogg_packet codebooks;
        if (vorbis_analysis_headerout(&m_dsp, &m_comment, &identification, &comment, &codebooks) != 0)
            return false;
        ogg_stream_packetin(&m_stream, &identification);
        ogg_stream_packetin(&m_stream, &comment);
        ogg_stream_packetin(&m_stream, &codebooks);
        ogg_page page;
        while (ogg_stream_flush(&m_stream, &page) != 0) {
            if (!WritePage(file, page))
                return false;
        }
        return true;
    }

    // Hands `frames` frames of interleaved samples to the analysis; 0 frames
    // marks the end of the stream.
    void Submit(const int16_t* samples, int frames, int channels)
    {
        if (frames == 0) {
            vorbis_analysis_wrote(&m_dsp, 0);
            return;
        }
        float** buffer = vorbis_analysis_buffer(&m_dsp, frames);
        for (int f = 0; f < frames; ++f)
            for (int c = 0; c < channels; ++c)
                buffer[c][f] = samples[f * channels + c] * (1.0f / 32768.0f);
        vorbis_analysis_wrote(&m_dsp, frames);
    }

    // Encodes what the analysis holds and writes the finished pages.
    bool Drain(CReplacingFile& file)
    {
        while (vorbis_analysis_blockout(&m_dsp, &m_block) == 1) {
            vorbis_analysis(&m_block, nullptr);
            vorbis_bitrate_addblock(&m_block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&m_dsp, &packet) == 1) {
                ogg_stream_packetin(&m_stream, &packet);
                ogg_page page;
                while (!m_bEnd && ogg_stream_pageout(&m_stream, &page) != 0) {
                    if (!WritePage(file, page))
                        return false;
                    if (ogg_page_eos(&page))
                        m_bEnd = true;
                }
            }
        }
        return true;
    }

private:
    static bool WritePage(CReplacingFile& file, const ogg_page& page)
    {
        return file.Write(page.header, static_cast<std::size_t>(page.header_len)) &&
               file.Write(page.body, static_cast<std::size_t>(page.body_len));
    }

    vorbis_info m_info{};
    vorbis_comment m_comment{};
    vorbis_dsp_state m_dsp{};
    vorbis_block m_block{};
    ogg_stream_state m_stream{};
    bool m_bComment = false;
    bool m_bDsp = false;
    bool m_bBlock = false;
    bool m_bStream = false;
    bool m_bEnd = false;
};

}  // namespace

int32_t CSoundFile::WriteOgg()
{
    ReportProgress(0);
    m_strFileName = ReplaceExtension("ogg");
    CReplacingFile file;
    if (!file.Create(m_strFileName))
        return 0;

    const int channels = m_pWave->m_nChannels;
    const int32_t bitRate = m_nBitRate == 0 ? kDefaultBitRate : m_nBitRate;
    CVorbisEncoder encoder;
    if (channels < 1 || !encoder.Init(channels, m_pWave->m_nSamplesPerSec, bitRate, m_bOggLoop != 0) ||
        !encoder.WriteHeaders(file))
        return 0;

    // 4096 document bytes per block: 1024 stereo or 2048 mono 16-bit frames.
    const std::size_t samplesPerRead = m_pWave->m_nBitsPerSample == 8 ? kReadBytes : kReadBytes / 2;
    std::vector<int16_t> samples(samplesPerRead);
    CPcm16Reader reader(*m_pWave);
    const int64_t documentSize = m_pWave->FramesToBytes(m_pWave->m_nLength);
    int64_t done = 0;
    bool ok = true;
    m_pWave->SeekToStart();
    for (;;) {
        std::size_t bytes = 0;
        const std::size_t got = reader.Read(samples.data(), samplesPerRead, &bytes);
        const int frames = static_cast<int>(got / static_cast<std::size_t>(channels));
        // A trailing partial frame is dropped; only a read of nothing ends the stream.
        if (frames > 0 || bytes == 0)
            encoder.Submit(samples.data(), frames, channels);
        if (!encoder.Drain(file)) {
            ok = false;
            break;
        }
        done += static_cast<int64_t>(bytes);
        ReportProgress(ClampedPercent(done, documentSize));
        if (bytes == 0)
            break;
    }
    ReportProgress(100);
    ok = ok && file.Commit();
    ReportProgress(0);
    return ok ? 1 : 0;
}
