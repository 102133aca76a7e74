#include "codecs/WavSampleDecoder.h"

#include <cmath>
#include <cstring>

namespace {

constexpr uint16_t kTagPcm = 0x0001;
constexpr uint16_t kTagFloat = 0x0003;
constexpr uint16_t kTagALaw = 0x0006;
constexpr uint16_t kTagMuLaw = 0x0007;
constexpr uint16_t kTagExtensible = 0xFFFE;

// The bytes of the KSDATAFORMAT_SUBTYPE GUIDs after their leading 32-bit tag:
// {xxxxxxxx-0000-0010-8000-00AA00389B71}.
constexpr uint8_t kSubtypeTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                      0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

WavEncoding Classify(uint16_t tag, uint16_t bits)
{
    switch (tag) {
    case kTagPcm:
        switch (bits) {
        case 8: return WavEncoding::Pcm8;
        case 16: return WavEncoding::Pcm16;
        case 24: return WavEncoding::Pcm24;
        case 32: return WavEncoding::Pcm32;
        default: return WavEncoding::Unsupported;
        }
    case kTagFloat:
        if (bits == 32)
            return WavEncoding::Float32;
        if (bits == 64)
            return WavEncoding::Float64;
        return WavEncoding::Unsupported;
    case kTagALaw: return bits == 8 ? WavEncoding::ALaw : WavEncoding::Unsupported;
    case kTagMuLaw: return bits == 8 ? WavEncoding::MuLaw : WavEncoding::Unsupported;
    default: return WavEncoding::Unsupported;
    }
}

int16_t FloatToPcm16(double value)
{
    if (!(value == value))  // NaN
        return 0;
    double scaled = std::nearbyint(value * 32768.0);
    if (scaled > 32767.0)
        return 32767;
    if (scaled < -32768.0)
        return -32768;
    return static_cast<int16_t>(scaled);
}

}  // namespace

WavEncoding ClassifyWavFormat(const WaveFormat& format, const std::vector<uint8_t>& extra)
{
    if (format.nChannels == 0 || format.nSamplesPerSec == 0)
        return WavEncoding::Unsupported;
    if (format.wFormatTag != kTagExtensible)
        return Classify(format.wFormatTag, format.wBitsPerSample);
    // WAVEFORMATEXTENSIBLE: valid bits (2), channel mask (4), sub-format GUID (16).
    if (format.cbSize < 22 || extra.size() < 22)
        return WavEncoding::Unsupported;
    const uint8_t* guid = extra.data() + 6;
    if (guid[2] != 0 || guid[3] != 0 || std::memcmp(guid + 4, kSubtypeTail, sizeof kSubtypeTail) != 0)
        return WavEncoding::Unsupported;
    return Classify(ReadLE16(guid), format.wBitsPerSample);
}

std::size_t SourceSampleBytes(WavEncoding encoding)
{
    switch (encoding) {
    case WavEncoding::Pcm8:
    case WavEncoding::ALaw:
    case WavEncoding::MuLaw: return 1;
    case WavEncoding::Pcm16: return 2;
    case WavEncoding::Pcm24: return 3;
    case WavEncoding::Pcm32:
    case WavEncoding::Float32: return 4;
    case WavEncoding::Float64: return 8;
    case WavEncoding::Unsupported: break;
    }
    return 0;
}

int32_t DocumentBitsPerSample(WavEncoding encoding)
{
    return encoding == WavEncoding::Pcm8 ? 8 : 16;
}

int16_t DecodeALaw(uint8_t value)
{
    // G.711 A-law expansion.
    value ^= 0x55;
    int magnitude = (value & 0x0F) << 4;
    const int segment = (value & 0x70) >> 4;
    switch (segment) {
    case 0: magnitude += 8; break;
    case 1: magnitude += 0x108; break;
    default: magnitude = (magnitude + 0x108) << (segment - 1); break;
    }
    return static_cast<int16_t>((value & 0x80) ? magnitude : -magnitude);
}

int16_t DecodeMuLaw(uint8_t value)
{
    // G.711 µ-law expansion.
    value = static_cast<uint8_t>(~value);
    int magnitude = (((value & 0x0F) << 3) + 0x84) << ((value & 0x70) >> 4);
    return static_cast<int16_t>((value & 0x80) ? (0x84 - magnitude) : (magnitude - 0x84));
}

void ConvertToPcm16(WavEncoding encoding, const uint8_t* source, std::size_t count, int16_t* target)
{
    switch (encoding) {
    case WavEncoding::Pcm16:
        for (std::size_t i = 0; i < count; ++i)
            target[i] = static_cast<int16_t>(ReadLE16(source + 2 * i));
        break;
    case WavEncoding::Pcm24:
        // The top 16 of the 24 bits.
        for (std::size_t i = 0; i < count; ++i)
            target[i] = static_cast<int16_t>(ReadLE16(source + 3 * i + 1));
        break;
    case WavEncoding::Pcm32:
        for (std::size_t i = 0; i < count; ++i)
            target[i] = static_cast<int16_t>(ReadLE16(source + 4 * i + 2));
        break;
    case WavEncoding::Float32:
        for (std::size_t i = 0; i < count; ++i) {
            uint32_t bits = ReadLE32(source + 4 * i);
            float value;
            std::memcpy(&value, &bits, sizeof value);
            target[i] = FloatToPcm16(value);
        }
        break;
    case WavEncoding::Float64:
        for (std::size_t i = 0; i < count; ++i) {
            uint64_t bits = static_cast<uint64_t>(ReadLE32(source + 8 * i)) |
                            (static_cast<uint64_t>(ReadLE32(source + 8 * i + 4)) << 32);
            double value;
            std::memcpy(&value, &bits, sizeof value);
            target[i] = FloatToPcm16(value);
        }
        break;
    case WavEncoding::ALaw:
        for (std::size_t i = 0; i < count; ++i)
            target[i] = DecodeALaw(source[i]);
        break;
    case WavEncoding::MuLaw:
        for (std::size_t i = 0; i < count; ++i)
            target[i] = DecodeMuLaw(source[i]);
        break;
    case WavEncoding::Pcm8:
        for (std::size_t i = 0; i < count; ++i)
            target[i] = static_cast<int16_t>((source[i] - 128) * 256);
        break;
    case WavEncoding::Unsupported:
        break;
    }
}
