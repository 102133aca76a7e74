#pragma once
// A plain file handle with the operations the working files need: open, seek,
// read, write, set length, get length, close. Closed on destruction.

#include <cstddef>
#include <cstdint>
#include <filesystem>

class CWorkFile {
public:
    enum class Mode {
        CreateReadWrite,  // create or truncate, read and write
        CreateWriteOnly,  // create or truncate, write only
        ReadOnly,
        ReadWrite,        // existing file, read and write
    };

    CWorkFile() = default;
    ~CWorkFile();
    CWorkFile(CWorkFile&& other) noexcept;
    CWorkFile& operator=(CWorkFile&& other) noexcept;
    CWorkFile(const CWorkFile&) = delete;
    CWorkFile& operator=(const CWorkFile&) = delete;

    bool Open(const std::filesystem::path& path, Mode mode);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Every operation on a closed file does nothing and yields 0 / false.
    bool Seek(int64_t offset);                  // absolute position
    int64_t Position() const;
    std::size_t Read(void* buffer, std::size_t count);   // bytes read; 0 at end or on error
    bool Write(const void* buffer, std::size_t count);   // true only when every byte was written
    // Reads at an absolute offset without moving the position; bytes read.
    std::size_t ReadAt(int64_t offset, void* buffer, std::size_t count);
    // Writes at an absolute offset without moving the position; true only
    // when every byte was written.
    bool WriteAt(int64_t offset, const void* buffer, std::size_t count);
    // Growing reserves the new space, so a full disk or a file-size limit
    // fails here, with the length unchanged.
    bool SetLength(int64_t length);
    int64_t GetLength() const;
    // Copies up to `count` bytes from this file to `target` inside the kernel
    // where the file systems allow it, else through a buffer. An offset of -1
    // stands for the file's current position, which then moves on by the
    // bytes copied; an explicit offset leaves the position alone. Returns the
    // bytes copied (fewer when this file ends first), or -1 when a read or a
    // write failed.
    int64_t CopyTo(CWorkFile& target, int64_t count, int64_t from = -1, int64_t to = -1);

    // A count that moves on with every change made through this object:
    // open, close, write, set length, or a copy into it. Equal counts mean
    // equal bytes, so a reader may keep what it read.
    uint64_t Changes() const { return m_changes; }

private:
    int m_fd = -1;
    uint64_t m_changes = 0;
};
