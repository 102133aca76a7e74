#include "codecs/wma/CWmaWriter.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kIoBufferSize = 65536;
}  // namespace

HResult CWmaSample::SetLength(uint32_t length)
{
    if (length > m_buffer.size())
        return kErrInvalidArg;
    m_nLength = length;
    return kOk;
}

CWmaWriter::~CWmaWriter()
{
    Close();
}

void CWmaWriter::Close()
{
    // The container refers to the I/O context, so it goes first.
    m_container.reset();
    m_io.reset();
    m_encoder.reset();
    m_fifo.reset();
    m_frame.reset();
    m_packet.reset();
}

HResult CWmaWriter::SetProfile(const CWmaProfile& profile)
{
    if (m_state != State::Idle)
        return kErrInvalidState;
    if (profile.StreamCount() != 1)
        return kErrInvalidArg;
    const CWmaStreamConfig& stream = profile.Stream(0);
    WmaMediaType type;
    if (Failed(stream.GetMediaType(type)))
        return kErrInvalidArg;
    if (!(type.majorType == kMediaTypeAudio) || !(type.formatType == kFormatWaveFormatEx) ||
        type.format.size() < WaveFormat::kRecordSize)
        return kErrInvalidArg;
    const WaveFormat wfx = WaveFormat::FromBytes(type.format.data());
    if (wfx.wFormatTag != kWmaV2FormatTag || wfx.nChannels < 1 || wfx.nChannels > 2 || wfx.nSamplesPerSec == 0 ||
        wfx.nAvgBytesPerSec == 0)
        return kErrInvalidArg;
    m_streamFormat = wfx;
    m_bHasProfile = true;
    return kOk;
}

HResult CWmaWriter::SetOutputFilename(const std::string& path)
{
    if (m_state != State::Idle)
        return kErrInvalidState;
    if (path.empty())
        return kErrInvalidArg;
    m_strPath = path;
    return kOk;
}

WaveFormat CWmaWriter::InputFormat() const
{
    return WaveFormat::Pcm(m_streamFormat.nChannels, static_cast<int>(m_streamFormat.nSamplesPerSec), 16);
}

HResult CWmaWriter::BeginWriting()
{
    if (m_state != State::Idle || !m_bHasProfile || m_strPath.empty())
        return kErrInvalidState;
    if (!m_file.Create(m_strPath))
        return kErrFileOpen;
    HResult result = OpenEncoder();
    if (Succeeded(result))
        result = OpenContainer();
    if (Failed(result)) {
        Close();
        m_file.Discard();
        return result;
    }
    m_state = State::Writing;
    return kOk;
}

HResult CWmaWriter::OpenEncoder()
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!codec)
        return kErrNoCodecFormat;
    m_encoder.reset(avcodec_alloc_context3(codec));
    if (!m_encoder)
        return kErrOutOfMemory;
    AVCodecContext* encoder = m_encoder.get();
    encoder->sample_rate = static_cast<int>(m_streamFormat.nSamplesPerSec);
    av_channel_layout_default(&encoder->ch_layout, m_streamFormat.nChannels);
    encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    encoder->bit_rate = static_cast<int64_t>(m_streamFormat.nAvgBytesPerSec) * 8;
    encoder->time_base = {1, encoder->sample_rate};
    if (avcodec_open2(encoder, codec, nullptr) < 0)
        return kErrNoCodecFormat;
    // The profile promised this packet size; the encoder must agree.
    if (encoder->block_align != m_streamFormat.nBlockAlign)
        return kErrNoCodecFormat;

    m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, m_streamFormat.nChannels, encoder->frame_size));
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
    m_planes.assign(m_streamFormat.nChannels, {});

    // FFmpeg's wmav2 encoder and decoder together lose the first codec frame
    // of the input (the encoder's initial padding, which ASF cannot signal).
    // A frame of silence ahead of the document keeps its first samples.
    const int padding = encoder->initial_padding > 0 ? encoder->initial_padding : 0;
    if (padding > 0) {
        std::vector<float> silence(static_cast<std::size_t>(padding), 0.0f);
        void* planes[2] = {silence.data(), silence.data()};
        if (av_audio_fifo_write(m_fifo.get(), planes, padding) < padding)
            return kErrOutOfMemory;
    }
    return kOk;
}

HResult CWmaWriter::OpenContainer()
{
    AVFormatContext* container = nullptr;
    if (avformat_alloc_output_context2(&container, nullptr, "asf", nullptr) < 0 || !container)
        return kErrFail;
    m_container.reset(container);

    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return kErrOutOfMemory;
    m_io.reset(avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &CWmaWriter::WritePacket,
                                  &CWmaWriter::SeekOutput));
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

HResult CWmaWriter::AllocateSample(uint32_t size, std::unique_ptr<CWmaSample>& sample) const
{
    if (m_state != State::Writing)
        return kErrInvalidState;
    sample = std::make_unique<CWmaSample>(size);
    return kOk;
}

HResult CWmaWriter::WriteSample(uint32_t input, uint64_t sampleTime, uint32_t /*flags*/, const CWmaSample& sample)
{
    if (m_state != State::Writing)
        return kErrInvalidState;
    if (input != 0 || sampleTime < m_nLastSampleTime)
        return kErrInvalidArg;
    m_nLastSampleTime = sampleTime;

    const int channels = m_streamFormat.nChannels;
    const int frames = static_cast<int>(sample.Length() / (2u * static_cast<uint32_t>(channels)));
    if (frames == 0)
        return kOk;
    // 16-bit interleaved to the encoder's planar float.
    const uint8_t* bytes = sample.Data();
    void* planes[2] = {};
    for (int c = 0; c < channels; ++c) {
        std::vector<float>& plane = m_planes[static_cast<std::size_t>(c)];
        plane.resize(static_cast<std::size_t>(frames));
        for (int i = 0; i < frames; ++i) {
            const uint8_t* p = bytes + (static_cast<std::size_t>(i) * channels + c) * 2;
            plane[static_cast<std::size_t>(i)] = static_cast<float>(static_cast<int16_t>(p[0] | (p[1] << 8))) / 32768.0f;
        }
        planes[c] = plane.data();
    }
    if (av_audio_fifo_write(m_fifo.get(), planes, frames) < frames)
        return kErrOutOfMemory;
    while (av_audio_fifo_size(m_fifo.get()) >= m_encoder->frame_size) {
        const HResult result = EncodeFromFifo(m_encoder->frame_size);
        if (Failed(result))
            return result;
    }
    return kOk;
}

HResult CWmaWriter::EncodeFromFifo(int frames)
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

HResult CWmaWriter::DrainPackets()
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
        if (av_write_frame(m_container.get(), m_packet.get()) < 0) {
            av_packet_unref(m_packet.get());
            return kErrFail;
        }
        av_packet_unref(m_packet.get());
    }
}

HResult CWmaWriter::EndWriting()
{
    if (m_state != State::Writing)
        return kErrInvalidState;
    m_state = State::Finished;

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

int CWmaWriter::WritePacket(void* opaque, uint8_t* buffer, int size)
{
    auto* self = static_cast<CWmaWriter*>(opaque);
    const int64_t end = self->m_file.Size();
    int64_t position = self->m_nOutputPosition;
    if (position > end)
        return AVERROR(EIO);
    std::size_t count = static_cast<std::size_t>(size);
    bool ok = true;
    // Rewrites inside what is already written (the header, at the end) ...
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

int64_t CWmaWriter::SeekOutput(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<CWmaWriter*>(opaque);
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
