#pragma once
// The editor as a host sees it: a widget that owns one document, its view,
// the file-format manager, the player and the effects processor (its parts),
// and offers them through its automation interface: the members of the
// type library (TypeLib.cpp), run by the dispatch layer (Dispatch.h) on the
// functions of ControlMembers.h, and four events. Every method runs on the
// host's thread; long ones keep the host alive with a message-pump step
// between blocks.

#include "ControlParts.h"

#include "Sonarch2/Sonarch2.h"

#include "wave/ControlEvents.h"

#include <QElapsedTimer>
#include <QWidget>

#include <memory>

namespace sonarch2 {
class CDispatch;
}

class CSonarch2Ctrl : public QWidget, public IControlEvents {
    Q_OBJECT

public:
    explicit CSonarch2Ctrl(QWidget* parent = nullptr);
    ~CSonarch2Ctrl() override;

    // The dispatch interface; it lives as long as anyone holds a reference,
    // at least as long as the control.
    sonarch2::CDispatch* Dispatch() const { return m_pDispatch; }
    const std::shared_ptr<CControlParts>& Parts() const { return m_parts; }

    // Player busy, or a long document call running: the mouse does nothing.
    bool IsBusy() const { return m_parts->IsPlayerBusy() || m_parts->m_bWorking; }
    bool IsModified() const { return m_parts->m_bModified; }
    int GetPlayerStatus() const { return m_parts->m_player.GetStatus(); }

    // Fires an event to the Qt signal and the dispatch sinks; false when the
    // host destroyed the control while handling it.
    [[nodiscard]] bool EmitEvent(int32_t dispid, const QVariantList& args = {});

    // --- Events of the core, turned into the control's events ------------------
    void FireProgress(float percent) override;
    void FireChangeView() override;
    void FireChangePlayer() override;
    void FireChangeMouse(int32_t sample) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    // Handles what is waiting, at most once a millisecond: a long call steps
    // every few microseconds, and the window needs no more to stay alive.
    void PumpMessages() override;

    // The parts, for tests and the host's diagnostics.
    CRMWave& Wave() { return m_parts->m_wave; }
    CWaveView& View() { return m_parts->m_view; }
    CWavePlayer& Player() { return m_parts->m_player; }

signals:
    void ChangeMouse(int lSample);
    void ChangePlayer();
    void ChangeView();
    void Progress(float fPercent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Shared with every call that runs on them (ControlCall.h).
    std::shared_ptr<CControlParts> m_parts;
    bool m_bDragging = false;
    bool m_bMouseDown = false;
    bool m_bInitialized = false;
    QElapsedTimer m_sinceMessages;  // since the last pump step that handled messages

    sonarch2::CDispatch* m_pDispatch;  // one reference, released with the control
};
