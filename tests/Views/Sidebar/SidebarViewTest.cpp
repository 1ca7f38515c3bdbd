#include "SidebarViewTest.h"

#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"
#include "Theme/Transitions.h"
#include "Views/Sidebar/SidebarFooter.h"
#include "Views/Sidebar/SidebarHeader.h"
#include "Views/Sidebar/SidebarRows.h"
#include "Views/Sidebar/SidebarView.h"
#include "Widgets/ColumnVisibilityHolder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>

using viewfixtures::entry;
using viewfixtures::localMoment;

namespace {

/// Today: two entries (one tagged "work" with a mood), yesterday one; an archived entry with its own
/// tag and mood that must count nowhere.
struct Fixture {
    JournalStore store{fixtures::fixtureClock().function()};
    MoodStore moods;
    ColumnVisibilityHolder columns;
    QStringList opened;
    SidebarView view{store, moods, columns, [this](const QString& id) { opened.append(id); }};
    /// The four section rows, in order.
    QList<SidebarRow*> sectionRows() const { return view.findChildren<SidebarRow*>(QStringLiteral("sectionRow")); }
    /// The sidebar's child of type T called `name`.
    template <typename T>
    T* part(const char* name) const
    {
        return vsp::test::child<T>(view, QString::fromLatin1(name));
    }

    explicit Fixture(bool withEntries = true)
    {
        if (withEntries) {
            JournalEntry a = entry(QStringLiteral("A"), localMoment(0, 9), QStringLiteral("one two three"),
                                   {QStringLiteral("work")});
            a.mood = moods.moods().first().emoji;
            JournalEntry b = entry(QStringLiteral("B"), localMoment(0, 8), QStringLiteral("four"),
                                   {QStringLiteral("home"), QStringLiteral("work")});
            JournalEntry c = entry(QStringLiteral("C"), localMoment(-1), QStringLiteral("five"));
            c.isFavorite = true;
            JournalEntry archived = entry(QStringLiteral("Old"), localMoment(0, 7), QStringLiteral("six seven"),
                                          {QStringLiteral("secret")});
            archived.isArchived = true;
            archived.mood = moods.moods().last().emoji;
            store.setEntries({a, b, c, archived});
        }
        view.resize(250, 700);
        view.show();
        (void)QTest::qWaitForWindowExposed(&view);
    }
    const JournalEntry& byTitle(const QString& title) const
    {
        for (const JournalEntry& e : store.entries()) {
            if (e.title == title) {
                return e;
            }
        }
        qFatal("no entry titled %s", qPrintable(title));
    }
};

QStringList titles(const QList<SidebarRow*>& rows)
{
    QStringList out;
    for (const SidebarRow* row : rows) {
        out.append(row->title() + u':' + QString::number(row->count()));
    }
    return out;
}

QStringList titles(const SidebarRowList* list)
{
    QStringList out;
    for (const SidebarRowList::Item& item : list->items()) {
        out.append(item.title + u':' + QString::number(item.count));
    }
    return out;
}

/// Clicks the row of a list that shows `value`; false when there is none.
bool clickRow(SidebarRowList* list, const QString& value)
{
    for (int i = 0; i < list->items().size(); ++i) {
        if (list->items()[i].value == value) {
            QTest::mouseClick(list, Qt::LeftButton, {}, list->rowRect(i).center());
            return true;
        }
    }
    return false;
}

QJsonArray storedEntries()
{
    QFile f(JournalStore::storeFolder() + QStringLiteral("/entries.json"));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(f.readAll()).array();
}

} // namespace

void SidebarViewTest::init()
{
    viewfixtures::resetState();
}

void SidebarViewTest::emptyJournal_showsCaptureAlone()
{
    Fixture f(false);
    QVERIFY(!f.part<SidebarCaption>("moodsCaption")->isVisibleTo(&f.view));
    QVERIFY(!f.part<SidebarCaption>("tagsCaption")->isVisibleTo(&f.view));
    QCOMPARE(titles(f.sectionRows()),
             (QStringList{u"Today:-1"_qs, u"Journal:-1"_qs, u"Archive:-1"_qs, u"Favorites:-1"_qs}));
    QVERIFY(!vsp::test::child<GlassChipButton>(*f.view.footer(), QStringLiteral("trashButton"))->isVisibleTo(&f.view));
    QVERIFY(!f.part<SidebarStats>("sidebarStats")->isVisibleTo(&f.view));
    // A click on an empty section leaves nothing selected.
    f.store.setSelectedEntryID(QUuid::createUuid());
    QTest::mouseClick(f.sectionRows().at(1), Qt::LeftButton);
    QCOMPARE(f.store.selectedEntryID(), std::nullopt);
}

