#pragma once
// The codec formats that the profile search walks: what FFmpeg's wmav2
// encoder offers, as (rate, channels, average bytes per second, block align).
//
// Average bytes per second is the encoder's bit rate / 8, and block align the
// packet size it produces at that rate; both were read from the encoder and
// are checked against it by the tests. The encoder refuses anything below
// 24 kbit/s, so the ladder starts there at every rate.

#include "codecs/wma/WmaTypes.h"

#include <cstdint>
#include <span>
#include <vector>

struct WmaCodecFormat {
    uint32_t samplesPerSec;
    uint16_t channels;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
};

// Every format of the wmav2 encoder, grouped by rate and channel count, each
// group in rising bit rate.
std::span<const WmaCodecFormat> WmaV2CodecFormats();

// The extra bytes of the wmav2 format block: the encoder's flags (32-bit
// flags1 = 0, 16-bit flags2 = 1) and four reserved zero bytes.
std::vector<uint8_t> WmaV2ExtraData();

// The complete format block of an entry: WAVEFORMATEX with tag 0x161,
// 16 bits per sample and the extra bytes above.
std::vector<uint8_t> WmaV2FormatBlock(const WmaCodecFormat& format);

// The media type under which the profile manager offers an entry.
WmaMediaType WmaV2MediaType(const WmaCodecFormat& format);
