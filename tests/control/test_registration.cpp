// The library's four exports: what DllRegisterServer writes into the
// component registry and DllUnregisterServer takes out, their results when
// the registry cannot be written, the class factory for right and wrong class
// ids and interface revisions, and DllCanUnloadNow around a control's life;
// a registry that names a library of an older revision gives the host an
// error, not a crash. The library is loaded
// as a host loads it, and reached only through its exports.

#include "ComponentRegistry.h"
#include "ControlHost.h"
#include "Sonarch2/Sonarch2.h"
#include "test_environment.h"

#include <QLibrary>
#include <QSettings>

using namespace sonarch2;
using namespace control_test;

namespace {

// The four exports of the built library.
QFunctionPointer Export(const char* name)
{
    static QLibrary library(QStringLiteral(SONARCH2_LIBRARY_PATH));
    return library.resolve(name);
}
HRESULT DllRegisterServer() { return reinterpret_cast<PFN_DllRegisterServer>(Export("DllRegisterServer"))(); }
HRESULT DllUnregisterServer() { return reinterpret_cast<PFN_DllUnregisterServer>(Export("DllUnregisterServer"))(); }
HRESULT DllCanUnloadNow() { return reinterpret_cast<PFN_DllCanUnloadNow>(Export("DllCanUnloadNow"))(); }
HRESULT DllGetClassObject(const char* request, IClassFactory** factory)
{
    return reinterpret_cast<PFN_DllGetClassObject>(Export("DllGetClassObject"))(request, factory);
}
HRESULT GetClassObject(const char* classId, IClassFactory** factory)
{
    return DllGetClassObject(ClassObjectRequest(classId).c_str(), factory);
}

QWidget* CreateControl(IClassFactory* factory, QWidget* parent)
{
    IControl* control = nullptr;
    if (factory->CreateInstance(parent, &control) != S_OK_ || !control)
        return nullptr;
    QWidget* widget = control->Widget();
    control->Release();
    return widget;
}

using T = TypeLibIdentity;

QString Key(const char* section, const char* id, const char* value)
{
    return QStringLiteral("%1/%2/%3").arg(QLatin1String(section), QLatin1String(id), QLatin1String(value));
}

}  // namespace

