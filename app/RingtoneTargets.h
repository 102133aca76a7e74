#pragma once
// What the Make Ringtone dialog offers and how it reads what is typed:
// the targets with their format codes and length limits, times as
// "mm:ss.mmm", and file names whose extension the target decides.

#include <QString>

#include <array>
#include <optional>

enum class RingtoneTarget { IPhone, Android, Mp3, M4a, Wav };

struct RingtoneTargetInfo
{
    RingtoneTarget target;
    const char* caption;
    int formatCode;      // the editor's format code for this file type
    const char* extension;
    qint64 limitMs;      // past this the ringtone is refused (hard) or warned about
    bool hardLimit;
};

// In the order the dialog lists them.
const std::array<RingtoneTargetInfo, 5>& RingtoneTargets();
const RingtoneTargetInfo& RingtoneTargetOf(RingtoneTarget target);

// "m:ss", "mm:ss.m" ... "mm:ss.mmm": minutes, seconds below 60, up to three
// decimals. In milliseconds; nothing for any other text.
std::optional<qint64> ParseRingtoneTime(const QString& text);
// Milliseconds as "mm:ss.mmm" (more minute digits when needed).
QString FormatRingtoneTime(qint64 ms);

// `fileName` with its extension replaced by `extension` (added when it has
// none); folders in the path are left alone.
QString WithExtension(const QString& fileName, const QString& extension);
