// Delete, copy and paste of the selection.
#include "BlockCopy.h"
#include "CRMWave.h"
#include "CWaveFile.h"
#include "ControlEvents.h"
#include "WaveClipboard.h"

#include <algorithm>
#include <limits>
#include <string>
#include <system_error>

bool CRMWave::DeleteSelection()
{
    const int64_t length = m_file.GetLength();
    const int64_t s = std::clamp<int64_t>(FramesToBytes(std::min(m_nSelBegin, m_nSelEnd)), 0, length);
    const int64_t e = std::clamp<int64_t>(FramesToBytes(std::max(m_nSelBegin, m_nSelEnd)), 0, length);
    const bool ok = s == e || CloseGap(s, e - s);
    UpdateLength();
    ClampView();
    Deselect();
    return ok;
}

namespace {

// Reads a whole (small) file into memory: the clipboard holds images whole.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>* pImage)
{
    CWorkFile file;
    if (!file.Open(path, CWorkFile::Mode::ReadOnly))
        return false;
    const int64_t size = file.GetLength();
    pImage->assign(static_cast<std::size_t>(size), 0);
    return file.Read(pImage->data(), pImage->size()) == pImage->size();
}

// Writes the selection's bytes as a RIFF/WAVE file.
bool WriteSelectionImage(CWorkFile& work, const WaveFormat& format, int64_t begin, int64_t count,
                         const std::filesystem::path& path)
{
    CWaveFile wave;
    if (wave.CreateWrite(path, format) != 0)
        return false;
    int64_t from = begin;
    const BlockCopyResult r = CopyBlocks(
        count,
        [&](uint8_t* b, std::size_t n) {
            const std::size_t got = work.ReadAt(from, b, n);
            from += static_cast<int64_t>(got);
            return got;
        },
        [&](const uint8_t* b, std::size_t n) {
            return wave.Write(b, static_cast<uint32_t>(n)) == static_cast<int64_t>(n);
        });
    const bool closed = wave.Close() == 0;
    return closed && !r.bWriteFailed && r.nCopied == count;
}

}  // namespace

bool CRMWave::CopyToClipboard()
{
    if (!HasSelection() || !m_pClipboard || !m_file.IsOpen())
        return false;
    const int64_t length = m_file.GetLength();
    const int64_t begin = std::clamp<int64_t>(FramesToBytes(std::min(m_nSelBegin, m_nSelEnd)), 0, length);
    const int64_t end = std::clamp<int64_t>(FramesToBytes(std::max(m_nSelBegin, m_nSelEnd)), 0, length);
    // A RIFF image counts its sizes in 32 bits.
    if (begin == end || end - begin > std::numeric_limits<uint32_t>::max() - 64)
        return false;

    const std::filesystem::path clp = WorkFilePath("Wave.clp");
    std::vector<uint8_t> image;
    const bool built = WriteSelectionImage(m_file, GetFormat(), begin, end - begin, clp) &&
                       ReadWholeFile(clp, &image);
    std::error_code ec;
    std::filesystem::remove(clp, ec);
    if (!built)
        return false;

    const int error = m_pClipboard->PutWaveImage(image);
    if (error != 0) {
        g_pControl->ShowMessage("Error Code: " + std::to_string(error), "CRMWave::CopyToClipboard");
        return false;
    }
    return true;
}

bool CRMWave::PasteFromClipboard()
{
    if (!m_pClipboard || !m_file.IsOpen())
        return false;
    const std::optional<std::vector<uint8_t>> image = m_pClipboard->GetWaveImage();
    if (!image)
        return false;
    std::size_t offset = 0;
    std::size_t count = 0;
    if (!FindWaveImageData(image->data(), image->size(), &offset, &count) || count == 0)
        return false;

    // Insert at the cursor, or at the end when the cursor lies beyond it.
    UpdateLength();
    const int32_t cursor = std::clamp(m_nCursor, 0, m_nLength);
    const int64_t at = FramesToBytes(cursor);
    const auto n = static_cast<int64_t>(count);
    if (!OpenGap(at, n)) {
        UpdateLength();
        return false;
    }
    const bool written = m_file.Seek(at) && m_file.Write(image->data() + offset, count);

    UpdateLength();
    m_nSelBegin = cursor;
    m_nSelEnd = cursor + BytesToFrames(n);
    return written;
}
