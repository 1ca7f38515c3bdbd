#pragma once

#include "Editor/Compose/TypeChip.h"
#include "Model/JournalEntry.h"
#include "Model/PendingAudio.h"
#include "Theme/PaintedButton.h"
#include "Widgets/TagChip.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class AppSettings;
class AudioClipRow;
class AudioRecordControl;
class JournalStore;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QScrollArea;
class QStackedLayout;
class QVBoxLayout;
class QuickCaptureTest;
class TransitionSlot;
namespace vsp {
class SpringValue;
}

/// The "Capture" button: accent-filled while there is something to capture, muted otherwise, with the
/// shortcut written after its name; shrinks and dims while pressed (spring 0.18).
class CaptureButton final : public vsp::PaintedButton {
    Q_OBJECT

public:
    explicit CaptureButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// The content of the quick-capture popup: a new entry jotted down without the main window. It takes
/// an optional title, a plain body, one of the four entry types (Note at first), tags and voice notes,
/// and "Capture" (Ctrl+Return) saves them in one store step as a new entry, then empties the fields
/// (the type stays) and asks to be dismissed.
///
/// Its state lives as long as the widget: closing the popup without capturing keeps everything typed
/// and recorded. Recordings wait as temporary files it owns until they are captured or removed.
///
/// A recording the store cannot copy into the journal is never lost: the entry is saved with the rest,
/// the recording stays in the list with its file, a line under the list says so, and the popup stays
/// open. While the journal is locked it shows only that the journal is locked: nothing typed is shown,
/// and nothing is captured.
class QuickCaptureView final : public QWidget {
    Q_OBJECT

public:
    QuickCaptureView(JournalStore& store, AppSettings& settings, QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    QString bodyText() const;
    void setBodyText(const QString& body);
    QStringList tags() const { return m_tags; }
    void setSelectedType(JournalEntry::EntryType type, bool animate = false);

    /// Folds the tag field into the tags (trimmed, lower-cased, once) and empties it.
    void commitTag();
    /// Removes the tag from the chosen tags.
    void removeTag(const QString& tag);
    /// Takes a finished recording (a temporary file, its length in seconds) as a pending voice note and
    /// starts its transcription.
    void addRecording(const QString& path, double duration);
    /// Deletes the note's temporary file (a failure is ignored) and takes it out of the list.
    void removeRecording(const QUuid& id);
    /// Captures: see the class comment. Without a title the entry is called "Voice Note" when it holds
    /// a voice note and "Quick Note" otherwise; a longer title is cut to 80 characters. Does nothing but
    /// commit the tag field when there is nothing to capture, and nothing at all while the journal is
    /// locked.
    void save();

    /// Puts the keyboard focus into the title field (on every appearance).
    void focusTitle();

    // The parts are found by their object names: "captureTitle", "captureBody", "captureTagField",
    // "captureButton", "recordControl", "captureWordCount", "captureVoiceNoteCount" ("Keep this open while
    // recording", or the number of waiting voice notes), "captureKeptRecordings" (which recordings could
    // not be copied into the journal; hidden while there are none) and "captureLocked" (the face shown
    // while the journal is locked).

Q_SIGNALS:
    /// A capture succeeded: the popup should close.
    void dismissRequested();
    /// "Unlock…" on the locked face: the main window, with its lock cover, should come forward.
    void unlockRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class QuickCaptureTest;

    // Read by its tests alone.
    QString tagInput() const;
    JournalEntry::EntryType selectedType() const { return m_selectedType; }
    QList<PendingAudio> pendingAudio() const { return m_pendingAudio; }
    /// Whether Capture may run: the body has more than white space, or a voice note waits. The title
    /// alone is not enough. Always false while the journal is locked.
    bool canSave() const;
    QList<TagChip*> tagChips() const { return m_tagChips; }
    QList<AudioClipRow*> clipRows() const { return m_clipRows; }

    /// Words of the body: pieces between white space and line breaks.
    int wordCount() const;

    QWidget* buildHeader();
    QWidget* buildTypeChips();
    QWidget* buildVoiceNotes();
    QWidget* buildFooter();
    QWidget* buildLockedFace();
    void rebuildTagChips(bool animate = true);
    void setPendingAudio(const QList<PendingAudio>& clips, bool animate = true);
    void refreshCounts();
    void refreshLock();
    void applyTheme();
    void applyCountColors();

    JournalStore& m_store;
    AppSettings& m_settings;
    QStringList m_tags;
    JournalEntry::EntryType m_selectedType = JournalEntry::EntryType::Note;
    QList<PendingAudio> m_pendingAudio;
    /// Ids of the notes whose recording the store could not copy at the last capture.
    QList<QUuid> m_keptIds;

    QStackedLayout* m_faces = nullptr;
    QWidget* m_captureFace = nullptr;
    QWidget* m_lockedFace = nullptr;
    QLabel* m_bolt = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_wordCount = nullptr;
    QList<TypeChip*> m_typeChips;
    QLineEdit* m_titleField = nullptr;
    QWidget* m_divider = nullptr;
    QPlainTextEdit* m_body = nullptr;
    AudioRecordControl* m_record = nullptr;
    QLabel* m_voiceNote = nullptr;
    QScrollArea* m_clipScroll = nullptr;
    QVBoxLayout* m_clipColumn = nullptr;
    QList<AudioClipRow*> m_clipRows;
    /// The places of the rows still in the list, leaving ones included.
    QList<TransitionSlot*> m_clipSlots;
    QLabel* m_kept = nullptr;
    QLabel* m_hash = nullptr;
    QHBoxLayout* m_chipRow = nullptr;
    QList<TagChip*> m_tagChips;
    QList<TransitionSlot*> m_tagSlots;
    QLineEdit* m_tagField = nullptr;
    CaptureButton* m_capture = nullptr;
    QLabel* m_lockSymbol = nullptr;
    QLabel* m_lockText = nullptr;
    QLabel* m_lockHint = nullptr;
};
