#pragma once
// The one background colour of the program's windows and their frames, and
// the text colours that stay readable on it.

#include <QColor>
#include <QList>

class QWidget;

// Red 62, green 69, blue 249.
QColor SchemeColour();

// Gives `window` and each of `frames` the background `colour`, and the text
// drawn straight on it (labels, frame titles, check boxes) a colour that
// reads well there. Buttons and entry boxes keep their own colours.
void ApplyColourScheme(QWidget* window, const QList<QWidget*>& frames,
                       const QColor& colour = SchemeColour());

// Black or white, whichever contrasts more with `background`.
QColor ReadableTextOn(const QColor& background);
// The colour of a link that was clicked: light yellow on a dark background,
// dark red on a light one.
QColor VisitedLinkOn(const QColor& background);

// Contrast ratio of two colours as WCAG 2 defines it: 1 (same luminance) to
// 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);
