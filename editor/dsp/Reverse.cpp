// Reverse: the selection is read from its end toward its start, each block's
// frames reversed into "Wave.fx", and the scratch copy then written back over
// the selection. The document is only touched once the copy is complete.
#include "BlockLoop.h"
#include "CWaveEffects.h"
#include "ScratchFile.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <vector>

bool CWaveEffects::Reverse()
{
    CRMWave& wave = *m_pWave;
    ScratchFile fx(wave);
    if (!fx.IsOpen())
        return false;

    const SampleFormat format = Format();
    const int64_t start = wave.FramesToBytes(wave.m_nSelBegin);
    const int64_t total = wave.FramesToBytes(SelectionFrames());
    const auto block = static_cast<int64_t>(m_buffer.size());
    std::vector<uint8_t> reversed(m_buffer.size());

    ReportProgress(0.0f);
    const auto fail = [] {
        ReportProgress(0.0f);
        return false;
    };
    // Reverse into the scratch file, last block of the selection first.
    int64_t copied = 0;
    while (copied < total) {
        const int64_t size = std::min(block, total - copied);
        const int64_t offset = start + total - copied - size;
        const std::size_t read = ReadWaveAt(wave, offset, m_buffer.data(), static_cast<std::size_t>(size));
        if (read != static_cast<std::size_t>(size))
            return fail();
        const int frames = static_cast<int>(size / format.BlockAlign());
        for (int c = 0; c < format.channels; ++c)
            for (int j = 0; j < frames; ++j)
                ::WriteSample(reversed.data(), format, c, frames - 1 - j,
                              ::ReadSample(m_buffer.data(), format, c, j));
        if (!fx.WriteAt(copied, reversed.data(), read))
            return fail();
        copied += size;
        ReportProgress(static_cast<float>(PercentOf(copied, total) / 2));
    }

    // Copy it back over the selection.
    int64_t done = 0;
    while (done < total) {
        const auto size = static_cast<std::size_t>(std::min(block, total - done));
        if (fx.ReadAt(done, m_buffer.data(), size) != size ||
            !WriteWaveAt(wave, start + done, m_buffer.data(), size))
            break;
        done += static_cast<int64_t>(size);
        ReportProgress(static_cast<float>(50 + PercentOf(done, total) / 2));
    }
    ReportProgress(100.0f);
    fx.Remove();
    ReportProgress(0.0f);
    return done == total;
}
