#include "codecs/CFfmpegAudioWriter.h"

#include "codecs/FfmpegLibraries.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kIoBufferSize = 65536;
}  // namespace

CFfmpegAudioWriter::~CFfmpegAudioWriter()
{
    Close();
}

void CFfmpegAudioWriter::Close()
{
    // The container refers to the I/O context, so it goes first.
    m_container.reset();
    m_io.reset();
    m_encoder.reset();
    m_fifo.reset();
    m_frame.reset();
    m_packet.reset();
    m_bOpen = false;
}

HResult CFfmpegAudioWriter::Open(const std::string& path, const Settings& settings)
{
    if (m_bOpen || path.empty() || settings.channels < 1 || settings.sampleRate <= 0 || !settings.muxer)
        return kErrInvalidArg;
    if (!FfmpegAvailable())
        return kErrNoCodecFormat;
    if (!m_file.Create(path))
        return kErrFileOpen;
    m_nChannels = settings.channels;
    HResult result = OpenEncoder(settings);
    if (Succeeded(result))
        result = OpenContainer(settings);
    if (Failed(result)) {
        Close();
        m_file.Discard();
        return result;
    }
    m_bOpen = true;
    return kOk;
}

HResult CFfmpegAudioWriter::OpenEncoder(const Settings& settings)
{
    const AVCodec* codec = avcodec_find_encoder(settings.codec);
    if (!codec)
        return kErrNoCodecFormat;
    m_encoder.reset(avcodec_alloc_context3(codec));
    if (!m_encoder)
        return kErrOutOfMemory;
    AVCodecContext* encoder = m_encoder.get();
    encoder->sample_rate = settings.sampleRate;
    av_channel_layout_default(&encoder->ch_layout, settings.channels);
    encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    encoder->bit_rate = settings.bitRate;
    encoder->time_base = {1, encoder->sample_rate};
    if (settings.globalHeader)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(encoder, codec, nullptr) < 0)
        return kErrNoCodecFormat;
    if (settings.requiredBlockAlign != 0 && encoder->block_align != settings.requiredBlockAlign)
        return kErrNoCodecFormat;

    m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, settings.channels, encoder->frame_size));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_fifo || !m_frame || !m_packet)
        return kErrOutOfMemory;
    m_frame->nb_samples = encoder->frame_size;
    m_frame->format = encoder->sample_fmt;
    m_frame->sample_rate = encoder->sample_rate;
    if (av_channel_layout_copy(&m_frame->ch_layout, &encoder->ch_layout) < 0 ||
        av_frame_get_buffer(m_frame.get(), 0) < 0)
        return kErrOutOfMemory;
    m_planes.assign(static_cast<std::size_t>(settings.channels), {});
    m_planePointers.assign(static_cast<std::size_t>(settings.channels), nullptr);

    // Some encoder and decoder pairs (FFmpeg's wmav2) together lose the first
    // codec frame of the input: its initial padding, which containers like
    // ASF cannot signal. A frame of silence ahead keeps the first samples.
    const int padding = encoder->initial_padding > 0 ? encoder->initial_padding : 0;
    if (settings.leadingSilence && padding > 0) {
        std::vector<float> silence(static_cast<std::size_t>(padding), 0.0f);
        std::vector<void*> planes(static_cast<std::size_t>(settings.channels), silence.data());
        if (av_audio_fifo_write(m_fifo.get(), planes.data(), padding) < padding)
            return kErrOutOfMemory;
    }
    return kOk;
}

HResult CFfmpegAudioWriter::OpenContainer(const Settings& settings)
{
    AVFormatContext* container = nullptr;
    if (avformat_alloc_output_context2(&container, nullptr, settings.muxer, nullptr) < 0 || !container)
        return kErrFail;
    m_container.reset(container);

    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return kErrOutOfMemory;
    m_io.reset(avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &CFfmpegAudioWriter::WritePacket,
                                  &CFfmpegAudioWriter::SeekOutput));
    if (!m_io) {
        av_free(buffer);
        return kErrOutOfMemory;
    }
    container->pb = m_io.get();
    container->flags |= AVFMT_FLAG_CUSTOM_IO;

    AVStream* stream = avformat_new_stream(container, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, m_encoder.get()) < 0)
        return kErrFail;
    stream->time_base = m_encoder->time_base;
    if (avformat_write_header(container, nullptr) < 0)
        return kErrFail;
    return kOk;
}

