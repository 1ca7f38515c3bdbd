#include "Model/ClockTimer.h"

#include "Model/JournalStore.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

ClockTimer::ClockTimer(const JournalStore& store, int intervalMs, QObject* parent)
    : QObject(parent),
      m_store(store),
      m_interval(std::max(intervalMs, 0)),
      m_wake(new QTimer(this))
{
    m_wake->setSingleShot(true);
    // A coarse timer may wake a little early; a precise one never does, so the system clock has
    // always reached the moment when it wakes.
    m_wake->setTimerType(Qt::PreciseTimer);
    connect(m_wake, &QTimer::timeout, this, &ClockTimer::check);
    connect(&store, &JournalStore::clockMoved, this, [this] {
        if (m_due) {
            check();
        }
    });
}

void ClockTimer::start()
{
    m_due = m_store.now() + m_interval / 1000.0;
    m_wake->start(m_interval);
}

void ClockTimer::stop()
{
    m_due.reset();
    m_wake->stop();
}

void ClockTimer::check()
{
    if (!m_due) {
        return;
    }
    const double left = *m_due - m_store.now();
    if (left > 0) {
        // A clock that stands still (a test's) keeps the timer asleep, waking now and then to look.
        m_wake->start(std::max(1, int(std::ceil(left * 1000))));
        return;
    }
    m_due.reset();
    m_wake->stop();
    Q_EMIT timeout();
}
