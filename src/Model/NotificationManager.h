#pragma once

#include <QString>
#include <QUuid>

#include <optional>

class ReminderScheduler;
struct JournalEntry;
struct NotificationRequest;

/// The journal's two kinds of local notification, over NotificationCenter::instance(): the daily writing
/// reminder and one reminder at 09:00 on the day an entry expires. Static operations only; none reports
/// an error (a missing notification service is printed once per attempt by the centre). Main thread only.
class NotificationManager final {
public:
    NotificationManager() = delete;

    /// "com.vesperlog.dailyReminder".
    static QString dailyReminderIdentifier();
    /// "com.vesperlog.expiration." followed by the id in upper-case text.
    static QString expirationIdentifier(const QUuid& id);

    /// Asks whether notifications can be shown; the answer is not used here.
    static void requestPermission();
    /// Replaces the daily reminder "Time to write ✍️" with one at this local time, every day. Does not
    /// ask for permission.
    static void scheduleReminder(int hour, int minute);
    /// Removes the pending daily reminder; expiration reminders stay.
    static void removeDailyReminder();
    /// Replaces the entry's reminder "Entry expires today" (body: its title) with one at 09:00 local time
    /// on its expiration day, also when that moment has passed. Does nothing at all without an
    /// expiration date.
    static void scheduleExpiration(const JournalEntry& entry);
    /// Removes the pending expiration reminder of that entry, if any.
    static void cancelExpiration(const QUuid& id);
    /// The entry an expiration reminder's identifier names; nothing for any other identifier.
    static std::optional<QUuid> expirationEntryID(const QString& identifier);

    /// What a reminder may show on the desktop while the journal is locked: an expiration reminder says
    /// only "Entry expires today", with an empty body (nothing of the entry); the daily reminder holds
    /// nothing of the journal and is shown as it is.
    static NotificationRequest concealedWhileLocked(const NotificationRequest& request);

    /// The scheduler to hand to JournalStore::setReminderScheduler; it forwards to the two operations
    /// above. Lives for the whole process.
    static ReminderScheduler& reminderScheduler();
};
