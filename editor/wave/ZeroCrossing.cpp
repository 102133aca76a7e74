#include "wave/ZeroCrossing.h"

#include "wave/CRMWave.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// The channel sums of [first, first + count), with 8-bit samples centred on 128.
std::vector<int64_t> ChannelSums(CRMWave& wave, int32_t first, int32_t count)
{
    const int32_t align = wave.BlockAlign();
    std::vector<uint8_t> bytes(static_cast<std::size_t>(count) * static_cast<std::size_t>(align));
    bytes.resize(wave.ReadAt(wave.FramesToBytes(first), bytes.data(), bytes.size()));
    std::vector<int64_t> sums(bytes.size() / static_cast<std::size_t>(align), 0);
    for (std::size_t f = 0; f < sums.size(); ++f) {
        const uint8_t* p = bytes.data() + f * static_cast<std::size_t>(align);
        for (int c = 0; c < wave.m_nChannels; ++c) {
            if (wave.m_nBitsPerSample == 8)
                sums[f] += static_cast<int64_t>(p[c]) - 128;
            else
                sums[f] += static_cast<int16_t>(static_cast<uint16_t>(p[2 * c] | (p[2 * c + 1] << 8)));
        }
    }
    return sums;
}

}  // namespace

int32_t ZeroCrossingReach(const CRMWave& wave)
{
    return static_cast<int32_t>(std::lround(wave.m_nSamplesPerSec * 0.010));
}

int32_t SnapToZeroCrossing(CRMWave& wave, int32_t frame)
{
    if (wave.m_nLength <= 0 || wave.BlockAlign() <= 0)
        return frame;
    frame = std::clamp(frame, 0, wave.m_nLength);
    // The document's ends are valid cut points and stay where they are.
    if (frame == 0 || frame == wave.m_nLength)
        return frame;
    const int32_t reach = ZeroCrossingReach(wave);
    const int32_t first = std::max(0, frame - reach);
    const int32_t last = std::min(wave.m_nLength - 1, frame + reach);
    const std::vector<int64_t> sums = ChannelSums(wave, first, last - first + 1);
    if (sums.empty())
        return frame;

    const auto level = [&](int32_t candidate) { return std::llabs(sums[static_cast<std::size_t>(candidate - first)]); };
    // Nearer wins, then closer to zero; `best` starts as no candidate.
    const auto better = [&](int32_t candidate, int32_t best) {
        const int32_t distance = std::abs(candidate - frame);
        const int32_t bestDistance = std::abs(best - frame);
        return distance < bestDistance || (distance == bestDistance && level(candidate) < level(best));
    };
    // Of the two frames around a sign change: closer to zero, then nearer.
    const auto quieter = [&](int32_t a, int32_t b) {
        return level(a) < level(b) || (level(a) == level(b) && std::abs(a - frame) < std::abs(b - frame));
    };
    int32_t crossing = -1;
    int32_t quietest = frame;
    for (int32_t candidate = first; candidate <= last; ++candidate) {
        const std::size_t i = static_cast<std::size_t>(candidate - first);
        if (i >= sums.size())
            break;
        if (quieter(candidate, quietest))
            quietest = candidate;
        int32_t here = -1;
        if (sums[i] == 0)
            here = candidate;
        else if (i > 0 && (sums[i - 1] < 0) != (sums[i] < 0))
            here = quieter(candidate, candidate - 1) ? candidate : candidate - 1;
        if (here >= 0 && (crossing < 0 || better(here, crossing)))
            crossing = here;
    }
    return crossing >= 0 ? crossing : quietest;
}
