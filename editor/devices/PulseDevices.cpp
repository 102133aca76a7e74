#include "PulseDevices.h"

#include "PulseWaveIn.h"

CPulseDevices::CPulseDevices() : m_session(std::make_shared<CPulseSession>()) {}

std::shared_ptr<CPulseSession> CPulseDevices::Session()
{
    std::lock_guard lock(m_mutex);
    if (m_session->IsLost())
        m_session = std::make_shared<CPulseSession>();
    return m_session;
}

std::unique_ptr<IWaveOut> CPulseDevices::CreateWaveOut()
{
    return std::make_unique<CPulseWaveOut>(Session(), [this](const PlaybackStats& stats) {
        std::lock_guard lock(m_mutex);
        m_last = stats;
    });
}

std::unique_ptr<IWaveIn> CPulseDevices::CreateWaveIn()
{
    return std::make_unique<CPulseWaveIn>(Session());
}

PlaybackStats CPulseDevices::LastPlayback() const
{
    std::lock_guard lock(m_mutex);
    return m_last;
}
