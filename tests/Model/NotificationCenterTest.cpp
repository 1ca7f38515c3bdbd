#include "NotificationCenterTest.h"

#include "common/TestSupport.h"

#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/NotificationCenter.h"
#include "Model/NotificationManager.h"
#include "Model/Uuid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <ctime>
#include <memory>

using namespace vsp;

namespace {

/// Records what would be shown on the desktop.
class FakeDelivery final : public NotificationDelivery {
public:
    QList<NotificationRequest> shown;
    QList<bool> sounds;
    bool available = true;
    QString reason;

    void show(const NotificationRequest& request, bool withSound) override
    {
        shown.append(request);
        sounds.append(withSound);
    }
    void checkAvailability(std::function<void(bool, const QString&)> done) override { done(available, reason); }
};

double local(const QDate& day, int hour, int minute = 0, int second = 0)
{
    return fromDateTime(QDateTime(day, QTime(hour, minute, second)));
}

DateComponents daily(int hour, int minute)
{
    DateComponents c;
    c.hour = hour;
    c.minute = minute;
    return c;
}

DateComponents onDay(const QDate& day, int hour, int minute = 0)
{
    DateComponents c;
    c.year = day.year();
    c.month = day.month();
    c.day = day.day();
    c.hour = hour;
    c.minute = minute;
    return c;
}

NotificationRequest request(const QString& identifier, const DateComponents& trigger, bool repeats)
{
    NotificationRequest r;
    r.identifier = identifier;
    r.title = QStringLiteral("Title ") + identifier;
    r.body = QStringLiteral("Body");
    r.trigger = trigger;
    r.repeats = repeats;
    return r;
}

JournalEntry expiringEntry(const QString& title, std::optional<double> expiration)
{
    JournalEntry e = JournalEntry::create();
    e.title = title;
    e.expirationDate = expiration;
    return e;
}

QString stateFileIn(const QString& name)
{
    return test::testHome() + QStringLiteral("/state/") + name + QStringLiteral("/notifications.json");
}

const QDate kDay(2026, 3, 10); // no daylight-saving change near it in any zone the tests run in

/// Noon of kDay, standing still: the clock of every test that sets none, so "days from now" never depend
/// on the day the tests run.
std::function<double()> noonOfKDay()
{
    test::ManualClock clock;
    *clock.now = local(kDay, 12);
    return clock.function();
}

} // namespace

void NotificationCenterTest::init()
{
    NotificationCenter::instance().stop();
    NotificationCenter::instance().setDelivery(nullptr);
    NotificationCenter::instance().setClock(noonOfKDay());
    test::resetUserFolders();
}

void NotificationCenterTest::cleanup()
{
    NotificationCenter::instance().stop();
    NotificationCenter::instance().setClock({});
}

// ---------------------------------------------------------------- matching times

