#include "SoakControl.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QtTest>

namespace soak {

QString SoakControl::Create(const QString& library, int width, int height)
{
    QString error;
    if (sonarch2::CControlHost::RegisterLibrary(library, false, &error) != sonarch2::S_OK_)
        return QStringLiteral("registration of %1 failed: %2").arg(library, error);
    m_window = std::make_unique<QWidget>();
    m_window->resize(width, height);
    sonarch2::CControlHost host;
    m_control = host.Create(QString::fromLatin1(sonarch2::TypeLibIdentity::kClassId), m_window.get());
    if (!m_control)
        return host.Error();
    m_control->Widget()->setGeometry(0, 0, width, height);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return QStringLiteral("the window was never exposed");
    QCoreApplication::processEvents();
    return QString();
}

QVariant SoakControl::Call(int32_t dispid, const QVariantList& args, bool* ok)
{
    const sonarch2::CallResult r = m_control->Invoke(dispid, sonarch2::InvokeKind::Method, args);
    if (ok)
        *ok = r.ok();
    return r.value;
}

QVariant SoakControl::Get(int32_t dispid, bool* ok)
{
    const sonarch2::CallResult r = m_control->Invoke(dispid, sonarch2::InvokeKind::PropertyGet);
    if (ok)
        *ok = r.ok();
    return r.value;
}

bool SoakControl::Put(int32_t dispid, const QVariant& value)
{
    return m_control->Invoke(dispid, sonarch2::InvokeKind::PropertyPut, {value}).ok();
}

void SoakControl::SendMouse(QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QWidget* widget = m_control->Widget();
    const QPointF local(x, widget->height() / 2);
    QMouseEvent event(type, local, widget->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void SoakControl::Drag(int xDown, int xUp)
{
    SendMouse(QEvent::MouseButtonPress, xDown, Qt::LeftButton, Qt::LeftButton);
    SendMouse(QEvent::MouseMove, xDown + 1, Qt::NoButton, Qt::LeftButton);
    SendMouse(QEvent::MouseMove, xUp, Qt::NoButton, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, xUp, Qt::LeftButton, Qt::NoButton);
}

void SoakControl::Click(int x)
{
    SendMouse(QEvent::MouseButtonPress, x, Qt::LeftButton, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, x, Qt::LeftButton, Qt::NoButton);
}

}  // namespace soak
