#pragma once
// The decoding runtime behind CWmaReader, as the reader sees it: it opens a
// file, reports its outputs, and then decodes on a thread of its own, calling
// back with status changes, PCM samples and the times it reaches. With a
// user-provided clock it delivers samples only up to the time it was last
// told (DeliverTime), so the caller paces it.
//
// Times are in 100-nanosecond units.

#include "codecs/wma/WmaTypes.h"
#include "wave/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>

// Status numbers as the Windows Media runtime defines them.
enum MediaReaderStatus : int32_t {
    StatusError = 0,
    StatusOpened = 1,
    StatusEndOfFile = 4,
    StatusNoRights = 9,
    StatusMissingCodec = 10,
    StatusStarted = 11,
    StatusStopped = 12,
    StatusClosed = 13,
};

class IMediaReaderCallback {
public:
    virtual ~IMediaReaderCallback() = default;
    virtual void OnStatus(int32_t status, HResult result) = 0;
    // One block of decoded PCM of an output, starting at `time`.
    virtual void OnSample(uint32_t output, uint64_t time, uint64_t duration, uint32_t flags,
                          const uint8_t* data, uint32_t length) = 0;
    // Everything up to `time` has been delivered.
    virtual void OnTime(uint64_t time) = 0;
};

struct MediaOutputInfo {
    Guid majorType;
    WaveFormat format;  // the PCM the output delivers; audio outputs only
};

class IMediaReader {
public:
    virtual ~IMediaReader() = default;

    // Starts opening the file. Refused at once when the file cannot be
    // opened; otherwise StatusOpened follows on the runtime's thread.
    virtual HResult Open(const std::string& path, IMediaReaderCallback* callback) = 0;
    virtual HResult GetOutputCount(uint32_t& count) = 0;
    virtual HResult GetOutputProps(uint32_t output, MediaOutputInfo& info) = 0;
    // Header attributes of the file: "Duration" in 100-ns units and
    // "Bitrate" in bits per second; kErrFail when the file does not say.
    virtual HResult GetDuration(uint64_t& duration) = 0;
    virtual HResult GetBitrate(uint32_t& bitsPerSecond) = 0;
    virtual HResult SetUserProvidedClock(bool enabled) = 0;
    // Starts decoding from the beginning; StatusStarted follows.
    virtual HResult Start() = 0;
    virtual HResult DeliverTime(uint64_t time) = 0;
    // Stops decoding and ends the runtime's thread. No callback runs after
    // Stop has returned.
    virtual HResult Stop() = 0;
};

// The FFmpeg-based runtime.
std::unique_ptr<IMediaReader> CreateMediaReader();
