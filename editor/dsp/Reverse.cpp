// Reverse: the selection is read from its end toward its start, each block's
// frames reversed into "Wave.fx", and the scratch copy then written back over
// the selection. The document is only touched once the copy is complete.
#include "CWaveEffects.h"
#include "EffectDriver.h"
#include "ScratchFile.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Frame j of `in` becomes frame frames - 1 - j of `out`; the channel order
// inside a frame stays. Samples go through the write rule, as every effect's do.
void ReverseFrames(const uint8_t* in, uint8_t* out, int frames, const SampleFormat& format)
{
    const auto frameBytes = static_cast<std::size_t>(format.BlockAlign());
    for (int j = 0; j < frames; ++j)
        std::memcpy(out + static_cast<std::size_t>(frames - 1 - j) * frameBytes,
                    in + static_cast<std::size_t>(j) * frameBytes, frameBytes);
    ClipToWriteRange(out, format, static_cast<std::size_t>(frames) * static_cast<std::size_t>(format.channels));
}

}  // namespace

bool CWaveEffects::Reverse()
{
    CRMWave& wave = *m_pWave;
    const SampleFormat format = Format();
    if (!format.IsSupported())
        return false;
    ScratchFile fx(wave);
    if (!fx.IsOpen())
        return false;

    const auto frameBytes = static_cast<std::size_t>(format.BlockAlign());
    const int64_t start = wave.FramesToBytes(wave.m_nSelBegin);
    const int64_t total = wave.FramesToBytes(SelectionFrames());
    const int64_t block = int64_t{FramesPerBlock(format)} * format.BlockAlign();
    std::vector<uint8_t> buffer(static_cast<std::size_t>(block)), reversed(static_cast<std::size_t>(block));

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
        const std::size_t read = wave.ReadAt(offset, buffer.data(), static_cast<std::size_t>(size));
        if (read != static_cast<std::size_t>(size))
            return fail();
        ReverseFrames(buffer.data(), reversed.data(), static_cast<int>(read / frameBytes), format);
        if (!fx.WriteAt(copied, reversed.data(), read))
            return fail();
        copied += size;
        ReportProgress(static_cast<float>(PercentOf(copied, total) / 2));
    }

    // Copy it back over the selection.
    int64_t done = 0;
    while (done < total) {
        const auto size = static_cast<std::size_t>(std::min(block, total - done));
        if (fx.ReadAt(done, buffer.data(), size) != size || !wave.WriteAt(start + done, buffer.data(), size))
            break;
        done += static_cast<int64_t>(size);
        ReportProgress(static_cast<float>(50 + PercentOf(done, total) / 2));
    }
    ReportProgress(100.0f);
    fx.Remove();
    ReportProgress(0.0f);
    return done == total;
}
