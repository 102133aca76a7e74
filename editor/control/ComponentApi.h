#pragma once
// What a host sees of libSonarch2.so: a class factory reached through the
// four C exports, which creates the control as a widget together with its
// automation interface.

#include "Registration.h"

class QWidget;

namespace sonarch2 {

class CDispatch;

class ISonarch2Factory {
public:
    virtual ~ISonarch2Factory() = default;
    // Creates a control inside `parent`; the parent owns the widget. The
    // dispatch interface lives as long as the widget.
    virtual QWidget* CreateInstance(QWidget* parent, CDispatch** dispatch) = 0;
};

}  // namespace sonarch2

extern "C" {
// Standard meanings: S_OK, SELFREG_E_TYPELIB, SELFREG_E_CLASS.
sonarch2::HRESULT DllRegisterServer();
sonarch2::HRESULT DllUnregisterServer();
// The factory of the class `classId` ("{...}"), or CLASS_E_CLASSNOTAVAILABLE.
sonarch2::HRESULT DllGetClassObject(const char* classId, sonarch2::ISonarch2Factory** factory);
// S_OK when no control of this library is alive, S_FALSE otherwise.
sonarch2::HRESULT DllCanUnloadNow();
}

using PFN_DllGetClassObject = sonarch2::HRESULT (*)(const char*, sonarch2::ISonarch2Factory**);
using PFN_DllRegisterServer = sonarch2::HRESULT (*)();
