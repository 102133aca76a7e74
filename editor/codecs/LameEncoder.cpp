#include "codecs/LameEncoder.h"

#include <lame/lame.h>

#include <cstdlib>
#include <dlfcn.h>

// Only the declarations of lame.h are used; the functions come from dlsym().
struct CLameEncoder::Api {
    decltype(&lame_init) init;
    decltype(&lame_close) close;
    decltype(&lame_set_in_samplerate) setInSampleRate;
    decltype(&lame_set_out_samplerate) setOutSampleRate;
    decltype(&lame_set_num_channels) setNumChannels;
    decltype(&lame_get_num_channels) getNumChannels;
    decltype(&lame_set_mode) setMode;
    decltype(&lame_set_brate) setBitRate;
    decltype(&lame_set_extension) setPrivate;
    decltype(&lame_set_error_protection) setCrc;
    decltype(&lame_set_copyright) setCopyright;
    decltype(&lame_set_original) setOriginal;
    decltype(&lame_set_bWriteVbrTag) setWriteVbrTag;
    decltype(&lame_init_params) initParams;
    decltype(&lame_get_framesize) getFrameSize;
    decltype(&lame_encode_buffer) encodeBuffer;
    decltype(&lame_encode_buffer_interleaved) encodeInterleaved;
    decltype(&lame_encode_flush) flush;
};

namespace {

template <typename Function>
bool Resolve(void* library, const char* name, Function& target)
{
    target = reinterpret_cast<Function>(dlsym(library, name));
    return target != nullptr;
}

// The rates of MPEG-1, MPEG-2 and MPEG-2.5 Layer III.
bool IsMp3SampleRate(uint32_t rate)
{
    for (const uint32_t known : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u})
        if (rate == known)
            return true;
    return false;
}

lame_global_flags* Flags(HBE_STREAM stream)
{
    return reinterpret_cast<lame_global_flags*>(stream);
}

}  // namespace

std::string CLameEncoder::LibraryName()
{
    const char* name = std::getenv("VRT_LAME_LIBRARY");
    return name && *name ? name : "libmp3lame.so.0";
}

