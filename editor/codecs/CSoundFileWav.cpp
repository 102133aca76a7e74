// WAV: reading through CWaveFile, writing a 46-byte RIFF header of our own
// (the "fmt " record carries the WAVFormat tag, and no "fact" chunk follows).

#include "codecs/CReplacingFile.h"
#include "codecs/CSoundFile.h"
#include "codecs/ProgressPercent.h"
#include "codecs/WavSampleDecoder.h"
#include "wave/CRMWave.h"
#include "wave/CWaveFile.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr std::size_t kHeaderSize = 46;

// Copies the data chunk into the document, converting to 16-bit where the
// encoding needs it. Reading stops at the end of the chunk, so chunks that
// follow it never become samples. False on a failed read or write.
bool CopyDataChunk(CWaveFile& wav, WavEncoding encoding, uint32_t channels, CRMWave& wave)
{
    const uint32_t dataSize = wav.GetDataSize();
    const std::size_t sampleBytes = SourceSampleBytes(encoding);
    const bool passThrough = encoding == WavEncoding::Pcm8 || encoding == WavEncoding::Pcm16;
    // Whole frames per block, so a conversion never splits a sample.
    const std::size_t frameBytes = sampleBytes * channels;
    const std::size_t blockBytes = std::max(frameBytes, CRMWave::kBlockSize - CRMWave::kBlockSize % frameBytes);

    std::vector<uint8_t> block(passThrough ? 0 : blockBytes);
    std::vector<int16_t> converted(passThrough ? 0 : blockBytes / sampleBytes);
    uint32_t done = 0;
    std::size_t carry = 0;  // bytes of an incomplete sample kept for the next block
    for (;;) {
        const uint32_t want = static_cast<uint32_t>(
            std::min<uint64_t>(blockBytes - carry, static_cast<uint64_t>(dataSize - done)));
        int64_t got = 0;
        if (want > 0 && passThrough) {
            // Stored as the document stores it: the bytes go from file to
            // file without passing through this process.
            got = wav.CopyTo(wave, want);
        } else if (want > 0) {
            got = wav.Read(block.data() + carry, want);
        }
        if (got < 0)
            return false;
        done += static_cast<uint32_t>(got);
        if (got > 0 && !passThrough) {
            const std::size_t available = carry + static_cast<std::size_t>(got);
            const std::size_t samples = available / sampleBytes;
            ConvertToPcm16(encoding, block.data(), samples, converted.data());
            if (samples > 0 && !wave.WriteData(converted.data(), samples * sizeof(int16_t)))
                return false;
            carry = available - samples * sampleBytes;
            std::memmove(block.data(), block.data() + samples * sampleBytes, carry);
        }
        ReportProgress(ClampedPercent(done, dataSize));
        if (got == 0)
            return true;
    }
}

std::array<uint8_t, kHeaderSize> MakeHeader(const WaveFormat& format, uint32_t dataSize)
{
    std::array<uint8_t, kHeaderSize> header{};
    const uint32_t padded = dataSize + (dataSize & 1u);
    std::memcpy(header.data(), "RIFF", 4);
    WriteLE32(header.data() + 4, static_cast<uint32_t>(kHeaderSize - 8 + padded));
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    WriteLE32(header.data() + 16, WaveFormat::kRecordSize);
    const auto record = format.ToBytes();
    std::memcpy(header.data() + 20, record.data(), record.size());
    std::memcpy(header.data() + 38, "data", 4);
    WriteLE32(header.data() + 42, dataSize);
    return header;
}

}  // namespace

int32_t CSoundFile::ReadWav()
{
    CWaveFile wav;
    if (wav.OpenRead(m_strFileName) != 0)
        return 0;
    const WaveFormat format = *wav.GetFormat();
    const WavEncoding encoding = ClassifyWavFormat(format, wav.GetFormatExtra());
    // The document holds 8- and 16-bit PCM only. Anything that cannot be
    // turned into that is refused before a byte is appended.
    if (encoding == WavEncoding::Unsupported)
        return 0;

    const bool keepsTag = format.wFormatTag == WaveFormat::kTagPcm &&
                          (encoding == WavEncoding::Pcm8 || encoding == WavEncoding::Pcm16);
    m_wWavFormat = keepsTag ? format.wFormatTag : WaveFormat::kTagPcm;
    m_pWave->m_nChannels = format.nChannels;
    m_pWave->m_nSamplesPerSec = static_cast<int32_t>(std::min<uint32_t>(
        format.nSamplesPerSec, static_cast<uint32_t>(std::numeric_limits<int32_t>::max())));
    m_pWave->m_nBitsPerSample = DocumentBitsPerSample(encoding);
    m_nBitRate = 0;

    ReportProgress(0);
    const bool ok = CopyDataChunk(wav, encoding, format.nChannels, *m_pWave);
    wav.Close();
    m_pWave->UpdateLength();
    m_pWave->ClampView();
    ReportProgress(0);
    return ok ? 1 : 0;
}

int32_t CSoundFile::WriteWav()
{
    m_strFileName = ReplaceExtension("wav");
    WaveFormat format = m_pWave->GetFormat();
    format.wFormatTag = m_wWavFormat;

    // The RIFF sizes are 32-bit; a document beyond them cannot be a WAV file.
    const int64_t documentSize = m_pWave->FramesToBytes(m_pWave->m_nLength);
    if (documentSize > static_cast<int64_t>(std::numeric_limits<uint32_t>::max() - kHeaderSize))
        return 0;

    CReplacingFile file;
    if (!file.Create(m_strFileName))
        return 0;
    auto header = MakeHeader(format, 0);
    bool ok = file.Write(header.data(), header.size());

    std::vector<uint8_t> block(CRMWave::kBlockSize);
    int64_t written = 0;
    ReportProgress(0);
    m_pWave->SeekToStart();
    while (ok) {
        std::size_t got = m_pWave->ReadData(block.data(), block.size());
        // Whole frames only: a trailing partial frame is not part of the document.
        got = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(got), documentSize - written));
        if (got > 0) {
            ok = file.Write(block.data(), got);
            written += static_cast<int64_t>(got);
        }
        ReportProgress(ClampedPercent(written, documentSize));
        if (got == 0)
            break;
    }
    if (ok) {
        const uint32_t dataSize = static_cast<uint32_t>(written);
        if (dataSize & 1u) {
            const uint8_t pad = 0;
            ok = file.Write(&pad, 1);
        }
        header = MakeHeader(format, dataSize);
        ok = ok && file.WriteAt(0, header.data(), header.size());
    }
    ok = ok && file.Commit();
    ReportProgress(0);
    return ok ? 1 : 0;
}
