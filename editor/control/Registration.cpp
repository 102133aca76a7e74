#include "Registration.h"

#include "TypeLib.h"

#include <QSettings>

namespace sonarch2 {
namespace {

QSettings Registry()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VRT"),
                     QStringLiteral("Components"));
}

QString Key(const char* section, const char* id, const char* value)
{
    return QStringLiteral("%1/%2/%3").arg(QLatin1String(section), QLatin1String(id), QLatin1String(value));
}

bool Flush(QSettings& settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError && settings.isWritable();
}

}  // namespace

HRESULT RegisterComponent(const QString& libraryPath)
{
    using T = TypeLibIdentity;
    QSettings reg = Registry();

    reg.setValue(Key("TypeLib", T::kLibraryId, "Name"), QLatin1String(T::kLibraryName));
    reg.setValue(Key("TypeLib", T::kLibraryId, "HelpString"), QLatin1String(T::kLibraryHelp));
    reg.setValue(Key("TypeLib", T::kLibraryId, "Version"), QLatin1String(T::kLibraryVersion));
    reg.setValue(Key("TypeLib", T::kLibraryId, "Locale"), T::kLocale);
    reg.setValue(Key("TypeLib", T::kLibraryId, "Path"), libraryPath);
    reg.setValue(Key("Interface", T::kDispatchId, "Name"), QLatin1String(T::kDispatchName));
    reg.setValue(Key("Interface", T::kEventsId, "Name"), QLatin1String(T::kEventsName));
    if (!Flush(reg))
        return SELFREG_E_TYPELIB;

    reg.setValue(Key("CLSID", T::kClassId, "Name"), QLatin1String(T::kClassHelp));
    reg.setValue(Key("CLSID", T::kClassId, "ProgID"), QLatin1String(T::kProgId));
    reg.setValue(Key("CLSID", T::kClassId, "InprocServer"), libraryPath);
    reg.setValue(Key("CLSID", T::kClassId, "ThreadingModel"), QStringLiteral("Apartment"));
    reg.setValue(Key("CLSID", T::kClassId, "Insertable"), true);
    reg.setValue(Key("CLSID", T::kClassId, "Control"), true);
    reg.setValue(Key("CLSID", T::kClassId, "MiscStatus"), T::kMiscStatus);
    reg.setValue(Key("CLSID", T::kClassId, "ToolboxBitmap"), 1);
    reg.setValue(Key("CLSID", T::kClassId, "TypeLib"), QLatin1String(T::kLibraryId));
    reg.setValue(Key("ProgID", T::kProgId, "CLSID"), QLatin1String(T::kClassId));
    // No property page class is registered: the library has none to create.
    // What an older registration wrote for it goes.
    reg.remove(QStringLiteral("CLSID/%1").arg(QLatin1String(T::kPropPageId)));
    reg.remove(QStringLiteral("ProgID/%1").arg(QLatin1String(T::kPropPageProgId)));
    return Flush(reg) ? S_OK_ : SELFREG_E_CLASS;
}

HRESULT UnregisterComponent()
{
    using T = TypeLibIdentity;
    QSettings reg = Registry();
    reg.remove(QStringLiteral("TypeLib/%1").arg(QLatin1String(T::kLibraryId)));
    reg.remove(QStringLiteral("Interface/%1").arg(QLatin1String(T::kDispatchId)));
    reg.remove(QStringLiteral("Interface/%1").arg(QLatin1String(T::kEventsId)));
    if (!Flush(reg))
        return SELFREG_E_TYPELIB;
    reg.remove(QStringLiteral("CLSID/%1").arg(QLatin1String(T::kClassId)));
    reg.remove(QStringLiteral("CLSID/%1").arg(QLatin1String(T::kPropPageId)));
    reg.remove(QStringLiteral("ProgID/%1").arg(QLatin1String(T::kProgId)));
    reg.remove(QStringLiteral("ProgID/%1").arg(QLatin1String(T::kPropPageProgId)));
    return Flush(reg) ? S_OK_ : SELFREG_E_CLASS;
}

}  // namespace sonarch2
