#pragma once
// Writes a Windows Media Audio file from 16-bit PCM, following a profile with
// one audio stream: FFmpeg's wmav2 encoder at the stream's format, in an ASF
// container.
//
// The file is written beside its target under a temporary name and renamed
// over it only when EndWriting succeeds, so a failed or abandoned save never
// touches an existing file.

#include "codecs/CFfmpegAudioWriter.h"
#include "codecs/wma/CWmaProfile.h"
#include "codecs/wma/WmaTypes.h"
#include "wave/WaveFormat.h"

#include <cstdint>
#include <string>
#include <vector>

// A buffer for one sample of input: fill Data() with up to MaxLength() bytes,
// then SetLength() to what it holds.
class CWmaSample {
public:
    explicit CWmaSample(uint32_t size) : m_buffer(size) {}
    uint8_t* Data() { return m_buffer.data(); }
    const uint8_t* Data() const { return m_buffer.data(); }
    uint32_t MaxLength() const { return static_cast<uint32_t>(m_buffer.size()); }
    uint32_t Length() const { return m_nLength; }
    HResult SetLength(uint32_t length);

private:
    std::vector<uint8_t> m_buffer;
    uint32_t m_nLength = 0;
};

class CWmaWriter {
public:
    CWmaWriter() = default;
    ~CWmaWriter();
    CWmaWriter(const CWmaWriter&) = delete;
    CWmaWriter& operator=(const CWmaWriter&) = delete;

    // Takes the profile's one audio stream; its format must be a wmav2 one.
    HResult SetProfile(const CWmaProfile& profile);
    HResult SetOutputFilename(const std::string& path);
    // Creates the temporary file, opens the encoder and writes the header.
    HResult BeginWriting();
    HResult AllocateSample(uint32_t size, std::unique_ptr<CWmaSample>& sample) const;
    // Encodes one sample of input 0, 16-bit PCM in InputFormat(). Sample
    // times (100-ns units) must not go backwards; the samples are taken as
    // one continuous stream.
    HResult WriteSample(uint32_t input, uint64_t sampleTime, uint32_t flags, const CWmaSample& sample);
    // Flushes the encoder, completes the file and renames it over the target.
    // Any failure on the way leaves the target as it was.
    HResult EndWriting();

    // What input 0 takes: 16-bit PCM at the stream's rate and channel count.
    WaveFormat InputFormat() const;

private:
    enum class State { Idle, Writing, Finished };
    State m_state = State::Idle;
    bool m_bHasProfile = false;
    WaveFormat m_streamFormat;  // the profile's codec format block
    std::string m_strPath;
    uint64_t m_nLastSampleTime = 0;
    CFfmpegAudioWriter m_output;
};
