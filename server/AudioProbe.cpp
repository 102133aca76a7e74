#include "AudioProbe.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <map>
#include <memory>
#include <mutex>

namespace sendd {
namespace {

// FFmpeg's demuxer names for each ringtone type.
const std::map<std::string, std::string>& DemuxerFor()
{
    static const std::map<std::string, std::string> names = {
        {"mp3", "mp3"}, {"ogg", "ogg"}, {"wav", "wav"}, {"wma", "asf"},
        {"m4a", "mov,mp4,m4a,3gp,3g2,mj2"}, {"m4r", "mov,mp4,m4a,3gp,3g2,mj2"},
    };
    return names;
}

struct InputCloser
{
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};

} // namespace

ProbeResult ProbeAudio(const std::string& path, const std::string& extension)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    AVFormatContext* raw = nullptr;
    const bool opened = avformat_open_input(&raw, path.c_str(), nullptr, nullptr) == 0;
    std::unique_ptr<AVFormatContext, InputCloser> ctx(raw);
    if (extension == "raw") {
        // Headerless samples cannot be probed; only a container is refused.
        // MP3 is left out: its probe also matches plain samples now and then.
        if (opened)
            for (const auto& [ext, name] : DemuxerFor())
                if (ext != "mp3" && name == ctx->iformat->name)
                    return {false, "the body is ." + ext + " audio, not raw samples", 0};
        return {true, {}, 0};
    }
    if (!opened)
        return {false, "the body is not audio in any format FFmpeg knows", 0};
    if (avformat_find_stream_info(ctx.get(), nullptr) < 0)
        return {false, "the body's streams cannot be read", 0};
    const std::string found = ctx->iformat->name;
    if (found != DemuxerFor().at(extension))
        return {false, "the body is " + found + " data, not ." + extension + " audio", 0};
    if (av_find_best_stream(ctx.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) < 0)
        return {false, "the body holds no audio stream", 0};
    const std::int64_t durationMs = ctx->duration > 0 ? ctx->duration / (AV_TIME_BASE / 1000) : 0;
    return {true, {}, durationMs};
}

} // namespace sendd
