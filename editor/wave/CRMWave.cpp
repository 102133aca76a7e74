#include "CRMWave.h"

#include <algorithm>
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
    const int32_t bytesPerSample = m_nBitsPerSample / 8;
    if (!m_file.IsOpen() || bytesPerSample <= 0 || channel < 0 || channel >= m_nChannels || frame < 0)
        return 0;
    const int64_t offset =
        (static_cast<int64_t>(frame) * m_nChannels + channel) * bytesPerSample;
    uint8_t sample[2] = {0, 0};
    if (m_file.ReadAtMapped(offset, sample, static_cast<std::size_t>(std::min(bytesPerSample, 2))) <
        static_cast<std::size_t>(std::min(bytesPerSample, 2)))
        return 0;
    if (bytesPerSample == 1)
        return static_cast<uint16_t>(255 - sample[0]);
    const int16_t value = static_cast<int16_t>(sample[0] | (sample[1] << 8));
    return static_cast<uint16_t>((value + 32767) & 0xFFFF);
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
