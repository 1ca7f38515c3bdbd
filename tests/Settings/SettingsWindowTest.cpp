#include "SettingsWindowTest.h"

#include "common/FixedFileChooser.h"
#include "common/LocalHttpsServer.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/FileIO.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Model/NotificationCenter.h"
#include "Model/NotificationManager.h"
#include "Settings/LockScreenView.h"
#include "Settings/MoodEditorSection.h"
#include "Settings/SettingsView.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"
#include "Update/UpdateSheet.h"
#include "Update/Updater.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include <functional>

using Action = std::function<void(QWidget*)>;
Q_DECLARE_METATYPE(Action)
/// Reads one setting, as text.
using Read = std::function<QString(const AppSettings&)>;
Q_DECLARE_METATYPE(Read)
using Flag = bool (AppSettings::*)() const;
Q_DECLARE_METATYPE(Flag)

namespace {

enum Tab { General, Appearance, Personalize, Shortcuts, Data, Security, About };

QCheckBox* checkBox(QWidget& root, const QString& text)
{
    for (QCheckBox* box : root.findChildren<QCheckBox*>()) {
        if (box->text() == text) {
            return box;
        }
    }
    return nullptr;
}

template <typename T>
T* child(QWidget* root, const QString& name)
{
    return root->findChild<T*>(name);
}

/// How many values the settings file holds, read by an independent reader.
qsizetype storedCount()
{
    return QSettings(AppSettings::fileName(), QSettings::IniFormat).allKeys().size();
}

Read text(QString (AppSettings::*getter)() const)
{
    return [getter](const AppSettings& s) { return (s.*getter)(); };
}

template <typename Number>
Read number(Number (AppSettings::*getter)() const)
{
    return [getter](const AppSettings& s) { return QString::number((s.*getter)()); };
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

JournalEntry entry(const QString& body, double secondsAgo, const QStringList& tags = {})
{
    JournalEntry e = JournalEntry::create();
    e.body = body;
    e.date = fixtures::fixtureNow() - secondsAgo;
    e.tags = tags;
    return e;
}

} // namespace

SettingsWindowTest::SettingsWindowTest() = default;
SettingsWindowTest::~SettingsWindowTest() = default;

void SettingsWindowTest::init()
{
    vsp::test::resetUserFolders();
    AppearanceManager::instance().refresh();
    // As the application does at start-up: standard widgets take the theme's palette.
    AppearanceManager::instance().apply();
    NotificationCenter::instance().setStateFile(NotificationCenter::defaultStateFile());
    m_store = std::make_unique<JournalStore>();
    m_settings = std::make_unique<AppSettings>();
    m_moods = std::make_unique<MoodStore>();
    m_feed = std::make_unique<vsp::test::LocalHttpsServer>();
    QVERIFY(m_feed->start());
    m_feed->route(
        QStringLiteral("/update.json"),
        {200, "application/json", R"({"version": "0.0.1", "url": "https://vesperlog.app/a.zip", "sha256": "ab"})"});
    Updater::Options updater;
    updater.currentVersion = QStringLiteral("9.9");
    updater.feedOverride = m_feed->url(QStringLiteral("/update.json")).toString();
    updater.ssl = m_feed->sslConfiguration();
    m_updater = std::make_unique<Updater>(updater);
}

void SettingsWindowTest::cleanup()
{
    m_window.reset();
    m_updater.reset();
    m_moods.reset();
    m_settings.reset();
    m_store.reset();
}

SettingsView& SettingsWindowTest::window()
{
    if (!m_window) {
        m_window = std::make_unique<SettingsView>(*m_store, *m_settings, *m_moods, *m_updater, QStringLiteral("9.9"),
                                                  QStringLiteral("42"));
    }
    return *m_window;
}

QWidget* SettingsWindowTest::tabPage(int index)
{
    return vsp::test::child<QWidget>(window(), QStringLiteral("tab%1").arg(index));
}

QAbstractButton* SettingsWindowTest::tabButton(int index)
{
    return vsp::test::child<QAbstractButton>(window(), QStringLiteral("tabButton%1").arg(index));
}

void SettingsWindowTest::openingEveryTabAndClosing_writesNoKey()
{
    AppSettings().setJournalName(QStringLiteral("Notes"));
    const QByteArray settingsBefore = fileBytes(AppSettings::fileName());
    const QByteArray moodsBefore = fileBytes(MoodStore::filePath());
    const QByteArray notificationsBefore = fileBytes(NotificationCenter::defaultStateFile());

    window().show();
    for (int i = 0; i < window().tabCount(); ++i) {
        window().setCurrentTab(i);
        QCoreApplication::processEvents();
    }
    window().close();
    m_window.reset();

    QCOMPARE(fileBytes(AppSettings::fileName()), settingsBefore);
    QCOMPARE(storedCount(), 1);
    QCOMPARE(AppSettings().journalName(), QStringLiteral("Notes"));
    QCOMPARE(fileBytes(MoodStore::filePath()), moodsBefore);
    QCOMPARE(fileBytes(NotificationCenter::defaultStateFile()), notificationsBefore);
}

void SettingsWindowTest::window_isFixedSizeWithSevenTabs()
{
    QCOMPARE(window().minimumSize(), QSize(540, 480));
    QCOMPARE(window().maximumSize(), QSize(540, 480));
    QStringList labels;
    for (int i = 0; i < window().tabCount(); ++i) {
        labels << tabButton(i)->text();
    }
    QCOMPARE(labels, (QStringList{QStringLiteral("General"), QStringLiteral("Appearance"),
                                  QStringLiteral("Personalize"), QStringLiteral("Shortcuts"), QStringLiteral("Data"),
                                  QStringLiteral("Security"), QStringLiteral("About")}));
    QCOMPARE(window().currentTab(), 0);
    // A lone "&" in a button's text would turn the next letter into an underlined access key.
    for (QAbstractButton* button : window().findChildren<QAbstractButton*>()) {
        QVERIFY2(!QString(button->text()).remove(QStringLiteral("&&")).contains(u'&'), qPrintable(button->text()));
    }
    // Wording of this desktop throughout: no other desktop's names or key glyphs.
    for (QLabel* label : window().findChildren<QLabel*>()) {
        for (const QString& foreign : {QStringLiteral("Mac"), QStringLiteral("Touch ID"), QStringLiteral("⌘")}) {
            QVERIFY2(!label->text().contains(foreign), qPrintable(label->text()));
        }
    }
}

void SettingsWindowTest::closeKeys_closeTheWindow_data()
{
    QTest::addColumn<QKeyCombination>("keys");
    QTest::newRow("Ctrl+W") << QKeyCombination(Qt::ControlModifier, Qt::Key_W);
    QTest::newRow("Escape") << QKeyCombination(Qt::Key_Escape);
}

void SettingsWindowTest::closeKeys_closeTheWindow()
{
    QFETCH(QKeyCombination, keys);
    window().show();
    window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window()));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window(), keys.key(),
                    keys.keyboardModifiers());
    QVERIFY(window().isHidden());
}

