// CountryCodes.txt and MobileModels.txt: the input is read as the program
// reads the files, then split and parsed both ways.
#include "FuzzInput.h"

#include "TextFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const auto path = WriteFuzzInput("input.txt", data, size);
    bool ok = false;
    const QString text = ReadTextFileAt(QString::fromStdString(path.string()), &ok);
    FuzzCheck(ok, "a readable file reads");

    const QStringList lines = SplitTextLines(text);
    FuzzCheck(lines.size() == text.count(QStringLiteral("\r\n")), "one line per CR LF");
    for (const QString& line : lines)
        FuzzCheck(!line.endsWith(u' ') && !line.endsWith(u'\t') && !line.contains(QStringLiteral("\r\n")),
                  "lines carry no trailing blanks and no line end");

    const QList<CountryEntry> countries = ParseCountryCodes(text);
    FuzzCheck(countries.size() == std::min<qsizetype>(lines.size(), kCountryTableSize),
              "one country per line, at most the table's size");
    for (qsizetype i = 0; i < countries.size(); ++i)
        FuzzCheck(lines[i].startsWith(countries[i].text), "a country's text starts its line");

    const QStringList models = ParseMobileModels(text);
    FuzzCheck(models == lines, "one model per line");
    FuzzCheck(SplitTextLines(text, 3).size() == std::min<qsizetype>(lines.size(), 3), "maxLines bounds the lines");
    return 0;
}