void SidebarViewTest::fixture_countsIgnoreArchivedEntries()
{
    Fixture f;
    QCOMPARE(f.sectionRows().first()->count(), 2);
    QVERIFY(f.part<SidebarCaption>("moodsCaption")->isVisibleTo(&f.view));
    const MoodItem first = f.moods.moods().first();
    QCOMPARE(titles(f.part<SidebarRowList>("moodList")), QStringList{first.label + u":1"});
    QCOMPARE(titles(f.part<SidebarRowList>("tagList")), (QStringList{u"home:1"_qs, u"work:2"_qs}));

    // Archiving the last mood entry removes the group's rows; a new tag appears in code-point order.
    JournalEntry a = f.byTitle(QStringLiteral("A"));
    a.isArchived = true;
    f.store.updateEntry(a);
    QVERIFY(!f.part<SidebarCaption>("moodsCaption")->isVisibleTo(&f.view));
    JournalEntry c = f.byTitle(QStringLiteral("C"));
    c.tags = {QStringLiteral("Zebra")};
    f.store.updateEntry(c);
    QCOMPARE(titles(f.part<SidebarRowList>("tagList")), (QStringList{u"Zebra:1"_qs, u"home:1"_qs, u"work:1"_qs}));
    QCOMPARE(f.sectionRows().first()->count(), 1);
    // A mood outside the mood list shows the group's title with no row under it.
    c.mood = QStringLiteral("🦄");
    f.store.updateEntry(c);
    QVERIFY(f.part<SidebarCaption>("moodsCaption")->isVisibleTo(&f.view));
    QCOMPARE(titles(f.part<SidebarRowList>("moodList")), QStringList());
}

void SidebarViewTest::click_writesNavigationState_data()
{
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<bool>("mood");
    QTest::addColumn<QString>("selected");
    // Each click is "s:<section>", "m" (the first mood) or "t:<tag>".
    QTest::newRow("section") << "s:Favorites"
                             << "Favorites"
                             << "" << false << "C";
    QTest::newRow("archive") << "s:Archive"
                             << "Archive"
                             << "" << false << "Old";
    QTest::newRow("tag keeps section") << "s:Journal,t:home"
                                       << "Journal"
                                       << "home" << false << "B";
    QTest::newRow("tag twice stays") << "t:work,t:work"
                                     << "Today"
                                     << "work" << false << "A";
    QTest::newRow("mood clears tag") << "t:home,m"
                                     << "Today"
                                     << "" << true << "A";
    QTest::newRow("mood twice goes to Journal") << "s:Favorites,m,m"
                                                << "Journal"
                                                << "" << false << "A";
    QTest::newRow("tag clears mood") << "m,t:home"
                                     << "Today"
                                     << "home" << false << "B";
    QTest::newRow("section clears both") << "t:home,s:Today"
                                         << "Today"
                                         << "" << false << "A";
}