std::unique_ptr<CLameEncoder> CLameEncoder::Load()
{
    void* library = dlopen(LibraryName().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    auto api = std::make_unique<Api>();
    const bool complete =
        Resolve(library, "lame_init", api->init) && Resolve(library, "lame_close", api->close) &&
        Resolve(library, "lame_set_in_samplerate", api->setInSampleRate) &&
        Resolve(library, "lame_set_out_samplerate", api->setOutSampleRate) &&
        Resolve(library, "lame_set_num_channels", api->setNumChannels) &&
        Resolve(library, "lame_get_num_channels", api->getNumChannels) &&
        Resolve(library, "lame_set_mode", api->setMode) &&
        Resolve(library, "lame_set_brate", api->setBitRate) &&
        Resolve(library, "lame_set_extension", api->setPrivate) &&
        Resolve(library, "lame_set_error_protection", api->setCrc) &&
        Resolve(library, "lame_set_copyright", api->setCopyright) &&
        Resolve(library, "lame_set_original", api->setOriginal) &&
        Resolve(library, "lame_set_bWriteVbrTag", api->setWriteVbrTag) &&
        Resolve(library, "lame_init_params", api->initParams) &&
        Resolve(library, "lame_get_framesize", api->getFrameSize) &&
        Resolve(library, "lame_encode_buffer", api->encodeBuffer) &&
        Resolve(library, "lame_encode_buffer_interleaved", api->encodeInterleaved) &&
        Resolve(library, "lame_encode_flush", api->flush);
    if (!complete) {
        dlclose(library);
        return nullptr;
    }
    return std::unique_ptr<CLameEncoder>(new CLameEncoder(library, std::move(api)));
}

CLameEncoder::CLameEncoder(void* library, std::unique_ptr<Api> api)
    : m_library(library), m_api(std::move(api))
{
}

CLameEncoder::~CLameEncoder()
{
    m_api.reset();
    dlclose(m_library);
}

BE_ERR CLameEncoder::beInitStream(const BE_CONFIG* config, uint32_t* pSamples, uint32_t* pBufferSize,
                                  HBE_STREAM* pStream)
{
    if (!config || config->dwConfig != BE_CONFIG_MP3)
        return BE_ERR_INVALID_FORMAT;
    lame_global_flags* flags = m_api->init();
    if (!flags)
        return BE_ERR_NO_MORE_HANDLES;

    const int channels = config->mp3.byMode == BE_MP3_MODE_MONO ? 1 : 2;
    // The file keeps the input's rate. Left to itself LAME resamples to suit a
    // small bit rate; a rate MP3 does not have makes lame_init_params fail.
    if (!IsMp3SampleRate(config->mp3.dwSampleRate)) {
        m_api->close(flags);
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
    m_api->setInSampleRate(flags, static_cast<int>(config->mp3.dwSampleRate));
    m_api->setOutSampleRate(flags, static_cast<int>(config->mp3.dwSampleRate));
    m_api->setNumChannels(flags, channels);
    m_api->setMode(flags, static_cast<MPEG_mode>(config->mp3.byMode));
    m_api->setBitRate(flags, config->mp3.wBitrate);
    m_api->setPrivate(flags, config->mp3.bPrivate ? 1 : 0);
    m_api->setCrc(flags, config->mp3.bCRC ? 1 : 0);
    m_api->setCopyright(flags, config->mp3.bCopyright ? 1 : 0);
    m_api->setOriginal(flags, config->mp3.bOriginal ? 1 : 0);
    // The plain MP3 configuration writes no VBR/info header frame.
    m_api->setWriteVbrTag(flags, 0);
    if (m_api->initParams(flags) < 0) {
        m_api->close(flags);
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
    const int frameSize = m_api->getFrameSize(flags);
    *pSamples = static_cast<uint32_t>(frameSize * channels);
    // LAME's documented worst case for one chunk, which also covers the flush.
    *pBufferSize = static_cast<uint32_t>(frameSize * 5 / 4 + 7200);
    *pStream = reinterpret_cast<HBE_STREAM>(flags);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR CLameEncoder::beEncodeChunk(HBE_STREAM stream, uint32_t samples, const int16_t* pcm,
                                   uint8_t* output, uint32_t* pOutputBytes)
{
    *pOutputBytes = 0;
    lame_global_flags* flags = Flags(stream);
    if (!flags)
        return BE_ERR_INVALID_HANDLE;
    const int channels = m_api->getNumChannels(flags);
    const int frames = static_cast<int>(samples) / channels;
    // The caller's buffer is the size that beInitStream gave.
    const int capacity = m_api->getFrameSize(flags) * 5 / 4 + 7200;
    int produced;
    if (channels == 1)
        produced = m_api->encodeBuffer(flags, pcm, pcm, frames, output, capacity);
    else
        produced = m_api->encodeInterleaved(flags, const_cast<short*>(pcm), frames, output, capacity);
    if (produced < 0)
        return produced == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
    *pOutputBytes = static_cast<uint32_t>(produced);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR CLameEncoder::beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* pOutputBytes)
{
    *pOutputBytes = 0;
    lame_global_flags* flags = Flags(stream);
    if (!flags)
        return BE_ERR_INVALID_HANDLE;
    const int capacity = m_api->getFrameSize(flags) * 5 / 4 + 7200;
    const int produced = m_api->flush(flags, output, capacity);
    if (produced < 0)
        return BE_ERR_BUFFER_TOO_SMALL;
    *pOutputBytes = static_cast<uint32_t>(produced);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR CLameEncoder::beCloseStream(HBE_STREAM stream)
{
    lame_global_flags* flags = Flags(stream);
    if (!flags)
        return BE_ERR_INVALID_HANDLE;
    m_api->close(flags);
    return BE_ERR_SUCCESSFUL;
}
