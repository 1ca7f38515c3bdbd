#pragma once

#include "Model/JournalEntry.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariant>

/// Every stored setting of the application, over the one settings file
/// ($XDG_CONFIG_HOME/Vesperlog/Vesperlog.conf). This class alone names the settings keys.
///
/// Each property reads its key live: the stored value, or the default when the key is absent or holds a
/// value of another type. A setter writes at once; every AppSettings object in the process sees the write
/// immediately, and each one emits the property's change signal once per write. A write of the value
/// already stored writes and announces nothing. Constructing one reads and writes nothing; defaults are
/// never written. A settings file that cannot be written prints "Vesperlog: settings save failed — …"
/// and the value stays readable for this run. Main thread only.
class AppSettings final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppSettings)

    // The preferences of the settings window.
    /// An entry type raw value ("Journal", "Note", "Link", "Idea") for new entries.
    Q_PROPERTY(QString defaultEntryType READ defaultEntryType WRITE setDefaultEntryType NOTIFY defaultEntryTypeChanged)
    Q_PROPERTY(bool autoSaveDraft READ autoSaveDraft WRITE setAutoSaveDraft NOTIFY autoSaveDraftChanged)
    Q_PROPERTY(bool showWordCount READ showWordCount WRITE setShowWordCount NOTIFY showWordCountChanged)
    Q_PROPERTY(bool showMoodSelector READ showMoodSelector WRITE setShowMoodSelector NOTIFY showMoodSelectorChanged)
    Q_PROPERTY(QString userName READ userName WRITE setUserName NOTIFY userNameChanged)
    Q_PROPERTY(QString journalName READ journalName WRITE setJournalName NOTIFY journalNameChanged)
    /// "light", "dark" or "system"; any other text follows the system.
    Q_PROPERTY(QString appearanceMode READ appearanceMode WRITE setAppearanceMode NOTIFY appearanceModeChanged)
    /// Points.
    Q_PROPERTY(double readingFontSize READ readingFontSize WRITE setReadingFontSize NOTIFY readingFontSizeChanged)
    /// Points.
    Q_PROPERTY(double writingFontSize READ writingFontSize WRITE setWritingFontSize NOTIFY writingFontSizeChanged)
    Q_PROPERTY(bool compactListView READ compactListView WRITE setCompactListView NOTIFY compactListViewChanged)
    Q_PROPERTY(bool showEntryPreviews READ showEntryPreviews WRITE setShowEntryPreviews NOTIFY showEntryPreviewsChanged)
    /// An accent preset name; unknown names resolve like "yellow".
    Q_PROPERTY(
        QString accentColorPreset READ accentColorPreset WRITE setAccentColorPreset NOTIFY accentColorPresetChanged)
    Q_PROPERTY(bool captureWeatherLocation READ captureWeatherLocation WRITE setCaptureWeatherLocation NOTIFY
                   captureWeatherLocationChanged)

    // The application's flags.
    /// Back the journal up when the application quits.
    Q_PROPERTY(bool autoBackup READ autoBackup WRITE setAutoBackup NOTIFY autoBackupChanged)
    Q_PROPERTY(bool hasCompletedOnboarding READ hasCompletedOnboarding WRITE setHasCompletedOnboarding NOTIFY
                   hasCompletedOnboardingChanged)
    Q_PROPERTY(bool appLockEnabled READ appLockEnabled WRITE setAppLockEnabled NOTIFY appLockEnabledChanged)
    /// Lock when another application becomes active (with the app lock on).
    Q_PROPERTY(bool lockOnBackground READ lockOnBackground WRITE setLockOnBackground NOTIFY lockOnBackgroundChanged)
    /// The quiet update check when the main window first shows.
    Q_PROPERTY(bool autoUpdates READ autoUpdates WRITE setAutoUpdates NOTIFY autoUpdatesChanged)

    // Writing goal and the daily reminder.
    /// Words per day; below 1 means no goal.
    Q_PROPERTY(int dailyWordGoal READ dailyWordGoal WRITE setDailyWordGoal NOTIFY dailyWordGoalChanged)
    Q_PROPERTY(bool dailyReminderEnabled READ dailyReminderEnabled WRITE setDailyReminderEnabled NOTIFY
                   dailyReminderEnabledChanged)
    /// 0-23, local time; a stored hour outside that range reads as the default.
    Q_PROPERTY(int dailyReminderHour READ dailyReminderHour WRITE setDailyReminderHour NOTIFY dailyReminderHourChanged)
    /// 0-59; a stored minute outside that range reads as the default.
    Q_PROPERTY(
        int dailyReminderMinute READ dailyReminderMinute WRITE setDailyReminderMinute NOTIFY dailyReminderMinuteChanged)

    // The journal store's values.
    /// "newest" lists the newest entry first; any other text the oldest.
    Q_PROPERTY(QString sortOrder READ sortOrder WRITE setSortOrder NOTIFY sortOrderChanged)
    /// Stored as a JSON array of upper-case UUID texts in a data value; anything else reads as none.
    Q_PROPERTY(QList<QUuid> pinnedIDs READ pinnedIDs WRITE setPinnedIDs NOTIFY pinnedIDsChanged)
    /// Tag → "#RRGGBB", stored as a JSON object of texts in a data value; anything else reads as none.
    Q_PROPERTY(QHash<QString, QString> tagColors READ tagColors WRITE setTagColors NOTIFY tagColorsChanged)
    /// Entries saved from the New Entry window, ever.
    Q_PROPERTY(qint64 totalSaveCount READ totalSaveCount WRITE setTotalSaveCount NOTIFY totalSaveCountChanged)

    // The draft of the New Entry window; clearDraft() removes all five.
    /// Exactly as typed, not trimmed.
    Q_PROPERTY(QString draftTitle READ draftTitle WRITE setDraftTitle NOTIFY draftTitleChanged)
    Q_PROPERTY(QString draftBody READ draftBody WRITE setDraftBody NOTIFY draftBodyChanged)
    /// RTF bytes; empty means none, and writing empty removes the stored rich text.
    Q_PROPERTY(QByteArray draftBodyRTF READ draftBodyRTF WRITE setDraftBodyRTF NOTIFY draftBodyRTFChanged)
    /// Stored as a JSON array of texts in a data value (the INI file would read a list of one tag back as
    /// plain text and an empty list as nothing); a plain list of texts is read too, anything else is none.
    Q_PROPERTY(QStringList draftTags READ draftTags WRITE setDraftTags NOTIFY draftTagsChanged)
    /// An entry type raw value when written; whatever is stored when read.
    Q_PROPERTY(QString draftType READ draftType WRITE setDraftType NOTIFY draftTypeChanged)

    // The self-updater's values.
    /// Key "vesperlog.updateChecked": the last successful check (a date value); invalid when absent or
    /// not a date. Writing an invalid time removes the key.
    Q_PROPERTY(QDateTime updateChecked READ updateChecked WRITE setUpdateChecked NOTIFY updateCheckedChanged)
    /// Key "vesperlog.updatePending": the version the last successful check found; writing empty removes
    /// the key.
    Q_PROPERTY(QString updatePending READ updatePending WRITE setUpdatePending NOTIFY updatePendingChanged)
    /// Key "vesperlog.updateFeed": a feed address set by hand; the application never writes it. Empty
    /// when absent.
    Q_PROPERTY(QString updateFeed READ updateFeed NOTIFY updateFeedChanged)

    // Window placement, as QWidget::saveGeometry() gives it; empty when never stored.
    Q_PROPERTY(QByteArray mainWindowGeometry READ mainWindowGeometry WRITE setMainWindowGeometry NOTIFY
                   mainWindowGeometryChanged)
    Q_PROPERTY(QByteArray composeWindowGeometry READ composeWindowGeometry WRITE setComposeWindowGeometry NOTIFY
                   composeWindowGeometryChanged)

