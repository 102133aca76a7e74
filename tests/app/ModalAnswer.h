#pragma once
// Answers the next modal window of a given type during a widget test.

#include <QApplication>
#include <QTimer>

#include <functional>

// Runs `action` on the next modal window of type T, from inside its own
// event loop, the way a user would answer it.
template <typename T>
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(T*)> action)
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this, action] {
            if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
                m_poll.stop();
                m_seen = true;
                action(window);
            }
        });
        m_poll.start(10);
    }
    bool Seen() const { return m_seen; }

private:
    QTimer m_poll;
    bool m_seen = false;
};
