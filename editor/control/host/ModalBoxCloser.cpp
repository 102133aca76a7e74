#include "ModalBoxCloser.h"

#include <QApplication>
#include <QMessageBox>

namespace sonarch2 {

CModalBoxCloser::CModalBoxCloser(QTextStream& log) : m_log(log)
{
    // A box runs its own event loop, in which timers keep firing.
    connect(&m_poll, &QTimer::timeout, this, &CModalBoxCloser::CloseActiveBox);
    m_poll.start(20);
}

void CModalBoxCloser::CloseActiveBox()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    m_log << "message box \"" << box->windowTitle() << "\": " << box->text() << " (closed)" << Qt::endl;
    box->done(QMessageBox::Ok);
}

}  // namespace sonarch2
