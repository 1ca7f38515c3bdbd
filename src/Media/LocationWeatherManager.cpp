#include "Media/LocationWeatherManager.h"

#include "Media/PlaceNames.h"
#include "Model/FileIO.h"
#include "Model/Log.h"

#include <QCoreApplication>
#include <QGeoPositionInfoSource>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QUrlQuery>

#include <cmath>
#include <limits>
#include <memory>

namespace {

/// The forecast reply is a few hundred bytes; anything past this is refused unparsed.
constexpr qint64 kMaxForecastBytes = qint64(1) << 20;

} // namespace

#ifndef VESPERLOG_FORECAST_HOST
#define VESPERLOG_FORECAST_HOST "api.open-meteo.com"
#endif

LocationWeatherManager::LocationWeatherManager()
{
    // The network manager and a waiting location source go while the application still exists: Qt's
    // network and D-Bus classes need it to end cleanly.
    qAddPostRoutine(&LocationWeatherManager::releaseAtExit);
}

LocationWeatherManager& LocationWeatherManager::shared()
{
    static LocationWeatherManager manager;
    return manager;
}

void LocationWeatherManager::setBackend(Backend backend)
{
    m_backend = std::move(backend);
}

void LocationWeatherManager::setServices(Services services)
{
    m_services = std::move(services);
}

void LocationWeatherManager::fetchCurrent(QObject* context, Completion done)
{
    QPointer<QObject> guard(context);
    auto deliver = [guard, done = std::move(done)](std::optional<WeatherSnapshot> snapshot) {
        if (guard) {
            done(std::move(snapshot));
        }
    };
    // Answers always come on a later turn of the event loop, so callers never see their own call
    // re-entered.
    QTimer::singleShot(0, context, [this, deliver = std::move(deliver)]() mutable {
        if (m_backend) {
            m_backend(std::move(deliver));
        } else {
            capture(std::move(deliver));
        }
    });
}

LocationWeatherManager::Services LocationWeatherManager::liveServices()
{
    Services services;
    services.positionSource = [](QObject* parent) -> QGeoPositionInfoSource* {
        // GeoClue lets an application locate only under the name of an installed desktop entry.
        QString desktopId = QGuiApplication::desktopFileName();
        if (desktopId.isEmpty()) {
            desktopId = QStringLiteral("vesperlog");
        }
        return QGeoPositionInfoSource::createSource(QStringLiteral("geoclue2"),
                                                    {{QStringLiteral("desktopId"), desktopId}}, parent);
    };
    services.placeName = [](double latitude, double longitude) { return vsp::places::placeName(latitude, longitude); };
    services.forecastHost = QStringLiteral(VESPERLOG_FORECAST_HOST);
    return services;
}

void LocationWeatherManager::capture(Completion done)
{
    // A request keeps the services it started with, whatever is set while it runs.
    const Services services = m_services;
    requestLocation(services, [this, services, done = std::move(done)](std::optional<Fix> fix) {
        if (!fix) {
            done(std::nullopt);
            return;
        }
        struct Join {
            Fix fix;
            Completion done;
            std::optional<QString> place;
            std::optional<Weather> weather;
            int waiting = 2;
        };
        auto join = std::make_shared<Join>();
        join->fix = *fix;
        join->done = done;
        auto oneDone = [join] {
            if (--join->waiting > 0) {
                return;
            }
            if (!join->place && !join->weather) {
                join->done(std::nullopt);
                return;
            }
            WeatherSnapshot snapshot;
            snapshot.latitude = join->fix.latitude;
            snapshot.longitude = join->fix.longitude;
            snapshot.placeName = join->place;
            if (join->weather) {
                snapshot.symbol = join->weather->symbol;
                snapshot.temp = join->weather->temp;
                snapshot.text = join->weather->text;
            }
            join->done(snapshot);
        };
        // Both lookups run at once: a capture costs one fix and the slower of the two.
        reverseGeocode(services, fix->latitude, fix->longitude, [join, oneDone](std::optional<QString> place) {
            join->place = std::move(place);
            oneDone();
        });
        fetchWeather(services, fix->latitude, fix->longitude, [join, oneDone](std::optional<Weather> weather) {
            join->weather = std::move(weather);
            oneDone();
        });
    });
}

