#pragma once

#include <QObject>

/// Place and weather for a new entry: the weather code table, the forecast query and its replies (from a
/// local HTTPS server), one location request at a time with its own watchdog, and place names found on
/// this machine.
class WeatherCaptureTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void weatherInfo_table_data();
    void weatherInfo_table();
    void coordinateText_data();
    void coordinateText();
    void decodeForecast_rejectsWhatIsNotAForecast_data();
    void decodeForecast_rejectsWhatIsNotAForecast();

    void forecast_exactQueryAndItsReplies_data();
    void forecast_exactQueryAndItsReplies();
    void forecast_floodOrTrickle_isCutOff_data();
    void forecast_floodOrTrickle_isCutOff();

    void location_refusedOrMissing_endsAtOnceWithNothing_data();
    void location_refusedOrMissing_endsAtOnceWithNothing();
    void location_watchdog_endsTheRequestAndALateFixChangesNothing();
    void location_secondRequest_endsTheFirst_andOldWatchdogSparesTheSecond();
    void location_placeOnly_whenNoForecastHost();

    void placeNames_nearestTownRegionCountry_data();
    void placeNames_nearestTownRegionCountry();
    void placeNames_database_findsTownsAndNothingAtSea();
};
