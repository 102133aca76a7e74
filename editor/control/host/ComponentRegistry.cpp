#include "ComponentRegistry.h"

#include <QSettings>

namespace sonarch2 {
namespace {

QString Value(const QString& key)
{
    const QSettings reg(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VRT"), QStringLiteral("Components"));
    return reg.value(key).toString();
}

}  // namespace

QString RegisteredLibrary(const QString& classId)
{
    return Value(QStringLiteral("CLSID/%1/InprocServer").arg(classId));
}

QString ClassIdOfProgId(const QString& progId)
{
    return Value(QStringLiteral("ProgID/%1/CLSID").arg(progId));
}

}  // namespace sonarch2
