#pragma once
// Helpers shared by the wave document tests: patterned PCM, a document
// filled with it, and whole-file reads for byte comparisons.

#include "wave/CRMWave.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

// Bytes whose value depends on their offset and a seed, so that any moved,
// lost or duplicated byte shows in a comparison.
inline std::vector<uint8_t> Pattern(std::size_t count, uint32_t seed = 1)
{
    std::vector<uint8_t> bytes(count);
    uint32_t x = seed * 2654435761u + 12345u;
    for (std::size_t i = 0; i < count; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<uint8_t>(x >> 16);
    }
    return bytes;
}

// Fills a fresh document with `bytes` and updates its length.
inline void FillDocument(CRMWave& wave, const std::vector<uint8_t>& bytes, int channels = 2,
                         int rate = 44100, int bits = 16)
{
    ASSERT_TRUE(wave.CreateNew(channels, rate, bits));
    ASSERT_TRUE(wave.WriteData(bytes.data(), bytes.size()));
    wave.UpdateLength();
}

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The document's working file, read whole (small test documents only).
inline std::vector<uint8_t> DocumentBytes(const CRMWave& wave)
{
    return ReadFileBytes(wave.GetPath());
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, std::size_t begin, std::size_t end)
{
    return std::vector<uint8_t>(v.begin() + static_cast<std::ptrdiff_t>(begin),
                                v.begin() + static_cast<std::ptrdiff_t>(end));
}
