#pragma once
// File dialog filters are kept in the Windows form "Description|*.a;*.b|...";
// Qt's file dialog wants "Description (*.a *.b)" entries.

#include <QString>
#include <QStringList>

// The Qt name filters of a Windows-form filter string.
QStringList NameFiltersFrom(const QString& windowsFilter);
