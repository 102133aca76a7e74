#pragma once
// Binds the work of a member to a row of the type library. A function of
// ControlMembers.h gets its arguments, already coerced by the dispatch layer
// to the member's types, unpacked into its parameters and its result
// wrapped (Thunk). A property that is one expression on the control's parts
// is written in its row as a getter `[](CControlParts& p) { return ...; }`
// and a setter `[](CControlParts& p, T value) { ... }`; the property's type
// follows from the getter, and every accepted write marks the control
// modified (GetPart, SetPart). A method that is one expression on the parts
// is written the same way, `[](CControlParts& p, A... args) { ... }`, its
// result and parameter types following from the lambda (PartMethod).

#include "ControlCall.h"

#include <QVariant>
#include <QVariantList>

#include <cstdint>
#include <type_traits>
#include <utility>

namespace sonarch2 {

template <auto Fn>
struct MemberThunkOf;

template <class R, class... A, R (*Fn)(CControlCall&, A...)>
struct MemberThunkOf<Fn> {
    static QVariant Run(CControlCall& call, const QVariantList& args)
    {
        return Unpack(call, args, std::index_sequence_for<A...>{});
    }

private:
    template <std::size_t... I>
    static QVariant Unpack(CControlCall& call, const QVariantList& args, std::index_sequence<I...>)
    {
        if constexpr (std::is_void_v<R>) {
            Fn(call, args[static_cast<qsizetype>(I)].template value<std::decay_t<A>>()...);
            return QVariant();
        } else {
            return QVariant::fromValue(Fn(call, args[static_cast<qsizetype>(I)].template value<std::decay_t<A>>()...));
        }
    }
};

template <auto Fn>
constexpr QVariant (*Thunk)(CControlCall&, const QVariantList&) = &MemberThunkOf<Fn>::Run;

// The automation type of a member's C++ type; colours are uint32_t.
template <class T>
constexpr VarType VarTypeOf()
{
    if constexpr (std::is_void_v<T>)
        return VarType::Void;
    else if constexpr (std::is_same_v<T, int32_t>)
        return VarType::I4;
    else if constexpr (std::is_same_v<T, float>)
        return VarType::R4;
    else if constexpr (std::is_same_v<T, double>)
        return VarType::R8;
    else if constexpr (std::is_same_v<T, bool>)
        return VarType::Bool;
    else if constexpr (std::is_same_v<T, uint32_t>)
        return VarType::Color;
    else if constexpr (std::is_same_v<T, QString>)
        return VarType::Bstr;
    else
        static_assert(!sizeof(T), "no automation type for this C++ type");
}

template <auto Get>
using PartType = std::decay_t<decltype(Get(std::declval<CControlParts&>()))>;

template <auto Get>
QVariant GetPart(CControlCall& call, const QVariantList&)
{
    return QVariant::fromValue(Get(call.Parts()));
}

template <class F>
struct SetterValue;
template <class C, class T>
struct SetterValue<void (C::*)(CControlParts&, T) const> {
    using type = std::decay_t<T>;
};

template <auto Set>
QVariant SetPart(CControlCall& call, const QVariantList& args)
{
    Set(call.Parts(), args.front().value<typename SetterValue<decltype(&decltype(Set)::operator())>::type>());
    call.SetModified();
    return QVariant();
}

template <auto Fn, class Sig = decltype(&decltype(Fn)::operator())>
struct PartMethod;
template <auto Fn, class C, class R, class... A>
struct PartMethod<Fn, R (C::*)(CControlParts&, A...) const> {
    static constexpr VarType kResult = VarTypeOf<R>();
    static constexpr VarType kParams[sizeof...(A) + 1] = {VarTypeOf<std::decay_t<A>>()..., VarType::Void};
    static constexpr std::size_t kParamCount = sizeof...(A);
    static R Run(CControlCall& call, A... args) { return Fn(call.Parts(), args...); }
};

}  // namespace sonarch2