void NotificationCenterTest::nextMatchingTime_data()
{
    QTest::addColumn<DateComponents>("components");
    QTest::addColumn<QDateTime>("after");
    QTest::addColumn<QDateTime>("expected"); // invalid: never

    const QDateTime morning(kDay, QTime(8, 0));
    QTest::newRow("daily later today") << daily(20, 0) << morning << QDateTime(kDay, QTime(20, 0));
    QTest::newRow("daily at the moment itself: tomorrow")
        << daily(20, 0) << QDateTime(kDay, QTime(20, 0)) << QDateTime(kDay.addDays(1), QTime(20, 0));
    QTest::newRow("daily passed today: tomorrow")
        << daily(7, 30) << morning << QDateTime(kDay.addDays(1), QTime(7, 30));
    QTest::newRow("daily at midnight") << daily(0, 0) << morning << QDateTime(kDay.addDays(1), QTime(0, 0));
    QTest::newRow("one day, ahead") << onDay(kDay.addDays(3), 9) << morning << QDateTime(kDay.addDays(3), QTime(9, 0));
    QTest::newRow("one day, later today") << onDay(kDay, 9) << morning << QDateTime(kDay, QTime(9, 0));
    QTest::newRow("one day, passed") << onDay(kDay, 7) << morning << QDateTime();
    QTest::newRow("one day, yesterday") << onDay(kDay.addDays(-1), 9) << morning << QDateTime();
    DateComponents minuteOnly;
    minuteOnly.minute = 30;
    QTest::newRow("minute only: every hour")
        << minuteOnly << QDateTime(kDay, QTime(10, 45)) << QDateTime(kDay, QTime(11, 30));
    DateComponents hourOnly;
    hourOnly.hour = 9;
    QTest::newRow("hour only: on the hour") << hourOnly << morning << QDateTime(kDay, QTime(9, 0));
    DateComponents leapDay;
    leapDay.month = 2;
    leapDay.day = 29;
    leapDay.hour = 9;
    leapDay.minute = 0;
    QTest::newRow("29 February: next leap year") << leapDay << morning << QDateTime(QDate(2028, 2, 29), QTime(9, 0));
    DateComponents impossible = onDay(QDate(2027, 1, 1), 9);
    impossible.day = 31;
    impossible.month = 2;
    QTest::newRow("31 February never") << impossible << morning << QDateTime();
    QTest::newRow("hour 24 never") << daily(24, 0) << morning << QDateTime();
    QTest::newRow("minute 60 never") << daily(8, 60) << morning << QDateTime();
    QTest::newRow("negative hour never") << daily(-1, 0) << morning << QDateTime();
    QTest::newRow("nothing given never") << DateComponents() << morning << QDateTime();
}

void NotificationCenterTest::nextMatchingTime()
{
    QFETCH(DateComponents, components);
    QFETCH(QDateTime, after);
    QFETCH(QDateTime, expected);

    const auto next = vsp::nextMatchingTime(components, after);

    if (!expected.isValid()) {
        QVERIFY2(!next, qPrintable(next ? next->toString(Qt::ISODate) : QString()));
    } else {
        QVERIFY(next);
        QCOMPARE(*next, expected);
    }
}

void NotificationCenterTest::nextMatchingTime_acrossDaylightSavingChanges_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<DateComponents>("components");
    QTest::addColumn<QString>("after"); // with its offset
    QTest::addColumn<QString>("expected"); // with its offset

    // Europe/Berlin skips 02:00-03:00 on 29 March 2026 and repeats 02:00-03:00 on 25 October 2026.
    QTest::newRow("Berlin, time in the gap: as far into the day")
        << QByteArray("Europe/Berlin") << daily(2, 30) << QStringLiteral("2026-03-29T00:10:00+01:00")
        << QStringLiteral("2026-03-29T03:30:00+02:00");
    QTest::newRow("Berlin, day after the gap")
        << QByteArray("Europe/Berlin") << daily(2, 30) << QStringLiteral("2026-03-29T04:00:00+02:00")
        << QStringLiteral("2026-03-30T02:30:00+02:00");
    QTest::newRow("Berlin, repeated hour: fires at its first pass")
        << QByteArray("Europe/Berlin") << daily(2, 30) << QStringLiteral("2026-10-25T00:10:00+02:00")
        << QStringLiteral("2026-10-25T02:30:00+02:00");
    QTest::newRow("Berlin, repeated hour: not again at its second pass")
        << QByteArray("Europe/Berlin") << daily(2, 30) << QStringLiteral("2026-10-25T02:30:01+02:00")
        << QStringLiteral("2026-10-26T02:30:00+01:00");
    QTest::newRow("Berlin, evening reminder on the short day")
        << QByteArray("Europe/Berlin") << daily(20, 0) << QStringLiteral("2026-03-29T00:10:00+01:00")
        << QStringLiteral("2026-03-29T20:00:00+02:00");
    // America/Santiago skips the midnight of 6 September 2026: the day starts at 01:00.
    QTest::newRow("Santiago, time in a gap at midnight: that day")
        << QByteArray("America/Santiago") << daily(0, 30) << QStringLiteral("2026-09-05T12:00:00-04:00")
        << QStringLiteral("2026-09-06T01:30:00-03:00");
    QTest::newRow("Santiago, expiration morning on the day without midnight")
        << QByteArray("America/Santiago") << onDay(QDate(2026, 9, 6), 9) << QStringLiteral("2026-09-05T12:00:00-04:00")
        << QStringLiteral("2026-09-06T09:00:00-03:00");
}

