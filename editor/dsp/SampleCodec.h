#pragma once
// How the effects see a sample: a 32-bit float on the scale of the stored
// integer. 8-bit samples are unsigned with 127 as their zero (so they read as
// -127 to 128); 16-bit samples are signed little-endian.
//
// Writing clips first and then truncates toward zero, so a value only comes
// back unchanged when it lies inside the clip range: 8-bit byte 255 returns
// as 254 and 16-bit -32768 as -32767. NaN is written as silence.

#include <cstddef>
#include <cstdint>

struct SampleFormat {
    int channels = 2;
    int bytesPerSample = 2;  // 1 or 2

    int BlockAlign() const { return channels * bytesPerSample; }
    // The rules below know 8- and 16-bit samples only; the effects leave
    // documents of other widths as they are.
    bool IsSupported() const { return channels > 0 && (bytesPerSample == 1 || bytesPerSample == 2); }
};

// The whole frames in `bytes` bytes (65,536 for the effects' blocks), at
// least one, so that no block ends inside a frame whatever the frame size.
inline int FramesPerBlock(const SampleFormat& format, int bytes = 65536)
{
    const int align = format.BlockAlign();
    return align <= 0 ? 0 : (bytes / align > 0 ? bytes / align : 1);
}

inline float ReadSample(const uint8_t* buffer, const SampleFormat& format, int channel, int frame)
{
    const int index = frame * format.channels + channel;
    if (format.bytesPerSample == 1)
        return static_cast<float>(static_cast<int>(buffer[index]) - 127);
    const uint8_t* p = buffer + 2 * index;
    return static_cast<float>(static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))));
}

inline void WriteSample(uint8_t* buffer, const SampleFormat& format, int channel, int frame, float value)
{
    const int index = frame * format.channels + channel;
    if (format.bytesPerSample == 1) {
        float v = value;
        if (!(v >= -127.0f))  // also catches NaN
            v = (v != v) ? 0.0f : -127.0f;
        else if (v > 127.0f)
            v = 127.0f;
        buffer[index] = static_cast<uint8_t>(v + 127.0f);
        return;
    }
    float v = value;
    if (!(v >= -32767.0f))
        v = (v != v) ? 0.0f : -32767.0f;
    else if (v > 32767.0f)
        v = 32767.0f;
    const auto s = static_cast<uint16_t>(static_cast<int16_t>(v));
    uint8_t* p = buffer + 2 * index;
    p[0] = static_cast<uint8_t>(s);
    p[1] = static_cast<uint8_t>(s >> 8);
}

// The value a sample holds after WriteSample(value) and ReadSample: clipped,
// truncated (8-bit: the byte value + 127 truncated), NaN as silence.
inline float Quantize16(float value)
{
    float v = value != value ? 0.0f : value;
    v = v < -32767.0f ? -32767.0f : v;
    v = v > 32767.0f ? 32767.0f : v;
    return static_cast<float>(static_cast<int>(v));
}

inline float Quantize8(float value)
{
    float v = value != value ? 0.0f : value;
    v = v < -127.0f ? -127.0f : v;
    v = v > 127.0f ? 127.0f : v;
    return static_cast<float>(static_cast<int>(v + 127.0f)) - 127.0f;
}

// Channel `channel` of `frames` interleaved frames, as ReadSample gives it,
// into `out`; and back, as WriteSample stores it.
void DecodeChannel(const uint8_t* block, const SampleFormat& format, int channel, int frames, float* out);
void EncodeChannel(uint8_t* block, const SampleFormat& format, int channel, int frames, const float* in);

// Stores every sample of `samples` again as WriteSample(ReadSample) would:
// the one value outside the write range (8-bit 255, 16-bit -32768) moves in.
void ClipToWriteRange(uint8_t* block, const SampleFormat& format, std::size_t samples);
