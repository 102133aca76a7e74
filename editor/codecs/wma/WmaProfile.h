#pragma once
// Builds the one-stream audio profile that the WMA writer uses, choosing the
// codec format by bit rate, rate, channel count and format tag.

#include "codecs/wma/CWmaProfile.h"
#include "codecs/wma/CWmaProfileManager.h"
#include "codecs/wma/WmaTypes.h"

#include <cstdint>
#include <memory>
#include <string>

// What the writer asks for, in this order.
struct WmaStreamRequest {
    uint32_t bitRate;        // bits per second
    uint32_t formatTag;
    uint32_t samplesPerSec;
    uint32_t channels;
};

// A codec format is within reach when its average bytes per second × 8 lies
// less than this many bits per second from the request.
constexpr int64_t kBitRateTolerance = 250;

// Profile "Custom Profile", version 7.0, with stream 1 "Audio Stream" on
// connection "Audio". The profile is handed out only on success; a missing
// request or out pointer gives kErrInvalidArg.
HResult CreateWmaProfile(const WmaStreamRequest* request, std::unique_ptr<CWmaProfile>* profile);

// Walks the manager's audio codecs and their formats in order and adds a
// stream with the chosen one. A candidate has the requested rate, channels
// and tag and a bit rate within the tolerance; among candidates the largest
// block align wins, the last one on a tie (the smallest, the last one on a
// tie, with preferSmallBlocks). No candidate: kErrNoCodecFormat.
HResult CreateAudioStream(uint32_t formatTag, uint32_t bitRate, uint32_t samplesPerSec, uint32_t channels,
                          bool preferSmallBlocks, CWmaProfile& profile, const CWmaProfileManager& manager);

// Sets stream number, stream name, connection name and bit rate, then the
// media type; stops at the first failure and returns it.
HResult ConfigureStream(CWmaStreamConfig& config, uint16_t streamNumber, const std::string& streamName,
                        const std::string& connectionName, uint32_t bitRate, const WmaMediaType& mediaType);
