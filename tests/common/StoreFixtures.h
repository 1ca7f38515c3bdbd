#pragma once

#include "Model/Dates.h"
#include "Model/JournalEntry.h"
#include "Model/ReminderScheduler.h"
#include "common/TestSupport.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QUuid>

class JournalStore;

/// Journals and files written and read back by tests, in the test home.
namespace fixtures {

/// The store folder of the test home ($XDG_DATA_HOME/Vesperlog).
QString storeFolder();
QString entriesPath();
QString trashPath();

/// Writes bytes to a file, creating its folder; returns the path. A file that cannot be written ends
/// the test run.
QString writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
/// Writes the entries as entries.json in the journal's own form.
void writeJournal(const QList<JournalEntry>& entries);
/// Reads entries.json back; an empty list when it is missing or does not decode.
QList<JournalEntry> readJournal();
/// entries.json once every change made so far through `store` is written: a store that writes in the
/// background (as the app's does) may still be writing when a test reads. Empty after 10 s.
QByteArray writtenJournalBytes(JournalStore& store);
QList<TrashedEntry> readTrash();

/// The day tests take for today, fixed so that no test depends on the day it runs. A store whose
/// behaviour depends on today runs on fixtureClock().
QDate today();
/// Noon of today() in local time, seconds since 2001.
double fixtureNow();
/// A clock standing at fixtureNow() until the test moves it.
vsp::test::ManualClock fixtureClock();

/// A plain entry with the given title, dated at `date` (seconds since 2001).
JournalEntry entry(const QString& title, double date = fixtureNow());
/// A day that has a date one year back (29 February has none), for clocks of On This Day tests.
QDate dayWithAYearBack();
/// A moment of the local day `daysFromToday` away from today(), at hh:mm.
double localMoment(int daysFromToday, int hour = 12, int minute = 0);
double localMoment(const QDate& day, int hour = 12, int minute = 0);

/// Records the calls the store makes to keep reminders in step.
class RecordingScheduler final : public ReminderScheduler {
public:
    void scheduleExpiration(const JournalEntry& entry) override { scheduled.append(entry.id); }
    void cancelExpiration(const QUuid& id) override { cancelled.append(id); }
    QList<QUuid> scheduled;
    QList<QUuid> cancelled;
};

} // namespace fixtures
