#include "AudioProcessFormats.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "DialogFilters.h"

#include <QStringList>

#include <array>
#include <utility>

namespace audioprocess {
namespace {

using Entry = std::pair<const char*, FormatCode>;

const std::array<Entry, 7> kLoadOrder{{{"mp3", FormatMp3},
                                       {"ogg", FormatOgg},
                                       {"raw", FormatRaw},
                                       {"wav", FormatWav},
                                       {"wma", FormatWma},
                                       {"m4a", FormatM4a},
                                       {"m4r", FormatM4r}}};
const std::array<Entry, 7> kSaveOrder{{{"mp3", FormatMp3},
                                       {"wav", FormatWav},
                                       {"ogg", FormatOgg},
                                       {"wma", FormatWma},
                                       {"raw", FormatRaw},
                                       {"m4a", FormatM4a},
                                       {"m4r", FormatM4r}}};

const char* const kDialogFilter =
    "All Supported Files|*.mp3;*.wav;*.ogg;*.wma;*.raw;*.m4a;*.m4r|Wave File|*.wav|Ogg Vorbis File|*.ogg|"
    "Mp3 File|*.mp3|Raw Audio File|*.raw|M4A (AAC) File|*.m4a|iPhone Ringtone|*.m4r";

FormatCode Match(const QString& fileName, const std::array<Entry, 7>& order)
{
    if (fileName.isEmpty())
        return FormatNone;
    // Linux names are case-sensitive, and upper-case extensions are common
    // (cameras, phones, old CDs); they mean the same format.
    const QString tail = fileName.right(3);
    for (const auto& [extension, code] : order)
        if (tail.compare(QLatin1String(extension), Qt::CaseInsensitive) == 0)
            return code;
    return FormatNone;
}

}  // namespace

FormatCode LoadFormatOf(const QString& fileName)
{
    return Match(fileName, kLoadOrder);
}

FormatCode SaveFormatOf(const QString& fileName)
{
    return Match(fileName, kSaveOrder);
}

QStringList DialogNameFilters()
{
    return NameFiltersFrom(QString::fromLatin1(kDialogFilter));
}

QString WithFilterExtension(const QString& fileName, const QString& nameFilter)
{
    if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    static const QRegularExpression firstPattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch match = firstPattern.match(nameFilter);
    return match.hasMatch() ? fileName + QLatin1Char('.') + match.captured(1) : fileName;
}

}  // namespace audioprocess
