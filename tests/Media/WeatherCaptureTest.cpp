#include "WeatherCaptureTest.h"

#include "common/FakePositionSource.h"
#include "common/LocalHttpsServer.h"
#include "common/TestSupport.h"

#include "Media/LocationWeatherManager.h"
#include "Media/PlaceNames.h"

#include <QPointer>
#include <QTest>

#include <limits>
#include <memory>

namespace {

using Manager = LocationWeatherManager;

using vsp::test::FakePositionSource;

/// What one fetchCurrent() call was answered with.
struct Answer {
    int calls = 0;
    std::optional<WeatherSnapshot> snapshot;
};

/// Fake services: location sources the test drives, watchdogs it fires, place names it decides.
struct Rig {
    QList<QPointer<FakePositionSource>> sources;
    struct Watchdog {
        int ms = 0;
        std::function<void()> fire;
    };
    QList<Watchdog> watchdogs;
    bool refuses = false;
    bool noSource = false;
    std::optional<QString> place;

    Manager::Services services()
    {
        Manager::Services s;
        s.positionSource = [this](QObject* parent) -> QGeoPositionInfoSource* {
            if (noSource) {
                return nullptr;
            }
            auto* source = new FakePositionSource(parent, refuses);
            sources.append(source);
            return source;
        };
        s.placeName = [place = place](double, double) { return place; };
        s.startTimer = [this](int ms, QObject*, std::function<void()> fire) {
            watchdogs.append({ms, std::move(fire)});
        };
        return s;
    }
    /// Places every fix in Paris and asks `server` for the forecast, with a 1.5 s transfer time-out.
    void useForecastServer(const vsp::test::LocalHttpsServer& server)
    {
        place = QStringLiteral("Paris");
        Manager::Services s = services();
        s.forecastHost = QStringLiteral("127.0.0.1");
        s.forecastPort = server.port();
        s.sslConfiguration = server.sslConfiguration();
        s.transferTimeoutMs = 1500;
        Manager::shared().setServices(s);
    }
};

std::shared_ptr<Answer> fetch(QObject* context)
{
    auto answer = std::make_shared<Answer>();
    Manager::shared().fetchCurrent(context, [answer](std::optional<WeatherSnapshot> snapshot) {
        ++answer->calls;
        answer->snapshot = std::move(snapshot);
    });
    return answer;
}

WeatherSnapshot placeOnly(double latitude, double longitude, const QString& place)
{
    WeatherSnapshot snapshot;
    snapshot.latitude = latitude;
    snapshot.longitude = longitude;
    snapshot.placeName = place;
    return snapshot;
}

} // namespace

void WeatherCaptureTest::init()
{
    Manager::shared().setBackend({});
}

void WeatherCaptureTest::cleanup()
{
    Manager::shared().setServices({});
}

void WeatherCaptureTest::weatherInfo_table_data()
{
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("text");
    auto row = [](const char* name, QList<int> codes, const char* symbol, const char* text) {
        QTest::newRow(name) << codes << QString::fromLatin1(symbol) << QString::fromUtf8(text);
    };
    row("clear", {0}, "sun.max.fill", "Clear");
    row("partly cloudy", {1, 2}, "cloud.sun.fill", "Partly cloudy");
    row("cloudy", {3}, "cloud.fill", "Cloudy");
    row("fog", {45, 48}, "cloud.fog.fill", "Fog");
    row("drizzle", {51, 53, 55}, "cloud.drizzle.fill", "Drizzle");
    row("freezing drizzle", {56, 57}, "cloud.sleet.fill", "Freezing drizzle");
    row("rain", {61, 63, 65}, "cloud.rain.fill", "Rain");
    row("freezing rain", {66, 67}, "cloud.sleet.fill", "Freezing rain");
    row("snow", {71, 73, 75, 77}, "cloud.snow.fill", "Snow");
    row("rain showers", {80, 81, 82}, "cloud.heavyrain.fill", "Rain showers");
    row("snow showers", {85, 86}, "cloud.snow.fill", "Snow showers");
    row("thunderstorm", {95}, "cloud.bolt.fill", "Thunderstorm");
    row("thunderstorm with hail", {96, 99}, "cloud.bolt.rain.fill", "Thunderstorm");
    row("outside the table", {4, 100, -1, 44, 98, std::numeric_limits<int>::max()}, "cloud.fill", "—");
}

