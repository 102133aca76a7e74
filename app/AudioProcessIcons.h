#pragma once
// ImageList1: the icons of the audio processing window's toolbar, drawn at
// run time so that they look the same on every desktop.

#include <QIcon>
#include <QString>

// The icon of the toolbar button with `key` ("New", "Open", "Save As",
// "Copy", "Cut", "Paste", "Delete", "Undo", "Zoom In", "Zoom Out"); a null
// icon for another key.
QIcon AudioProcessIcon(const QString& key);
