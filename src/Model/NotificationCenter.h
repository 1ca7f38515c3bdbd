#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

/// The calendar fields a notification fires on, in local time. An absent field coarser than the finest
/// given one matches any value; an absent field finer than it is taken at its minimum (so hour 20 and
/// minute 0 fire every day at 20:00:00, and a full date with hour 9 and minute 0 fires once).
struct DateComponents {
    std::optional<int> year;
    std::optional<int> month;
    std::optional<int> day;
    std::optional<int> hour;
    std::optional<int> minute;
    std::optional<int> second;

    bool isEmpty() const { return !year && !month && !day && !hour && !minute && !second; }
    bool operator==(const DateComponents&) const = default;
};

/// One pending local notification.
struct NotificationRequest {
    /// Replaces any pending request with the same identifier.
    QString identifier;
    QString title;
    QString body;
    QMap<QString, QString> userInfo;
    DateComponents trigger;
    /// Fires at every matching time instead of once.
    bool repeats = false;

    bool operator==(const NotificationRequest&) const = default;
};

namespace vsp {
/// The first local time strictly after `after` that matches `components`; nothing when none ever will
/// (a date in the past, out-of-range fields, no field at all). Looks at most four years ahead.
std::optional<QDateTime> nextMatchingTime(const DateComponents& components, const QDateTime& after);
} // namespace vsp

/// Shows notifications on the desktop. The D-Bus layer implements it; tests record the calls.
class NotificationDelivery {
public:
    virtual ~NotificationDelivery() = default;
    /// Shows the request now as a banner, with the default sound when `withSound`. Failures are printed
    /// as one line.
    virtual void show(const NotificationRequest& request, bool withSound) = 0;
    /// Finds out whether notifications can be shown and calls `done` once, on the main thread, with the
    /// answer and, when they cannot, the reason.
    virtual void checkAvailability(std::function<void(bool available, const QString& reason)> done) = 0;
};

/// The application's own notification centre: pending requests kept in
/// $XDG_STATE_HOME/Vesperlog/notifications.json (written atomically, so they survive restarts), fired at
/// their next matching local time while the application runs and shown through a NotificationDelivery.
///
/// A repeating request stays pending for its next time; a one-off request is removed once shown. At
/// start(), a one-off request whose time passed while the application was not running is shown at once
/// when its day is today and dropped otherwise; repeating requests are never made up for. A clock set
/// back by more than a day is followed; smaller steps back are waited out, so nothing fires twice.
///
/// Adding and removing work before start() too (the file is read on first use); only start() arms the
/// timer. Main thread only.
class NotificationCenter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationCenter)

public:
    enum class AuthorizationStatus { NotDetermined, Denied, Authorized };
    Q_ENUM(AuthorizationStatus)
    /// How a notification is presented when it fires.
    enum class PresentationOption { Banner = 0x1, Sound = 0x2 };
    Q_DECLARE_FLAGS(PresentationOptions, PresentationOption)
    Q_FLAG(PresentationOptions)

    explicit NotificationCenter(QObject* parent = nullptr);
    ~NotificationCenter() override;

    /// The application-wide centre.
    static NotificationCenter& instance();

    /// $XDG_STATE_HOME/Vesperlog/notifications.json ($HOME/.local/state when XDG_STATE_HOME is unset).
    static QString defaultStateFile();
    /// Uses another file (tests); forgets what was loaded from the previous one.
    void setStateFile(const QString& path);
    QString stateFile() const;

    /// Where notifications are shown; not owned. Without one, firing prints one line instead.
    void setDelivery(NotificationDelivery* delivery) { m_delivery = delivery; }
    NotificationDelivery* delivery() const { return m_delivery; }

    /// How fired notifications are presented, also while the application is in front: a banner with
    /// the default sound unless changed. Without Banner nothing is shown (fired() is still emitted).
    void setPresentationOptions(PresentationOptions options) { m_presentation = options; }
    PresentationOptions presentationOptions() const { return m_presentation; }

    /// What a fired request shows while the journal is locked: the function gets each request as it
    /// fires and returns the request to hand to the delivery (the stored request is not changed).
    /// Empty (the default) hands every request on as it is.
    void setConcealment(std::function<NotificationRequest(const NotificationRequest&)> conceal)
    {
        m_conceal = std::move(conceal);
    }

    /// Replaces the clock (seconds since 2001-01-01 UTC); tests use it to reach a fire time. An empty
    /// function restores the system clock.
    void setClock(std::function<double()> clock);

    /// Reads the pending requests, handles those missed while the application was not running and arms
    /// the timer. Calling it again does nothing.
    void start();
    /// Disarms the timer, records how far due requests were handled and forgets the loaded state (the
    /// next use reads the file again).
    void stop();
    bool isRunning() const { return m_running; }

    /// Asks the delivery whether notifications can be shown; `done` (optional) gets the answer. A denial
    /// prints "Vesperlog: notification permission failed — <reason>".
    void requestAuthorization(std::function<void(bool granted)> done = {});
    AuthorizationStatus authorizationStatus() const { return m_authorization; }

    /// Adds the request, replacing a pending one with the same identifier, and saves. A request that
    /// never matches is kept pending all the same and never fires.
    void add(const NotificationRequest& request);
    /// Removes the pending requests with these identifiers; unknown identifiers are ignored. Shown
    /// notifications are not withdrawn.
    void removePendingRequests(const QStringList& identifiers);
    QList<NotificationRequest> pendingRequests();
    /// When the pending request fires next (seconds since 2001-01-01 UTC); nothing when it is not pending
    /// or will not fire.
    std::optional<double> nextFireDate(const QString& identifier);

    /// Fires every request due by now (the timer calls this).
    void processDueRequests();

    /// Why the state file is not written while it stays loaded: it is a link to a file that could not be
    /// read as the app's own ("notifications.json is a link to …; it is left unchanged"). Empty otherwise.
    QString leftUnchanged() const { return m_leftUnchanged; }

Q_SIGNALS:
    void pendingRequestsChanged();
    void leftUnchangedChanged();
    /// A request was handed to the delivery (or would have been, without one).
    void fired(const NotificationRequest& request);

private:
    double currentTime() const;
    void ensureLoaded();
    void save();
    void setLeftUnchanged(const QString& why);
    void arm();
    void fire(const NotificationRequest& request);
    void handleMissedAtLaunch(double now);
    void followClockSetBack(double now);

    QString m_stateFile;
    bool m_customStateFile = false;
    NotificationDelivery* m_delivery = nullptr;
    std::function<double()> m_clock;
    std::function<NotificationRequest(const NotificationRequest&)> m_conceal;
    QList<NotificationRequest> m_requests;
    /// Due requests up to this moment have been handled (seconds since 2001-01-01 UTC).
    double m_checkedUntil = 0;
    bool m_loaded = false;
    bool m_running = false;
    bool m_quitConnected = false;
    QString m_leftUnchanged;
    AuthorizationStatus m_authorization = AuthorizationStatus::NotDetermined;
    PresentationOptions m_presentation = PresentationOptions(PresentationOption::Banner) | PresentationOption::Sound;
    QTimer* m_timer;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(NotificationCenter::PresentationOptions)
