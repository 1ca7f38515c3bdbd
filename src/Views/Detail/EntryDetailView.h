#pragma once

#include "Model/AudioClip.h"
#include "Model/JournalEntry.h"
#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Views/Detail/DetailWidgets.h"
#include "Views/Detail/FocusChangeMotion.h"

#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QWidget>

#include <QPixmap>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class AppSettings;
class BodyTextView;
class DetailToolbar;
class EditableTagsView;
class FloatingFormatBar;
class FormatBar;
class FormattableTextEditor;
class GlassChipButton;
class JournalStore;
class MoodStore;
class QLineEdit;
class QMimeData;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;
class RichTextHandle;
class SelectionState;
class TransitionSlot;
class WeatherLocationChips;

/// The right-hand column of the main window: one entry for reading, or edited in place in the column
/// or in focus mode. One long-lived view whose entry changes (never one per entry), so moving between
/// the layouts never loses what is being typed.
///
/// Edits are made on copies and written only by commitEdits, as one JournalStore::updateEntry: on
/// Done, "VspToggleEdit" (Ctrl+E), a change of the shown entry, focus mode off, the focus overlay's
/// buttons, and when the app quits, the view is hidden or destroyed. Nothing is written while the user
/// types. Photos and voice notes added while editing are stored at once; removed ones are deleted from
/// disk only when the edit is committed, and files added to an edit that cannot be committed (its
/// entry went to the trash) are removed again.
///
/// "VspRequestDelete" (Ctrl+Backspace) asks "Delete this entry?" and moves the entry to the trash only
/// when confirmed. While a text field has the keyboard focus, Ctrl+Backspace is that field's: it
/// deletes the previous word and the menu's command does not fire.
class EntryDetailView final : public QWidget {
    Q_OBJECT

public:
    /// The three layouts, in the order of their pages.
    enum class Layout { Read, Edit, Focus };

    /// The copies an edit works on.
    struct EditCopies {
        QString title;
        QString body;
        std::optional<QByteArray> bodyRTF;
        QStringList tags;
        QString tagInput;
        bool hasExpiration = false;
        /// Record date; used only while hasExpiration is on.
        double expirationDate = 0;
        QString fontDesign = QStringLiteral("default");
        QStringList imageFilenames;
        QList<AudioClip> audioClips;
    };

    EntryDetailView(JournalStore& store, MoodStore& moodStore, const JournalEntry& entry, QWidget* parent = nullptr);
    /// Commits an edit in progress.
    ~EntryDetailView() override;

    const JournalEntry& entry() const { return m_entry; }
    /// Shows another entry, or the same one as stored now. When the id changes while editing, the edits
    /// are first committed to the entry they belong to; editing then ends unless focus mode is on, and
    /// the copies are loaded from the new entry.
    void setEntry(const JournalEntry& entry);

    bool isEditing() const { return m_editing; }
    Layout layout() const;

    /// Starts editing the copies as they stand (they are not reloaded).
    void startEditing();
    /// Ctrl+E: saves when editing, else starts editing.
    void toggleEdit();
    /// Commits to the shown entry, then stops editing unless focus mode is on.
    void saveEdits();
    /// Commits and stops editing (nothing happens when not editing).
    void commitEdits();
    /// Writes the copies into the stored entry with this id, as one update. Returns false, writing
    /// nothing, when no stored entry has the id.
    bool commitEdits(const QUuid& id);
    /// Commits an edit in progress and goes on editing (quit, closing the window).
    void commitPendingEdits();
    /// Commits an edit in progress and ends it without laying anything out (the parent is going away).
    void commitBeforeTeardown();

    /// Asks for confirmation, then deletes. The question is answered by `confirm` (a dialog by default).
    void requestDelete();
    void setConfirmation(std::function<bool(const QString& question)> confirm) { m_confirm = std::move(confirm); }

    /// Shows the dates again against the store's clock (the status line's day, the expiration badge):
    /// called when the day changes.
    void refreshTimes();

    // ------------------------------------------------------------ attachments while editing
    /// Stores each picture file for the edited entry through the store and appends its name, in order;
    /// a file the store refuses is left out and the notice under the photos says why.
    void addImages(const QList<QUrl>& files);
    /// Shows the entry's photo large over the detail, replacing one already shown.
    void showLightbox(const QString& filename);
    void removeImage(const QString& filename);
    /// Takes a finished recording: stores it, removes the temporary file, appends the clip and asks for
    /// its transcript. Nothing is added when the store fails.
    void addRecording(const QString& path, double duration);
    void removeAudioClip(const AudioClip& clip);
    /// Takes a drop onto the view: only while editing, only local files this build can read as images,
    /// for the entry being edited now. Returns whether the drop was taken.
    bool takeDrop(const QMimeData* mime);
    /// The local files of a drop that this build can read as images.
    static QStringList acceptableImageFiles(const QMimeData* mime);

    /// The detail's motion for the change of focus mode made this turn, for the window to paint as its
    /// columns move: the detail then stops playing it over itself. Null when focus mode did not change
    /// this turn, the detail is hidden or animations are off.
    std::shared_ptr<vsp::detail::FocusChangeMotion> takeFocusChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class EntryDetailViewTest;

    QWidget* buildReadPage();
    QWidget* buildEditPage();
    QWidget* buildFocusPage();
    void buildEditorArea();

