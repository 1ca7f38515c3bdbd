#pragma once

#include <QDateTime>
#include <QGeoPositionInfoSource>
#include <QTimer>

#include <optional>

namespace vsp::test {

/// A location source that answers only what a test tells it: a refusal as GeoClue gives one, a fix the
/// test delivers, or a fix of its own on the next turn of the event loop.
class FakePositionSource final : public QGeoPositionInfoSource {
public:
    explicit FakePositionSource(QObject* parent, bool refuses = false)
        : QGeoPositionInfoSource(parent),
          m_refuses(refuses)
    { }

    /// Answered with on the next turn of the event loop after each requestUpdate().
    std::optional<QGeoCoordinate> fixOnRequest;
    /// The time-out of the last requestUpdate() in milliseconds; -1 before any.
    int requestedTimeout = -1;

    void setUpdateInterval(int) override { }
    QGeoPositionInfo lastKnownPosition(bool) const override { return {}; }
    PositioningMethods supportedPositioningMethods() const override { return AllPositioningMethods; }
    int minimumUpdateInterval() const override { return 0; }
    Error error() const override { return m_error; }
    void startUpdates() override { }
    void stopUpdates() override { }
    void requestUpdate(int timeout) override
    {
        requestedTimeout = timeout;
        if (m_refuses) {
            m_error = AccessError;
            Q_EMIT errorOccurred(m_error);
        } else if (fixOnRequest) {
            QTimer::singleShot(0, this, [this, fix = *fixOnRequest] { deliver(fix.latitude(), fix.longitude()); });
        }
    }

    void deliver(double latitude, double longitude)
    {
        // A fix needs a valid time to count as one; which time does not matter here.
        const QDateTime taken(QDate(2026, 6, 15), QTime(12, 0), Qt::UTC);
        Q_EMIT positionUpdated(QGeoPositionInfo(QGeoCoordinate(latitude, longitude), taken));
    }

private:
    bool m_refuses = false;
    Error m_error = NoError;
};

} // namespace vsp::test
