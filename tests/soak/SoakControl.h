#pragma once
// The editor control as the soak drives it: created by class id through the
// component registry and the library's class factory, as a host does, and
// reached only through its dispatch interface (by DISPID) and mouse events
// sent to its widget.

#include "ControlHost.h"

#include <QEvent>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QWidget>

#include <memory>

namespace soak {

// DISPIDs of the members the soak uses.
enum Dispid : int32_t {
    DispChannels = 3,
    DispSamplesPerSec = 4,
    DispBitsPerSample = 2,
    DispWaveLength = 7,
    DispWidth = 10,
    DispZoom = 12,
    DispCursorPos = 13,
    DispSelectBegin = 17,
    DispSelectEnd = 18,
    DispViewBegin = 19,
    DispViewEnd = 20,
    DispFileName = 24,
    DispFormat = 25,
    DispLoad = 31,
    DispSaveAs = 37,
    DispDelete = 42,
    DispCut = 43,
    DispCopy = 44,
    DispPaste = 45,
    DispUndo = 46,
    DispSelectAll = 49,
    DispDeSelect = 50,
    DispScrollTo = 51,
    DispDoFade = 52,
    DispFxAmplify = 53,
    DispFxFadeIn = 54,
    DispFxFadeOut = 55,
    DispFxInsertSilence = 56,
    DispFxInvert = 57,
    DispFxSilence = 60,
    DispFxReverse = 62,
};

class SoakControl {
public:
    // Registers `library` in the component registry and creates the control
    // by class id in a shown window of the given size. Empty on success,
    // else what went wrong.
    QString Create(const QString& library, int width, int height);

    // A method call; `ok` false when the dispatch layer refused it.
    QVariant Call(int32_t dispid, const QVariantList& args = {}, bool* ok = nullptr);
    QVariant Get(int32_t dispid, bool* ok = nullptr);
    bool Put(int32_t dispid, const QVariant& value);
    int32_t GetInt(int32_t dispid) { return Get(dispid).toInt(); }

    // Left button down at x, a move to x + 1 then to xUp, button up at xUp.
    void Drag(int xDown, int xUp);
    // Left button down and up at x, without a move.
    void Click(int x);

    QWidget* Widget() const { return m_control->Widget(); }

private:
    void SendMouse(QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons buttons);

    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<sonarch2::CControlClient> m_control;  // released before the window goes
};

}  // namespace soak
