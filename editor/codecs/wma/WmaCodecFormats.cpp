#include "codecs/wma/WmaCodecFormats.h"

#include "wave/WaveFormat.h"

#include <algorithm>
#include <cstddef>

namespace {

// Measured with FFmpeg 5.1's wmav2 encoder (avcodec_open2, then bit_rate / 8
// and block_align), encoding three seconds of noise at each entry.
constexpr WmaCodecFormat kFormats[] = {
    { 8000, 1,  3000,  192},  // 24 kbit/s
    { 8000, 1,  4000,  256},  // 32 kbit/s
    { 8000, 1,  5000,  320},  // 40 kbit/s
    { 8000, 1,  6000,  384},  // 48 kbit/s
    { 8000, 1,  8000,  512},  // 64 kbit/s
    { 8000, 1, 10000,  640},  // 80 kbit/s
    { 8000, 1, 12000,  768},  // 96 kbit/s
    { 8000, 1, 16000, 1024},  // 128 kbit/s
    { 8000, 2,  3000,  192},  // 24 kbit/s
    { 8000, 2,  4000,  256},  // 32 kbit/s
    { 8000, 2,  5000,  320},  // 40 kbit/s
    { 8000, 2,  6000,  384},  // 48 kbit/s
    { 8000, 2,  8000,  512},  // 64 kbit/s
    { 8000, 2, 10000,  640},  // 80 kbit/s
    { 8000, 2, 12000,  768},  // 96 kbit/s
    { 8000, 2, 16000, 1024},  // 128 kbit/s
    { 8000, 2, 20000, 1280},  // 160 kbit/s
    { 8000, 2, 24000, 1536},  // 192 kbit/s
    {11025, 1,  3000,  139},  // 24 kbit/s
    {11025, 1,  4000,  185},  // 32 kbit/s
    {11025, 1,  5000,  232},  // 40 kbit/s
    {11025, 1,  6000,  278},  // 48 kbit/s
    {11025, 1,  8000,  371},  // 64 kbit/s
    {11025, 1, 10000,  464},  // 80 kbit/s
    {11025, 1, 12000,  557},  // 96 kbit/s
    {11025, 1, 16000,  743},  // 128 kbit/s
    {11025, 2,  3000,  139},  // 24 kbit/s
    {11025, 2,  4000,  185},  // 32 kbit/s
    {11025, 2,  5000,  232},  // 40 kbit/s
    {11025, 2,  6000,  278},  // 48 kbit/s
    {11025, 2,  8000,  371},  // 64 kbit/s
    {11025, 2, 10000,  464},  // 80 kbit/s
    {11025, 2, 12000,  557},  // 96 kbit/s
    {11025, 2, 16000,  743},  // 128 kbit/s
    {11025, 2, 20000,  928},  // 160 kbit/s
    {11025, 2, 24000, 1114},  // 192 kbit/s
    {16000, 1,  3000,   96},  // 24 kbit/s
    {16000, 1,  4000,  128},  // 32 kbit/s
    {16000, 1,  5000,  160},  // 40 kbit/s
    {16000, 1,  6000,  192},  // 48 kbit/s
    {16000, 1,  8000,  256},  // 64 kbit/s
    {16000, 1, 10000,  320},  // 80 kbit/s
    {16000, 1, 12000,  384},  // 96 kbit/s
    {16000, 1, 16000,  512},  // 128 kbit/s
    {16000, 2,  3000,   96},  // 24 kbit/s
    {16000, 2,  4000,  128},  // 32 kbit/s
    {16000, 2,  5000,  160},  // 40 kbit/s
    {16000, 2,  6000,  192},  // 48 kbit/s
    {16000, 2,  8000,  256},  // 64 kbit/s
    {16000, 2, 10000,  320},  // 80 kbit/s
    {16000, 2, 12000,  384},  // 96 kbit/s
    {16000, 2, 16000,  512},  // 128 kbit/s
    {16000, 2, 20000,  640},  // 160 kbit/s
    {16000, 2, 24000,  768},  // 192 kbit/s
    {22050, 1,  3000,  139},  // 24 kbit/s
    {22050, 1,  4000,  185},  // 32 kbit/s
    {22050, 1,  5000,  232},  // 40 kbit/s
    {22050, 1,  6000,  278},  // 48 kbit/s
    {22050, 1,  8000,  371},  // 64 kbit/s
    {22050, 1, 10000,  464},  // 80 kbit/s
    {22050, 1, 12000,  557},  // 96 kbit/s
    {22050, 1, 16000,  743},  // 128 kbit/s
    {22050, 2,  3000,  139},  // 24 kbit/s
    {22050, 2,  4000,  185},  // 32 kbit/s
    {22050, 2,  5000,  232},  // 40 kbit/s
    {22050, 2,  6000,  278},  // 48 kbit/s
    {22050, 2,  8000,  371},  // 64 kbit/s
    {22050, 2, 10000,  464},  // 80 kbit/s
    {22050, 2, 12000,  557},  // 96 kbit/s
    {22050, 2, 16000,  743},  // 128 kbit/s
    {22050, 2, 20000,  928},  // 160 kbit/s
    {22050, 2, 24000, 1114},  // 192 kbit/s
    {32000, 1,  3000,  192},  // 24 kbit/s
    {32000, 1,  4000,  256},  // 32 kbit/s
    {32000, 1,  5000,  320},  // 40 kbit/s
    {32000, 1,  6000,  384},  // 48 kbit/s
    {32000, 1,  8000,  512},  // 64 kbit/s
    {32000, 1, 10000,  640},  // 80 kbit/s
    {32000, 1, 12000,  768},  // 96 kbit/s
    {32000, 1, 16000, 1024},  // 128 kbit/s
    {32000, 1, 20000, 1280},  // 160 kbit/s
    {32000, 1, 24000, 1536},  // 192 kbit/s
    {32000, 2,  3000,  192},  // 24 kbit/s
    {32000, 2,  4000,  256},  // 32 kbit/s
    {32000, 2,  5000,  320},  // 40 kbit/s
    {32000, 2,  6000,  384},  // 48 kbit/s
    {32000, 2,  8000,  512},  // 64 kbit/s
    {32000, 2, 10000,  640},  // 80 kbit/s
    {32000, 2, 12000,  768},  // 96 kbit/s
    {32000, 2, 16000, 1024},  // 128 kbit/s
    {32000, 2, 20000, 1280},  // 160 kbit/s
    {32000, 2, 24000, 1536},  // 192 kbit/s
    {32000, 2, 32000, 2048},  // 256 kbit/s
    {32000, 2, 40000, 2560},  // 320 kbit/s
    {44100, 1,  3000,  139},  // 24 kbit/s
    {44100, 1,  4000,  185},  // 32 kbit/s
    {44100, 1,  5000,  232},  // 40 kbit/s
    {44100, 1,  6000,  278},  // 48 kbit/s
    {44100, 1,  8000,  371},  // 64 kbit/s
    {44100, 1, 10000,  464},  // 80 kbit/s
    {44100, 1, 12000,  557},  // 96 kbit/s
    {44100, 1, 16000,  743},  // 128 kbit/s
    {44100, 1, 20000,  928},  // 160 kbit/s
    {44100, 1, 24000, 1114},  // 192 kbit/s
    {44100, 2,  3000,  139},  // 24 kbit/s
    {44100, 2,  4000,  185},  // 32 kbit/s
    {44100, 2,  5000,  232},  // 40 kbit/s
    {44100, 2,  6000,  278},  // 48 kbit/s
    {44100, 2,  8000,  371},  // 64 kbit/s
    {44100, 2, 10000,  464},  // 80 kbit/s
    {44100, 2, 12000,  557},  // 96 kbit/s
    {44100, 2, 16000,  743},  // 128 kbit/s
    {44100, 2, 20000,  928},  // 160 kbit/s
    {44100, 2, 24000, 1114},  // 192 kbit/s
    {44100, 2, 32000, 1486},  // 256 kbit/s
    {44100, 2, 40000, 1857},  // 320 kbit/s
    {48000, 1,  3000,  128},  // 24 kbit/s
    {48000, 1,  4000,  170},  // 32 kbit/s
    {48000, 1,  5000,  213},  // 40 kbit/s
    {48000, 1,  6000,  256},  // 48 kbit/s
    {48000, 1,  8000,  341},  // 64 kbit/s
    {48000, 1, 10000,  426},  // 80 kbit/s
    {48000, 1, 12000,  512},  // 96 kbit/s
    {48000, 1, 16000,  682},  // 128 kbit/s
    {48000, 1, 20000,  853},  // 160 kbit/s
    {48000, 1, 24000, 1024},  // 192 kbit/s
    {48000, 2,  3000,  128},  // 24 kbit/s
    {48000, 2,  4000,  170},  // 32 kbit/s
    {48000, 2,  5000,  213},  // 40 kbit/s
    {48000, 2,  6000,  256},  // 48 kbit/s
    {48000, 2,  8000,  341},  // 64 kbit/s
    {48000, 2, 10000,  426},  // 80 kbit/s
    {48000, 2, 12000,  512},  // 96 kbit/s
    {48000, 2, 16000,  682},  // 128 kbit/s
    {48000, 2, 20000,  853},  // 160 kbit/s
    {48000, 2, 24000, 1024},  // 192 kbit/s
    {48000, 2, 32000, 1365},  // 256 kbit/s
    {48000, 2, 40000, 1706},  // 320 kbit/s
};

}  // namespace

