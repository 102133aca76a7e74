#include "CWaveUndo.h"

#include <system_error>

void CWaveUndo::Reset()
{
    m_file.Close();
    m_nKind = UndoRestore;
    m_nBegin = 0;
    m_nEnd = 0;
    if (!m_strPath.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_strPath, ec);
    }
}
