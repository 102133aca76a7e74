#include "WaveFormat.h"

WaveFormat WaveFormat::Pcm(int channels, int samplesPerSec, int bitsPerSample)
{
    WaveFormat f;
    f.wFormatTag = kTagPcm;
    f.nChannels = static_cast<uint16_t>(channels);
    f.nSamplesPerSec = static_cast<uint32_t>(samplesPerSec);
    f.nBlockAlign = static_cast<uint16_t>(bitsPerSample * channels / 8);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.wBitsPerSample = static_cast<uint16_t>(bitsPerSample);
    f.cbSize = 0;
    return f;
}

std::array<uint8_t, WaveFormat::kRecordSize> WaveFormat::ToBytes() const
{
    std::array<uint8_t, kRecordSize> b{};
    WriteLE16(&b[0], wFormatTag);
    WriteLE16(&b[2], nChannels);
    WriteLE32(&b[4], nSamplesPerSec);
    WriteLE32(&b[8], nAvgBytesPerSec);
    WriteLE16(&b[12], nBlockAlign);
    WriteLE16(&b[14], wBitsPerSample);
    WriteLE16(&b[16], cbSize);
    return b;
}

WaveFormat WaveFormat::FromBytes(const uint8_t* b)
{
    WaveFormat f;
    f.wFormatTag = ReadLE16(&b[0]);
    f.nChannels = ReadLE16(&b[2]);
    f.nSamplesPerSec = ReadLE32(&b[4]);
    f.nAvgBytesPerSec = ReadLE32(&b[8]);
    f.nBlockAlign = ReadLE16(&b[12]);
    f.wBitsPerSample = ReadLE16(&b[14]);
    f.cbSize = ReadLE16(&b[16]);
    return f;
}
