#pragma once
// The decoding runtime of the WMA reader, built on FFmpeg: any file that
// libavformat can open. Its outputs are the file's audio and video streams in
// order; the first audio stream is decoded to 16-bit interleaved PCM at the
// stream's own rate (more than two channels are mixed down to stereo), and
// every other stream is skipped.
//
// Opening, probing and decoding all run on the runtime's own thread. With the
// user-provided clock on, a sample is delivered only while its start time is
// before the delivery time; on reaching the delivery time the runtime
// reports OnTime and waits for the next DeliverTime.
//
// Rights management does not exist here, so StatusNoRights never occurs.

#include "codecs/wma/CFdInput.h"
#include "codecs/wma/FfmpegHandles.h"
#include "codecs/wma/IMediaReader.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CMediaReader final : public IMediaReader {
public:
    CMediaReader() = default;
    ~CMediaReader() override;
    CMediaReader(const CMediaReader&) = delete;
    CMediaReader& operator=(const CMediaReader&) = delete;

    HResult Open(const std::string& path, IMediaReaderCallback* callback) override;
    HResult GetOutputCount(uint32_t& count) override;
    HResult GetOutputProps(uint32_t output, MediaOutputInfo& info) override;
    HResult GetDuration(uint64_t& duration) override;
    HResult GetBitrate(uint32_t& bitsPerSecond) override;
    HResult SetUserProvidedClock(bool enabled) override;
    HResult Start() override;
    HResult DeliverTime(uint64_t time) override;
    HResult Stop() override;

private:
    void Run();
    HResult Probe();
    void OpenDecoder();
    // The status that ends decoding, or -1 when stopped.
    int32_t Decode();
    bool ReceiveFrames(AVFrame* frame);
    bool ConvertAndDeliver(const AVFrame* frame);
    bool FlushResampler();
    bool Deliver(const uint8_t* data, int frames);
    bool WaitForDelivery(uint64_t time);
    bool StopRequested();
    bool OpenedWell();
    static int Interrupt(void* opaque);

    IMediaReaderCallback* m_pCallback = nullptr;
    std::string m_strPath;
    CFdInput m_input;
    std::thread m_thread;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bOpened = false;
    HResult m_openResult = kErrNotOpened;
    bool m_bStartRequested = false;
    bool m_bStopRequested = false;
    bool m_bUserClock = false;
    uint64_t m_nDeliveryTime = 0;

    // Written by the runtime's thread before it reports StatusOpened, read-only afterwards.
    AvInputContextPtr m_format;
    std::vector<MediaOutputInfo> m_outputs;
    int m_nAudioStream = -1;
    uint32_t m_nAudioOutput = 0;
    bool m_bHasDuration = false;
    uint64_t m_nDuration = 0;
    bool m_bHasBitrate = false;
    uint32_t m_nBitrate = 0;

    // Decoding state, runtime thread only.
    AvCodecContextPtr m_decoder;
    SwrContextPtr m_resampler;
    AVChannelLayout m_outLayout{};
    std::vector<uint8_t> m_pcm;
    uint64_t m_nFramesDelivered = 0;
};
