#pragma once
// Records a PulseAudio source (a sink's monitor) as 16-bit mono and notes
// when each piece arrived, so that a benchmark can tell when sound appeared
// on the sink and when it stopped, on the same clock as the calls it times.

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class MonitorCapture {
public:
    using Clock = std::chrono::steady_clock;

    MonitorCapture();
    ~MonitorCapture();
    MonitorCapture(const MonitorCapture&) = delete;
    MonitorCapture& operator=(const MonitorCapture&) = delete;

    // Starts recording `source` at 44100 Hz, in 5 ms pieces; false with a
    // reason in Error(). It does not wait for the first piece.
    bool Start(const std::string& source);
    // The estimated time of the first sample louder than `threshold` at or
    // after `from`, and of the last one.
    std::optional<Clock::time_point> FirstLoud(Clock::time_point from, int threshold) const;
    std::optional<Clock::time_point> LastLoud(int threshold) const;
    const std::string& Error() const { return m_error; }

private:
    struct Piece {
        Clock::time_point arrived;
        std::vector<int16_t> samples;
    };
    static void OnRead(pa_stream* stream, size_t bytes, void* self);
    static void OnState(pa_context* context, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    Clock::time_point SampleTime(const Piece& piece, std::size_t index) const;

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    std::string m_error;
    mutable std::mutex m_mutex;
    std::vector<Piece> m_pieces;
};