void NotificationCenterTest::nextMatchingTime_acrossDaylightSavingChanges()
{
    QFETCH(QByteArray, zone);
    QFETCH(DateComponents, components);
    QFETCH(QString, after);
    QFETCH(QString, expected);

    const QByteArray savedZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", zone);
    tzset();
    const auto restore = qScopeGuard([&] {
        if (hadZone) {
            qputenv("TZ", savedZone);
        } else {
            qunsetenv("TZ");
        }
        tzset();
    });

    const QDateTime from = QDateTime::fromString(after, Qt::ISODate).toLocalTime();
    const QDateTime wanted = QDateTime::fromString(expected, Qt::ISODate);
    QVERIFY(from.isValid() && wanted.isValid());

    // Which pass through a repeated hour the C library picks for a wall-clock time depends on what it
    // converted last: make it standard time.
    (void)QDateTime(QDate(2026, 12, 1), QTime(12, 0)).toMSecsSinceEpoch();
    const auto next = vsp::nextMatchingTime(components, from);

    QVERIFY(next);
    QCOMPARE(next->toUTC(), wanted.toUTC());
}

// ---------------------------------------------------------------- the manager's requests

void NotificationCenterTest::dailyReminder_scheduledTwice_leavesOneWithTheSecondTime()
{
    NotificationManager::scheduleReminder(20, 0);
    NotificationManager::scheduleReminder(7, 45);

    const QList<NotificationRequest> pending = NotificationCenter::instance().pendingRequests();
    QCOMPARE(pending.size(), 1);
    const NotificationRequest& r = pending.first();
    QCOMPARE(r.identifier, QStringLiteral("com.vesperlog.dailyReminder"));
    QCOMPARE(r.title, QStringLiteral("Time to write \u270D\uFE0F"));
    QCOMPARE(r.body, QStringLiteral("Take a moment to reflect on your day."));
    QCOMPARE(r.trigger, daily(7, 45));
    QVERIFY(r.repeats);
    QVERIFY(r.userInfo.isEmpty());
}

void NotificationCenterTest::dailyReminder_removal_keepsExpirationReminders()
{
    const JournalEntry e = expiringEntry(QStringLiteral("Milk"), local(kDay.addDays(3), 12));
    NotificationManager::scheduleReminder(20, 0);
    NotificationManager::scheduleExpiration(e);

    NotificationManager::removeDailyReminder();

    const QList<NotificationRequest> pending = NotificationCenter::instance().pendingRequests();
    QCOMPARE(pending.size(), 1);
    QCOMPARE(pending.first().identifier, NotificationManager::expirationIdentifier(e.id));
}

void NotificationCenterTest::expiration_request_hasTitleBodyUserInfoAndMorningTrigger()
{
    const QDate day = kDay.addDays(5);
    const JournalEntry e = expiringEntry(QStringLiteral("Return the book"), local(day, 17, 45));

    NotificationManager::scheduleExpiration(e);

    const QList<NotificationRequest> pending = NotificationCenter::instance().pendingRequests();
    QCOMPARE(pending.size(), 1);
    const NotificationRequest& r = pending.first();
    QCOMPARE(r.identifier, QStringLiteral("com.vesperlog.expiration.") + uuidText(e.id));
    QVERIFY(r.identifier.endsWith(r.identifier.right(36).toUpper()));
    QCOMPARE(r.title, QStringLiteral("Entry expires today"));
    QCOMPARE(r.body, QStringLiteral("Return the book"));
    QCOMPARE(r.userInfo, (QMap<QString, QString>{{QStringLiteral("entryID"), uuidText(e.id)}}));
    QCOMPARE(r.trigger, onDay(day, 9, 0));
    QVERIFY(!r.repeats);
    QCOMPARE(NotificationCenter::instance().nextFireDate(r.identifier), local(day, 9));

    // An empty title gives an empty body.
    NotificationManager::scheduleExpiration(expiringEntry(QString(), local(day, 12)));
    const QList<NotificationRequest> both = NotificationCenter::instance().pendingRequests();
    QCOMPARE(both.size(), 2);
    QCOMPARE(both.last().body, QString());
}

