#pragma once

#include "Model/AppSettings.h"
#include "Model/EntryList.h"
#include "Model/JournalEntry.h"
#include "Model/NavSection.h"
#include "Model/PendingAudio.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class ClockTimer;
class FileChooser;
class ReminderScheduler;
namespace vsp {
class BackgroundJournalWriter;
class JournalFileWriter;
struct DayRange;
struct JournalWriteResult;
} // namespace vsp

/// The number of uses of one tag.
struct TagCount {
    QString name;
    int count = 0;
    bool operator==(const TagCount&) const = default;
};

/// The one store of the journal: every live entry, the trash, pins and tag colours, and the navigation
/// state that all windows share. It owns entries.json, trash.json and the attachment folders under
/// $XDG_DATA_HOME/Vesperlog, and the settings keys "pinnedIDs", "tagColors", "sortOrder" and
/// "totalSaveCount".
///
/// Every operation writes what it changed at once; nothing is batched. A failed write prints one
/// "Vesperlog: … failed — …" line, keeps the change in memory and sets `hasUnsavedChanges` until a later
/// write (at the next change, or on `retrySave()`) catches up. Main thread only.
class JournalStore final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalStore)

    Q_PROPERTY(EntryList entries READ entries WRITE setEntries NOTIFY entriesChanged)
    Q_PROPERTY(
        QList<TrashedEntry> trashedEntries READ trashedEntries WRITE setTrashedEntries NOTIFY trashedEntriesChanged)
    Q_PROPERTY(NavSection selectedSection READ selectedSection WRITE setSelectedSection NOTIFY navigationChanged)
    Q_PROPERTY(std::optional<QString> selectedTag READ selectedTag WRITE setSelectedTag NOTIFY navigationChanged)
    Q_PROPERTY(std::optional<QUuid> selectedEntryID READ selectedEntryID WRITE setSelectedEntryID NOTIFY
                   selectedEntryIDChanged)
    Q_PROPERTY(bool restoreDraftOnCompose READ restoreDraftOnCompose WRITE setRestoreDraftOnCompose NOTIFY
                   restoreDraftOnComposeChanged)
    Q_PROPERTY(bool isLocked READ isLocked WRITE setIsLocked NOTIFY isLockedChanged)
    Q_PROPERTY(QString searchQuery READ searchQuery WRITE setSearchQuery NOTIFY navigationChanged)
    Q_PROPERTY(bool focusMode READ focusMode WRITE setFocusMode NOTIFY focusModeChanged)
    Q_PROPERTY(QHash<QString, QString> tagColors READ tagColors WRITE setTagColors NOTIFY tagColorsChanged)
    Q_PROPERTY(QSet<QUuid> pinnedIDs READ pinnedIDs WRITE setPinnedIDs NOTIFY pinnedIDsChanged)
    Q_PROPERTY(std::optional<QString> moodFilter READ moodFilter WRITE setMoodFilter NOTIFY navigationChanged)
    Q_PROPERTY(bool sortNewestFirst READ sortNewestFirst WRITE setSortNewestFirst NOTIFY sortNewestFirstChanged)
    Q_PROPERTY(bool showCalendar READ showCalendar WRITE setShowCalendar NOTIFY navigationChanged)
    Q_PROPERTY(double calendarMonth READ calendarMonth WRITE setCalendarMonth NOTIFY navigationChanged)
    Q_PROPERTY(std::optional<double> selectedDate READ selectedDate WRITE setSelectedDate NOTIFY navigationChanged)
    Q_PROPERTY(bool hasUnsavedChanges READ hasUnsavedChanges NOTIFY hasUnsavedChangesChanged)
    Q_PROPERTY(QString lastSaveError READ lastSaveError NOTIFY lastSaveErrorChanged)