void WeatherCaptureTest::weatherInfo_table()
{
    QFETCH(QList<int>, codes);
    QFETCH(QString, symbol);
    QFETCH(QString, text);
    for (int code : codes) {
        QCOMPARE(Manager::weatherInfo(code), (Manager::WeatherInfo{symbol, text}));
    }
}

void WeatherCaptureTest::coordinateText_data()
{
    QTest::addColumn<double>("degrees");
    QTest::addColumn<QString>("text");
    QTest::newRow("shortest digits") << 48.8566 << QStringLiteral("48.8566");
    QTest::newRow("whole number") << 2.0 << QStringLiteral("2.0");
    QTest::newRow("negative whole") << -180.0 << QStringLiteral("-180.0");
    QTest::newRow("tiny in exponent form") << 5e-05 << QStringLiteral("5e-05");
    QTest::newRow("smallest plain") << -0.0001 << QStringLiteral("-0.0001");
    QTest::newRow("large in exponent form") << 1e16 << QStringLiteral("1e+16");
    QTest::newRow("negative zero") << -0.0 << QStringLiteral("-0.0");
    QTest::newRow("sum that reads back exactly") << 0.1 + 0.2 << QStringLiteral("0.30000000000000004");
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QString();
}

void WeatherCaptureTest::coordinateText()
{
    QFETCH(double, degrees);
    QFETCH(QString, text);
    QCOMPARE(Manager::coordinateText(degrees), text);
    // An address that cannot be formed is no request at all.
    QCOMPARE(Manager::forecastUrl(QStringLiteral("example.org"), -1, degrees, 1.0).isValid(), !text.isEmpty());
}

void WeatherCaptureTest::decodeForecast_rejectsWhatIsNotAForecast_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("the reply is not JSON");
    QTest::newRow("garbage") << QByteArray("<html>502 Bad Gateway</html>") << QStringLiteral("the reply is not JSON");
    QTest::newRow("no current") << QByteArray(R"({"latitude":48.86})")
                                << QStringLiteral("the reply has no \"current\" object");
    QTest::newRow("no weather code") << QByteArray(R"({"current":{"temperature_2m":11.6}})")
                                     << QStringLiteral("\"current\" has no number \"weather_code\"");
    QTest::newRow("temperature as text") << QByteArray(R"({"current":{"temperature_2m":"11","weather_code":3}})")
                                         << QStringLiteral("\"current\" has no number \"temperature_2m\"");
    QTest::newRow("fractional code") << QByteArray(R"({"current":{"temperature_2m":1,"weather_code":2.5}})")
                                     << QStringLiteral("\"weather_code\" is not a whole number");
    QTest::newRow("code beyond an int") << QByteArray(R"({"current":{"temperature_2m":1,"weather_code":1e12}})")
                                        << QStringLiteral("\"weather_code\" is not a whole number");
}

void WeatherCaptureTest::decodeForecast_rejectsWhatIsNotAForecast()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    QString why;
    QCOMPARE(Manager::decodeForecast(body, &why), std::optional<Manager::Weather>());
    QVERIFY2(why.startsWith(error), qPrintable(why));
    // The keys the service adds beside the two asked for are ignored.
    const QByteArray good = R"({"current_units":{"temperature_2m":"°C"},"current":{"time":"2026-12-09T15:00",)"
                            R"("temperature_2m":11.6,"weather_code":3.0}})";
    QCOMPARE(Manager::decodeForecast(good, &why), std::optional<Manager::Weather>(Manager::Weather{
                                                      QStringLiteral("cloud.fill"), 11.6, QStringLiteral("Cloudy")}));
}

