#pragma once

#include <cstddef>
#include <utility>

namespace vsp {

namespace detail {
/// Stands for any one initialiser of an aggregate's member.
struct AnyMember {
    template <typename T>
    operator T() const; // never defined: only asked whether it could be called
};

template <typename Record, std::size_t... Indexes>
constexpr bool initialisableWith(std::index_sequence<Indexes...>*)
{
    return requires
    {
        Record{(void(Indexes), AnyMember{})...};
    };
}
} // namespace detail

/// The number of members of the aggregate `Record` (a struct without constructors or bases): the most
/// initialisers its braces take. Lets a table that must name each member be checked at compile time.
template <typename Record, std::size_t Count = 0>
consteval std::size_t memberCount()
{
    if constexpr (!detail::initialisableWith<Record>(static_cast<std::make_index_sequence<Count + 1>*>(nullptr))) {
        return Count;
    } else {
        return memberCount<Record, Count + 1>();
    }
}

} // namespace vsp
