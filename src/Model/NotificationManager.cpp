#include "Model/NotificationManager.h"

#include "Model/Dates.h"
#include "Model/JournalEntry.h"
#include "Model/NotificationCenter.h"
#include "Model/ReminderScheduler.h"
#include "Model/Uuid.h"

namespace {

const QString kExpirationPrefix = QStringLiteral("com.vesperlog.expiration.");
const QString kExpirationTitle = QStringLiteral("Entry expires today");

class NotificationReminderScheduler final : public ReminderScheduler {
public:
    void scheduleExpiration(const JournalEntry& entry) override { NotificationManager::scheduleExpiration(entry); }
    void cancelExpiration(const QUuid& id) override { NotificationManager::cancelExpiration(id); }
};

} // namespace

QString NotificationManager::dailyReminderIdentifier()
{
    return QStringLiteral("com.vesperlog.dailyReminder");
}

QString NotificationManager::expirationIdentifier(const QUuid& id)
{
    return kExpirationPrefix + vsp::uuidText(id);
}

std::optional<QUuid> NotificationManager::expirationEntryID(const QString& identifier)
{
    if (!identifier.startsWith(kExpirationPrefix)) {
        return std::nullopt;
    }
    return vsp::parseUuid(QStringView(identifier).mid(kExpirationPrefix.size()));
}

NotificationRequest NotificationManager::concealedWhileLocked(const NotificationRequest& request)
{
    if (!expirationEntryID(request.identifier)) {
        return request;
    }
    NotificationRequest concealed = request;
    concealed.title = kExpirationTitle;
    concealed.body.clear();
    return concealed;
}

void NotificationManager::requestPermission()
{
    NotificationCenter::instance().requestAuthorization();
}

void NotificationManager::scheduleReminder(int hour, int minute)
{
    NotificationCenter& centre = NotificationCenter::instance();
    centre.removePendingRequests({dailyReminderIdentifier()});
    NotificationRequest request;
    request.identifier = dailyReminderIdentifier();
    request.title = QStringLiteral("Time to write \u270D\uFE0F");
    request.body = QStringLiteral("Take a moment to reflect on your day.");
    request.trigger.hour = hour;
    request.trigger.minute = minute;
    request.repeats = true;
    centre.add(request);
}

void NotificationManager::removeDailyReminder()
{
    NotificationCenter::instance().removePendingRequests({dailyReminderIdentifier()});
}

void NotificationManager::scheduleExpiration(const JournalEntry& entry)
{
    if (!entry.expirationDate) {
        return;
    }
    requestPermission();
    NotificationCenter& centre = NotificationCenter::instance();
    const QString identifier = expirationIdentifier(entry.id);
    centre.removePendingRequests({identifier});
    NotificationRequest request;
    request.identifier = identifier;
    request.title = kExpirationTitle;
    request.body = entry.title;
    request.userInfo.insert(QStringLiteral("entryID"), vsp::uuidText(entry.id));
    const QDate day = vsp::localDate(*entry.expirationDate);
    request.trigger.year = day.year();
    request.trigger.month = day.month();
    request.trigger.day = day.day();
    request.trigger.hour = 9;
    request.trigger.minute = 0;
    request.repeats = false;
    centre.add(request);
}

void NotificationManager::cancelExpiration(const QUuid& id)
{
    NotificationCenter::instance().removePendingRequests({expirationIdentifier(id)});
}

ReminderScheduler& NotificationManager::reminderScheduler()
{
    static NotificationReminderScheduler scheduler;
    return scheduler;
}
