#pragma once
// The devices the player uses by default: streams on one connection to the
// sound server, made when the player is made so that the first Play or
// Record does not wait for it, and made again after the server went away.

#include "PulseWaveOut.h"
#include "WaveDevice.h"

#include <memory>
#include <mutex>

class CPulseDevices : public IWaveDevices {
public:
    CPulseDevices();

    std::unique_ptr<IWaveOut> CreateWaveOut() override;
    std::unique_ptr<IWaveIn> CreateWaveIn() override;

    // The figures of the last playback stream that was closed.
    PlaybackStats LastPlayback() const;

private:
    std::shared_ptr<CPulseSession> Session();

    mutable std::mutex m_mutex;  // the host's and the recorder's threads both make devices
    std::shared_ptr<CPulseSession> m_session;
    PlaybackStats m_last;
};