HResult CFfmpegAudioWriter::Write(const int16_t* samples, int frames)
{
    if (!m_bOpen)
        return kErrInvalidState;
    if (frames <= 0)
        return kOk;
    // 16-bit interleaved to the encoder's planar float.
    const auto channels = static_cast<std::size_t>(m_nChannels);
    for (std::size_t c = 0; c < channels; ++c) {
        std::vector<float>& plane = m_planes[c];
        plane.resize(static_cast<std::size_t>(frames));
        for (std::size_t i = 0; i < plane.size(); ++i)
            plane[i] = static_cast<float>(samples[i * channels + c]) / 32768.0f;
        m_planePointers[c] = plane.data();
    }
    if (av_audio_fifo_write(m_fifo.get(), m_planePointers.data(), frames) < frames)
        return kErrOutOfMemory;
    while (av_audio_fifo_size(m_fifo.get()) >= m_encoder->frame_size) {
        const HResult result = EncodeFromFifo(m_encoder->frame_size);
        if (Failed(result))
            return result;
    }
    return kOk;
}

HResult CFfmpegAudioWriter::EncodeFromFifo(int frames)
{
    if (av_frame_make_writable(m_frame.get()) < 0)
        return kErrOutOfMemory;
    m_frame->nb_samples = frames;
    if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(m_frame->data), frames) < frames)
        return kErrFail;
    m_frame->pts = m_nNextPts;
    m_nNextPts += frames;
    // The last, shorter frame is padded with silence by libavcodec.
    if (avcodec_send_frame(m_encoder.get(), m_frame.get()) < 0)
        return kErrFail;
    return DrainPackets();
}

HResult CFfmpegAudioWriter::DrainPackets()
{
    AVStream* stream = m_container->streams[0];
    for (;;) {
        const int received = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return kOk;
        if (received < 0)
            return kErrFail;
        av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, stream->time_base);
        m_packet->stream_index = stream->index;
        const int written = av_write_frame(m_container.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (written < 0)
            return kErrFail;
    }
}

HResult CFfmpegAudioWriter::Finish()
{
    if (!m_bOpen)
        return kErrInvalidState;
    HResult result = kOk;
    const int left = av_audio_fifo_size(m_fifo.get());
    if (left > 0)
        result = EncodeFromFifo(left);
    if (Succeeded(result) && avcodec_send_frame(m_encoder.get(), nullptr) < 0)
        result = kErrFail;
    if (Succeeded(result))
        result = DrainPackets();
    if (Succeeded(result) && av_write_trailer(m_container.get()) < 0)
        result = kErrFail;
    if (Succeeded(result)) {
        avio_flush(m_io.get());
        if (m_io->error < 0)
            result = kErrFail;
    }
    Close();
    if (Succeeded(result) && !m_file.Commit())
        result = kErrFail;
    if (Failed(result))
        m_file.Discard();
    return result;
}

int CFfmpegAudioWriter::WritePacket(void* opaque, uint8_t* buffer, int size)
{
    auto* self = static_cast<CFfmpegAudioWriter*>(opaque);
    const int64_t end = self->m_file.Size();
    int64_t position = self->m_nOutputPosition;
    if (position > end)
        return AVERROR(EIO);
    std::size_t count = static_cast<std::size_t>(size);
    bool ok = true;
    // Rewrites inside what is already written (headers patched at the end) ...
    if (position < end) {
        const std::size_t inside = static_cast<std::size_t>(std::min<int64_t>(end - position, size));
        ok = self->m_file.WriteAt(position, buffer, inside);
        buffer += inside;
        count -= inside;
        position += static_cast<int64_t>(inside);
    }
    // ... and appends the rest.
    if (ok && count > 0)
        ok = self->m_file.Write(buffer, count);
    if (!ok)
        return AVERROR(EIO);
    self->m_nOutputPosition += size;
    return size;
}

int64_t CFfmpegAudioWriter::SeekOutput(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<CFfmpegAudioWriter*>(opaque);
    int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return self->m_file.Size();
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = self->m_nOutputPosition + offset;
        break;
    case SEEK_END:
        target = self->m_file.Size() + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (target < 0 || target > self->m_file.Size())
        return AVERROR(EINVAL);
    self->m_nOutputPosition = target;
    return target;
}