void SettingsWindowTest::tabKeys_switchTabs_data()
{
    QTest::addColumn<bool>("onTabBar");
    QTest::addColumn<QKeyCombination>("keys");
    QTest::addColumn<int>("tab");
    QTest::newRow("ctrl+tab") << false << (Qt::CTRL | Qt::Key_Tab) << 1;
    // Shift+Tab arrives as Backtab from the desktop; going back from the first tab goes round.
    QTest::newRow("ctrl+shift+backtab") << false << (Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab) << 6;
    QTest::newRow("ctrl+shift+tab") << false << (Qt::CTRL | Qt::SHIFT | Qt::Key_Tab) << 6;
    QTest::newRow("right on the bar") << true << QKeyCombination(Qt::Key_Right) << 1;
    QTest::newRow("left on the bar") << true << QKeyCombination(Qt::Key_Left) << 6;
    QTest::newRow("ctrl+tab on the bar") << true << (Qt::CTRL | Qt::Key_Tab) << 1;
}

void SettingsWindowTest::tabKeys_switchTabs()
{
    QFETCH(bool, onTabBar);
    QFETCH(QKeyCombination, keys);
    QFETCH(int, tab);
    window().show();
    QApplication::setActiveWindow(&window());
    QVERIFY(QTest::qWaitForWindowActive(&window()));
    QCOMPARE(window().currentTab(), 0);
    tabButton(0)->setFocus(Qt::TabFocusReason);
    if (!onTabBar) {
        // On into the General tab's form.
        QTest::keyClick(tabButton(0), Qt::Key_Tab);
        QVERIFY(tabPage(0)->isAncestorOf(QApplication::focusWidget()));
    }
    QWidget* focused = QApplication::focusWidget();
    QTest::keyClick(focused, keys.key(), keys.keyboardModifiers());
    QCOMPARE(window().currentTab(), tab);
    QVERIFY(tabButton(tab)->isChecked());
    // On the bar the focus goes along with the tab; in a form it stays (or leaves the hidden page).
    if (onTabBar) {
        QVERIFY(tabButton(tab)->hasFocus());
    }
    // Round the window from there, the bar's one stop is the new tab.
    const QList<QWidget*> chain = viewfixtures::tabChain(&window());
    for (int b = 0; b < window().tabCount(); ++b) {
        QCOMPARE(chain.contains(tabButton(b)) || tabButton(b)->hasFocus(), b == tab);
    }
}

