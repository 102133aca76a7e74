#pragma once
// Shared helpers for the effect tests: a document filled with known samples,
// a sink that records progress events and pump steps, and signal measures.

#include "dsp/CWaveEffects.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace dsptest {

class RecordingEvents : public IControlEvents {
public:
    RecordingEvents() { SetControlEvents(this); }
    ~RecordingEvents() override { SetControlEvents(nullptr); }
    RecordingEvents(const RecordingEvents&) = delete;
    RecordingEvents& operator=(const RecordingEvents&) = delete;

    void FireProgress(float percent) override { progress.push_back(percent); }
    void PumpMessages() override { ++pumps; }

    std::vector<float> progress;
    int pumps = 0;
};

// A document with its effects processor.
struct EffectDoc {
    EffectDoc(int channels, int rate, int bits) : fx(&wave)
    {
        EXPECT_TRUE(wave.CreateNew(channels, rate, bits));
    }

    void AppendBytes(const std::vector<uint8_t>& bytes)
    {
        wave.SeekToEnd();
        EXPECT_TRUE(wave.WriteData(bytes.data(), bytes.size()));
        wave.UpdateLength();
    }
    void Append16(const std::vector<int16_t>& interleaved)
    {
        std::vector<uint8_t> bytes(interleaved.size() * 2);
        for (std::size_t i = 0; i < interleaved.size(); ++i) {
            const auto v = static_cast<uint16_t>(interleaved[i]);
            bytes[2 * i] = static_cast<uint8_t>(v);
            bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
        AppendBytes(bytes);
    }
    std::vector<uint8_t> Bytes()
    {
        std::vector<uint8_t> all(static_cast<std::size_t>(wave.GetDataLength()));
        wave.SeekToStart();
        EXPECT_EQ(wave.ReadData(all.data(), all.size()), all.size());
        return all;
    }
    std::vector<int16_t> Samples16()
    {
        const auto bytes = Bytes();
        std::vector<int16_t> s(bytes.size() / 2);
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        return s;
    }
    // Samples of one channel over [begin, end) frames.
    std::vector<double> Channel(int channel, int begin, int end)
    {
        const auto s = Samples16();
        std::vector<double> out;
        for (int f = begin; f < end; ++f)
            out.push_back(s[static_cast<std::size_t>(f) * wave.m_nChannels + channel]);
        return out;
    }
    void Select(int32_t begin, int32_t end)
    {
        wave.m_nSelBegin = begin;
        wave.m_nSelEnd = end;
    }

    CRMWave wave;
    CWaveEffects fx;
};

inline std::vector<double> Sine(int frames, double hz, int rate, double amplitude, double phase = 0.0)
{
    std::vector<double> v(frames);
    for (int i = 0; i < frames; ++i)
        v[i] = amplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate + phase);
    return v;
}

inline std::vector<double> Noise(int frames, double amplitude, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-amplitude, amplitude);
    std::vector<double> v(frames);
    for (auto& x : v)
        x = dist(gen);
    return v;
}

// Interleaves channels (all the same length) into 16-bit samples, rounded.
inline std::vector<int16_t> Interleave(const std::vector<std::vector<double>>& channels)
{
    std::vector<int16_t> out;
    for (std::size_t f = 0; f < channels[0].size(); ++f)
        for (const auto& c : channels)
            out.push_back(static_cast<int16_t>(std::lround(c[f])));
    return out;
}

inline double Rms(const std::vector<double>& v, std::size_t begin = 0, std::size_t end = SIZE_MAX)
{
    end = std::min(end, v.size());
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i)
        sum += v[i] * v[i];
    return std::sqrt(sum / static_cast<double>(end - begin));
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace dsptest
