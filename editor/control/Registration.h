#pragma once
// The component registry: where hosts find the control's library by class id.
// An INI file in the user's configuration directory (QSettings, organisation
// "VRT", application "Components"), one group per class id and per ProgID.

#include <QString>

#include <cstdint>

namespace sonarch2 {

using HRESULT = int32_t;
constexpr HRESULT S_OK_ = 0;
constexpr HRESULT S_FALSE_ = 1;
constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT E_POINTER_ = static_cast<HRESULT>(0x80004003u);

// Writes the type library, the control class and the property page class,
// naming `libraryPath` as their server. S_OK, SELFREG_E_TYPELIB or SELFREG_E_CLASS.
HRESULT RegisterComponent(const QString& libraryPath);
// Removes what RegisterComponent wrote. Same results.
HRESULT UnregisterComponent();

// The library registered for a class id, or an empty string.
QString RegisteredLibrary(const QString& classId);
// The class id registered for a ProgID, or an empty string.
QString ClassIdOfProgId(const QString& progId);

}  // namespace sonarch2
