#include "CRMWave.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

int32_t ClampToInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

CRMWave::CRMWave()
{
    m_strPath = WorkFilePath("Wave.tmp");
    m_undo.m_strPath = WorkFilePath("Wave.sel");
}

CRMWave::~CRMWave()
{
    if (m_file.IsOpen()) {
        m_file.Close();
        std::error_code ec;
        std::filesystem::remove(m_strPath, ec);
    }
}

bool CRMWave::CreateNew(int32_t channels, int32_t samplesPerSec, int32_t bitsPerSample)
{
    m_file.Close();
    m_nChannels = channels;
    m_nSamplesPerSec = samplesPerSec;
    m_nBitsPerSample = bitsPerSample;
    Deselect();
    m_undo.Reset();
    UpdateLength();
    ClampView();
    m_nSelBegin = m_nSelEnd = m_nCursor = 0;
    return m_file.Open(m_strPath, CWorkFile::Mode::CreateReadWrite);
}

int CRMWave::Reset()
{
    if (m_file.IsOpen()) {
        m_file.Close();
        std::error_code ec;
        std::filesystem::remove(m_strPath, ec);
    }
    m_nBitsPerSample = 16;
    m_nSamplesPerSec = 44100;
    m_nChannels = 2;
    Deselect();
    m_undo.Reset();
    UpdateLength();
    ClampView();
    m_nSelBegin = m_nSelEnd = m_nCursor = 0;
    return 1;
}

bool CRMWave::WriteData(const void* buffer, std::size_t count)
{
    return m_file.Write(buffer, count);
}

bool CRMWave::AppendData(const void* buffer, std::size_t count)
{
    return m_file.Seek(m_file.GetLength()) && m_file.Write(buffer, count);
}

std::size_t CRMWave::ReadData(void* buffer, std::size_t count)
{
    return m_file.Read(buffer, count);
}

void CRMWave::SeekToStart()
{
    m_file.Seek(0);
}

void CRMWave::SeekToEnd()
{
    m_file.Seek(m_file.GetLength());
}

int64_t CRMWave::GetDataLength() const
{
    return m_file.GetLength();
}

void CRMWave::SeekToFrame(int32_t frame)
{
    m_file.Seek(FramesToBytes(frame));
}

void CRMWave::SeekToCursor()
{
    m_file.Seek(FramesToBytes(m_nCursor));
}

uint16_t CRMWave::GetLevel(int32_t channel, int32_t frame)
{
    uint16_t level = 0;
    if (channel >= 0 && channel < m_nChannels)
        ReadLevels(frame, channel, 1, &level);
    return level;
}

void CRMWave::GetLevels(int32_t frame, uint16_t* levels, int32_t count)
{
    const int32_t channels = std::clamp(count, 0, std::max(m_nChannels, 0));
    std::fill(levels + channels, levels + std::max(count, channels), uint16_t{0});
    ReadLevels(frame, 0, channels, levels);
}

void CRMWave::ReadLevels(int32_t frame, int32_t firstChannel, int32_t channels, uint16_t* levels)
{
    std::fill(levels, levels + std::max(channels, 0), uint16_t{0});
    const int32_t bytesPerSample = m_nBitsPerSample / 8;
    if (!m_file.IsOpen() || bytesPerSample <= 0 || channels <= 0 || frame < 0)
        return;
    // Only the first two bytes of a sample count.
    const auto width = static_cast<std::size_t>(std::min(bytesPerSample, 2));
    std::array<uint8_t, 16> bytes{};
    const std::size_t span = static_cast<std::size_t>(channels - 1) * static_cast<std::size_t>(bytesPerSample) + width;
    if (span > bytes.size()) {
        for (int32_t c = 0; c < channels; ++c)
            ReadLevels(frame, firstChannel + c, 1, levels + c);
        return;
    }
    const int64_t offset = (static_cast<int64_t>(frame) * m_nChannels + firstChannel) * bytesPerSample;
    const std::size_t got = m_file.ReadAt(offset, bytes.data(), span);
    for (int32_t c = 0; c < channels; ++c) {
        const std::size_t at = static_cast<std::size_t>(c) * static_cast<std::size_t>(bytesPerSample);
        if (at + width > got)
            break;
        if (bytesPerSample == 1) {
            levels[c] = static_cast<uint16_t>(255 - bytes[at]);
        } else {
            const int16_t value = static_cast<int16_t>(bytes[at] | (bytes[at + 1] << 8));
            levels[c] = static_cast<uint16_t>((value + 32767) & 0xFFFF);
        }
    }
}

int32_t CRMWave::UpdateLength()
{
    const int64_t bytesPerFrame = BlockAlign();
    if (!m_file.IsOpen() || m_nChannels <= 0 || m_nBitsPerSample / 8 <= 0 || bytesPerFrame <= 0)
        m_nLength = 0;
    else
        m_nLength = ClampToInt32(m_file.GetLength() / bytesPerFrame);
    return m_nLength;
}

void CRMWave::ClampView()
{
    const int32_t width = m_nViewEnd - m_nViewBegin;
    if (m_nViewEnd > m_nLength) {
        m_nViewEnd = m_nLength;
        m_nViewBegin = std::max(0, m_nLength - width);
    }
}

int CRMWave::SelectAll()
{
    m_nSelBegin = 0;
    m_nSelEnd = m_nLength;
    m_nCursor = 0;
    return 0;
}

int64_t CRMWave::FramesToBytes(int64_t frames) const
{
    return static_cast<int64_t>(m_nBitsPerSample / 8) * m_nChannels * frames;
}

int32_t CRMWave::BytesToFrames(int64_t bytes) const
{
    const int32_t bytesPerSample = m_nBitsPerSample / 8;
    if (m_nChannels == 0 || bytesPerSample == 0)
        return 0;
    return ClampToInt32(bytes / m_nChannels / bytesPerSample);
}

int32_t CRMWave::SecondsToFrames(float seconds) const
{
    const double frames = static_cast<double>(m_nSamplesPerSec) * static_cast<double>(seconds);
    if (std::isnan(frames))
        return 0;
    return static_cast<int32_t>(std::clamp<double>(
        std::trunc(frames), std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int64_t CRMWave::SecondsToBytes(float seconds) const
{
    return FramesToBytes(SecondsToFrames(seconds));
}

double CRMWave::FramesToSeconds(int64_t frames) const
{
    if (m_nSamplesPerSec == 0)
        return 0.0;
    return static_cast<double>(frames) / m_nSamplesPerSec;
}
