#include "TrashViewTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Theme/Transitions.h"
#include "Views/Sidebar/TrashView.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListView>
#include <QSignalSpy>
#include <QTest>

using viewfixtures::entry;
using viewfixtures::localMoment;

namespace {

/// Titles of the records in trash.json, in file order.
QStringList trashFileTitles()
{
    QFile f(JournalStore::storeFolder() + QStringLiteral("/trash.json"));
    if (!f.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("<no file>")};
    }
    QStringList titles;
    for (const QJsonValue& v : QJsonDocument::fromJson(f.readAll()).array()) {
        titles.append(v.toObject().value(QStringLiteral("entry")).toObject().value(QStringLiteral("title")).toString());
    }
    return titles;
}

QStringList entriesFileTitles()
{
    QFile f(JournalStore::storeFolder() + QStringLiteral("/entries.json"));
    if (!f.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("<no file>")};
    }
    QStringList titles;
    for (const QJsonValue& v : QJsonDocument::fromJson(f.readAll()).array()) {
        titles.append(v.toObject().value(QStringLiteral("title")).toString());
    }
    return titles;
}

/// Puts a file in the entry's images and audio folders.
void giveAttachments(const QUuid& id)
{
    for (const QString& dir : {JournalStore::imagesDirectory(id), JournalStore::audioDirectory(id)}) {
        QFile f(dir + QStringLiteral("/a.bin"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
}

bool hasAttachments(const QUuid& id)
{
    return QFile::exists(JournalStore::imagesDirectory(id) + QStringLiteral("/a.bin"))
           && QFile::exists(JournalStore::audioDirectory(id) + QStringLiteral("/a.bin"));
}

/// A journal of "Keep" (live) and, in the trash, "Old", an untitled entry and "Newest" (in that order:
/// the last deletion comes first).
struct Trash {
    JournalStore store{fixtures::fixtureClock().function()};
    QWidget host;
    TrashView* sheet = nullptr;

    Trash()
    {
        for (const QString& title :
             {QStringLiteral("Old"), QString(), QStringLiteral("Newest"), QStringLiteral("Keep")}) {
            store.addEntry(entry(title, localMoment(-2), QStringLiteral("body of ") + title));
        }
        for (const JournalEntry& e : EntryList(store.entries())) {
            if (e.title != QLatin1String("Keep")) {
                giveAttachments(e.id);
                store.deleteEntry(e);
            }
        }
        host.resize(800, 600);
        host.show();
        sheet = new TrashView(store, &host);
        sheet->open();
        (void)QTest::qWaitForWindowExposed(sheet);
    }
    QListView* list() const { return vsp::test::child<QListView>(*sheet, QStringLiteral("trashList")); }
    TrashListModel* model() const { return vsp::test::child<TrashListModel>(*sheet, QStringLiteral("trashModel")); }
    /// The question the sheet asks now (one it closed may still await deletion), or null.
    QMessageBox* question() const
    {
        const auto asked =
            sheet->findChildren<QMessageBox*>(QStringLiteral("trashQuestion"), Qt::FindDirectChildrenOnly);
        return asked.isEmpty() ? nullptr : asked.last();
    }
    int rowOf(const QString& title) const
    {
        for (int i = 0; i < store.trashedEntries().size(); ++i) {
            if (store.trashedEntries()[i].entry.title == title) {
                return i;
            }
        }
        return -1;
    }
    /// Clicks the row's button ("restore" or "delete") where the delegate paints it.
    void clickButton(int row, bool restore)
    {
        const QRect item = list()->visualRect(model()->index(row));
        const QRectF button = restore ? TrashRowDelegate::restoreRect(item) : TrashRowDelegate::deleteRect(item);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, button.center().toPoint());
    }
    void answer(bool destructive)
    {
        QMessageBox* box = question();
        QVERIFY(box && box->isVisible());
        for (QAbstractButton* b : box->buttons()) {
            if ((box->buttonRole(b) == QMessageBox::DestructiveRole) == destructive) {
                b->click();
                return;
            }
        }
        QFAIL("no such button");
    }
};

} // namespace

void TrashViewTest::init()
{
    viewfixtures::resetState();
}

void TrashViewTest::countdown_textAndUrgency_data()
{
    QTest::addColumn<int>("daysAgo");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("urgent");
    QTest::newRow("deleted today") << 0 << "Deletes in 30 days" << false;
    QTest::newRow("four left") << 26 << "Deletes in 4 days" << false;
    QTest::newRow("three left") << 27 << "Deletes in 3 days" << true;
    QTest::newRow("one left") << 29 << "Deletes in 1 day" << true;
    QTest::newRow("due") << 30 << "Deletes today" << true;
    QTest::newRow("overdue") << 45 << "Deletes today" << true;
}

void TrashViewTest::countdown_textAndUrgency()
{
    QFETCH(int, daysAgo);
    QFETCH(QString, text);
    QFETCH(bool, urgent);
    JournalStore store(fixtures::fixtureClock().function());
    const TrashedEntry record{entry(QStringLiteral("T"), localMoment(-60)), localMoment(-daysAgo, 12)};
    const int days = store.daysUntilPurge(record);
    QCOMPARE(TrashRowDelegate::countdownText(days), text);
    QCOMPARE(TrashRowDelegate::isUrgent(days), urgent);
}

void TrashViewTest::emptyTrash_showsEmptyStateWithoutEmptyButton()
{
    JournalStore store(fixtures::fixtureClock().function());
    TrashView sheet(store);
    sheet.show();
    QVERIFY(sheet.showsEmptyState());
    QVERIFY(!vsp::test::child<GlassChipButton>(sheet, QStringLiteral("emptyTrash"))->isVisible());
    QVERIFY(vsp::test::child<vsp::GlassButton>(sheet, QStringLiteral("closeTrash"))->isVisible());
    QCOMPARE(sheet.size(), QSize(460, 520));
    QCOMPARE(sheet.windowModality(), Qt::WindowModal);
}

void TrashViewTest::restore_writesBothFiles_sheetStaysOpen()
{
    Trash t;
    QCOMPARE(t.model()->rowCount(), 3);
    QCOMPARE(t.model()->index(t.rowOf(QString())).data().toString(), QStringLiteral("Untitled"));
    const QUuid old = t.store.trashedEntries().at(t.rowOf(QStringLiteral("Old"))).entry.id;
    t.clickButton(t.rowOf(QStringLiteral("Old")), true);
    QCOMPARE(trashFileTitles(), (QStringList{QString(), u"Newest"_qs}));
    QVERIFY(entriesFileTitles().contains(QStringLiteral("Old")));
    // The restored entry comes back with its photos and voice notes.
    QVERIFY(hasAttachments(old));
    QCOMPARE(t.store.selectedSection(), NavSection::Journal);
    QVERIFY(t.sheet->isVisible());
    t.clickButton(0, true);
    t.clickButton(0, true);
    QCOMPARE(trashFileTitles(), QStringList());
    QVERIFY(t.sheet->showsEmptyState());
    QVERIFY(!vsp::test::child<GlassChipButton>(*t.sheet, QStringLiteral("emptyTrash"))->isVisible());
    QVERIFY(t.sheet->isVisible());
}

void TrashViewTest::deletePermanently_asksFirst_thenRemovesRecordAndFolders_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<bool>("liveCopy");
    QTest::newRow("cancel") << false << false;
    QTest::newRow("confirm") << true << false;
    // An id both live and trashed (an import brought it back): its folders belong to the live entry.
    QTest::newRow("confirm, id still live") << true << true;
}

