#include "codecs/Pcm16Reader.h"

#include "wave/CRMWave.h"

CPcm16Reader::CPcm16Reader(CRMWave& wave)
    : m_wave(wave), m_bEightBit(wave.m_nBitsPerSample == 8)
{
}

std::size_t CPcm16Reader::Read(int16_t* target, std::size_t samples, std::size_t* pDocumentBytes)
{
    if (!m_bEightBit) {
        const std::size_t got = m_wave.ReadData(target, samples * sizeof(int16_t));
        *pDocumentBytes = got;
        return got / sizeof(int16_t);
    }
    m_bytes.resize(samples);
    const std::size_t got = m_wave.ReadData(m_bytes.data(), samples);
    for (std::size_t i = 0; i < got; ++i)
        target[i] = static_cast<int16_t>((m_bytes[i] - 128) * 256);
    *pDocumentBytes = got;
    return got;
}
