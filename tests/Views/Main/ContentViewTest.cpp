#include "ContentViewTest.h"

#include "common/FakeAuthenticator.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Editor/FormattableTextEditor.h"
#include "Editor/VesperlogTextView.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Settings/LockScreenView.h"
#include "Settings/OnboardingView.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/CoverAccessibility.h"
#include "Views/Main/EmptyDetailView.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/EntryListWidget.h"
#include "Views/Main/ListHeader.h"
#include "Views/Main/MainWindow.h"
#include "Views/Sidebar/CalendarView.h"
#include "Views/Sidebar/SidebarFooter.h"
#include "Views/Sidebar/SidebarHeader.h"
#include "Views/Sidebar/SidebarRows.h"
#include "Views/Sidebar/SidebarView.h"
#include "Views/Sidebar/TrashView.h"
#include "Widgets/ColumnVisibilityHolder.h"
#include "Widgets/OpenWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDBusInterface>
#include <QGraphicsOpacityEffect>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QTest>

#include <algorithm>

using viewfixtures::entry;
using viewfixtures::localMoment;

namespace {

struct Window {
    JournalStore store{fixtures::fixtureClock().function()};
    MoodStore moods;
    MainWindow window{store, moods, {}};

    explicit Window(bool withEntries = true, bool show = true)
    {
        // The cover's check waits unless a test answers it: no real PAM prompt in tests.
        content().lockScreen()->setAuthenticatorFactory(
            vsp::test::FakeAuthenticator::factory(vsp::test::FakeAuthenticator::Stack::Silent));
        if (withEntries) {
            store.setEntries({entry(QStringLiteral("A"), localMoment(-1), QStringLiteral("alpha")),
                              entry(QStringLiteral("B"), localMoment(-2), QStringLiteral("bravo"))});
            store.setSelectedSection(NavSection::Journal);
            store.setSelectedEntryID(std::nullopt);
        }
        if (show) {
            window.show();
            (void)QTest::qWaitForWindowExposed(&window);
        }
    }
    ContentView& content() const { return *window.contentView(); }
    ColumnVisibilityHolder& columns() const
    {
        return *vsp::test::child<ColumnVisibilityHolder>(content(), QStringLiteral("columnVisibility"));
    }
};

} // namespace

void ContentViewTest::init()
{
    viewfixtures::resetState();
}

void ContentViewTest::cleanup()
{
    vsp::setAnimationsEnabled(false);
}

namespace {

/// Comfortably longer than the column springs (about half a second), for slow sanitizer builds.
constexpr int kSettle = 5000;

} // namespace

void ContentViewTest::focusMode_needsASelectedEntry()
{
    Window w;
    w.store.setFocusMode(true);
    QVERIFY(!w.content().isFocusLayout());
    QVERIFY(w.content().sidebar()->isVisible());
    QVERIFY(w.content().entryList()->isVisible());
    w.store.setSelectedEntryID(w.store.entries().first().id);
    QVERIFY(w.content().isFocusLayout());
    QVERIFY(!w.content().sidebar()->isVisible());
    QVERIFY(!w.content().entryList()->isVisible());
    QVERIFY(w.content().detail()->isVisible());
    QTRY_COMPARE(w.content().detail()->width(), w.content().width());
    w.store.setFocusMode(false);
    QVERIFY(w.content().sidebar()->isVisible());
    QVERIFY(w.content().entryList()->isVisible());
}

void ContentViewTest::lock_coversAndDisablesEverything()
{
    Window w;
    LockScreenView* lock = w.content().lockScreen();
    QVERIFY(!lock->isVisible());
    lock->setAuthenticatorFactory(vsp::test::FakeAuthenticator::factory(vsp::test::FakeAuthenticator::Stack::Permit));
    w.store.setIsLocked(true);
    QVERIFY(lock->isVisible());
    QCOMPARE(lock->geometry(), w.content().rect());
    QVERIFY(!vsp::test::child<QSplitter>(w.content(), QStringLiteral("columns"))->isEnabled());
    QCOMPARE(lock->journalName(), QStringLiteral("Vesperlog"));
    // A click where a row lies reaches the cover, not the list.
    EntryListWidget* list = w.content().entryList()->list();
    const QRect row = list->rectOf(w.store.entries().first().id);
    const QPoint inWindow = list->viewport()->mapTo(&w.content(), row.center());
    QCOMPARE(w.content().childAt(inWindow)->window(), &w.window);
    QVERIFY(lock->isAncestorOf(w.content().childAt(inWindow)) || w.content().childAt(inWindow) == lock);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    QVERIFY(!w.store.selectedEntryID());
    // The check that started with the cover succeeds: unlocking removes the cover.
    QTRY_VERIFY(!w.store.isLocked());
    QVERIFY(!lock->isVisible());
    QVERIFY(vsp::test::child<QSplitter>(w.content(), QStringLiteral("columns"))->isEnabled());
}

