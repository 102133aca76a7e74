// The library's four exports: registration and the class factory. They are
// the only symbols libSonarch2.so exports; everything else is reached through
// the interfaces they hand out (Sonarch2/Sonarch2.h).

#include "CSonarch2Ctrl.h"
#include "Dispatch.h"
#include "Registration.h"
#include "TypeLib.h"

#include <QString>

#include <dlfcn.h>

#define SONARCH2_EXPORT extern "C" __attribute__((visibility("default")))

using namespace sonarch2;

SONARCH2_EXPORT HRESULT DllRegisterServer();
SONARCH2_EXPORT HRESULT DllUnregisterServer();
SONARCH2_EXPORT HRESULT DllGetClassObject(const char* request, IClassFactory** factory);
SONARCH2_EXPORT HRESULT DllCanUnloadNow();

namespace {

class CSonarch2Factory final : public IClassFactory {
public:
    // The factory is static: it lives as long as the library.
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }

    HRESULT CreateInstance(QWidget* parent, IControl** control) override
    {
        if (!control)
            return E_POINTER_;
        auto* widget = new CSonarch2Ctrl(parent);  // owned by `parent`
        *control = widget->Dispatch();
        (*control)->AddRef();
        return S_OK_;
    }

    HRESULT GetTypeInfo(ITypeInfo** typeInfo) override
    {
        if (!typeInfo)
            return E_POINTER_;
        *typeInfo = TypeInfo();
        return S_OK_;
    }
};

// The path of this library, as the dynamic linker loaded it.
QString OwnLibraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 || !info.dli_fname)
        return QString();
    return QString::fromLocal8Bit(info.dli_fname);
}

}  // namespace

HRESULT DllRegisterServer()
{
    const QString path = OwnLibraryPath();
    if (path.isEmpty())
        return SELFREG_E_TYPELIB;
    return RegisterComponent(path);
}

HRESULT DllUnregisterServer()
{
    return UnregisterComponent();
}

HRESULT DllGetClassObject(const char* request, IClassFactory** factory)
{
    if (!factory)
        return E_POINTER_;
    *factory = nullptr;
    const QString asked = request ? QString::fromLatin1(request) : QString();
    const QLatin1String classId(TypeLibIdentity::kClassId);
    if (!asked.startsWith(classId, Qt::CaseInsensitive))
        return CLASS_E_CLASSNOTAVAILABLE;
    if (asked.mid(classId.size()).compare(QLatin1String(kInterfaceId), Qt::CaseInsensitive) != 0)
        return E_NOINTERFACE_;
    static CSonarch2Factory s_factory;
    *factory = &s_factory;
    return S_OK_;
}

HRESULT DllCanUnloadNow()
{
    // A control's parts outlive it while a call that was running on it ends.
    return CControlParts::LiveCount() == 0 ? S_OK_ : S_FALSE_;
}
