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
///   same for moods.json ("Your moods file …") once showDamagedMoods() names its copy.
class JournalBanner final : public QWidget {
    Q_OBJECT

public:
    /// Shows a file in the file manager.
    using RevealAction = std::function<void(const QString& path)>;

    explicit JournalBanner(JournalStore& store, QWidget* parent = nullptr);

    /// Replaces the desktop's file manager (tests record the path instead).
    void setRevealAction(RevealAction reveal) { m_reveal = std::move(reveal); }

    /// Adds the row for a moods.json that could not be read at launch; nothing when `copyPath` is empty.
    void showDamagedMoods(const QString& copyPath);

    enum class DamagedFile { Journal, Trash, Moods };
    static QString saveFailureText(const QString& reason);
    static QString damagedFileText(const QString& copyPath, DamagedFile file);

    /// The texts of the rows shown now, top to bottom. The buttons are children called "tryAgain",
    /// "saveCopy" and, on the rows of kept copies, "showJournalCopy", "showTrashCopy" and "showMoodsCopy".
    QStringList messages() const;

private:
    void refresh();
    void addDamagedRow(const QString& copy, DamagedFile file, QWidget*& row);

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
    QList<QLabel*> m_labels;
};
