#include "Media/LocationWeatherManager.h"

#include <QPointer>
#include <QTimer>

LocationWeatherManager& LocationWeatherManager::shared()
{
    static LocationWeatherManager manager;
    return manager;
}

void LocationWeatherManager::setBackend(Backend backend)
{
    m_backend = std::move(backend);
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
            deliver(std::nullopt);
        }
    });
}
