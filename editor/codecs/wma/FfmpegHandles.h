#pragma once
// Owning handles for the FFmpeg objects the WMA reader and writer use.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

#include <memory>

struct AvCodecContextFree {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct AvFrameFree {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct AvPacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrFree {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct AvAudioFifoFree {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};
// An AVIOContext made with avio_alloc_context: its buffer belongs to FFmpeg
// and may have been replaced, so both are freed here.
struct AvioContextFree {
    void operator()(AVIOContext* p) const
    {
        if (p)
            av_freep(&p->buffer);
        avio_context_free(&p);
    }
};
// An input context opened with avformat_open_input.
struct AvInputFormatContextClose {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
// An output context made with avformat_alloc_output_context2.
struct AvOutputFormatContextFree {
    void operator()(AVFormatContext* p) const { avformat_free_context(p); }
};

using AvCodecContextPtr = std::unique_ptr<AVCodecContext, AvCodecContextFree>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrFree>;
using AvAudioFifoPtr = std::unique_ptr<AVAudioFifo, AvAudioFifoFree>;
using AvioContextPtr = std::unique_ptr<AVIOContext, AvioContextFree>;
using AvInputContextPtr = std::unique_ptr<AVFormatContext, AvInputFormatContextClose>;
using AvOutputContextPtr = std::unique_ptr<AVFormatContext, AvOutputFormatContextFree>;
