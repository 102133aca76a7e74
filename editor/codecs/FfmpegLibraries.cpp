#include "codecs/FfmpegLibraries.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

enum Library { kUtil, kResample, kCodec, kFormat, kLibraryCount };

// The sonames of the versions the headers describe. In dependency order.
constexpr const char* kSonames[kLibraryCount] = {
    "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libswresample.so." AV_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR),
    "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
};

struct Libraries {
    void* handles[kLibraryCount] = {};
};

// Loaded on first use and kept for the life of the process: decoders may
// still run on other threads while it ends.
const Libraries& Loaded()
{
    static const Libraries libraries = [] {
        Libraries loaded;
        for (int i = 0; i < kLibraryCount; ++i) {
            loaded.handles[i] = dlopen(kSonames[i], RTLD_NOW | RTLD_LOCAL);
            if (!loaded.handles[i]) {
                for (int j = 0; j < i; ++j)
                    dlclose(loaded.handles[j]);
                return Libraries{};
            }
        }
        return loaded;
    }();
    return libraries;
}

void* Symbol(Library library, const char* name)
{
    void* handle = Loaded().handles[library];
    void* symbol = handle ? dlsym(handle, name) : nullptr;
    if (!symbol) {
        std::fprintf(stderr, "FFmpeg function %s is not available from %s\n", name, kSonames[library]);
        std::abort();
    }
    return symbol;
}

}  // namespace

bool FfmpegAvailable()
{
    return Loaded().handles[kFormat] != nullptr;
}

