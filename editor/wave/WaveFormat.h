#pragma once
// The PCM format record, laid out as WAVEFORMATEX: 18 bytes, little-endian.

#include <array>
#include <cstddef>
#include <cstdint>

struct WaveFormat {
    uint16_t wFormatTag = 1;
    uint16_t nChannels = 2;
    uint32_t nSamplesPerSec = 44100;
    uint32_t nAvgBytesPerSec = 176400;
    uint16_t nBlockAlign = 4;
    uint16_t wBitsPerSample = 16;
    uint16_t cbSize = 0;

    static constexpr std::size_t kRecordSize = 18;
    static constexpr uint16_t kTagPcm = 1;

    // A PCM record with the derived fields computed from the three numbers.
    static WaveFormat Pcm(int channels, int samplesPerSec, int bitsPerSample);

    // Serialises to and parses from the packed 18-byte little-endian layout.
    std::array<uint8_t, kRecordSize> ToBytes() const;
    static WaveFormat FromBytes(const uint8_t* bytes);  // reads exactly 18 bytes
};

// Little-endian helpers shared by everything that reads or writes file headers.
inline uint16_t ReadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLE32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void WriteLE16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLE32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
