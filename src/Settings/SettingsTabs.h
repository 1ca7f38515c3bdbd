#pragma once

#include <QString>
#include <QWidget>

class AppSettings;
class JournalStore;
class MoodStore;
class QLabel;
class QLayout;
class UpdateButton;
class Updater;
namespace vsp::settings {
class FormPage;
}

/// The seven tabs of the settings window. Each control shows its AppSettings property (the stored value,
/// or its default), writes it only when the user changes it, and follows a change made elsewhere (the
/// first-run introduction, another window). Building a tab reads settings and writes none.
///
/// Controls carry object names ("sortOrder…", "…Slider") so tests and tools can find them.

/// Default entry type, sort order, daily word goal, daily reminder, composer switches, weather capture
/// and the mood editor. The sort order is also pushed into the store at once; the reminder is scheduled
/// or removed through the notification centre at once.
class GeneralSettingsTab final : public QWidget {
    Q_OBJECT

public:
    GeneralSettingsTab(JournalStore& store, AppSettings& settings, MoodStore& moods, QWidget* parent = nullptr);

    /// "250 words", or "Off" for no goal.
    static QString goalText(int words);
    /// The caption under the goal: the progress promise with a goal, else the invitation to set one.
    static QString goalCaption(int words);

private:
    void buildEntriesSection(vsp::settings::FormPage* page);
    void buildGoalSection(vsp::settings::FormPage* page);
    void buildReminderSection(vsp::settings::FormPage* page);
    /// The composer's switches and the context capture with its privacy note.
    void buildComposerSections(vsp::settings::FormPage* page);
    void reminderToggled(bool on);
    void reminderTimeEdited();

    JournalStore& m_store;
    AppSettings& m_settings;
};

/// Theme (dark, light, system), reading and writing font sizes, compact list and previews.
class AppearanceSettingsTab final : public QWidget {
    Q_OBJECT

public:
    explicit AppearanceSettingsTab(AppSettings& settings, QWidget* parent = nullptr);

    /// "15 pt": the size with its fraction dropped.
    static QString pointsText(double points);
};

/// Journal name, user name, the 21 accent swatches and the note on font styles. While the journal is
/// locked the two names are neither shown nor editable.
class PersonalizationSettingsTab final : public QWidget {
    Q_OBJECT

public:
    PersonalizationSettingsTab(JournalStore& store, AppSettings& settings, QWidget* parent = nullptr);
};

/// The read-only table of the application's keyboard shortcuts, in this desktop's notation.
class ShortcutsSettingsTab final : public QWidget {
    Q_OBJECT

public:
    explicit ShortcutsSettingsTab(QWidget* parent = nullptr);

    /// The rows shown: key combination as this desktop writes it, and what it does.
    static QList<std::pair<QString, QString>> shortcuts();
};

/// Export and import (posted as "VspExportJSON", "VspExportMarkdown", "VspImportJSON"), the backup on
/// quit and where the journal lives. The buttons and the backup switch are disabled while the journal
/// is locked.
class DataSettingsTab final : public QWidget {
    Q_OBJECT

public:
    DataSettingsTab(JournalStore& store, AppSettings& settings, QWidget* parent = nullptr);

    /// The journal file, as shown: under the home folder written "~".
    static QString journalPath();
    /// The folder of the daily backups, as shown.
    static QString backupFolder();

private:
    /// Where the journal file lives, in selectable text.
    void buildStorageSection(vsp::settings::FormPage* page);
};

/// The app lock switches and the privacy promise. The switches are disabled while the journal is locked.
class SecuritySettingsTab final : public QWidget {
    Q_OBJECT

public:
    SecuritySettingsTab(JournalStore& store, AppSettings& settings, QWidget* parent = nullptr);

    static QString privacyText();
};

/// The mark, version and build, the update box, the automatic check switch, four statistics (dashes
/// while the journal is locked) and the credit line.
class AboutSettingsTab final : public QWidget {
    Q_OBJECT

public:
    AboutSettingsTab(JournalStore& store, AppSettings& settings, Updater& updater, const QString& version,
                     const QString& build, QWidget* parent = nullptr);

    /// The "Words written" figure: the number up to 999, else thousands with one truncated decimal
    /// ("1.9k" for 1999).
    static QString wordsFigure(qint64 words);

protected:
    void showEvent(QShowEvent* event) override;

private:
    /// The logo beside the name, version line and tagline.
    QLayout* buildHeader(const QString& build);
    /// The update status, the button that checks or shows the release, and the automatic-check switch.
    QLayout* buildUpdateBox(AppSettings& settings);
    /// The four figure tiles (entries, words, streak, tags), refreshed as the journal changes.
    QLayout* buildStatistics();
    QLayout* buildFooter();
    void refreshUpdateBox();
    void refreshStatistics();
    void openUpdateSheet();

    JournalStore& m_store;
    Updater& m_updater;
    QString m_version;
    QLabel* m_status = nullptr;
    QLabel* m_lastChecked = nullptr;
    UpdateButton* m_updateButton = nullptr;
    QList<QLabel*> m_statValues;
};
