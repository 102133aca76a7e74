// Echo with taps g, g/2, g/3, ... at multiples of the delay d:
//   y(p) = x(p), then for k = 1, 2, ... while k d <= p: y(p) = q(y(p) + x(p - k d) g / k)
// with q the write rule (clip and truncate after every tap) and every x taken
// from the unchanged document. Samples are independent of each other and of
// their channel, so the selection is handled as one run of samples.
//
// The outputs are worked out from the selection's end toward its start and
// written back as they are finished: an output only ever reads samples
// before it, which are still untouched. Outputs are taken in columns: the
// blocks at p, p - d, p - 2d, ... of one column read the same source blocks
// one tap apart, so one pass over the column's sources, each loaded once,
// serves all of them while they stay in the cache. Within a column, outputs
// and taps go in tiles whose outputs stay in registers (EchoTaps.h).
#include "CWaveEffects.h"
#include "EchoTaps.h"
#include "EffectDriver.h"

#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int64_t kGroup = 256;          // output blocks of a column
constexpr int64_t kBlockSamples = 2048;  // at most, and at most the delay

// A tile reads the same lanes of many blocks; a line's worth of padding after
// each keeps them from falling into the same cache set.
constexpr int64_t kRowPadding = 16;

// Source blocks a column keeps: a tile of taps past its outputs.
constexpr int64_t kRing = kGroup + kTileTaps;

// Taps of all outputs before sample p: sum of floor(q / d) for q < p.
double TapsBefore(int64_t p, int64_t d)
{
    const int64_t m = p / d;
    return static_cast<double>(d) * static_cast<double>(m) * static_cast<double>(m - 1) / 2.0 +
           static_cast<double>(m) * static_cast<double>(p - m * d);
}

class EchoRun {
public:
    EchoRun(CRMWave& wave, int64_t delaySamples, float decay)
        : m_wave(wave), m_format{1, FormatOf(wave).bytesPerSample}, m_start(wave.FramesToBytes(wave.m_nSelBegin)),
          m_n(wave.FramesToBytes(int64_t{wave.m_nSelEnd} - wave.m_nSelBegin) / m_format.bytesPerSample),
          m_d(delaySamples), m_decay(decay),
          m_width(std::min(m_d, std::max<int64_t>(wave.m_nChannels, kBlockSamples - kBlockSamples % wave.m_nChannels))),
          m_stride(m_width + kRowPadding), m_bytes(static_cast<std::size_t>(m_width * m_format.bytesPerSample)),
          m_sums(static_cast<std::size_t>(kGroup * m_stride)),
          m_sources(static_cast<std::size_t>(kRing * m_stride)),
          m_total(TapsBefore(m_n, m_d))
    {
    }

    bool Run()
    {
        for (int64_t end = m_n; end > m_d; end -= kGroup * m_d)
            for (int64_t offset = 0; offset < m_d; offset += m_width)
                if (!Column(end, offset, std::min(m_width, m_d - offset)))
                    return false;
        return true;
    }

private:
    // Virtual block i of a column: samples [Hi(i) - width, Hi(i)).
    struct Column_ {
        int64_t end, offset, width;
        int64_t Hi(int64_t i, int64_t d) const { return end - i * d - offset; }
    };

    bool Load(int64_t lo, int64_t hi, float* out)
    {
        const auto bytes = static_cast<std::size_t>((hi - lo) * m_format.bytesPerSample);
        if (m_wave.ReadAt(m_start + lo * m_format.bytesPerSample, m_bytes.data(), bytes) != bytes)
            return false;
        DecodeChannel(m_bytes.data(), m_format, 0, static_cast<int>(hi - lo), out);
        return true;
    }

    bool Store(int64_t lo, int64_t hi, const float* in)
    {
        const auto bytes = static_cast<std::size_t>((hi - lo) * m_format.bytesPerSample);
        EncodeChannel(m_bytes.data(), m_format, 0, static_cast<int>(hi - lo), in);
        return m_wave.WriteAt(m_start + lo * m_format.bytesPerSample, m_bytes.data(), bytes);
    }

    // Loads source block i (clipped at the selection start) into its ring slot.
    bool LoadSource(const Column_& col, int64_t i)
    {
        const int64_t hi = col.Hi(i, m_d);
        if (hi <= 0)
            return true;
        return Load(std::max<int64_t>(hi - col.width, 0), hi, Source(i));
    }
    float* Source(int64_t i) { return m_sources.data() + (i % kRing) * m_stride; }
    float* Sum(int64_t m) { return m_sums.data() + m * m_stride; }