namespace {

/// Every interface reachable from `root` through children, as a screen reader walks a window.
QList<QAccessibleInterface*> accessibleTree(QAccessibleInterface* root)
{
    QList<QAccessibleInterface*> found{root};
    for (qsizetype i = 0; i < found.size() && found.size() < 10000; ++i) {
        for (int c = 0; c < found[i]->childCount(); ++c) {
            if (QAccessibleInterface* child = found[i]->child(c)) {
                found.append(child);
            }
        }
    }
    return found;
}

} // namespace

void ContentViewTest::lockedWindow_showsAssistiveTechnologyOnlyTheCover()
{
    Window w;
    w.store.setSelectedEntryID(w.store.entries().first().id);
    w.store.setIsLocked(true);
    LockScreenView* lock = w.content().lockScreen();
    bool reachedUnlock = false;
    for (QAccessibleInterface* iface : accessibleTree(QAccessible::queryAccessibleInterface(&w.window))) {
        auto* widget = qobject_cast<QWidget*>(iface->object());
        QVERIFY2(!widget || !vsp::test::child<QSplitter>(w.content(), QStringLiteral("columns"))->isAncestorOf(widget),
                 qPrintable(QStringLiteral("reached under the cover: ") + iface->text(QAccessible::Name)));
        reachedUnlock =
            reachedUnlock || widget == vsp::test::child<QAbstractButton>(*lock, QStringLiteral("unlockButton"));
    }
    QVERIFY(reachedUnlock);
    // Asked for directly, the covered columns are not shown either.
    for (QWidget* covered :
         std::initializer_list<QWidget*>{w.content().sidebar(), w.content().entryList(), w.content().detail()}) {
        QVERIFY(QAccessible::queryAccessibleInterface(covered)->state().invisible);
    }
    w.store.setIsLocked(false);
    QVERIFY(!QAccessible::queryAccessibleInterface(w.content().entryList())->state().invisible);
    QVERIFY(QAccessible::queryAccessibleInterface(&w.content())->childCount() > 1);
}

