#pragma once
// Runs a script of the host's line language against a control through its
// dispatch interface, printing one line per finished call.

#include "ControlClient.h"
#include "ScriptParser.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTextStream>
#include <QWidget>

namespace sonarch2 {

class CScriptRunner : public QObject {
    Q_OBJECT
public:
    CScriptRunner(CControlClient& control, QTextStream& out, bool printEvents);
    ~CScriptRunner() override;

    // Parses every line first; a line that cannot be parsed is reported on
    // `errors` with its number and the result is 2. Otherwise runs the lines
    // in order, waits for every `after` line to have run, and returns 0.
    int Run(const QStringList& lines, QTextStream& errors);

    // The text shown after "!" for a failed call.
    static QString ErrorText(uint32_t hr);

private:
    void Execute(const ScriptCommand& command);
    void SendMouse(ScriptCommand::MouseAction action, int x);
    void PrintResult(const QString& name, const CallResult& result);

    CControlClient& m_client;
    QPointer<QWidget> m_control;
    QTextStream& m_out;
    uint32_t m_cookie = 0;
    int m_pending = 0;
};

}  // namespace sonarch2