std::span<const WmaCodecFormat> WmaV2CodecFormats()
{
    return kFormats;
}

std::vector<uint8_t> WmaV2ExtraData()
{
    return {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
}

std::vector<uint8_t> WmaV2FormatBlock(const WmaCodecFormat& format)
{
    WaveFormat wfx;
    wfx.wFormatTag = kWmaV2FormatTag;
    wfx.nChannels = format.channels;
    wfx.nSamplesPerSec = format.samplesPerSec;
    wfx.nAvgBytesPerSec = format.avgBytesPerSec;
    wfx.nBlockAlign = format.blockAlign;
    wfx.wBitsPerSample = 16;
    const std::vector<uint8_t> extra = WmaV2ExtraData();
    wfx.cbSize = static_cast<uint16_t>(extra.size());

    const auto record = wfx.ToBytes();
    std::vector<uint8_t> block(record.size() + extra.size());
    std::copy(record.begin(), record.end(), block.begin());
    std::copy(extra.begin(), extra.end(), block.begin() + static_cast<std::ptrdiff_t>(record.size()));
    return block;
}

WmaMediaType WmaV2MediaType(const WmaCodecFormat& format)
{
    WmaMediaType type;
    type.majorType = kMediaTypeAudio;
    type.subtype = SubtypeForFormatTag(kWmaV2FormatTag);
    type.fixedSizeSamples = true;
    type.temporalCompression = false;
    type.sampleSize = format.blockAlign;
    type.formatType = kFormatWaveFormatEx;
    type.format = WmaV2FormatBlock(format);
    return type;
}
