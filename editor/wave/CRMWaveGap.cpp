// Opening and closing gaps in the working file: the block moves behind paste,
// delete and undo.
#include "CRMWave.h"
#include "ControlEvents.h"

#include <algorithm>
#include <vector>

bool CRMWave::OpenGap(int64_t at, int64_t gap)
{
    const int64_t oldLength = m_file.GetLength();
    if (!m_file.IsOpen() || at < 0 || gap < 0 || at > oldLength)
        return false;
    if (gap == 0)
        return true;
    // Growth comes first: when it fails, not one byte has moved.
    if (!m_file.SetLength(oldLength + gap))
        return false;

    std::vector<uint8_t> buffer(kBlockSize);
    int64_t remaining = oldLength - at;
    while (remaining > 0) {
        const int64_t n = std::min<int64_t>(remaining, static_cast<int64_t>(kBlockSize));
        const int64_t from = at + remaining - n;
        const auto size = static_cast<std::size_t>(n);
        if (m_file.ReadAt(from, buffer.data(), size) != size ||
            !m_file.WriteAt(from + gap, buffer.data(), size))
            return false;
        remaining -= n;
        PumpMessages();
    }
    return true;
}

bool CRMWave::CloseGap(int64_t at, int64_t gap)
{
    const int64_t oldLength = m_file.GetLength();
    if (!m_file.IsOpen() || at < 0 || gap < 0 || at + gap > oldLength)
        return false;
    if (gap == 0)
        return true;

    std::vector<uint8_t> buffer(kBlockSize);
    for (int64_t from = at + gap; from < oldLength;) {
        const auto size =
            static_cast<std::size_t>(std::min<int64_t>(oldLength - from, static_cast<int64_t>(kBlockSize)));
        if (m_file.ReadAt(from, buffer.data(), size) != size ||
            !m_file.WriteAt(from - gap, buffer.data(), size))
            return false;
        from += static_cast<int64_t>(size);
        PumpMessages();
    }
    return m_file.SetLength(oldLength - gap);
}
