#include "SampleCodec.h"

#include <bit>
#include <cstring>
#include <type_traits>

namespace {

// One- and two-channel documents: a frame is one little-endian word, and a
// channel's sample is a bit field of it, so a channel is read or rewritten
// with whole-word loads and stores that the compiler turns into vector code.
template <typename Word>
Word LoadWord(const uint8_t* p)
{
    Word w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

template <typename Word>
void StoreWord(uint8_t* p, Word w)
{
    std::memcpy(p, &w, sizeof w);
}

// The stored integer of Quantize16 and of Quantize8 (as the byte), in one
// conversion each.
inline int StoredInt16(float value)
{
    float v = value != value ? 0.0f : value;
    v = v < -32767.0f ? -32767.0f : v;
    v = v > 32767.0f ? 32767.0f : v;
    return static_cast<int>(v);
}

inline int StoredByte(float value)
{
    float v = value != value ? 0.0f : value;
    v = v < -127.0f ? -127.0f : v;
    v = v > 127.0f ? 127.0f : v;
    return static_cast<int>(v + 127.0f);
}

// Sample is uint8_t (8-bit, 127 is zero) or int16_t.
template <typename Word, typename Sample>
[[gnu::always_inline]] inline void DecodeWords(const uint8_t* block, int channel, int frames, float* out)
{
    using Bits = std::make_unsigned_t<Sample>;
    const int shift = channel * 8 * static_cast<int>(sizeof(Sample));
    for (int j = 0; j < frames; ++j) {
        const auto bits = static_cast<Bits>(LoadWord<Word>(block + j * sizeof(Word)) >> shift);
        if constexpr (sizeof(Sample) == 1)
            out[j] = static_cast<float>(static_cast<int>(bits) - 127);
        else
            out[j] = static_cast<float>(static_cast<int16_t>(bits));
    }
}

template <typename Word, typename Sample>
[[gnu::always_inline]] inline void EncodeWords(uint8_t* block, int channel, int frames, const float* in)
{
    using Bits = std::make_unsigned_t<Sample>;
    const int shift = channel * 8 * static_cast<int>(sizeof(Sample));
    const auto keep = static_cast<Word>(~(static_cast<Word>(static_cast<Bits>(~Bits{0})) << shift));
    for (int j = 0; j < frames; ++j) {
        Bits bits;
        if constexpr (sizeof(Sample) == 1)
            bits = static_cast<Bits>(StoredByte(in[j]));
        else
            bits = static_cast<Bits>(static_cast<int16_t>(StoredInt16(in[j])));
        uint8_t* p = block + j * sizeof(Word);
        const Word old = sizeof(Word) == sizeof(Sample) ? Word{0} : LoadWord<Word>(p);
        StoreWord<Word>(p, static_cast<Word>((old & keep) | static_cast<Word>(static_cast<Word>(bits) << shift)));
    }
}

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// Built for AVX2 as well where the processor has it (no FMA, so every value
// stays the one the plain loop gives). Kept inside this file: clang does not
// emit the resolver of a cloned function that other files call.
__attribute__((target_clones("avx2", "default"))) void DecodeCloned(const uint8_t* block, const SampleFormat& format, int channel, int frames, float* out)
{
    const int step = format.channels;
    if (kLittleEndian && step <= 2) {
        if (format.bytesPerSample == 1)
            step == 1 ? DecodeWords<uint8_t, uint8_t>(block, channel, frames, out)
                      : DecodeWords<uint16_t, uint8_t>(block, channel, frames, out);
        else
            step == 1 ? DecodeWords<uint16_t, int16_t>(block, channel, frames, out)
                      : DecodeWords<uint32_t, int16_t>(block, channel, frames, out);
        return;
    }
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

__attribute__((target_clones("avx2", "default"))) void EncodeCloned(uint8_t* block, const SampleFormat& format, int channel, int frames, const float* in)
{
    const int step = format.channels;
    if (kLittleEndian && step <= 2) {
        if (format.bytesPerSample == 1)
            step == 1 ? EncodeWords<uint8_t, uint8_t>(block, channel, frames, in)
                      : EncodeWords<uint16_t, uint8_t>(block, channel, frames, in);
        else
            step == 1 ? EncodeWords<uint16_t, int16_t>(block, channel, frames, in)
                      : EncodeWords<uint32_t, int16_t>(block, channel, frames, in);
        return;
    }
    if (format.bytesPerSample == 1) {
        uint8_t* p = block + channel;
        for (int j = 0; j < frames; ++j)
            p[j * step] = static_cast<uint8_t>(StoredByte(in[j]));
        return;
    }
    uint8_t* p = block + 2 * channel;
    for (int j = 0; j < frames; ++j) {
        const auto s = static_cast<uint16_t>(static_cast<int16_t>(StoredInt16(in[j])));
        p[2 * j * step] = static_cast<uint8_t>(s);
        p[2 * j * step + 1] = static_cast<uint8_t>(s >> 8);
    }
}

}  // namespace

void DecodeChannel(const uint8_t* block, const SampleFormat& format, int channel, int frames, float* out)
{
    DecodeCloned(block, format, channel, frames, out);
}

void EncodeChannel(uint8_t* block, const SampleFormat& format, int channel, int frames, const float* in)
{
    EncodeCloned(block, format, channel, frames, in);
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