void SettingsWindowTest::everyTab_tabReachesNamedControls()
{
    window().show();
    QApplication::setActiveWindow(&window());
    QVERIFY(QTest::qWaitForWindowActive(&window()));
    for (int i = 0; i < window().tabCount(); ++i) {
        window().setCurrentTab(i);
        tabButton(i)->setFocus(Qt::TabFocusReason);
        const QList<QWidget*> chain = viewfixtures::tabChain(&window());
        int inPage = 0;
        for (QWidget* w : chain) {
            QVERIFY2(!viewfixtures::accessibleName(w).trimmed().isEmpty(),
                     qPrintable(QString::number(i) + u' ' + viewfixtures::describe(w)));
            inPage += tabPage(i)->isAncestorOf(w) ? 1 : 0;
        }
        // The bar is one Tab stop, its current tab; then the page's own controls (Shortcuts has none).
        for (int b = 0; b < window().tabCount(); ++b) {
            QVERIFY(!chain.contains(tabButton(b)));
        }
        QVERIFY2(i == 3 || inPage > 0, qPrintable(QString::number(i)));
        // Round again from the bar to the page's first control, with a long page scrolled to its end on the
        // way: the page shows it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* first = QApplication::focusWidget();
        QVERIFY2(!first->visibleRegion().isEmpty(),
                 qPrintable(QString::number(i) + u' ' + viewfixtures::describe(first)));
    }
}

void SettingsWindowTest::checkBox_writesItsSettingOnly_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Flag>("read");
    QTest::addColumn<bool>("before");
    QTest::newRow("auto-save draft") << int(General) << QStringLiteral("Auto-save draft")
                                     << Flag(&AppSettings::autoSaveDraft) << true;
    QTest::newRow("word count") << int(General) << QStringLiteral("Show word count")
                                << Flag(&AppSettings::showWordCount) << true;
    QTest::newRow("mood selector") << int(General) << QStringLiteral("Show mood selector")
                                   << Flag(&AppSettings::showMoodSelector) << true;
    QTest::newRow("weather") << int(General) << QStringLiteral("Add weather && location to new entries")
                             << Flag(&AppSettings::captureWeatherLocation) << true;
    QTest::newRow("compact list") << int(Appearance) << QStringLiteral("Compact list view")
                                  << Flag(&AppSettings::compactListView) << false;
    QTest::newRow("previews") << int(Appearance) << QStringLiteral("Show entry previews")
                              << Flag(&AppSettings::showEntryPreviews) << true;
    QTest::newRow("auto-backup") << int(Data) << QStringLiteral("Auto-backup on quit") << Flag(&AppSettings::autoBackup)
                                 << false;
    QTest::newRow("app lock") << int(Security) << QStringLiteral("Lock Vesperlog on launch")
                              << Flag(&AppSettings::appLockEnabled) << false;
    QTest::newRow("auto updates") << int(About) << QStringLiteral("Check for updates automatically")
                                  << Flag(&AppSettings::autoUpdates) << true;
}

void SettingsWindowTest::checkBox_writesItsSettingOnly()
{
    QFETCH(int, tab);
    QFETCH(QString, text);
    QFETCH(Flag, read);
    QFETCH(bool, before);
    window().setCurrentTab(tab);
    QCheckBox* box = checkBox(*tabPage(tab), text);
    QVERIFY(box);
    QCOMPARE(box->isChecked(), before);
    const AppSettings reader;
    QCOMPARE((reader.*read)(), before);

    box->click();
    QCOMPARE((reader.*read)(), !before);
    QCOMPARE(storedCount(), 1);
    box->click();
    QCOMPARE((reader.*read)(), before);
    QCOMPARE(storedCount(), 1);
}

