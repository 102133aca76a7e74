// MP3 loading through libmpg123, fed from a CFileInStream.
//
// Decoding starts at the first byte of the file: mpg123 skips an ID3v2 tag
// and the encoder's info frame itself, and trims the encoder delay when the
// info frame gives it. Bit rate, channels and rate come from the stream.

#include "codecs/CFileInStream.h"
#include "codecs/CSoundFile.h"
#include "codecs/DocumentAppender.h"
#include "codecs/ProgressPercent.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <mpg123.h>

#include <array>
#include <memory>

namespace {

constexpr uint32_t kInputSize = 2048;
constexpr std::size_t kOutputSize = 4608;  // one 1152-frame stereo 16-bit block

struct Mpg123Deleter {
    void operator()(mpg123_handle* handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
using Mpg123Handle = std::unique_ptr<mpg123_handle, Mpg123Deleter>;

// A feed decoder that delivers signed 16-bit interleaved PCM only.
Mpg123Handle OpenDecoder()
{
    int error = MPG123_OK;
    Mpg123Handle handle(mpg123_new(nullptr, &error));
    if (!handle)
        return nullptr;
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
    mpg123_format_none(handle.get());
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(handle.get()) != MPG123_OK)
        return nullptr;
    return handle;
}

// Bytes taken by an ID3v2 tag at the start of the file, or 0.
int64_t Id3v2Size(const uint8_t* head, std::size_t count)
{
    if (count < 10 || head[0] != 'I' || head[1] != 'D' || head[2] != '3')
        return 0;
    if ((head[6] | head[7] | head[8] | head[9]) & 0x80)
        return 0;
    const int64_t size = (head[6] << 21) | (head[7] << 14) | (head[8] << 7) | head[9];
    return 10 + size + ((head[5] & 0x10) ? 10 : 0);
}

// How far past a leading tag we look for the first frame. mpg123 gives up
// after as much junk when it reads a file itself, but a feed restarts its
// count with every call, and PCM data can then pass for MP3 frames.
constexpr int64_t kJunkLimit = 65536;

enum class DrainResult { NeedMore, Finished, DecodeFailed, WriteFailed };

}  // namespace

int32_t CSoundFile::ReadMp3()
{
    m_wWavFormat = 1;
    CFileInStream stream;
    if (stream.Open(m_strFileName) != InStreamOk)
        return 0;
    const int64_t fileSize = stream.GetSize();

    Mpg123Handle decoder = OpenDecoder();
    if (!decoder)
        return 0;

    bool haveFormat = false;
    long formatRate = 0;
    int formatChannels = 0;
    std::array<uint8_t, kOutputSize> output{};
    CDocumentAppender appender(*m_pWave);

    // Takes decoded blocks until mpg123 wants more input.
    auto drain = [&]() -> DrainResult {
        for (;;) {
            std::size_t produced = 0;
            int result = mpg123_read(decoder.get(), output.data(), output.size(), &produced);
            if (result == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0;
                int encoding = 0;
                mpg123_getformat(decoder.get(), &rate, &channels, &encoding);
                if (haveFormat && (rate != formatRate || channels != formatChannels))
                    return DrainResult::Finished;  // a second stream of another format ends the load
                if (!haveFormat) {
                    haveFormat = true;
                    formatRate = rate;
                    formatChannels = channels;
                    mpg123_frameinfo2 info{};
                    mpg123_info2(decoder.get(), &info);
                    const int kbps = info.vbr == MPG123_ABR ? info.abr_rate : info.bitrate;
                    m_nBitRate = kbps * 1000;
                    m_pWave->m_nChannels = channels;
                    m_pWave->m_nSamplesPerSec = static_cast<int32_t>(rate);
                    m_pWave->m_nBitsPerSample = 16;
                }
                continue;
            }
            if (produced > 0 && !appender.Append(output.data(), produced))
                return DrainResult::WriteFailed;
            if (result == MPG123_NEED_MORE)
                return DrainResult::NeedMore;
            if (result == MPG123_DONE)
                return DrainResult::Finished;
            if (result != MPG123_OK)
                return DrainResult::DecodeFailed;
        }
    };

    std::array<uint8_t, kInputSize> input{};
    double consumed = 0;
    int64_t firstFrameLimit = -1;
    bool ok = true;
    ReportProgress(0);
    for (;;) {
        uint32_t got = 0;
        if (stream.Read(input.data(), kInputSize, &got) != InStreamOk) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        if (firstFrameLimit < 0)
            firstFrameLimit = Id3v2Size(input.data(), got) + kJunkLimit;
        if (mpg123_feed(decoder.get(), input.data(), got) != MPG123_OK) {
            ok = false;
            break;
        }
        consumed += got;
        const DrainResult drained = drain();
        ReportProgress(Percent(static_cast<int64_t>(consumed), fileSize));
        // A decoding error after audio has come keeps that audio, as a cut
        // file does; a failed write to the document fails the load.
        if (drained == DrainResult::WriteFailed)
            ok = false;
        if (drained != DrainResult::NeedMore)
            break;
        if (!haveFormat && consumed > static_cast<double>(firstFrameLimit))
            break;
    }
    if (!appender.Flush())
        ok = false;
    ReportProgress(100);
    stream.Close();
    decoder.reset();
    m_pWave->UpdateLength();
    m_pWave->ClampView();
    ReportProgress(0);
    // A file in which no MP3 frame was found is not an MP3 file.
    return ok && haveFormat ? 1 : 0;
}