// One FFmpeg function under its own name and prototype (one that differs from
// FFmpeg's declaration does not compile), resolved in its library on the
// first call. Hidden, so that neither FFmpeg's calls between its own
// libraries nor a program that links FFmpeg itself ever come through here.
#define VRT_FFMPEG_FORWARD(library, result, name, params, args)                              \
    extern "C" __attribute__((visibility("hidden"))) result name params                     \
    {                                                                                      \
        static const auto real = reinterpret_cast<decltype(&name)>(Symbol(library, #name)); \
        return real args;                                                                  \
    }

VRT_FFMPEG_FORWARD(kUtil, AVAudioFifo*, av_audio_fifo_alloc, (enum AVSampleFormat sample_fmt, int channels, int nb_samples), (sample_fmt, channels, nb_samples))
VRT_FFMPEG_FORWARD(kUtil, void, av_audio_fifo_free, (AVAudioFifo* af), (af))
VRT_FFMPEG_FORWARD(kUtil, int, av_audio_fifo_read, (AVAudioFifo* af, void** data, int nb_samples), (af, data, nb_samples))
VRT_FFMPEG_FORWARD(kUtil, int, av_audio_fifo_size, (AVAudioFifo* af), (af))
VRT_FFMPEG_FORWARD(kUtil, int, av_audio_fifo_write, (AVAudioFifo* af, void** data, int nb_samples), (af, data, nb_samples))
VRT_FFMPEG_FORWARD(kUtil, int, av_channel_layout_compare, (const AVChannelLayout* chl, const AVChannelLayout* chl1), (chl, chl1))
VRT_FFMPEG_FORWARD(kUtil, int, av_channel_layout_copy, (AVChannelLayout* dst, const AVChannelLayout* src), (dst, src))
VRT_FFMPEG_FORWARD(kUtil, void, av_channel_layout_default, (AVChannelLayout* ch_layout, int nb_channels), (ch_layout, nb_channels))
VRT_FFMPEG_FORWARD(kUtil, void, av_channel_layout_uninit, (AVChannelLayout* channel_layout), (channel_layout))
VRT_FFMPEG_FORWARD(kUtil, AVFrame*, av_frame_alloc, (void), ())
VRT_FFMPEG_FORWARD(kUtil, void, av_frame_free, (AVFrame** frame), (frame))
VRT_FFMPEG_FORWARD(kUtil, int, av_frame_get_buffer, (AVFrame* frame, int align), (frame, align))
VRT_FFMPEG_FORWARD(kUtil, int, av_frame_make_writable, (AVFrame* frame), (frame))
VRT_FFMPEG_FORWARD(kUtil, void, av_frame_unref, (AVFrame* frame), (frame))
VRT_FFMPEG_FORWARD(kUtil, void, av_free, (void* ptr), (ptr))
VRT_FFMPEG_FORWARD(kUtil, void, av_freep, (void* ptr), (ptr))
VRT_FFMPEG_FORWARD(kUtil, void*, av_malloc, (size_t size), (size))
VRT_FFMPEG_FORWARD(kUtil, int, av_opt_get_chlayout, (void* obj, const char* name, int search_flags, AVChannelLayout* layout), (obj, name, search_flags, layout))
VRT_FFMPEG_FORWARD(kUtil, int, av_opt_get_int, (void* obj, const char* name, int search_flags, int64_t* out_val), (obj, name, search_flags, out_val))
VRT_FFMPEG_FORWARD(kUtil, int64_t, av_rescale_q, (int64_t a, AVRational bq, AVRational cq), (a, bq, cq))

VRT_FFMPEG_FORWARD(kResample, int, swr_alloc_set_opts2, (struct SwrContext** ps, AVChannelLayout* out_ch_layout, enum AVSampleFormat out_sample_fmt, int out_sample_rate, AVChannelLayout* in_ch_layout, enum AVSampleFormat in_sample_fmt, int in_sample_rate, int log_offset, void* log_ctx), (ps, out_ch_layout, out_sample_fmt, out_sample_rate, in_ch_layout, in_sample_fmt, in_sample_rate, log_offset, log_ctx))
VRT_FFMPEG_FORWARD(kResample, int, swr_convert, (struct SwrContext* s, uint8_t** out, int out_count, const uint8_t** in, int in_count), (s, out, out_count, in, in_count))
VRT_FFMPEG_FORWARD(kResample, void, swr_free, (struct SwrContext** s), (s))
VRT_FFMPEG_FORWARD(kResample, int, swr_get_out_samples, (struct SwrContext* s, int in_samples), (s, in_samples))
VRT_FFMPEG_FORWARD(kResample, int, swr_init, (struct SwrContext* s), (s))

VRT_FFMPEG_FORWARD(kCodec, AVPacket*, av_packet_alloc, (void), ())
VRT_FFMPEG_FORWARD(kCodec, void, av_packet_free, (AVPacket** pkt), (pkt))
VRT_FFMPEG_FORWARD(kCodec, void, av_packet_rescale_ts, (AVPacket* pkt, AVRational tb_src, AVRational tb_dst), (pkt, tb_src, tb_dst))
VRT_FFMPEG_FORWARD(kCodec, void, av_packet_unref, (AVPacket* pkt), (pkt))
VRT_FFMPEG_FORWARD(kCodec, AVCodecContext*, avcodec_alloc_context3, (const AVCodec* codec), (codec))
VRT_FFMPEG_FORWARD(kCodec, const AVCodec*, avcodec_find_decoder, (enum AVCodecID id), (id))
VRT_FFMPEG_FORWARD(kCodec, const AVCodec*, avcodec_find_encoder, (enum AVCodecID id), (id))
VRT_FFMPEG_FORWARD(kCodec, void, avcodec_free_context, (AVCodecContext** avctx), (avctx))
VRT_FFMPEG_FORWARD(kCodec, int, avcodec_open2, (AVCodecContext* avctx, const AVCodec* codec, AVDictionary** options), (avctx, codec, options))
VRT_FFMPEG_FORWARD(kCodec, int, avcodec_parameters_from_context, (AVCodecParameters* par, const AVCodecContext* codec), (par, codec))
VRT_FFMPEG_FORWARD(kCodec, int, avcodec_parameters_to_context, (AVCodecContext* codec, const AVCodecParameters* par), (codec, par))
VRT_FFMPEG_FORWARD(kCodec, int, avcodec_receive_frame, (AVCodecContext* avctx, AVFrame* frame), (avctx, frame))
VRT_FFMPEG_FORWARD(kCodec, int, avcodec_receive_packet, (AVCodecContext* avctx, AVPacket* avpkt), (avctx, avpkt))
VRT_FFMPEG_FORWARD(kCodec, int, avcodec_send_frame, (AVCodecContext* avctx, const AVFrame* frame), (avctx, frame))
VRT_FFMPEG_FORWARD(kCodec, int, avcodec_send_packet, (AVCodecContext* avctx, const AVPacket* avpkt), (avctx, avpkt))

VRT_FFMPEG_FORWARD(kFormat, int, av_read_frame, (AVFormatContext* s, AVPacket* pkt), (s, pkt))
VRT_FFMPEG_FORWARD(kFormat, int, av_write_frame, (AVFormatContext* s, AVPacket* pkt), (s, pkt))
VRT_FFMPEG_FORWARD(kFormat, int, av_write_trailer, (AVFormatContext* s), (s))
VRT_FFMPEG_FORWARD(kFormat, AVFormatContext*, avformat_alloc_context, (void), ())
VRT_FFMPEG_FORWARD(kFormat, int, avformat_alloc_output_context2, (AVFormatContext** ctx, const AVOutputFormat* oformat, const char* format_name, const char* filename), (ctx, oformat, format_name, filename))
VRT_FFMPEG_FORWARD(kFormat, void, avformat_close_input, (AVFormatContext** s), (s))
VRT_FFMPEG_FORWARD(kFormat, int, avformat_find_stream_info, (AVFormatContext* ic, AVDictionary** options), (ic, options))
VRT_FFMPEG_FORWARD(kFormat, void, avformat_free_context, (AVFormatContext* s), (s))
VRT_FFMPEG_FORWARD(kFormat, AVStream*, avformat_new_stream, (AVFormatContext* s, const AVCodec* c), (s, c))
VRT_FFMPEG_FORWARD(kFormat, int, avformat_open_input, (AVFormatContext** ps, const char* url, const AVInputFormat* fmt, AVDictionary** options), (ps, url, fmt, options))
VRT_FFMPEG_FORWARD(kFormat, int, avformat_write_header, (AVFormatContext* s, AVDictionary** options), (s, options))
VRT_FFMPEG_FORWARD(kFormat, AVIOContext*, avio_alloc_context, (unsigned char* buffer, int buffer_size, int write_flag, void* opaque, int (*read_packet)(void* opaque, uint8_t* buf, int buf_size), int (*write_packet)(void* opaque, uint8_t* buf, int buf_size), int64_t (*seek)(void* opaque, int64_t offset, int whence)), (buffer, buffer_size, write_flag, opaque, read_packet, write_packet, seek))
VRT_FFMPEG_FORWARD(kFormat, void, avio_context_free, (AVIOContext** s), (s))
VRT_FFMPEG_FORWARD(kFormat, void, avio_flush, (AVIOContext* s), (s))