void SettingsWindowTest::control_writesItsSetting_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<Action>("act");
    QTest::addColumn<Read>("read");
    QTest::addColumn<QString>("stored");
    auto combo = [](const QString& name) {
        return Action([name](QWidget* tab) { QTest::keyClick(child<QComboBox>(tab, name), Qt::Key_Down); });
    };
    auto click = [](const QString& name) {
        return Action([name](QWidget* tab) { child<QAbstractButton>(tab, name)->click(); });
    };
    QTest::newRow("entry type") << int(General) << combo(QStringLiteral("entryTypePicker"))
                                << text(&AppSettings::defaultEntryType) << QStringLiteral("Note");
    QTest::newRow("word goal") << int(
        General) << Action([](QWidget* tab) { child<QSpinBox>(tab, QStringLiteral("wordGoal"))->stepUp(); })
                               << number(&AppSettings::dailyWordGoal) << QStringLiteral("50");
    QTest::newRow("light") << int(Appearance) << click(QStringLiteral("appearance-light"))
                           << text(&AppSettings::appearanceMode) << QStringLiteral("light");
    QTest::newRow("system") << int(Appearance) << click(QStringLiteral("appearance-system"))
                            << text(&AppSettings::appearanceMode) << QStringLiteral("system");
    QTest::newRow("reading size") << int(
        Appearance) << Action([](QWidget* tab) { child<QSlider>(tab, QStringLiteral("readingSlider"))->setValue(20); })
                                  << number(&AppSettings::readingFontSize) << QStringLiteral("20");
    QTest::newRow("writing size") << int(Appearance) << Action([](QWidget* tab) {
        child<QSlider>(tab, QStringLiteral("writingSlider"))->triggerAction(QAbstractSlider::SliderToMinimum);
    }) << number(&AppSettings::writingFontSize)
                                  << QStringLiteral("13");
    QTest::newRow("accent") << int(Personalize) << click(QStringLiteral("swatch-teal"))
                            << text(&AppSettings::accentColorPreset) << QStringLiteral("teal");
    QTest::newRow("user name") << int(Personalize) << Action([](QWidget* tab) {
        QTest::keyClicks(child<QLineEdit>(tab, QStringLiteral("userNameField")), QStringLiteral("Ann"));
    }) << text(&AppSettings::userName)
                               << QStringLiteral("Ann");
    QTest::newRow("journal name cleared") << int(Personalize) << Action([](QWidget* tab) {
        auto* field = child<QLineEdit>(tab, QStringLiteral("journalNameField"));
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
    }) << text(&AppSettings::journalName) << QString();
}

void SettingsWindowTest::control_writesItsSetting()
{
    QFETCH(int, tab);
    QFETCH(Action, act);
    QFETCH(Read, read);
    QFETCH(QString, stored);
    window().show();
    window().setCurrentTab(tab);
    act(tabPage(tab));
    QCOMPARE(storedCount(), 1);
    QCOMPARE(read(AppSettings()), stored);
}

void SettingsWindowTest::changeElsewhere_showsInControls()
{
    QWidget* appearance = tabPage(Appearance);
    QWidget* personalize = tabPage(Personalize);
    AppSettings elsewhere;
    elsewhere.setCompactListView(true);
    elsewhere.setReadingFontSize(15.7);
    elsewhere.setUserName(QStringLiteral("Robin"));
    elsewhere.setAccentColorPreset(QStringLiteral("rose"));
    QVERIFY(checkBox(*appearance, QStringLiteral("Compact list view"))->isChecked());
    QCOMPARE(child<QLabel>(appearance, QStringLiteral("readingValue"))->text(), QStringLiteral("15 pt"));
    QCOMPARE(child<QLineEdit>(personalize, QStringLiteral("userNameField"))->text(), QStringLiteral("Robin"));
    QCOMPARE(child<QWidget>(personalize, QStringLiteral("swatch-rose"))->accessibleDescription(),
             QStringLiteral("Selected"));
    QCOMPARE(child<QWidget>(personalize, QStringLiteral("swatch-yellow"))->accessibleDescription(), QString());
}

void SettingsWindowTest::journalName_showsOnLockScreenAtOnce()
{
    LockScreenView cover(*m_store);
    auto shownName = [&cover] {
        QStringList texts;
        for (QLabel* label : cover.findChildren<QLabel*>()) {
            texts << label->text();
        }
        return texts;
    };
    QVERIFY(shownName().contains(QStringLiteral("Vesperlog")));
    auto* field = child<QLineEdit>(tabPage(Personalize), QStringLiteral("journalNameField"));
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("Dream log"));
    QVERIFY2(shownName().contains(QStringLiteral("Dream log")), qPrintable(shownName().join(u'|')));
}