public:
    /// Groups writes: while one lives, setters change and announce values at once but the settings file
    /// is written once, when the outermost batch ends. Main thread only; nests.
    class Batch final {
    public:
        Batch();
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
    };

    explicit AppSettings(QObject* parent = nullptr);
    ~AppSettings() override;

    /// An object for code that is handed none (painting helpers, static readers); it sees and announces
    /// every write like any other. Lives as long as the process.
    static AppSettings& instance();

    /// The settings file's path.
    static QString fileName();
    /// Forgets every stored value and writes the empty file: the next read is a first launch's (tests).
    static void clearAll();

    QString defaultEntryType() const;
    void setDefaultEntryType(const QString& value);
    /// The type a new entry gets: the stored raw value, or Journal for any text that is none.
    JournalEntry::EntryType resolvedDefaultEntryType() const;
    bool autoSaveDraft() const;
    void setAutoSaveDraft(bool value);
    bool showWordCount() const;
    void setShowWordCount(bool value);
    bool showMoodSelector() const;
    void setShowMoodSelector(bool value);
    QString userName() const;
    void setUserName(const QString& value);
    QString journalName() const;
    void setJournalName(const QString& value);
    QString appearanceMode() const;
    void setAppearanceMode(const QString& value);
    double readingFontSize() const;
    void setReadingFontSize(double points);
    double writingFontSize() const;
    void setWritingFontSize(double points);
    bool compactListView() const;
    void setCompactListView(bool value);
    bool showEntryPreviews() const;
    void setShowEntryPreviews(bool value);
    QString accentColorPreset() const;
    void setAccentColorPreset(const QString& value);
    bool captureWeatherLocation() const;
    void setCaptureWeatherLocation(bool value);

    bool autoBackup() const;
    void setAutoBackup(bool value);
    bool hasCompletedOnboarding() const;
    void setHasCompletedOnboarding(bool value);
    bool appLockEnabled() const;
    void setAppLockEnabled(bool value);
    bool lockOnBackground() const;
    void setLockOnBackground(bool value);
    bool autoUpdates() const;
    void setAutoUpdates(bool value);

    int dailyWordGoal() const;
    void setDailyWordGoal(int words);
    bool dailyReminderEnabled() const;
    void setDailyReminderEnabled(bool value);
    int dailyReminderHour() const;
    void setDailyReminderHour(int hour);
    int dailyReminderMinute() const;
    void setDailyReminderMinute(int minute);

    QString sortOrder() const;
    void setSortOrder(const QString& value);
    QList<QUuid> pinnedIDs() const;
    void setPinnedIDs(const QList<QUuid>& ids);
    QHash<QString, QString> tagColors() const;
    void setTagColors(const QHash<QString, QString>& colors);
    qint64 totalSaveCount() const;
    void setTotalSaveCount(qint64 count);

    QString draftTitle() const;
    void setDraftTitle(const QString& value);
    QString draftBody() const;
    void setDraftBody(const QString& value);
    QByteArray draftBodyRTF() const;
    void setDraftBodyRTF(const QByteArray& rtf);
    QStringList draftTags() const;
    void setDraftTags(const QStringList& tags);
    QString draftType() const;
    void setDraftType(const QString& value);
    /// Removes the five draft keys, in one write of the file.
    void clearDraft();

    QDateTime updateChecked() const;
    void setUpdateChecked(const QDateTime& moment);
    QString updatePending() const;
    void setUpdatePending(const QString& version);
    QString updateFeed() const;

    QByteArray mainWindowGeometry() const;
    void setMainWindowGeometry(const QByteArray& geometry);
    QByteArray composeWindowGeometry() const;
    void setComposeWindowGeometry(const QByteArray& geometry);

