#include "ElidedLabel.h"

#include <QFontMetrics>
#include <QResizeEvent>

#include <algorithm>

void ElidedLabel::SetFullText(const QString& text)
{
    m_strFullText = text;
    setToolTip(text);
    ShowElided();
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    ShowElided();
}

void ElidedLabel::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    ShowElided();
}

void ElidedLabel::ShowElided()
{
    // A label that is not on screen has no width of its own yet.
    if (!isVisible()) {
        setText(m_strFullText);
        return;
    }
    // QLabel indents framed text by about half an "x"; leave it a whole one.
    const int indentWidth = indent() >= 0 ? indent() : fontMetrics().horizontalAdvance(u'x');
    const int room = contentsRect().width() - 2 * margin() - indentWidth;
    setText(fontMetrics().elidedText(m_strFullText, Qt::ElideMiddle, std::max(room, 0)));
}