void SidebarViewTest::click_writesNavigationState()
{
    QFETCH(QString, clicks);
    QFETCH(QString, section);
    QFETCH(QString, tag);
    QFETCH(bool, mood);
    QFETCH(QString, selected);
    Fixture f;
    for (const QString& click : clicks.split(u',')) {
        // The calendar and a search are left by every click.
        f.store.setShowCalendar(true);
        f.store.setSearchQuery(QStringLiteral("zzz"));
        const QString value = click.mid(2);
        QSignalSpy announced(&f.store, &JournalStore::navigationChanged);
        bool clicked = false;
        if (click.startsWith(u's')) {
            for (SidebarRow* r : f.sectionRows()) {
                if (r->value() == value) {
                    QTest::mouseClick(r, Qt::LeftButton);
                    clicked = true;
                }
            }
        } else if (click.startsWith(u't')) {
            clicked = clickRow(f.part<SidebarRowList>("tagList"), value);
        } else {
            clicked = clickRow(f.part<SidebarRowList>("moodList"), f.moods.moods().first().emoji);
        }
        QVERIFY2(clicked, qPrintable(click));
        // One click, one announcement of all it changed.
        QCOMPARE(announced.count(), 1);
        QCOMPARE(f.store.showCalendar(), false);
        QCOMPARE(f.store.searchQuery(), QString());
    }
    QCOMPARE(navSectionRawValue(f.store.selectedSection()), section);
    QCOMPARE(f.store.selectedTag().value_or(QString()), tag);
    QCOMPARE(f.store.moodFilter().has_value(), mood);
    QCOMPARE(f.store.selectedEntryID().has_value(), !selected.isEmpty());
    if (!selected.isEmpty()) {
        QCOMPARE(f.store.selectedEntryID(), std::optional<QUuid>(f.byTitle(selected).id));
    }
    // Only the row of the filter in effect is highlighted.
    int highlighted = 0;
    for (SidebarRow* r : f.sectionRows()) {
        highlighted += r->isSelected() ? 1 : 0;
    }
    highlighted += f.part<SidebarRowList>("moodList")->selectedIndex() >= 0 ? 1 : 0;
    highlighted += f.part<SidebarRowList>("tagList")->selectedIndex() >= 0 ? 1 : 0;
    QCOMPARE(highlighted, 1);
}

void SidebarViewTest::appearanceSwitch_repaintsRowsAtOnce()
{
    Fixture f;
    SidebarRow* journal = f.sectionRows().at(1);
    auto titlePixels = [&f, journal] {
        const QImage image = f.view.grab(QRect(journal->mapTo(&f.view, QPoint(0, 0)), journal->size())).toImage();
        // The darkest and the lightest pixel of the row: its title against its background.
        int darkest = 255;
        int lightest = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int l = QColor(image.pixel(x, y)).lightness();
                darkest = std::min(darkest, l);
                lightest = std::max(lightest, l);
            }
        }
        return std::pair{darkest, lightest};
    };
    AppSettings::instance().setAppearanceMode(QStringLiteral("dark"));
    const auto dark = titlePixels();
    AppSettings::instance().setAppearanceMode(QStringLiteral("light"));
    QVERIFY(!AppearanceManager::instance().isDark());
    const auto light = titlePixels();
    // Dark: light text on a dark column; light: dark text on a light one.
    QVERIFY2(dark.first < 60 && light.second > 200,
             qPrintable(QStringLiteral("%1 %2").arg(dark.first).arg(light.second)));
    QVERIFY(light.first < dark.second);
}

void SidebarViewTest::launcher_rowsSetRestoreFlagAndOpenComposeWindow_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("continueDraft");
    QTest::newRow("no draft") << QString() << QString() << false;
    QTest::newRow("spaces count as a draft") << QString() << QStringLiteral("  ") << true;
    QTest::newRow("title draft, new entry") << QStringLiteral("T") << QString() << false;
    QTest::newRow("title draft, continue") << QStringLiteral("T") << QString() << true;
}

void SidebarViewTest::launcher_rowsSetRestoreFlagAndOpenComposeWindow()
{
    QFETCH(QString, title);
    QFETCH(QString, body);
    QFETCH(bool, continueDraft);
    if (!title.isEmpty()) {
        AppSettings::instance().setDraftTitle(title);
    }
    if (!body.isEmpty()) {
        AppSettings::instance().setDraftBody(body);
    }
    Fixture f;
    f.store.setRestoreDraftOnCompose(!continueDraft);
    QTest::mouseClick(f.part<SidebarHeader>("sidebarHeader")->plusButton(), Qt::LeftButton);
    QVERIFY(f.view.isLauncherOpen());
    QCOMPARE(f.part<SidebarHeader>("sidebarHeader")->plusButton()->symbolRotation(), 45.0);
    const bool hasDraft = !title.isEmpty() || !body.isEmpty();
    auto* launcher = f.part<ComposeLauncherPanel>("composeLauncher");
    QCOMPARE(launcher->continueDraftRow() != nullptr, hasDraft);
    QWidget* row = continueDraft ? static_cast<QWidget*>(launcher->continueDraftRow()) : launcher->newEntryRow();
    QVERIFY(row && row->isVisible());
    QTest::mouseClick(row, Qt::LeftButton);
    QCOMPARE(f.store.restoreDraftOnCompose(), continueDraft);
    QCOMPARE(f.opened, QStringList{QStringLiteral("compose-window")});
    QVERIFY(!f.view.isLauncherOpen());
    QVERIFY(!f.part<ComposeLauncherPanel>("composeLauncher")->isVisible());
    QCOMPARE(f.part<SidebarHeader>("sidebarHeader")->plusButton()->symbolRotation(), 0.0);
    // Neither row touches the draft itself.
    QCOMPARE(AppSettings::instance().draftTitle(), title);
}

