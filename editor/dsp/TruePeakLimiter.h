#pragma once
// A look-ahead limiter that keeps the true peak (the peak of the signal
// between samples, found by 4x oversampling) at or under a ceiling.
//
// It is a processor: Process() transforms a span of interleaved frames in
// place and keeps its state between spans, so any split of the input gives
// the same output. The output is the input delayed by Latency() frames with
// a smooth gain applied: the gain reaches each peak's required value before
// the peak comes out, then recovers over the release time. Feed Latency()
// frames of silence after the input to receive its last frames.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class CTruePeakLimiter {
public:
    // ceiling: dBTP relative to full scale 1.0.
    CTruePeakLimiter(int channels, int sampleRate, double ceilingDb, double lookAheadMs = 5.0,
                     double releaseMs = 100.0);

    int Latency() const { return m_nLookAhead + kFilterDelay; }
    void Process(float* samples, std::size_t frames);

private:
    static constexpr int kPhases = 4;
    static constexpr int kTapsPerPhase = 12;
    // Frames by which the interpolated values lag their input.
    static constexpr int kFilterDelay = kTapsPerPhase / 2;

    double TruePeakOfNewestFrame() const;
    double SmoothedGain(double required);

    int m_nChannels;
    double m_dCeiling;
    int m_nLookAhead;
    double m_dRelease;

    std::vector<float> m_filter;       // kPhases × kTapsPerPhase prototype taps
    std::vector<float> m_history;      // the last kTapsPerPhase input frames, newest last
    std::vector<float> m_delay;        // Latency() frames of input, circular
    std::size_t m_nDelayPos = 0;

    // Sliding minimum of the required gains over the hold window.
    std::deque<std::pair<int64_t, double>> m_minimum;
    int64_t m_nIndex = 0;
    double m_dReleased = 1.0;
    // Moving average of the held gains over the look-ahead.
    std::vector<double> m_average;
    std::size_t m_nAveragePos = 0;
    double m_dAverageSum = 0.0;
};