void NotificationCenterTest::expiration_movedToAnotherDay_leavesOneRequest()
{
    JournalEntry e = expiringEntry(QStringLiteral("Move me"), local(kDay.addDays(2), 12));
    NotificationManager::scheduleExpiration(e);
    const QDate later = kDay.addDays(9);
    e.expirationDate = local(later, 8);

    NotificationManager::scheduleExpiration(e);

    const QList<NotificationRequest> pending = NotificationCenter::instance().pendingRequests();
    QCOMPARE(pending.size(), 1);
    QCOMPARE(pending.first().trigger, onDay(later, 9, 0));
}

void NotificationCenterTest::expiration_withoutDate_changesNothing()
{
    JournalEntry e = expiringEntry(QStringLiteral("Keep"), local(kDay.addDays(2), 12));
    NotificationManager::scheduleExpiration(e);
    QSignalSpy changed(&NotificationCenter::instance(), &NotificationCenter::pendingRequestsChanged);
    e.expirationDate.reset();

    NotificationManager::scheduleExpiration(e);

    QCOMPARE(changed.count(), 0);
    QCOMPARE(NotificationCenter::instance().pendingRequests().size(), 1);
}

void NotificationCenterTest::expiration_cancel_removesOnlyThatEntry()
{
    const JournalEntry a = expiringEntry(QStringLiteral("a"), local(kDay.addDays(2), 12));
    const JournalEntry b = expiringEntry(QStringLiteral("b"), local(kDay.addDays(3), 12));
    NotificationManager::scheduleExpiration(a);
    NotificationManager::scheduleExpiration(b);

    NotificationManager::cancelExpiration(a.id);
    NotificationManager::cancelExpiration(newUuid()); // unknown: ignored

    const QList<NotificationRequest> pending = NotificationCenter::instance().pendingRequests();
    QCOMPARE(pending.size(), 1);
    QCOMPARE(pending.first().identifier, NotificationManager::expirationIdentifier(b.id));
}

void NotificationCenterTest::expiration_alreadyPastToday_isAddedButNeverFires()
{
    NotificationCenter& centre = NotificationCenter::instance();
    FakeDelivery delivery;
    centre.setDelivery(&delivery);
    vsp::test::ManualClock clock;
    *clock.now = local(kDay, 10, 15);
    centre.setClock(clock.function());
    centre.start();
    const JournalEntry e = expiringEntry(QStringLiteral("Today"), local(kDay, 18));

    NotificationManager::scheduleExpiration(e);

    QCOMPARE(centre.pendingRequests().size(), 1);
    QCOMPARE(centre.pendingRequests().first().trigger, onDay(kDay, 9, 0));
    QCOMPARE(centre.nextFireDate(NotificationManager::expirationIdentifier(e.id)), std::nullopt);
    *clock.now = local(kDay, 23);
    centre.processDueRequests();
    QVERIFY(delivery.shown.isEmpty());
}