void SidebarViewTest::launcherOpen_clickElsewhere_onlyCloses()
{
    Fixture f;
    f.store.setSelectedSection(NavSection::Journal);
    f.view.setLauncherOpen(true);
    SidebarRow* favorites = f.sectionRows().at(3);
    QTest::mouseClick(f.view.window()->childAt(favorites->mapTo(&f.view, favorites->rect().center())), Qt::LeftButton,
                      {}, QPoint(5, 5));
    QVERIFY(!f.view.isLauncherOpen());
    QCOMPARE(f.store.selectedSection(), NavSection::Journal);
    // Where the plus button lies, too.
    f.view.setLauncherOpen(true);
    QWidget* over =
        f.view.childAt(f.part<SidebarHeader>("sidebarHeader")->plusButton()->mapTo(&f.view, QPoint(13, 13)));
    QVERIFY(over != f.part<SidebarHeader>("sidebarHeader")->plusButton());
    QTest::mouseClick(over, Qt::LeftButton);
    QVERIFY(!f.view.isLauncherOpen());
    QVERIFY(f.opened.isEmpty());
}

void SidebarViewTest::launcherClose_byRowAtOnce_besideWithSpring_data()
{
    QTest::addColumn<bool>("byRow");
    QTest::newRow("a row closes at once") << true;
    QTest::newRow("a click beside glides") << false;
}

void SidebarViewTest::launcherClose_byRowAtOnce_besideWithSpring()
{
    QFETCH(bool, byRow);
    vsp::setAnimationsEnabled(true);
    Fixture f;
    SidebarHeader* header = f.part<SidebarHeader>("sidebarHeader");
    auto* slot = qobject_cast<TransitionSlot*>(f.part<ComposeLauncherPanel>("composeLauncher")->parentWidget());
    QVERIFY(slot);
    QTest::mouseClick(header->plusButton(), Qt::LeftButton);
    // The plus turns and takes the accent tint with the panel's spring.
    QVERIFY(slot->isTransitioning());
    QCOMPARE_LT(header->plusTint(), 1.0);
    viewfixtures::finishAnimations(&f.view);
    QCOMPARE(header->plusTint(), 1.0);
    QCOMPARE(header->plusButton()->symbolRotation(), 45.0);
    if (byRow) {
        QTest::mouseClick(f.part<ComposeLauncherPanel>("composeLauncher")->newEntryRow(), Qt::LeftButton);
        QVERIFY(!slot->isTransitioning());
        QVERIFY(!f.part<ComposeLauncherPanel>("composeLauncher")->isVisible());
        QCOMPARE(header->plusTint(), 0.0);
        QCOMPARE(header->plusButton()->symbolRotation(), 0.0);
    } else {
        QTest::mouseClick(f.view.childAt(f.sectionRows().at(2)->mapTo(&f.view, QPoint(20, 10))), Qt::LeftButton);
        QVERIFY(slot->isTransitioning());
        QCOMPARE_GT(header->plusTint(), 0.0);
        viewfixtures::finishAnimations(&f.view);
        QVERIFY(!slot->isVisible());
        QCOMPARE(header->plusButton()->symbolRotation(), 0.0);
    }
    vsp::setAnimationsEnabled(false);
}