void SettingsWindowTest::sortOrder_reordersListAndFollowsHeaderToggle()
{
    const JournalEntry older = entry(QStringLiteral("older"), 120);
    const JournalEntry newer = entry(QStringLiteral("newer"), 0);
    m_store->addEntry(older);
    m_store->addEntry(newer);
    QCOMPARE(m_store->filteredEntries().first().id, newer.id);
    auto* sort = child<QComboBox>(tabPage(General), QStringLiteral("sortOrderPicker"));
    QSignalSpy resorted(m_store.get(), &JournalStore::sortNewestFirstChanged);

    QTest::keyClick(sort, Qt::Key_Down);
    QCOMPARE(m_settings->sortOrder(), QStringLiteral("oldest"));
    QCOMPARE(m_store->sortNewestFirst(), false);
    QCOMPARE(resorted.count(), 1);
    QCOMPARE(m_store->filteredEntries().first().id, older.id);

    // The list header's arrow toggles the store: the picker follows.
    m_store->toggleSortOrder();
    QCOMPARE(sort->currentText(), QStringLiteral("Newest first"));
    QCOMPARE(m_settings->sortOrder(), QStringLiteral("newest"));
}

void SettingsWindowTest::appearance_switchesEveryOpenWindowAtOnce()
{
    window().show();
    QLabel* caption = window().findChild<QLabel*>(QStringLiteral("goalCaption"));
    QVERIFY(caption);
    QCOMPARE(caption->palette().color(QPalette::WindowText), vsp::Color::vspFgMuted().resolve(vsp::Appearance::Dark));

    tabButton(Appearance)->click();
    QCOMPARE(window().currentTab(), int(Appearance));
    child<QAbstractButton>(&window(), QStringLiteral("appearance-light"))->click();
    QCOMPARE(AppearanceManager::instance().current(), vsp::Appearance::Light);
    QCOMPARE(caption->palette().color(QPalette::WindowText), vsp::Color::vspFgMuted().resolve(vsp::Appearance::Light));
    QCheckBox* standard = checkBox(window(), QStringLiteral("Compact list view"));
    // Qt hands a new application palette to top-level windows on the next turn of the event loop.
    QCoreApplication::processEvents();
    QCOMPARE(standard->palette().color(QPalette::WindowText),
             vsp::Color::vspForeground().resolve(vsp::Appearance::Light));
    const QImage picture = window().grab().toImage();
    QCOMPARE(picture.pixelColor(2, picture.height() - 2).rgb(),
             vsp::Color::vspBackground().resolve(vsp::Appearance::Light).rgb());
}

void SettingsWindowTest::wordGoal_stepsAndCaptionFollows()
{
    auto* stepper = child<QSpinBox>(&window(), QStringLiteral("wordGoal"));
    QLabel* caption = child<QLabel>(&window(), QStringLiteral("goalCaption"));
    QCOMPARE(stepper->text(), QStringLiteral("Off"));
    QCOMPARE(caption->text(), QStringLiteral("Set a target to see progress in the sidebar."));
    stepper->stepUp();
    QCOMPARE(stepper->text(), QStringLiteral("50 words"));
    QCOMPARE(caption->text(), QStringLiteral("You'll see a progress bar in the sidebar each day."));
    stepper->setValue(9000);
    QCOMPARE(m_settings->dailyWordGoal(), 5000);
    stepper->setValue(-50);
    QCOMPARE(m_settings->dailyWordGoal(), 0);
}

