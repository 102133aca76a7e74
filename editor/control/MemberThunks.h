#pragma once
// Binds a function of ControlMembers.h to a row of the type library: the
// arguments, already coerced by the dispatch layer to the member's types,
// are unpacked into the function's parameters and its result is wrapped.

#include <QVariant>
#include <QVariantList>

#include <cstdint>
#include <type_traits>
#include <utility>

class CControlCall;

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

}  // namespace sonarch2