void LocationWeatherManager::requestLocation(const Services& services, LocationDone done)
{
    // One slot for a waiting request: the earlier one gives up rather than wait for ever.
    finishLocation(0, std::nullopt);
    QGeoPositionInfoSource* source = services.positionSource ? services.positionSource(this) : nullptr;
    if (!source) {
        done(std::nullopt);
        return;
    }
    const quint64 id = ++m_lastRequest;
    m_location = PendingLocation{id, std::move(done), source};
    connect(source, &QGeoPositionInfoSource::positionUpdated, this, [this, id](const QGeoPositionInfo& info) {
        const QGeoCoordinate c = info.coordinate();
        finishLocation(id, info.isValid() && c.isValid() ? std::optional<Fix>(Fix{c.latitude(), c.longitude()})
                                                         : std::nullopt);
    });
    // Refused, no service, no fix: the error itself changes nothing for the entry.
    connect(source, &QGeoPositionInfoSource::errorOccurred, this,
            [this, id](QGeoPositionInfoSource::Error) { finishLocation(id, std::nullopt); });
    startWatchdog(services, id);
    if (source->error() != QGeoPositionInfoSource::NoError) {
        finishLocation(id, std::nullopt);
        return;
    }
    // Kilometre accuracy is plenty for a town and the weather; no satellite fix, no continuous updates.
    source->setPreferredPositioningMethods(QGeoPositionInfoSource::NonSatellitePositioningMethods);
    source->requestUpdate(services.locationTimeoutMs);
}

void LocationWeatherManager::startWatchdog(const Services& services, quint64 id)
{
    // The watchdog covers the whole request, a permission prompt included, and ends only its own
    // request: a later one that happens to be waiting when it fires is left alone.
    auto fire = [this, id] { finishLocation(id, std::nullopt); };
    if (services.startTimer) {
        services.startTimer(services.locationTimeoutMs, this, fire);
    } else {
        QTimer::singleShot(services.locationTimeoutMs, this, fire);
    }
}

void LocationWeatherManager::finishLocation(quint64 id, std::optional<Fix> fix)
{
    if (!m_location || (id != 0 && m_location->id != id)) {
        return;
    }
    // Taken out of the slot before it is answered, so whatever comes next finds nothing to end.
    PendingLocation pending = std::move(*m_location);
    m_location.reset();
    if (pending.source) {
        // Deleting the source stops whatever it still has under way.
        pending.source->disconnect(this);
        pending.source->deleteLater();
    }
    pending.done(fix);
}

void LocationWeatherManager::reverseGeocode(const Services& services, double latitude, double longitude,
                                            std::function<void(std::optional<QString>)> done)
{
    if (!services.placeName) {
        done(std::nullopt);
        return;
    }
    // The database is read on first use: off the GUI thread, so the window stays responsive.
    auto answer = std::make_shared<std::function<void(std::optional<QString>)>>(std::move(done));
    QThreadPool::globalInstance()->start([this, lookup = services.placeName, latitude, longitude, answer] {
        std::optional<QString> name = lookup(latitude, longitude);
        QMetaObject::invokeMethod(
            this, [answer, name = std::move(name)] { (*answer)(name); }, Qt::QueuedConnection);
    });
}