class TestRegistration : public QObject {
    Q_OBJECT

private slots:
    void registerWritesTheComponentRegistry()
    {
        const QString ini = g_pEnvironment->RegistryFile();
        QVERIFY(!QFileInfo::exists(ini));
        QCOMPARE(RegisteredLibrary(QLatin1String(T::kClassId)), QString());

        QCOMPARE(DllRegisterServer(), S_OK_);
        QVERIFY(QFileInfo::exists(ini));
        const QString library = QFileInfo(QStringLiteral(SONARCH2_LIBRARY_PATH)).canonicalFilePath();
        QSettings reg(ini, QSettings::IniFormat);
        QCOMPARE(QFileInfo(reg.value(Key("CLSID", T::kClassId, "InprocServer")).toString()).canonicalFilePath(),
                 library);
        QCOMPARE(reg.value(Key("CLSID", T::kClassId, "ProgID")).toString(), QStringLiteral("SONARCH2.Sonarch2Ctrl.1"));
        QCOMPARE(reg.value(Key("CLSID", T::kClassId, "Name")).toString(), QStringLiteral("Sonarch2 Control"));
        QCOMPARE(reg.value(Key("CLSID", T::kClassId, "ThreadingModel")).toString(), QStringLiteral("Apartment"));
        QCOMPARE(reg.value(Key("CLSID", T::kClassId, "Insertable")).toBool(), true);
        QCOMPARE(reg.value(Key("CLSID", T::kClassId, "MiscStatus")).toUInt(), 0x20191u);
        QCOMPARE(reg.value(Key("CLSID", T::kClassId, "TypeLib")).toString(), QLatin1String(T::kLibraryId));
        QCOMPARE(reg.value(Key("ProgID", "SONARCH2.Sonarch2Ctrl.1", "CLSID")).toString(), QLatin1String(T::kClassId));
        QCOMPARE(reg.value(Key("TypeLib", T::kLibraryId, "Name")).toString(), QStringLiteral("SONARCH2Lib"));
        QCOMPARE(reg.value(Key("TypeLib", T::kLibraryId, "HelpString")).toString(),
                 QStringLiteral("Sonarch2 ActiveX Control module"));
        QCOMPARE(reg.value(Key("TypeLib", T::kLibraryId, "Version")).toString(), QStringLiteral("1.0"));
        QCOMPARE(reg.value(Key("TypeLib", T::kLibraryId, "Locale")).toInt(), 0x409);
        QCOMPARE(reg.value(Key("Interface", T::kDispatchId, "Name")).toString(), QStringLiteral("_DSonarch2"));
        QCOMPARE(reg.value(Key("Interface", T::kEventsId, "Name")).toString(), QStringLiteral("_DSonarch2Events"));
        // The library has no property page, so none is registered.
        QVERIFY(!reg.contains(Key("CLSID", T::kPropPageId, "ProgID")));
        QVERIFY(!reg.contains(Key("ProgID", "SONARCH2.Sonarch2PropPage.1", "CLSID")));
        // The five identifiers are distinct GUIDs.
        const QStringList ids{QLatin1String(T::kLibraryId), QLatin1String(T::kClassId), QLatin1String(T::kDispatchId),
                              QLatin1String(T::kEventsId), QLatin1String(T::kPropPageId)};
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), 5);
        for (const QString& id : ids)
            QVERIFY(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$"))
                        .match(id).hasMatch());

        QCOMPARE(QFileInfo(RegisteredLibrary(QLatin1String(T::kClassId))).canonicalFilePath(), library);
        QCOMPARE(ClassIdOfProgId(QStringLiteral("SONARCH2.Sonarch2Ctrl.1")), QLatin1String(T::kClassId));
        // Registering twice changes nothing.
        QCOMPARE(DllRegisterServer(), S_OK_);
        QCOMPARE(QSettings(ini, QSettings::IniFormat).allKeys(), reg.allKeys());
    }

    void unregisterTakesItAllOut()
    {
        QCOMPARE(DllRegisterServer(), S_OK_);
        QCOMPARE(DllUnregisterServer(), S_OK_);
        QSettings reg(g_pEnvironment->RegistryFile(), QSettings::IniFormat);
        QCOMPARE(reg.allKeys(), QStringList());
        QCOMPARE(RegisteredLibrary(QLatin1String(T::kClassId)), QString());
        QCOMPARE(ClassIdOfProgId(QStringLiteral("SONARCH2.Sonarch2Ctrl.1")), QString());
        // Unregistering what is not there succeeds.
        QCOMPARE(DllUnregisterServer(), S_OK_);
    }

    // A registry that cannot be written: a directory stands where the file goes.
    void registryThatCannotBeWritten()
    {
        const QString ini = g_pEnvironment->RegistryFile();
        QFile::remove(ini);
        QVERIFY(QDir().mkpath(ini));
        QCOMPARE(DllRegisterServer(), SELFREG_E_TYPELIB);
        QCOMPARE(DllUnregisterServer(), SELFREG_E_TYPELIB);
        QVERIFY(QDir(ini).removeRecursively());
        QCOMPARE(DllRegisterServer(), S_OK_);
        QCOMPARE(DllUnregisterServer(), S_OK_);
    }

    void classFactoryByClassId()
    {
        IClassFactory* factory = reinterpret_cast<IClassFactory*>(0x1);
        QCOMPARE(GetClassObject("{00000000-0000-0000-0000-000000000000}", &factory), CLASS_E_CLASSNOTAVAILABLE);
        QVERIFY(factory == nullptr);
        QCOMPARE(GetClassObject(T::kPropPageId, &factory), CLASS_E_CLASSNOTAVAILABLE);
        QCOMPARE(DllGetClassObject(nullptr, &factory), CLASS_E_CLASSNOTAVAILABLE);
        QCOMPARE(GetClassObject(T::kClassId, nullptr), E_POINTER_);
        // A host of another interface revision, or of none, gets no factory.
        const std::string other = ClassObjectRequest(T::kClassId, "{6B0C3E52-5A7D-4E21-9C1B-7F3A2D8E4B0F}");
        for (const char* request : {T::kClassId, other.c_str()}) {
            factory = reinterpret_cast<IClassFactory*>(0x1);
            QCOMPARE(DllGetClassObject(request, &factory), E_NOINTERFACE_);
            QVERIFY(factory == nullptr);
        }
        QCOMPARE(GetClassObject(QByteArray(T::kClassId).toLower().constData(), &factory), S_OK_);
        QVERIFY(factory != nullptr);

        QWidget parent;
        IControl* control = nullptr;
        QCOMPARE(factory->CreateInstance(&parent, &control), S_OK_);
        QVERIFY(control && control->Widget());
        QCOMPARE(control->Widget()->parentWidget(), &parent);
        const char* name = "SamplesPerSec";
        int32_t dispid = 0;
        QCOMPARE(control->GetIDsOfNames(&name, 1, &dispid), hr::Ok);
        Variant rate;
        QCOMPARE(control->Invoke(dispid, InvokeKind::PropertyGet, nullptr, 0, &rate), hr::Ok);
        QCOMPARE(rate.type, VarType::I4);
        QCOMPARE(rate.lVal, 44100);
        control->Release();
    }

    void canUnloadOnlyWithoutControls()
    {
        QCOMPARE(DllCanUnloadNow(), S_OK_);
        IClassFactory* factory = nullptr;
        QCOMPARE(GetClassObject(T::kClassId, &factory), S_OK_);
        auto parent = std::make_unique<QWidget>();
        QVERIFY(CreateControl(factory, parent.get()));
        QCOMPARE(DllCanUnloadNow(), S_FALSE_);
        QWidget* second = CreateControl(factory, parent.get());
        delete second;
        QCOMPARE(DllCanUnloadNow(), S_FALSE_);
        parent.reset();
        QCOMPARE(DllCanUnloadNow(), S_OK_);
    }

    // The shared registry names a library built before interface revisions:
    // the host refuses its factory and says why.
    void olderLibraryIsRefused()
    {
        QLibrary old(QStringLiteral(OLD_SONARCH2_LIBRARY_PATH));
        auto oldGet = reinterpret_cast<PFN_DllGetClassObject>(old.resolve("DllGetClassObject"));
        QVERIFY(oldGet);
        IClassFactory* factory = nullptr;
        QCOMPARE(oldGet(T::kClassId, &factory), S_OK_);  // what an older host was given
        QVERIFY(factory);
        {
            QSettings reg(g_pEnvironment->RegistryFile(), QSettings::IniFormat);
            reg.setValue(Key("CLSID", T::kClassId, "InprocServer"), QStringLiteral(OLD_SONARCH2_LIBRARY_PATH));
        }
        CControlHost host;
        QWidget parent;
        QVERIFY(!host.Create(QLatin1String(T::kClassId), &parent));
        QVERIFY2(host.Error().contains(QLatin1String("another revision of the Sonarch2 interfaces")) &&
                     host.Error().contains(QLatin1String(OLD_SONARCH2_LIBRARY_PATH)) &&
                     host.Error().contains(QLatin1String("0x80040111")),
                 qPrintable(host.Error()));
        QVERIFY(parent.findChildren<QWidget*>().isEmpty());
        // Registered again by the current library, the class is created.
        QCOMPARE(DllRegisterServer(), S_OK_);
        QVERIFY2(host.Create(QLatin1String(T::kClassId), &parent), qPrintable(host.Error()));
        QCOMPARE(DllUnregisterServer(), S_OK_);
    }
};

CONTROL_TEST_MAIN(TestRegistration)
#include "test_registration.moc"
