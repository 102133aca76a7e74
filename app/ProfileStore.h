#pragma once
// The user's profile store: string values under the key "Software\VRT".
// On Linux this is an INI file in the user's configuration directory
// (QSettings, organisation "VRT", user scope); on Windows the registry.
//
// Every operation opens the store, does its one job and closes it again, so
// the last writer wins and nothing is cached between calls.

#include <QString>
#include <QVariant>

namespace RegistryType {
inline constexpr int String = 1; // REG_SZ
inline constexpr int Number = 4; // REG_DWORD, a 32-bit number
}

// Names of the stored profile values, in the order the profile is written.
namespace ProfileValue {
inline constexpr char Name[] = "Name";
inline constexpr char MobileNo[] = "MobileNo";
inline constexpr char Email[] = "Email";
inline constexpr char CreditCode[] = "CreditCode";
inline constexpr char MobileModel[] = "MobileModel";
inline constexpr char CountryName[] = "CountryName";
}

// The title that message boxes without a title of their own carry.
QString ApplicationTitle();

// Reads one value. Strings are read into a 255-byte buffer: a longer value
// cannot be read and gives false. Numbers are read into 4 bytes. The value
// becomes a QString for a stored string, a qint32 for a stored number, and
// the number 1 for any other stored kind. `value` changes only when the
// result is true. A missing key or value gives false without a message.
bool ReadRegistryValue(const QString& name, int type, QVariant& value);
// The same, converting a stored number to its decimal text.
bool ReadRegistryValue(const QString& name, int type, QString& value);

// Writes one value, creating the key when it is missing. Shows
// "Error Creating Registry Key Entry:" messages on failure.
bool CreateRegistryValue(int type, const QString& name, const QVariant& value);

// Writes one value into an existing key. Shows "Error Opening ..." when the
// key is missing and "Error Setting ..." when the write fails.
bool SetRegistryValue(const QString& name, int type, const QVariant& value);

// The messages end in "DLL Returned=" and the store's status code
// (QSettings::Status: 1 when the store cannot be opened or written, 2 when
// its file is malformed).

// Where the store lives (the INI file's path on Linux).
QString ProfileStoreLocation();