void LocationWeatherManager::fetchWeather(const Services& services, double latitude, double longitude,
                                          std::function<void(std::optional<Weather>)> done)
{
    const QUrl url = forecastUrl(services.forecastHost, services.forecastPort, latitude, longitude);
    if (!url.isValid()) {
        done(std::nullopt);
        return;
    }
    QNetworkRequest request(url);
    // A server that accepts and never answers must not hold the capture for ever.
    request.setTransferTimeout(services.transferTimeoutMs);
    if (services.sslConfiguration) {
        request.setSslConfiguration(*services.sslConfiguration);
    }
    QNetworkReply* reply = network()->get(request);
    // Qt holds no more than this of the reply, however fast it comes.
    reply->setReadBufferSize(kMaxForecastBytes + 1);
    const int timeoutMs = services.transferTimeoutMs;
    // Why the reply was cut off by this side; empty while it runs or when it ended by itself.
    auto cutOff = std::make_shared<QString>();
    const QPointer<QNetworkReply> guarded(reply);
    const auto cut = [guarded, cutOff](const QString& why) {
        if (guarded && guarded->isRunning() && cutOff->isEmpty()) {
            *cutOff = why;
            guarded->abort();
        }
    };
    const QString tooLarge = QStringLiteral("the reply is larger than %1").arg(vsp::megabytesText(kMaxForecastBytes));
    // The byte limit holds whether or not the server announces a length, before anything is parsed.
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply, cut, tooLarge] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kMaxForecastBytes) {
            cut(tooLarge);
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [reply, cut, tooLarge] {
        if (reply->bytesAvailable() > kMaxForecastBytes) {
            cut(tooLarge);
        }
    });
    // The transfer time-out restarts with every byte: a server trickling one byte a second would keep
    // the request open for ever. The deadline covers the whole request.
    auto deadline = [cut, guarded, host = url.host(), timeoutMs] {
        const bool started = guarded && guarded->bytesAvailable() > 0;
        cut((started ? QStringLiteral("the reply from %1 did not complete within %2 s")
                     : QStringLiteral("no answer from %1 within %2 s"))
                .arg(host)
                .arg(timeoutMs / 1000.0));
    };
    if (services.startTimer) {
        services.startTimer(timeoutMs, reply, deadline);
    } else {
        QTimer::singleShot(timeoutMs, reply, deadline);
    }
    connect(reply, &QNetworkReply::finished, this, [reply, timeoutMs, cutOff, done = std::move(done)] {
        reply->deleteLater();
        if (!cutOff->isEmpty()) {
            vsp::logFailure(QStringLiteral("weather fetch"), *cutOff);
            done(std::nullopt);
            return;
        }
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        // An HTTP error status still comes with a body, which is used when it reads as a forecast.
        if (reply->error() != QNetworkReply::NoError && !status.isValid()) {
            const QString why =
                reply->error() == QNetworkReply::OperationCanceledError
                    ? QStringLiteral("no answer from %1 within %2 s").arg(reply->url().host()).arg(timeoutMs / 1000.0)
                    : reply->errorString();
            vsp::logFailure(QStringLiteral("weather fetch"), why);
            done(std::nullopt);
            return;
        }
        QString error;
        std::optional<Weather> weather = decodeForecast(reply->readAll(), &error);
        if (!weather) {
            const int code = status.toInt();
            if (code < 200 || code > 299) {
                error += QStringLiteral(" (HTTP status %1)").arg(code);
            }
            vsp::logFailure(QStringLiteral("weather fetch"), error);
        }
        done(std::move(weather));
    });
}

QNetworkAccessManager* LocationWeatherManager::network()
{
    if (!m_network) {
        m_network = new QNetworkAccessManager;
    }
    return m_network;
}

void LocationWeatherManager::releaseAtExit()
{
    LocationWeatherManager& manager = shared();
    delete manager.m_network;
    manager.m_network = nullptr;
    if (manager.m_location) {
        delete manager.m_location->source.data();
        manager.m_location.reset();
    }
}

