#pragma once
// Where the program's data files live: the executable's folder first, then
// ../share/vanto-ringtone beside it (the installed layout).

#include <QString>

// The full path of a data file of the program, e.g. "CountryCodes.txt".
// Falls back to the executable's folder when the file is in neither place.
QString ProgramFilePath(const QString& fileName);
