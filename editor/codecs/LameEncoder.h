#pragma once
// The MP3 encoder's stream interface (beInitStream, beEncodeChunk,
// beDeinitStream, beCloseStream) over libmp3lame, which is loaded with
// dlopen() each time an encoder object is made and unloaded with it.
//
// The library name is "libmp3lame.so.0" unless the environment variable
// VRT_LAME_LIBRARY names another file.

#include <cstdint>
#include <memory>
#include <string>

using BE_ERR = uint32_t;
using HBE_STREAM = uintptr_t;

constexpr BE_ERR BE_ERR_SUCCESSFUL = 0x00000000;
constexpr BE_ERR BE_ERR_INVALID_FORMAT = 0x00000001;
constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 0x00000002;
constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 0x00000003;
constexpr BE_ERR BE_ERR_INVALID_HANDLE = 0x00000004;
constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 0x00000005;

constexpr uint32_t BE_CONFIG_MP3 = 0;

constexpr uint8_t BE_MP3_MODE_STEREO = 0;
constexpr uint8_t BE_MP3_MODE_JSTEREO = 1;
constexpr uint8_t BE_MP3_MODE_DUALCHANNEL = 2;
constexpr uint8_t BE_MP3_MODE_MONO = 3;

// The encoder configuration in its MP3 form.
struct BE_CONFIG {
    uint32_t dwConfig = BE_CONFIG_MP3;
    struct {
        uint32_t dwSampleRate = 44100;
        uint8_t byMode = BE_MP3_MODE_STEREO;
        uint16_t wBitrate = 128;  // kbit/s
        int32_t bPrivate = 0;
        int32_t bCRC = 0;
        int32_t bCopyright = 0;
        int32_t bOriginal = 0;
    } mp3;
};

class CLameEncoder {
public:
    // The library name in use: VRT_LAME_LIBRARY, or "libmp3lame.so.0".
    static std::string LibraryName();
    // Loads the library and looks up every function the interface needs.
    // Null when the library or any function is missing.
    static std::unique_ptr<CLameEncoder> Load();

    ~CLameEncoder();
    CLameEncoder(const CLameEncoder&) = delete;
    CLameEncoder& operator=(const CLameEncoder&) = delete;

    // Opens a stream. *pSamples gets the number of 16-bit samples (all
    // channels) to hand over per chunk, *pBufferSize the output size needed.
    BE_ERR beInitStream(const BE_CONFIG* config, uint32_t* pSamples, uint32_t* pBufferSize,
                        HBE_STREAM* pStream);
    // Encodes `samples` interleaved 16-bit samples (all channels).
    BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t samples, const int16_t* pcm, uint8_t* output,
                         uint32_t* pOutputBytes);
    // Flushes the last frames.
    BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* pOutputBytes);
    BE_ERR beCloseStream(HBE_STREAM stream);

private:
    struct Api;
    CLameEncoder(void* library, std::unique_ptr<Api> api);

    void* m_library;
    std::unique_ptr<Api> m_api;
};
