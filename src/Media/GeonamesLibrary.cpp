#include "Media/GeonamesLibrary.h"

#include "Platform/SharedLibrary.h"

std::unique_ptr<const GeonamesLibrary> GeonamesLibrary::open(const char* fileName, QString* error)
{
    return vsp::openTable<GeonamesLibrary>(
        fileName, error, [error](const vsp::SharedLibrary& library, GeonamesLibrary& table) {
            return library.find("geonames_get_n_cities", table.getNCities, error)
                   && library.find("geonames_get_city", table.getCity, error)
                   && library.find("geonames_city_free", table.cityFree, error)
                   && library.find("geonames_city_get_name", table.cityName, error)
                   && library.find("geonames_city_get_state", table.cityState, error)
                   && library.find("geonames_city_get_country", table.cityCountry, error)
                   && library.find("geonames_city_get_latitude", table.cityLatitude, error)
                   && library.find("geonames_city_get_longitude", table.cityLongitude, error);
        });
}

const GeonamesLibrary* GeonamesLibrary::installed()
{
    return vsp::openOnce<GeonamesLibrary>(QStringLiteral("place names"),
                                          [](QString* error) { return open("libgeonames.so.0", error); });
}