void NotificationCenterTest::store_keepsExpirationRemindersInStep()
{
    JournalStore store(noonOfKDay());
    store.setReminderScheduler(&NotificationManager::reminderScheduler());
    NotificationCenter& centre = NotificationCenter::instance();
    JournalEntry e = expiringEntry(QStringLiteral("Soon"), local(kDay.addDays(4), 12));

    store.addEntry(e);
    QCOMPARE(centre.pendingRequests().size(), 1);
    QCOMPARE(centre.pendingRequests().first().body, QStringLiteral("Soon"));

    e.title = QStringLiteral("Renamed");
    store.updateEntry(e);
    QCOMPARE(centre.pendingRequests().size(), 1);
    QCOMPARE(centre.pendingRequests().first().body, QStringLiteral("Renamed"));

    e.expirationDate.reset();
    store.updateEntry(e);
    QVERIFY(centre.pendingRequests().isEmpty());

    e.expirationDate = local(kDay.addDays(6), 12);
    store.updateEntry(e);
    QCOMPARE(centre.pendingRequests().size(), 1);
    store.deleteEntry(e);
    QVERIFY(centre.pendingRequests().isEmpty());
}

// ---------------------------------------------------------------- the centre's life

void NotificationCenterTest::requests_surviveRestart_inTheStateFolder()
{
    QCOMPARE(NotificationCenter::defaultStateFile(), stateFileIn(QStringLiteral("Vesperlog")));
    NotificationManager::scheduleReminder(21, 5);
    NotificationRequest custom = request(QStringLiteral("custom"), onDay(kDay.addDays(30), 9), false);
    custom.userInfo.insert(QStringLiteral("k\"ey"), QStringLiteral("v\u00e4lue\n"));
    custom.title = QStringLiteral("Emoji \U0001F319");
    NotificationCenter::instance().add(custom);
    const QList<NotificationRequest> before = NotificationCenter::instance().pendingRequests();
    QVERIFY(QFileInfo::exists(stateFileIn(QStringLiteral("Vesperlog"))));
    // Nothing of this goes to the journal folder.
    QVERIFY(!QFileInfo::exists(test::testHome() + QStringLiteral("/data/Vesperlog/notifications.json")));

    NotificationCenter::instance().stop();
    NotificationCenter::instance().start();

    QCOMPARE(NotificationCenter::instance().pendingRequests(), before);
    NotificationCenter other;
    QCOMPARE(other.pendingRequests(), before);
}

void NotificationCenterTest::timer_firesDueRequests_keepsRepeatingOnes()
{
    NotificationCenter centre;
    centre.setStateFile(stateFileIn(QStringLiteral("timer")));
    FakeDelivery delivery;
    centre.setDelivery(&delivery);
    // The clock stands at 0.3 s before 20:00 while the requests are added and the centre starts, and
    // only then passes 20:00, so the timer, not the launch, is what fires them.
    test::ManualClock clock;
    *clock.now = local(kDay, 20) - 0.3;
    centre.setClock(clock.function());
    centre.add(request(QStringLiteral("daily"), daily(20, 0), true));
    centre.add(request(QStringLiteral("once"), onDay(kDay, 20), false));
    centre.add(request(QStringLiteral("later"), onDay(kDay, 21), false));
    QSignalSpy fired(&centre, &NotificationCenter::fired);

    centre.start();
    QVERIFY(delivery.shown.isEmpty());
    const auto* timer = centre.findChild<QTimer*>(QStringLiteral("notificationTimer"));
    QVERIFY(timer && timer->isActive());
    // It wakes at 20:00, not at its once-a-minute check.
    QVERIFY(timer->interval() <= 1000);
    *clock.now += 0.3;
    QVERIFY(test::fireTimer(centre, QStringLiteral("notificationTimer")));
    QCOMPARE(delivery.shown.size(), 2);

    QCOMPARE(fired.count(), 2);
    QCOMPARE(delivery.sounds, (QList<bool>{true, true}));
    QStringList shown{delivery.shown[0].identifier, delivery.shown[1].identifier};
    shown.sort();
    QCOMPARE(shown, (QStringList{QStringLiteral("daily"), QStringLiteral("once")}));
    QCOMPARE(delivery.shown[0].title, QStringLiteral("Title ") + delivery.shown[0].identifier);
    QStringList pending;
    for (const NotificationRequest& r : centre.pendingRequests()) {
        pending.append(r.identifier);
    }
    QCOMPARE(pending, (QStringList{QStringLiteral("daily"), QStringLiteral("later")}));
    QCOMPARE(centre.nextFireDate(QStringLiteral("daily")), local(kDay.addDays(1), 20));
    // The one-off is gone from the file too.
    centre.stop();
    NotificationCenter reread;
    reread.setStateFile(stateFileIn(QStringLiteral("timer")));
    QCOMPARE(reread.pendingRequests().size(), 2);
}