void SettingsWindowTest::reminder_keepsOnePendingRequest()
{
    NotificationCenter& centre = NotificationCenter::instance();
    QWidget* general = tabPage(General);
    auto* toggle = child<QCheckBox>(general, QStringLiteral("reminderToggle"));
    auto* time = child<QTimeEdit>(general, QStringLiteral("reminderTime"));
    auto pendingTimes = [&centre] {
        QList<QTime> times;
        for (const NotificationRequest& request : centre.pendingRequests()) {
            if (request.identifier == NotificationManager::dailyReminderIdentifier() && request.repeats) {
                times << QTime(request.trigger.hour.value_or(-1), request.trigger.minute.value_or(-1));
            }
        }
        return times;
    };

    // Off: a new time is stored and nothing is scheduled.
    time->setTime(QTime(7, 15));
    QCOMPARE(pendingTimes(), QList<QTime>{});
    QCOMPARE(m_settings->dailyReminderHour(), 7);
    QCOMPARE(m_settings->dailyReminderMinute(), 15);

    toggle->click();
    QCOMPARE(pendingTimes(), QList<QTime>{QTime(7, 15)});
    QVERIFY(m_settings->dailyReminderEnabled());

    time->setTime(QTime(21, 30));
    QCOMPARE(pendingTimes(), QList<QTime>{QTime(21, 30)});

    toggle->click();
    QCOMPARE(pendingTimes(), QList<QTime>{});
    QVERIFY(!m_settings->dailyReminderEnabled());
}

void SettingsWindowTest::lockOnLeaving_enabledOnlyWithLock()
{
    QWidget* security = tabPage(Security);
    QCheckBox* lock = checkBox(*security, QStringLiteral("Lock Vesperlog on launch"));
    QCheckBox* leaving = checkBox(*security, QStringLiteral("Lock when leaving Vesperlog"));
    QVERIFY(!leaving->isEnabled());
    lock->click();
    QVERIFY(leaving->isEnabled());
    leaving->click();
    QVERIFY(m_settings->lockOnBackground());
    lock->click();
    // Disabled again, it keeps its stored value.
    QVERIFY(!leaving->isEnabled());
    QVERIFY(leaving->isChecked());
    QVERIFY(m_settings->lockOnBackground());
    QVERIFY(!m_store->isLocked());
}

void SettingsWindowTest::moods_addRemoveRestore_saveEachChange()
{
    auto* editor = window().findChild<MoodEditorSection*>();
    QVERIFY(editor);
    auto savedMoods = [] { return vsp::decodeMoods(fileBytes(MoodStore::filePath())).value_or(QList<MoodItem>{}); };
    QCOMPARE(m_moods->moods().size(), 4);
    auto* emoji = vsp::test::child<QLineEdit>(*editor, QStringLiteral("moodEmojiField"));
    auto* label = vsp::test::child<QLineEdit>(*editor, QStringLiteral("moodLabelField"));
    auto* add = vsp::test::child<QAbstractButton>(*editor, QStringLiteral("addMood"));
    auto* restore = vsp::test::child<QAbstractButton>(*editor, QStringLiteral("restoreMoods"));

    QTest::keyClicks(emoji, QStringLiteral("so"));
    QCOMPARE(emoji->text(), QString());
    emoji->insert(QStringLiteral("x😀y🎯"));
    QCOMPARE(emoji->text(), QStringLiteral("😀"));
    QTest::keyClicks(label, QStringLiteral("   "));
    QVERIFY(!add->isEnabled());
    QTest::keyClicks(label, QStringLiteral("Glad  "));
    QVERIFY(add->isEnabled());
    add->click();
    QCOMPARE(m_moods->moods().size(), 5);
    QCOMPARE(m_moods->moods().last().emoji, QStringLiteral("😀"));
    QCOMPARE(m_moods->moods().last().label, QStringLiteral("Glad"));
    QCOMPARE(savedMoods(), m_moods->moods());
    QCOMPARE(emoji->text(), QString());
    QCOMPARE(label->text(), QString());

    const QList<QAbstractButton*> removes = editor->findChildren<QAbstractButton*>(QStringLiteral("removeMood"));
    QCOMPARE(removes.size(), 5);
    const QUuid first = m_moods->moods().first().id;
    removes.first()->click();
    QCOMPARE(m_moods->moods().size(), 4);
    QVERIFY(m_moods->moods().first().id != first);
    QCOMPARE(savedMoods(), m_moods->moods());

    QVERIFY(restore->isHidden());
    m_moods->setMoods({});
    QVERIFY(!restore->isHidden());
    restore->click();
    QCOMPARE(m_moods->moods(), MoodStore::defaultMoods());
    QCOMPARE(savedMoods(), MoodStore::defaultMoods());
    QVERIFY(restore->isHidden());
}

void SettingsWindowTest::moodLabels_arePlainText()
{
    m_moods->setMoods({MoodItem{QUuid::createUuid(), QStringLiteral("🎯"), QStringLiteral("<b>Bold</b> &amp;")}});
    auto* label = window().findChild<QLabel*>(QStringLiteral("moodLabel"));
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), QStringLiteral("<b>Bold</b> &amp;"));
}