Q_SIGNALS:
    void defaultEntryTypeChanged();
    void autoSaveDraftChanged();
    void showWordCountChanged();
    void showMoodSelectorChanged();
    void userNameChanged();
    void journalNameChanged();
    void appearanceModeChanged();
    void readingFontSizeChanged();
    void writingFontSizeChanged();
    void compactListViewChanged();
    void showEntryPreviewsChanged();
    void accentColorPresetChanged();
    void captureWeatherLocationChanged();
    void autoBackupChanged();
    void hasCompletedOnboardingChanged();
    void appLockEnabledChanged();
    void lockOnBackgroundChanged();
    void autoUpdatesChanged();
    void dailyWordGoalChanged();
    void dailyReminderEnabledChanged();
    void dailyReminderHourChanged();
    void dailyReminderMinuteChanged();
    void sortOrderChanged();
    void pinnedIDsChanged();
    void tagColorsChanged();
    void totalSaveCountChanged();
    void draftTitleChanged();
    void draftBodyChanged();
    void draftBodyRTFChanged();
    void draftTagsChanged();
    void draftTypeChanged();
    void updateCheckedChanged();
    void updatePendingChanged();
    void updateFeedChanged();
    void mainWindowGeometryChanged();
    void composeWindowGeometryChanged();

private:
    void announce(const QString& key);
};
