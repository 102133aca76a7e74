#include "UploadRequest.h"

#include "TextFiles.h"

QString ModelNameAt(qint16 n, const QString& modelsFile)
{
    if (n < 0)
        return QString();
    const QString text = modelsFile.isEmpty() ? ReadTextFile(QStringLiteral("MobileModels.txt"))
                                              : ReadTextFileAt(modelsFile);
    const QStringList models = ParseMobileModels(text);
    return n < models.size() ? models.at(n) : QString();
}

QString CountryNameAt(qint16)
{
    return QStringLiteral("None");
}

std::optional<qint16> ToInt16(const QString& text)
{
    bool ok = false;
    const short value = text.trimmed().toShort(&ok, 10);
    if (!ok)
        return std::nullopt;
    return static_cast<qint16>(value);
}

bool HoldsControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            return true;
    }
    return false;
}

HeaderBuildResult BuildUploadHeaders(const RingtoneUpload& upload, const QString& modelsFile)
{
    const std::optional<qint16> model = ToInt16(upload.mobileModel);
    if (!model)
        return UnconvertibleValue{"MobileModel"};
    const std::optional<qint16> country = ToInt16(upload.countryName);
    if (!country)
        return UnconvertibleValue{"CountryName"};

    const QPair<const char*, QString> fields[] = {
        {"CreditCode", upload.creditCode},
        {"MobileNo", upload.mobileNo},
        {"MobileModel", ModelNameAt(*model, modelsFile)},
        {"CountryName", CountryNameAt(*country)},
        {"Email", upload.email},
        {"FileName", upload.fileName},
        {"FileLength", upload.fileLength},
    };

    HeaderList headers;
    for (const auto& [name, value] : fields) {
        if (HoldsControlCharacter(value))
            return ControlCharacter{name};
        QByteArray bytes = value.toUtf8();
        if (bytes.isNull())
            bytes = QByteArray("", 0); // an empty value still goes out
        headers.append({QByteArray(name), bytes});
    }
    return headers;
}
