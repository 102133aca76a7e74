#pragma once
// Self-registration in the component registry, where hosts find the
// control's library by class id.
// An INI file in the user's configuration directory (QSettings, organisation
// "VRT", application "Components"), one group per class id and per ProgID.

#include "Sonarch2/Sonarch2.h"

#include <QString>

namespace sonarch2 {

// Writes the type library and the control class, naming `libraryPath` as their server. S_OK, SELFREG_E_TYPELIB or SELFREG_E_CLASS.
HRESULT RegisterComponent(const QString& libraryPath);
// Removes what RegisterComponent wrote. Same results.
HRESULT UnregisterComponent();

}  // namespace sonarch2
