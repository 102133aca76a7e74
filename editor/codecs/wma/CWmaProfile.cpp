#include "codecs/wma/CWmaProfile.h"

#include "wave/WaveFormat.h"

HResult CWmaStreamConfig::SetStreamNumber(uint16_t number)
{
    if (number < 1 || number > 63)
        return kErrInvalidArg;
    m_nStreamNumber = number;
    return kOk;
}

HResult CWmaStreamConfig::SetStreamName(const std::string& name)
{
    m_strStreamName = name;
    return kOk;
}

HResult CWmaStreamConfig::SetConnectionName(const std::string& name)
{
    m_strConnectionName = name;
    return kOk;
}

HResult CWmaStreamConfig::SetBitrate(uint32_t bitsPerSecond)
{
    m_nBitrate = bitsPerSecond;
    return kOk;
}

HResult CWmaStreamConfig::SetMediaType(const WmaMediaType& type)
{
    if (!(type.majorType == m_streamType))
        return kErrInvalidArg;
    if (type.formatType == kFormatWaveFormatEx) {
        if (type.format.size() < WaveFormat::kRecordSize)
            return kErrInvalidArg;
        const WaveFormat wfx = WaveFormat::FromBytes(type.format.data());
        if (type.format.size() < WaveFormat::kRecordSize + wfx.cbSize)
            return kErrInvalidArg;
    }
    m_mediaType = type;
    m_bHasMediaType = true;
    return kOk;
}

HResult CWmaStreamConfig::GetMediaType(WmaMediaType& type) const
{
    if (!m_bHasMediaType)
        return kErrInvalidState;
    type = m_mediaType;
    return kOk;
}

HResult CWmaProfile::SetName(const std::string& name)
{
    m_strName = name;
    return kOk;
}

HResult CWmaProfile::CreateNewStream(const Guid& streamType, CWmaStreamConfig& config) const
{
    if (!(streamType == kMediaTypeAudio) && !(streamType == kMediaTypeVideo))
        return kErrInvalidArg;
    config = CWmaStreamConfig(streamType);
    return kOk;
}

HResult CWmaProfile::AddStream(const CWmaStreamConfig& config)
{
    if (!config.HasMediaType() || config.StreamNumber() == 0)
        return kErrInvalidArg;
    for (const CWmaStreamConfig& stream : m_streams) {
        if (stream.StreamNumber() == config.StreamNumber())
            return kErrInvalidArg;
    }
    m_streams.push_back(config);
    return kOk;
}
