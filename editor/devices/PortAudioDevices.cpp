#include "PortAudioWaveIn.h"
#include "PortAudioWaveOut.h"

std::unique_ptr<IWaveOut> CPortAudioDevices::CreateWaveOut()
{
    return std::make_unique<CPortAudioWaveOut>([this](const PlaybackStats& stats) {
        std::lock_guard lock(m_mutex);
        m_last = stats;
    });
}

std::unique_ptr<IWaveIn> CPortAudioDevices::CreateWaveIn()
{
    return std::make_unique<CPortAudioWaveIn>();
}

PlaybackStats CPortAudioDevices::LastPlayback() const
{
    std::lock_guard lock(m_mutex);
    return m_last;
}