void NotificationCenterTest::launch_handlesRequestsMissedWhileNotRunning_data()
{
    QTest::addColumn<int>("addedDay"); // days from kDay when the request was added
    QTest::addColumn<int>("addedHour");
    QTest::addColumn<int>("triggerDay"); // days from kDay of the trigger; -100: daily
    QTest::addColumn<int>("triggerHour");
    QTest::addColumn<int>("launchHour"); // on kDay
    QTest::addColumn<bool>("shownAtLaunch");
    QTest::addColumn<bool>("stillPending");

    QTest::newRow("expiration of today, missed: shown") << 0 << 7 << 0 << 9 << 10 << true << false;
    QTest::newRow("expiration of yesterday, missed: dropped") << -1 << 7 << -1 << 9 << 10 << false << false;
    QTest::newRow("expiration of today, not yet due: kept") << 0 << 7 << 0 << 9 << 8 << false << true;
    QTest::newRow("already past when added: dropped unseen") << 0 << 10 << 0 << 9 << 11 << false << false;
    QTest::newRow("daily, missed: not made up, kept") << 0 << 7 << -100 << 9 << 10 << false << true;
    QTest::newRow("daily, missed for days: kept") << -5 << 7 << -100 << 9 << 10 << false << true;
}

void NotificationCenterTest::launch_handlesRequestsMissedWhileNotRunning()
{
    QFETCH(int, addedDay);
    QFETCH(int, addedHour);
    QFETCH(int, triggerDay);
    QFETCH(int, triggerHour);
    QFETCH(int, launchHour);
    QFETCH(bool, shownAtLaunch);
    QFETCH(bool, stillPending);
    const QString file = stateFileIn(QStringLiteral("launch"));
    vsp::test::ManualClock clock;
    const NotificationRequest r =
        triggerDay == -100 ? request(QStringLiteral("r"), daily(triggerHour, 0), true)
                           : request(QStringLiteral("r"), onDay(kDay.addDays(triggerDay), triggerHour), false);
    {
        NotificationCenter earlier;
        earlier.setStateFile(file);
        earlier.setClock(clock.function());
        *clock.now = local(kDay.addDays(addedDay), addedHour);
        earlier.start();
        earlier.add(r);
        earlier.stop();
    }
    *clock.now = local(kDay, launchHour);
    NotificationCenter centre;
    centre.setStateFile(file);
    centre.setClock(clock.function());
    FakeDelivery delivery;
    centre.setDelivery(&delivery);

    centre.start();

    QCOMPARE(delivery.shown.size(), shownAtLaunch ? 1 : 0);
    if (shownAtLaunch) {
        QCOMPARE(delivery.shown.first(), r);
    }
    QCOMPARE(centre.pendingRequests().size(), stillPending ? 1 : 0);
    centre.stop();
}

void NotificationCenterTest::clockSetBack_remindersKeepFiring_data()
{
    QTest::addColumn<bool>("whileRunning");
    QTest::newRow("between two runs") << false;
    QTest::newRow("while running") << true;
}

