#pragma once
// "Wave.fx", the scratch copy that reverse works through. It lives in
// the document's private working directory, exists only while the effect
// runs, and is closed and deleted when this object goes.

#include "wave/CWorkFile.h"

#include <filesystem>

class CRMWave;

class ScratchFile {
public:
    // Creates (or truncates) "Wave.fx" for reading and writing.
    explicit ScratchFile(const CRMWave& wave);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    bool IsOpen() const { return m_file.IsOpen(); }
    // Closes and deletes the file now rather than at destruction.
    void Remove();
    CWorkFile& File() { return m_file; }

    std::size_t ReadAt(int64_t offset, void* buffer, std::size_t count);
    bool WriteAt(int64_t offset, const void* buffer, std::size_t count);

private:
    std::filesystem::path m_path;
    CWorkFile m_file;
    bool m_bCreated = false;
};
