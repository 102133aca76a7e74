#pragma once
// Qt conveniences over the interface's values, for Qt hosts and for the
// library's own dispatch layer: a Variant to and from QVariant.

#include "Sonarch2.h"

#include <QString>
#include <QVariant>

namespace sonarch2 {

inline QVariant ToQVariant(const Variant& v)
{
    switch (v.type) {
    case VarType::I4: return QVariant(static_cast<int>(v.lVal));
    case VarType::R4: return QVariant(v.fltVal);
    case VarType::R8: return QVariant(v.dblVal);
    case VarType::Bool: return QVariant(v.boolVal);
    case VarType::Color: return QVariant(static_cast<uint>(v.colorVal));
    case VarType::Bstr: return QVariant(QString::fromLocal8Bit(v.bstrVal.c_str()));
    case VarType::Void: break;
    }
    return QVariant();
}

// Integers become I4, unsigned integers colours, floats R4, other numbers
// R8, strings BSTR; anything else that reads as text crosses as text.
inline Variant FromQVariant(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::UnknownType: return Variant{};
    case QMetaType::Int: case QMetaType::Short: case QMetaType::Char: case QMetaType::SChar:
    case QMetaType::UShort: case QMetaType::UChar:
        return Variant::I4(v.toInt());
    case QMetaType::UInt: return Variant::Color(v.toUInt());
    case QMetaType::Float: return Variant::R4(v.toFloat());
    case QMetaType::Double: case QMetaType::LongLong: case QMetaType::ULongLong: case QMetaType::Long:
    case QMetaType::ULong:
        return Variant::R8(v.toDouble());
    case QMetaType::Bool: return Variant::Bool(v.toBool());
    default: break;
    }
    if (v.canConvert<QString>())
        return Variant::Bstr(v.toString().toLocal8Bit().toStdString());
    return Variant{};
}

}  // namespace sonarch2