LocationWeatherManager::WeatherInfo LocationWeatherManager::weatherInfo(int code)
{
    auto info = [](const char* symbol, const char* text) {
        return WeatherInfo{QString::fromLatin1(symbol), QString::fromUtf8(text)};
    };
    switch (code) {
    case 0: return info("sun.max.fill", "Clear");
    case 1:
    case 2: return info("cloud.sun.fill", "Partly cloudy");
    case 3: return info("cloud.fill", "Cloudy");
    case 45:
    case 48: return info("cloud.fog.fill", "Fog");
    case 51:
    case 53:
    case 55: return info("cloud.drizzle.fill", "Drizzle");
    case 56:
    case 57: return info("cloud.sleet.fill", "Freezing drizzle");
    case 61:
    case 63:
    case 65: return info("cloud.rain.fill", "Rain");
    case 66:
    case 67: return info("cloud.sleet.fill", "Freezing rain");
    case 71:
    case 73:
    case 75:
    case 77: return info("cloud.snow.fill", "Snow");
    case 80:
    case 81:
    case 82: return info("cloud.heavyrain.fill", "Rain showers");
    case 85:
    case 86: return info("cloud.snow.fill", "Snow showers");
    case 95: return info("cloud.bolt.fill", "Thunderstorm");
    case 96:
    case 99: return info("cloud.bolt.rain.fill", "Thunderstorm");
    default: return info("cloud.fill", "—");
    }
}

QString LocationWeatherManager::coordinateText(double degrees)
{
    if (!std::isfinite(degrees)) {
        return {};
    }
    // Qt's own choice ('g') writes 0.0001 as "1e-04": the service's readers expect plain digits down to
    // there, and the exponent form only below it (and from 1e16 up).
    const double magnitude = std::abs(degrees);
    const bool exponent = magnitude != 0 && (magnitude < 1e-4 || magnitude >= 1e16);
    QString text = QString::number(degrees, exponent ? 'e' : 'f', QLocale::FloatingPointShortest);
    if (degrees == 0 && std::signbit(degrees)) {
        text = QStringLiteral("-0");
    }
    if (!text.contains(u'.') && !text.contains(u'e')) {
        text += QStringLiteral(".0");
    }
    return text;
}

QUrl LocationWeatherManager::forecastUrl(const QString& host, int port, double latitude, double longitude)
{
    const QString lat = coordinateText(latitude);
    const QString lon = coordinateText(longitude);
    if (host.isEmpty() || lat.isEmpty() || lon.isEmpty()) {
        return {};
    }
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    if (port >= 0) {
        url.setPort(port);
    }
    url.setPath(QStringLiteral("/v1/forecast"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("latitude"), lat);
    query.addQueryItem(QStringLiteral("longitude"), lon);
    query.addQueryItem(QStringLiteral("current"), QStringLiteral("temperature_2m,weather_code"));
    query.addQueryItem(QStringLiteral("temperature_unit"), QStringLiteral("celsius"));
    url.setQuery(query);
    return url.isValid() ? url : QUrl();
}

std::optional<LocationWeatherManager::Weather> LocationWeatherManager::decodeForecast(const QByteArray& body,
                                                                                      QString* error)
{
    auto fail = [error](const QString& why) -> std::optional<Weather> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return fail(QStringLiteral("the reply is not JSON (%1 at byte %2)")
                        .arg(parseError.errorString())
                        .arg(parseError.offset));
    }
    const QJsonValue current = document.object().value(QStringLiteral("current"));
    if (!current.isObject()) {
        return fail(QStringLiteral("the reply has no \"current\" object"));
    }
    const QJsonValue temperature = current.toObject().value(QStringLiteral("temperature_2m"));
    const QJsonValue code = current.toObject().value(QStringLiteral("weather_code"));
    if (!temperature.isDouble()) {
        return fail(QStringLiteral("\"current\" has no number \"temperature_2m\""));
    }
    if (!code.isDouble()) {
        return fail(QStringLiteral("\"current\" has no number \"weather_code\""));
    }
    // Stored into the entry's JSON later, where a value beyond a double has no form.
    const double celsius = temperature.toDouble();
    if (!std::isfinite(celsius)) {
        return fail(QStringLiteral("\"temperature_2m\" is not a finite number"));
    }
    const double wmo = code.toDouble();
    if (wmo != std::trunc(wmo) || wmo < std::numeric_limits<int>::min() || wmo > std::numeric_limits<int>::max()) {
        return fail(QStringLiteral("\"weather_code\" is not a whole number"));
    }
    const WeatherInfo info = weatherInfo(int(wmo));
    return Weather{info.symbol, celsius, info.text};
}
