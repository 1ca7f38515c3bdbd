#pragma once

#include "Media/WeatherSnapshot.h"

#include <QObject>

#include <functional>
#include <optional>

/// Finds where the user is and the weather there, for a new entry.
///
/// Stand-in: this build has no location service, so every request is answered with nothing. The
/// interface is the final one; the location and forecast lookup replaces the default backend.
class LocationWeatherManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationWeatherManager)

public:
    using Completion = std::function<void(std::optional<WeatherSnapshot>)>;
    /// Answers one request by calling the completion once, on the main thread.
    using Backend = std::function<void(Completion)>;

    static LocationWeatherManager& shared();

    /// One location fix, then the place name and the current weather. `done` is called exactly once on
    /// the main thread, never before this call returns, with nothing when there is no location or both
    /// lookups fail; it is not called when `context` is destroyed first. Never fails.
    void fetchCurrent(QObject* context, Completion done);

    /// Replaces how requests are answered (tests, and the real service once it exists); an empty
    /// backend restores the default, which always answers nothing.
    void setBackend(Backend backend);

private:
    LocationWeatherManager() = default;
    Backend m_backend;
};
