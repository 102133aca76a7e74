#pragma once
// One call into the control, as the dispatch layer and the mouse handlers
// run it. The call holds the control's parts, so they outlive anything the
// host does while the call runs (its handlers run inside the call, from the
// events and the message steps); and it knows whether the control itself
// still exists. Whatever fires an event says so in its [[nodiscard]] answer.

#include "CSonarch2Ctrl.h"
#include "ControlParts.h"

#include <QPointer>

#include <memory>

class CControlCall {
public:
    explicit CControlCall(CSonarch2Ctrl& control);

    CControlParts& Parts() const { return *m_parts; }
    // The control, or null once the host destroyed it during the call.
    CSonarch2Ctrl* Control() const { return m_control.data(); }
    [[nodiscard]] bool Alive() const { return !m_control.isNull(); }

    // Busy: the player plays or records, or a long document call runs.
    bool PlayerBusy() const { return m_parts->IsPlayerBusy(); }
    bool Working() const { return m_parts->m_bWorking; }

    // Fires the event when the control still exists; true while it does.
    [[nodiscard]] bool FireChangeView();

    void SetModified() { m_parts->m_bModified = true; }

    // Marks the document busy for the length of a long call, so that what
    // the host calls from inside it is refused (a nested scope changes
    // nothing).
    class WorkScope {
    public:
        WorkScope(CControlCall& call, bool longWork);
        ~WorkScope();
        WorkScope(const WorkScope&) = delete;
        WorkScope& operator=(const WorkScope&) = delete;

    private:
        CControlParts& m_parts;
        bool m_bOwner;
    };

private:
    std::shared_ptr<CControlParts> m_parts;
    QPointer<CSonarch2Ctrl> m_control;
};
