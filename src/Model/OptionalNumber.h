#pragma once

#include <QHashFunctions>
#include <QtGlobal>

#include <bit>
#include <optional>

/// A number or none in the eight bytes of the number, for the optional numbers of an entry (a
/// `std::optional<double>` takes sixteen, and a journal holds tens of thousands of entries). None is
/// one NaN kept for it alone, which no arithmetic gives: a NaN given as a value reads back as a NaN.
/// Reads, compares and assigns like `std::optional<double>`.
class OptionalNumber final {
public:
    constexpr OptionalNumber() noexcept = default;
    constexpr OptionalNumber(std::nullopt_t) noexcept { }
    constexpr OptionalNumber(double value) noexcept
        : m_bits(std::bit_cast<quint64>(value) == kNone ? kQuietNaN : std::bit_cast<quint64>(value))
    { }
    constexpr OptionalNumber(const std::optional<double>& value) noexcept
        : OptionalNumber(value ? OptionalNumber(*value) : OptionalNumber())
    { }

    constexpr bool has_value() const noexcept { return m_bits != kNone; }
    constexpr explicit operator bool() const noexcept { return has_value(); }
    /// The number; a NaN of no meaning when there is none (as reading an empty std::optional is wrong).
    constexpr double operator*() const noexcept { return std::bit_cast<double>(m_bits); }
    constexpr double value() const
    {
        if (!has_value()) {
            throw std::bad_optional_access();
        }
        return **this;
    }
    constexpr double value_or(double fallback) const noexcept { return has_value() ? **this : fallback; }
    constexpr void reset() noexcept { m_bits = kNone; }
    constexpr operator std::optional<double>() const noexcept
    {
        return has_value() ? std::optional<double>(**this) : std::nullopt;
    }

    /// As std::optional compares: none equals none, numbers compare as numbers (a NaN equals nothing).
    friend constexpr bool operator==(const OptionalNumber& a, const OptionalNumber& b) noexcept
    {
        return a.has_value() == b.has_value() && (!a.has_value() || *a == *b);
    }
    friend constexpr bool operator==(const OptionalNumber& a, double b) noexcept { return a.has_value() && *a == b; }
    friend constexpr bool operator==(const OptionalNumber& a, std::nullopt_t) noexcept { return !a.has_value(); }
    friend constexpr bool operator==(const OptionalNumber& a, const std::optional<double>& b) noexcept
    {
        return a == OptionalNumber(b);
    }
    friend size_t qHash(const OptionalNumber& value, size_t seed = 0) noexcept
    {
        // What hashing the std::optional<double> gave.
        return value ? qHash(*value, seed) : qHash(0x5bd1e995u, seed);
    }

private:
    /// A signalling NaN with a payload of its own.
    static constexpr quint64 kNone = 0x7ff4'0000'5bd1'e995ULL;
    static constexpr quint64 kQuietNaN = 0x7ff8'0000'0000'0000ULL;
    quint64 m_bits = kNone;
};
