#pragma once
// Answers the application's modal message boxes during a test: a timer
// looks for the active modal QMessageBox, records what it shows and presses
// the next scripted button (or the box's default/first button when the
// script is used up).

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QTimer>

struct SeenMessageBox
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
};

class ModalBoxAnswerer : public QObject
{
public:
    explicit ModalBoxAnswerer(QList<QMessageBox::StandardButton> answers = {})
        : m_answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalBoxAnswerer::Poll);
        m_timer.start(5);
    }

    QList<SeenMessageBox> seen;

private:
    void Poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        seen.append({box->icon(), box->windowTitle(), box->text(), box->standardButtons()});
        QAbstractButton* button = nullptr;
        if (!m_answers.isEmpty())
            button = box->button(m_answers.takeFirst());
        if (!button)
            button = box->defaultButton();
        if (!button && !box->buttons().isEmpty())
            button = box->buttons().first();
        if (button)
            button->click();
        else
            box->reject();
    }

    QList<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
};
