#pragma once
// How the Qt-free core reaches the control: its four events, the two message
// boxes the core may show, and one message-pump step between blocks of work.
//
// The control implements IControlEvents and installs itself with
// SetControlEvents(); until then a sink that does nothing is in place, so the
// core and its tests run without any user interface.

#include <cstdint>
#include <string>

class IControlEvents {
public:
    virtual ~IControlEvents() = default;

    virtual void FireProgress(float /*percent*/) {}
    virtual void FireChangeView() {}
    virtual void FireChangePlayer() {}
    virtual void FireChangeMouse(int32_t /*sample*/) {}

    // A modal message box with an OK button and no owner.
    virtual void ShowMessage(const std::string& /*text*/, const std::string& /*caption*/) {}

    // One step of the host's message loop: handle what is waiting, never block.
    virtual void PumpMessages() {}
};

// The module-wide sink. Never null: it points at a do-nothing sink by default.
extern IControlEvents* g_pControl;

// Installs a sink; nullptr restores the do-nothing default.
void SetControlEvents(IControlEvents* sink);

// One message-pump step through the installed sink.
inline void PumpMessages() { g_pControl->PumpMessages(); }

// Fires Progress and then runs one pump step, the pattern of every long operation.
inline void ReportProgress(float percent)
{
    g_pControl->FireProgress(percent);
    g_pControl->PumpMessages();
}