void WeatherCaptureTest::forecast_exactQueryAndItsReplies_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("stall");
    QTest::addColumn<bool>("hasWeather");
    QTest::addColumn<QString>("failure");
    const QByteArray cloudy = R"({"current":{"temperature_2m":11.6,"weather_code":3}})";
    QTest::newRow("forecast") << 200 << cloudy << false << true << QString();
    QTest::newRow("error status with a forecast body") << 503 << cloudy << false << true << QString();
    QTest::newRow("error status with garbage")
        << 500 << QByteArray("Internal Server Error") << false << false
        << QStringLiteral("the reply is not JSON (illegal value at byte 1) (HTTP status 500)");
    QTest::newRow("garbage") << 200 << QByteArray("{\"current\": [") << false << false
                             << QStringLiteral("the reply is not JSON");
    QTest::newRow("no weather code") << 200 << QByteArray(R"({"current":{"temperature_2m":11.6}})") << false << false
                                     << QStringLiteral("\"current\" has no number \"weather_code\"");
    QTest::newRow("stall") << 200 << cloudy << true << false << QStringLiteral("no answer from 127.0.0.1 within 1.5 s");
}

void WeatherCaptureTest::forecast_exactQueryAndItsReplies()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, stall);
    QFETCH(bool, hasWeather);
    QFETCH(QString, failure);
    vsp::test::LocalHttpsServer server;
    QVERIFY(server.start());
    server.route(QStringLiteral("/v1/forecast"), {status, "application/json", body, stall});
    Rig rig;
    rig.useForecastServer(server);

    QObject context;
    vsp::test::StdoutCapture out;
    const auto answer = fetch(&context);
    QTRY_COMPARE(rig.sources.size(), 1);
    rig.sources.first()->deliver(48.8566, 2.0);
    QTRY_COMPARE_WITH_TIMEOUT(answer->calls, 1, 10000);
    QCOMPARE(server.requests(),
             QList<QUrl>{QUrl(QStringLiteral("/v1/forecast?latitude=48.8566&longitude=2.0"
                                             "&current=temperature_2m,weather_code&temperature_unit=celsius"))});

    WeatherSnapshot expected = placeOnly(48.8566, 2.0, QStringLiteral("Paris"));
    if (hasWeather) {
        expected.symbol = QStringLiteral("cloud.fill");
        expected.temp = 11.6;
        expected.text = QStringLiteral("Cloudy");
    }
    // Without the weather the place still makes a snapshot.
    QCOMPARE(answer->snapshot, std::optional<WeatherSnapshot>(expected));
    const QStringList lines = out.lines();
    if (failure.isEmpty()) {
        QCOMPARE(lines, QStringList());
    } else {
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: weather fetch failed — ") + failure),
                 qPrintable(lines.first()));
    }
}

void WeatherCaptureTest::forecast_floodOrTrickle_isCutOff_data()
{
    QTest::addColumn<bool>("withoutLength");
    QTest::addColumn<int>("trickleMs");
    QTest::addColumn<QString>("failure");
    QTest::newRow("flood, length announced") << false << 0 << QStringLiteral("the reply is larger than 1 MB");
    QTest::newRow("flood, no length") << true << 0 << QStringLiteral("the reply is larger than 1 MB");
    // A byte every 50 ms never lets the 1.5 s transfer time-out run out; only the deadline ends it.
    QTest::newRow("trickle") << false << 50 << QStringLiteral("the reply from 127.0.0.1 did not complete within 1.5 s");
}

