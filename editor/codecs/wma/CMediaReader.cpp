#include "codecs/wma/CMediaReader.h"

#include "codecs/FfmpegLibraries.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>

namespace {

constexpr uint64_t kUnitsPerSecond = 10'000'000;  // 100-ns units

// No audio codec runs faster. A header claiming more is damaged, and its rate
// would size the reader's 2.5-second buffer in gigabytes.
constexpr int kMaxSampleRate = 768000;

bool SameLayout(const AVChannelLayout& a, const AVChannelLayout& b)
{
    return av_channel_layout_compare(&a, &b) == 0;
}

}  // namespace

std::unique_ptr<IMediaReader> CreateMediaReader()
{
    return std::make_unique<CMediaReader>();
}

CMediaReader::~CMediaReader()
{
    Stop();
}

HResult CMediaReader::Open(const std::string& path, IMediaReaderCallback* callback)
{
    if (!callback)
        return kErrInvalidArg;
    if (m_thread.joinable() || m_pCallback)
        return kErrInvalidState;
    if (!FfmpegAvailable())
        return kErrFail;
    if (!m_input.Open(path))
        return kErrFileOpen;
    m_pCallback = callback;
    m_strPath = path;
    m_thread = std::thread(&CMediaReader::Run, this);
    return kOk;
}

bool CMediaReader::OpenedWell()
{
    std::lock_guard lock(m_mutex);
    return m_bOpened && Succeeded(m_openResult);
}

HResult CMediaReader::GetOutputCount(uint32_t& count)
{
    if (!OpenedWell())
        return kErrNotOpened;
    count = static_cast<uint32_t>(m_outputs.size());
    return kOk;
}

HResult CMediaReader::GetOutputProps(uint32_t output, MediaOutputInfo& info)
{
    if (!OpenedWell())
        return kErrNotOpened;
    if (output >= m_outputs.size())
        return kErrInvalidOutput;
    info = m_outputs[output];
    return kOk;
}

HResult CMediaReader::GetDuration(uint64_t& duration)
{
    if (!OpenedWell())
        return kErrNotOpened;
    if (!m_bHasDuration)
        return kErrFail;
    duration = m_nDuration;
    return kOk;
}

HResult CMediaReader::GetBitrate(uint32_t& bitsPerSecond)
{
    if (!OpenedWell())
        return kErrNotOpened;
    if (!m_bHasBitrate)
        return kErrFail;
    bitsPerSecond = m_nBitrate;
    return kOk;
}

HResult CMediaReader::SetUserProvidedClock(bool enabled)
{
    std::lock_guard lock(m_mutex);
    if (!m_bOpened || Failed(m_openResult))
        return kErrNotOpened;
    m_bUserClock = enabled;
    return kOk;
}

HResult CMediaReader::Start()
{
    std::lock_guard lock(m_mutex);
    if (!m_bOpened || Failed(m_openResult))
        return kErrNotOpened;
    if (m_bStartRequested)
        return kErrInvalidState;
    m_bStartRequested = true;
    m_wake.notify_all();
    return kOk;
}

HResult CMediaReader::DeliverTime(uint64_t time)
{
    std::lock_guard lock(m_mutex);
    m_nDeliveryTime = time;
    m_wake.notify_all();
    return kOk;
}

HResult CMediaReader::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_bStopRequested = true;
        m_wake.notify_all();
    }
    m_input.Abort();
    if (m_thread.joinable())
        m_thread.join();
    return kOk;
}

bool CMediaReader::StopRequested()
{
    std::lock_guard lock(m_mutex);
    return m_bStopRequested;
}

int CMediaReader::Interrupt(void* opaque)
{
    return static_cast<CMediaReader*>(opaque)->m_input.Aborted() ? 1 : 0;
}

void CMediaReader::Run()
{
    const HResult opened = Probe();
    {
        std::lock_guard lock(m_mutex);
        m_bOpened = true;
        m_openResult = opened;
    }
    m_pCallback->OnStatus(StatusOpened, opened);
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_bStartRequested || m_bStopRequested; });
        if (m_bStopRequested)
            return;
    }
    if (!m_decoder) {
        m_pCallback->OnStatus(StatusMissingCodec, kErrFail);
        return;
    }
    m_pCallback->OnStatus(StatusStarted, kOk);
    const int32_t ended = Decode();
    if (ended >= 0)
        m_pCallback->OnStatus(ended, ended == StatusEndOfFile ? kOk : kErrFail);
}