void NotificationCenterTest::clockSetBack_remindersKeepFiring()
{
    QFETCH(bool, whileRunning);
    // A clock that was a year ahead once (set by hand, or a machine restored from a snapshot) and is
    // then put right must not silence the reminders until that year has passed.
    const QString file = stateFileIn(QStringLiteral("clock"));
    vsp::test::ManualClock clock;
    FakeDelivery delivery;
    NotificationCenter centre;
    centre.setStateFile(file);
    centre.setClock(clock.function());
    centre.setDelivery(&delivery);
    *clock.now = local(kDay.addDays(365), 21);
    centre.start();
    centre.add(request(QStringLiteral("daily"), daily(20, 0), true));
    if (!whileRunning) {
        centre.stop();
    }

    *clock.now = local(kDay, 19);
    if (whileRunning) {
        // The timer's next wake-up, at most a minute after the clock was put back.
        centre.processDueRequests();
    } else {
        centre.start();
    }
    *clock.now = local(kDay, 20, 0, 1);
    centre.processDueRequests();

    QCOMPARE(delivery.shown.size(), 1);
    QCOMPARE(delivery.shown.first().identifier, QStringLiteral("daily"));
    QCOMPARE(centre.nextFireDate(QStringLiteral("daily")), local(kDay.addDays(1), 20));
    centre.stop();
}

void NotificationCenterTest::damagedStateFile_startsEmpty_withOneLine()
{
    const QString file = stateFileIn(QStringLiteral("damaged"));
    QDir().mkpath(QFileInfo(file).path());
    const auto copies = [&] {
        return QDir(QFileInfo(file).path())
            .entryInfoList({QStringLiteral("notifications-corrupt-*.json")}, QDir::Files, QDir::Name);
    };
    qsizetype kept = 0;
    for (const QByteArray& content : {QByteArray("{\"checkedUntil\":1,\"requests\":[{\"identifier\":5}]}"),
                                      QByteArray("not json"), QByteArray("[]"), QByteArray("not json")}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        NotificationCenter centre;
        centre.setStateFile(file);

        test::StdoutCapture out;
        centre.start();

        QVERIFY(centre.pendingRequests().isEmpty());
        const QStringList lines = out.lines();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: notification load failed \u2014 ")),
                 qPrintable(lines.first()));
        // What the file held is kept beside it, once per content (the last round repeats an earlier one).
        const QString said =
            QStringLiteral("Vesperlog: notifications.json could not be decoded \u2014 copy preserved at ");
        QVERIFY2(lines.last().startsWith(said), qPrintable(lines.last()));
        QFile copy(lines.last().mid(said.size()));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), content);
        kept = qMin<qsizetype>(kept + 1, 3);
        QCOMPARE(copies().size(), kept);
        // A new request replaces the damaged file.
        centre.add(request(QStringLiteral("new"), daily(9, 0), true));
        centre.stop();
        NotificationCenter reread;
        reread.setStateFile(file);
        QCOMPARE(reread.pendingRequests().size(), 1);
    }
}

void NotificationCenterTest::linkToAnotherProgramsFile_isNeverWritten()
{
    const QString file = stateFileIn(QStringLiteral("link"));
    const QString note = test::testHome() + QStringLiteral("/notes.txt");
    QDir().mkpath(QFileInfo(file).path());
    {
        QFile f(note);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("buy milk") == 8);
    }
    QVERIFY(QFile::link(note, file));
    NotificationCenter centre;
    centre.setStateFile(file);
    QSignalSpy told(&centre, &NotificationCenter::leftUnchangedChanged);
    centre.start();
    const QString why = QStringLiteral("notifications.json is a link to ") + note
                        + QStringLiteral(", which could not be read as a reminders file; it is left unchanged");
    QCOMPARE(centre.leftUnchanged(), why);
    QCOMPARE(told.count(), 1);
    test::StdoutCapture out;
    centre.add(request(QStringLiteral("daily"), daily(9, 0), true));
    centre.stop();
    QVERIFY(out.lines().contains(QStringLiteral("Vesperlog: notification save failed \u2014 ") + why));
    QVERIFY(QFileInfo(file).isSymLink());
    QFile kept(note);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("buy milk"));
}

