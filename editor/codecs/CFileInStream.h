#pragma once
// Sequential input streams over files, used by the decoders. Results are the
// 32-bit codes below; 0 is success.

#include <cstdint>
#include <string>

enum InStreamResult : uint32_t {
    InStreamOk = 0,
    InStreamNotOpen = 0x80010001u,     // Read on a closed stream
    InStreamOpenFailed = 0x80010002u,
    InStreamCloseFailed = 0x80010003u,
    InStreamReadFailed = 0x80010004u,  // the system read failed
};

class CInStream {
public:
    virtual ~CInStream() = default;
    // Reads up to `count` bytes; stores the count read in *pRead when given.
    virtual uint32_t Read(void* buffer, uint32_t count, uint32_t* pRead = nullptr) = 0;
    virtual bool IsEOF() const = 0;
};

class CFileInStream : public CInStream {
public:
    CFileInStream() = default;
    ~CFileInStream() override;
    CFileInStream(const CFileInStream&) = delete;
    CFileInStream& operator=(const CFileInStream&) = delete;

    uint32_t Read(void* buffer, uint32_t count, uint32_t* pRead = nullptr) override;
    bool IsEOF() const override { return m_bEOF; }
    // Opens an existing regular file for sequential reading. Directories,
    // devices and pipes are refused, so a load never blocks on one.
    virtual uint32_t Open(const std::string& fileName);
    virtual uint32_t Close();

    // File size in bytes; 0 when closed or unknown.
    int64_t GetSize() const;
    // Origin 0 from the start, 1 from the current position, 2 from the end;
    // any other origin, or a closed stream, does nothing.
    void Seek(int64_t distance, int origin);
    // Current position, or -1 when closed.
    int64_t Tell() const;
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    bool m_bEOF = false;
};
