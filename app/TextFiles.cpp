#include "TextFiles.h"

#include "ProgramFolder.h"

#include <QFile>
#include <QStringDecoder>

QString ReadTextFile(const QString& fileName, bool* ok)
{
    return ReadTextFileAt(ProgramFilePath(fileName), ok);
}

QString ReadTextFileAt(const QString& path, bool* ok)
{
    if (ok)
        *ok = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    if (ok)
        *ok = true;

    // The files are single-byte text. Read them as UTF-8 where they are
    // valid UTF-8 (which covers plain ASCII), else as Latin-1.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

static QString WithoutTrailingBlanks(QStringView line)
{
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == u' ' || line[end - 1] == u'\t'))
        --end;
    return line.left(end).toString();
}

QStringList SplitTextLines(const QString& text, qsizetype maxLines)
{
    QStringList lines;
    const QStringView view(text);
    qsizetype start = 0;
    while (maxLines < 0 || lines.size() < maxLines) {
        const qsizetype end = view.indexOf(u"\r\n", start);
        if (end < 0)
            break; // what follows the last CR LF is not a line
        lines.append(WithoutTrailingBlanks(view.sliced(start, end - start)));
        start = end + 2;
    }
    return lines;
}

CountryEntry ParseCountryLine(const QString& line)
{
    const qsizetype comma = line.indexOf(u',');
    if (comma < 0)
        return {line, 0};
    bool ok = false;
    const qint32 code = line.sliced(comma + 1).trimmed().toInt(&ok);
    return {line.left(comma), ok ? code : 0};
}

QList<CountryEntry> ParseCountryCodes(const QString& text)
{
    QList<CountryEntry> entries;
    for (const QString& line : SplitTextLines(text, kCountryTableSize))
        entries.append(ParseCountryLine(line));
    return entries;
}

QStringList ParseMobileModels(const QString& text)
{
    return SplitTextLines(text);
}
