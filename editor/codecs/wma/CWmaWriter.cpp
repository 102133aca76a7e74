#include "codecs/wma/CWmaWriter.h"

HResult CWmaSample::SetLength(uint32_t length)
{
    if (length > m_buffer.size())
        return kErrInvalidArg;
    m_nLength = length;
    return kOk;
}

CWmaWriter::~CWmaWriter() = default;

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
    CFfmpegAudioWriter::Settings settings;
    settings.codec = AV_CODEC_ID_WMAV2;
    settings.muxer = "asf";
    settings.sampleRate = static_cast<int>(m_streamFormat.nSamplesPerSec);
    settings.channels = m_streamFormat.nChannels;
    settings.bitRate = static_cast<int64_t>(m_streamFormat.nAvgBytesPerSec) * 8;
    // The profile promised this packet size; the encoder must agree.
    settings.requiredBlockAlign = m_streamFormat.nBlockAlign;
    // FFmpeg's wmav2 encoder and decoder together lose the first codec frame
    // of the input, which ASF cannot signal.
    settings.leadingSilence = true;
    const HResult result = m_output.Open(m_strPath, settings);
    if (Failed(result))
        return result;
    m_state = State::Writing;
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
    // Little-endian 16-bit bytes, taken sample by sample.
    std::vector<int16_t> pcm(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
    const uint8_t* bytes = sample.Data();
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return m_output.Write(pcm.data(), frames);
}

HResult CWmaWriter::EndWriting()
{
    if (m_state != State::Writing)
        return kErrInvalidState;
    m_state = State::Finished;
    return m_output.Finish();
}
