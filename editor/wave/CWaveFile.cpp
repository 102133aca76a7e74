#include "CWaveFile.h"

#include "CRMWave.h"

#include "RiffScan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {

void PutId(uint8_t* p, const char* id)
{
    std::memcpy(p, id, 4);
}

// Takes the 18-byte record and its extra bytes from a "fmt " chunk. The extra
// size is limited to the bytes the chunk really holds; PCM has none.
void ParseFormat(const std::vector<uint8_t>& chunk, WaveFormat* pFormat, std::vector<uint8_t>* pExtra)
{
    *pFormat = WaveFormat::FromBytes(chunk.data());
    pExtra->clear();
    if (pFormat->wFormatTag == WaveFormat::kTagPcm) {
        pFormat->cbSize = 0;
        return;
    }
    const std::size_t available = chunk.size() - WaveFormat::kRecordSize;
    const std::size_t extra = std::min<std::size_t>(pFormat->cbSize, available);
    pExtra->assign(chunk.begin() + WaveFormat::kRecordSize,
                   chunk.begin() + static_cast<std::ptrdiff_t>(WaveFormat::kRecordSize + extra));
    pFormat->cbSize = static_cast<uint16_t>(extra);
}

}  // namespace

int CWaveFile::OpenRead(const std::filesystem::path& fileName)
{
    Close();
    if (!m_file.Open(fileName, CWorkFile::Mode::ReadOnly))
        return 1;

    const uint64_t fileSize = static_cast<uint64_t>(m_file.GetLength());
    RiffWaveScan scan;
    const RiffReadAt readAt = [this](uint64_t offset, void* buffer, std::size_t count) {
        return m_file.ReadAt(static_cast<int64_t>(offset), buffer, count);
    };
    const bool riff = ScanRiffWave(readAt, fileSize, &scan);
    // A data chunk that claims more than the file holds is cut to what is there.
    const uint64_t dataSize =
        scan.bData ? std::min(scan.nDataSize, fileSize - scan.nDataOffset) : 0;
    if (!riff || scan.bFailed || !scan.bFormat || dataSize == 0 ||
        scan.nDataOffset > std::numeric_limits<uint32_t>::max() ||
        !m_file.Seek(static_cast<int64_t>(scan.nDataOffset))) {
        m_file.Close();
        return 1;
    }

    ParseFormat(scan.fmtChunk, &m_format, &m_formatExtra);
    m_nDataSize = static_cast<uint32_t>(dataSize);
    m_nDataOffset = static_cast<uint32_t>(scan.nDataOffset);
    m_nSamples = scan.nFactSamples;
    m_bWriting = false;
    m_bOpen = true;
    return 0;
}

int CWaveFile::CreateWrite(const std::filesystem::path& fileName, const WaveFormat& format,
                           const std::vector<uint8_t>& extra)
{
    Close();
    if (!m_file.Open(fileName, CWorkFile::Mode::CreateReadWrite))
        return 1;

    m_format = format;
    m_formatExtra = extra;
    m_formatExtra.resize(format.cbSize, 0);

    const uint32_t fmtSize = static_cast<uint32_t>(WaveFormat::kRecordSize + m_formatExtra.size());
    std::vector<uint8_t> header(12 + 8);
    PutId(&header[0], "RIFF");
    PutId(&header[8], "WAVE");
    PutId(&header[12], "fmt ");
    WriteLE32(&header[16], fmtSize);
    const auto record = m_format.ToBytes();
    header.insert(header.end(), record.begin(), record.end());
    header.insert(header.end(), m_formatExtra.begin(), m_formatExtra.end());
    if (fmtSize & 1)
        header.push_back(0);
    if (m_format.wFormatTag != WaveFormat::kTagPcm) {
        const uint8_t fact[12] = {'f', 'a', 'c', 't', 4, 0, 0, 0, 0, 0, 0, 0};
        header.insert(header.end(), std::begin(fact), std::end(fact));
    }
    const uint8_t data[8] = {'d', 'a', 't', 'a', 0, 0, 0, 0};
    header.insert(header.end(), std::begin(data), std::end(data));

    if (!m_file.Write(header.data(), header.size())) {
        m_file.Close();
        return 1;
    }
    m_riffSizeOffset = 4;
    m_dataSizeOffset = static_cast<int64_t>(header.size()) - 4;
    m_nDataOffset = static_cast<uint32_t>(header.size());
    m_nDataSize = 0;
    m_nBytesWritten = 0;
    m_nSamples = 0;
    m_bWriteFailed = false;
    m_bWriting = true;
    m_bOpen = true;
    return 0;
}