    // Taps [k0, k1) of outputs [m0, m0 + kTileOutputs). Where every one of
    // them covers the whole block they go through the tile in registers; near
    // the selection start, where some outputs have fewer taps, pair by pair.
    void AddTaps(const Column_& col, int64_t m0, int64_t k0, int64_t k1)
    {
        const int64_t lowest = col.Hi(m0 + kTileOutputs - 1, m_d) - col.width;
        if (std::fabs(m_decay) < kMostTap && lowest >= (k1 - 1) * m_d) {
            float* y[kTileOutputs];
            const float* x[kTileOutputs + kTileTaps - 1];
            float taps[kTileTaps];
            for (int r = 0; r < kTileOutputs; ++r)
                y[r] = Sum(m0 + r);
            for (int64_t i = 0; i < kTileOutputs + (k1 - k0) - 1; ++i)
                x[i] = Source(m0 + k0 + i);
            for (int64_t k = k0; k < k1; ++k)
                taps[k - k0] = m_decay / static_cast<float>(k);
            const auto tile = m_format.bytesPerSample == 1 ? AddTapTile8 : AddTapTile16;
            tile(y, x, taps, static_cast<int>(k1 - k0), col.width);
            return;
        }
        for (int64_t k = k0; k < k1; ++k) {
            const float tap = m_decay / static_cast<float>(k);
            for (int64_t m = m0; m < m0 + kTileOutputs; ++m) {
                const int64_t hi = col.Hi(m, m_d);
                const int64_t lo = hi - col.width;
                const int64_t from = std::max(lo, k * m_d);  // outputs with this tap
                if (hi - k * m_d <= 0 || from >= hi)
                    continue;
                const int64_t sourceLo = std::max<int64_t>(lo - k * m_d, 0);
                float* y = Sum(m) + (from - std::max<int64_t>(lo, 0));
                const float* x = Source(m + k) + (from - k * m_d - sourceLo);
                if (m_format.bytesPerSample == 1)
                    AddTap8(y, x, hi - from, tap);
                else
                    AddTap16(y, x, hi - from, tap);
            }
        }
    }

    bool Column(int64_t end, int64_t offset, int64_t width)
    {
        const Column_ col{end, offset, width};
        for (int64_t m = 0; m < kGroup; ++m) {
            if (!LoadSource(col, m))
                return false;
            if (col.Hi(m, m_d) > 0)
                std::copy_n(Source(m), width, Sum(m));
        }
        const int64_t top = col.Hi(0, m_d);
        const int64_t lastTap = (top - 1) / m_d;
        int64_t loaded = kGroup;  // sources before this one are in the ring
        for (int64_t k0 = 1; k0 <= lastTap; k0 += kTileTaps) {
            const int64_t k1 = std::min(k0 + kTileTaps, lastTap + 1);
            for (; loaded < k1 + kGroup - 1; ++loaded)
                if (!LoadSource(col, loaded))
                    return false;
            for (int64_t m0 = 0; m0 < kGroup; m0 += kTileOutputs)
                AddTaps(col, m0, k0, k1);
            PumpMessages();
        }
        double work = 0;
        for (int64_t m = 0; m < kGroup; ++m) {
            const int64_t hi = col.Hi(m, m_d);
            const int64_t from = std::max(hi - width, m_d);
            if (hi <= m_d)
                continue;
            if (!Store(from, hi, Sum(m) + (from - std::max<int64_t>(hi - width, 0))))
                return false;
            work += TapsBefore(hi, m_d) - TapsBefore(from, m_d);
        }
        Report(work);
        return true;
    }

    void Report(double work)
    {
        m_done += work;
        const int percent = m_total > 0 ? static_cast<int>(std::min(m_done * 100.0 / m_total, 100.0)) : 100;
        if (percent != m_percent) {
            m_percent = percent;
            ReportProgress(static_cast<float>(percent));
        } else {
            PumpMessages();
        }
    }

    CRMWave& m_wave;
    SampleFormat m_format;  // one sample a frame: the run of samples
    int64_t m_start;        // byte offset of the selection
    int64_t m_n;            // samples in the selection
    int64_t m_d;            // the delay in samples
    float m_decay;
    int64_t m_width;        // samples of an output block, whole frames
    int64_t m_stride;       // floats from one block's row to the next
    std::vector<uint8_t> m_bytes;
    std::vector<float> m_sums;     // the column's outputs
    std::vector<float> m_sources;  // ring of the column's source blocks
    double m_total;
    double m_done = 0;
    int m_percent = -1;
};

}  // namespace

bool CWaveEffects::Echo(float delaySeconds, float decay)
{
    CRMWave& wave = *m_pWave;
    if (!Format().IsSupported())
        return false;
    const int64_t delay = wave.FramesToBytes(wave.SecondsToFrames(delaySeconds));
    const int64_t total = wave.FramesToBytes(SelectionFrames());
    if (delay <= 0 || total < delay)
        return false;

    ReportProgress(0.0f);
    EchoRun run(wave, delay / Format().bytesPerSample, decay);
    const bool complete = run.Run();
    ReportProgress(100.0f);
    ReportProgress(0.0f);
    return complete;
}
