#include "LinkLabel.h"

#include "ColourScheme.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {

class ClickFilter : public QObject
{
public:
    ClickFilter(QObject* parent, std::function<void()> onClick) : QObject(parent), m_fnOnClick(std::move(onClick))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_fnOnClick();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_fnOnClick;
};

} // namespace

void MakeLink(QLabel* label, std::function<void()> onClick)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->installEventFilter(new ClickFilter(label, std::move(onClick)));
}

void MarkLinkVisited(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, VisitedLinkOn(palette.color(QPalette::Window)));
    label->setPalette(palette);
}
