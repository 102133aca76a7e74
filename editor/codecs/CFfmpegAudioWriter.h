#pragma once
// Encodes 16-bit interleaved PCM with one of FFmpeg's audio encoders into a
// container written by one of its muxers, named explicitly.
//
// The file is written beside its target under a temporary name and renamed
// over it only when Finish succeeds, so a failed or abandoned save never
// touches an existing file. The output is seekable, so muxers that patch
// their header at the end (ASF, MP4) work.

#include "codecs/CReplacingFile.h"
#include "codecs/wma/FfmpegHandles.h"
#include "codecs/wma/WmaTypes.h"

#include <cstdint>
#include <string>
#include <vector>

class CFfmpegAudioWriter {
public:
    struct Settings {
        AVCodecID codec = AV_CODEC_ID_NONE;
        const char* muxer = nullptr;   // e.g. "asf", "mp4", "ipod"
        int sampleRate = 0;
        int channels = 0;
        int64_t bitRate = 0;
        int requiredBlockAlign = 0;    // refuse the encoder unless its packets have this size (0: any)
        bool leadingSilence = false;   // a frame of silence ahead of the input (see the .cpp)
        bool globalHeader = false;     // codec set-up in the container's header (MP4), not in the stream
    };

    CFfmpegAudioWriter() = default;
    ~CFfmpegAudioWriter();
    CFfmpegAudioWriter(const CFfmpegAudioWriter&) = delete;
    CFfmpegAudioWriter& operator=(const CFfmpegAudioWriter&) = delete;

    // Creates the temporary file, opens the encoder and writes the header.
    // kErrFileOpen, kErrNoCodecFormat (the encoder refuses the format) or
    // kErrFail; nothing is left behind on failure.
    HResult Open(const std::string& path, const Settings& settings);
    // Encodes `frames` frames of 16-bit interleaved samples.
    HResult Write(const int16_t* samples, int frames);
    // Flushes the encoder, completes the file and renames it over the target.
    HResult Finish();

private:
    HResult OpenEncoder(const Settings& settings);
    HResult OpenContainer(const Settings& settings);
    HResult EncodeFromFifo(int frames);
    HResult DrainPackets();
    void Close();

    static int WritePacket(void* opaque, uint8_t* buffer, int size);
    static int64_t SeekOutput(void* opaque, int64_t offset, int whence);

    bool m_bOpen = false;
    int m_nChannels = 0;
    CReplacingFile m_file;
    int64_t m_nOutputPosition = 0;
    AvioContextPtr m_io;
    AvOutputContextPtr m_container;
    AvCodecContextPtr m_encoder;
    AvAudioFifoPtr m_fifo;
    AvFramePtr m_frame;
    AvPacketPtr m_packet;
    std::vector<std::vector<float>> m_planes;
    std::vector<void*> m_planePointers;
    int64_t m_nNextPts = 0;
};
