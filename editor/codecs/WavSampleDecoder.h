#pragma once
// Turns the sample encodings a WAV file may carry into what the document
// holds: 8-bit unsigned or 16-bit signed PCM. 8- and 16-bit PCM pass through;
// wider integers, IEEE floats, A-law and µ-law become 16-bit.

#include "wave/WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

enum class WavEncoding {
    Unsupported,
    Pcm8,      // copied as is
    Pcm16,     // copied as is
    Pcm24,
    Pcm32,
    Float32,
    Float64,
    ALaw,
    MuLaw,
};

// The encoding of a "fmt " record (with its extra bytes, for
// WAVE_FORMAT_EXTENSIBLE), or Unsupported.
WavEncoding ClassifyWavFormat(const WaveFormat& format, const std::vector<uint8_t>& extra);

// Bytes of one source sample.
std::size_t SourceSampleBytes(WavEncoding encoding);
// Bits per sample in the document: 8 for Pcm8, otherwise 16.
int32_t DocumentBitsPerSample(WavEncoding encoding);

// Converts `count` whole source samples to 16-bit samples.
void ConvertToPcm16(WavEncoding encoding, const uint8_t* source, std::size_t count, int16_t* target);

int16_t DecodeALaw(uint8_t value);
int16_t DecodeMuLaw(uint8_t value);
