#include "Media/PlaceNames.h"

#include "Media/GeonamesLibrary.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vsp::places {

namespace {

constexpr double kEarthRadiusKm = 6371.0088;

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

QList<Town> readDatabase()
{
    QList<Town> towns;
    // Without the library no town is known, as with an unreadable database.
    const GeonamesLibrary* geonames = GeonamesLibrary::installed();
    if (!geonames) {
        return towns;
    }
    const gint count = geonames->getNCities();
    towns.reserve(std::max(count, 0));
    for (gint i = 0; i < count; ++i) {
        GeonamesCity* city = geonames->getCity(i);
        if (!city) {
            continue;
        }
        towns.append({QString::fromUtf8(geonames->cityName(city)), QString::fromUtf8(geonames->cityState(city)),
                      QString::fromUtf8(geonames->cityCountry(city)), geonames->cityLatitude(city),
                      geonames->cityLongitude(city)});
        geonames->cityFree(city);
    }
    return towns;
}

} // namespace

double distanceKm(double latitude1, double longitude1, double latitude2, double longitude2)
{
    // Haversine: exact enough at every distance, and well-behaved for nearby points.
    const double dLat = radians(latitude2 - latitude1);
    const double dLon = radians(longitude2 - longitude1);
    const double a =
        std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(radians(latitude1)) * std::cos(radians(latitude2)) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadiusKm * std::asin(std::sqrt(std::clamp(a, 0.0, 1.0)));
}

std::optional<QString> nameNear(const QList<Town>& towns, double latitude, double longitude)
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
        return std::nullopt;
    }
    const Town* nearest = nullptr;
    double best = kCountryRadiusKm;
    for (const Town& town : towns) {
        const double d = distanceKm(latitude, longitude, town.latitude, town.longitude);
        if (d <= best) {
            best = d;
            nearest = &town;
        }
    }
    if (!nearest) {
        return std::nullopt;
    }
    // The same order of preference as a full geocoder's: town, then region, then country.
    const QString* candidates[] = {best <= kTownRadiusKm ? &nearest->name : nullptr,
                                   best <= kRegionRadiusKm ? &nearest->region : nullptr, &nearest->country};
    for (const QString* name : candidates) {
        if (name && !name->trimmed().isEmpty()) {
            return name->trimmed();
        }
    }
    return std::nullopt;
}

const QList<Town>& databaseTowns()
{
    static const QList<Town> towns = readDatabase();
    return towns;
}

std::optional<QString> placeName(double latitude, double longitude)
{
    return nameNear(databaseTowns(), latitude, longitude);
}

} // namespace vsp::places
