#pragma once
// The audio processing window's line to its editor control: late-bound calls
// by DISPID through the control's interface. The DISPIDs are asked of the
// control by name when it is attached, so the window and the control's type
// library cannot disagree about them. Every call is a busy step of the
// window (AudioProcessBusy.h).

#include "AudioProcessBusy.h"
#include "ControlClient.h"

#include <QVariant>
#include <QVariantList>

#include <array>
#include <cstdint>
#include <memory>

class QWidget;

namespace audioprocess {

// The members of the control that the window uses.
enum class Member {
    BackColor, WaveColor, ViewBegin, ViewEnd, PlayerStatus, FileName,
    Close, Continue, Load, Play, Pause, Stop, Record, SaveAs,
    ZoomIn, ZoomOut, Delete, Cut, Copy, Paste, Undo, SamplesToTime, NewFile,
    SelectBegin, SelectEnd, WaveLength, SamplesPerSec, Loudness, TruePeak,
    FadeCurve, SnapToZero, OggLoop, MakeRingtone,
};
constexpr std::size_t kMemberCount = static_cast<std::size_t>(Member::MakeRingtone) + 1;

// The names of the members, in the order of Member.
const std::array<const char*, kMemberCount>& MemberNames();

class CAudioEditorCalls {
public:
    explicit CAudioEditorCalls(CAudioProcessBusy& busy) : m_busy(busy) {}

    // Takes the control and asks it for the DISPIDs of Member. False with
    // the reason when a name is unknown; the control is then not used.
    bool Attach(std::unique_ptr<sonarch2::CControlClient> control, QString* error);
    bool IsAttached() const { return m_control && m_control->Widget(); }
    // Receives the control's events until Detach.
    void Advise(sonarch2::EventHandler handler);
    // Stops the events and the calls; the control may outlive this object
    // by a moment while its parent window is torn down.
    void Detach();

    int32_t DispId(Member member) const { return m_dispids[static_cast<std::size_t>(member)]; }

    // Calls a method, reads or writes a property; the result, or an invalid
    // QVariant when there is none or the call failed.
    QVariant Call(Member member, const QVariantList& args = {})
    {
        return Invoke(DispId(member), sonarch2::InvokeKind::Method, args);
    }
    QVariant Get(Member member) { return Invoke(DispId(member), sonarch2::InvokeKind::PropertyGet, {}); }
    void Put(Member member, const QVariant& value)
    {
        Invoke(DispId(member), sonarch2::InvokeKind::PropertyPut, {value});
    }
    // Any property or method by name, not only those of Member.
    QVariant GetByName(const QString& name) { return InvokeByName(name, sonarch2::InvokeKind::PropertyGet, {}); }
    QVariant CallByName(const QString& name, const QVariantList& args)
    {
        return InvokeByName(name, sonarch2::InvokeKind::Method, args);
    }

private:
    QVariant InvokeByName(const QString& name, sonarch2::InvokeKind kind, const QVariantList& args);
    QVariant Invoke(int32_t dispid, sonarch2::InvokeKind kind, const QVariantList& args);

    CAudioProcessBusy& m_busy;
    std::shared_ptr<sonarch2::CControlClient> m_control;  // shared with the calls running on it
    std::array<int32_t, kMemberCount> m_dispids{};
    uint32_t m_nSinkCookie = 0;
};

}  // namespace audioprocess
