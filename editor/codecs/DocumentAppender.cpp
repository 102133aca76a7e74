#include "codecs/DocumentAppender.h"

#include "wave/CRMWave.h"

CDocumentAppender::CDocumentAppender(CRMWave& wave) : m_wave(wave)
{
    m_block.reserve(CRMWave::kBlockSize);
}

CDocumentAppender::~CDocumentAppender()
{
    Flush();
}

bool CDocumentAppender::Append(const void* data, std::size_t count)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (m_block.size() + count > CRMWave::kBlockSize && !Flush())
        return false;
    if (count >= CRMWave::kBlockSize)
        return m_wave.WriteData(bytes, count);
    m_block.insert(m_block.end(), bytes, bytes + count);
    return true;
}

bool CDocumentAppender::Flush()
{
    if (m_block.empty())
        return true;
    const bool ok = m_wave.WriteData(m_block.data(), m_block.size());
    m_block.clear();
    return ok;
}