void WeatherCaptureTest::forecast_floodOrTrickle_isCutOff()
{
    QFETCH(bool, withoutLength);
    QFETCH(int, trickleMs);
    QFETCH(QString, failure);
    // A real forecast, padded with blanks the JSON reader would skip: only the limits refuse it.
    const QByteArray cloudy = R"({"current":{"temperature_2m":11.6,"weather_code":3}})";
    vsp::test::LocalHttpsServer server;
    QVERIFY(server.start());
    // Flooded past the limit; trickled, well under it (at 50 ms a byte it would take minutes).
    const QByteArray body = cloudy + QByteArray(trickleMs > 0 ? 4096 : 2 << 20, ' ');
    vsp::test::LocalHttpsServer::Response response{200, "application/json", body, false};
    response.withoutLength = withoutLength;
    response.trickleMs = trickleMs;
    server.route(QStringLiteral("/v1/forecast"), response);
    Rig rig;
    rig.useForecastServer(server);

    QObject context;
    vsp::test::StdoutCapture out;
    const auto answer = fetch(&context);
    QTRY_COMPARE(rig.sources.size(), 1);
    rig.sources.first()->deliver(48.8566, 2.0);
    if (trickleMs > 0) {
        // The deadline is the watchdog started after the location's.
        QTRY_VERIFY(server.trickledBytes() > 3);
        QCOMPARE(rig.watchdogs.size(), 2);
        QCOMPARE(rig.watchdogs.last().ms, 1500);
        QCOMPARE(answer->calls, 0);
        rig.watchdogs.last().fire();
    }
    QTRY_COMPARE_WITH_TIMEOUT(answer->calls, 1, 10000);
    QCOMPARE(answer->snapshot, std::optional<WeatherSnapshot>(placeOnly(48.8566, 2.0, QStringLiteral("Paris"))));
    // Only the application's own lines: Qt Test writes warnings of the libraries to the same output.
    QCOMPARE(out.lines().filter(QStringLiteral("Vesperlog: ")),
             QStringList{QStringLiteral("Vesperlog: weather fetch failed — ") + failure});
}

void WeatherCaptureTest::location_refusedOrMissing_endsAtOnceWithNothing_data()
{
    QTest::addColumn<bool>("refuses");
    QTest::newRow("refused") << true;
    QTest::newRow("no location service") << false;
}

void WeatherCaptureTest::location_refusedOrMissing_endsAtOnceWithNothing()
{
    QFETCH(bool, refuses);
    Rig rig;
    rig.refuses = refuses;
    rig.noSource = !refuses;
    rig.place = QStringLiteral("Paris");
    Manager::shared().setServices(rig.services());
    QObject context;
    vsp::test::StdoutCapture out;
    const auto answer = fetch(&context);
    // No watchdog is waited for: the answer comes on the next turn of the event loop.
    QTRY_COMPARE(answer->calls, 1);
    QCOMPARE(answer->snapshot, std::optional<WeatherSnapshot>());
    QCOMPARE(out.lines(), QStringList());
    for (const Rig::Watchdog& watchdog : std::as_const(rig.watchdogs)) {
        watchdog.fire();
    }
    QCOMPARE(answer->calls, 1);
}

void WeatherCaptureTest::location_watchdog_endsTheRequestAndALateFixChangesNothing()
{
    Rig rig;
    rig.place = QStringLiteral("Paris");
    Manager::shared().setServices(rig.services());
    QObject context;
    const auto answer = fetch(&context);
    QTRY_COMPARE(rig.sources.size(), 1);
    QCOMPARE(rig.watchdogs.size(), 1);
    QCOMPARE(rig.watchdogs.first().ms, 8000);
    QCOMPARE(rig.sources.first()->requestedTimeout, 8000);
    QCOMPARE(answer->calls, 0);

    rig.watchdogs.first().fire();
    QCOMPARE(answer->calls, 1);
    QCOMPARE(answer->snapshot, std::optional<WeatherSnapshot>());
    // The source of an ended request is let go; a fix it still sends reaches nobody.
    QVERIFY(rig.sources.first());
    rig.sources.first()->deliver(48.8566, 2.3522);
    QTRY_VERIFY(rig.sources.first().isNull());
    QCOMPARE(answer->calls, 1);
}

void WeatherCaptureTest::location_secondRequest_endsTheFirst_andOldWatchdogSparesTheSecond()
{
    Rig rig;
    rig.place = QStringLiteral("Paris");
    Manager::shared().setServices(rig.services());
    QObject context;
    const auto first = fetch(&context);
    QTRY_COMPARE(rig.sources.size(), 1);
    const auto second = fetch(&context);
    QTRY_COMPARE(rig.sources.size(), 2);
    // The first caller is not left waiting: it gets nothing as soon as the second one asks.
    QCOMPARE(first->calls, 1);
    QCOMPARE(first->snapshot, std::optional<WeatherSnapshot>());
    QCOMPARE(second->calls, 0);

    // The first request's watchdog fires while the second waits: the second goes on waiting.
    QCOMPARE(rig.watchdogs.size(), 2);
    rig.watchdogs.first().fire();
    QCOMPARE(second->calls, 0);

    rig.sources.last()->deliver(48.8566, 2.3522);
    QTRY_COMPARE(second->calls, 1);
    QCOMPARE(second->snapshot, std::optional<WeatherSnapshot>(placeOnly(48.8566, 2.3522, QStringLiteral("Paris"))));
    // Its own watchdog, firing later, changes nothing either.
    rig.watchdogs.last().fire();
    QCoreApplication::processEvents();
    QCOMPARE(first->calls, 1);
    QCOMPARE(second->calls, 1);
}

