#pragma once
// Reads the document as 16-bit signed samples for the lossy encoders. An
// 8-bit document is widened on the fly: (byte - 128) × 256.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

class CRMWave;

static_assert(std::endian::native == std::endian::little,
              "the working file holds little-endian samples");

class CPcm16Reader {
public:
    explicit CPcm16Reader(CRMWave& wave);

    // Reads up to `samples` samples from the document's current position.
    // Returns the samples delivered; *pDocumentBytes gets the document bytes
    // consumed (which is what progress counts).
    std::size_t Read(int16_t* target, std::size_t samples, std::size_t* pDocumentBytes);

private:
    CRMWave& m_wave;
    bool m_bEightBit;
    std::vector<uint8_t> m_bytes;
};
