#include "codecs/CFfmpegAudioDecoder.h"

#include "codecs/FfmpegLibraries.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>

bool CFfmpegAudioDecoder::Open(const std::string& path, std::initializer_list<AVCodecID> codecs)
{
    if (!FfmpegAvailable())
        return false;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return false;  // avformat_open_input has freed the context
    m_format.reset(format);
    if (avformat_find_stream_info(format, nullptr) < 0)
        return false;
    for (unsigned i = 0; i < format->nb_streams && m_nStream < 0; ++i) {
        const AVCodecParameters* par = format->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO &&
            std::find(codecs.begin(), codecs.end(), par->codec_id) != codecs.end())
            m_nStream = static_cast<int>(i);
    }
    if (m_nStream < 0)
        return false;
    const AVStream* stream = format->streams[m_nStream];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return false;
    m_decoder.reset(avcodec_alloc_context3(codec));
    if (!m_decoder || avcodec_parameters_to_context(m_decoder.get(), stream->codecpar) < 0 ||
        avcodec_open2(m_decoder.get(), codec, nullptr) < 0)
        return false;
    if (m_decoder->ch_layout.nb_channels < 1 || m_decoder->sample_rate <= 0)
        return false;
    if (stream->duration > 0)
        m_dDuration = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    else if (format->duration > 0)
        m_dDuration = static_cast<double>(format->duration) / AV_TIME_BASE;

    SwrContext* resampler = nullptr;
    if (swr_alloc_set_opts2(&resampler, &m_decoder->ch_layout, AV_SAMPLE_FMT_S16, m_decoder->sample_rate,
                            &m_decoder->ch_layout, m_decoder->sample_fmt, m_decoder->sample_rate, 0,
                            nullptr) < 0)
        return false;
    m_resampler.reset(resampler);
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    return m_packet && m_frame && swr_init(resampler) >= 0;
}

int CFfmpegAudioDecoder::Channels() const
{
    return m_decoder->ch_layout.nb_channels;
}

int CFfmpegAudioDecoder::SampleRate() const
{
    return m_decoder->sample_rate;
}

int64_t CFfmpegAudioDecoder::BitRate() const
{
    const int64_t rate = m_format->streams[m_nStream]->codecpar->bit_rate;
    return rate > 0 ? rate : m_format->bit_rate;
}

bool CFfmpegAudioDecoder::Convert(const AVFrame* frame, std::vector<int16_t>& pcm)
{
    const auto channels = static_cast<std::size_t>(Channels());
    const int capacity = swr_get_out_samples(m_resampler.get(), frame ? frame->nb_samples : 0);
    if (capacity < 0)
        return false;
    const std::size_t start = pcm.size();
    pcm.resize(start + static_cast<std::size_t>(capacity) * channels);
    auto* out = reinterpret_cast<uint8_t*>(pcm.data() + start);
    const int got = swr_convert(m_resampler.get(), &out, capacity,
                                frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
                                frame ? frame->nb_samples : 0);
    if (got < 0)
        return false;
    pcm.resize(start + static_cast<std::size_t>(got) * channels);
    return true;
}

bool CFfmpegAudioDecoder::Next(std::vector<int16_t>& pcm)
{
    pcm.clear();
    if (m_bFailed || !m_decoder)
        return false;
    for (;;) {
        const int received = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (received == 0) {
            if (m_frame->pts != AV_NOPTS_VALUE)
                m_dPosition = static_cast<double>(m_frame->pts) * av_q2d(m_format->streams[m_nStream]->time_base);
            const bool ok = Convert(m_frame.get(), pcm);
            av_frame_unref(m_frame.get());
            m_bFailed = !ok;
            return ok;
        }
        if (received == AVERROR_EOF)
            return false;
        if (received != AVERROR(EAGAIN)) {
            m_bFailed = true;
            return false;
        }
        // The decoder wants input.
        const int read = av_read_frame(m_format.get(), m_packet.get());
        if (read == AVERROR_EOF) {
            if (avcodec_send_packet(m_decoder.get(), nullptr) < 0)
                return false;
            continue;
        }
        if (read < 0) {
            m_bFailed = true;
            return false;
        }
        int sent = 0;
        if (m_packet->stream_index == m_nStream)
            sent = avcodec_send_packet(m_decoder.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        // A damaged packet is skipped, as players do.
        if (sent < 0 && sent != AVERROR_INVALIDDATA) {
            m_bFailed = true;
            return false;
        }
    }
}
