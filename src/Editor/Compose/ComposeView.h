#pragma once

#include "Editor/Compose/TypeChip.h"
#include "Media/WeatherSnapshot.h"
#include "Model/JournalEntry.h"
#include "Model/PendingAudio.h"
#include "Theme/PaintedButton.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class AppSettings;
class AudioRecordControl;
class ComposeFooter;
class ComposeMotionTest;
class ComposeViewTest;
class FloatingFormatBar;
class FormattableTextEditor;
class GlassChipButton;
class ImagePickerButton;
class JournalStore;
class MoodBadge;
class MoodSelectorView;
class MoodStore;
class PendingAudioPreview;
class PendingImagesPreview;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMimeData;
class QTimer;
class ClockTimer;
class RichTextHandle;
class SelectionState;
class TransitionSlot;
class WeatherLocationChips;
class WordCountLabel;
namespace vsp {
class SpringValue;
}

/// The content of the "New Entry" window, in which one new entry is written: its type, the date with
/// the weather, place and mood captured for it, an expiration, images and voice notes, a title, the
/// rich-text body with a docked and a floating format bar, and tags. Ctrl+Return saves it into the
/// store (the entry becomes the first and selected one, its images stored under its id) and closes the
/// window; Escape closes without saving.
///
/// The window is reused between openings, so every opening starts as a new form (showEvent); closing
/// without saving keeps the title, body, tags and type as a draft in the settings when
/// `AppSettings::autoSaveDraft` is on, and the next opening resumes it only when
/// JournalStore::restoreDraftOnCompose was raised ("Continue Draft"). Quitting the application with the
/// window open keeps the draft too. While the window is open, the draft is also written kDraftKeepMs
/// after an edit (when the form holds text), so a crash or a killed session loses at most the last
/// moments of writing.
///
/// Only local files that can be read as images are taken from drops; other drops (web links, text) are
/// refused. A voice note whose copy into the journal fails keeps its recording in place and prints one
/// line naming it.
///
/// Motion, each with its spring (response in seconds): every opening grows the content from 92 % and
/// fades it in (0.45, damping 0.78); a chosen type chip glides to its look (0.22); the mood badge grows
/// from nothing (0.25) and the weather chips from 85 % (0.35) as they fade in, and shrink away the same
/// way; the expiration picker grows from 80 % at its leading edge (0.25) while the chip's look crosses
/// over; the image and voice-note previews rise from their lower edge, fading (0.3); the word count
/// rolls to a new number (0.3). What an opening sets up lands at once, before the entrance's picture
/// is taken; weather arriving during the entrance comes in after it.
class ComposeView final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool appeared READ appeared NOTIFY appearedChanged)

public:
    using DismissAction = std::function<void()>;

    /// Longest time between an edit and the draft written for it while the window is open, in ms.
    static constexpr int kDraftKeepMs = 2000;

    /// `dismissWindow` closes the window that hosts the view.
    ComposeView(JournalStore& store, AppSettings& settings, MoodStore& moodStore, DismissAction dismissWindow,
                QWidget* parent = nullptr);
    ~ComposeView() override;

    /// Writes the draft of the open form now when it holds unsaved text, as the draft timer would (the
    /// application calls it before it quits for an update).
    void keepDraftNow() { keepDraft(); }

    // ------------------------------------------------------------ the form
    void setSelectedType(JournalEntry::EntryType type);
    void setSelectedMood(const std::optional<QString>& mood);
    void setHasExpiration(bool on);
    QList<PendingAudio> pendingAudio() const { return m_pendingAudio; }

    // ------------------------------------------------------------ actions
    /// Carries a formatting command (from either format bar) to the editor.
    void onFormat(const QString& command);
    /// Adds images to the waiting list, in order. A file the store would refuse (not a regular file, over
    /// 200 MiB, no picture) is left out with a "Vesperlog: image save failed — …" line, and the notice
    /// under the attachment row says why until the next pick.
    void addPendingImages(const QList<QUrl>& urls);
    /// What the record control does with a finished recording: a new waiting voice note, whose
    /// transcription starts at once.
    void addRecording(const QString& path, double duration);
    /// Builds the entry, stores its images and voice notes under its id, clears the draft, adds it to
    /// the store and closes the window. Does nothing while canSave() is false.
    void saveEntry();

    /// The local files of a drop that will be taken: local files readable as images, in order.
    static QList<QUrl> acceptableImageDrops(const QMimeData* mime);

    // The parts are found by their object names: "composeTitle", "composeBody", "composeFooter",
    // "floatingFormatBar", "selectionState", "wordCount", "weatherChips", "moodBadge", "moodSelector",
    // "expirationChip", "expirationPicker", "imagePickerButton", "recordControl", "pendingImages",
    // "pendingAudio", the places they come and go in by the content's name and "Slot", and the entrance's
    // picture "entranceOverlay".

Q_SIGNALS:
    void appearedChanged(bool appeared);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    /// Tab goes title, body, the pending attachments, the footer (tags, formatting), the date row (mood),
    /// the type chips, then the attachment buttons: from the text onward rather than back to the top.
    bool focusNextPrevChild(bool next) override;

