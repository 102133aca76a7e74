#pragma once
// Reading the component registry, as a host finds a class's library: the
// INI file in the user's configuration directory (QSettings, organisation
// "VRT", application "Components") that the library's DllRegisterServer
// writes.

#include <QString>

namespace sonarch2 {

// The library registered for a class id, or an empty string.
QString RegisteredLibrary(const QString& classId);
// The class id registered for a ProgID, or an empty string.
QString ClassIdOfProgId(const QString& progId);

}  // namespace sonarch2
