#pragma once
// Reads and writes RIFF/WAVE files, one file at a time, for reading or for
// writing. Used by the WAV loader and by the clipboard copy.

#include "CWorkFile.h"
#include "WaveFormat.h"

#include <cstdint>
#include <filesystem>
#include <vector>

class CRMWave;

class CWaveFile {
public:
    CWaveFile() = default;
    ~CWaveFile() { Close(); }
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // 0 on success, 1 on failure. Leaves the position at the first data byte.
    int OpenRead(const std::filesystem::path& fileName);
    // 0 on success, 1 on failure. Writes the header up to the "data" chunk.
    // The whole record is written: 18 bytes plus format.cbSize bytes of extra.
    int CreateWrite(const std::filesystem::path& fileName, const WaveFormat& format,
                    const std::vector<uint8_t>& extra = {});

    // The "fmt " record read or written, or null when not open.
    const WaveFormat* GetFormat() const;
    // Extra format bytes after the 18-byte record (cbSize of them).
    const std::vector<uint8_t>& GetFormatExtra() const { return m_formatExtra; }
    // Size of the "data" chunk in bytes, or 0 when not open.
    uint32_t GetDataSize() const;
    // The "fact" value read, or the running sample count of a writer.
    uint32_t GetSampleCount() const { return m_nSamples; }

    // Sequential read from the current position, not bounded by the data
    // chunk. Bytes read, or -1 when not open.
    int64_t Read(void* buffer, uint32_t count, uint32_t* pRead = nullptr);
    // Reads as Read does, straight into the document at its position
    // (CRMWave::WriteDataFrom). Bytes copied, or -1 when not open or when a
    // read or write failed.
    int64_t CopyTo(CRMWave& wave, uint32_t count);
    // Appends to the data chunk. Bytes written, or -1 when not open or when
    // the write failed.
    int64_t Write(const void* buffer, uint32_t count, uint32_t* pWritten = nullptr,
                  int32_t samples = -1);
    // Finishes a written file (sizes and pad byte), closes. Returns 0, or 1 if
    // finishing a written file failed. Safe when already closed.
    int Close();

private:
    bool m_bOpen = false;
    bool m_bWriting = false;
    bool m_bWriteFailed = false;
    CWorkFile m_file;
    WaveFormat m_format{};
    std::vector<uint8_t> m_formatExtra;
    uint32_t m_nDataSize = 0;
    uint32_t m_nBytesWritten = 0;
    uint32_t m_nSamples = 0;
    uint32_t m_nDataOffset = 0;
    int64_t m_riffSizeOffset = 0;
    int64_t m_dataSizeOffset = 0;
};

// Finds the "data" bytes of a RIFF/WAVE image in memory, walking the chunks
// as OpenRead does. The range is clamped to the bytes the image really holds.
// Returns false when the image is not a RIFF/WAVE image with a data chunk.
bool FindWaveImageData(const uint8_t* image, std::size_t size,
                       std::size_t* pOffset, std::size_t* pLength,
                       WaveFormat* pFormat = nullptr);
