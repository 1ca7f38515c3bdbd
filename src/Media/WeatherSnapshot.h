#pragma once

#include <QString>

#include <optional>

/// The place and weather captured for a new entry. Saving copies the six values into the entry.
struct WeatherSnapshot {
    double latitude = 0;
    double longitude = 0;
    std::optional<QString> placeName;
    /// A weather symbol name ("sun.max.fill", "cloud.rain").
    std::optional<QString> symbol;
    /// Degrees Celsius.
    std::optional<double> temp;
    /// The condition in words; "—" means none.
    std::optional<QString> text;

    bool operator==(const WeatherSnapshot&) const = default;
};
