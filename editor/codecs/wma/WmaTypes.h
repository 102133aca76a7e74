#pragma once
// Result codes, identifiers and the media-type record shared by the WMA reader,
// the writer and the profile search. They keep the Windows Media runtime's
// numbering so that callers can compare results with the values the runtime
// documents; FFmpeg does the actual decoding and encoding underneath.

#include <array>
#include <cstdint>
#include <vector>

using HResult = uint32_t;

constexpr HResult kOk = 0;
constexpr HResult kErrNotImplemented = 0x80004001;
constexpr HResult kErrFail = 0x80004005;
constexpr HResult kErrInvalidArg = 0x80070057;
constexpr HResult kErrOutOfMemory = 0x8007000E;
constexpr HResult kErrFileOpen = 0xC00D001A;        // the file cannot be opened
constexpr HResult kErrNotOpened = 0xC00D0031;       // the reader has no open file
constexpr HResult kErrInvalidOutput = 0xC00D0BC0;   // no such output or stream
constexpr HResult kErrNoCodecFormat = 0xC00D0BC2;   // no codec format matches the request
constexpr HResult kErrInvalidState = 0xC00D0BD2;    // call out of order

constexpr bool Failed(HResult result) { return (result & 0x80000000u) != 0; }
constexpr bool Succeeded(HResult result) { return !Failed(result); }

// The format tag of Windows Media Audio 2, which FFmpeg's wmav2 encoder writes.
constexpr uint16_t kWmaV2FormatTag = 0x161;

// A 128-bit identifier in the platform's GUID layout.
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    friend bool operator==(const Guid&, const Guid&) = default;
};

// Major type "audio".
constexpr Guid kMediaTypeAudio{0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// Major type "video", for outputs that a reader reports but never decodes.
constexpr Guid kMediaTypeVideo{0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// The media subtype base: the first 32 bits are replaced by a format tag.
constexpr Guid kMediaSubtypeBase{0x00000000, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// Format type "WAVEFORMATEX".
constexpr Guid kFormatWaveFormatEx{0x05589F81, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};

constexpr Guid SubtypeForFormatTag(uint16_t tag)
{
    Guid subtype = kMediaSubtypeBase;
    subtype.data1 = tag;
    return subtype;
}

// A stream's media type: what it carries and, for audio, its format block
// (an 18-byte WAVEFORMATEX followed by its extra bytes).
struct WmaMediaType {
    Guid majorType;
    Guid subtype;
    bool fixedSizeSamples = false;
    bool temporalCompression = false;
    uint32_t sampleSize = 0;
    Guid formatType;
    std::vector<uint8_t> format;
};