public:
    /// Where the store reads the current moment: seconds since 2001-01-01 UTC.
    using Clock = std::function<double()>;

    /// Loads entries.json, trash.json, the pins, tag colours and sort order, selects the first entry and
    /// purges trash older than 30 days. Never fails: damaged files are kept aside and reported.
    explicit JournalStore(QObject* parent = nullptr);
    /// The same, with every "now" of the store read from `clock`, the launch purge's included; an empty
    /// clock is the default clock.
    explicit JournalStore(Clock clock, QObject* parent = nullptr);
    /// The clock of stores made without one: the system clock unless the process chose another. A test
    /// process stands it at its fixture moment, so no store of a test reads the wall clock by accident.
    /// Set it before making stores; stores already made keep theirs.
    static void setDefaultClock(Clock clock);
    ~JournalStore() override;

    /// The store's current moment (seconds since 2001-01-01 UTC) and the local day it falls on.
    double now() const;
    QDate today() const;
    /// Says the clock moved on (a test that sets its clock): the timers going by it (ClockTimer)
    /// whose moment has come fire now. Only needed for a clock other than the system's.
    void noteClockMoved() { Q_EMIT clockMoved(); }

    // ------------------------------------------------------------ published state
    const EntryList& entries() const { return m_entries; }
    void setEntries(const EntryList& entries);
    const QList<TrashedEntry>& trashedEntries() const { return m_trashedEntries; }
    void setTrashedEntries(const QList<TrashedEntry>& records);
    NavSection selectedSection() const { return m_selectedSection; }
    void setSelectedSection(NavSection section);
    std::optional<QString> selectedTag() const { return m_selectedTag; }
    void setSelectedTag(const std::optional<QString>& tag);
    std::optional<QUuid> selectedEntryID() const { return m_selectedEntryID; }
    void setSelectedEntryID(const std::optional<QUuid>& id);
    bool restoreDraftOnCompose() const { return m_restoreDraftOnCompose; }
    void setRestoreDraftOnCompose(bool on);
    bool isLocked() const { return m_isLocked; }
    void setIsLocked(bool locked);
    QString searchQuery() const { return m_searchQuery; }
    void setSearchQuery(const QString& query);
    bool focusMode() const { return m_focusMode; }
    void setFocusMode(bool on);
    /// Colour per tag, as "#RRGGBB".
    QHash<QString, QString> tagColors() const { return m_tagColors; }
    void setTagColors(const QHash<QString, QString>& colors);
    QSet<QUuid> pinnedIDs() const { return m_pinnedIDs; }
    void setPinnedIDs(const QSet<QUuid>& ids);
    std::optional<QString> moodFilter() const { return m_moodFilter; }
    void setMoodFilter(const std::optional<QString>& mood);
    bool sortNewestFirst() const { return m_sortNewestFirst; }
    void setSortNewestFirst(bool newestFirst);
    bool showCalendar() const { return m_showCalendar; }
    void setShowCalendar(bool on);
    /// A moment inside the month the calendar shows.
    double calendarMonth() const { return m_calendarMonth; }
    void setCalendarMonth(double date);
    std::optional<double> selectedDate() const { return m_selectedDate; }
    void setSelectedDate(const std::optional<double>& date);

    // ------------------------------------------------------------ navigation
    // One operation per user action: it sets every property the action implies and announces
    // navigationChanged once, and selectedEntryIDChanged when the selection moves. Whatever changes the
    // section, the tag or the mood filter (these operations, the setters above, adding or restoring an
    // entry) also ends the search.
    /// A section in the sidebar: leaves the calendar, drops the tag and mood filters, ends the search and
    /// selects the first entry listed (none when the list is empty).
    void showSection(NavSection section);
    /// A tag in the sidebar: leaves the calendar, drops the mood filter, ends the search and selects the
    /// first entry listed.
    void showTag(const QString& tag);
    /// A mood in the sidebar: filters by it (dropping the tag filter), or, when it is the filter already,
    /// drops it and shows Journal; leaves the calendar, ends the search and selects the first entry listed.
    void toggleMoodFilter(const QString& emoji);
    /// Shows the calendar on the current month with today picked.
    void showCalendarToday();

    // ------------------------------------------------------------ entry operations
    /// Puts the entry at the front, selects it, shows Today without a tag filter (ending a search when
    /// that moves the list), saves, schedules its reminder and counts the save for the review prompt.
    /// The change signals fire once the entry is in the store's lists. With background writing off they
    /// also follow the write, so whoever reacts finds the entry in entries.json; with it on (as in the
    /// app) the write may still be under way: `waitForSaves` waits for it.
    void addEntry(const JournalEntry& entry);
    /// Adds a new entry with the attachments written for it: copies each image file (a local path)
    /// into images/<entry id>/ and each voice note's recording into audio/<entry id>/, records the
    /// stored names in the entry in the given order, deletes each copied recording, then adds the entry
    /// as addEntry() does. An image that attachImageFile() refuses is left out after its "Vesperlog:
    /// image save failed — …" line; a recording that cannot be copied stays where it is and
    /// "Vesperlog: voice note attach failed — recording kept at <path>" says where; `keptVoiceNotes`,
    /// when given, receives those notes in the given order.
    ///
    /// `complete`, when given, sees the entry once its attachments are stored and may still change it
    /// (a name that depends on what was stored); when it returns false the entry is not added and the
    /// files stored for it are deleted (recordings not copied stay where they are all the same). Returns
    /// the entry as stored, or as completed when it was not added.
    using CompleteNewEntry = std::function<bool(JournalEntry& entry)>;
    JournalEntry addNewEntry(JournalEntry entry, const QStringList& imagePaths, const QList<PendingAudio>& voiceNotes,
                             QList<PendingAudio>* keptVoiceNotes = nullptr, const CompleteNewEntry& complete = {});
    /// Replaces the stored entry with the same id, saves and reschedules or cancels its reminder.
    /// Nothing happens when no entry has that id.
    void updateEntry(const JournalEntry& entry);
    /// Moves the entry to the trash (as given), unpins it and moves the selection on when it was selected.
    void deleteEntry(const JournalEntry& entry);
    /// Adds a copy titled "<title> (copy)", dated now, with no attachments.
    void duplicateEntry(const JournalEntry& entry);
    void toggleFavorite(const JournalEntry& entry);
    void toggleArchive(const JournalEntry& entry);
    void togglePin(const JournalEntry& entry);
    void toggleSortOrder();
    /// Removes the tag (exact text) from every entry and saves, even when no entry carried it.
    void deleteTag(const QString& tag);
    void setTagColor(const QString& color, const QString& tag);
    void clearTagColor(const QString& tag);

    // ------------------------------------------------------------ attachments
    /// $XDG_DATA_HOME/Vesperlog; created when missing.
    static QString storeFolder();
    /// The folders that hold one folder per entry: images/ and audio/; created when missing.
    static QString imagesBasePath();
    static QString audioBasePath();
    /// The entry's image folder, images/<ID>; created when missing.
    static QString imagesDirectory(const QUuid& id);
    /// The entry's voice-note folder, audio/<ID>; created when missing.
    static QString audioDirectory(const QUuid& id);
    /// The path of a file the entry records, or nothing when the recorded name is not one plain path
    /// component (then nothing may be read or deleted through it).
    static std::optional<QString> imageFilePath(const QUuid& id, const QString& filename);
    static std::optional<QString> audioFilePath(const QUuid& id, const QString& filename);

    /// Stores image bytes unchanged under a new name "<UUID>.<ext>"; the extension comes from
    /// `originalName` when it is a known image type, "png" otherwise. Returns the name, or nothing after
    /// printing "Vesperlog: image save failed — …".
    std::optional<QString> saveImage(const QByteArray& data, const QUuid& entryID, const QString& originalName);
    /// Says why bytes are no picture the app can show ("the file is not a picture Vesperlog can read");
    /// empty when they are one. Called on the main thread.
    using ImageCheck = std::function<QString(const QByteArray& bytes)>;
    /// The check attachImageFile() applies; the application gives one that reads the header with
    /// QImageReader. Without one, any regular file within the size limit is taken.
    void setImageCheck(ImageCheck check) { m_imageCheck = std::move(check); }
    /// Why the picture file at `path` cannot be attached, empty when it can: it must be a regular file
    /// (a FIFO or a device is refused without waiting) of at most 200 MiB that passes the image check.
    /// `bytes` receives the file's content when it can. Prints nothing.
    QString imageFileProblem(const QString& path, QByteArray* bytes = nullptr) const;
    /// Copies a picture file the user picked into the entry's image folder, named as saveImage() names
    /// it, and returns the new name. A file imageFileProblem() refuses, or one that cannot be written,
    /// stores nothing: "Vesperlog: image save failed — <path>: <why>" is printed and `why` receives
    /// the reason.
    std::optional<QString> attachImageFile(const QString& path, const QUuid& entryID, QString* why = nullptr);
    /// Copies a recording (a regular file of at most 200 MiB) into the entry's audio folder, readable by
    /// its owner only; the source stays. Returns the new name, or nothing after printing "Vesperlog:
    /// audio store failed — …".
    std::optional<QString> storeAudio(const QString& sourcePath, const QUuid& entryID);
    /// Moves a voice note recorded for the entry `entryID` into its audio folder, as addNewEntry() does
    /// with each of its notes and the entry being edited with a new recording: the recording is copied
    /// (see storeAudio()) and then deleted. One that cannot be copied stays where it is, the user's only
    /// copy of what was said, and "Vesperlog: voice note attach failed — recording kept at <path>" says
    /// where. Returns the entry's clip (a new id, the stored name, the note's duration and transcript),
    /// or nothing.
    std::optional<AudioClip> attachVoiceNote(const PendingAudio& note, const QUuid& entryID);
    /// Removes one image file and its cached images; failures are ignored.
    void deleteImage(const QString& filename, const QUuid& entryID);
    /// Removes one voice-note file; failures are ignored.
    void deleteAudio(const QString& filename, const QUuid& entryID);

    // ------------------------------------------------------------ list queries
    /// What the list shows, in display order: search, else mood filter, else tag filter, else section.
    QList<JournalEntry> filteredEntries() const;
    /// The same list as positions in `entries()`, without copying an entry. A search whose query only
    /// grew since the last one (and with the same entries) looks only through that one's matches.
    QList<qsizetype> filteredEntryIndices() const;
    /// Folds every entry's text for searching on another thread, so no keystroke pays for it; entries
    /// changed meanwhile fold when first searched. Without it, search folds on first use.
    void prepareSearch();
    /// Non-archived entries of today's month and day in earlier years, newest first.
    QList<JournalEntry> onThisDayEntries() const;
    std::optional<JournalEntry> selectedEntry() const;
    /// Every tag of the non-archived entries with its number of uses, in code-point order.
    QList<TagCount> allTags() const;
    /// The stored entry with this id.
    const JournalEntry* entry(const QUuid& id) const;

    /// One step of a change of `entries()`, as a position in the list as it stood before the step: the
    /// entry there was changed in place, one was inserted there, or the one there was removed.
    struct EntriesStep {
        enum class Kind { Changed, Inserted, Removed };
        Kind kind = Kind::Changed;
        qsizetype position = 0;
        bool operator==(const EntriesStep&) const = default;
    };
    /// Counts the changes of `entries()`: a different number means a different list.
    quint64 entriesVersion() const { return m_entriesVersion; }
    /// The steps, oldest first, that turned the entries as they stood at `version` into `entries()`, so a
    /// view can follow a change without comparing every entry; nothing when they are not known (the list
    /// was replaced, reordered, or took more than kKeptSteps steps since).
    std::optional<QList<EntriesStep>> entriesStepsSince(quint64 version) const;
    static constexpr int kKeptSteps = 64;

    // ------------------------------------------------------------ statistics and calendar
    int todayCount() const;
    /// Non-archived entries whose mood is exactly this emoji.
    int count(const QString& mood) const;
    bool hasMoodEntries() const;
    /// Consecutive days ending today with at least one entry (archived ones count); 0 without one today.
    int currentStreak() const;
    int totalWordCount() const;
    int todayWordCount() const;
    /// Non-archived entries of the local day that contains `date`, oldest first.
    QList<JournalEntry> entriesOn(double date) const;
    /// For the month containing `date`: each day with non-archived entries and their number.
    QMap<QDate, int> entryDayCounts(double date) const;

    // ------------------------------------------------------------ trash
    /// Brings the entry back, selects it in Journal (or Archive when archived) and saves both files.
    /// When a live entry already has its id, the live entry and the record both stay and the live entry
    /// is selected.
    void restoreFromTrash(const TrashedEntry& item);
    /// Destroys the record and, unless another entry still uses its id, its attachment folders.
    void deletePermanently(const TrashedEntry& item);
    void emptyTrash();
    void deleteAllImages(const QUuid& id);
    void deleteAllAudio(const QUuid& id);
    /// Whole days before the record is purged; never negative.
    int daysUntilPurge(const TrashedEntry& item) const;

    // ------------------------------------------------------------ export, import and backup
    enum class ExportFormat { Json, Markdown };
    /// Asks the file chooser for a destination and writes every entry there (JSON: pretty, sorted keys,
    /// ISO 8601 dates; Markdown: newest first). Cancelling does nothing; a failure prints
    /// "Vesperlog: export failed — …" and leaves no file behind.
    void exportEntries(ExportFormat format);
    /// Asks for a JSON file of entries and adds those whose id the journal does not have yet, then sorts
    /// newest first and saves. A file that cannot be read (not a regular file, over 1 GiB: refused before
    /// it is read) or decoded prints "Vesperlog: import failed — …", emits importFailed() and changes
    /// nothing.
    void importEntries();
    /// Writes Documents/Vesperlog Backups/Vesperlog-<yyyy-MM-dd>.json, replacing the day's earlier
    /// backup. Skipped, with one printed line, when the journal did not load cleanly this run, or when
    /// it is empty and the day's backup exists.
    void performAutoBackup();
    /// The save and open panels used by export and import; none by default (then both do nothing but
    /// print one line). Not owned.
    void setFileChooser(FileChooser* chooser) { m_fileChooser = chooser; }

    // ------------------------------------------------------------ saving
    /// True while some change is in memory only: the last write of entries.json or trash.json failed
    /// and no write since has caught up. Nothing is lost while the app runs; quitting would lose it.
    bool hasUnsavedChanges() const { return !m_lastSaveError.isEmpty(); }
    /// The cause of the last failed write as the system names it ("No space left on device"), or why
    /// the file is left alone; empty while `hasUnsavedChanges` is false.
    QString lastSaveError() const { return m_lastSaveError; }
    /// Writes every change that is not on disk yet, as the next change would.
    void retrySave();
    /// Hands the writes to one thread of their own, so no change waits for the disk: each change passes
    /// an implicitly shared snapshot of the lists, changes that come while a write runs are written
    /// together next, and the outcome comes back through the event loop (`hasUnsavedChanges`). Off by
    /// default: then every write happens in the operation that asks for it.
    void setBackgroundWriting(bool on);
    /// Waits until every change made so far has been written (or has failed) and takes in the outcome;
    /// at most `timeoutMs` milliseconds (negative: as long as it takes). True when nothing is left to
    /// write.
    bool waitForSaves(int timeoutMs = -1);

    enum class CopyResult { Written, Cancelled, Failed };
    /// Asks the file chooser where to put a copy and writes every entry in memory there in the form of
    /// the daily backup (which import reads). A failure prints "Vesperlog: copy failed — …", leaves no
    /// file behind and sets `error`.
    CopyResult saveCopy(QString* error = nullptr);

    /// The copy kept of an entries.json (or trash.json) that could not be decoded at launch; empty
    /// when the file was read, absent or could not be copied.
    QString damagedJournalCopy() const { return m_damagedJournalCopy; }
    QString damagedTrashCopy() const { return m_damagedTrashCopy; }

    // ------------------------------------------------------------ collaborators
    /// Where expiration reminders go; none by default.
    void setReminderScheduler(ReminderScheduler* scheduler) { m_reminders = scheduler; }
    ReminderScheduler* reminderScheduler() const { return m_reminders; }

    /// False when entries.json exists but could not be read or set aside at launch: it is then never
    /// overwritten and changes stay in memory.
    bool canSaveEntries() const { return m_entriesSaveBlock.isEmpty(); }
    /// True when entries.json was read (or absent) at launch, so its content is in memory.
    bool loadedCleanly() const { return m_loadedCleanly; }