void SettingsWindowTest::dataButtons_postOnce_andAreDisabledWhileLocked()
{
    QWidget* data = tabPage(Data);
    AppNotifications& notifications = AppNotifications::instance();
    const std::pair<QString, void (AppNotifications::*)()> buttons[] = {
        {QStringLiteral("Export as JSON"), &AppNotifications::VspExportJSON},
        {QStringLiteral("Export as Markdown"), &AppNotifications::VspExportMarkdown},
        {QStringLiteral("Import from JSON…"), &AppNotifications::VspImportJSON},
    };
    for (const auto& [text, signal] : buttons) {
        QAbstractButton* button = nullptr;
        for (QAbstractButton* b : data->findChildren<QAbstractButton*>()) {
            button = b->text() == text ? b : button;
        }
        QVERIFY2(button, qPrintable(text));
        QSignalSpy posted(&notifications, signal);
        button->click();
        button->click();
        QCOMPARE(posted.count(), 2);
        m_store->setIsLocked(true);
        QVERIFY(!button->isEnabled());
        button->click();
        QCOMPARE(posted.count(), 2);
        m_store->setIsLocked(false);
        QVERIFY(button->isEnabled());
    }
}

void SettingsWindowTest::importFailure_isToldUnderTheImportButton()
{
    QWidget* data = tabPage(Data);
    vsp::test::FixedFileChooser chooser;
    const QString fifo = vsp::test::makeHostileFile(vsp::test::HostileFile::Fifo);
    chooser.importPath = fifo;
    m_store->setFileChooser(&chooser);
    auto* notice = child<QLabel>(data, QStringLiteral("importNotice"));
    QVERIFY(notice->isHidden());
    m_store->importEntries();
    m_store->setFileChooser(nullptr);
    QVERIFY(notice->isVisibleTo(data));
    QCOMPARE(notice->text(),
             QStringLiteral("Nothing was imported: %1 is not a regular file.").arg(QFileInfo(fifo).fileName()));
}

void SettingsWindowTest::lockedJournal_settingsShowAndChangeNothingOfIt()
{
    m_settings->setJournalName(QStringLiteral("Harbour Log"));
    m_settings->setUserName(QStringLiteral("Ada"));
    m_settings->setAppLockEnabled(true);
    m_store->addEntry(entry(QStringLiteral("one two three"), 0, {QStringLiteral("a")}));
    QWidget* security = tabPage(Security);
    const QList<QWidget*> switches{checkBox(*tabPage(Data), QStringLiteral("Auto-backup on quit")),
                                   checkBox(*security, QStringLiteral("Lock Vesperlog on launch")),
                                   checkBox(*security, QStringLiteral("Lock when leaving Vesperlog"))};
    QWidget* personalize = tabPage(Personalize);
    const QList<QLineEdit*> names{child<QLineEdit>(personalize, QStringLiteral("journalNameField")),
                                  child<QLineEdit>(personalize, QStringLiteral("userNameField"))};
    auto shown = [this] {
        QStringList texts;
        for (QLabel* label : window().findChildren<QLabel*>()) {
            texts << label->text();
        }
        for (QLineEdit* field : window().findChildren<QLineEdit*>()) {
            texts << field->text();
        }
        return texts.join(u'\n');
    };
    auto figures = [this] {
        QStringList values;
        for (QLabel* label : tabPage(About)->findChildren<QLabel*>(QStringLiteral("statValue"))) {
            values << label->text();
        }
        return values;
    };
    QCOMPARE(figures(),
             (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("1")}));

    m_store->setIsLocked(true);
    for (QWidget* control : switches) {
        QVERIFY(!control->isEnabled());
    }
    for (QLineEdit* field : names) {
        QVERIFY(!field->isEnabled());
    }
    QVERIFY(!shown().contains(QStringLiteral("Harbour Log")));
    QVERIFY(!shown().contains(QStringLiteral("Ada")));
    for (const QString& figure : figures()) {
        QVERIFY2(!figure.contains(QRegularExpression(QStringLiteral("\\d"))), qPrintable(figure));
    }

    m_store->setIsLocked(false);
    for (QWidget* control : switches) {
        QVERIFY(control->isEnabled());
    }
    QCOMPARE(names[0]->text(), QStringLiteral("Harbour Log"));
    QCOMPARE(names[1]->text(), QStringLiteral("Ada"));
    QCOMPARE(figures().first(), QStringLiteral("1"));
}

