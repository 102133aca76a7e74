#include "RingtoneTargets.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr qint64 kIPhoneLimitMs = 40000;
constexpr qint64 kWarningMs = 30000;

const std::array<RingtoneTargetInfo, 5> kTargets{{
    {RingtoneTarget::IPhone, "iPhone ringtone (.m4r)", 7, "m4r", kIPhoneLimitMs, true},
    {RingtoneTarget::Android, "Android ringtone (.ogg)", 2, "ogg", kWarningMs, false},
    {RingtoneTarget::Mp3, "MP3 (.mp3)", 1, "mp3", kWarningMs, false},
    {RingtoneTarget::M4a, "M4A (.m4a)", 6, "m4a", kWarningMs, false},
    {RingtoneTarget::Wav, "WAV (.wav)", 4, "wav", kWarningMs, false},
}};

} // namespace

const std::array<RingtoneTargetInfo, 5>& RingtoneTargets()
{
    return kTargets;
}

const RingtoneTargetInfo& RingtoneTargetOf(RingtoneTarget target)
{
    for (const RingtoneTargetInfo& info : kTargets)
        if (info.target == target)
            return info;
    return kTargets.front();
}

std::optional<qint64> ParseRingtoneTime(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,4}):([0-5]\\d)(?:\\.(\\d{1,3}))?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    // ".5" is half a second: pad the decimals to milliseconds.
    const QString decimals = match.captured(3).leftJustified(3, QLatin1Char('0'));
    return match.captured(1).toLongLong() * 60000 + match.captured(2).toLongLong() * 1000 + decimals.toLongLong();
}

QString FormatRingtoneTime(qint64 ms)
{
    ms = std::max<qint64>(ms, 0);
    return QStringLiteral("%1:%2.%3")
        .arg(ms / 60000, 2, 10, QLatin1Char('0'))
        .arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString WithExtension(const QString& fileName, const QString& extension)
{
    if (fileName.isEmpty())
        return fileName;
    const qsizetype nameStart = fileName.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file, not an extension.
    const QString stem = dot > nameStart ? fileName.left(dot) : fileName;
    return stem + QLatin1Char('.') + extension;
}
