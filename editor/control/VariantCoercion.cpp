#include "VariantCoercion.h"

#include <QLocale>

#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

namespace sonarch2 {
namespace {

bool IsNumeric(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Float: case QMetaType::Double:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long:
    case QMetaType::ULong: case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// The value as a double, or nothing when it is not a number, a boolean, an
// empty value or a string that reads as one.
std::optional<double> AsDouble(const QVariant& v)
{
    if (!v.isValid())
        return 0.0;
    if (v.metaType().id() == QMetaType::Bool)
        return v.toBool() ? -1.0 : 0.0;
    if (IsNumeric(v))
        return v.toDouble();
    if (v.metaType().id() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        bool ok = false;
        const double d = QLocale::c().toDouble(s, &ok);
        // Automation reads no "nan" or "inf" out of a string.
        if (ok && std::isfinite(d))
            return d;
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return -1.0;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return 0.0;
    }
    return std::nullopt;
}

Coerced Fail(uint32_t code) { return Coerced{code, QVariant()}; }

}  // namespace

QMetaType MetaTypeOf(VarType type)
{
    switch (type) {
    case VarType::I4: return QMetaType::fromType<int>();
    case VarType::R4: return QMetaType::fromType<float>();
    case VarType::R8: return QMetaType::fromType<double>();
    case VarType::Bool: return QMetaType::fromType<bool>();
    case VarType::Bstr: return QMetaType::fromType<QString>();
    case VarType::Color: return QMetaType::fromType<uint>();
    case VarType::Void: break;
    }
    return QMetaType();
}

Coerced CoerceTo(const QVariant& value, VarType target)
{
    switch (target) {
    case VarType::Void:
        return Coerced{hr::Ok, QVariant()};
    case VarType::Bstr: {
        if (!value.isValid())
            return Coerced{hr::Ok, QString()};
        if (value.metaType().id() == QMetaType::Bool)
            return Coerced{hr::Ok, value.toBool() ? QStringLiteral("True") : QStringLiteral("False")};
        if (value.metaType().id() == QMetaType::Float)
            return Coerced{hr::Ok, QString::number(value.toFloat(), 'g', 7)};
        if (IsNumeric(value) || value.metaType().id() == QMetaType::QString)
            return Coerced{hr::Ok, value.toString()};
        return Fail(hr::TypeMismatch);
    }
    case VarType::Bool: {
        const auto d = AsDouble(value);
        if (!d)
            return Fail(hr::TypeMismatch);
        return Coerced{hr::Ok, *d != 0.0};
    }
    case VarType::R4: {
        const auto d = AsDouble(value);
        if (!d)
            return Fail(hr::TypeMismatch);
        if (std::isfinite(*d) && std::fabs(*d) > FLT_MAX)
            return Fail(hr::Overflow);
        return Coerced{hr::Ok, static_cast<float>(*d)};
    }
    case VarType::R8: {
        const auto d = AsDouble(value);
        if (!d)
            return Fail(hr::TypeMismatch);
        return Coerced{hr::Ok, *d};
    }
    case VarType::I4:
    case VarType::Color: {
        const auto d = AsDouble(value);
        if (!d)
            return Fail(hr::TypeMismatch);
        const double r = std::nearbyint(*d);  // round half to even
        if (!std::isfinite(r))
            return Fail(hr::Overflow);
        if (target == VarType::I4) {
            if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
                return Fail(hr::Overflow);
            return Coerced{hr::Ok, static_cast<int>(r)};
        }
        // A colour is a 32-bit value; negative integers keep their bits.
        if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<uint32_t>::max())
            return Fail(hr::Overflow);
        const uint32_t bits = r < 0 ? static_cast<uint32_t>(static_cast<int32_t>(r))
                                    : static_cast<uint32_t>(r);
        return Coerced{hr::Ok, static_cast<uint>(bits)};
    }
    }
    return Fail(hr::TypeMismatch);
}

}  // namespace sonarch2
