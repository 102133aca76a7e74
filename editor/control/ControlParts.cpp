#include "ControlParts.h"

#include <atomic>

namespace {
std::atomic<int> g_nLiveParts{0};
}  // namespace

CControlParts::CControlParts() : m_effects(&m_wave), m_playerPosition(m_player)
{
    m_view.SetWave(&m_wave);
    m_view.SetPlayer(&m_playerPosition);
    m_player.m_pWave = &m_wave;
    m_player.m_pView = &m_view;
    m_soundFile.m_pWave = &m_wave;
    m_wave.SetClipboard(&m_clipboard);
    ++g_nLiveParts;
}

CControlParts::~CControlParts()
{
    // The clipboard is destroyed before the document.
    m_wave.SetClipboard(nullptr);
    --g_nLiveParts;
}

int CControlParts::LiveCount()
{
    return g_nLiveParts.load();
}
