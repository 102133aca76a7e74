#pragma once
// The one background colour of the program's windows and their frames.

#include <QColor>
#include <QList>

class QWidget;

// Red 62, green 69, blue 249.
QColor SchemeColour();

// Gives `window` and each of `frames` the background `colour`.
void ApplyColourScheme(QWidget* window, const QList<QWidget*>& frames,
                       const QColor& colour = SchemeColour());
