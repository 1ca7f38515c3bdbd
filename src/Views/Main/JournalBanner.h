#pragma once

#include <QWidget>

#include <functional>

class JournalStore;
class QAbstractButton;
class QLabel;

/// The notices of the list column about the journal's files, one glass row each, shown while they
/// apply and hidden otherwise:
///
/// - while the store has unsaved changes: "Vesperlog could not save your journal — <reason>. Your
///   changes are kept while the app is open." with "Try Again" (the store writes again) and "Save a
///   Copy…" (the journal in memory to a file the user picks; a failure is told under the text);
/// - when entries.json or trash.json could not be read at launch and a copy was kept: "Your journal file
///   could not be read. A copy was kept at <path>." (or "Your trash file …") with "Show in Files"; the
///   same for moods.json ("Your moods file …") once showDamagedMoods() names its copy;
/// - when moods.json or notifications.json is left unchanged (it cannot be read, or it is a link to a
///   file that is not the app's): "Your moods file could not be read — <why>." (or "Your reminders file
///   …"), with the copy named and "Show in Files" when one was kept;
/// - what else the app tells once at launch (showNotice()), such as a recording left by an earlier run.
class JournalBanner final : public QWidget {
    Q_OBJECT

public:
    /// Shows a file in the file manager.
    using RevealAction = std::function<void(const QString& path)>;

    explicit JournalBanner(JournalStore& store, QWidget* parent = nullptr);

    /// Replaces the desktop's file manager (tests record the path instead).
    void setRevealAction(RevealAction reveal) { m_reveal = std::move(reveal); }

    /// Adds the row for a moods.json that could not be read at launch: its copy, why it is left
    /// unchanged, or both; nothing when both are empty.
    void showDamagedMoods(const QString& copyPath, const QString& leftUnchanged = {});

    /// Adds a row that only tells (`text`, a whole sentence), for this run; nothing for an empty text.
    void showNotice(const QString& text);

    enum class DamagedFile { Journal, Trash, Moods, Reminders };
    static QString saveFailureText(const QString& reason);
    static QString damagedFileText(const QString& copyPath, DamagedFile file, const QString& leftUnchanged = {});

    /// The texts of the rows shown now, top to bottom. The buttons are children called "tryAgain",
    /// "saveCopy" and, on the rows of kept copies, "showJournalCopy", "showTrashCopy" and "showMoodsCopy".
    QStringList messages() const;

private:
    void refresh();
    void addDamagedRow(const QString& copy, DamagedFile file, QWidget*& row, const QString& leftUnchanged = {});
    void followReminders();

    JournalStore& m_store;
    RevealAction m_reveal;
    QWidget* m_saveRow;
    QLabel* m_saveText;
    QLabel* m_copyNote;
    QAbstractButton* m_tryAgain;
    QAbstractButton* m_saveCopy;
    QWidget* m_journalRow = nullptr;
    QWidget* m_trashRow = nullptr;
    QWidget* m_moodsRow = nullptr;
    QWidget* m_remindersRow = nullptr;
    QList<QWidget*> m_notices;
    QList<QLabel*> m_labels;
};
