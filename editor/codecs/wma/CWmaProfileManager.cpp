#include "codecs/wma/CWmaProfileManager.h"

#include "codecs/wma/WmaCodecFormats.h"

#include <utility>

CWmaProfileManager::CWmaProfileManager()
{
    std::vector<WmaMediaType> formats;
    for (const WmaCodecFormat& format : WmaV2CodecFormats())
        formats.push_back(WmaV2MediaType(format));
    m_audioCodecs.push_back(std::move(formats));
}

CWmaProfileManager::CWmaProfileManager(std::vector<std::vector<WmaMediaType>> audioCodecs)
    : m_audioCodecs(std::move(audioCodecs))
{
}

HResult CWmaProfileManager::CreateEmptyProfile(uint32_t version, std::unique_ptr<CWmaProfile>& profile) const
{
    switch (version) {
    case 0x00040000:
    case 0x00070000:
    case 0x00080000:
    case 0x00090000:
        break;
    default:
        return kErrInvalidArg;
    }
    profile = std::make_unique<CWmaProfile>(version);
    return kOk;
}

HResult CWmaProfileManager::GetCodecInfoCount(const Guid& majorType, uint32_t& count) const
{
    if (majorType == kMediaTypeAudio)
        count = static_cast<uint32_t>(m_audioCodecs.size());
    else if (majorType == kMediaTypeVideo)
        count = 0;
    else
        return kErrInvalidArg;
    return kOk;
}

HResult CWmaProfileManager::GetCodecFormatCount(const Guid& majorType, uint32_t codec, uint32_t& count) const
{
    if (!(majorType == kMediaTypeAudio) || codec >= m_audioCodecs.size())
        return kErrInvalidArg;
    count = static_cast<uint32_t>(m_audioCodecs[codec].size());
    return kOk;
}

HResult CWmaProfileManager::GetCodecFormat(const Guid& majorType, uint32_t codec, uint32_t format,
                                           CWmaStreamConfig& config) const
{
    if (!(majorType == kMediaTypeAudio) || codec >= m_audioCodecs.size() ||
        format >= m_audioCodecs[codec].size())
        return kErrInvalidArg;
    config = CWmaStreamConfig(kMediaTypeAudio);
    return config.SetMediaType(m_audioCodecs[codec][format]);
}
