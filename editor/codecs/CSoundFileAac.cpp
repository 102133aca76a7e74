// AAC in MP4: .m4a through FFmpeg's mp4 muxer, .m4r (the iPhone ringtone)
// through its ipod muxer, which FFmpeg does not pick from that extension.
// Loading takes any AAC or ALAC track of such a file.

#include "codecs/CFfmpegAudioDecoder.h"
#include "codecs/CFfmpegAudioWriter.h"
#include "codecs/CSoundFile.h"
#include "codecs/Pcm16Reader.h"
#include "codecs/ProgressPercent.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <limits>
#include <vector>

namespace {

constexpr int32_t kDefaultAacBitRate = 128000;
// One work buffer of 16-bit samples, as the other writers stream.
constexpr std::size_t kSamplesPerRead = CRMWave::kBlockSize / 2;

}  // namespace

int32_t CSoundFile::ReadM4a()
{
    CFfmpegAudioDecoder decoder;
    if (!decoder.Open(m_strFileName, {AV_CODEC_ID_AAC, AV_CODEC_ID_ALAC})) {
        m_pWave->UpdateLength();
        m_pWave->ClampView();
        return 0;
    }
    m_wWavFormat = 1;
    m_pWave->m_nChannels = decoder.Channels();
    m_pWave->m_nSamplesPerSec = decoder.SampleRate();
    m_pWave->m_nBitsPerSample = 16;
    const int64_t bitRate = decoder.BitRate();
    m_nBitRate = bitRate > 0 && bitRate <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(bitRate) : 0;

    bool ok = true;
    std::vector<int16_t> pcm;
    ReportProgress(0);
    while (decoder.Next(pcm)) {
        // A working file that refuses bytes ends the load with what it holds.
        if (!pcm.empty() && !m_pWave->WriteData(pcm.data(), pcm.size() * sizeof(int16_t))) {
            ok = false;
            break;
        }
        const double duration = decoder.Duration();
        ReportProgress(duration > 0 ? ClampedPercent(static_cast<int64_t>(decoder.Position() * 1000),
                                                     static_cast<int64_t>(duration * 1000))
                                    : 0.0f);
    }
    m_pWave->UpdateLength();
    m_pWave->ClampView();
    ReportProgress(0);
    return ok && !decoder.Failed() ? 1 : 0;
}

int32_t CSoundFile::WriteM4a()
{
    return WriteAac("m4a", "mp4");
}

int32_t CSoundFile::WriteM4r()
{
    return WriteAac("m4r", "ipod");
}

int32_t CSoundFile::WriteAac(const char* extension, const char* muxer)
{
    m_strFileName = ReplaceExtension(extension);
    CRMWave& wave = *m_pWave;

    CFfmpegAudioWriter::Settings settings;
    settings.codec = AV_CODEC_ID_AAC;
    settings.muxer = muxer;
    settings.sampleRate = wave.m_nSamplesPerSec;
    settings.channels = wave.m_nChannels;
    settings.bitRate = m_nBitRate != 0 ? m_nBitRate : kDefaultAacBitRate;
    settings.globalHeader = true;
    // No rate is converted: a rate AAC does not have fails here.
    CFfmpegAudioWriter writer;
    ReportProgress(0);
    if (wave.m_nChannels < 1 || Failed(writer.Open(m_strFileName, settings))) {
        ReportProgress(0);
        return 0;
    }

    const auto channels = static_cast<std::size_t>(wave.m_nChannels);
    const std::size_t samplesPerRead = kSamplesPerRead - kSamplesPerRead % channels;
    std::vector<int16_t> samples(samplesPerRead);
    CPcm16Reader reader(wave);
    const int64_t documentBytes = wave.FramesToBytes(wave.m_nLength);
    int64_t done = 0;
    bool ok = true;
    wave.SeekToStart();
    while (ok) {
        std::size_t bytes = 0;
        const std::size_t got = reader.Read(samples.data(), samplesPerRead, &bytes);
        if (bytes == 0)
            break;
        ok = Succeeded(writer.Write(samples.data(), static_cast<int>(got / channels)));
        done += static_cast<int64_t>(bytes);
        ReportProgress(ClampedPercent(done, documentBytes));
    }
    ReportProgress(100);
    // A failed save leaves no file behind and an existing one untouched.
    ok = ok && Succeeded(writer.Finish());
    ReportProgress(0);
    return ok ? 1 : 0;
}
