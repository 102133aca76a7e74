#include "ScriptRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>

namespace sonarch2 {

CScriptRunner::CScriptRunner(CControlClient& control, QTextStream& out, bool printEvents)
    : m_client(control), m_control(control.Widget()), m_out(out)
{
    if (!printEvents)
        return;
    m_cookie = m_client.Advise([this](int32_t dispid, const QVariantList& args) {
        const MemberEntry* event = m_client.FindEvent(dispid);
        const QString name = event ? event->name : QStringLiteral("#%1").arg(dispid);
        QString line = QLatin1Char('@') + name;
        for (const QVariant& a : args)
            line += QLatin1Char(' ') + FormatValue(a);
        m_out << line << Qt::endl;
    });
}

CScriptRunner::~CScriptRunner()
{
    if (m_cookie)
        m_client.Unadvise(m_cookie);
}

QString CScriptRunner::ErrorText(uint32_t code)
{
    switch (code) {
    case hr::MemberNotFound: return QStringLiteral("member not found");
    case hr::TypeMismatch: return QStringLiteral("type mismatch");
    case hr::UnknownName: return QStringLiteral("unknown name");
    case hr::BadParamCount: return QStringLiteral("wrong number of parameters");
    case hr::Overflow: return QStringLiteral("value out of range");
    case hr::SetNotSupported: return QStringLiteral("property is read-only");
    case hr::GetNotSupported: return QStringLiteral("property is write-only");
    default: return QStringLiteral("call failed");
    }
}

int CScriptRunner::Run(const QStringList& lines, QTextStream& errors)
{
    QList<ScriptCommand> commands;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = ParseScriptLine(lines[i]);
        if (!parsed.error.isEmpty()) {
            errors << "line " << (i + 1) << ": " << parsed.error << Qt::endl;
            return 2;
        }
        if (parsed.command)
            commands.append(*parsed.command);
    }
    for (const ScriptCommand& c : commands)
        Execute(c);
    if (m_pending > 0) {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (m_pending == 0)
                loop.quit();
        });
        poll.start(10);
        loop.exec();
    }
    return 0;
}

void CScriptRunner::Execute(const ScriptCommand& c)
{
    using Kind = ScriptCommand::Kind;
    switch (c.kind) {
    case Kind::After: {
        // A script's "after" means at least that long: coarse timers may fire 5 % early.
        ++m_pending;
        std::shared_ptr<ScriptCommand> inner = c.inner;
        QTimer::singleShot(c.delayMs, Qt::PreciseTimer, this, [this, inner] {
            Execute(*inner);
            --m_pending;
        });
        return;
    }
    case Kind::Mouse:
        SendMouse(c.mouse, c.x);
        return;
    case Kind::Get:
    case Kind::Set: {
        const MemberEntry* m = m_client.FindMember(c.name);
        const QString name = m ? m->name : c.name;
        if (!m || m->kind != MemberKind::Property) {
            PrintResult(name, CallResult{m ? hr::MemberNotFound : hr::UnknownName, {}});
            return;
        }
        PrintResult(name, m_client.Invoke(m->dispid, c.kind == Kind::Get ? InvokeKind::PropertyGet
                                                                           : InvokeKind::PropertyPut,
                                             c.args));
        return;
    }
    case Kind::CallByName:
    case Kind::CallById: {
        const MemberEntry* m = c.kind == Kind::CallById ? m_client.FindMember(c.dispid) : m_client.FindMember(c.name);
        QString name = m ? m->name
                         : (c.kind == Kind::CallById ? QStringLiteral("#%1").arg(c.dispid) : c.name);
        if (!m) {
            PrintResult(name, CallResult{c.kind == Kind::CallById ? hr::MemberNotFound : hr::UnknownName, {}});
            return;
        }
        PrintResult(name, m_client.Invoke(m->dispid, InvokeKind::Method, c.args));
        return;
    }
    }
}

void CScriptRunner::SendMouse(ScriptCommand::MouseAction action, int x)
{
    if (!m_control)
        return;
    const QPointF local(x, m_control->height() / 2);
    const QPointF global = m_control->mapToGlobal(local);
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons = Qt::LeftButton;
    if (action == ScriptCommand::MouseAction::Down) {
        type = QEvent::MouseButtonPress;
        button = Qt::LeftButton;
    } else if (action == ScriptCommand::MouseAction::Up) {
        type = QEvent::MouseButtonRelease;
        button = Qt::LeftButton;
        buttons = Qt::NoButton;
    }
    QMouseEvent event(type, local, global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(m_control, &event);
}

void CScriptRunner::PrintResult(const QString& name, const CallResult& result)
{
    if (result.ok())
        m_out << name << " = " << FormatValue(result.value) << Qt::endl;
    else
        m_out << name << " ! " << QString::asprintf("0x%08X", result.hr) << ' ' << ErrorText(result.hr) << Qt::endl;
}

}  // namespace sonarch2