Q_SIGNALS:
    void entriesChanged();
    void trashedEntriesChanged();
    void selectedEntryIDChanged();
    /// What the list shows has changed: its section, tag, mood filter, search, or the calendar's
    /// visibility, month or picked day. Fired once per operation, after every property it sets.
    void navigationChanged();
    void restoreDraftOnComposeChanged();
    void isLockedChanged();
    void focusModeChanged();
    void tagColorsChanged();
    void pinnedIDsChanged();
    void sortNewestFirstChanged();
    void hasUnsavedChangesChanged();
    void lastSaveErrorChanged();
    /// An import read or added nothing; `why` as in its printed line.
    void importFailed(const QString& why);
    /// 1.5 s (of the store's clock) after the 5th, 50th, 100th, … added entry: the moment to ask for a
    /// review, if ever. Nothing listens on this desktop, which has no store to review the app in; the
    /// signal stays because it is the review prompt's required behaviour.
    void reviewRequested();
    /// See noteClockMoved().
    void clockMoved();

private:
    /// The navigation properties and the selection, as they were before an operation.
    struct NavigationState {
        NavSection section;
        std::optional<QString> tag;
        std::optional<QString> mood;
        QString query;
        bool calendar;
        double month;
        std::optional<double> day;
        std::optional<QUuid> selected;
    };
    NavigationState navigationState() const;
    /// Ends the search when the section, tag or mood filter differ from `before`.
    void endSearchIfListMoved(const NavigationState& before);
    /// Announces what differs from `before`: navigationChanged once, selectedEntryIDChanged once.
    void announceNavigation(const NavigationState& before);
    /// Runs `change` on the navigation properties, ends the search where the list moved and announces.
    void navigate(const std::function<void()>& change);
    void selectFirstListedEntry();
    /// Shows a restored entry where it lives: its section, no filters, the entry selected.
    void showRestored(const JournalEntry& entry);

    static QString entriesPath();
    static QString trashPath();

    EntryList load();
    void loadTrash();
    void loadTagColors();
    void loadPinned();
    void save();
    void saveTrash();
    void savePinned();
    void saveTagColors();
    void purgeExpiredTrash();
    void requestReviewIfAppropriate();
    void scheduleReminder(const JournalEntry& entry);
    void cancelReminder(const QUuid& id);
    int indexOf(const QUuid& id) const;
    bool isIdInUse(const QUuid& id) const;
    void removeFoldersIfUnused(const QUuid& id);
    void sortEntries(bool newestFirst);
    /// Keeps the bytes of a damaged store file beside it as "<prefix><time stamp>.json", or finds an
    /// earlier copy with the same bytes; returns the copy's path or nothing (with the reason in `error`).
    std::optional<QString> preserveCopy(const QByteArray& bytes, const QString& prefix, QString* error);
    /// The file a store file's writes must replace: the path itself, or the file its link leads to.
    /// Sets `block` when the link leads nowhere or to no regular file.
    static QString writeTarget(const QString& path, QString* block);
    /// Hands what changed to the writer.
    void requestWrite();
    void applyWriteResult(const vsp::JournalWriteResult& result);
    /// Takes in the outcomes the background writer has finished.
    void takeWriteResults();
    void setSaveError(const QString& error);

    EntryList m_entries;
    QList<TrashedEntry> m_trashedEntries;
    NavSection m_selectedSection = NavSection::Today;
    std::optional<QString> m_selectedTag;
    std::optional<QUuid> m_selectedEntryID;
    bool m_restoreDraftOnCompose = false;
    bool m_isLocked = false;
    QString m_searchQuery;
    bool m_focusMode = false;
    QHash<QString, QString> m_tagColors;
    QSet<QUuid> m_pinnedIDs;
    std::optional<QString> m_moodFilter;
    bool m_sortNewestFirst = true;
    bool m_showCalendar = false;
    double m_calendarMonth = 0;
    std::optional<double> m_selectedDate;

    Clock m_clock;
    /// The review prompt's delay; made when first needed.
    ClockTimer* m_reviewDelay = nullptr;
    ReminderScheduler* m_reminders = nullptr;
    FileChooser* m_fileChooser = nullptr;
    ImageCheck m_imageCheck;
    /// Why entries.json must not be overwritten; empty when it may.
    QString m_entriesSaveBlock;
    QString m_trashSaveBlock;
    /// The files the writes replace (a link's target when the journal file is a link).
    QString m_entriesTarget;
    QString m_trashTarget;
    /// Records restored, with the count of journal changes whose write carries them: trash.json keeps
    /// them until entries.json does, so a restore whose journal write failed loses nothing.
    QList<std::pair<TrashedEntry, quint64>> m_restoredUnsaved;
    /// trash.json was last written with such records in it.
    bool m_trashFileHoldsRestored = false;
    /// Changes made to each file, and how many of them are on disk.
    quint64 m_entriesGeneration = 0;
    quint64 m_trashGeneration = 0;
    quint64 m_entriesSavedGeneration = 0;
    quint64 m_trashSavedGeneration = 0;
    QString m_lastSaveError;
    std::unique_ptr<vsp::JournalFileWriter> m_files;
    /// While background writing is on: the thread that alone uses m_files.
    std::unique_ptr<vsp::BackgroundJournalWriter> m_writer;
    /// Changes wait for the write under way to finish before they are handed to the writer.
    bool m_writeDeferred = false;
    /// Snapshots handed to the writer so far.
    quint64 m_writesHandedOver = 0;
    QString m_damagedJournalCopy;
    QString m_damagedTrashCopy;
    bool m_loadedCleanly = true;
    /// Pins, tag colours, sort order and the save count live in the settings.
    AppSettings m_settings;
    /// The last search's matches and the folding under way on another thread.
    struct SearchState;
    mutable std::shared_ptr<SearchState> m_search;
    /// The last section, tag or mood filter's positions: a click's selection and the list's rows ask
    /// for the same ones. They stand for the entries at `version`; while the filter and the day are the
    /// same, a change of the entries is followed through its steps rather than by filtering anew.
    struct FilterMemo {
        quint64 version = 0;
        NavSection section = NavSection::Today;
        std::optional<QString> tag;
        std::optional<QString> mood;
        bool newestFirst = true;
        QDate day;
        QList<qsizetype> positions;
    };
    mutable std::optional<FilterMemo> m_filterMemo;
    /// Whether the section, tag or mood filter lists the entry (`today`: the local day now).
    bool isListed(const JournalEntry& entry, const vsp::DayRange& today) const;
    /// Brings the memo's positions in step with the entries through the steps since its version.
    void followSteps(FilterMemo& memo, const QList<EntriesStep>& steps) const;
    /// Uses of each tag and of each mood among the non-archived entries. The sidebar asks for them after
    /// every change, so every change adjusts them for the entries it touches instead of counting the
    /// journal again; absent until first asked for, and after the whole list was replaced.
    struct UseCounts {
        QHash<QString, int> tags;
        QHash<QString, int> moods;
        /// `tags` in code-point order, made again when a count changed.
        std::optional<QList<TagCount>> sortedTags;
    };
    mutable std::optional<UseCounts> m_useCounts;
    /// Today's non-archived entries and the words of all of today's entries, kept up to date with the
    /// uses for the local day they were counted on.
    struct DayCount {
        QDate day;
        int count = 0;
        int words = 0;
    };
    mutable std::optional<DayCount> m_todayCount;
    /// The counts for today, counted afresh when absent or of another day.
    const DayCount& todayCounts() const;
    const UseCounts& useCounts() const;
    /// Adds (`sign` 1) or takes away (-1) the entry's uses and its place in today's count; nothing while
    /// the counts are absent.
    void countUses(const JournalEntry& entry, int sign);
    /// The last streak, for the day it was found on, with the number of entries on each of its days
    /// (`perDay[k]` for `k` days before `day`). Entries dated before `horizon` (the start of the day
    /// that ended it) cannot change it. Each change follows it: an entry that comes or goes on a day of
    /// the streak changes that day's count, and a day left without entries ends the streak there; only
    /// an entry on the day that ended it (which may join older days) makes it counted again.
    struct StreakMemo {
        QDate day;
        int streak = 0;
        double horizon = 0;
        std::vector<int> perDay;
    };
    mutable std::optional<StreakMemo> m_streakMemo;
    /// An entry dated `date` came (`sign` 1) or went (-1).
    void followStreak(double date, int sign);
    /// Records one step of a change of the entries, or (without one) a change whose steps are not known.
    void noteEntriesStep(EntriesStep step);
    void noteEntriesReplaced();
    quint64 m_entriesVersion = 0;
    /// The steps since version m_stepsFrom, the step to version m_stepsFrom + k + 1 at k.
    QList<EntriesStep> m_steps;
    quint64 m_stepsFrom = 0;
};
