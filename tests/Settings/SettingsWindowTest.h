#pragma once

#include <QObject>

#include <memory>

class AppSettings;
class JournalStore;
class MoodStore;
class QAbstractButton;
class QWidget;
class SettingsView;
class Updater;
namespace vsp::test {
class LocalHttpsServer;
}

/// The settings window as a user meets it: every control changes its setting, which shows in another
/// object reading it and in the settings file; opening and closing writes nothing; the reminder, moods,
/// sort order, lock and update box reach the objects they drive.
class SettingsWindowTest final : public QObject {
    Q_OBJECT

public:
    SettingsWindowTest();
    ~SettingsWindowTest() override;

private Q_SLOTS:
    void init();
    void cleanup();

    void openingEveryTabAndClosing_writesNoKey();
    void window_isFixedSizeWithSevenTabs();
    void closeKeys_closeTheWindow_data();
    void closeKeys_closeTheWindow();
    void tabKeys_switchTabs_data();
    void tabKeys_switchTabs();
    void everyTab_tabReachesNamedControls();

    void checkBox_writesItsSettingOnly_data();
    void checkBox_writesItsSettingOnly();
    void control_writesItsSetting_data();
    void control_writesItsSetting();
    void changeElsewhere_showsInControls();
    void journalName_showsOnLockScreenAtOnce();

    void sortOrder_reordersListAndFollowsHeaderToggle();
    void appearance_switchesEveryOpenWindowAtOnce();
    void wordGoal_stepsAndCaptionFollows();
    void reminder_keepsOnePendingRequest();
    void lockOnLeaving_enabledOnlyWithLock();

    void moods_addRemoveRestore_saveEachChange();
    void moodLabels_arePlainText();

    void dataButtons_postOnce_andAreDisabledWhileLocked();
    void importFailure_isToldUnderTheImportButton();
    void lockedJournal_settingsShowAndChangeNothingOfIt();
    void dataTab_showsRealFolders();
    void privacyText_namesBothNetworkUses();

    void about_showsStatisticsFromStore();
    void about_updateButtonOpensSheet_andShowsLastCheck();
    void about_packageManagedCopy_leavesUpdatesToThePackageManager();

private:
    SettingsView& window();
    /// The window's tab `index` (from 0) and the toolbar button that shows it.
    QWidget* tabPage(int index);
    QAbstractButton* tabButton(int index);

    std::unique_ptr<JournalStore> m_store;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<MoodStore> m_moods;
    std::unique_ptr<vsp::test::LocalHttpsServer> m_feed;
    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<SettingsView> m_window;
};
