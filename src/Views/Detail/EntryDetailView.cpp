#include "Views/Detail/EntryDetailView.h"

#include "Editor/Compose/ComposeRules.h"
#include "Editor/Compose/TagRules.h"
#include "Editor/EditorPalette.h"
#include "Editor/FloatingFormatBar.h"
#include "Editor/FormatBar.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/RichTextHandle.h"
#include "Editor/SelectionState.h"
#include "Editor/VesperlogTextView.h"
#include "Media/AudioClipsView.h"
#include "Media/AudioRecordControl.h"
#include "Media/ImageGalleryView.h"
#include "Media/ImagePickerButton.h"
#include "Media/SpeechTranscriber.h"
#include "Media/WeatherLocationChips.h"
#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Model/Uuid.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Theme/Transitions.h"
#include "Theme/WindowFit.h"
#include "Views/Detail/BodyTextView.h"
#include "Views/Detail/DetailToolbar.h"
#include "Views/Detail/EditableTagsView.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using vsp::Color;
using namespace vsp::detail;

namespace {

/// A piece of a column with room above and below it; hiding the box hides the room too.
QWidget* padded(QWidget* parent, QWidget* content, int top, int bottom)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, top, 0, bottom);
    layout->setSpacing(0);
    content->setParent(box);
    layout->addWidget(content, 0, Qt::AlignLeft);
    return box;
}

/// The read layout's page and column. Their preferred height is the one at the width they have: Qt's own
/// is the height at their preferred width (the body's 680 pixels and the margins), which the scroll
/// area asks for on every change, and which lays a long body out again at a width it is not shown at
/// whenever the window is narrower than that.
class ReadPanel final : public QWidget {
public:
    using QWidget::QWidget;

    QSize sizeHint() const override
    {
        QLayout* panel = layout();
        if (!panel || !panel->hasHeightForWidth() || !testAttribute(Qt::WA_Resized) || !isVisible()) {
            return QWidget::sizeHint();
        }
        // A scroll area widens its page to the page's least width (photos in a narrow window) before
        // laying it out.
        const int shown = std::min(std::max(width(), minimumSizeHint().width()), maximumWidth());
        return {panel->sizeHint().width(), panel->totalHeightForWidth(shown)};
    }
};

QScrollArea* makeScroller(QWidget* parent, QWidget* content)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    // Tab stops at the controls inside, which the area scrolls into view; the area is no stop itself.
    scroll->setFocusPolicy(Qt::NoFocus);
    vsp::keepFocusInView(scroll);
    content->setAutoFillBackground(false);
    scroll->setWidget(content);
    return scroll;
}

QLineEdit* makeTitleField(QWidget* parent, qreal size, qreal tracking)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QStringLiteral("detailTitleField"));
    // A frameless field shows only its caret: the ring says where Tab has put the focus.
    vsp::setFocusRing(field, 8);
    field->setPlaceholderText(QObject::tr("Title"));
    field->setFrame(false);
    field->setFont(vsp::fonts::tracked(vsp::fonts::system(size, QFont::Bold), tracking));
    field->setStyleSheet(QStringLiteral("background: transparent;"));
    return field;
}