void SidebarViewTest::firstShow_everyMovingValueAtRest()
{
    // Everything that moves when it changes is already there on the first picture: a selected tag,
    // Today's count, the streak badge and the trash button.
    vsp::setAnimationsEnabled(true);
    JournalStore store(fixtures::fixtureClock().function());
    MoodStore moods;
    ColumnVisibilityHolder columns;
    const JournalEntry gone = entry(QStringLiteral("B"), localMoment(-1, 9));
    store.setEntries({entry(QStringLiteral("A"), localMoment(0, 9), QString(), {QStringLiteral("work")}), gone});
    store.deleteEntry(gone);
    store.setSelectedTag(QStringLiteral("work"));
    SidebarView view(store, moods, columns);
    view.resize(250, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
    QCOMPARE(viewfixtures::runningAnimations(&view), 0);
    QCOMPARE(vsp::test::child<SidebarHeader>(view, QStringLiteral("sidebarHeader"))->shownStreak(), 1);
    QCOMPARE(vsp::test::child<SidebarRowList>(view, QStringLiteral("tagList"))->selectedIndex(), 0);
    QVERIFY(vsp::test::child<GlassChipButton>(*view.footer(), QStringLiteral("trashButton"))->isVisible());
    QCOMPARE(vsp::test::child<SidebarRow>(view, QStringLiteral("sectionRow"))->count(), 1);
    vsp::setAnimationsEnabled(false);
}

void SidebarViewTest::header_nameIsPlainText_streakBadgeFollowsToday()
{
    AppSettings& settings = AppSettings::instance();
    settings.setJournalName(QStringLiteral("<b>Night</b> & <i>day</i>"));
    Fixture f(false);
    QCOMPARE(f.part<QLabel>("journalName")->textFormat(), Qt::PlainText);
    // The tooltip shows the name as typed too, not as markup.
    QCOMPARE(QTextDocumentFragment::fromHtml(f.part<QLabel>("journalName")->toolTip()).toPlainText(),
             QStringLiteral("<b>Night</b> & <i>day</i>"));
    QCOMPARE(f.part<SidebarHeader>("sidebarHeader")->shownStreak(), 0);
    f.store.addEntry(entry(QStringLiteral("Now"), fixtures::fixtureNow()));
    QCOMPARE(f.part<SidebarHeader>("sidebarHeader")->shownStreak(), 1);
    settings.setJournalName(QStringLiteral("Pages"));
    QCOMPARE(f.part<QLabel>("journalName")->text(), QStringLiteral("Pages"));
}

void SidebarViewTest::header_longStreak_shrinksTheBadgeNotTheName()
{
    AppSettings::instance().setJournalName(QStringLiteral("Vesperlog"));
    Fixture f(false);
    QList<JournalEntry> days;
    for (int day = 0; day < 1234; ++day) {
        days.append(entry(QStringLiteral("Day"), localMoment(-day)));
    }
    f.store.setEntries(days);
    auto* header = f.part<SidebarHeader>("sidebarHeader");
    QCOMPARE(header->shownStreak(), 1234);
    // The sidebar at the width it opens with.
    f.view.resize(250, 700);
    f.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.view));
    QCoreApplication::processEvents();
    QCOMPARE(f.part<QLabel>("journalName")->text(), QStringLiteral("Vesperlog"));
    const QRectF badge = header->badgeRect();
    QVERIFY(badge.width() > 0);
    QVERIFY2(badge.right() <= header->hideButton()->geometry().left(),
             qPrintable(QStringLiteral("badge ends at %1, the button starts at %2")
                            .arg(badge.right())
                            .arg(header->hideButton()->geometry().left())));
}

void SidebarViewTest::stats_goalProgress_data()
{
    QTest::addColumn<int>("words");
    QTest::addColumn<int>("goal");
    QTest::addColumn<double>("progress");
    QTest::newRow("no goal") << 300 << 0 << 0.0;
    QTest::newRow("negative goal") << 300 << -5 << 0.0;
    QTest::newRow("nothing yet") << 0 << 500 << 0.0;
    QTest::newRow("half") << 250 << 500 << 0.5;
    QTest::newRow("reached") << 500 << 500 << 1.0;
    QTest::newRow("past") << 750 << 500 << 1.0;
}

void SidebarViewTest::stats_goalProgress()
{
    QFETCH(int, words);
    QFETCH(int, goal);
    QFETCH(double, progress);
    QCOMPARE(SidebarStats::goalProgress(words, goal), progress);
}

