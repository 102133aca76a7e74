// Echo with taps g, g/2, g/3, ... at multiples of the delay. The delayed part
// of the selection is copied to "Wave.fx"; each pass adds one tap taken from
// the unchanged document and clips the sum; the result is copied back.
#include "BlockLoop.h"
#include "CWaveEffects.h"
#include "ScratchFile.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <vector>

bool CWaveEffects::Echo(float delaySeconds, float decay)
{
    CRMWave& wave = *m_pWave;
    const int64_t delay = wave.FramesToBytes(wave.SecondsToFrames(delaySeconds));
    const int64_t start = wave.FramesToBytes(wave.m_nSelBegin);
    const int64_t total = wave.FramesToBytes(SelectionFrames());
    if (delay <= 0 || total < delay)
        return false;

    ScratchFile fx(wave);
    if (!fx.IsOpen())
        return false;
    const int64_t rest = total - delay;
    if (!fx.File().SetLength(rest))
        return false;

    const SampleFormat format = Format();
    const auto block = static_cast<int64_t>(m_buffer.size());
    std::vector<uint8_t> echoBlock(m_buffer.size());

    // The part of the selection that receives echoes: [start + delay, start + total).
    for (int64_t done = 0; done < rest; done += block) {
        const auto size = static_cast<std::size_t>(std::min(block, rest - done));
        if (ReadWaveAt(wave, start + delay + done, m_buffer.data(), size) != size ||
            !fx.WriteAt(done, m_buffer.data(), size))
            return false;
        PumpMessages();
    }

    const int64_t passes = rest / delay + 3;
    float percent = 0.0f;
    for (int64_t k = 1; total - k * delay > 0; ++k) {
        percent = static_cast<float>(std::min<int64_t>(k * 100 / passes, 100));
        ReportProgress(percent);
        const float tap = decay / static_cast<float>(k);
        const int64_t length = total - k * delay;
        const int64_t fxBase = (k - 1) * delay;
        for (int64_t done = 0; done < length; done += block) {
            const auto size = static_cast<std::size_t>(std::min(block, length - done));
            if (ReadWaveAt(wave, start + done, m_buffer.data(), size) != size ||
                fx.ReadAt(fxBase + done, echoBlock.data(), size) != size) {
                ReportProgress(0.0f);
                return false;
            }
            const int frames = static_cast<int>(size / static_cast<std::size_t>(format.BlockAlign()));
            for (int c = 0; c < format.channels; ++c)
                for (int j = 0; j < frames; ++j) {
                    const float y = ::ReadSample(echoBlock.data(), format, c, j);
                    const float x = ::ReadSample(m_buffer.data(), format, c, j);
                    ::WriteSample(echoBlock.data(), format, c, j, y + x * tap);
                }
            if (!fx.WriteAt(fxBase + done, echoBlock.data(), size)) {
                ReportProgress(0.0f);
                return false;
            }
            PumpMessages();
        }
    }

    bool complete = true;
    for (int64_t done = 0; done < rest; done += block) {
        const auto size = static_cast<std::size_t>(std::min(block, rest - done));
        if (fx.ReadAt(done, m_buffer.data(), size) != size ||
            !WriteWaveAt(wave, start + delay + done, m_buffer.data(), size)) {
            complete = false;
            break;
        }
        PumpMessages();
    }
    ReportProgress(percent);
    fx.Remove();
    ReportProgress(0.0f);
    return complete;
}