void WeatherCaptureTest::location_placeOnly_whenNoForecastHost()
{
    Rig rig;
    rig.place = QStringLiteral("Lyon");
    Manager::shared().setServices(rig.services());
    QObject context;
    vsp::test::StdoutCapture out;
    const auto answer = fetch(&context);
    QTRY_COMPARE(rig.sources.size(), 1);
    rig.sources.first()->deliver(45.764, 4.8357);
    QTRY_COMPARE(answer->calls, 1);
    QCOMPARE(answer->snapshot, std::optional<WeatherSnapshot>(placeOnly(45.764, 4.8357, QStringLiteral("Lyon"))));
    // No address to ask: nothing is sent and nothing is reported.
    QCOMPARE(out.lines(), QStringList());

    // Neither a place nor the weather: no snapshot, the coordinate is dropped too.
    rig.place.reset();
    Manager::shared().setServices(rig.services());
    const auto none = fetch(&context);
    QTRY_COMPARE(rig.sources.size(), 2);
    rig.sources.last()->deliver(45.764, 4.8357);
    QTRY_COMPARE(none->calls, 1);
    QCOMPARE(none->snapshot, std::optional<WeatherSnapshot>());
}

void WeatherCaptureTest::placeNames_nearestTownRegionCountry_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<QString>("name");
    // One degree of latitude is about 111 km.
    QTest::newRow("in the town") << 50.0 << 10.0 << QStringLiteral("Townsville");
    QTest::newRow("15 km out") << 50.135 << 10.0 << QStringLiteral("Townsville");
    QTest::newRow("50 km out: the region") << 50.45 << 10.0 << QStringLiteral("Upland");
    QTest::newRow("200 km out: the country") << 51.8 << 10.0 << QStringLiteral("Freedonia");
    QTest::newRow("400 km out: nothing") << 53.6 << 10.0 << QString();
    QTest::newRow("nearer of two towns") << 50.0 << 10.9 << QStringLiteral("Nearby");
    QTest::newRow("town without a region gives its country") << -10.45 << 0.0 << QStringLiteral("Sylvania");
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 10.0 << QString();
}

void WeatherCaptureTest::placeNames_nearestTownRegionCountry()
{
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(QString, name);
    const QList<vsp::places::Town> towns = {
        {QStringLiteral("Townsville"), QStringLiteral("Upland"), QStringLiteral("Freedonia"), 50.0, 10.0},
        {QStringLiteral("Nearby"), QStringLiteral("Lowland"), QStringLiteral("Freedonia"), 50.0, 11.0},
        {QStringLiteral("Isle"), QString(), QStringLiteral("Sylvania"), -10.0, 0.0},
    };
    const std::optional<QString> found = vsp::places::nameNear(towns, latitude, longitude);
    QCOMPARE(found.value_or(QString()), name);
    QCOMPARE(found.has_value(), !name.isEmpty());
}

void WeatherCaptureTest::placeNames_database_findsTownsAndNothingAtSea()
{
    QVERIFY(vsp::places::databaseTowns().size() > 20000);
    QCOMPARE(vsp::places::placeName(48.8566, 2.3522), std::optional<QString>(QStringLiteral("Paris")));
    QCOMPARE(vsp::places::placeName(-33.8688, 151.2093), std::optional<QString>(QStringLiteral("Sydney")));
    // The middle of the Atlantic is far from every town.
    QCOMPARE(vsp::places::placeName(30.0, -40.0), std::optional<QString>());
}