    void syncEditState();
    /// Puts the copies into the edit layouts and the editor.
    void loadEditors();
    void refreshRead();
    /// The read layout's tag chips for m_readShownTags.
    void rebuildReadTags();
    void refreshEditStatus();
    /// Shows the edit copies' photos and voice notes; a section that appears or empties comes or goes
    /// with `spring` while the edit layout is on screen.
    void refreshEditAttachments(std::optional<vsp::Spring> spring = std::nullopt);
    /// Shows the layout of the current state. With a spring, a change of layout cross-fades (when
    /// animations run and the detail is on screen); the state itself has changed already.
    void showLayout(std::optional<vsp::Spring> spring = std::nullopt);
    void beginPageTransition(vsp::Spring spring);
    void saveEditsWith(std::optional<vsp::Spring> spring);
    void onFocusModeChanged();
    /// Gives each part of a change of focus mode from layout `before` to `after` its springs: `trigger`
    /// is the one the change was made with (the toolbar's, the overlay's or the menu's).
    void setFocusChangeSprings(vsp::detail::FocusChangeMotion& motion, Layout before, Layout after,
                               vsp::Spring trigger) const;
    void playFocusChange(std::shared_ptr<vsp::detail::FocusChangeMotion> motion);
    void refreshFloatingBar();
    void applyTheme();
    void onTranscript(const QUuid& entryID, const QUuid& clipID, const std::optional<QString>& text);
    void forgetAddedFiles(const QUuid& id);
    bool textFieldHasFocus() const;

    JournalStore& m_store;
    QPointer<JournalStore> m_storeAlive;
    MoodStore& m_moodStore;
    AppSettings* m_settings;
    JournalEntry m_entry;
    bool m_editing = false;
    bool m_focusLayout = false;
    EditCopies m_edit;
    /// The entry the editor's document was loaded from.
    std::optional<QUuid> m_editorLoadedFor;
    /// The user changed the editor's document since it was loaded: only then is its RTF written back.
    bool m_bodyEdited = false;
    bool m_readStale = true;
    /// The entry and tags the read layout last showed, so that a change leaving them keeps their widgets.
    QUuid m_readShownFor;
    QStringList m_readShownTags;
    /// Files stored during this edit, and stored ones removed from it (deleted when it is committed).
    QSet<QString> m_addedImages;
    QSet<QString> m_removedImages;
    QSet<QString> m_addedAudio;
    QSet<QString> m_removedAudio;
    std::function<bool(const QString&)> m_confirm;

    DetailToolbar* m_toolbar = nullptr;
    QStackedWidget* m_pages = nullptr;
    vsp::detail::FocusOverlay* m_overlay = nullptr;

    // Read layout.
    QScrollArea* m_readScroll = nullptr;
    QWidget* m_readColumn = nullptr;
    QVBoxLayout* m_readLayout = nullptr;
    vsp::detail::StatusLineView* m_status = nullptr;
    QWidget* m_badgeBox = nullptr;
    vsp::detail::ExpirationBadge* m_badge = nullptr;
    QWidget* m_chipsBox = nullptr;
    WeatherLocationChips* m_chips = nullptr;
    QWidget* m_titleGap = nullptr;
    QLabel* m_title = nullptr;
    QWidget* m_tagRowBox = nullptr;
    QWidget* m_tagRow = nullptr;
    BodyTextView* m_body = nullptr;
    QWidget* m_readImages = nullptr;
    QWidget* m_readAudio = nullptr;
    QWidget* m_relatedBox = nullptr;
    vsp::detail::RelatedEntriesView* m_related = nullptr;
    QScrollArea* m_editImagesScroll = nullptr;
    QPointer<QWidget> m_lightbox;
    /// The cross-fade between layouts while it runs.
    QPointer<vsp::TransitionOverlay> m_pageTransition;
    /// The picture of the pages as shown, kept from one fade to the next.
    QPixmap m_shownPages;
    /// A change of focus mode played over the detail, and what it paints.
    QPointer<vsp::TransitionOverlay> m_focusTransition;
    std::shared_ptr<vsp::detail::FocusChangeMotion> m_focusMotion;
    std::weak_ptr<vsp::detail::FocusChangeMotion> m_lastFocusChange;
    /// The spring the next change of focus mode is made with, when the detail's own controls make it.
    std::optional<vsp::Spring> m_focusTrigger;

    // Edit layouts.
    QWidget* m_editPage = nullptr;
    QVBoxLayout* m_editColumn = nullptr;
    vsp::detail::StatusLineView* m_editStatus = nullptr;
    vsp::detail::ExpirationEditRow* m_expirationRow = nullptr;
    QLineEdit* m_editTitle = nullptr;
    EditableTagsView* m_tags = nullptr;
    FormatBar* m_formatBar = nullptr;
    QVBoxLayout* m_editorSlot = nullptr;
    QWidget* m_editImages = nullptr;
    TransitionSlot* m_editImagesSlot = nullptr;
    /// Why the last picked photos were not added; hidden when all were.
    QLabel* m_imageNotice = nullptr;
    QWidget* m_editAudio = nullptr;
    TransitionSlot* m_editAudioSlot = nullptr;
    QScrollArea* m_focusScroll = nullptr;
    QLineEdit* m_focusTitle = nullptr;
    FormatBar* m_focusFormatBar = nullptr;
    QVBoxLayout* m_focusEditorSlot = nullptr;

    QWidget* m_editorArea = nullptr;
    FormattableTextEditor* m_editor = nullptr;
    FloatingFormatBar* m_floatingBar = nullptr;
    RichTextHandle* m_handle = nullptr;
    SelectionState* m_selection = nullptr;
    int m_focusContentHeight = 500;
};
