#include "ColourScheme.h"

#include <QAbstractSpinBox>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPalette>
#include <QScrollBar>
#include <QWidget>

#include <cmath>

namespace {

double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(const QColor& colour)
{
    return 0.2126 * Linear(colour.redF()) + 0.7152 * Linear(colour.greenF()) + 0.0722 * Linear(colour.blueF());
}

QColor Blend(const QColor& a, const QColor& b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

void SetTextColour(QPalette& palette, QPalette::ColorRole role, const QColor& text, const QColor& background)
{
    palette.setColor(role, text);
    // Disabled text stays visibly dimmed.
    palette.setColor(QPalette::Disabled, role, Blend(text, background));
}

void PaintBackground(QWidget* widget, const QColor& colour)
{
    if (!widget)
        return;
    const QColor text = ReadableTextOn(colour);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    SetTextColour(palette, QPalette::WindowText, text, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);

    // The menu bar shows the window's background but writes its titles in
    // the button text colour.
    if (auto* window = qobject_cast<QMainWindow*>(widget); window && window->menuWidget()) {
        QWidget* menuBar = window->menuWidget();
        QPalette menuPalette = menuBar->palette();
        SetTextColour(menuPalette, QPalette::ButtonText, text, colour);
        menuBar->setPalette(menuPalette);
    }
}

} // namespace

QColor SchemeColour()
{
    return QColor(62, 69, 249);
}

void ApplyColourScheme(QWidget* window, const QList<QWidget*>& frames, const QColor& colour)
{
    PaintBackground(window, colour);
    for (QWidget* frame : frames)
        PaintBackground(frame, colour);
    // Spin boxes and scroll bars draw their arrows in the text colour on
    // their own light buttons: they keep the usual one.
    if (!window)
        return;
    const auto keepUsualText = [](QWidget* widget) {
        const QPalette usual = QGuiApplication::palette();
        QPalette palette = widget->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::WindowText, usual.color(group, QPalette::WindowText));
        widget->setPalette(palette);
    };
    for (QWidget* widget : window->findChildren<QAbstractSpinBox*>())
        keepUsualText(widget);
    for (QWidget* widget : window->findChildren<QScrollBar*>())
        keepUsualText(widget);
}

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableTextOn(const QColor& background)
{
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    return ContrastRatio(white, background) >= ContrastRatio(black, background) ? white : black;
}

QColor VisitedLinkOn(const QColor& background)
{
    return ReadableTextOn(background) == QColor(255, 255, 255) ? QColor(255, 255, 153) : QColor(139, 0, 0);
}
