#pragma once
// Documents for the device tests: patterned bytes and sine tones, written
// through the document's own interface.

#include "wave/CRMWave.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

// Bytes whose value tells their offset apart from their neighbours'.
inline std::vector<uint8_t> PatternBytes(std::size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(1 + (i * 7 + i / 251) % 250);  // never 0 or 0x80
    return bytes;
}

// 16-bit samples of a sine at `hz`, the same in every channel.
inline std::vector<uint8_t> ToneBytes(double hz, int rate, int channels, double seconds, double amplitude = 12000)
{
    const auto frames = static_cast<std::size_t>(rate * seconds);
    std::vector<uint8_t> bytes;
    bytes.reserve(frames * channels * 2);
    for (std::size_t f = 0; f < frames; ++f) {
        const auto v = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * f / rate)));
        for (int c = 0; c < channels; ++c) {
            bytes.push_back(static_cast<uint8_t>(v & 0xFF));
            bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        }
    }
    return bytes;
}

inline bool FillDocument(CRMWave& wave, int channels, int rate, int bits, const std::vector<uint8_t>& bytes)
{
    if (!wave.CreateNew(channels, rate, bits))
        return false;
    if (!bytes.empty() && !wave.WriteData(bytes.data(), bytes.size()))
        return false;
    wave.UpdateLength();
    return true;
}

// The document's whole working file.
inline std::vector<uint8_t> DocumentBytes(CRMWave& wave)
{
    std::vector<uint8_t> all;
    wave.SeekToStart();
    uint8_t buffer[65536];
    while (std::size_t n = wave.ReadData(buffer, sizeof buffer))
        all.insert(all.end(), buffer, buffer + n);
    return all;
}
