#include "AudioProcessEditor.h"

#include <QWidget>

namespace audioprocess {

void CAudioEditorCalls::Attach(QWidget* control, sonarch2::CDispatch* dispatch)
{
    m_control = control;
    m_dispatch = dispatch;
}

void CAudioEditorCalls::Advise(sonarch2::EventSink sink)
{
    if (IsAttached())
        m_nSinkCookie = m_dispatch->Advise(std::move(sink));
}

void CAudioEditorCalls::Detach()
{
    if (IsAttached() && m_nSinkCookie != 0)
        m_dispatch->Unadvise(m_nSinkCookie);
    m_nSinkCookie = 0;
    m_control = nullptr;
    m_dispatch = nullptr;
}

QVariant CAudioEditorCalls::Call(int32_t member, const QVariantList& args)
{
    const sonarch2::InvokeResult result = Invoke(member, sonarch2::InvokeKind::Method, args);
    return result.ok() ? result.value : QVariant();
}

QVariant CAudioEditorCalls::Get(int32_t member)
{
    const sonarch2::InvokeResult result = Invoke(member, sonarch2::InvokeKind::PropertyGet, {});
    return result.ok() ? result.value : QVariant();
}

void CAudioEditorCalls::Put(int32_t member, const QVariant& value)
{
    Invoke(member, sonarch2::InvokeKind::PropertyPut, {value});
}

sonarch2::InvokeResult CAudioEditorCalls::Invoke(int32_t member, sonarch2::InvokeKind kind,
                                                 const QVariantList& args)
{
    if (!IsAttached())
        return sonarch2::InvokeResult{sonarch2::hr::Exception, {}};
    const bool player = kind == sonarch2::InvokeKind::Method &&
                        (member == dispid::Play || member == dispid::Record);
    ++m_nDepth;
    if (player)
        ++m_nPlayerCalls;
    sonarch2::InvokeResult result = m_dispatch->Invoke(member, kind, args);
    if (player)
        --m_nPlayerCalls;
    --m_nDepth;
    if (m_nDepth == 0 && m_onReturn)
        m_onReturn();
    return result;
}

}  // namespace audioprocess