/// Removes every widget of a box's layout. They go once control returns to the event loop: one of
/// them may be the button whose click is being handled.
void clearBox(QWidget* box)
{
    while (QLayoutItem* item = box->layout()->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

constexpr int kColumnWidth = 860;
/// The edit column's side margins: full from a comfortable width, narrower in a small window.
constexpr int kEditSideMargin = 64;
constexpr int kEditNarrowSideMargin = 20;
constexpr int kFocusReadWidth = 640;
constexpr int kFocusEditWidth = 700;
constexpr int kEditPhotosHeight = 300;
/// The least the photo strip shrinks to in a short window, pixels.
constexpr int kEditPhotosMinHeight = 120;
/// The photo section's share of spare room against the editor's 1: all of it, to within a pixel.
constexpr int kPhotosStretch = 1000;
/// Starting and ending an edit in the column.
constexpr vsp::Spring kEditSpring{0.25, 1.0};
/// Photos and voice notes coming into and leaving an edit.
constexpr vsp::Spring kAttachmentSpring{0.3, 1.0};
/// Focus mode coming on starts an edit with this spring: the read layout goes with it.
constexpr vsp::Spring kFocusEditSpring{0.45, 0.82};
/// The focus layout fades in and out with its own spring.
constexpr vsp::Spring kFocusLayoutSpring{0.3, 1.0};
/// The read layout follows focus mode with its own spring (an entry read in focus mode).
constexpr vsp::Spring kReadFocusSpring{0.4, 1.0};
/// The focus overlay's Done and exit leave focus mode with this spring.
constexpr vsp::Spring kOverlayLeaveSpring{0.35, 0.78};
/// The floating format bar comes and goes in the column's edit layout with this spring.
constexpr vsp::Spring kFloatingBarSpring{0.25, 0.8};
/// Focus mode switched by the View menu, or by anything but the detail's own buttons.
constexpr vsp::Spring kMenuFocusSpring{0.35, 1.0};
/// The photo strip and the voice notes open and close their room as they fade.
constexpr Transition kSectionTransition{1.0, Qt::AlignTop | Qt::AlignHCenter, false, Qt::Vertical};

} // namespace

EntryDetailView::EntryDetailView(JournalStore& store, MoodStore& moodStore, const JournalEntry& entry, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_storeAlive(&store),
      m_moodStore(moodStore),
      m_settings(&AppSettings::instance()),
      m_entry(entry),
      m_handle(new RichTextHandle(this)),
      m_selection(new SelectionState(this))
{
    setObjectName(QStringLiteral("entryDetail"));
    setAcceptDrops(true);
    setMouseTracking(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_toolbar = new DetailToolbar(
        store, moodStore, [this] { startEditing(); }, [this] { saveEdits(); }, [this] { requestDelete(); }, this);
    column->addWidget(m_toolbar);
    m_pages = new QStackedWidget(this);
    column->addWidget(m_pages, 1);
    buildEditorArea();
    m_pages->addWidget(buildReadPage());
    m_pages->addWidget(buildEditPage());
    m_pages->addWidget(buildFocusPage());
    m_overlay = new FocusOverlay(this);
    m_overlay->hide();
    // Found by name in tests.
    m_focusTitle->setObjectName(QStringLiteral("detailFocusTitleField"));
    m_tags->setObjectName(QStringLiteral("detailTags"));
    m_expirationRow->setObjectName(QStringLiteral("expirationRow"));
    m_badge->setObjectName(QStringLiteral("expirationBadge"));
    m_status->setObjectName(QStringLiteral("detailStatus"));
    m_related->setObjectName(QStringLiteral("relatedEntries"));
    m_overlay->setObjectName(QStringLiteral("focusOverlay"));
    m_tagRow->setObjectName(QStringLiteral("detailReadTags"));
    m_editImagesSlot->setObjectName(QStringLiteral("editPhotoSection"));
    connect(m_overlay, &FocusOverlay::leaveRequested, this, [this] {
        // Leaving focus mode commits the edits and ends editing (see onFocusModeChanged): one update.
        m_focusTrigger = kOverlayLeaveSpring;
        m_store.setFocusMode(false);
    });
    connect(m_toolbar, &DetailToolbar::focusModeToggling, this,
            [this](vsp::Spring spring) { m_focusTrigger = spring; });

    m_confirm = [this](const QString& question) {
        QMessageBox box(QMessageBox::Warning, question, question, QMessageBox::NoButton, this);
        box.setWindowModality(Qt::WindowModal);
        box.setInformativeText(tr("You can restore it from Trash within %1 days.").arg(30));
        QPushButton* trash = box.addButton(tr("Move to Trash"), QMessageBox::DestructiveRole);
        box.addButton(tr("Cancel"), QMessageBox::RejectRole);
        vsp::makeRoomForTitle(box);
        box.exec();
        return box.clickedButton() == trash;
    };

    auto& notifications = AppNotifications::instance();
    connect(&notifications, &AppNotifications::VspToggleEdit, this, [this] {
        if (isVisible() && m_store.entry(m_entry.id)) {
            toggleEdit();
        }
    });
    connect(&notifications, &AppNotifications::VspRequestDelete, this, [this] {
        if (isVisible()) {
            requestDelete();
        }
    });
    connect(&store, &JournalStore::focusModeChanged, this, &EntryDetailView::onFocusModeChanged);
    connect(&store, &JournalStore::isLockedChanged, this, [this] {
        if (!m_store.isLocked()) {
            onFocusModeChanged();
        } else if (m_lightbox) {
            // A photo of the entry is journal data: the lock closes it.
            m_lightbox->deleteLater();
            m_lightbox = nullptr;
        }
    });
    // Ctrl+Backspace is also the menu's Delete Entry: in a text field it deletes the previous word.
    qApp->installEventFilter(this);
    auto& appearance = AppearanceManager::instance();
    connect(&appearance, &AppearanceManager::appearanceChanged, this, &EntryDetailView::applyTheme);
    connect(&appearance, &AppearanceManager::accentChanged, this, &EntryDetailView::applyTheme);
    connect(m_settings, &AppSettings::readingFontSizeChanged, this, [this] {
        m_readStale = true;
        showLayout();
    });
    connect(m_settings, &AppSettings::writingFontSizeChanged, this, [this] {
        const double size = m_settings->writingFontSize();
        m_editor->setFontSize(size);
        m_formatBar->setWritingFontSize(size);
        m_focusFormatBar->setWritingFontSize(size);
        m_readStale = true;
        showLayout();
    });
    // Another entry's tags change what is related to this one.
    connect(&store, &JournalStore::entriesChanged, this, [this] {
        if (!m_editing) {
            m_related->setCurrentEntry(m_entry);
            m_relatedBox->setVisible(!m_focusLayout && m_related->isVisibleTo(m_relatedBox));
        }
    });

    syncEditState();
    applyTheme();
    m_focusLayout = m_store.focusMode();
    if (m_focusLayout && m_store.entry(m_entry.id)) {
        m_editing = true;
        loadEditors();
    }
    showLayout();
}

EntryDetailView::~EntryDetailView()
{
    if (m_editing && m_storeAlive) {
        commitEdits(m_entry.id);
    }
}

// ------------------------------------------------------------------------------------------ building

void EntryDetailView::buildEditorArea()
{
    m_editorArea = new QWidget(this);
    m_editorArea->setObjectName(QStringLiteral("detailEditorArea"));
    // Hidden until an edit puts it into a layout: shown here, behind the read layout, it would take the
    // keyboard focus, and keys meant for the list would change the body that the next edit commits.
    m_editorArea->hide();
    auto* layout = new QVBoxLayout(m_editorArea);
    layout->setContentsMargins(0, 0, 0, 0);
    m_editor = new FormattableTextEditor(m_editorArea);
    m_editor->setObjectName(QStringLiteral("detailBody"));
    m_editor->setPlaceholder(QString());
    m_editor->setRichTextHandle(m_handle);
    m_editor->setSelectionState(m_selection);
    m_editor->setFontSize(m_settings->writingFontSize());
    layout->addWidget(m_editor);
    m_editorArea->setMinimumHeight(120);
    m_floatingBar = new FloatingFormatBar(m_selection, m_editorArea);
    m_floatingBar->hide();
    connect(m_floatingBar, &FloatingFormatBar::formatRequested, m_editor, &FormattableTextEditor::applyFormat);
    connect(m_selection, &SelectionState::hasSelectionChanged, this, &EntryDetailView::refreshFloatingBar);
    connect(m_selection, &SelectionState::selectionRectChanged, this, &EntryDetailView::refreshFloatingBar);
    connect(m_editor, &FormattableTextEditor::plainTextChanged, this, [this](const QString& text) {
        m_bodyEdited = true;
        m_edit.body = text;
        // Counting the words of a long body takes milliseconds a key: only while the count shows.
        if (m_focusLayout) {
            m_overlay->setWordCount(vsp::compose::wordCount(text));
        }
    });
    connect(m_editor, &FormattableTextEditor::richTextChanged, this, [this](const std::optional<QByteArray>& rtf) {
        m_bodyEdited = true;
        m_edit.bodyRTF = rtf;
    });
    connect(m_editor, &FormattableTextEditor::contentHeightChanged, this, [this](int height) {
        m_focusContentHeight = height;
        if (m_focusLayout) {
            m_editorArea->setFixedHeight(height);
        }
    });
}

QWidget* EntryDetailView::buildReadPage()
{
    auto* content = new ReadPanel;
    auto* outer = new QHBoxLayout(content);
    outer->setContentsMargins(0, 0, 0, 0);
    m_readColumn = new ReadPanel(content);
    m_readColumn->setObjectName(QStringLiteral("detailReadColumn"));
    m_readColumn->setMaximumWidth(kColumnWidth);
    m_readLayout = new QVBoxLayout(m_readColumn);
    m_readLayout->setSpacing(0);
    outer->addWidget(m_readColumn, 1, Qt::AlignLeft);

    m_status = new StatusLineView;
    m_readLayout->addWidget(padded(m_readColumn, m_status, 0, 0));
    m_badge = new ExpirationBadge;
    m_badgeBox = padded(m_readColumn, m_badge, 8, 0);
    m_readLayout->addWidget(m_badgeBox);
    m_chips = new WeatherLocationChips;
    m_chipsBox = padded(m_readColumn, m_chips, 10, 0);
    m_readLayout->addWidget(m_chipsBox);
    m_titleGap = new QWidget(m_readColumn);
    m_titleGap->setFixedHeight(22);
    m_readLayout->addWidget(m_titleGap);
    m_title = new ThemedLabel([] { return Color::primaryStyle().resolve(); }, m_readColumn);
    m_title->setObjectName(QStringLiteral("detailTitle"));
    m_title->setWordWrap(true);
    m_title->setFont(vsp::fonts::tracked(vsp::fonts::system(36, QFont::Bold), -0.6));
    m_title->setContentsMargins(0, 0, 0, 12);
    m_readLayout->addWidget(m_title);
    m_tagRow = new QWidget;
    auto* tagRow = new QHBoxLayout(m_tagRow);
    tagRow->setContentsMargins(0, 0, 0, 0);
    tagRow->setSpacing(8);
    m_tagRowBox = padded(m_readColumn, m_tagRow, 0, 32);
    m_readLayout->addWidget(m_tagRowBox);
    m_body = new BodyTextView(m_readColumn);
    m_body->setObjectName(QStringLiteral("detailBodyText"));
    m_readLayout->addWidget(m_body);
    m_readImages = new QWidget(m_readColumn);
    new QVBoxLayout(m_readImages);
    m_readImages->layout()->setContentsMargins(0, 20, 0, 0);
    m_readLayout->addWidget(m_readImages);
    m_readAudio = new QWidget(m_readColumn);
    new QVBoxLayout(m_readAudio);
    m_readAudio->layout()->setContentsMargins(0, 20, 0, 0);
    m_readLayout->addWidget(m_readAudio);
    m_related = new RelatedEntriesView(m_store);
    m_relatedBox = new QWidget(m_readColumn);
    auto* relatedLayout = new QVBoxLayout(m_relatedBox);
    relatedLayout->setContentsMargins(0, 48, 0, 0);
    m_related->setParent(m_relatedBox);
    relatedLayout->addWidget(m_related);
    m_readLayout->addWidget(m_relatedBox);
    m_readLayout->addStretch(1);

    m_readScroll = makeScroller(this, content);
    // The read layout has no control to stop at in its text: the area itself takes Tab, so the arrow and
    // page keys scroll a long entry.
    m_readScroll->setFocusPolicy(Qt::TabFocus);
    m_readScroll->setAccessibleName(tr("Entry text"));
    vsp::setFocusRing(m_readScroll, 12, -3);
    return m_readScroll;
}

QWidget* EntryDetailView::buildEditPage()
{
    m_editPage = new QWidget(this);
    auto* outer = new QHBoxLayout(m_editPage);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* columnWidget = new QWidget(m_editPage);
    columnWidget->setMaximumWidth(kColumnWidth);
    auto* column = new QVBoxLayout(columnWidget);
    m_editColumn = column;
    column->setContentsMargins(kEditSideMargin, 36, kEditSideMargin, 36);
    column->setSpacing(0);
    outer->addWidget(columnWidget, 1, Qt::AlignLeft);

    m_editStatus = new StatusLineView(columnWidget);
    column->addWidget(m_editStatus);
    m_expirationRow = new ExpirationEditRow([this] { return m_store.now(); });
    column->addWidget(padded(columnWidget, m_expirationRow, 8, 0));
    connect(m_expirationRow, &ExpirationEditRow::hasExpirationEdited, this,
            [this](bool on) { m_edit.hasExpiration = on; });
    connect(m_expirationRow, &ExpirationEditRow::dateEdited, this,
            [this](double date) { m_edit.expirationDate = date; });
    column->addSpacing(22);
    m_editTitle = makeTitleField(columnWidget, 36, -0.6);
    column->addWidget(m_editTitle);
    column->addSpacing(12);
    m_tags = new EditableTagsView(m_store, columnWidget);
    column->addWidget(m_tags);
    column->addSpacing(28);
    connect(m_tags, &EditableTagsView::tagsEdited, this, [this](const QStringList& tags) { m_edit.tags = tags; });
    connect(m_tags, &EditableTagsView::tagInputEdited, this, [this](const QString& text) { m_edit.tagInput = text; });
    m_formatBar = new FormatBar(false, columnWidget);
    m_formatBar->setWritingFontSize(m_settings->writingFontSize());
    column->addWidget(m_formatBar, 0, Qt::AlignLeft);
    column->addSpacing(12);
    m_editorSlot = new QVBoxLayout;
    m_editorSlot->setContentsMargins(0, 0, 0, 0);
    column->addLayout(m_editorSlot, 1);

    auto* photos = new QWidget(columnWidget);
    auto* photoColumn = new QVBoxLayout(photos);
    photoColumn->setContentsMargins(0, 20, 0, 0);
    photoColumn->setSpacing(10);
    m_editImages = new QWidget(photos);
    new QVBoxLayout(m_editImages);
    m_editImages->layout()->setContentsMargins(0, 0, 0, 0);
    // The edit page does not scroll as a whole (the editor scrolls itself): full-width photos get a
    // strip of their own that scrolls, so they never squeeze the editor away.
    m_editImagesScroll = makeScroller(photos, m_editImages);
    m_editImagesScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_editImagesScroll->setMaximumHeight(kEditPhotosHeight);
    m_editImagesScroll->hide();
    m_editImagesSlot = new TransitionSlot(m_editImagesScroll, kSectionTransition, kAttachmentSpring, photos);
    photoColumn->addWidget(m_editImagesSlot);
    photoColumn->addWidget(new ImagePickerButton([this](const QList<QUrl>& files) { addImages(files); }, photos), 0,
                           Qt::AlignLeft);
    // Why picked files were not added: the store's line alone would leave the user guessing.
    m_imageNotice = new ThemedLabel([] { return Color::secondaryStyle().resolve(); }, photos);
    m_imageNotice->setObjectName(QStringLiteral("imageNotice"));
    m_imageNotice->setWordWrap(true);
    m_imageNotice->setFont(vsp::fonts::system(12));
    m_imageNotice->hide();
    QSizePolicy noticePolicy = m_imageNotice->sizePolicy();
    noticePolicy.setVerticalPolicy(QSizePolicy::Fixed);
    m_imageNotice->setSizePolicy(noticePolicy);
    photoColumn->addWidget(m_imageNotice);
    // Room left in the column goes to the photos first, up to their height (or the strip's cap), and only
    // then to the editor: the other way round the editor kept an empty band while the photos were cut.
    // The section's most is what its pieces may take, so without photos it stays as tall as its button.
    photoColumn->setSizeConstraint(QLayout::SetMinAndMaxSize);
    column->addWidget(photos, kPhotosStretch);
    auto* voice = new QWidget(columnWidget);
    auto* voiceColumn = new QVBoxLayout(voice);
    voiceColumn->setContentsMargins(0, 16, 0, 0);
    voiceColumn->setSpacing(10);
    m_editAudio = new QWidget(voice);
    new QVBoxLayout(m_editAudio);
    m_editAudio->layout()->setContentsMargins(0, 0, 0, 0);
    m_editAudio->hide();
    m_editAudioSlot = new TransitionSlot(m_editAudio, kSectionTransition, kAttachmentSpring, voice);
    voiceColumn->addWidget(m_editAudioSlot);
    voiceColumn->addWidget(
        new AudioRecordControl([this](const QString& path, double duration) { addRecording(path, duration); }, voice),
        0, Qt::AlignLeft);
    column->addWidget(voice);

    // The body's editor is made before the pages and would come first in Tab order: it goes after the
    // format bar, so Tab from the body moves on to the photos and voice notes below it. The editor
    // hands its focus to the text: it moves as a whole (a widget that takes no focus is not moved), or
    // its place right after the toolbar would still lead Tab from there into the text, past the title.
    m_editor->setFocusPolicy(Qt::TabFocus);
    setTabOrder(vsp::lastFocusable(m_formatBar), m_editor);
    for (FormatBar* bar : {m_formatBar}) {
        connect(bar, &FormatBar::formatRequested, m_editor, &FormattableTextEditor::applyFormat);
    }
    connect(m_formatBar, &FormatBar::selectedFontDesignChanged, this, [this](const QString& design) {
        m_edit.fontDesign = design;
        m_editor->setFontDesign(design);
        m_focusFormatBar->setSelectedFontDesign(design);
    });
    connect(m_editTitle, &QLineEdit::textEdited, this, [this](const QString& text) { m_edit.title = text; });
    // In a small window the column would otherwise be squeezed below what its pieces need and draw
    // them over one another; it scrolls instead (the editor still takes all the height there is).
    auto* scroll = makeScroller(this, m_editPage);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return scroll;
}

QWidget* EntryDetailView::buildFocusPage()
{
    auto* content = new QWidget;
    auto* outer = new QHBoxLayout(content);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* columnWidget = new QWidget(content);
    columnWidget->setMaximumWidth(kFocusEditWidth);
    columnWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(columnWidget);
    column->setContentsMargins(48, 0, 48, 0);
    column->setSpacing(0);
    // As wide as it may be, with the room left shared on either side.
    outer->addStretch(1);
    outer->addWidget(columnWidget, 100, Qt::AlignTop);
    outer->addStretch(1);
    column->addSpacing(52);
    m_focusTitle = makeTitleField(columnWidget, 32, -0.5);
    m_focusTitle->setTextMargins(6, 0, 6, 0);
    column->addWidget(m_focusTitle);
    column->addSpacing(16);
    m_focusFormatBar = new FormatBar(false, columnWidget);
    m_focusFormatBar->setWritingFontSize(m_settings->writingFontSize());
    column->addWidget(m_focusFormatBar, 0, Qt::AlignLeft);
    column->addSpacing(8);
    m_focusEditorSlot = new QVBoxLayout;
    m_focusEditorSlot->setContentsMargins(0, 0, 0, 0);
    column->addLayout(m_focusEditorSlot);
    column->addSpacing(300);
    column->addStretch(1);
    connect(m_focusFormatBar, &FormatBar::formatRequested, m_editor, &FormattableTextEditor::applyFormat);
    connect(m_focusFormatBar, &FormatBar::selectedFontDesignChanged, this, [this](const QString& design) {
        m_edit.fontDesign = design;
        m_editor->setFontDesign(design);
        m_formatBar->setSelectedFontDesign(design);
    });
    connect(m_focusTitle, &QLineEdit::textEdited, this, [this](const QString& text) { m_edit.title = text; });
    m_focusScroll = makeScroller(this, content);
    return m_focusScroll;
}

// ------------------------------------------------------------------------------------------ state

EntryDetailView::Layout EntryDetailView::layout() const
{
    if (!m_editing) {
        return Layout::Read;
    }
    return m_focusLayout ? Layout::Focus : Layout::Edit;
}

void EntryDetailView::refreshTimes()
{
    m_readStale = true;
    refreshEditStatus();
    showLayout();
}

void EntryDetailView::syncEditState()
{
    m_edit.title = m_entry.title;
    m_edit.body = m_entry.body;
    m_edit.bodyRTF = m_entry.bodyRTF;
    m_edit.tags = m_entry.tags;
    m_edit.tagInput.clear();
    m_edit.hasExpiration = m_entry.expirationDate.has_value();
    m_edit.expirationDate = m_entry.expirationDate.value_or(vsp::addDays(m_store.now(), 7));
    m_edit.fontDesign = m_entry.fontDesign;
    m_edit.imageFilenames = m_entry.imageFilenames;
    m_edit.audioClips = m_entry.audioClips;
    m_imageNotice->hide();
    m_addedImages.clear();
    m_removedImages.clear();
    m_addedAudio.clear();
    m_removedAudio.clear();
}

void EntryDetailView::loadEditors()
{
    m_editTitle->setText(m_edit.title);
    m_focusTitle->setText(m_edit.title);
    m_tags->setState(m_edit.tags, m_edit.tagInput);
    m_expirationRow->setValues(m_edit.hasExpiration, m_edit.expirationDate);
    m_formatBar->setSelectedFontDesign(m_edit.fontDesign);
    m_focusFormatBar->setSelectedFontDesign(m_edit.fontDesign);
    m_editor->setContent(m_edit.body, m_edit.bodyRTF, m_edit.fontDesign);
    m_editorLoadedFor = m_entry.id;
    m_bodyEdited = false;
    m_overlay->setWordCount(vsp::compose::wordCount(m_edit.body));
    refreshEditStatus();
    refreshEditAttachments();
}

void EntryDetailView::setEntry(const JournalEntry& entry)
{
    if (entry.id != m_entry.id) {
        const QUuid previous = m_entry.id;
        // The new entry is taken first: the commit's own change notice then finds it shown already.
        m_entry = entry;
        if (m_editing) {
            commitEdits(previous);
            if (!m_focusLayout) {
                m_editing = false;
            }
        }
        syncEditState();
        if (m_editing) {
            loadEditors();
        } else {
            // The editor still holds the previous entry's document: it is loaded afresh before the
            // next edit, and nothing of it is ever committed to this entry.
            m_editorLoadedFor.reset();
        }
        if (m_lightbox) {
            m_lightbox->deleteLater();
            m_lightbox = nullptr;
        }
    } else {
        m_entry = entry;
        if (!m_editing) {
            // The next edit starts from the entry as stored now (a tag deleted elsewhere, a mood).
            syncEditState();
        }
    }
    m_readStale = true;
    refreshEditStatus();
    showLayout();
}

void EntryDetailView::startEditing()
{
    if (m_editing || !m_store.entry(m_entry.id)) {
        return;
    }
    m_editing = true;
    loadEditors();
    showLayout(kEditSpring);
    m_editor->textView()->setFocus();
}

void EntryDetailView::toggleEdit()
{
    if (m_editing) {
        saveEdits();
    } else {
        startEditing();
    }
}

void EntryDetailView::saveEdits()
{
    saveEditsWith(kEditSpring);
}

void EntryDetailView::saveEditsWith(std::optional<vsp::Spring> spring)
{
    // The keyboard in what is about to go (the editor, the edit layout's fields, Done) goes on to Edit,
    // not to the read page's next control (a photo), which would scroll the page there.
    const QWidget* focused = QApplication::focusWidget();
    const bool hadKeyboard = focused && isAncestorOf(focused);
    // The store has the words before anything moves on screen.
    commitEdits(m_entry.id);
    if (!m_store.focusMode()) {
        m_editing = false;
        // The next edit starts from what was stored.
        syncEditState();
    }
    showLayout(spring);
    if (hadKeyboard && !m_editing) {
        m_toolbar->focusEditButton();
    }
}

void EntryDetailView::commitEdits()
{
    if (!m_editing) {
        return;
    }
    commitEdits(m_entry.id);
    m_editing = false;
    showLayout();
}

void EntryDetailView::commitBeforeTeardown()
{
    if (m_editing) {
        commitEdits(m_entry.id);
        m_editing = false;
    }
}

void EntryDetailView::commitPendingEdits()
{
    if (m_editing) {
        commitEdits(m_entry.id);
    }
}

bool EntryDetailView::commitEdits(const QUuid& id)
{
    // A tag left in the field counts when it is new; one already chosen stays in the field.
    {
        QString input = m_edit.tagInput;
        QStringList tags = m_edit.tags;
        if (vsp::tags::commit(input, tags)) {
            m_edit.tags = tags;
            m_edit.tagInput = input;
            m_tags->setState(m_edit.tags, m_edit.tagInput);
        }
    }
    const bool editorHoldsEntry = m_editorLoadedFor == id;
    if (editorHoldsEntry) {
        // The editor's coalesced RTF write lands now, so the copy is the document on screen.
        m_editor->flushEdits();
    }
    const JournalEntry* stored = m_store.entry(id);
    if (!stored) {
        // The entry went to the trash with its stored content: files added to this edit belong to
        // nothing, and the ones removed from it still belong to the trashed entry.
        forgetAddedFiles(id);
        return false;
    }
    JournalEntry changed = *stored;
    if (m_edit.title != stored->title) {
        changed.title = vsp::compose::trimBlanks(m_edit.title);
    }
    // A document nobody touched keeps the stored body: RTF made afresh from it would differ from the
    // stored RTF (or give a plain entry RTF) and rewrite an entry that was only looked at.
    if (!editorHoldsEntry || m_bodyEdited) {
        changed.body = vsp::compose::trimBlanksAndLineBreaks(m_edit.body);
        std::optional<QByteArray> rtf = editorHoldsEntry ? m_handle->currentRTF() : std::nullopt;
        changed.bodyRTF = rtf ? rtf : m_edit.bodyRTF;
        if (editorHoldsEntry && !rtf) {
            // An emptied document has no RTF: the stored one must not come back.
            changed.bodyRTF.reset();
        }
    }
    changed.tags = m_edit.tags;
    changed.expirationDate = m_edit.hasExpiration ? std::optional<double>(m_edit.expirationDate) : std::nullopt;
    changed.fontDesign = m_edit.fontDesign;
    changed.imageFilenames = m_edit.imageFilenames;
    changed.audioClips = m_edit.audioClips;
    // An edit that changed nothing leaves the journal file alone: there is nothing to write, and at
    // 10,000 entries writing it again would be most of the cost of moving to another entry.
    if (changed != *stored) {
        m_store.updateEntry(changed);
    }
    for (const QString& name : std::as_const(m_removedImages)) {
        if (!changed.imageFilenames.contains(name)) {
            m_store.deleteImage(name, id);
        }
    }
    for (const QString& name : std::as_const(m_removedAudio)) {
        const bool kept = std::any_of(changed.audioClips.begin(), changed.audioClips.end(),
                                      [&](const AudioClip& clip) { return clip.filename == name; });
        if (!kept) {
            m_store.deleteAudio(name, id);
        }
    }
    m_addedImages.clear();
    m_removedImages.clear();
    m_addedAudio.clear();
    m_removedAudio.clear();
    return true;
}

void EntryDetailView::forgetAddedFiles(const QUuid& id)
{
    for (const QString& name : std::as_const(m_addedImages)) {
        m_store.deleteImage(name, id);
    }
    for (const QString& name : std::as_const(m_addedAudio)) {
        m_store.deleteAudio(name, id);
    }
    m_addedImages.clear();
    m_removedImages.clear();
    m_addedAudio.clear();
    m_removedAudio.clear();
}

void EntryDetailView::onFocusModeChanged()
{
    const bool on = m_store.focusMode();
    const vsp::Spring trigger = std::exchange(m_focusTrigger, std::nullopt).value_or(kMenuFocusSpring);
    // Under the lock cover focus mode neither opens the entry for editing nor commits it: the detail
    // follows once the journal is unlocked.
    if (on == m_focusLayout || m_store.isLocked()) {
        return;
    }
    if (vsp::animationsEnabled() && isVisible()) {
        // Pictured as it stands before anything changes (a change still moving as it shows), and handed
        // to the window before the commit below can make it move its columns.
        auto motion =
            std::make_shared<FocusChangeMotion>(m_toolbar, m_pages, m_overlay, [this]() -> std::optional<QRect> {
                if (m_pages->currentIndex() != int(Layout::Focus) || m_focusFormatBar->isHidden()) {
                    return std::nullopt;
                }
                return QRect(m_focusFormatBar->mapTo(m_pages, QPoint()), m_focusFormatBar->size());
            });
        if (m_focusTransition) {
            motion->replaceOldLook(m_focusTransition->grab());
            m_focusTransition->finish();
        }
        if (m_pageTransition) {
            m_pageTransition->finish();
        }
        const bool editsAfter = on && (m_editing || m_store.entry(m_entry.id));
        setFocusChangeSprings(*motion, layout(), editsAfter ? Layout::Focus : Layout::Read, trigger);
        playFocusChange(std::move(motion));
    }
    m_focusLayout = on;
    // The read layout has a look of its own in focus mode (a narrower column in the middle, no status
    // line): it is laid out again for the mode it shows in next, even when the entry did not change.
    m_readStale = true;
    if (on) {
        if (!m_editing && m_store.entry(m_entry.id)) {
            syncEditState();
            m_editing = true;
            loadEditors();
        } else if (m_editing) {
            // Edits in progress move along with the editor: nothing is reloaded, nothing is lost.
            m_focusTitle->setText(m_edit.title);
        }
        showLayout();
    } else if (m_editing) {
        // The store has the words before anything moves.
        saveEditsWith(std::nullopt);
    } else {
        showLayout();
    }
    if (m_focusTransition) {
        // Above the focus overlay, which the new layout raised.
        m_focusTransition->raise();
    }
}

void EntryDetailView::setFocusChangeSprings(FocusChangeMotion& motion, Layout before, Layout after,
                                            vsp::Spring trigger) const
{
    using Part = FocusChangeMotion::Part;
    // The toolbar and the overlay come and go with the change of focus mode itself.
    motion.setSprings(Part::Toolbar, trigger, trigger);
    motion.setSprings(Part::Overlay, trigger, trigger);
    vsp::Spring out = kReadFocusSpring;
    vsp::Spring in = kReadFocusSpring;
    if (after == Layout::Focus) {
        // Reading: the edit that focus mode starts takes the read layout away. Editing in the column:
        // focus mode does.
        out = before == Layout::Read ? kFocusEditSpring : trigger;
        in = kFocusLayoutSpring;
    } else if (before == Layout::Focus) {
        // The edit ends as focus mode goes: the read layout comes with the end of the edit.
        out = kFocusLayoutSpring;
        in = kEditSpring;
    }
    motion.setSprings(Part::Page, out, in);
}

void EntryDetailView::playFocusChange(std::shared_ptr<FocusChangeMotion> motion)
{
    m_focusMotion = motion;
    m_lastFocusChange = motion;
    auto self = std::make_shared<QPointer<vsp::TransitionOverlay>>();
    auto paint = [motion, self](QPainter& p, qreal, const QPixmap&, const QPixmap&) {
        p.fillRect(QRect(0, 0, p.device()->width(), p.device()->height()), Color::vspBackground().resolve());
        motion->paint(p, QPointF(0, 0), *self ? (*self)->elapsedMs() : 0);
    };
    m_focusTransition = new vsp::TransitionOverlay(this, QPixmap(), motion->longestSpring(), paint);
    *self = m_focusTransition;
    connect(m_focusTransition, &vsp::TransitionOverlay::finished, this, [this, motion] {
        if (m_focusMotion == motion) {
            m_focusMotion.reset();
        }
    });
    m_focusTransition->start([motion] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        motion->takeNewLook();
        return QPixmap();
    });
}

std::shared_ptr<FocusChangeMotion> EntryDetailView::takeFocusChange()
{
    // Only a change of this turn: one already moving over the detail goes on as it is.
    if (!m_focusTransition || m_focusTransition->isMoving() || !m_focusMotion) {
        return nullptr;
    }
    std::shared_ptr<FocusChangeMotion> motion = std::exchange(m_focusMotion, nullptr);
    m_focusTransition->finish();
    m_focusTransition = nullptr;
    return motion;
}

void EntryDetailView::requestDelete()
{
    const JournalEntry* stored = m_store.entry(m_entry.id);
    if (!stored) {
        return;
    }
    const JournalEntry target = *stored;
    if (m_confirm && m_confirm(tr("Delete this entry?"))) {
        m_store.deleteEntry(target);
    }
}

bool EntryDetailView::textFieldHasFocus() const
{
    QWidget* focused = QApplication::focusWidget();
    if (!focused) {
        return false;
    }
    if (auto* line = qobject_cast<QLineEdit*>(focused)) {
        return !line->isReadOnly();
    }
    if (auto* text = qobject_cast<QTextEdit*>(focused)) {
        return !text->isReadOnly();
    }
    return qobject_cast<QPlainTextEdit*>(focused) || qobject_cast<QAbstractSpinBox*>(focused);
}

// ------------------------------------------------------------------------------------------ attachments

void EntryDetailView::addImages(const QList<QUrl>& files)
{
    const QUuid id = m_entry.id;
    QStringList refused;
    for (const QUrl& url : files) {
        QString why = QStringLiteral("it is not a local file");
        const std::optional<QString> name =
            url.isLocalFile() ? m_store.attachImageFile(url.toLocalFile(), id, &why) : std::nullopt;
        if (!name) {
            refused.append(tr("“%1” was not added: %2.").arg(url.fileName(), why));
            continue;
        }
        m_edit.imageFilenames.append(*name);
        m_addedImages.insert(*name);
    }
    m_imageNotice->setText(refused.join(u'\n'));
    m_imageNotice->setVisible(!refused.isEmpty());
    refreshEditAttachments(kAttachmentSpring);
}

void EntryDetailView::showLightbox(const QString& filename)
{
    if (m_lightbox) {
        m_lightbox->deleteLater();
    }
    auto* box = new ImageLightbox(
        m_entry.id, filename,
        [this] {
            if (m_lightbox) {
                m_lightbox->deleteLater();
                m_lightbox = nullptr;
            }
        },
        this);
    m_lightbox = box;
    box->show();
    box->raise();
    box->setFocus();
}

void EntryDetailView::removeImage(const QString& filename)
{
    m_edit.imageFilenames.removeAll(filename);
    if (m_addedImages.remove(filename)) {
        // Never part of the stored entry: nothing else refers to the file.
        m_store.deleteImage(filename, m_entry.id);
    } else {
        m_removedImages.insert(filename);
    }
    refreshEditAttachments(kAttachmentSpring);
}

void EntryDetailView::addRecording(const QString& path, double duration)
{
    const QUuid id = m_entry.id;
    const std::optional<AudioClip> clip = m_store.attachVoiceNote(PendingAudio{vsp::newUuid(), path, duration, {}}, id);
    if (!clip) {
        return;
    }
    m_edit.audioClips.append(*clip);
    m_addedAudio.insert(clip->filename);
    refreshEditAttachments(kAttachmentSpring);
    const QString stored = JournalStore::audioFilePath(id, clip->filename).value_or(QString());
    const QUuid clipID = clip->id;
    SpeechTranscriber::transcribe(stored, this,
                                  [this, id, clipID](std::optional<QString> text) { onTranscript(id, clipID, text); });
}

void EntryDetailView::onTranscript(const QUuid& entryID, const QUuid& clipID, const std::optional<QString>& text)
{
    if (!text) {
        return;
    }
    auto hasClip = [&](const AudioClip& clip) { return clip.id == clipID; };
    if (m_editing && m_entry.id == entryID) {
        const auto it = std::find_if(m_edit.audioClips.begin(), m_edit.audioClips.end(), hasClip);
        if (it != m_edit.audioClips.end()) {
            it->transcript = text;
            refreshEditAttachments();
        }
        // A clip removed from the edit takes its transcript with it.
        return;
    }
    // Editing ended before the transcript came: it goes into the stored entry, if the clip is there.
    const JournalEntry* stored = m_store.entry(entryID);
    if (!stored) {
        return;
    }
    JournalEntry changed = *stored;
    const auto it = std::find_if(changed.audioClips.begin(), changed.audioClips.end(), hasClip);
    if (it == changed.audioClips.end()) {
        return;
    }
    it->transcript = text;
    m_store.updateEntry(changed);
}

void EntryDetailView::removeAudioClip(const AudioClip& clip)
{
    const qsizetype before = m_edit.audioClips.size();
    m_edit.audioClips.removeIf([&](const AudioClip& c) { return c.id == clip.id; });
    if (before == m_edit.audioClips.size()) {
        return;
    }
    if (m_addedAudio.remove(clip.filename)) {
        m_store.deleteAudio(clip.filename, m_entry.id);
    } else {
        m_removedAudio.insert(clip.filename);
    }
    refreshEditAttachments(kAttachmentSpring);
}

QStringList EntryDetailView::acceptableImageFiles(const QMimeData* mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls()) {
        return files;
    }
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) {
            continue;
        }
        const QString path = url.toLocalFile();
        QImageReader reader(path);
        if (QFileInfo(path).isFile() && reader.canRead()) {
            files.append(path);
        }
    }
    return files;
}

