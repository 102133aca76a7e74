#pragma once
// The working objects of one control: sound file, document, view, player and
// effects, wired to each other. The control holds them through a shared
// pointer and so does every call that is running on them. A host may destroy
// the control from inside such a call (closing its window from a handler
// that runs in Play's message steps); the call then finishes on these objects
// and they go when it returns.

#include "CWaveView.h"
#include "WaveViewPlayer.h"

#include "codecs/CSoundFile.h"
#include "devices/CWavePlayer.h"
#include "dsp/CWaveEffects.h"
#include "wave/CRMWave.h"
#include "wave/qt/QtWaveClipboard.h"

class CControlParts {
public:
    CControlParts();
    ~CControlParts();
    CControlParts(const CControlParts&) = delete;
    CControlParts& operator=(const CControlParts&) = delete;

    // How many sets of parts exist in the process; the library may be
    // unloaded only when there are none.
    static int LiveCount();

    // Destroyed in reverse order: effects, player, view, document, sound file.
    CSoundFile m_soundFile;
    CRMWave m_wave;
    CWaveView m_view;
    CWavePlayer m_player;
    CWaveEffects m_effects;

    // The control's own settings live here too, so that a call that
    // outlives the control never reaches into it.
    float m_fPanFactor = 5000.0f;  // frames of one pan step at zoom 1.0
    float m_fZoomFactor = 2.0f;    // factor of one zoom step
    bool m_bModified = false;      // an accepted property write since creation
    // A long document call (Load, Save, an effect, an edit) is running; see
    // CControlCall::WorkScope.
    bool m_bWorking = false;

    bool IsPlayerBusy() const { return m_player.GetStatus() != CWavePlayer::PlayerIdle; }

private:
    // The view sees the player's status and position through this.
    class PlayerPosition final : public IWaveViewPlayer {
    public:
        explicit PlayerPosition(const CWavePlayer& player) : m_player(player) {}
        int32_t GetPlayerStatus() const override { return m_player.GetStatus(); }
        int32_t GetPlayPosition() const override { return m_player.GetPlayPos(); }

    private:
        const CWavePlayer& m_player;
    };

    CQtWaveClipboard m_clipboard;
    PlayerPosition m_playerPosition;
};
