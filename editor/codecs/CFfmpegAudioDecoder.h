#pragma once
// Decodes the first audio track of a given codec family from a file that
// libavformat opens, to 16-bit interleaved PCM at the track's own rate and
// channel count (only the sample encoding is converted).

#include "codecs/wma/FfmpegHandles.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class CFfmpegAudioDecoder {
public:
    CFfmpegAudioDecoder() = default;
    CFfmpegAudioDecoder(const CFfmpegAudioDecoder&) = delete;
    CFfmpegAudioDecoder& operator=(const CFfmpegAudioDecoder&) = delete;

    // Opens the file and the first audio track whose codec is one of `codecs`.
    bool Open(const std::string& path, std::initializer_list<AVCodecID> codecs);

    int Channels() const;
    int SampleRate() const;
    int64_t BitRate() const;
    // Track position and duration in seconds, for progress (duration 0 when unknown).
    double Position() const { return m_dPosition; }
    double Duration() const { return m_dDuration; }

    // Decodes the next packet's worth of PCM into `pcm` (interleaved 16-bit
    // samples, possibly none). False at the end of the track or on an error;
    // Failed() tells which.
    bool Next(std::vector<int16_t>& pcm);
    bool Failed() const { return m_bFailed; }

private:
    bool Convert(const AVFrame* frame, std::vector<int16_t>& pcm);

    AvInputContextPtr m_format;
    AvCodecContextPtr m_decoder;
    SwrContextPtr m_resampler;
    AvPacketPtr m_packet;
    AvFramePtr m_frame;
    int m_nStream = -1;
    bool m_bFailed = false;
    double m_dPosition = 0;
    double m_dDuration = 0;
};