void ContentViewTest::lock_closesTheWindowsThatShowTheJournal()
{
    Window w;
    w.store.deleteEntry(w.store.entries().last());
    QPointer<TrashView> trash = w.content().sidebar()->openTrash();
    QVERIFY(QTest::qWaitForWindowExposed(trash));
    trash->requestEmptyTrash();
    QPointer<QMessageBox> question = vsp::test::child<QMessageBox>(*trash, QStringLiteral("trashQuestion"));
    QVERIFY(question && question->isVisible());
    // A second sheet with nothing of the journal in it, as the update sheet.
    QDialog update(&w.window);
    vsp::markShowsNoJournalData(&update);
    update.open();
    w.store.setIsLocked(true);
    QVERIFY(!trash || !trash->isVisible());
    QVERIFY(!question || !question->isVisible());
    // Closing the question answered it "no".
    QCOMPARE(w.store.trashedEntries().size(), 1);
    // The other sheet waits out of the way: over the cover it would hide Unlock and take its clicks.
    QVERIFY(!update.isVisible());
    QVERIFY(vsp::test::child<QAbstractButton>(*w.content().lockScreen(), QStringLiteral("unlockButton"))->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
    w.store.setIsLocked(false);
    QVERIFY(update.isVisible());
    QVERIFY(!trash || !trash->isVisible());
}

void ContentViewTest::returnOnTheCover_pressesUnlock_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void ContentViewTest::returnOnTheCover_pressesUnlock()
{
    QFETCH(int, key);
    Window w;
    LockScreenView* lock = w.content().lockScreen();
    auto record = std::make_shared<vsp::test::FakeAuthenticator::Record>();
    lock->setAuthenticatorFactory(
        vsp::test::FakeAuthenticator::factory(vsp::test::FakeAuthenticator::Stack::Deny, record));
    w.store.setIsLocked(true);
    QTRY_VERIFY(!lock->isAuthenticating());
    const int before = record->started;
    QTest::keyClick(lock, Qt::Key(key));
    QCOMPARE(record->started, before + 1);
    QTRY_VERIFY(!lock->failMessage().isEmpty());
    QVERIFY(w.store.isLocked());
}

void ContentViewTest::firstShow_locksAtOnce_introductionWaitsForTheUnlock()
{
    AppSettings::instance().setAppLockEnabled(true);
    AppSettings::instance().setHasCompletedOnboarding(false);
    Window w(true, false);
    QVERIFY(!w.store.isLocked());
    w.window.show();
    QVERIFY(w.store.isLocked());
    QVERIFY(w.content().lockScreen()->isVisible());
    QVERIFY(vsp::test::fireTimer(w.content(), QStringLiteral("onboardingTimer")));
    // Over the cover it would take the keys meant for the password: it waits for the unlock.
    QVERIFY(!w.content().m_onboarding);
    QVERIFY(!QApplication::activeModalWidget());
    w.store.setIsLocked(false);
    QVERIFY(w.content().m_onboarding);
    QPointer<OnboardingView> onboarding = w.content().m_onboarding;
    QVERIFY(onboarding->isVisible());
    // Locked while it is open, it is put away until the next unlock.
    w.store.setIsLocked(true);
    QVERIFY(!onboarding->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
    w.store.setIsLocked(false);
    QVERIFY(onboarding && onboarding->isVisible());
    // Escape does not dismiss it.
    QTest::keyClick(onboarding, Qt::Key_Escape);
    QVERIFY(onboarding->isVisible());
    QVERIFY(!AppSettings::instance().hasCompletedOnboarding());
    for (int page = 0; page <= OnboardingView::kLast; ++page) {
        QTest::mouseClick(vsp::test::child<QAbstractButton>(*onboarding, QStringLiteral("introForward")),
                          Qt::LeftButton);
    }
    QVERIFY(AppSettings::instance().hasCompletedOnboarding());
    QTRY_VERIFY(!w.content().m_onboarding);
}

void ContentViewTest::lock_clearsThePrimarySelection_keepsTheClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) {
        QSKIP("this platform has no primary selection (offscreen); the suite runs this test under xvfb too");
    }
    Window w;
    w.store.setSelectedEntryID(w.store.entries().first().id);
    clipboard->setText(QStringLiteral("copied on purpose"), QClipboard::Clipboard);
    w.content().detail()->startEditing();
    VesperlogTextView* body =
        vsp::test::child<FormattableTextEditor>(*w.content().detail(), QStringLiteral("detailBody"))->textView();
    body->setFocus();
    QTest::keyClick(body, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(clipboard->ownsSelection());
    QCOMPARE(clipboard->text(QClipboard::Selection), QStringLiteral("alpha"));

    w.store.setIsLocked(true);
    QVERIFY(!clipboard->ownsSelection());
    QVERIFY(clipboard->text(QClipboard::Selection).isEmpty());
    QCOMPARE(clipboard->text(QClipboard::Clipboard), QStringLiteral("copied on purpose"));
}

namespace {

/// What a screen reader learns from accessibility events: every text of the event's source and of
/// everything above it up to the application, as a client climbing from the source reads them.
QStringList g_heard;

QStringList textsOf(QAccessibleInterface* iface)
{
    QStringList texts;
    for (const QAccessible::Text t : {QAccessible::Name, QAccessible::Description, QAccessible::Value,
                                      QAccessible::Help, QAccessible::Accelerator}) {
        texts.append(iface->text(t));
    }
    if (QAccessibleTextInterface* text = iface->textInterface()) {
        texts.append(text->text(0, text->characterCount()));
    }
    return texts;
}

void hearEvent(QAccessibleEvent* event)
{
    int steps = 0;
    for (QAccessibleInterface* iface = event->accessibleInterface(); iface && steps < 100;
         iface = iface->parent(), ++steps) {
        g_heard.append(textsOf(iface));
    }
}

bool heardAny(const QStringList& words)
{
    const QString all = g_heard.join(QLatin1Char('\n'));
    return std::any_of(words.cbegin(), words.cend(), [&](const QString& w) { return all.contains(w); });
}

} // namespace

void ContentViewTest::lockedJournal_sendsNoAccessibilityEventFromUnderTheCover()
{
    const QStringList words{QStringLiteral("Heronwatch"), QStringLiteral("marshland"), QStringLiteral("Wilhelmina")};
    g_heard.clear();
    QAccessible::setActive(true);
    const auto restore = qScopeGuard([] {
        QAccessible::installUpdateHandler(nullptr);
        vsp::cover::installAccessibilityGuard();
        QAccessible::setActive(false);
    });
    // The platform's bridge turns on once it reaches the accessibility bus, which the session bus starts
    // when asked for it (as a desktop's screen reader would).
    (void)QAccessible::isActive();
    QDBusInterface(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus"))
        .call(QStringLiteral("GetAddress"));
    if (!QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000)) {
        QSKIP("this platform has no accessibility bridge to send events to (offscreen); the suite runs this test "
              "under xvfb too");
    }
    QAccessible::installUpdateHandler(hearEvent);
    AppSettings::instance().setAppLockEnabled(true);
    AppSettings::instance().setUserName(words[2]);
    Window w(false, false);
    w.store.setEntries({entry(words[0], localMoment(-1), QStringLiteral("by the reeds"), {words[1]}),
                        entry(QStringLiteral("Second"), localMoment(-2))});
    w.store.setSelectedEntryID(w.store.entries().first().id);
    // Before the window shows the journal is not locked yet: what is sent then is no concern here.
    g_heard.clear();

    // The window first appears under the cover, comes forward as a notification's click brings it, and
    // entries change under it.
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    QVERIFY(w.store.isLocked());
    w.window.raise();
    w.window.activateWindow();
    JournalEntry changed = w.store.entries().first();
    changed.title = words[0] + QStringLiteral(" again");
    changed.tags.append(words[1] + QStringLiteral("s"));
    w.store.updateEntry(changed);
    w.store.addEntry(entry(words[0] + QStringLiteral(" three"), localMoment(0), QString(), {words[1]}));
    w.store.setSelectedEntryID(changed.id);
    QCoreApplication::processEvents();
    QVERIFY2(!g_heard.isEmpty(), "no accessibility event was sent at all");
    QVERIFY2(!heardAny(words), qPrintable(g_heard.join(QLatin1Char('|'))));

    // Held from before, a hidden widget's interface says nothing either.
    QAccessibleInterface* title = QAccessible::queryAccessibleInterface(
        vsp::test::child<QWidget>(*w.content().detail(), QStringLiteral("detailTitle")));
    QVERIFY(textsOf(title).join(QString()).isEmpty());
    QCOMPARE(title->childCount(), 0);

    // Unlocked, the same changes are heard with their words: the client above reads what it is given.
    w.store.setIsLocked(false);
    QVERIFY(textsOf(title).join(QString()).contains(words[0]));
    changed.title = words[0] + QStringLiteral(" once more");
    w.store.updateEntry(changed);
    QCoreApplication::processEvents();
    QVERIFY(heardAny(words));
}

void ContentViewTest::emptyDetail_textsDependOnJournal()
{
    Window w(false);
    EmptyDetailView* empty = vsp::test::child<EmptyDetailView>(w.content(), QStringLiteral("emptyDetail"));
    QVERIFY(empty->isVisible());
    QCOMPARE(empty->title(), QStringLiteral("Your journal awaits"));
    QCOMPARE(empty->hint(), QStringLiteral("Press Ctrl+N to write your first entry"));
    JournalEntry archived = entry(QStringLiteral("Archived"), localMoment(-3));
    archived.isArchived = true;
    w.store.setEntries({archived});
    QCOMPARE(empty->title(), QStringLiteral("Select an entry"));
    QCOMPARE(empty->hint(), QStringLiteral("Pick something from the list, or press Ctrl+N"));
    QTRY_COMPARE(empty->appeared(), 1.0);
}

void ContentViewTest::emptyDetail_atRestAtStart_growsInOnlyWhenReplacingAnEntry()
{
    vsp::setAnimationsEnabled(true);
    Window w;
    EmptyDetailView* empty = vsp::test::child<EmptyDetailView>(w.content(), QStringLiteral("emptyDetail"));
    // Shown with its window: nothing changed in the column, so nothing moves.
    QVERIFY(empty->isVisible());
    QCOMPARE(empty->appeared(), 1.0);
    w.store.setSelectedEntryID(w.store.entries().first().id);
    w.store.setSelectedEntryID(std::nullopt);
    QVERIFY(empty->isVisible());
    QCOMPARE(empty->appeared(), 0.0);
    QTRY_COMPARE_WITH_TIMEOUT(empty->appeared(), 1.0, kSettle);
}

void ContentViewTest::detail_followsSelection()
{
    Window w;
    QVERIFY(vsp::test::child<EmptyDetailView>(w.content(), QStringLiteral("emptyDetail"))->isVisible());
    const JournalEntry b = w.store.entries().at(1);
    w.store.setSelectedEntryID(b.id);
    QVERIFY(w.content().detail()->isVisible());
    QCOMPARE(w.content().detail()->entry().id, b.id);
    JournalEntry changed = b;
    changed.title = QStringLiteral("B changed");
    w.store.updateEntry(changed);
    QCOMPARE(w.content().detail()->entry().title, QStringLiteral("B changed"));
    w.store.setSelectedEntryID(std::nullopt);
    QVERIFY(vsp::test::child<EmptyDetailView>(w.content(), QStringLiteral("emptyDetail"))->isVisible());
}

void ContentViewTest::sidebar_hidesAndReturns()
{
    Window w;
    SidebarView* sidebar = w.content().sidebar();
    QVERIFY(sidebar->isVisible());
    QVERIFY(sidebar->width() >= 220 && sidebar->width() <= 300);
    w.columns().setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
    QVERIFY(!sidebar->isVisible());
    QVERIFY(w.content().entryList()->isVisible());
    w.columns().setVisibility(ColumnVisibilityHolder::Visibility::All);
    QVERIFY(sidebar->isVisible());
    QTRY_VERIFY(sidebar->width() >= 220);
}

void ContentViewTest::accentChange_closesSearch_keepsSidebarState()
{
    Window w;
    EntryListView* list = w.content().entryList();
    w.columns().setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
    list->setShowSearch(true);
    w.store.setSearchQuery(QStringLiteral("alp"));
    AppSettings::instance().setAccentColorPreset(QStringLiteral("teal"));
    QVERIFY(!list->showSearch());
    QCOMPARE(w.store.searchQuery(), QString());
    QCOMPARE(w.columns().visibility(), ColumnVisibilityHolder::Visibility::DoubleColumn);
}

void ContentViewTest::focusMode_movesColumnsAway_thenEndsWithThemHidden()
{
    Window w;
    w.store.setSelectedEntryID(w.store.entries().first().id);
    vsp::setAnimationsEnabled(true);
    w.store.setFocusMode(true);
    // The motion covers the window at once; the columns underneath already have their new layout.
    QPointer<vsp::TransitionOverlay> motion = w.content().m_columnTransition;
    QVERIFY(motion);
    QVERIFY(motion->isVisible());
    QCOMPARE(motion->geometry(), w.content().rect());
    QVERIFY(!w.content().sidebar()->isVisible());
    QVERIFY(!w.content().entryList()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!motion, kSettle);
    QVERIFY(w.content().m_columnTransition.isNull());
    QVERIFY(!w.content().sidebar()->isVisible());
    QVERIFY(!w.content().entryList()->isVisible());
    QCOMPARE(w.content().detail()->width(), w.content().width());

    // Leaving focus mode brings both columns back the same way.
    w.store.setFocusMode(false);
    motion = w.content().m_columnTransition;
    QVERIFY(motion);
    QTRY_VERIFY_WITH_TIMEOUT(!motion, kSettle);
    QVERIFY(w.content().sidebar()->isVisible());
    QVERIFY(w.content().entryList()->isVisible());
    QTRY_VERIFY(w.content().detail()->mapTo(&w.content(), QPoint()).x() > w.content().entryList()->x());
}

void ContentViewTest::focusModeToggledMidway_continuesFromTheFrameShown()
{
    Window w;
    w.store.setSelectedEntryID(w.store.entries().first().id);
    vsp::setAnimationsEnabled(true);
    w.store.setFocusMode(true);
    QPointer<vsp::TransitionOverlay> first = w.content().m_columnTransition;
    QTRY_VERIFY_WITH_TIMEOUT(!first || first->isMoving(), kSettle);
    w.store.setFocusMode(false);
    // One motion at a time: the first one gives way to the second.
    QPointer<vsp::TransitionOverlay> second = w.content().m_columnTransition;
    QVERIFY(second);
    QVERIFY(second != first);
    QTRY_VERIFY(!first);
    QTRY_VERIFY_WITH_TIMEOUT(!second, kSettle);
    QVERIFY(w.content().sidebar()->isVisible());
    QVERIFY(w.content().entryList()->isVisible());
}

void ContentViewTest::showSidebar_movesSidebarIn()
{
    Window w;
    w.columns().setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
    QVERIFY(!w.content().sidebar()->isVisible());
    vsp::setAnimationsEnabled(true);
    vsp::GlassButton* button =
        vsp::test::child<vsp::GlassButton>(*w.content().entryList(), QStringLiteral("showSidebar"));
    QVERIFY(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QPointer<vsp::TransitionOverlay> motion = w.content().m_columnTransition;
    QVERIFY(motion);
    QTRY_VERIFY_WITH_TIMEOUT(!motion, kSettle);
    QVERIFY(w.content().sidebar()->isVisible());
    QTRY_VERIFY(w.content().sidebar()->width() >= 220);
    // The button has shrunk away with its own spring.
    QTRY_VERIFY_WITH_TIMEOUT(!button->isVisible(), kSettle);
}

void ContentViewTest::columnChanges_withoutAnimations_landAtOnce()
{
    Window w;
    w.store.setSelectedEntryID(w.store.entries().first().id);
    w.store.setFocusMode(true);
    QVERIFY(w.content().m_columnTransition.isNull());
    QVERIFY(!w.content().sidebar()->isVisible());
    w.store.setFocusMode(false);
    w.columns().setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
    QVERIFY(w.content().m_columnTransition.isNull());
    QVERIFY(!w.content().sidebar()->isVisible());
    QVERIFY(w.content().entryList()->isVisible());
}

void ContentViewTest::columnMotionWhileLocked_neverShowsOverTheCover()
{
    // Focus mode stays reachable from the View menu while the journal is locked, and a new entry from
    // quick capture selects itself: neither may paint pictures of the journal over the lock cover.
    Window w;
    w.store.setSelectedEntryID(w.store.entries().first().id);
    w.store.setIsLocked(true);
    vsp::setAnimationsEnabled(true);
    w.store.setFocusMode(true);
    QVERIFY(w.content().isFocusLayout());
    QCoreApplication::processEvents();
    // The topmost visible child paints last (the motion lets the pointer through, so it is looked up
    // in the stacking order rather than by position).
    const auto coverOnTop = [&w] {
        const QObjectList children = w.content().children();
        for (auto it = children.crbegin(); it != children.crend(); ++it) {
            auto* widget = qobject_cast<QWidget*>(*it);
            if (widget && widget->isVisible()) {
                return widget == w.content().lockScreen();
            }
        }
        return false;
    };
    QVERIFY(coverOnTop());
    w.store.setFocusMode(false);
    QCoreApplication::processEvents();
    QVERIFY(coverOnTop());

    // Locking while the columns move puts the cover above the motion at once and for good.
    w.store.setIsLocked(false);
    QTRY_VERIFY_WITH_TIMEOUT(!w.content().lockScreen()->isVisible(), kSettle);
    w.store.setFocusMode(true);
    QVERIFY(!w.content().m_columnTransition.isNull());
    w.store.setIsLocked(true);
    QCoreApplication::processEvents();
    QVERIFY(coverOnTop());
    QTRY_VERIFY_WITH_TIMEOUT(w.content().m_columnTransition.isNull(), kSettle);
    QVERIFY(coverOnTop());
}

void ContentViewTest::lockedAgainWhileCoverFades_staysOpaque()
{
    Window w;
    LockScreenView* lock = w.content().lockScreen();
    vsp::setAnimationsEnabled(true);
    w.store.setIsLocked(true);
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(lock->graphicsEffect());
    QVERIFY(effect);
    // Unlocking fades the cover away; locking again (the app losing focus at once, say) must bring it
    // back whole and keep it so, not let the old fade carry on to a see-through cover.
    w.store.setIsLocked(false);
    QTRY_VERIFY_WITH_TIMEOUT(effect->opacity() < 0.9, kSettle);
    w.store.setIsLocked(true);
    QCOMPARE(effect->opacity(), 1.0);
    // Whatever still moves on the cover runs to its end now: an old fade left going would end see-through.
    viewfixtures::finishAnimations(effect);
    viewfixtures::finishAnimations(&w.content());
    QVERIFY(lock->isVisible());
    QCOMPARE(effect->opacity(), 1.0);
}

void ContentViewTest::unlock_fadesOnlyAfterACheck_data()
{
    using Stack = vsp::test::FakeAuthenticator::Stack;
    QTest::addColumn<Stack>("stack");
    QTest::addColumn<bool>("fades");
    QTest::newRow("owner proved") << Stack::Permit << true;
    // Nothing was asked of the user, so nothing is shown going away.
    QTest::newRow("check cannot start") << Stack::Unavailable << false;
}

void ContentViewTest::unlock_fadesOnlyAfterACheck()
{
    QFETCH(vsp::test::FakeAuthenticator::Stack, stack);
    QFETCH(bool, fades);
    Window w;
    LockScreenView* lock = w.content().lockScreen();
    lock->setAuthenticatorFactory(vsp::test::FakeAuthenticator::factory(stack));
    vsp::setAnimationsEnabled(true);
    w.store.setIsLocked(true);
    QTRY_VERIFY(!w.store.isLocked());
    QCOMPARE(lock->isVisible(), fades);
    QTRY_VERIFY_WITH_TIMEOUT(!lock->isVisible(), kSettle);
}

void ContentViewTest::newDay_sidebarAndCalendarFollow()
{
    // Midnight passes with the window open: nothing in the journal changes, but "today" does.
    double clock = localMoment(0, 22);
    JournalStore store([&clock] { return clock; });
    MoodStore moods;
    store.setEntries({entry(QStringLiteral("Late"), localMoment(0, 21), QStringLiteral("three more words"))});
    AppSettings::instance().setDailyWordGoal(10);
    MainWindow window(store, moods, {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    store.setShowCalendar(true);
    store.setSelectedDate(std::nullopt);
    SidebarView* sidebar = window.contentView()->sidebar();
    auto* calendar = window.findChild<CalendarView*>();
    QVERIFY(calendar);
    QCOMPARE(vsp::test::child<SidebarRow>(*sidebar, QStringLiteral("sectionRow"))->count(), 1);
    QCOMPARE(vsp::test::child<SidebarHeader>(*sidebar, QStringLiteral("sidebarHeader"))->shownStreak(), 1);
    QCOMPARE(vsp::test::child<SidebarStats>(*sidebar, QStringLiteral("sidebarStats"))->numbersText(),
             QStringLiteral("3 / 10"));
    QVERIFY(!calendar->showsEmptyDay());

    clock = localMoment(1, 0, 5);
    window.contentView()->entryList()->showDay(store.today());
    QCOMPARE(vsp::test::child<SidebarRow>(*sidebar, QStringLiteral("sectionRow"))->count(), -1);
    QCOMPARE(vsp::test::child<SidebarHeader>(*sidebar, QStringLiteral("sidebarHeader"))->shownStreak(), 0);
    QCOMPARE(vsp::test::child<SidebarStats>(*sidebar, QStringLiteral("sidebarStats"))->numbersText(),
             QStringLiteral("0 / 10"));
    QVERIFY(calendar->showsEmptyDay());
    QVERIFY(vsp::test::child<GlassChipButton>(*calendar, QStringLiteral("writeToday"))->isVisibleTo(calendar));
}
