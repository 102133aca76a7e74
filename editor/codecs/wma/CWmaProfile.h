#pragma once
// A writer profile: named, versioned, with the streams the writer will
// produce. Each stream is a CWmaStreamConfig carrying its number, names,
// bit rate and media type.

#include "codecs/wma/WmaTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CWmaStreamConfig {
public:
    explicit CWmaStreamConfig(const Guid& streamType = kMediaTypeAudio) : m_streamType(streamType) {}

    const Guid& StreamType() const { return m_streamType; }

    // Stream numbers run from 1 to 63.
    HResult SetStreamNumber(uint16_t number);
    HResult SetStreamName(const std::string& name);
    HResult SetConnectionName(const std::string& name);
    HResult SetBitrate(uint32_t bitsPerSecond);
    // The major type must match the stream's type, and a wave-format block
    // must hold its 18-byte record and the extra bytes it announces.
    HResult SetMediaType(const WmaMediaType& type);
    // Fails with kErrInvalidState while no media type has been set.
    HResult GetMediaType(WmaMediaType& type) const;

    uint16_t StreamNumber() const { return m_nStreamNumber; }
    const std::string& StreamName() const { return m_strStreamName; }
    const std::string& ConnectionName() const { return m_strConnectionName; }
    uint32_t Bitrate() const { return m_nBitrate; }
    bool HasMediaType() const { return m_bHasMediaType; }

private:
    Guid m_streamType;
    uint16_t m_nStreamNumber = 0;
    std::string m_strStreamName;
    std::string m_strConnectionName;
    uint32_t m_nBitrate = 0;
    bool m_bHasMediaType = false;
    WmaMediaType m_mediaType;
};

class CWmaProfile {
public:
    explicit CWmaProfile(uint32_t version) : m_nVersion(version) {}

    uint32_t Version() const { return m_nVersion; }
    HResult SetName(const std::string& name);
    const std::string& Name() const { return m_strName; }

    // A fresh configuration for a stream of the given major type (audio or
    // video); it belongs to the profile only once AddStream has copied it.
    HResult CreateNewStream(const Guid& streamType, CWmaStreamConfig& config) const;
    // Copies a configured stream in. Refused without a media type, without a
    // stream number, or with a number already in use.
    HResult AddStream(const CWmaStreamConfig& config);

    std::size_t StreamCount() const { return m_streams.size(); }
    const CWmaStreamConfig& Stream(std::size_t index) const { return m_streams.at(index); }

private:
    uint32_t m_nVersion;
    std::string m_strName;
    std::vector<CWmaStreamConfig> m_streams;
};
