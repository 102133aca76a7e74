#include "ControlHost.h"

#include "ComponentRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace sonarch2 {
namespace {

QString Hex(HRESULT hr)
{
    return QString::asprintf("0x%08X", static_cast<uint32_t>(hr));
}

// Loads a library and keeps it loaded for the life of the process: the
// control's code must outlive every widget it made.
QFunctionPointer Resolve(const QString& library, const char* symbol, QString* error)
{
    QLibrary lib(library);
    lib.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!lib.load()) {
        *error = QStringLiteral("cannot load %1: %2").arg(library, lib.errorString());
        return nullptr;
    }
    QFunctionPointer f = lib.resolve(symbol);
    if (!f)
        *error = QStringLiteral("%1 has no %2").arg(library, QLatin1String(symbol));
    return f;
}

}  // namespace

QString CControlHost::DefaultLibrary()
{
    const QDir exe(QCoreApplication::applicationDirPath());
    const QStringList candidates{
        exe.filePath(QStringLiteral("libSonarch2.so")),
        exe.filePath(QStringLiteral("../lib/libSonarch2.so")),
        exe.filePath(QStringLiteral("../libSonarch2.so")),
        exe.filePath(QStringLiteral("../editor/control/libSonarch2.so")),
        exe.filePath(QStringLiteral("../../editor/control/libSonarch2.so")),
    };
    for (const QString& c : candidates)
        if (QFileInfo::exists(c))
            return QFileInfo(c).canonicalFilePath();
    return QString();
}

HRESULT CControlHost::RegisterLibrary(const QString& library, bool unregister, QString* error)
{
    const char* symbol = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<PFN_DllRegisterServer>(Resolve(library, symbol, error));
    return fn ? fn() : SELFREG_E_CLASS;
}

IClassFactory* CControlHost::ClassFactory(const QString& classId)
{
    m_error.clear();
    QString library = RegisteredLibrary(classId);
    if (library.isEmpty() || !QFileInfo::exists(library)) {
        const QString fallback = DefaultLibrary();
        if (fallback.isEmpty()) {
            m_error = QStringLiteral("class %1 is not registered and no libSonarch2.so was found").arg(classId);
            return nullptr;
        }
        QString error;
        const HRESULT hr = RegisterLibrary(fallback, false, &error);
        if (hr != S_OK_) {
            m_error = QStringLiteral("registering %1 failed (%2) %3").arg(fallback, Hex(hr), error);
            return nullptr;
        }
        m_log << QStringLiteral("registered %1 for class %2").arg(fallback, classId);
        library = RegisteredLibrary(classId);
    }

    auto getClassObject = reinterpret_cast<PFN_DllGetClassObject>(
        Resolve(library, "DllGetClassObject", &m_error));
    if (!getClassObject)
        return nullptr;
    IClassFactory* factory = nullptr;
    const HRESULT hr = getClassObject(ClassObjectRequest(classId.toLatin1().constData()).c_str(), &factory);
    if ((hr == E_NOINTERFACE_ || hr == CLASS_E_CLASSNOTAVAILABLE) && !factory) {
        m_error = QStringLiteral("%1, registered for class %2, is of another revision of the Sonarch2 interfaces "
                                 "(%3); register the libSonarch2.so of this program")
                      .arg(library, classId, Hex(hr));
        return nullptr;
    }
    if (hr != S_OK_ || !factory) {
        m_error = QStringLiteral("no class factory for %1 (%2)").arg(classId, Hex(hr));
        return nullptr;
    }
    return factory;
}

std::unique_ptr<CControlClient> CControlHost::Create(const QString& classId, QWidget* parent)
{
    IClassFactory* factory = ClassFactory(classId);
    if (!factory)
        return nullptr;
    IControl* control = nullptr;
    if (factory->CreateInstance(parent, &control) != S_OK_ || !control) {
        m_error = QStringLiteral("the class factory made no control");
        return nullptr;
    }
    auto client = std::make_unique<CControlClient>(control);
    if (!client->Widget()) {
        m_error = QStringLiteral("the class factory made no control");
        return nullptr;
    }
    return client;
}

}  // namespace sonarch2
