#pragma once
// The program's text files (CountryCodes.txt, MobileModels.txt): reading them
// whole from the program's folder and splitting them into list entries.
//
// A line is the text up to the next CR LF; text after the last CR LF is not a
// line. Trailing blanks are removed from each line; an empty line is an entry
// of empty text.

#include <QList>
#include <QString>
#include <QStringList>

// The country table has room for this many entries (positions 0 to 500).
inline constexpr int kCountryTableSize = 501;

// The whole content of `fileName` in the program's folder, or an empty text
// when it cannot be read (then *ok, when given, is false).
QString ReadTextFile(const QString& fileName, bool* ok = nullptr);
// The same for a file given by its full path.
QString ReadTextFileAt(const QString& path, bool* ok = nullptr);

// Splits `text` into lines as described above. At most `maxLines` lines are
// returned when maxLines >= 0.
QStringList SplitTextLines(const QString& text, qsizetype maxLines = -1);

struct CountryEntry
{
    QString text;  // what the country list shows
    qint32 code = 0; // international dialing code, 0 when there is none
};

// One line of CountryCodes.txt: "text,code". Split at the first comma; a line
// without a comma is shown whole with code 0, and a code that is not a
// number is 0.
CountryEntry ParseCountryLine(const QString& line);

// All entries of CountryCodes.txt content, at most kCountryTableSize.
QList<CountryEntry> ParseCountryCodes(const QString& text);

// All entries of MobileModels.txt content, one model per line, in file order.
QStringList ParseMobileModels(const QString& text);
