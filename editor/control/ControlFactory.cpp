// The library's four exports: registration and the class factory.

#include "CSonarch2Ctrl.h"
#include "ComponentApi.h"
#include "TypeLib.h"

#include <dlfcn.h>

namespace {

class CSonarch2Factory final : public sonarch2::ISonarch2Factory {
public:
    QWidget* CreateInstance(QWidget* parent, sonarch2::CDispatch** dispatch) override
    {
        auto* control = new CSonarch2Ctrl(parent);  // owned by `parent`
        if (dispatch)
            *dispatch = control->Dispatch();
        return control;
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

extern "C" {

__attribute__((visibility("default"))) sonarch2::HRESULT DllRegisterServer()
{
    const QString path = OwnLibraryPath();
    if (path.isEmpty())
        return sonarch2::SELFREG_E_TYPELIB;
    return sonarch2::RegisterComponent(path);
}

__attribute__((visibility("default"))) sonarch2::HRESULT DllUnregisterServer()
{
    return sonarch2::UnregisterComponent();
}

__attribute__((visibility("default"))) sonarch2::HRESULT DllGetClassObject(const char* classId,
                                                                          sonarch2::ISonarch2Factory** factory)
{
    if (!factory)
        return sonarch2::E_POINTER_;
    *factory = nullptr;
    if (!classId || QString::fromLatin1(classId).compare(QLatin1String(sonarch2::TypeLibIdentity::kClassId),
                                                          Qt::CaseInsensitive) != 0)
        return sonarch2::CLASS_E_CLASSNOTAVAILABLE;
    static CSonarch2Factory s_factory;
    *factory = &s_factory;
    return sonarch2::S_OK_;
}

__attribute__((visibility("default"))) sonarch2::HRESULT DllCanUnloadNow()
{
    // A control's parts outlive it while a call that was running on it ends.
    return CControlParts::LiveCount() == 0 ? sonarch2::S_OK_ : sonarch2::S_FALSE_;
}

}  // extern "C"