void SidebarViewTest::footer_trashButtonOnlyWithTrash_nameIsPlainText()
{
    Fixture f;
    AppSettings& settings = AppSettings::instance();
    QVERIFY(!f.part<SidebarStats>("sidebarStats")->isVisibleTo(&f.view));
    settings.setDailyWordGoal(10);
    QVERIFY(f.part<SidebarStats>("sidebarStats")->isVisibleTo(&f.view));
    // Today's words, archived entries included: 3 + 1 + 2.
    QCOMPARE(f.part<SidebarStats>("sidebarStats")->numbersText(), QStringLiteral("6 / 10"));

    settings.setUserName(QStringLiteral("<img src=x>Ada"));
    QCOMPARE(vsp::test::child<QLabel>(*f.view.footer(), QStringLiteral("userName"))->textFormat(), Qt::PlainText);
    QCOMPARE(vsp::test::child<QLabel>(*f.view.footer(), QStringLiteral("userName"))->text(),
             QStringLiteral("<img src=x>Ada"));
    QCOMPARE(QTextDocumentFragment::fromHtml(
                 vsp::test::child<QLabel>(*f.view.footer(), QStringLiteral("userName"))->toolTip())
                 .toPlainText(),
             QStringLiteral("<img src=x>Ada"));
    GlassChipButton* trash = vsp::test::child<GlassChipButton>(*f.view.footer(), QStringLiteral("trashButton"));
    QVERIFY(!trash->isVisibleTo(&f.view));
    f.store.deleteEntry(f.byTitle(QStringLiteral("C")));
    QVERIFY(trash->isVisibleTo(&f.view));
    QCOMPARE(trash->text(), QStringLiteral("1"));
    QCOMPARE(trash->accessibleName(), QStringLiteral("Trash — 1 entries"));
    QCOMPARE(trash->toolTip(), QStringLiteral("Recently deleted"));
    QTest::mouseClick(vsp::test::child<vsp::GlassButton>(*f.view.footer(), QStringLiteral("settingsButton")),
                      Qt::LeftButton);
    QCOMPARE(f.opened, QStringList{QStringLiteral("settings")});
    f.store.emptyTrash();
    QVERIFY(!trash->isVisibleTo(&f.view));
}

void SidebarViewTest::tagMenu_actionsWriteEntriesAndSettings()
{
    Fixture f;
    f.store.setSelectedTag(QStringLiteral("work"));
    std::unique_ptr<QMenu> menu(f.view.makeTagMenu(QStringLiteral("work"), &f.view));
    const QList<QAction*> top = menu->actions();
    QCOMPARE(top.size(), 3);
    QCOMPARE(top[0]->text(), QStringLiteral("Set color"));
    QVERIFY(top[1]->isSeparator());
    QCOMPARE(top[2]->text(), QStringLiteral("Remove tag from all entries"));
    const QList<QAction*> colors = top[0]->menu()->actions();
    QCOMPARE(colors.size(), 11);
    QCOMPARE(colors[5]->text(), QStringLiteral("Blue"));
    QCOMPARE(colors.last()->text(), QStringLiteral("Reset to default"));

    // What the settings file holds under "tagColors", read afresh each time.
    auto storedColors = [] {
        const QSettings file(AppSettings::fileName(), QSettings::IniFormat);
        return QJsonDocument::fromJson(file.value(QStringLiteral("tagColors")).toByteArray()).object().toVariantHash();
    };
    colors[5]->trigger();
    QCOMPARE(storedColors().value(QStringLiteral("work")).toString(), QStringLiteral("#60A5FA"));
    colors.last()->trigger();
    QVERIFY(!storedColors().contains(QStringLiteral("work")));
    colors[3]->trigger();

    top[2]->trigger();
    for (const QJsonValue& e : storedEntries()) {
        QVERIFY(!e.toObject().value(QStringLiteral("tags")).toArray().contains(QStringLiteral("work")));
    }
    QCOMPARE(storedEntries().size(), 4);
    QCOMPARE(titles(f.part<SidebarRowList>("tagList")), QStringList{u"home:1"_qs});
    QVERIFY(!f.store.selectedTag().has_value());
    // The chosen colour stays under the name for a tag of that name added later.
    QCOMPARE(storedColors().value(QStringLiteral("work")).toString(), QStringLiteral("#34D399"));
}

