#include "EntryActionsTest.h"

#include "common/StoreFixtures.h"
#include "common/ViewFixtures.h"

#include "Model/JournalStore.h"
#include "Widgets/EntryActions.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

using Command = EntryActions::Command;
Q_DECLARE_METATYPE(EntryActions::Command)

namespace {

/// A store holding one entry, "Draft", and a copy of it taken before it was renamed "Final" and made a
/// favourite in the store: what a menu built a moment earlier would still hold.
struct Journal {
    JournalStore store{fixtures::fixtureClock().function()};
    JournalEntry stale = fixtures::entry(QStringLiteral("Draft"));

    Journal()
    {
        store.addEntry(stale);
        JournalEntry renamed = *store.entry(stale.id);
        renamed.title = QStringLiteral("Final");
        renamed.isFavorite = true;
        store.updateEntry(renamed);
    }
};

/// What a command changed, as text: the one fact each command is about.
QString outcome(Command command, JournalStore& store, const QUuid& id)
{
    const JournalEntry* e = store.entry(id);
    switch (command) {
    case Command::TogglePin: return store.pinnedIDs().contains(id) ? u"pinned"_qs : u"not pinned"_qs;
    case Command::ToggleFavorite: return e->isFavorite ? u"favourite"_qs : u"not favourite"_qs;
    case Command::ToggleArchive: return e->isArchived ? u"archived"_qs : u"not archived"_qs;
    case Command::Duplicate: return store.entries().first().title;
    case Command::CopyPlainText:
    case Command::CopyMarkdown: return QGuiApplication::clipboard()->text().section(u'\n', 0, 0);
    case Command::MoveToTrash: return store.trashedEntries().first().entry.title;
    }
    return {};
}

} // namespace

void EntryActionsTest::init()
{
    viewfixtures::resetState();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
}

void EntryActionsTest::boundItem_actsOnTheStoredEntry_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QString>("expected");
    QTest::newRow("pin") << Command::TogglePin << "pinned";
    // The store's favourite, not the copy's, is turned over.
    QTest::newRow("favourite") << Command::ToggleFavorite << "not favourite";
    QTest::newRow("archive") << Command::ToggleArchive << "archived";
    QTest::newRow("duplicate") << Command::Duplicate << "Final (copy)";
    QTest::newRow("copy as plain text") << Command::CopyPlainText << "Final";
    QTest::newRow("copy as Markdown") << Command::CopyMarkdown << "# Final";
    QTest::newRow("move to trash") << Command::MoveToTrash << "Final";
}

void EntryActionsTest::boundItem_actsOnTheStoredEntry()
{
    QFETCH(Command, command);
    QFETCH(QString, expected);
    Journal j;
    QAction action;
    EntryActions::of(j.store).bind(&action, command, j.stale.id);
    action.trigger();
    QCOMPARE(outcome(command, j.store, j.stale.id), expected);
    // One set per store.
    QCOMPARE(&EntryActions::of(j.store), &EntryActions::of(j.store));
}

void EntryActionsTest::lock_disablesEveryBoundItemAndRunsNothing()
{
    Journal j;
    EntryActions& actions = EntryActions::of(j.store);
    j.store.setSelectedEntryID(j.stale.id);
    QAction byId, bySelection, ownWay;
    actions.bind(&byId, Command::Duplicate, j.stale.id);
    actions.bind(&bySelection, Command::MoveToTrash, actions.selection());
    actions.guard(&ownWay);
    {
        // An item going away before the lock changes is forgotten, not touched.
        QAction gone;
        actions.bind(&gone, Command::TogglePin, j.stale.id);
    }
    const EntryList before = j.store.entries();

    j.store.setIsLocked(true);
    QVERIFY(!actions.enabled());
    for (QAction* a : {&byId, &bySelection, &ownWay}) {
        QVERIFY(!a->isEnabled());
    }
    QAction latecomer;
    actions.bind(&latecomer, Command::CopyPlainText, j.stale.id);
    QVERIFY(!latecomer.isEnabled());
    // A command asked to run anyway (a shortcut, a caller of run()) refuses.
    for (const Command command : {Command::Duplicate, Command::MoveToTrash, Command::CopyPlainText}) {
        QVERIFY(!actions.run(command, j.stale.id));
    }
    QCOMPARE(j.store.entries(), before);
    QVERIFY(j.store.trashedEntries().isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    j.store.setIsLocked(false);
    for (QAction* a : {&byId, &bySelection, &ownWay, &latecomer}) {
        QVERIFY(a->isEnabled());
    }
    bySelection.trigger();
    QCOMPARE(j.store.trashedEntries().size(), 1);
}

void EntryActionsTest::goneEntry_runsNothing()
{
    Journal j;
    EntryActions& actions = EntryActions::of(j.store);
    j.store.deleteEntry(*j.store.entry(j.stale.id));
    const EntryList before = j.store.entries();
    // The menu's copy still exists, but the entry does not: nothing is duplicated back from the copy.
    QVERIFY(!actions.run(Command::Duplicate, j.stale.id));
    QVERIFY(!actions.run(Command::CopyPlainText, j.stale.id));
    QCOMPARE(j.store.entries(), before);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}
