#include "ProfileStore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QtEndian>

#include <exception>
#include <memory>

namespace {

constexpr char kOrganisation[] = "VRT";
constexpr char kKeyPath[] = "Software\\VRT";
constexpr qsizetype kStringCapacity = 255; // the read buffer, in bytes
constexpr qsizetype kNumberCapacity = 4;
constexpr int kKeyCreationFailed = QSettings::AccessError;

std::unique_ptr<QSettings> OpenStore()
{
#ifdef Q_OS_WIN
    constexpr QSettings::Format format = QSettings::NativeFormat;
#else
    constexpr QSettings::Format format = QSettings::IniFormat;
#endif
    auto store = std::make_unique<QSettings>(format, QSettings::UserScope,
                                             QString::fromLatin1(kOrganisation));
    // Only the user's own profile counts, never a system-wide default.
    store->setFallbacksEnabled(false);
    return store;
}

bool KeyExists(const QSettings& store)
{
    if (store.format() == QSettings::IniFormat)
        return QFileInfo::exists(store.fileName());
    return !store.allKeys().isEmpty();
}

bool CreateKey(const QSettings& store)
{
    if (store.format() != QSettings::IniFormat || KeyExists(store))
        return true;
    const QFileInfo info(store.fileName());
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QFile file(info.absoluteFilePath());
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

// A 32-bit number is kept as its four little-endian bytes, the way the
// registry holds a REG_DWORD, so that it reads back as a number.
QByteArray NumberBytes(qint32 number)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(number, bytes.data());
    return bytes;
}

bool IsNumber(const QVariant& stored)
{
    return stored.typeId() == QMetaType::QByteArray && stored.toByteArray().size() == 4;
}

// Writes one value and flushes it; `code` receives the store's status.
bool WriteValue(QSettings& store, const QString& name, int type, const QVariant& value, int& code)
{
    code = QSettings::NoError;
    if (type == RegistryType::String)
        store.setValue(name, value.toString());
    else if (type == RegistryType::Number)
        store.setValue(name, NumberBytes(value.toInt()));
    else
        return true; // nothing to write for another type
    store.sync();
    code = store.status();
    return code == QSettings::NoError;
}

void ShowMessage(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

QString FailureText(const char* heading, const QString& what, int code)
{
    return QString::fromLatin1(heading) + QStringLiteral(":\r\n") + what
         + QStringLiteral("\r\nDLL Returned=") + QString::number(code);
}

QString RegistryTitle()
{
    return QStringLiteral("ODBC Registry");
}

} // namespace

QString ApplicationTitle()
{
    return QStringLiteral("Vanto Mobile Ringtone");
}

QString ProfileStoreLocation()
{
    return OpenStore()->fileName();
}

bool ReadRegistryValue(const QString& name, int type, QVariant& value)
{
    try {
        const auto store = OpenStore();
        if (!KeyExists(*store) || !store->contains(name))
            return false;
        const QVariant stored = store->value(name);
        const qsizetype capacity = type == RegistryType::Number ? kNumberCapacity : kStringCapacity;

        if (IsNumber(stored)) {
            value = qFromLittleEndian<qint32>(stored.toByteArray().constData());
            return true;
        }
        if (stored.typeId() == QMetaType::QString) {
            const QString text = stored.toString();
            if (text.toUtf8().size() > capacity)
                return false; // does not fit the buffer
            value = text;
            return true;
        }
        value = qint32(1); // a kind of value the profile never stores
        return true;
    } catch (const std::exception& failure) {
        ShowMessage(QStringLiteral("VRT Profile"), QString::fromLocal8Bit(failure.what()));
        return false;
    }
}

bool ReadRegistryValue(const QString& name, int type, QString& value)
{
    QVariant read;
    if (!ReadRegistryValue(name, type, read))
        return false;
    value = read.toString();
    return true;
}

bool CreateRegistryValue(int type, const QString& name, const QVariant& value)
{
    try {
        const auto store = OpenStore();
        if (!CreateKey(*store)) {
            ShowMessage(ApplicationTitle(),
                        FailureText("Error Creating Registry Key Entry", QStringLiteral("Key="),
                                    kKeyCreationFailed));
            return false;
        }
        int code = 0;
        if (!WriteValue(*store, name, type, value, code)) {
            ShowMessage(ApplicationTitle(),
                        FailureText("Error Creating Registry Key Entry", QStringLiteral("Key=") + name, code));
            return false;
        }
        return true;
    } catch (const std::exception& failure) {
        ShowMessage(ApplicationTitle(), QString::fromLocal8Bit(failure.what()));
        return false;
    }
}

bool SetRegistryValue(const QString& name, int type, const QVariant& value)
{
    try {
        const auto store = OpenStore();
        if (!KeyExists(*store)) {
            ShowMessage(RegistryTitle(),
                        FailureText("Error Opening Registry Key Entry",
                                    QStringLiteral("Key/Path=") + QString::fromLatin1(kKeyPath),
                                    QSettings::AccessError));
            return false;
        }
        int code = 0;
        if (!WriteValue(*store, name, type, value, code)) {
            ShowMessage(RegistryTitle(),
                        FailureText("Error Setting Registry Key Entry", QStringLiteral("Key=") + name, code));
            return false;
        }
        return true;
    } catch (const std::exception& failure) {
        ShowMessage(QStringLiteral("YourAppName"), QString::fromLocal8Bit(failure.what()));
        return false;
    }
}
