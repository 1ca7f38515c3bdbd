#include "common/StoreFixtures.h"

#include "Model/EntryCodec.h"
#include "Model/JournalStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace fixtures {

QString storeFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Vesperlog");
}

QString entriesPath()
{
    return storeFolder() + QStringLiteral("/entries.json");
}

QString trashPath()
{
    return storeFolder() + QStringLiteral("/trash.json");
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write test file %s", qPrintable(path));
    }
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

void writeJournal(const QList<JournalEntry>& entries)
{
    writeFile(entriesPath(), vsp::encodeEntries(entries).bytes);
}

QList<JournalEntry> readJournal()
{
    const auto decoded = vsp::decodeEntries(readFile(entriesPath()));
    return decoded.ok() ? *decoded.value : QList<JournalEntry>{};
}

QByteArray writtenJournalBytes(JournalStore& store)
{
    return store.waitForSaves(10000) ? readFile(entriesPath()) : QByteArray();
}

QList<TrashedEntry> readTrash()
{
    const auto decoded = vsp::decodeTrash(readFile(trashPath()));
    return decoded.ok() ? *decoded.value : QList<TrashedEntry>{};
}

JournalEntry entry(const QString& title, double date)
{
    JournalEntry e = JournalEntry::create();
    e.title = title;
    e.body = title + QStringLiteral(" body");
    e.date = date;
    return e;
}

QDate dayWithAYearBack()
{
    return {2026, 6, 15};
}

QDate today()
{
    return {2026, 6, 15};
}

double fixtureNow()
{
    return localMoment(today(), 12);
}

vsp::test::ManualClock fixtureClock()
{
    vsp::test::ManualClock clock;
    *clock.now = fixtureNow();
    return clock;
}

double localMoment(const QDate& day, int hour, int minute)
{
    return vsp::fromDateTime(QDateTime(day, QTime(hour, minute)));
}

double localMoment(int daysFromToday, int hour, int minute)
{
    return localMoment(today().addDays(daysFromToday), hour, minute);
}

} // namespace fixtures
