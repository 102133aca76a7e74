#pragma once
// Shared pieces of the view tests: documents with known samples, a counter of
// ChangeView events, and a player whose status and position the test sets.

#include "WaveViewPlayer.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <QtTest>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct ChangeViewCounter : IControlEvents {
    int changeView = 0;
    void FireChangeView() override { ++changeView; }
};

// Installs a counter as the module's event sink for the life of the object.
class ScopedEvents {
public:
    ScopedEvents() { SetControlEvents(&m_counter); }
    ~ScopedEvents() { SetControlEvents(nullptr); }
    ScopedEvents(const ScopedEvents&) = delete;
    ScopedEvents& operator=(const ScopedEvents&) = delete;
    int ChangeView() const { return m_counter.changeView; }

private:
    ChangeViewCounter m_counter;
};

struct FakePlayer : IWaveViewPlayer {
    int32_t status = 0;
    int32_t position = 0;
    int32_t GetPlayerStatus() const override { return status; }
    int32_t GetPlayPosition() const override { return position; }
};

// A 16-bit document whose sample of channel c at frame f is sample(c, f).
inline std::unique_ptr<CRMWave> MakeWave16(int32_t channels, int32_t frames,
    const std::function<int16_t(int32_t, int32_t)>& sample)
{
    auto wave = std::make_unique<CRMWave>();
    if (!wave->CreateNew(channels, 44100, 16))
        return nullptr;
    std::vector<int16_t> data;
    data.reserve(static_cast<std::size_t>(frames) * channels);
    for (int32_t f = 0; f < frames; ++f)
        for (int32_t c = 0; c < channels; ++c)
            data.push_back(sample(c, f));
    // The working file holds little-endian samples; this machine is one too.
    if (!data.empty() && !wave->WriteData(data.data(), data.size() * sizeof(int16_t)))
        return nullptr;
    wave->UpdateLength();
    return wave;
}

// An 8-bit document whose byte of channel c at frame f is byte(c, f).
inline std::unique_ptr<CRMWave> MakeWave8(int32_t channels, int32_t frames,
    const std::function<uint8_t(int32_t, int32_t)>& byte)
{
    auto wave = std::make_unique<CRMWave>();
    if (!wave->CreateNew(channels, 8000, 8))
        return nullptr;
    std::vector<uint8_t> data;
    for (int32_t f = 0; f < frames; ++f)
        for (int32_t c = 0; c < channels; ++c)
            data.push_back(byte(c, f));
    if (!data.empty() && !wave->WriteData(data.data(), data.size()))
        return nullptr;
    wave->UpdateLength();
    return wave;
}

#include "CWaveView.h"

#include <QWidget>

// A view on a document inside a small host widget standing in for the control.
struct ViewRig {
    QWidget host;
    CWaveView view;
    FakePlayer player;
    std::unique_ptr<CRMWave> wave;

    ViewRig(std::unique_ptr<CRMWave> document, int width, int height)
        : wave(std::move(document))
    {
        host.resize(width, height);
        view.SetControl(&host);
        view.SetWave(wave.get());
        view.SetPlayer(&player);
        view.Resize(QRect(0, 0, width, height));
        view.ResetView();
    }
};

// One second of 16-bit stereo at 44100 Hz: channel 0 alternates +20000 and
// -20000 from frame to frame, channel 1 is a ramp.
inline std::unique_ptr<CRMWave> OneSecondStereo()
{
    return MakeWave16(2, 44100, [](int32_t c, int32_t f) -> int16_t {
        if (c == 0)
            return f % 2 == 0 ? 20000 : -20000;
        return static_cast<int16_t>(f - 22050);
    });
}