void TrashViewTest::deletePermanently_asksFirst_thenRemovesRecordAndFolders()
{
    QFETCH(bool, confirm);
    QFETCH(bool, liveCopy);
    Trash t;
    const TrashedEntry old = t.store.trashedEntries().at(t.rowOf(QStringLiteral("Old")));
    if (liveCopy) {
        QList<JournalEntry> live = t.store.entries().toList();
        live.append(old.entry);
        t.store.setEntries(live);
    }
    t.clickButton(t.rowOf(QStringLiteral("Old")), false);
    QCOMPARE(t.sheet->pendingPermanentDelete(), std::optional<TrashedEntry>(old));
    QCOMPARE(t.question()->text(), QStringLiteral("This entry and its attachments will be removed for good."));
    QCOMPARE(t.store.trashedEntries().size(), 3);
    t.answer(confirm);
    QVERIFY(!t.sheet->pendingPermanentDelete());
    QCOMPARE(trashFileTitles(),
             confirm ? (QStringList{QString(), u"Newest"_qs}) : (QStringList{u"Old"_qs, QString(), u"Newest"_qs}));
    QCOMPARE(hasAttachments(old.entry.id), !confirm || liveCopy);
    QVERIFY(hasAttachments(t.store.trashedEntries().first().entry.id));
    QVERIFY(t.sheet->isVisible());
}

