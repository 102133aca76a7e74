#pragma once
// An output file that replaces its target only when it is complete.
//
// Everything is written to a temporary file in the target's folder (so the
// final rename stays on one file system). Commit() renames it over the target;
// if Commit() is never reached, the temporary file is removed and an existing
// target is left exactly as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

class CReplacingFile {
public:
    CReplacingFile() = default;
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    // Creates the temporary file beside `target`. False when it cannot.
    bool Create(const std::filesystem::path& target);
    // Buffered write; false once any write has failed.
    bool Write(const void* data, std::size_t count);
    // Overwrites bytes at an absolute offset (for headers patched at the end).
    bool WriteAt(int64_t offset, const void* data, std::size_t count);
    // Bytes written so far (the file's length).
    int64_t Size() const { return m_nSize; }
    // Flushes, closes and renames over the target. False (and the target
    // untouched) when anything failed on the way.
    bool Commit();
    // Closes and removes the temporary file; the target is not touched.
    void Discard();

    const std::filesystem::path& TempPath() const { return m_tempPath; }

private:
    bool Flush();

    int m_fd = -1;
    bool m_bFailed = false;
    int64_t m_nSize = 0;
    std::filesystem::path m_target;
    std::filesystem::path m_tempPath;
    std::vector<uint8_t> m_buffer;
};