const WaveFormat* CWaveFile::GetFormat() const
{
    return m_bOpen ? &m_format : nullptr;
}

uint32_t CWaveFile::GetDataSize() const
{
    if (!m_bOpen)
        return 0;
    return m_bWriting ? m_nBytesWritten : m_nDataSize;
}

int64_t CWaveFile::CopyTo(CRMWave& wave, uint32_t count)
{
    if (!m_bOpen || m_bWriting)
        return -1;
    return wave.WriteDataFrom(m_file, count);
}

int64_t CWaveFile::Read(void* buffer, uint32_t count, uint32_t* pRead)
{
    if (!m_bOpen || m_bWriting) {
        if (pRead)
            *pRead = 0;
        return -1;
    }
    const auto n = static_cast<uint32_t>(m_file.Read(buffer, count));
    if (pRead)
        *pRead = n;
    return n;
}

int64_t CWaveFile::Write(const void* buffer, uint32_t count, uint32_t* pWritten, int32_t samples)
{
    if (pWritten)
        *pWritten = 0;
    if (!m_bOpen || !m_bWriting)
        return -1;
    // The sizes of a RIFF file are 32-bit: refuse what would overflow them.
    const uint64_t limit = std::numeric_limits<uint32_t>::max() - m_nDataOffset - 1;
    if (static_cast<uint64_t>(m_nBytesWritten) + count > limit || !m_file.Write(buffer, count)) {
        m_bWriteFailed = true;
        return -1;
    }
    m_nBytesWritten += count;
    if (samples != -1)
        m_nSamples += static_cast<uint32_t>(samples);
    if (pWritten)
        *pWritten = count;
    return count;
}

int CWaveFile::Close()
{
    int result = 0;
    if (m_bOpen && m_bWriting) {
        bool ok = !m_bWriteFailed;
        if (m_nBytesWritten & 1) {
            const uint8_t pad = 0;
            ok = m_file.Write(&pad, 1) && ok;
        }
        uint8_t size[4];
        WriteLE32(size, m_nBytesWritten);
        ok = m_file.Seek(m_dataSizeOffset) && m_file.Write(size, 4) && ok;
        WriteLE32(size, static_cast<uint32_t>(m_file.GetLength() - 8));
        ok = m_file.Seek(m_riffSizeOffset) && m_file.Write(size, 4) && ok;
        result = ok ? 0 : 1;
    }
    m_file.Close();
    m_bOpen = false;
    m_bWriting = false;
    m_bWriteFailed = false;
    m_format = WaveFormat{};
    m_formatExtra.clear();
    m_nDataSize = 0;
    m_nBytesWritten = 0;
    m_nSamples = 0;
    m_nDataOffset = 0;
    return result;
}

bool FindWaveImageData(const uint8_t* image, std::size_t size, std::size_t* pOffset,
                       std::size_t* pLength, WaveFormat* pFormat)
{
    if (!image)
        return false;
    const RiffReadAt readAt = [image, size](uint64_t offset, void* buffer, std::size_t count) {
        if (offset >= size)
            return std::size_t{0};
        const std::size_t n = std::min<std::size_t>(count, size - offset);
        std::memcpy(buffer, image + offset, n);
        return n;
    };
    RiffWaveScan scan;
    if (!ScanRiffWave(readAt, size, &scan) || !scan.bData)
        return false;
    *pOffset = static_cast<std::size_t>(scan.nDataOffset);
    *pLength = static_cast<std::size_t>(std::min<uint64_t>(scan.nDataSize, size - scan.nDataOffset));
    if (pFormat) {
        if (scan.bFormat && !scan.bFailed) {
            std::vector<uint8_t> extra;
            ParseFormat(scan.fmtChunk, pFormat, &extra);
        } else {
            *pFormat = WaveFormat{};
        }
    }
    return true;
}
