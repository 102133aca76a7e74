// The audio processing window: what a close does, also while a call into
// the control is running (the close then happens inside that call).

#include "frmAudioProcess.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>

using namespace audioprocess;

void frmAudioProcess::closeEvent(QCloseEvent* event)
{
    if (m_state == State::Unloaded) {
        event->accept();
        return;
    }
    if (IsBusy()) {
        // A step of the window is still on the stack (this close may run
        // from inside a call into the control): destroying the control now
        // would pull it out from under its own call. Bring the step to an
        // end and close after it (OnIdle).
        event->ignore();
        if (m_state == State::Closing)
            return;
        m_state = State::Closing;
        if (m_calls.Get(Member::PlayerStatus).toInt() != 0)
            m_calls.Call(Member::Stop);
        const std::initializer_list<QDialog*> dialogs{dlgCommon, m_pMessage.data(), m_pRingtoneDialog.data()};
        for (QDialog* dialog : dialogs)
            if (dialog && dialog->isVisible())
                dialog->reject();
        return;
    }
    Unload();
    event->accept();
}

bool frmAudioProcess::eventFilter(QObject* watched, QEvent* event)
{
    // The program was asked to end while the window was busy: the close
    // that the quit tries is refused, so end the program once the window
    // has gone (a second quit on the way changes nothing).
    if (watched == qApp && event->type() == QEvent::Quit && IsBusy() && m_state != State::Unloaded)
        connect(this, &QObject::destroyed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, event);
}

void frmAudioProcess::OnIdle()
{
    if (m_state == State::Closing)
        close();
}

void frmAudioProcess::Unload()
{
    m_state = State::Unloaded;
    m_calls.Call(Member::Close);
    if (!m_strFileName.isEmpty())
        emit FileChosen(m_strFileName);
}
