#pragma once

#include <QList>
#include <QString>

#include <optional>

/// Reverse geocoding on this machine: the name of the nearest town of a place-name database, so no
/// position ever leaves the machine for it.
namespace vsp::places {

/// One town of the database.
struct Town {
    QString name;
    /// The state, province or region the town lies in; may be empty.
    QString region;
    QString country;
    /// Degrees.
    double latitude = 0;
    double longitude = 0;
};

/// Within this distance of a town (kilometres) a place is named after that town.
inline constexpr double kTownRadiusKm = 20;
/// Farther out, within this distance of the nearest town, the place is named after its region.
inline constexpr double kRegionRadiusKm = 100;
/// Farther still, within this distance, after its country; beyond it (open sea, wilderness) no name.
inline constexpr double kCountryRadiusKm = 300;

/// Great-circle distance between two points given in degrees, in kilometres.
double distanceKm(double latitude1, double longitude1, double latitude2, double longitude2);

/// The name for a place in degrees: the nearest town's name, its region's or its country's by the
/// radii above (the first that is not empty), or nothing when no town is near enough, the list is
/// empty or the coordinate is not finite. Pure; safe on any thread.
std::optional<QString> nameNear(const QList<Town>& towns, double latitude, double longitude);

/// Every town of Debian's geonames database (towns of 15,000 people or more), read on first use and kept
/// for the process; empty when the database or its library cannot be read. Safe on any thread; the first call takes a
/// few tens of milliseconds, so make it off the GUI thread.
const QList<Town>& databaseTowns();

/// `nameNear` over `databaseTowns()`.
std::optional<QString> placeName(double latitude, double longitude);

} // namespace vsp::places
