// Windows Media Audio: loading through CWmaReader, saving through CWmaWriter
// with a profile chosen from the encoder's formats.

#include "codecs/CSoundFile.h"
#include "codecs/ProgressPercent.h"
#include "codecs/wma/CWmaReader.h"
#include "codecs/wma/CWmaWriter.h"
#include "codecs/wma/WmaProfile.h"
#include "codecs/wma/WmaSampleTime.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <vector>

namespace {

// How long ReadWma lets the decoder work before the next pump step when no
// PCM was ready.
constexpr std::chrono::milliseconds kIdleWait{5};

// A BitRate of 0 means no rate is known (after a WAV or raw load).
constexpr int32_t kDefaultWmaBitRate = 128000;

// 8-bit unsigned samples to 16-bit signed, as the encoder takes them.
void Widen8To16(const uint8_t* in, std::size_t count, uint8_t* out)
{
    for (std::size_t i = 0; i < count; ++i) {
        const int16_t value = static_cast<int16_t>((static_cast<int>(in[i]) - 128) * 256);
        out[2 * i] = static_cast<uint8_t>(value & 0xFF);
        out[2 * i + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
    }
}

}  // namespace

int32_t CSoundFile::ReadWma()
{
    m_wWavFormat = 1;
    {
        int32_t status = 0;
        const WaveFormat* format = nullptr;
        CWmaReader reader(m_strFileName, status, &format);
        if (status == 0) {
            m_pWave->m_nChannels = format->nChannels;
            m_pWave->m_nSamplesPerSec = static_cast<int32_t>(format->nSamplesPerSec);
            m_pWave->m_nBitsPerSample = format->wBitsPerSample;
            m_nBitRate = reader.BitRate();

            std::vector<uint8_t> transfer;
            bool allocated = true;
            try {
                transfer.resize(WmaTransferBufferSize(*format));
            } catch (const std::bad_alloc&) {
                allocated = false;
            }
            if (allocated) {
                const uint32_t readSize = WmaReadSize(*format);
                bool done = false;
                ReportProgress(0);
                for (;;) {
                    PumpMessages();
                    if (done)
                        break;
                    int32_t position = 0;
                    uint32_t duration = 0;
                    const uint32_t got = reader.Read(transfer.data(), readSize, done, position, duration);
                    // A working file that refuses bytes ends the load with what it holds.
                    if (got > 0 && !m_pWave->WriteData(transfer.data(), got))
                        break;
                    if (got == 0 && !done)
                        reader.WaitForData(kIdleWait);
                    ReportProgress(std::max(0.0f, Percent(position, duration)));
                }
                ReportProgress(100);
                PumpMessages();
            }
        }
    }
    m_pWave->UpdateLength();
    m_pWave->ClampView();
    ReportProgress(0);
    PumpMessages();
    return 1;
}

int32_t CSoundFile::WriteWma()
{
    m_strFileName = ReplaceExtension("wma");

    CRMWave& wave = *m_pWave;
    const WmaStreamRequest request{
        static_cast<uint32_t>(m_nBitRate != 0 ? m_nBitRate : kDefaultWmaBitRate),
        kWmaV2FormatTag,
        static_cast<uint32_t>(wave.m_nSamplesPerSec),
        static_cast<uint32_t>(wave.m_nChannels),
    };
    std::unique_ptr<CWmaProfile> profile;
    if (Failed(CreateWmaProfile(&request, &profile)))
        return 0;

    CWmaWriter writer;
    if (Failed(writer.SetProfile(*profile)) || Failed(writer.SetOutputFilename(m_strFileName)))
        return 0;

    ReportProgress(0);
    bool ok = Succeeded(writer.BeginWriting());
    wave.SeekToStart();

    // 8-bit documents are widened to the 16-bit input the encoder takes.
    const bool widen = wave.m_nBitsPerSample == 8;
    const int64_t documentBytes = wave.FramesToBytes(wave.m_nLength);
    std::vector<uint8_t> narrow(widen ? CRMWave::kBlockSize : 0);
    int64_t bytesRead = 0;
    while (ok) {
        std::unique_ptr<CWmaSample> sample;
        if (Failed(writer.AllocateSample(widen ? 2 * CRMWave::kBlockSize : CRMWave::kBlockSize, sample))) {
            ok = false;
            break;
        }
        std::size_t got = 0;
        if (widen) {
            got = wave.ReadData(narrow.data(), narrow.size());
            Widen8To16(narrow.data(), got, sample->Data());
        } else {
            got = wave.ReadData(sample->Data(), CRMWave::kBlockSize);
        }
        if (got > 0) {
            const uint64_t time = WmaSampleTime(wave, bytesRead);
            sample->SetLength(static_cast<uint32_t>(widen ? 2 * got : got));
            ok = Succeeded(writer.WriteSample(0, time, 0, *sample));
        }
        bytesRead += static_cast<int64_t>(got);
        ReportProgress(ClampedPercent(bytesRead, documentBytes));
        if (got == 0)
            break;
    }
    ReportProgress(100);
    // A failed save leaves no file behind and an existing one untouched.
    if (ok)
        ok = Succeeded(writer.EndWriting());
    ReportProgress(0);
    return ok ? 1 : 0;
}