void EntryDetailView::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_editing && !acceptableImageFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void EntryDetailView::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_editing) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

bool EntryDetailView::takeDrop(const QMimeData* mime)
{
    const QStringList files = m_editing ? acceptableImageFiles(mime) : QStringList();
    if (files.isEmpty()) {
        return false;
    }
    QList<QUrl> urls;
    for (const QString& path : files) {
        urls.append(QUrl::fromLocalFile(path));
    }
    addImages(urls);
    return true;
}

void EntryDetailView::dropEvent(QDropEvent* event)
{
    if (takeDrop(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

// ------------------------------------------------------------------------------------------ showing

void EntryDetailView::refreshEditStatus()
{
    m_editStatus->setPieces(vsp::detail::statusLine(m_entry, m_moodStore, m_store.now()));
}

void EntryDetailView::refreshEditAttachments(std::optional<vsp::Spring> spring)
{
    const bool animate = spring && m_editPage->isVisible();
    const auto present = [&](TransitionSlot* slot, bool shown) {
        if (animate) {
            slot->setPresent(shown, *spring);
        } else {
            slot->setPresent(shown, false);
        }
    };
    // A section that empties leaves pictured with what it showed, before its content goes.
    if (m_edit.imageFilenames.isEmpty() && m_editImagesSlot->isPresent()) {
        present(m_editImagesSlot, false);
    }
    if (m_edit.audioClips.isEmpty() && m_editAudioSlot->isPresent()) {
        present(m_editAudioSlot, false);
    }
    // The same entry's photos are updated in place, so the ones added or removed move as they come and go.
    QLayoutItem* firstImage = m_editImages->layout()->itemAt(0);
    auto* shownGallery = firstImage ? qobject_cast<ImageGalleryView*>(firstImage->widget()) : nullptr;
    if (shownGallery && shownGallery->entryID() == m_entry.id && !m_edit.imageFilenames.isEmpty()) {
        shownGallery->setFilenames(m_edit.imageFilenames, animate);
    } else {
        clearBox(m_editImages);
        shownGallery = nullptr;
    }
    if (!shownGallery && !m_edit.imageFilenames.isEmpty()) {
        auto* gallery = new ImageGalleryView(
            m_entry.id, m_edit.imageFilenames, true, [this](const QString& name) { removeImage(name); },
            [this](const QString& name) { showLightbox(name); }, m_editImages);
        gallery->setMaximumWidth(680);
        m_editImages->layout()->addWidget(gallery);
        const auto fit = [this](int height) {
            // The strip gives way before the editor's least height does: a fixed 300 pixels pushed the
            // column past the window, cutting the photos off at its bottom while the editor above kept
            // an empty band. The editor, which stretches, takes what is left over.
            m_editImagesScroll->setMinimumHeight(std::min(kEditPhotosMinHeight, height));
            m_editImagesScroll->setMaximumHeight(std::min(kEditPhotosHeight, height));
        };
        connect(gallery, &ImageGalleryView::contentHeightChanged, m_editImagesScroll, fit);
        fit(gallery->contentHeight());
    }
    m_editImages->setVisible(!m_edit.imageFilenames.isEmpty());
    if (!m_edit.imageFilenames.isEmpty()) {
        present(m_editImagesSlot, true);
    }
    // The same entry's list is updated in place, so a note that plays goes on playing when another
    // one is added or removed.
    QLayoutItem* first = m_editAudio->layout()->itemAt(0);
    auto* shown = first ? qobject_cast<AudioClipsView*>(first->widget()) : nullptr;
    if (shown && shown->entryID() == m_entry.id && !m_edit.audioClips.isEmpty()) {
        shown->setClips(m_edit.audioClips);
    } else {
        clearBox(m_editAudio);
        shown = nullptr;
    }
    if (!shown && !m_edit.audioClips.isEmpty()) {
        auto* clips = new AudioClipsView(
            m_entry.id, m_edit.audioClips, true, [this](const AudioClip& clip) { removeAudioClip(clip); }, m_editAudio);
        clips->setMaximumWidth(680);
        m_editAudio->layout()->addWidget(clips);
    }
    if (!m_edit.audioClips.isEmpty()) {
        present(m_editAudioSlot, true);
    }
}

void EntryDetailView::refreshRead()
{
    m_readStale = false;
    const bool focus = m_focusLayout;
    const JournalEntry& e = m_entry;
    m_readColumn->setMaximumWidth(focus ? kFocusReadWidth : kColumnWidth);
    m_readLayout->setContentsMargins(focus ? 0 : 64, focus ? 64 : 36, focus ? 0 : 64, focus ? 64 : 36);
    // Aligned horizontally only: a layout caps an item aligned vertically at QLAYOUTSIZE_MAX (524,287
    // pixels), which the body of about a million characters passes, leaving its end blank. The column
    // ends in a stretch, so its pieces stay at the top all the same.
    static_cast<QHBoxLayout*>(m_readColumn->parentWidget()->layout())
        ->setAlignment(m_readColumn, focus ? Qt::AlignHCenter : Qt::AlignLeft);

    m_status->setPieces(vsp::detail::statusLine(e, m_moodStore, m_store.now()));
    m_status->parentWidget()->setVisible(!focus);
    if (e.expirationDate) {
        m_badge->setDate(*e.expirationDate, m_store.now());
    }
    m_badgeBox->setVisible(!focus && e.expirationDate.has_value());
    const bool chips = !focus && (e.placeName || e.weatherSymbol);
    if (chips) {
        m_chips->setValues(e.weatherSymbol, e.weatherTemp, e.weatherText, e.placeName);
    }
    m_chipsBox->setVisible(chips);
    m_titleGap->setFixedHeight(focus ? 0 : 22);
    m_title->setText(e.title);

    // A change to the entry that leaves its tags, photos or voice notes as they were (a favourite, a
    // mood) keeps their widgets: no photo is read again and a voice note that plays goes on playing.
    const bool sameEntry = m_readShownFor == e.id;
    m_readShownFor = e.id;
    if (!sameEntry || m_readShownTags != e.tags) {
        m_readShownTags = e.tags;
        rebuildReadTags();
    }
    m_tagRowBox->setVisible(!focus && !e.tags.isEmpty());

    m_body->setContent(e.body, e.bodyRTF, e.fontDesign, m_settings->readingFontSize(), m_settings->writingFontSize());

    QLayoutItem* firstImage = m_readImages->layout()->itemAt(0);
    auto* shownGallery = firstImage ? qobject_cast<ImageGalleryView*>(firstImage->widget()) : nullptr;
    if (!sameEntry || !shownGallery || shownGallery->filenames() != e.imageFilenames) {
        clearBox(m_readImages);
        if (!e.imageFilenames.isEmpty()) {
            auto* gallery = new ImageGalleryView(
                e.id, e.imageFilenames, false, nullptr, [this](const QString& name) { showLightbox(name); },
                m_readImages);
            gallery->setMaximumWidth(680);
            m_readImages->layout()->addWidget(gallery);
        }
    }
    m_readImages->setVisible(!e.imageFilenames.isEmpty());
    QLayoutItem* firstClips = m_readAudio->layout()->itemAt(0);
    auto* shownClips = firstClips ? qobject_cast<AudioClipsView*>(firstClips->widget()) : nullptr;
    if (!sameEntry || !shownClips || shownClips->clips() != e.audioClips) {
        clearBox(m_readAudio);
        if (!e.audioClips.isEmpty()) {
            auto* clips = new AudioClipsView(e.id, e.audioClips, false, nullptr, m_readAudio);
            clips->setMaximumWidth(680);
            m_readAudio->layout()->addWidget(clips);
        }
    }
    m_readAudio->setVisible(!e.audioClips.isEmpty());
    m_related->setCurrentEntry(e);
    m_relatedBox->setVisible(!focus && m_related->isVisibleTo(m_relatedBox));
}

void EntryDetailView::rebuildReadTags()
{
    clearBox(m_tagRow);
    for (const QString& tag : m_readShownTags) {
        auto* chip = new GlassChipButton(m_tagRow);
        chip->setText(u'#' + tag);
        chip->setTextFont(vsp::fonts::system(11));
        chip->setMetrics(12, 22, 0);
        chip->setShape(vsp::GlassShape::Capsule, 0);
        chip->setForeground([](bool) { return Color::secondaryStyle().resolve(); });
        connect(chip, &QAbstractButton::clicked, this, [this, tag] { m_store.setSelectedTag(tag); });
        m_tagRow->layout()->addWidget(chip);
    }
}

void EntryDetailView::beginPageTransition(vsp::Spring spring)
{
    if (!vsp::animationsEnabled() || !m_pages->isVisible()) {
        return;
    }
    // The edit layout's format bar comes down from the top edge as the layout comes in, and goes back
    // up as it leaves.
    auto formatBar = [this]() -> std::optional<QRect> {
        if (m_pages->currentIndex() != int(Layout::Edit) || m_formatBar->isHidden()) {
            return std::nullopt;
        }
        return QRect(m_formatBar->mapTo(m_pages, QPoint()), m_formatBar->size());
    };
    // The old layout is the frame on screen: its pixels are copied from the window's last frame rather
    // than painted again (a long body shaped anew was most of the cost of Done). A frame that cannot be
    // read that way is pictured instead.
    auto from = std::make_shared<PicturedLook>();
    if (m_pageTransition) {
        // A switch while the last one still moves starts from the frame on screen: the host with the
        // overlay over it.
        *from = PicturedLook::shownOf(m_pages);
        if (from->isNull()) {
            from->rest = m_pages->grab();
        }
        m_pageTransition->finish();
    } else {
        *from = PicturedLook::shownOf(m_pages, formatBar(), &m_shownPages);
        if (from->isNull()) {
            *from = PicturedLook::of(m_pages, formatBar());
        }
    }
    from->at = QPoint();
    // Only the old layout is pictured: the new one paints itself beneath the overlay, which veils it
    // in the background colour at the old layout's share, so the layout that goes fades out while the
    // one that comes fades in. Only a format bar that comes down needs a picture of its own.
    auto piece = std::make_shared<PicturedLook>();
    auto paint = [from, piece](QPainter& p, qreal t, const QPixmap&, const QPixmap&) {
        const QRect all(0, 0, p.device()->width(), p.device()->height());
        const QColor background = Color::vspBackground().resolve();
        const auto veil = [&](QRegion region, double share) {
            QColor colour = background;
            colour.setAlphaF(colour.alphaF() * share);
            p.setClipRegion(region);
            vsp::TransitionOverlay::fillInBands(p, all, colour);
        };
        // The old look lies over the new one at the square of its share: that way it shows as much as
        // it did beneath the new layout's opaque page coming in at `t`.
        const double oldShare = (1.0 - t) * (1.0 - t);
        // Beneath a look over transparency the new layout is veiled at the old layout's share. An
        // opaque look (the frame as shown) hides the layout itself at `oldShare`: the veil beneath it
        // is thinner, (1 - t) / (2 - t), so that the new layout still shows at `t` wherever the old
        // one had only background, and the old one at `oldShare` wherever the new one has.
        const double share = from->opaque ? (1.0 - t) / (2.0 - t) : 1.0 - t;
        QRegion rest(all);
        p.save();
        if (!piece->isNull()) {
            // The format bar in its place is hidden: its picture travels instead.
            const QRegion place(piece->pieceRect);
            veil(place, 1.0);
            rest -= place;
        }
        if (from->opaque && !from->piece.isNull()) {
            // Where the old format bar stood the old look has a hole: nothing of it lies over the
            // new layout there.
            const QRegion hole = QRegion(from->pieceRect).intersected(rest);
            veil(hole, 1.0 - t);
            rest -= hole;
        }
        // The opaque old look drawn whole hides whatever lies beneath it.
        if (!from->opaque || oldShare < 1.0) {
            veil(rest, share);
        }
        p.restore();
        from->paint(p, QPointF(0, 0), oldShare, 1.0 - t);
        piece->paint(p, QPointF(0, 0), t, t);
    };
    m_pageTransition = new vsp::TransitionOverlay(m_pages, QPixmap(), spring, paint);
    m_pageTransition->setHostShowsThrough(true);
    // At its start the overlay shows the old layout whole over the background (the veil is full where
    // the old look has a hole): the new layout is painted from the motion's next frame on.
    m_pageTransition->setCoversHostAtStart(true);
    m_pageTransition->start([this, piece, formatBar] {
        // Laid out first: the edit page places its format bar once its column has its size.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        if (const std::optional<QRect> bar = formatBar()) {
            *piece = PicturedLook::pieceOf(m_pages, *bar);
            piece->at = QPoint();
        }
        return QPixmap();
    });
}

void EntryDetailView::showLayout(std::optional<vsp::Spring> spring)
{
    if (spring && m_pages->currentIndex() != int(layout())) {
        beginPageTransition(*spring);
    }
    m_toolbar->setVisible(!m_focusLayout);
    m_toolbar->setEntry(m_entry, m_editing, spring.has_value() && isVisible());
    if (m_focusLayout && !m_overlay->isVisible()) {
        m_overlay->setWordCount(vsp::compose::wordCount(m_edit.body));
    }
    m_overlay->setVisible(m_focusLayout);
    m_overlay->raise();
    const Layout current = layout();
    if (current == Layout::Read) {
        if (m_readStale) {
            refreshRead();
        }
        m_floatingBar->dismiss(false);
        m_pages->setCurrentIndex(0);
        return;
    }
    // The one editor moves to the layout on screen with its document, so nothing typed is lost.
    QVBoxLayout* slot = current == Layout::Focus ? m_focusEditorSlot : m_editorSlot;
    if (m_editorArea->parentWidget() == nullptr || slot->indexOf(m_editorArea) < 0) {
        slot->addWidget(m_editorArea);
    }
    if (current == Layout::Focus) {
        m_editor->setAutoHeight(true);
        m_editorArea->setFixedHeight(std::max(m_focusContentHeight, FormattableTextEditor::kMinimumContentHeight));
        m_focusTitle->setText(m_edit.title);
        m_pages->setCurrentIndex(2);
    } else {
        m_editor->setAutoHeight(false);
        m_editorArea->setMinimumHeight(120);
        m_editorArea->setMaximumHeight(QWIDGETSIZE_MAX);
        m_editTitle->setText(m_edit.title);
        m_pages->setCurrentIndex(1);
    }
    m_editorArea->show();
    refreshFloatingBar();
}

void EntryDetailView::refreshFloatingBar()
{
    // In the column the bar also grows from 92 % about its lower edge as it fades in, and shrinks back
    // as it fades out; the focus layout takes it away at once.
    m_floatingBar->setHostTransition(m_focusLayout ? 1.0 : 0.92, kFloatingBarSpring);
    if (!m_editing || !m_selection->hasSelection()) {
        m_floatingBar->dismiss(!m_focusLayout && vsp::animationsEnabled() && isVisible());
        return;
    }
    const QRectF selection = m_selection->selectionRect();
    const qreal barHeight = m_floatingBar->glassHeight();
    m_floatingBar->presentWithin(m_focusLayout ? vsp::compose::floatingBarOffset(selection, barHeight)
                                               : vsp::detail::editBarOffset(selection, barHeight));
}

void EntryDetailView::applyTheme()
{
    const bool dark = AppearanceManager::instance().isDark();
    EditorPalette palette = dark ? EditorPalette::dark() : EditorPalette::light();
    palette.caret = Color::resolvedAccent(1.0).resolve();
    palette.selection = Color::resolvedAccent(dark ? 0.28 : 0.3).resolve();
    m_editor->setEditorPalette(palette);
    for (QLineEdit* field : {m_editTitle, m_focusTitle}) {
        QPalette pal = field->palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            pal.setColor(group, QPalette::Base, Qt::transparent);
            pal.setColor(group, QPalette::Text, Color::primaryStyle().resolve());
            pal.setColor(group, QPalette::PlaceholderText, Color::tertiaryStyle().resolve());
            pal.setColor(group, QPalette::Highlight, palette.selection);
            pal.setColor(group, QPalette::HighlightedText, Color::primaryStyle().resolve());
        }
        field->setPalette(pal);
    }
    QLineEdit* tagField = m_tags->tagField();
    QPalette pal = tagField->palette();
    pal.setColor(QPalette::Text, Color::secondaryStyle().resolve());
    pal.setColor(QPalette::PlaceholderText, Color::tertiaryStyle().resolve());
    tagField->setPalette(pal);
    update();
}

void EntryDetailView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
}

void EntryDetailView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_overlay->setGeometry(0, 0, width(), m_overlay->sizeHint().height());
    const int side = std::clamp((width() - 400) / 5, kEditNarrowSideMargin, kEditSideMargin);
    m_editColumn->setContentsMargins(side, 36, side, 36);
    if (m_lightbox) {
        m_lightbox->setGeometry(rect());
    }
}

bool EntryDetailView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::DeleteStartOfWord) && watched == QApplication::focusWidget()
            && textFieldHasFocus()) {
            key->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EntryDetailView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // The window closing (or the detail giving way) keeps the words typed so far.
    if (!event->spontaneous()) {
        commitPendingEdits();
    }
}

void EntryDetailView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_overlay->setHovered(true);
}

void EntryDetailView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_overlay->setHovered(false);
}
