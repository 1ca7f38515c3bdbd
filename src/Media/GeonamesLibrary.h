#pragma once

#include <QString>

#include <memory>

#include <geonames/geonames.h>

/// The geonames functions the place names read the town list with. The library is opened on the first
/// lookup rather than linked: it brings GIO, libmount, libblkid and SELinux's library into every start,
/// while place names are only looked up when a new entry notes its place.
struct GeonamesLibrary final {
    decltype(&geonames_get_n_cities) getNCities = nullptr;
    decltype(&geonames_get_city) getCity = nullptr;
    decltype(&geonames_city_free) cityFree = nullptr;
    decltype(&geonames_city_get_name) cityName = nullptr;
    decltype(&geonames_city_get_state) cityState = nullptr;
    decltype(&geonames_city_get_country) cityCountry = nullptr;
    decltype(&geonames_city_get_latitude) cityLatitude = nullptr;
    decltype(&geonames_city_get_longitude) cityLongitude = nullptr;

    /// Opens the library with this file name and finds every function; nothing, with the loader's text
    /// in `error`, when the library or a function is missing.
    static std::unique_ptr<const GeonamesLibrary> open(const char* fileName, QString* error);

    /// The installed library, opened by the first call (blocking; thread-safe). Nothing when it cannot
    /// be opened, which is printed once.
    static const GeonamesLibrary* installed();
};
