#include "BlockLoop.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>

int PercentOf(int64_t done, int64_t total)
{
    if (total <= 0)
        return 0;
    return static_cast<int>(std::min<int64_t>(done * 100 / total, 100));
}

std::size_t ReadWaveAt(CRMWave& wave, int64_t byteOffset, void* buffer, std::size_t count)
{
    wave.SeekToFrame(wave.BytesToFrames(byteOffset));
    return wave.ReadData(buffer, count);
}

bool WriteWaveAt(CRMWave& wave, int64_t byteOffset, const void* buffer, std::size_t count)
{
    wave.SeekToFrame(wave.BytesToFrames(byteOffset));
    return wave.WriteData(buffer, count);
}

void ProcessSelectionBlocks(CRMWave& wave, uint8_t* buffer, std::size_t bufferSize,
                            const BlockProcessor& process)
{
    int64_t position = wave.FramesToBytes(wave.m_nSelBegin);
    const int64_t total = wave.FramesToBytes(int64_t{wave.m_nSelEnd} - wave.m_nSelBegin);
    const int blockAlign = wave.BlockAlign();
    int64_t done = 0;

    for (;;) {
        ReportProgress(static_cast<float>(PercentOf(done, total)));
        if (done >= total || blockAlign <= 0)
            break;
        const std::size_t read = ReadWaveAt(wave, position, buffer, bufferSize);
        if (read == 0)  // the selection runs past the end of the file
            break;
        const auto part = static_cast<std::size_t>(
            done + static_cast<int64_t>(read) > total ? total - done : static_cast<int64_t>(read));
        const int frames = static_cast<int>(part / static_cast<std::size_t>(blockAlign));
        process(buffer, frames, wave.BytesToFrames(done));
        if (part > 0 && !WriteWaveAt(wave, position, buffer, part))
            break;
        done += static_cast<int64_t>(read);
        position += static_cast<int64_t>(read);
    }
    ReportProgress(0.0f);
}
