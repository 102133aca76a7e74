#pragma once
// On a platform without a screen nobody can press OK: every modal message
// box that the control opens (the about box, a failed clipboard copy, a
// recording device that does not open) is written to the log and closed,
// so that a script runs on to its end.

#include <QObject>
#include <QTextStream>
#include <QTimer>

namespace sonarch2 {

class CModalBoxCloser : public QObject {
    Q_OBJECT
public:
    explicit CModalBoxCloser(QTextStream& log);

private:
    void CloseActiveBox();

    QTextStream& m_log;
    QTimer m_poll;
};

}  // namespace sonarch2