HResult CMediaReader::Probe()
{
    AVIOContext* io = m_input.Context();
    AVFormatContext* format = avformat_alloc_context();
    if (!io || !format) {
        avformat_free_context(format);
        return kErrOutOfMemory;
    }
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->interrupt_callback = {&CMediaReader::Interrupt, this};
    // The path only helps the probe by its extension; the bytes come from io.
    if (avformat_open_input(&format, m_strPath.c_str(), nullptr, nullptr) < 0)
        return kErrFileOpen;  // avformat_open_input has freed the context
    m_format.reset(format);
    // Some files decode well although not every stream could be analysed.
    avformat_find_stream_info(format, nullptr);

    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* stream = format->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        stream->discard = AVDISCARD_ALL;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            m_outputs.push_back({kMediaTypeVideo, WaveFormat{}});
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0 &&
                   par->sample_rate <= kMaxSampleRate && par->ch_layout.nb_channels > 0) {
            if (m_nAudioStream < 0) {
                m_nAudioStream = static_cast<int>(i);
                m_nAudioOutput = static_cast<uint32_t>(m_outputs.size());
                stream->discard = AVDISCARD_DEFAULT;
            }
            const int channels = std::min(par->ch_layout.nb_channels, 2);
            m_outputs.push_back({kMediaTypeAudio, WaveFormat::Pcm(channels, par->sample_rate, 16)});
        }
    }

    if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
        m_nDuration = static_cast<uint64_t>(format->duration) * kUnitsPerSecond / AV_TIME_BASE;
        m_bHasDuration = true;
    } else if (m_nAudioStream >= 0 && format->streams[m_nAudioStream]->duration != AV_NOPTS_VALUE) {
        const AVStream* stream = format->streams[m_nAudioStream];
        m_nDuration = static_cast<uint64_t>(av_rescale_q(stream->duration, stream->time_base, {1, 10'000'000}));
        m_bHasDuration = true;
    }
    const int64_t bitrate = m_nAudioStream >= 0 && format->streams[m_nAudioStream]->codecpar->bit_rate > 0
                                ? format->streams[m_nAudioStream]->codecpar->bit_rate
                                : format->bit_rate;
    if (bitrate > 0) {
        m_nBitrate = static_cast<uint32_t>(std::min<int64_t>(bitrate, INT32_MAX));
        m_bHasBitrate = true;
    }
    if (m_nAudioStream >= 0)
        OpenDecoder();
    return kOk;
}

void CMediaReader::OpenDecoder()
{
    const AVCodecParameters* par = m_format->streams[m_nAudioStream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec)
        return;
    AvCodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), par) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return;
    m_decoder = std::move(decoder);
    av_channel_layout_default(&m_outLayout, m_outputs[m_nAudioOutput].format.nChannels);
}

int32_t CMediaReader::Decode()
{
    AvPacketPtr packet(av_packet_alloc());
    AvFramePtr frame(av_frame_alloc());
    if (!packet || !frame)
        return StatusError;

    int32_t ending = StatusEndOfFile;
    for (;;) {
        if (StopRequested())
            return -1;
        const int read = av_read_frame(m_format.get(), packet.get());
        if (read < 0) {
            if (m_input.Aborted())
                return -1;
            // A damaged or cut file ends here; what was decoded stays delivered.
            if (read != AVERROR_EOF)
                ending = StatusError;
            break;
        }
        if (packet->stream_index != m_nAudioStream) {
            av_packet_unref(packet.get());
            continue;
        }
        const int sent = avcodec_send_packet(m_decoder.get(), packet.get());
        av_packet_unref(packet.get());
        // A packet the decoder refuses is skipped, as players do.
        if (sent < 0 && sent != AVERROR(EAGAIN))
            continue;
        if (!ReceiveFrames(frame.get()))
            return -1;
    }
    avcodec_send_packet(m_decoder.get(), nullptr);
    if (!ReceiveFrames(frame.get()) || !FlushResampler())
        return -1;
    return ending;
}

