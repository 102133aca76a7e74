// Recording and performing the single undo step.
#include "BlockCopy.h"
#include "CRMWave.h"

#include <algorithm>

namespace {

// Copies the saved bytes of "Wave.sel" over the working file from `begin`.
bool RestoreSavedBytes(CWorkFile& saved, CWorkFile& work, int64_t begin, int64_t count)
{
    return !CopyFileBlocks(saved, 0, work, begin, count).bWriteFailed;
}

}  // namespace

bool CRMWave::SaveUndo(int32_t kind)
{
    if (!HasSelection())
        return false;
    m_undo.Reset();

    const int64_t length = m_file.GetLength();
    int64_t begin = FramesToBytes(std::min(m_nSelBegin, m_nSelEnd));
    int64_t end = FramesToBytes(std::max(m_nSelBegin, m_nSelEnd));
    if (kind != UndoRemove) {
        // Only bytes that exist can be saved.
        begin = std::clamp<int64_t>(begin, 0, length);
        end = std::clamp<int64_t>(end, 0, length);
        if (begin == end)
            return false;
        if (!m_undo.m_file.Open(m_undo.m_strPath, CWorkFile::Mode::CreateWriteOnly))
            return false;
        const BlockCopyResult r = CopyFileBlocks(m_file, begin, m_undo.m_file, 0, end - begin);
        m_undo.m_file.Close();
        if (r.bWriteFailed || r.nCopied != end - begin) {
            m_undo.Reset();
            return false;
        }
    }
    m_undo.m_nKind = kind;
    m_undo.m_nBegin = begin;
    m_undo.m_nEnd = end;
    return true;
}

bool CRMWave::Undo()
{
    if (m_undo.IsEmpty() || !m_file.IsOpen())
        return false;
    const int64_t begin = m_undo.m_nBegin;
    const int64_t end = m_undo.m_nEnd;
    const int64_t count = end - begin;
    bool ok = false;

    switch (m_undo.m_nKind) {
    case UndoRestore:
        if (!m_undo.m_file.Open(m_undo.m_strPath, CWorkFile::Mode::ReadOnly))
            return false;
        ok = RestoreSavedBytes(m_undo.m_file, m_file, begin, count);
        break;
    case UndoRemove:
        ok = CloseGap(begin, std::min(count, m_file.GetLength() - begin));
        break;
    case UndoReinsert:
        // Both the saved bytes and the room for them must be there before
        // anything moves; otherwise the document stays as it is.
        if (!m_undo.m_file.Open(m_undo.m_strPath, CWorkFile::Mode::ReadOnly))
            return false;
        if (!OpenGap(begin, count)) {
            m_undo.m_file.Close();
            return false;
        }
        ok = RestoreSavedBytes(m_undo.m_file, m_file, begin, count);
        break;
    default:
        return false;
    }
    m_undo.m_file.Close();

    UpdateLength();
    m_nSelBegin = BytesToFrames(begin);
    m_nSelEnd = BytesToFrames(end);
    ClampView();
    m_undo.Reset();
    return ok;
}
