#pragma once
// The hand cursor shown over the program's web links.

#include <QCursor>
#include <QString>

// Loads the cursor file (by default "Hyperlink.cur" in the program's folder)
// with its hot spot; falls back to Qt's pointing-hand cursor when the file is
// missing or cannot be read.
QCursor LoadHyperlinkCursor();
QCursor LoadHyperlinkCursor(const QString& path);
