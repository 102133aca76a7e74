#pragma once
// Conversion of argument values between automation types, with the rules of
// OLE automation: numbers round half to even when they become integers, TRUE
// is -1, strings are parsed as numbers or as "true"/"false".

#include "TypeLib.h"

#include <QVariant>

#include <cstdint>

namespace sonarch2 {

struct Coerced {
    uint32_t hr = hr::Ok;
    QVariant value;  // of the Qt type that stands for the target type
    bool ok() const { return hr == hr::Ok; }
};

// Converts `value` to `target`. The Qt types used: int (I4), float (R4),
// double (R8), bool (BOOL), QString (BSTR), uint (OLE_COLOR).
Coerced CoerceTo(const QVariant& value, VarType target);

// The Qt meta type that stands for an automation type (invalid for Void).
QMetaType MetaTypeOf(VarType type);

}  // namespace sonarch2