private:
    friend class ComposeMotionTest;
    friend class ComposeViewTest;

    // Read by its tests alone.
    QString title() const;
    QString bodyPlain() const;
    JournalEntry::EntryType selectedType() const { return m_selectedType; }
    std::optional<QString> selectedMood() const { return m_selectedMood; }
    QStringList tags() const;
    QString tagInput() const;
    /// Seconds since 2001-01-01 UTC.
    double entryDate() const { return m_entryDate; }
    bool hasExpiration() const { return m_hasExpiration; }
    /// Seconds since 2001-01-01 UTC; kept while the chip is off.
    double expirationDate() const { return m_expirationDate; }
    QString selectedFontDesign() const;
    QList<QUrl> pendingImageURLs() const { return m_pendingImageURLs; }
    std::optional<WeatherSnapshot> weatherSnapshot() const { return m_weatherSnapshot; }
    int promptIndex() const { return m_promptIndex; }
    bool didSave() const { return m_didSave; }
    bool appeared() const { return m_appeared; }
    /// Save is possible: see vsp::compose::canSave.
    bool canSave() const;

    int wordCount() const;

    QWidget* buildTypeRow();
    QWidget* buildDateRow();
    QWidget* buildAttachmentRow();
    QWidget* buildEditorArea();

    /// The form's parts in Tab order (see focusNextPrevChild).
    QList<QWidget*> m_tabRegions;

    /// The state of a freshly made window: empty form, default type, expiration a week ahead, random
    /// prompt.
    void initializeState();
    void appear();
    void disappear();
    void resetForm();
    void restoreDraft();
    /// Whether the stored draft may be replaced or cleared by this form.
    bool ownsStoredDraft() const;
    void saveDraft();
    /// After an edit: the draft is written a little later, once for a run of edits.
    void scheduleDraftKeep();
    /// Writes the draft of the open form when it holds text (an emptied form leaves the stored draft
    /// for the closing to decide on).
    void keepDraft();
    void deletePendingRecordings();
    void playEntrance();

    void setTitleText(const QString& title);
    void setBody(const QString& plain, const std::optional<QByteArray>& rtf);
    void setTags(const QStringList& tags);
    void setPendingImages(const QList<QUrl>& urls);
    void setPendingAudio(const QList<PendingAudio>& clips);
    void setWeather(const std::optional<WeatherSnapshot>& snapshot);
    /// Shows the weather held now in the date row.
    void showWeather();
    bool dragCarriesImages(const QMimeData* mime);

    /// Whether a change to the form should move (the window is open and showing) or land at once (the
    /// form is being set up for an opening, or the window is closing).
    bool animatesChanges() const;

    void refreshSaveState();
    void refreshWordCount();
    void refreshFloatingBar();
    void refreshExpiration();
    void refreshDate();
    void applySettings();
    void applyTheme();

    JournalStore& m_store;
    AppSettings& m_settings;
    MoodStore& m_moodStore;
    DismissAction m_dismissWindow;

    // The form (the title, body, tags, tag input and font design live in their widgets).
    std::optional<QByteArray> m_bodyRTF;
    JournalEntry::EntryType m_selectedType = JournalEntry::EntryType::Journal;
    std::optional<QString> m_selectedMood;
    std::optional<QString> m_formattingAction;
    bool m_didSave = false;
    /// This opening took up the stored draft ("Continue Draft").
    bool m_draftRestored = false;
    double m_entryDate = 0;
    bool m_hasExpiration = false;
    double m_expirationDate = 0;
    QList<QUrl> m_pendingImageURLs;
    QList<PendingAudio> m_pendingAudio;
    std::optional<WeatherSnapshot> m_weatherSnapshot;
    int m_promptIndex = 0;
    bool m_appeared = false;

    /// True from an appearance to its disappearance (a minimised window stays open).
    bool m_open = false;
    /// Whether the state still is the one made at construction (the first opening needs no new one).
    bool m_fresh = true;
    /// Counts appearances, so answers meant for an earlier opening (weather) are dropped.
    quint64 m_generation = 0;
    bool m_settingExpiration = false;
    /// Set while appear() prepares the form: what it changes lands at once, under the entrance.
    bool m_settingUp = false;
    /// The drag last looked into, and whether it carries images (identity only; never dereferenced).
    const QMimeData* m_dragMime = nullptr;
    bool m_dragHasImages = false;
    ClockTimer* m_draftTimer;
    QTimer* m_titleFocus;

    RichTextHandle* m_bodyHandle;
    SelectionState* m_selectionState;

    QList<TypeChip*> m_typeChips;
    WordCountLabel* m_wordCount = nullptr;
    QLabel* m_dateLabel = nullptr;
    WeatherLocationChips* m_weatherChips = nullptr;
    TransitionSlot* m_weatherSlot = nullptr;
    MoodBadge* m_moodBadge = nullptr;
    TransitionSlot* m_moodBadgeSlot = nullptr;
    MoodSelectorView* m_moodSelector = nullptr;
    GlassChipButton* m_expirationChip = nullptr;
    QDateEdit* m_expirationPicker = nullptr;
    TransitionSlot* m_expirationSlot = nullptr;
    ImagePickerButton* m_imagePicker = nullptr;
    QLabel* m_imageNotice = nullptr;
    AudioRecordControl* m_recordControl = nullptr;
    QLineEdit* m_titleField = nullptr;
    QWidget* m_editorArea = nullptr;
    FormattableTextEditor* m_editor = nullptr;
    FloatingFormatBar* m_floatingBar = nullptr;
    TransitionSlot* m_imagesSlot = nullptr;
    PendingImagesPreview* m_imagesPreview = nullptr;
    TransitionSlot* m_audioSlot = nullptr;
    PendingAudioPreview* m_audioPreview = nullptr;
    QPointer<QWidget> m_entranceOverlay;
    ComposeFooter* m_footer = nullptr;
};
