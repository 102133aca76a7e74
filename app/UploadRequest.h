#pragma once
// What goes on the wire for one ringtone: the seven request headers built
// from the profile and the chosen file, and the checks made before anything
// is sent.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>
#include <variant>

// The send command's fields, as the main window holds them.
struct RingtoneUpload
{
    QString creditCode;
    QString mobileNo;
    QString mobileModel; // position in MobileModels.txt as decimal text
    QString countryName; // stored as "0"
    QString email;
    QString fileName;    // typed name followed by the file's extension
    QString fileLength;  // body size as decimal text
    QByteArray body;
};

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// The line of MobileModels.txt at position n (from 0); empty when n is
// negative, past the end, or the file cannot be read. `modelsFile` names
// another file to read; empty means MobileModels.txt in the program's folder.
QString ModelNameAt(qint16 n, const QString& modelsFile = QString());

// The country sent with every ringtone; the same whatever the index.
QString CountryNameAt(qint16 n);

// A profile value read as a 16-bit integer: optional blanks around a decimal
// number in -32768..32767. Anything else does not convert.
std::optional<qint16> ToInt16(const QString& text);

// Why the headers could not be built.
struct UnconvertibleValue { QByteArray header; };   // MobileModel or CountryName not a 16-bit number
struct ControlCharacter { QByteArray header; };     // value would break the request apart

using HeaderBuildResult = std::variant<HeaderList, UnconvertibleValue, ControlCharacter>;

// The seven headers, in the order the service expects them:
// CreditCode, MobileNo, MobileModel, CountryName, Email, FileName, FileLength.
// Values go out as stored (UTF-8), never escaped; a value holding CR, LF or any
// other control character is refused instead.
// `modelsFile` as for ModelNameAt.
HeaderBuildResult BuildUploadHeaders(const RingtoneUpload& upload,
                                     const QString& modelsFile = QString());

// True when text holds a character below U+0020, DEL, or a C1 control.
bool HoldsControlCharacter(const QString& text);