void SettingsWindowTest::dataTab_showsRealFolders()
{
    QWidget* data = tabPage(Data);
    const QString home = vsp::test::testHome();
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    QVERIFY(dataHome.startsWith(home));
    QCOMPARE(child<QLabel>(data, QStringLiteral("journalPath"))->text(),
             u'~' + dataHome.mid(home.size()) + QStringLiteral("/Vesperlog/entries.json"));
    QStringList texts;
    for (QLabel* label : data->findChildren<QLabel*>()) {
        texts << label->text();
    }
    QVERIFY2(texts.contains(QStringLiteral("Saves a copy to ~/Documents/Vesperlog Backups/ when you close the app.")),
             qPrintable(texts.join(u'|')));
}

void SettingsWindowTest::privacyText_namesBothNetworkUses()
{
    const QString text = child<QLabel>(tabPage(Security), QStringLiteral("privacyText"))->text();
    for (const QString& named : {QStringLiteral("weather"), QStringLiteral("new versions"),
                                 QStringLiteral("\u201CAdd weather & location\u201D"),
                                 QStringLiteral("\u201CCheck for updates automatically\u201D")}) {
        QVERIFY2(text.contains(named), qPrintable(named));
    }
}

void SettingsWindowTest::about_showsStatisticsFromStore()
{
    QWidget* about = tabPage(About);
    auto figures = [about] {
        QStringList values;
        for (QLabel* label : about->findChildren<QLabel*>(QStringLiteral("statValue"))) {
            values << label->text();
        }
        return values;
    };
    QCOMPARE(figures(),
             (QStringList{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}));
    m_store->addEntry(entry(QStringLiteral("one two three"), 60, {QStringLiteral("a"), QStringLiteral("b")}));
    m_store->addEntry(entry(QString(QStringLiteral("word ")).repeated(1100), 0, {QStringLiteral("a")}));
    QCOMPARE(figures(),
             (QStringList{QStringLiteral("2"), QStringLiteral("1.1k"), QStringLiteral("1"), QStringLiteral("2")}));
    QCOMPARE(child<QLabel>(about, QStringLiteral("versionLine"))->text(), QStringLiteral("Version 9.9 (42)"));
}

void SettingsWindowTest::about_packageManagedCopy_leavesUpdatesToThePackageManager()
{
    Updater::Options options;
    options.currentVersion = QStringLiteral("9.9");
    options.packageManaged = true;
    m_updater = std::make_unique<Updater>(options);
    window().show();
    window().setCurrentTab(About);
    QWidget* about = tabPage(About);
    QCOMPARE(child<QLabel>(about, QStringLiteral("updateStatus"))->text(),
             QStringLiteral("You have version 9.9. Updates come from your package manager."));
    QVERIFY(child<QLabel>(about, QStringLiteral("lastChecked"))->isHidden());
    QVERIFY(child<QAbstractButton>(about, QStringLiteral("updateButton"))->isHidden());
    for (QCheckBox* box : about->findChildren<QCheckBox*>()) {
        QVERIFY2(box->isHidden(), qPrintable(box->text()));
    }
}

void SettingsWindowTest::about_updateButtonOpensSheet_andShowsLastCheck()
{
    window().show();
    window().setCurrentTab(About);
    QWidget* about = tabPage(About);
    QLabel* status = child<QLabel>(about, QStringLiteral("updateStatus"));
    QLabel* lastChecked = child<QLabel>(about, QStringLiteral("lastChecked"));
    auto* button = child<QAbstractButton>(about, QStringLiteral("updateButton"));
    QCOMPARE(status->text(), QStringLiteral("You have version 9.9."));
    QVERIFY(lastChecked->isHidden());
    QCOMPARE(button->text(), QStringLiteral("Check now"));

    button->click();
    auto* sheet = window().findChild<UpdateSheet*>();
    QVERIFY(sheet);
    QTRY_VERIFY(sheet->isVisible());
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    QTRY_COMPARE(m_updater->phase(), Updater::Phase::Current);
    QVERIFY(!lastChecked->isHidden());
    QVERIFY2(lastChecked->text().startsWith(QStringLiteral("Last checked ")), qPrintable(lastChecked->text()));
    sheet->reject();
    QCOMPARE(m_updater->phase(), Updater::Phase::Idle);
    QCOMPARE(m_updater->checkCount(), 1);
}
