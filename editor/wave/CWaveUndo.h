#pragma once
// The single undo record of a document. Kinds and the meaning of the saved
// bytes are described in CRMWave.h next to SaveUndo and Undo.

#include "CWorkFile.h"

#include <cstdint>
#include <filesystem>

enum UndoKind : int32_t {
    UndoRestore = 0,   // "Wave.sel" holds the range's bytes before an in-place change
    UndoRemove = 1,    // the range was inserted; undo removes it
    UndoReinsert = 2,  // "Wave.sel" holds bytes that were removed; undo puts them back
};

class CWaveUndo {
public:
    CWaveUndo() = default;
    ~CWaveUndo() { Reset(); }
    CWaveUndo(const CWaveUndo&) = delete;
    CWaveUndo& operator=(const CWaveUndo&) = delete;

    // Closes the file, empties the record and deletes "Wave.sel".
    void Reset();
    bool IsEmpty() const { return m_nBegin == m_nEnd; }

    int32_t m_nKind = UndoRestore;
    std::filesystem::path m_strPath;  // "Wave.sel" in the document's working directory
    int64_t m_nBegin = 0;             // byte offsets in the working file
    int64_t m_nEnd = 0;
    CWorkFile m_file;
};
