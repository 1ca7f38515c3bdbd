#pragma once

#include <QObject>

#include <optional>

class JournalStore;
class QTimer;

/// A one-shot timer that goes by the store's clock. start() waits `interval` milliseconds of that
/// clock (never fewer) and then emits timeout() once; start() again begins the wait anew, stop()
/// cancels it. It wakes on a precise QTimer, so with the system clock it fires on time; under a clock a
/// test sets, it fires when JournalStore::clockMoved() says the clock has reached its moment (or at a
/// later wake-up that finds it there), never because real time passed.
class ClockTimer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClockTimer)

public:
    /// `intervalMs` is at least 0; the store must outlive the timer.
    ClockTimer(const JournalStore& store, int intervalMs, QObject* parent = nullptr);

    void start();
    void stop();
    bool isActive() const { return m_due.has_value(); }
    int interval() const { return m_interval; }

Q_SIGNALS:
    void timeout();

private:
    /// Fires when the clock has reached the moment; otherwise sleeps until it should have.
    void check();

    const JournalStore& m_store;
    int m_interval;
    /// The store's moment (seconds) the wait ends at; empty while stopped.
    std::optional<double> m_due;
    QTimer* m_wake;
};
