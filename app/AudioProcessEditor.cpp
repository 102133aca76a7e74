#include "AudioProcessEditor.h"

namespace audioprocess {

const std::array<const char*, kMemberCount>& MemberNames()
{
    static const std::array<const char*, kMemberCount> names{
        "BackColor", "WaveColor", "ViewBegin", "ViewEnd", "PlayerStatus", "FileName",
        "Close", "Continue", "Load", "Play", "Pause", "Stop", "Record", "SaveAs",
        "ZoomIn", "ZoomOut", "Delete", "Cut", "Copy", "Paste", "Undo", "SamplesToTime", "NewFile",
        "SelectBegin", "SelectEnd", "WaveLength", "SamplesPerSec", "Loudness", "TruePeak",
        "FadeCurve", "SnapToZero", "OggLoop", "MakeRingtone",
    };
    return names;
}

bool CAudioEditorCalls::Attach(std::unique_ptr<sonarch2::CControlClient> control, QString* error)
{
    QStringList names;
    for (const char* name : MemberNames())
        names << QLatin1String(name);
    QVector<int32_t> dispids;
    if (control->GetIDsOfNames(names, &dispids) != sonarch2::hr::Ok) {
        QStringList unknown;
        for (qsizetype i = 0; i < names.size(); ++i)
            if (dispids.value(i, -1) == -1)
                unknown << names[i];
        *error = QStringLiteral("the editor does not know %1").arg(unknown.join(QStringLiteral(", ")));
        return false;
    }
    std::copy(dispids.cbegin(), dispids.cend(), m_dispids.begin());
    m_control = std::move(control);
    return true;
}

void CAudioEditorCalls::Advise(sonarch2::EventHandler handler)
{
    if (IsAttached())
        m_nSinkCookie = m_control->Advise(std::move(handler));
}

void CAudioEditorCalls::Detach()
{
    if (m_control && m_nSinkCookie != 0)
        m_control->Unadvise(m_nSinkCookie);
    m_nSinkCookie = 0;
    m_control.reset();
}

QVariant CAudioEditorCalls::InvokeByName(const QString& name, sonarch2::InvokeKind kind, const QVariantList& args)
{
    QVector<int32_t> dispid;
    if (!IsAttached() || m_control->GetIDsOfNames({name}, &dispid) != sonarch2::hr::Ok)
        return QVariant();
    return Invoke(dispid.front(), kind, args);
}

QVariant CAudioEditorCalls::Invoke(int32_t dispid, sonarch2::InvokeKind kind, const QVariantList& args)
{
    if (!IsAttached())
        return QVariant();
    const CAudioProcessBusy::Scope busy(m_busy);
    // The control's client stays while the call runs, even if the window lets it go.
    const std::shared_ptr<sonarch2::CControlClient> control = m_control;
    const sonarch2::CallResult result = control->Invoke(dispid, kind, args);
    return result.ok() ? result.value : QVariant();
}

}  // namespace audioprocess
