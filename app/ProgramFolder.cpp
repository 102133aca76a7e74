#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString ProgramFilePath(const QString& fileName)
{
    const QDir exeDir(QCoreApplication::applicationDirPath());
    const QString beside = exeDir.filePath(fileName);
    if (QFileInfo::exists(beside))
        return beside;
    const QString shared = exeDir.filePath(QStringLiteral("../share/vanto-ringtone/") + fileName);
    if (QFileInfo::exists(shared))
        return QDir::cleanPath(shared);
    return beside;
}
