#pragma once
// Creates empty profiles and lists the codec formats a profile may use.
//
// By default it offers one audio codec, FFmpeg's wmav2 encoder, with the
// formats of WmaV2CodecFormats(). A manager can also be built over any list
// of codecs and formats, which is how the profile search is exercised on
// tables other than ours.

#include "codecs/wma/CWmaProfile.h"
#include "codecs/wma/WmaTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

class CWmaProfileManager {
public:
    static constexpr uint32_t kProfileVersion7 = 0x00070000;

    CWmaProfileManager();
    // One inner list per audio codec, its formats in enumeration order.
    explicit CWmaProfileManager(std::vector<std::vector<WmaMediaType>> audioCodecs);

    // Versions 4.0, 7.0, 8.0 and 9.0 are known; any other is refused.
    HResult CreateEmptyProfile(uint32_t version, std::unique_ptr<CWmaProfile>& profile) const;

    HResult GetCodecInfoCount(const Guid& majorType, uint32_t& count) const;
    HResult GetCodecFormatCount(const Guid& majorType, uint32_t codec, uint32_t& count) const;
    // A stream configuration whose media type is the format.
    HResult GetCodecFormat(const Guid& majorType, uint32_t codec, uint32_t format,
                           CWmaStreamConfig& config) const;

private:
    std::vector<std::vector<WmaMediaType>> m_audioCodecs;
};
