#pragma once
// The audio processing window's line to its editor control: late-bound calls
// by DISPID through the control's dispatch interface. It counts the calls
// that are running, because a long one (Load, SaveAs, Play ...) lets the
// window's own events run inside it, and the control must outlive it.

#include "Dispatch.h"

#include <QPointer>
#include <QVariant>
#include <QVariantList>

#include <cstdint>
#include <functional>

class QWidget;

namespace audioprocess {

// The members of the control that the window uses.
namespace dispid {
constexpr int32_t BackColor = 14;
constexpr int32_t WaveColor = 15;
constexpr int32_t ViewBegin = 19;
constexpr int32_t ViewEnd = 20;
constexpr int32_t PlayerStatus = 21;
constexpr int32_t FileName = 24;
constexpr int32_t Close = 29;
constexpr int32_t Continue = 30;
constexpr int32_t Load = 31;
constexpr int32_t Play = 32;
constexpr int32_t Pause = 33;
constexpr int32_t Stop = 34;
constexpr int32_t Record = 35;
constexpr int32_t SaveAs = 37;
constexpr int32_t ZoomIn = 40;
constexpr int32_t ZoomOut = 41;
constexpr int32_t Delete = 42;
constexpr int32_t Cut = 43;
constexpr int32_t Copy = 44;
constexpr int32_t Paste = 45;
constexpr int32_t Undo = 46;
constexpr int32_t SamplesToTime = 47;
constexpr int32_t NewFile = 68;
}  // namespace dispid

class CAudioEditorCalls {
public:
    // `control` owns `dispatch`; calls are dropped once it is gone.
    void Attach(QWidget* control, sonarch2::CDispatch* dispatch);
    bool IsAttached() const { return !m_control.isNull() && m_dispatch; }
    // Receives the control's events until Detach.
    void Advise(sonarch2::EventSink sink);
    // Stops the events and the calls; the control may outlive this object
    // by a moment while its parent window is torn down.
    void Detach();

    // Calls a method; its result, or an invalid QVariant when it has none or
    // the call failed.
    QVariant Call(int32_t member, const QVariantList& args = {});
    QVariant Get(int32_t member);
    void Put(int32_t member, const QVariant& value);

    // True while any call into the control has not returned yet.
    bool IsRunning() const { return m_nDepth > 0; }
    // True while Play or Record runs inside the control.
    bool IsPlayerRunning() const { return m_nPlayerCalls > 0; }
    // Runs when the outermost running call has returned.
    void SetOnReturn(std::function<void()> onReturn) { m_onReturn = std::move(onReturn); }

private:
    sonarch2::InvokeResult Invoke(int32_t member, sonarch2::InvokeKind kind, const QVariantList& args);

    QPointer<QWidget> m_control;
    sonarch2::CDispatch* m_dispatch = nullptr;
    uint32_t m_nSinkCookie = 0;
    int m_nDepth = 0;
    int m_nPlayerCalls = 0;
    std::function<void()> m_onReturn;
};

}  // namespace audioprocess
