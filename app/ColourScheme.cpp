#include "ColourScheme.h"

#include <QPalette>
#include <QWidget>

QColor SchemeColour()
{
    return QColor(62, 69, 249);
}

static void PaintBackground(QWidget* widget, const QColor& colour)
{
    if (!widget)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void ApplyColourScheme(QWidget* window, const QList<QWidget*>& frames, const QColor& colour)
{
    PaintBackground(window, colour);
    for (QWidget* frame : frames)
        PaintBackground(frame, colour);
}