void NotificationCenterTest::authorization_data()
{
    QTest::addColumn<bool>("withDelivery");
    QTest::addColumn<bool>("available");
    QTest::addColumn<QString>("line");
    QTest::newRow("service present") << true << true << QString();
    QTest::newRow("service missing")
        << true << false
        << QStringLiteral(
               "Vesperlog: notification permission failed \u2014 no notification service on the session bus");
    QTest::newRow("no delivery")
        << false << false
        << QStringLiteral("Vesperlog: notification permission failed \u2014 no notification service is set up");
}

void NotificationCenterTest::authorization()
{
    QFETCH(bool, withDelivery);
    QFETCH(bool, available);
    QFETCH(QString, line);
    NotificationCenter centre;
    centre.setStateFile(stateFileIn(QStringLiteral("auth")));
    FakeDelivery delivery;
    delivery.available = available;
    delivery.reason = QStringLiteral("no notification service on the session bus");
    if (withDelivery) {
        centre.setDelivery(&delivery);
    }
    QCOMPARE(centre.authorizationStatus(), NotificationCenter::AuthorizationStatus::NotDetermined);
    std::optional<bool> answer;

    test::StdoutCapture out;
    centre.requestAuthorization([&](bool granted) { answer = granted; });

    QCOMPARE(answer, available);
    QCOMPARE(centre.authorizationStatus(), available ? NotificationCenter::AuthorizationStatus::Authorized
                                                     : NotificationCenter::AuthorizationStatus::Denied);
    QCOMPARE(out.lines(), line.isEmpty() ? QStringList() : QStringList{line});
}

void NotificationCenterTest::presentationOptions_data()
{
    QTest::addColumn<NotificationCenter::PresentationOptions>("options");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("withSound");
    using Option = NotificationCenter::PresentationOption;
    QTest::newRow("banner and sound") << (Option::Banner | Option::Sound) << 1 << true;
    QTest::newRow("banner only") << NotificationCenter::PresentationOptions(Option::Banner) << 1 << false;
    QTest::newRow("nothing") << NotificationCenter::PresentationOptions() << 0 << false;
}

void NotificationCenterTest::presentationOptions()
{
    QFETCH(NotificationCenter::PresentationOptions, options);
    QFETCH(int, shown);
    QFETCH(bool, withSound);
    NotificationCenter centre;
    QCOMPARE(centre.presentationOptions(),
             NotificationCenter::PresentationOption::Banner | NotificationCenter::PresentationOption::Sound);
    centre.setStateFile(stateFileIn(QStringLiteral("presentation")));
    FakeDelivery delivery;
    centre.setDelivery(&delivery);
    centre.setPresentationOptions(options);
    vsp::test::ManualClock clock;
    *clock.now = local(kDay, 8);
    centre.setClock(clock.function());
    centre.start();
    centre.add(request(QStringLiteral("once"), onDay(kDay, 9), false));
    QSignalSpy fired(&centre, &NotificationCenter::fired);
    *clock.now = local(kDay, 9, 0, 1);

    centre.processDueRequests();

    QCOMPARE(fired.count(), 1);
    QCOMPARE(delivery.shown.size(), shown);
    if (shown > 0) {
        QCOMPARE(delivery.sounds.first(), withSound);
    }
    centre.stop();
}

void NotificationCenterTest::firing_withoutDelivery_printsOneLine()
{
    NotificationCenter centre;
    centre.setStateFile(stateFileIn(QStringLiteral("nodelivery")));
    vsp::test::ManualClock clock;
    *clock.now = local(kDay, 8);
    centre.setClock(clock.function());
    centre.start();
    centre.add(request(QStringLiteral("once"), onDay(kDay, 9), false));
    *clock.now = local(kDay, 9, 0, 1);

    test::StdoutCapture out;
    centre.processDueRequests();

    QCOMPARE(out.lines(),
             QStringList{QStringLiteral("Vesperlog: notification failed \u2014 no notification service is set up")});
    QVERIFY(centre.pendingRequests().isEmpty());
    centre.stop();
}