void TrashViewTest::emptyTrash_keepsFoldersOfLiveIds()
{
    Trash t;
    const QList<TrashedEntry> records = t.store.trashedEntries();
    QList<JournalEntry> live = t.store.entries().toList();
    live.append(records.first().entry);
    t.store.setEntries(live);

    QTest::mouseClick(vsp::test::child<GlassChipButton>(*t.sheet, QStringLiteral("emptyTrash")), Qt::LeftButton);
    QMessageBox* box = t.question();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("Empty Trash?"));
    QStringList labels;
    for (QAbstractButton* b : box->buttons()) {
        labels.append(b->text());
    }
    QVERIFY2(labels.contains(QStringLiteral("Delete 3 Entries Permanently")), qPrintable(labels.join(u'|')));
    t.answer(false);
    QCOMPARE(trashFileTitles().size(), 3);

    QTest::mouseClick(vsp::test::child<GlassChipButton>(*t.sheet, QStringLiteral("emptyTrash")), Qt::LeftButton);
    t.answer(true);
    QCOMPARE(trashFileTitles(), QStringList());
    QVERIFY(hasAttachments(records.first().entry.id));
    QVERIFY(!hasAttachments(records.at(1).entry.id));
    QVERIFY(!hasAttachments(records.at(2).entry.id));
    QVERIFY(t.sheet->showsEmptyState());
}

void TrashViewTest::model_followsStoreWithRowSignals()
{
    Trash t;
    QAbstractItemModelTester tester(t.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy removed(t.model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(t.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(t.model(), &QAbstractItemModel::modelReset);
    t.store.restoreFromTrash(t.store.trashedEntries().at(1));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 1);
    const JournalEntry keep = t.store.entries().first();
    t.store.deleteEntry(keep);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 0);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(t.model()->rowCount(), 3);
    // Emptying is one removal of every row, so the rows leave together.
    t.store.emptyTrash();
    QCOMPARE(removed.count(), 2);
    QCOMPARE(removed.last().at(1).toInt(), 0);
    QCOMPARE(removed.last().at(2).toInt(), 2);
}

void TrashViewTest::rowMotion_endsAtRest_standsStillWhenReduced_data()
{
    QTest::addColumn<bool>("reduced");
    QTest::newRow("motion") << false;
    QTest::newRow("reduced motion") << true;
}

void TrashViewTest::rowMotion_endsAtRest_standsStillWhenReduced()
{
    QFETCH(bool, reduced);
    vsp::setAnimationsEnabled(true);
    vsp::setMotionReduced(reduced);
    Trash t;
    // Opening the sheet moves nothing.
    QCOMPARE(viewfixtures::runningAnimations(t.sheet), 0);
    TrashRowMotion* motion = vsp::test::child<TrashRowMotion>(*t.sheet, QStringLiteral("trashRowMotion"));
    t.store.restoreFromTrash(t.store.trashedEntries().at(0));
    QCOMPARE(motion->isRunning(), !reduced);
    if (!reduced) {
        // The row that took the restored one's place starts where it was, a row lower.
        QCOMPARE_GT(motion->offset(0), 0.0);
    }
    viewfixtures::finishAnimations(t.sheet);
    QVERIFY(!motion->isRunning());
    for (int row = 0; row < t.model()->rowCount(); ++row) {
        QCOMPARE(motion->offset(row), 0.0);
        QCOMPARE(motion->presence(row), 1.0);
    }
    t.store.emptyTrash();
    // "Empty Trash" fades out with the last rows.
    auto* emptyButton = qobject_cast<TransitionSlot*>(
        vsp::test::child<GlassChipButton>(*t.sheet, QStringLiteral("emptyTrash"))->parentWidget());
    QVERIFY(emptyButton);
    QCOMPARE(emptyButton->isTransitioning(), !reduced);
    viewfixtures::finishAnimations(t.sheet);
    QVERIFY(!vsp::test::child<GlassChipButton>(*t.sheet, QStringLiteral("emptyTrash"))->isVisible());
    QVERIFY(t.sheet->showsEmptyState());
    QVERIFY(t.sheet->findChildren<vsp::TransitionOverlay*>().isEmpty());
    vsp::setMotionReduced(false);
}
