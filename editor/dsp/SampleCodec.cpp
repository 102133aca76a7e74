#include "SampleCodec.h"

void DecodeChannel(const uint8_t* block, const SampleFormat& format, int channel, int frames, float* out)
{
    const int step = format.channels;
    if (format.bytesPerSample == 1) {
        const uint8_t* p = block + channel;
        for (int j = 0; j < frames; ++j)
            out[j] = static_cast<float>(static_cast<int>(p[j * step]) - 127);
        return;
    }
    const uint8_t* p = block + 2 * channel;
    for (int j = 0; j < frames; ++j) {
        const uint8_t* s = p + 2 * j * step;
        out[j] = static_cast<float>(static_cast<int16_t>(static_cast<uint16_t>(s[0] | (s[1] << 8))));
    }
}

void EncodeChannel(uint8_t* block, const SampleFormat& format, int channel, int frames, const float* in)
{
    const int step = format.channels;
    if (format.bytesPerSample == 1) {
        uint8_t* p = block + channel;
        for (int j = 0; j < frames; ++j)
            p[j * step] = static_cast<uint8_t>(Quantize8(in[j]) + 127.0f);
        return;
    }
    uint8_t* p = block + 2 * channel;
    for (int j = 0; j < frames; ++j) {
        const auto s = static_cast<uint16_t>(static_cast<int16_t>(Quantize16(in[j])));
        p[2 * j * step] = static_cast<uint8_t>(s);
        p[2 * j * step + 1] = static_cast<uint8_t>(s >> 8);
    }
}

void ClipToWriteRange(uint8_t* block, const SampleFormat& format, std::size_t samples)
{
    if (format.bytesPerSample == 1) {
        for (std::size_t i = 0; i < samples; ++i)
            block[i] = block[i] == 255 ? 254 : block[i];
        return;
    }
    for (std::size_t i = 0; i < samples; ++i)
        if (block[2 * i] == 0x00 && block[2 * i + 1] == 0x80)
            block[2 * i] = 0x01;
}
