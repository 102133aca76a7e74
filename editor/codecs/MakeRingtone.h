#pragma once
// Writes a range of the document as a ringtone file: the range is copied
// into a scratch document of its own (its own working directory), faded in
// and out, optionally brought to a loudness, and written by the writer of
// the format. The document, its selection, undo record and the format
// manager's file name and format are not touched.

#include <cstdint>
#include <string>

class CRMWave;
class CSoundFile;

struct RingtoneRequest {
    std::string fileName;     // the extension is forced as SaveAs forces it
    int32_t format = 0;       // a SoundFormat code
    double begin = 0;         // seconds; the range is [begin, end)
    double end = 0;
    double fadeIn = 0;        // seconds, 0 = none
    double fadeOut = 0;
    double targetLufs = 0;    // 0 = no loudness step
    double truePeakDb = -1;   // the loudness step's ceiling
    int32_t fadeCurve = 0;    // a FadeCurve: 0 linear, 1 exponential, 2 equal power, 3 S-curve
    bool snapToZero = false;  // move the range's ends to zero crossings
};

// Longest iPhone ringtone.
constexpr double kLongestM4rSeconds = 40.0;

struct RingtoneResult {
    int32_t written = 0;      // 1 when the file was written
    std::string path;         // the name written, with its forced extension
};

// `settings` gives the encoder settings (bit rate, WAV tag, Ogg loop).
// Refused (0) for a range that is empty, not finite or outside the
// document, an unknown format or fade curve, fades that are negative or not finite, or
// format 7 over 40 s. A failed write keeps an existing target as it was.
RingtoneResult MakeRingtone(CRMWave& document, const CSoundFile& settings, const RingtoneRequest& request);
