#include "codecs/wma/WmaProfile.h"

#include "wave/WaveFormat.h"

#include <cstdlib>
#include <optional>
#include <vector>

namespace {

bool IsCandidate(const WaveFormat& wfx, uint32_t formatTag, uint32_t bitRate, uint32_t samplesPerSec,
                 uint32_t channels)
{
    const int64_t offered = static_cast<int64_t>(wfx.nAvgBytesPerSec) * 8;
    return std::llabs(offered - static_cast<int64_t>(bitRate)) < kBitRateTolerance &&
           wfx.nSamplesPerSec == samplesPerSec && wfx.nChannels == channels && wfx.wFormatTag == formatTag;
}

}  // namespace

HResult CreateWmaProfile(const WmaStreamRequest* request, std::unique_ptr<CWmaProfile>* profile)
{
    if (!request || !profile)
        return kErrInvalidArg;

    const CWmaProfileManager manager;
    std::unique_ptr<CWmaProfile> created;
    HResult result = manager.CreateEmptyProfile(CWmaProfileManager::kProfileVersion7, created);
    if (Succeeded(result))
        result = created->SetName("Custom Profile");
    if (Succeeded(result))
        result = CreateAudioStream(request->formatTag, request->bitRate, request->samplesPerSec,
                                   request->channels, false, *created, manager);
    if (Succeeded(result))
        *profile = std::move(created);
    return result;
}

HResult CreateAudioStream(uint32_t formatTag, uint32_t bitRate, uint32_t samplesPerSec, uint32_t channels,
                          bool preferSmallBlocks, CWmaProfile& profile, const CWmaProfileManager& manager)
{
    uint32_t codecCount = 0;
    HResult result = manager.GetCodecInfoCount(kMediaTypeAudio, codecCount);
    if (Failed(result))
        return result;

    std::optional<WaveFormat> chosen;
    std::vector<uint8_t> chosenBlock;
    for (uint32_t codec = 0; codec < codecCount; ++codec) {
        uint32_t formatCount = 0;
        result = manager.GetCodecFormatCount(kMediaTypeAudio, codec, formatCount);
        if (Failed(result))
            return result;
        for (uint32_t index = 0; index < formatCount; ++index) {
            CWmaStreamConfig config;
            WmaMediaType type;
            result = manager.GetCodecFormat(kMediaTypeAudio, codec, index, config);
            if (Succeeded(result))
                result = config.GetMediaType(type);
            if (Failed(result))
                return result;
            if (!(type.formatType == kFormatWaveFormatEx) || type.format.size() < WaveFormat::kRecordSize)
                return kErrFail;

            const WaveFormat wfx = WaveFormat::FromBytes(type.format.data());
            if (!IsCandidate(wfx, formatTag, bitRate, samplesPerSec, channels))
                continue;
            const bool replaces = !chosen || (preferSmallBlocks ? wfx.nBlockAlign <= chosen->nBlockAlign
                                                                : wfx.nBlockAlign >= chosen->nBlockAlign);
            if (replaces) {
                chosen = wfx;
                chosenBlock = type.format;
            }
        }
    }
    if (!chosen)
        return kErrNoCodecFormat;

    WmaMediaType mediaType;
    mediaType.majorType = kMediaTypeAudio;
    mediaType.subtype = SubtypeForFormatTag(chosen->wFormatTag);
    mediaType.fixedSizeSamples = true;
    mediaType.temporalCompression = false;
    mediaType.sampleSize = chosen->nBlockAlign;
    mediaType.formatType = kFormatWaveFormatEx;
    mediaType.format = chosenBlock;

    CWmaStreamConfig stream;
    result = profile.CreateNewStream(kMediaTypeAudio, stream);
    if (Succeeded(result))
        result = ConfigureStream(stream, 1, "Audio Stream", "Audio", chosen->nAvgBytesPerSec * 8, mediaType);
    if (Succeeded(result))
        result = profile.AddStream(stream);
    return result;
}

HResult ConfigureStream(CWmaStreamConfig& config, uint16_t streamNumber, const std::string& streamName,
                        const std::string& connectionName, uint32_t bitRate, const WmaMediaType& mediaType)
{
    HResult result = config.SetStreamNumber(streamNumber);
    if (Succeeded(result))
        result = config.SetStreamName(streamName);
    if (Succeeded(result))
        result = config.SetConnectionName(connectionName);
    if (Succeeded(result))
        result = config.SetBitrate(bitRate);
    if (Succeeded(result))
        result = config.SetMediaType(mediaType);
    return result;
}