void SidebarViewTest::tagRemoval_rowsEndAtRest_standStillWhenReduced_data()
{
    QTest::addColumn<bool>("reduced");
    QTest::newRow("motion") << false;
    QTest::newRow("reduced motion") << true;
}

void SidebarViewTest::tagRemoval_rowsEndAtRest_standStillWhenReduced()
{
    QFETCH(bool, reduced);
    vsp::setAnimationsEnabled(true);
    vsp::setMotionReduced(reduced);
    Fixture f;
    SidebarRowList* tags = f.part<SidebarRowList>("tagList");
    std::unique_ptr<QMenu> menu(f.view.makeTagMenu(QStringLiteral("home"), &f.view));
    menu->actions().last()->trigger();
    // "home" fades out where it was while "work" glides up into its place.
    QCOMPARE(tags->isChangingRows(), !reduced);
    viewfixtures::finishAnimations(&f.view);
    QVERIFY(!tags->isChangingRows());
    QCOMPARE(titles(tags), QStringList{u"work:2"_qs});
    QCOMPARE(tags->height(), SidebarRowList::kRowHeight);
    auto* group = qobject_cast<TransitionSlot*>(f.part<SidebarCaption>("tagsCaption")->parentWidget()->parentWidget());
    QVERIFY(group);
    // The group gives back the room of the row that went.
    QCoreApplication::processEvents();
    QCOMPARE(group->height(), group->sizeHint().height());
    // The last tag takes its group with it, fading.
    std::unique_ptr<QMenu> last(f.view.makeTagMenu(QStringLiteral("work"), &f.view));
    last->actions().last()->trigger();
    QCOMPARE(group->isTransitioning(), !reduced);
    viewfixtures::finishAnimations(&f.view);
    QVERIFY(!f.part<SidebarCaption>("tagsCaption")->isVisibleTo(&f.view));
    vsp::setMotionReduced(false);
}

void SidebarViewTest::todayCount_rollsOnlyFromNumberToNumber_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("motionReduced");
    QTest::addColumn<bool>("rolls");
    QTest::newRow("number to number") << 2 << 3 << false << true;
    QTest::newRow("unchanged") << 2 << 2 << false << false;
    QTest::newRow("appears") << -1 << 1 << false << false;
    QTest::newRow("goes") << 1 << -1 << false << false;
    QTest::newRow("desktop reduces motion") << 2 << 3 << true << false;
}

void SidebarViewTest::todayCount_rollsOnlyFromNumberToNumber()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, motionReduced);
    QFETCH(bool, rolls);
    SidebarRow row(SidebarRow::Kind::Section);
    row.setCount(from);
    row.show();
    vsp::setAnimationsEnabled(true);
    vsp::setMotionReduced(motionReduced);
    row.setCount(to);
    const bool rolling = row.isCountRolling();
    vsp::setAnimationsEnabled(false);
    vsp::setMotionReduced(false);
    QCOMPARE(rolling, rolls);
    QCOMPARE(row.count(), to);
}

void SidebarViewTest::rowHighlight_titleColourGlidesWithIt()
{
    // Half-way through a highlight's arrival the title lies between its resting colours.
    AppSettings::instance().setAppearanceMode(QStringLiteral("dark"));
    auto brightestText = [](qreal selection) {
        SidebarRow::Look look;
        look.kind = SidebarRow::Kind::Section;
        look.title = QStringLiteral("Journal");
        look.selected = selection >= 0.5;
        look.selection = selection;
        QImage image(200, 30, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter p(&image);
        SidebarRow::paintContent(p, QRectF(image.rect()), look);
        p.end();
        int brightest = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 40; x < image.width(); ++x) {
                brightest = std::max(brightest, QColor(image.pixel(x, y)).lightness());
            }
        }
        return brightest;
    };
    const int resting = brightestText(0);
    const int halfway = brightestText(0.5);
    const int highlighted = brightestText(1);
    QVERIFY2(resting < halfway && halfway < highlighted,
             qPrintable(QStringLiteral("%1 %2 %3").arg(resting).arg(halfway).arg(highlighted)));
}