bool CMediaReader::ReceiveFrames(AVFrame* frame)
{
    while (avcodec_receive_frame(m_decoder.get(), frame) == 0) {
        const bool delivered = ConvertAndDeliver(frame);
        av_frame_unref(frame);
        if (!delivered)
            return false;
    }
    return true;
}

bool CMediaReader::ConvertAndDeliver(const AVFrame* frame)
{
    AVChannelLayout inLayout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&inLayout, &frame->ch_layout);

    const int outRate = static_cast<int>(m_outputs[m_nAudioOutput].format.nSamplesPerSec);
    // The resampler is set up for the first frame and again whenever the
    // decoder changes format in mid-stream.
    bool fresh = !m_resampler;
    if (m_resampler) {
        int64_t rate = 0, sampleFormat = 0;
        AVChannelLayout current{};
        av_opt_get_int(m_resampler.get(), "in_sample_rate", 0, &rate);
        av_opt_get_int(m_resampler.get(), "in_sample_fmt", 0, &sampleFormat);
        av_opt_get_chlayout(m_resampler.get(), "in_chlayout", 0, &current);
        fresh = rate != frame->sample_rate || sampleFormat != frame->format || !SameLayout(current, inLayout);
        av_channel_layout_uninit(&current);
        if (fresh && !FlushResampler())
            return false;
    }
    if (fresh) {
        SwrContext* raw = nullptr;
        const int made = swr_alloc_set_opts2(&raw, &m_outLayout, AV_SAMPLE_FMT_S16, outRate, &inLayout,
                                             static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                             nullptr);
        m_resampler.reset(raw);
        if (made < 0 || swr_init(m_resampler.get()) < 0) {
            m_resampler.reset();
            av_channel_layout_uninit(&inLayout);
            return true;  // a frame we cannot convert is skipped
        }
    }
    av_channel_layout_uninit(&inLayout);

    const int capacity = swr_get_out_samples(m_resampler.get(), frame->nb_samples);
    if (capacity <= 0)
        return true;
    const std::size_t blockAlign = m_outputs[m_nAudioOutput].format.nBlockAlign;
    m_pcm.resize(static_cast<std::size_t>(capacity) * blockAlign);
    uint8_t* out = m_pcm.data();
    const int converted = swr_convert(m_resampler.get(), &out, capacity,
                                      const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    return converted <= 0 || Deliver(m_pcm.data(), converted);
}

bool CMediaReader::FlushResampler()
{
    if (!m_resampler)
        return true;
    const int capacity = swr_get_out_samples(m_resampler.get(), 0);
    if (capacity <= 0)
        return true;
    m_pcm.resize(static_cast<std::size_t>(capacity) * m_outputs[m_nAudioOutput].format.nBlockAlign);
    uint8_t* out = m_pcm.data();
    const int converted = swr_convert(m_resampler.get(), &out, capacity, nullptr, 0);
    return converted <= 0 || Deliver(m_pcm.data(), converted);
}

bool CMediaReader::Deliver(const uint8_t* data, int frames)
{
    const WaveFormat& format = m_outputs[m_nAudioOutput].format;
    const uint64_t rate = format.nSamplesPerSec;
    const uint64_t time = m_nFramesDelivered * kUnitsPerSecond / rate;
    const uint64_t duration = static_cast<uint64_t>(frames) * kUnitsPerSecond / rate;
    if (!WaitForDelivery(time))
        return false;
    m_pCallback->OnSample(m_nAudioOutput, time, duration, 0, data,
                          static_cast<uint32_t>(frames) * format.nBlockAlign);
    m_nFramesDelivered += static_cast<uint64_t>(frames);
    return true;
}

bool CMediaReader::WaitForDelivery(uint64_t time)
{
    std::unique_lock lock(m_mutex);
    while (m_bUserClock && !m_bStopRequested && time >= m_nDeliveryTime) {
        const uint64_t reached = m_nDeliveryTime;
        lock.unlock();
        m_pCallback->OnTime(reached);
        lock.lock();
        m_wake.wait(lock, [&] { return m_bStopRequested || m_nDeliveryTime != reached; });
    }
    return !m_bStopRequested;
}
