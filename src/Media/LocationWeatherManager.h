#pragma once

#include "Media/WeatherSnapshot.h"

#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QUrl>

#include <functional>
#include <optional>

class QGeoPositionInfoSource;
class QNetworkAccessManager;

/// Finds where the user is and the weather there, for a new entry: one approximate location fix, then,
/// at the same time, the place name (looked up on this machine) and the current weather (one HTTPS
/// request to the forecast service, the only thing that leaves the machine). Nothing is retried and
/// nothing is shown to the user: a capture that finds nothing simply gives no snapshot.
///
/// Until `setServices` is called (the application does it at start-up with `liveServices()`) there is no
/// location service and every request is answered with nothing.
class LocationWeatherManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationWeatherManager)

public:
    using Completion = std::function<void(std::optional<WeatherSnapshot>)>;
    /// Answers one request by calling the completion once, on the main thread.
    using Backend = std::function<void(Completion)>;

    /// What a capture talks to: the desktop's in the application, fakes and a local server in tests.
    struct Services {
        /// Makes the location source for one request, owned by `parent`; an empty function or a null
        /// source means no location service, and the request ends with nothing at once.
        std::function<QGeoPositionInfoSource*(QObject* parent)> positionSource;
        /// The place name for a coordinate in degrees, or nothing; called on a worker thread.
        std::function<std::optional<QString>(double latitude, double longitude)> placeName;
        /// The forecast service: its host and port (-1: the HTTPS default) are used, the scheme is
        /// always HTTPS and the path always "/v1/forecast".
        QString forecastHost;
        int forecastPort = -1;
        /// The TLS settings of the forecast request (tests trust their own certificate this way);
        /// nothing means the system's.
        std::optional<QSslConfiguration> sslConfiguration;
        /// Milliseconds the forecast request may go without data, and the deadline of the whole request
        /// (a reply still arriving then is cut off). A reply over 1 MiB is cut off as well, unparsed.
        int transferTimeoutMs = 15000;
        /// Milliseconds a location request may wait for its fix, a permission prompt included.
        int locationTimeoutMs = 8000;
        /// Calls `fire` once, on the main thread, `ms` milliseconds from now, unless `context` is gone by
        /// then; empty means a QTimer. The location watchdog and the forecast deadline start through it;
        /// tests fire them themselves.
        std::function<void(int ms, QObject* context, std::function<void()> fire)> startTimer;
    };

    /// Symbol name and English text of a weather code.
    struct WeatherInfo {
        QString symbol;
        QString text;
        bool operator==(const WeatherInfo&) const = default;
    };

    /// The current weather as the forecast service reports it.
    struct Weather {
        QString symbol;
        /// Degrees Celsius, always finite.
        double temp = 0;
        QString text;
        bool operator==(const Weather&) const = default;
    };

    static LocationWeatherManager& shared();

    /// One location fix, then the place name and the current weather. `done` is called exactly once on
    /// the main thread, never before this call returns, with nothing when there is no location or both
    /// lookups fail; it is not called when `context` is destroyed first. A request still waiting for
    /// its fix when another one starts ends at once with nothing. Never fails.
    void fetchCurrent(QObject* context, Completion done);

    /// Replaces how requests are answered as a whole (tests of the windows that show the weather); an
    /// empty backend restores the capture through the services.
    void setBackend(Backend backend);

    /// Replaces what captures talk to; a request already under way keeps the services it started with.
    void setServices(Services services);

    /// The desktop's services: GeoClue through Qt Positioning (with this application's desktop entry
    /// as "desktopId"), Debian's geonames database for place names, and the forecast host this build
    /// was configured with.
    static Services liveServices();

    /// Maps a WMO weather interpretation code to a symbol name and a short text; a code outside the
    /// table (negative ones too) gives "cloud.fill" and "—". Pure.
    static WeatherInfo weatherInfo(int code);

    /// A coordinate in degrees as the forecast query writes it: the shortest digits that read back to
    /// the same value, a whole number with ".0" ("2.0"), magnitudes below 0.0001 in exponent form
    /// ("5e-05"). Empty for a value that is not finite.
    static QString coordinateText(double degrees);

    /// The forecast request's address for a coordinate in degrees; invalid when either is not finite.
    static QUrl forecastUrl(const QString& host, int port, double latitude, double longitude);

    /// Reads a forecast reply's body. On failure returns nothing and sets `error` to what was wrong.
    static std::optional<Weather> decodeForecast(const QByteArray& body, QString* error);

private:
    /// A location fix in degrees.
    struct Fix {
        double latitude = 0;
        double longitude = 0;
    };
    using LocationDone = std::function<void(std::optional<Fix>)>;
    struct PendingLocation {
        quint64 id = 0;
        LocationDone done;
        QPointer<QGeoPositionInfoSource> source;
    };

    LocationWeatherManager();
    void capture(Completion done);
    void requestLocation(const Services& services, LocationDone done);
    void startWatchdog(const Services& services, quint64 id);
    /// Ends the request `id` with `fix` when it is still the waiting one; does nothing otherwise, so
    /// every request is answered exactly once whatever ends it first. `id` 0 ends whichever waits.
    void finishLocation(quint64 id, std::optional<Fix> fix);
    void reverseGeocode(const Services& services, double latitude, double longitude,
                        std::function<void(std::optional<QString>)> done);
    void fetchWeather(const Services& services, double latitude, double longitude,
                      std::function<void(std::optional<Weather>)> done);
    QNetworkAccessManager* network();
    static void releaseAtExit();

    Backend m_backend;
    Services m_services;
    std::optional<PendingLocation> m_location;
    quint64 m_lastRequest = 0;
    QNetworkAccessManager* m_network = nullptr;
};
