#pragma once
// Which format code the editor control gets for a file name: decided by the
// name's last three characters, in any case, so SONG.MP3 opens as MP3.

#include <QString>

namespace audioprocess {

// Format codes of the editor control.
enum FormatCode : int {
    FormatNone = 0,
    FormatMp3 = 1,
    FormatOgg = 2,
    FormatRaw = 3,
    FormatWav = 4,
    FormatWma = 5,
    FormatM4a = 6,  // AAC in MP4
    FormatM4r = 7,  // the same, as an iPhone ringtone
};

// The code for loading `fileName` (extensions tested as "mp3", "ogg", "raw",
// "wav", "wma", "m4a", "m4r"), or FormatNone for an empty name or another
// extension.
FormatCode LoadFormatOf(const QString& fileName);

// The code for saving under `fileName` (tested as "mp3", "wav", "ogg", "wma",
// "raw", "m4a", "m4r"), or FormatNone.
FormatCode SaveFormatOf(const QString& fileName);

// `fileName` with the first extension of a dialog name filter appended when
// the file name has none ("tone" with "Wave File (*.wav)" gives "tone.wav").
QString WithFilterExtension(const QString& fileName, const QString& nameFilter);

// The filter of the window's open and save dialogs, as the dialog's name
// filters ("All Supported Files (*.mp3 *.wav ...)", ...).
QStringList DialogNameFilters();

}  // namespace audioprocess
