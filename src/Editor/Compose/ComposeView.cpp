#include "Editor/Compose/ComposeView.h"

#include "Editor/Compose/ComposeFooter.h"
#include "Editor/Compose/ComposeRules.h"
#include "Editor/Compose/MoodSelectorView.h"
#include "Editor/Compose/PendingAudioPreview.h"
#include "Editor/Compose/PendingImagesPreview.h"
#include "Editor/Compose/WordCountLabel.h"
#include "Editor/FloatingFormatBar.h"
#include "Editor/FormatBar.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/RichTextHandle.h"
#include "Editor/SelectionState.h"
#include "Editor/VesperlogTextView.h"
#include "Media/AudioRecordControl.h"
#include "Media/ImagePickerButton.h"
#include "Media/LocationWeatherManager.h"
#include "Media/SpeechTranscriber.h"
#include "Media/WeatherLocationChips.h"
#include "Model/AppSettings.h"
#include "Model/ClockTimer.h"
#include "Model/ComposeDrafts.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/Log.h"
#include "Model/MoodStore.h"
#include "Model/Uuid.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/Transitions.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

using vsp::Color;
namespace compose = vsp::compose;

namespace {

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    widget->setPalette(p);
}

/// A row of the layout with its own outer margins.
QWidget* paddedRow(QWidget* parent, QLayout* content, const QMargins& margins)
{
    auto* row = new QWidget(parent);
    content->setContentsMargins(margins);
    row->setLayout(content);
    return row;
}

} // namespace

// ---------------------------------------------------------------------------------------------------

// ---------------------------------------------------------------------------------------------------

ComposeView::ComposeView(JournalStore& store, AppSettings& settings, MoodStore& moodStore, DismissAction dismissWindow,
                         QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_settings(settings),
      m_moodStore(moodStore),
      m_dismissWindow(std::move(dismissWindow)),
      m_draftTimer(new ClockTimer(store, kDraftKeepMs, this)),
      m_bodyHandle(new RichTextHandle(this)),
      m_selectionState(new SelectionState(this))
{
    setObjectName(QStringLiteral("composeView"));
    m_selectionState->setObjectName(QStringLiteral("selectionState"));
    setAcceptDrops(true);
    // The title takes the keyboard a moment after each opening; a named child, so tests run it instead
    // of waiting.
    m_titleFocus = new QTimer(this);
    m_titleFocus->setObjectName(QStringLiteral("titleFocusTimer"));
    m_titleFocus->setSingleShot(true);
    m_titleFocus->setInterval(300);
    connect(m_titleFocus, &QTimer::timeout, this, [this] {
        if (m_open) {
            m_titleField->setFocus(Qt::OtherFocusReason);
        }
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QWidget* typeRow = buildTypeRow();
    QWidget* dateRow = buildDateRow();
    QWidget* attachmentRow = buildAttachmentRow();
    layout->addWidget(typeRow);
    layout->addWidget(dateRow);
    layout->addWidget(attachmentRow);
    // Why picked photos were left out: told here, where the user is writing.
    m_imageNotice = new QLabel(this);
    m_imageNotice->setObjectName(QStringLiteral("imageNotice"));
    m_imageNotice->setWordWrap(true);
    m_imageNotice->setFont(vsp::fonts::system(12));
    m_imageNotice->setContentsMargins(28, 0, 28, 8);
    m_imageNotice->hide();
    layout->addWidget(m_imageNotice);

    m_titleField = new QLineEdit(this);
    m_titleField->setObjectName(QStringLiteral("composeTitle"));
    m_titleField->setPlaceholderText(tr("Title your entry…"));
    m_titleField->setFont(vsp::fonts::tracked(vsp::fonts::system(24, QFont::Bold), -0.4));
    m_titleField->setFrame(false);
    m_titleField->setAccessibleName(tr("Title"));
    // A frameless field shows only its caret: the ring says where Tab has put the focus.
    vsp::setFocusRing(m_titleField, 8);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(m_titleField);
    layout->addWidget(paddedRow(this, titleRow, QMargins(28, 0, 28, 10)));

    layout->addWidget(buildEditorArea(), 1);

    // The previews rise from their lower edge, above the footer, as they fade in.
    const Transition rise{1.0, Qt::AlignCenter, true, std::nullopt};
    m_imagesPreview = new PendingImagesPreview(this);
    auto* imagesRow = new QHBoxLayout;
    imagesRow->addWidget(m_imagesPreview);
    QWidget* imagesPadded = paddedRow(this, imagesRow, QMargins(28, 8, 28, 0));
    imagesPadded->setObjectName(QStringLiteral("pendingImagesRow"));
    imagesPadded->hide();
    m_imagesSlot = new TransitionSlot(imagesPadded, rise, vsp::Spring{0.3, 1.0}, this);
    layout->addWidget(m_imagesSlot);

    m_audioPreview = new PendingAudioPreview(this);
    auto* audioRow = new QHBoxLayout;
    audioRow->addWidget(m_audioPreview);
    QWidget* audioPadded = paddedRow(this, audioRow, QMargins(28, 8, 28, 0));
    audioPadded->setObjectName(QStringLiteral("pendingAudioRow"));
    audioPadded->hide();
    m_audioSlot = new TransitionSlot(audioPadded, rise, vsp::Spring{0.3, 1.0}, this);
    layout->addWidget(m_audioSlot);

    m_footer = new ComposeFooter(m_store, this);
    layout->addWidget(m_footer);
    m_tabRegions = {m_titleField, m_editorArea, m_imagesSlot, m_audioSlot, m_footer, dateRow, typeRow, attachmentRow};

    // Escape closes without saving; what becomes a draft is decided as the window disappears.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_dismissWindow) {
            m_dismissWindow();
        }
    });

    connect(m_titleField, &QLineEdit::textChanged, this, [this] {
        refreshSaveState();
        scheduleDraftKeep();
    });
    connect(m_editor, &FormattableTextEditor::plainTextChanged, this, [this] {
        refreshSaveState();
        refreshWordCount();
        scheduleDraftKeep();
    });
    connect(m_editor, &FormattableTextEditor::richTextChanged, this, [this](const std::optional<QByteArray>& rtf) {
        m_bodyRTF = rtf;
        scheduleDraftKeep();
    });
    connect(m_footer, &ComposeFooter::tagsEdited, this, &ComposeView::scheduleDraftKeep);
    connect(m_draftTimer, &ClockTimer::timeout, this, &ComposeView::keepDraft);
    connect(m_footer->formatBar(), &FormatBar::formatRequested, this, &ComposeView::onFormat);
    connect(m_footer->formatBar(), &FormatBar::selectedFontDesignChanged, m_editor,
            &FormattableTextEditor::setFontDesign);
    connect(m_footer->formatBar(), &FormatBar::saveRequested, this, &ComposeView::saveEntry);
    connect(m_imagesPreview, &PendingImagesPreview::urlsEdited, this, &ComposeView::setPendingImages);
    connect(m_audioPreview, &PendingAudioPreview::clipsEdited, this, &ComposeView::setPendingAudio);

    // Files dropped on the text fields are images for the entry, not text for the field.
    for (QWidget* target : {static_cast<QWidget*>(m_titleField), static_cast<QWidget*>(m_footer->tagField()),
                            m_editor->textView()->viewport()}) {
        target->installEventFilter(this);
    }

    for (auto signal : {&AppSettings::showWordCountChanged, &AppSettings::showMoodSelectorChanged,
                        &AppSettings::writingFontSizeChanged}) {
        connect(&m_settings, signal, this, &ComposeView::applySettings);
    }
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, &ComposeView::applyTheme);
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, &ComposeView::applyTheme);
    // Quitting with the window open keeps the draft, as closing it would.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (m_open) {
            disappear();
        }
    });

    initializeState();
    applySettings();
    applyTheme();
}

bool ComposeView::focusNextPrevChild(bool next)
{
    if (QWidget* to = vsp::focusNeighbour(m_tabRegions, focusWidget(), next)) {
        to->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

ComposeView::~ComposeView()
{
    // Torn down while open (the application ending without its quit signal): keep the draft all the same.
    if (m_open) {
        disappear();
    }
}

QWidget* ComposeView::buildTypeRow()
{
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addStretch(1);
    auto* chips = new QWidget(this);
    chips->setObjectName(QStringLiteral("typeChips"));
    auto* chipRow = new QHBoxLayout(chips);
    chipRow->setContentsMargins(2, 2, 2, 2);
    chipRow->setSpacing(2);
    for (const JournalEntry::EntryType type : allEntryTypes()) {
        auto* chip = new TypeChip(type, chips);
        connect(chip, &QAbstractButton::clicked, this, [this, type] {
            setSelectedType(type);
            scheduleDraftKeep();
        });
        chipRow->addWidget(chip);
        m_typeChips.append(chip);
    }
    row->addWidget(chips);
    row->addStretch(1);
    m_wordCount = new WordCountLabel(this);
    m_wordCount->setObjectName(QStringLiteral("wordCount"));
    m_wordCount->setFont(vsp::fonts::monospaced(11));
    row->addWidget(m_wordCount);
    QWidget* widget = paddedRow(this, row, QMargins(18, 0, 18, 0));
    widget->setFixedHeight(48);
    return widget;
}

QWidget* ComposeView::buildDateRow()
{
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    m_dateLabel = new QLabel(this);
    m_dateLabel->setObjectName(QStringLiteral("entryDate"));
    m_dateLabel->setFont(vsp::fonts::system(11));
    row->addWidget(m_dateLabel);
    // Both grow about their centres as they fade in, and their neighbours make way.
    m_weatherChips = new WeatherLocationChips(this);
    m_weatherChips->setObjectName(QStringLiteral("weatherChips"));
    m_weatherChips->hide();
    m_weatherSlot = new TransitionSlot(m_weatherChips, Transition{0.85, Qt::AlignCenter, false, Qt::Horizontal},
                                       vsp::Spring{0.35, 1.0}, this);
    row->addWidget(m_weatherSlot);
    m_moodBadge = new MoodBadge(m_moodStore, this);
    m_moodBadge->hide();
    m_moodBadgeSlot = new TransitionSlot(m_moodBadge, Transition{0.0, Qt::AlignCenter, false, Qt::Horizontal},
                                         vsp::Spring{0.25, 1.0}, this);
    row->addWidget(m_moodBadgeSlot);
    row->addStretch(1);
    m_moodSelector = new MoodSelectorView(m_moodStore, this);
    connect(m_moodSelector, &MoodSelectorView::moodChosen, this, &ComposeView::setSelectedMood);
    row->addWidget(m_moodSelector);
    QWidget* widget = paddedRow(this, row, QMargins(28, 6, 28, 4));
    widget->setMinimumHeight(38);
    return widget;
}

QWidget* ComposeView::buildAttachmentRow()
{
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    m_expirationChip = new GlassChipButton(this);
    m_expirationChip->setObjectName(QStringLiteral("expirationChip"));
    m_expirationChip->setTextFont(vsp::fonts::system(11));
    m_expirationChip->setForeground([this](bool) {
        return m_hasExpiration ? Color::resolvedAccentText().resolve() : Color::tertiaryStyle().resolve();
    });
    m_expirationChip->setGlass([this] {
        vsp::Glass glass = vsp::Glass::regular().makeInteractive();
        return m_hasExpiration ? glass.tinted(Color::resolvedAccent(0.12)) : glass;
    });
    connect(m_expirationChip, &QAbstractButton::clicked, this, [this] {
        // The chip's look crosses over to the new one with the same spring as the picker's entrance.
        m_expirationChip->beginLookChange(vsp::Spring{0.25, 1.0});
        setHasExpiration(!m_hasExpiration);
    });
    row->addWidget(m_expirationChip);

    m_expirationPicker = new QDateEdit(this);
    m_expirationPicker->setObjectName(QStringLiteral("expirationPicker"));
    m_expirationPicker->setCalendarPopup(true);
    m_expirationPicker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    m_expirationPicker->setFont(vsp::fonts::system(11 * 0.85));
    m_expirationPicker->setAccessibleName(tr("Expiration date"));
    m_expirationPicker->setFrame(false);
    m_expirationPicker->hide();
    // Grows from 80 % at its leading edge as it fades in; the buttons after it make way.
    m_expirationSlot =
        new TransitionSlot(m_expirationPicker, Transition{0.8, Qt::AlignLeft | Qt::AlignVCenter, false, Qt::Horizontal},
                           vsp::Spring{0.25, 1.0}, this);
    connect(m_expirationPicker, &QDateEdit::dateChanged, this, [this](const QDate& day) {
        if (m_settingExpiration || !day.isValid()) {
            return;
        }
        // Only the day is chosen; the time of day stays.
        const QDateTime current = vsp::toDateTime(m_expirationDate);
        m_expirationDate = vsp::fromDateTime(QDateTime(day, current.time()));
    });
    row->addWidget(m_expirationSlot);

    m_imagePicker = new ImagePickerButton([this](const QList<QUrl>& urls) { addPendingImages(urls); }, this);
    row->addWidget(m_imagePicker);
    m_recordControl =
        new AudioRecordControl([this](const QString& path, double duration) { addRecording(path, duration); }, this);
    m_recordControl->setObjectName(QStringLiteral("recordControl"));
    row->addWidget(m_recordControl);
    row->addStretch(1);
    return paddedRow(this, row, QMargins(28, 0, 28, 8));
}

QWidget* ComposeView::buildEditorArea()
{
    auto* outer = new QWidget(this);
    auto* outerLayout = new QVBoxLayout(outer);
    outerLayout->setContentsMargins(28, 4, 28, 0);
    // The area the floating bar is placed in: the editor fills it, so editor coordinates are area
    // coordinates.
    m_editorArea = new QWidget(outer);
    m_editorArea->setObjectName(QStringLiteral("editorArea"));
    auto* areaLayout = new QVBoxLayout(m_editorArea);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    m_editor = new FormattableTextEditor(m_editorArea);
    m_editor->setObjectName(QStringLiteral("composeBody"));
    m_editor->setRichTextHandle(m_bodyHandle);
    m_editor->setSelectionState(m_selectionState);
    areaLayout->addWidget(m_editor);
    outerLayout->addWidget(m_editorArea);
    m_editorArea->installEventFilter(this);

    m_floatingBar = new FloatingFormatBar(m_selectionState, m_editorArea);
    m_floatingBar->hide();
    connect(m_floatingBar, &FloatingFormatBar::formatRequested, this, &ComposeView::onFormat);
    connect(m_selectionState, &SelectionState::hasSelectionChanged, this, &ComposeView::refreshFloatingBar);
    connect(m_selectionState, &SelectionState::selectionRectChanged, this, &ComposeView::refreshFloatingBar);
    return outer;
}

// ------------------------------------------------------------ state

void ComposeView::initializeState()
{
    m_bodyRTF.reset();
    m_formattingAction.reset();
    m_didSave = false;
    m_entryDate = m_store.now();
    m_hasExpiration = false;
    m_expirationDate = vsp::addDays(m_entryDate, 7);
    m_weatherSnapshot.reset();
    m_promptIndex = int(QRandomGenerator::global()->bounded(int(compose::writingPrompts().size())));

    setTitleText(QString());
    setBody(QString(), std::nullopt);
    setSelectedType(compose::initialEntryType());
    setSelectedMood(std::nullopt);
    m_footer->setTags({});
    m_footer->setTagInput(QString());
    m_footer->formatBar()->setSelectedFontDesign(QStringLiteral("default"));
    m_editor->setFontDesign(QStringLiteral("default"));
    m_editor->setPlaceholder(compose::writingPrompts().at(std::size_t(m_promptIndex)));
    setPendingImages({});
    setPendingAudio({});
    setWeather(std::nullopt);
    refreshExpiration();
    refreshDate();
    refreshSaveState();
    refreshWordCount();
}

void ComposeView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && !m_open) {
        appear();
    }
}

void ComposeView::hideEvent(QHideEvent* event)
{
    // A minimised window stays open; only a real close or hide ends this opening.
    if (!event->spontaneous() && m_open) {
        disappear();
    }
    QWidget::hideEvent(event);
}

void ComposeView::appear()
{
    m_open = true;
    ++m_generation;
    // What the opening changes lands at once: the entrance below shows the form as it then stands.
    m_settingUp = true;
    // Each opening is a new form, as a newly made window would be.
    if (!m_fresh) {
        initializeState();
    }
    m_fresh = false;

    m_didSave = false;
    m_draftRestored = false;
    if (m_store.restoreDraftOnCompose()) {
        restoreDraft();
        m_store.setRestoreDraftOnCompose(false);
    } else {
        resetForm();
    }
    m_entryDate = m_store.now();
    refreshDate();
    setWeather(std::nullopt);
    if (m_settings.captureWeatherLocation()) {
        const quint64 generation = m_generation;
        LocationWeatherManager::shared().fetchCurrent(this, [this, generation](std::optional<WeatherSnapshot> snap) {
            // An answer meant for an earlier opening of the window is not this entry's weather.
            if (generation == m_generation && m_open) {
                setWeather(snap);
            }
        });
    }
    playEntrance();
    m_settingUp = false;
    m_titleFocus->start();
}

void ComposeView::disappear()
{
    m_open = false;
    m_draftTimer->stop();
    m_titleFocus->stop();
    if (m_appeared) {
        m_appeared = false;
        Q_EMIT appearedChanged(false);
    }
    if (!m_didSave) {
        // An empty form clears the stored draft only when it is that draft, emptied here: opening
        // New Entry and closing it without writing never throws away earlier writing.
        const bool emptyForm = title().isEmpty() && bodyPlain().isEmpty();
        if (!(emptyForm && !m_draftRestored && m_settings.autoSaveDraft())) {
            saveDraft();
        }
        deletePendingRecordings();
    }
}

void ComposeView::resetForm()
{
    setTitleText(QString());
    setBody(QString(), std::nullopt);
    setTags({});
    setSelectedMood(std::nullopt);
    setHasExpiration(false);
    setPendingImages({});
    setPendingAudio({});
}

void ComposeView::restoreDraft()
{
    if (!m_settings.autoSaveDraft()) {
        return;
    }
    const std::optional<compose::ComposeDraft> draft = compose::readDraft();
    if (!draft) {
        return;
    }
    m_draftRestored = true;
    setTitleText(draft->title);
    m_bodyRTF = draft->bodyRTF;
    setBody(draft->body, draft->bodyRTF);
    setTags(draft->tags);
    if (const auto type = entryTypeFromRawValue(draft->type)) {
        setSelectedType(*type);
    }
}

bool ComposeView::ownsStoredDraft() const
{
    // A form opened under the lock started empty: the stored draft is the owner's, and is neither
    // replaced nor thrown away without the password.
    return !m_store.isLocked() || m_draftRestored;
}

void ComposeView::saveDraft()
{
    if (!ownsStoredDraft() && compose::readDraft()) {
        return;
    }
    m_editor->flushEdits();
    compose::ComposeDraft draft;
    draft.title = title();
    draft.body = bodyPlain();
    draft.bodyRTF = m_bodyRTF;
    draft.tags = tags();
    draft.type = entryTypeRawValue(m_selectedType);
    compose::saveDraft(draft, m_settings.autoSaveDraft());
}

void ComposeView::scheduleDraftKeep()
{
    // Not for what an opening or a save puts into the form, only for the user's edits; and a run of
    // edits is written once, not postponed by every keystroke.
    if (m_open && !m_settingUp && !m_didSave && !m_draftTimer->isActive()) {
        m_draftTimer->start();
    }
}

void ComposeView::keepDraft()
{
    if (!m_open || m_didSave || !m_settings.autoSaveDraft() || (title().isEmpty() && bodyPlain().isEmpty())) {
        return;
    }
    saveDraft();
    // The rich text that saving the draft flushed out is in the draft already.
    m_draftTimer->stop();
}

void ComposeView::deletePendingRecordings()
{
    for (const PendingAudio& clip : std::as_const(m_pendingAudio)) {
        QFile::remove(clip.path);
    }
}

void ComposeView::playEntrance()
{
    m_appeared = true;
    Q_EMIT appearedChanged(true);
    delete m_entranceOverlay.data();
    if (!vsp::animationsEnabled() || !isVisible()) {
        return;
    }
    // The content grows from 92 % and fades in as one picture laid over it, taken now that the window is
    // laid out and before anything is painted. An opacity effect on the live content instead would draw
    // every child through an off-screen buffer each frame, and scroll areas show black there.
    if (layout()) {
        layout()->activate();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QPixmap picture = grab();
    m_entranceOverlay =
        new EntranceOverlay(this, picture, Color::vspBackground().resolve(), 0.92, vsp::Spring{0.45, 0.78});
}

bool ComposeView::animatesChanges() const
{
    return m_open && !m_settingUp && isVisible() && vsp::animationsEnabled();
}

// ------------------------------------------------------------ the form

QString ComposeView::title() const
{
    return m_titleField->text();
}

QString ComposeView::bodyPlain() const
{
    return m_editor->plainText();
}

QStringList ComposeView::tags() const
{
    return m_footer->tags();
}

QString ComposeView::tagInput() const
{
    return m_footer->tagInput();
}

QString ComposeView::selectedFontDesign() const
{
    return m_footer->formatBar()->selectedFontDesign();
}

void ComposeView::setTitleText(const QString& title)
{
    if (m_titleField->text() != title) {
        m_titleField->setText(title);
    }
}

void ComposeView::setBody(const QString& plain, const std::optional<QByteArray>& rtf)
{
    m_bodyRTF = rtf;
    m_editor->setContent(plain, rtf);
    refreshSaveState();
    refreshWordCount();
}

void ComposeView::setTags(const QStringList& tags)
{
    m_footer->setTags(tags);
}

void ComposeView::setSelectedType(JournalEntry::EntryType type)
{
    m_selectedType = type;
    const bool animate = animatesChanges();
    for (TypeChip* chip : std::as_const(m_typeChips)) {
        chip->setChosen(chip->type() == type, animate);
    }
}

void ComposeView::setSelectedMood(const std::optional<QString>& mood)
{
    m_selectedMood = mood;
    m_moodSelector->setSelectedMood(mood);
    // The badge keeps showing the mood it had while it goes; a new one is shown before it comes.
    if (mood) {
        m_moodBadge->setMood(*mood);
        m_moodBadgeSlot->refreshSnapshot();
    }
    m_moodBadgeSlot->setPresent(mood.has_value(), animatesChanges());
}

void ComposeView::setHasExpiration(bool on)
{
    m_hasExpiration = on;
    refreshExpiration();
}

void ComposeView::setPendingImages(const QList<QUrl>& urls)
{
    // The first image comes in with the whole strip, so only later ones play their own entrance.
    const bool animate = animatesChanges();
    const bool stripShown = !m_pendingImageURLs.isEmpty();
    m_pendingImageURLs = urls;
    if (urls.isEmpty()) {
        m_imagesSlot->setPresent(false, animate);
        m_imagesPreview->setUrls(urls, false);
        return;
    }
    m_imagesPreview->setUrls(urls, animate && stripShown);
    m_imagesSlot->setPresent(true, animate);
}

void ComposeView::setPendingAudio(const QList<PendingAudio>& clips)
{
    const bool animate = animatesChanges();
    const bool listShown = !m_pendingAudio.isEmpty();
    m_pendingAudio = clips;
    if (clips.isEmpty()) {
        m_audioSlot->setPresent(false, animate);
        m_audioPreview->setClips(clips, false);
        return;
    }
    m_audioPreview->setClips(clips, animate && listShown);
    m_audioSlot->setPresent(true, animate);
}

void ComposeView::setWeather(const std::optional<WeatherSnapshot>& snapshot)
{
    m_weatherSnapshot = snapshot;
    // Arriving while the entrance still plays (whose picture lacks them), the chips wait for it to end
    // and then come in on their own; the entry has the weather at once all the same.
    if (snapshot && m_entranceOverlay) {
        connect(static_cast<EntranceOverlay*>(m_entranceOverlay.data()), &EntranceOverlay::finished, this,
                &ComposeView::showWeather, Qt::UniqueConnection);
        return;
    }
    showWeather();
}

void ComposeView::showWeather()
{
    const std::optional<WeatherSnapshot>& snapshot = m_weatherSnapshot;
    const bool animate = animatesChanges();
    if (snapshot) {
        m_weatherChips->setValues(snapshot->symbol, snapshot->temp, snapshot->text, snapshot->placeName);
        m_weatherSlot->refreshSnapshot();
        m_weatherSlot->setPresent(true, animate);
    } else {
        // Pictured as they were before they are emptied, so they leave showing what they showed.
        m_weatherSlot->setPresent(false, animate);
        m_weatherChips->setValues(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    }
}

bool ComposeView::canSave() const
{
    return compose::canSave(title(), bodyPlain());
}

int ComposeView::wordCount() const
{
    return compose::wordCount(bodyPlain());
}

// ------------------------------------------------------------ actions

void ComposeView::onFormat(const QString& command)
{
    // The command waits for the editor, which carries it out and clears it.
    m_formattingAction = command;
    m_editor->applyFormat(*m_formattingAction);
    m_formattingAction.reset();
}

QList<QUrl> ComposeView::acceptableImageDrops(const QMimeData* mime)
{
    QList<QUrl> result;
    if (!mime || !mime->hasUrls()) {
        return result;
    }
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) {
            continue;
        }
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable()) {
            continue;
        }
        QImageReader reader(path);
        if (reader.canRead()) {
            result.append(url);
        }
    }
    return result;
}

void ComposeView::addPendingImages(const QList<QUrl>& urls)
{
    if (urls.isEmpty()) {
        return;
    }
    // Checked as the store will check them when the entry is saved, so a refusal is seen while the
    // window is still open.
    QList<QUrl> accepted;
    QStringList refused;
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        const QString why =
            url.isLocalFile() ? m_store.imageFileProblem(path) : QStringLiteral("it is not a local file");
        if (why.isEmpty()) {
            accepted.append(url);
            continue;
        }
        vsp::logFailure(QStringLiteral("image save"), (url.isLocalFile() ? path : url.toString()) + u": " + why);
        refused.append(tr("“%1” was not added: %2.").arg(url.fileName(), why));
    }
    m_imageNotice->setText(refused.join(u'\n'));
    m_imageNotice->setVisible(!refused.isEmpty());
    if (!accepted.isEmpty()) {
        setPendingImages(m_pendingImageURLs + accepted);
    }
}

void ComposeView::addRecording(const QString& path, double duration)
{
    const QList<PendingAudio> clips = withRecording(m_pendingAudio, path, duration);
    setPendingAudio(clips);
    const QUuid id = clips.last().id;
    SpeechTranscriber::transcribe(path, this, [this, id](std::optional<QString> text) {
        if (!text) {
            return;
        }
        // Found again by id: the note may have been removed, or the entry saved, meanwhile.
        QList<PendingAudio> current = m_pendingAudio;
        if (setTranscript(current, id, *text)) {
            setPendingAudio(current);
        }
    });
}

void ComposeView::saveEntry()
{
    if (!canSave()) {
        return;
    }
    const QString title = compose::trimBlanks(this->title());
    const QString body = compose::trimBlanksAndLineBreaks(bodyPlain());

    JournalEntry entry;
    entry.id = vsp::newUuid();
    entry.title = title.isEmpty() ? compose::derivedTitle(body) : title;
    entry.body = body;
    entry.date = m_entryDate;
    entry.tags = tags();
    entry.mood = m_selectedMood;
    entry.isFavorite = false;
    entry.type = m_selectedType;
    entry.expirationDate = m_hasExpiration ? std::optional<double>(m_expirationDate) : std::nullopt;
    entry.fontDesign = selectedFontDesign();
    entry.isArchived = false;

    m_editor->flushEdits();
    const std::optional<QByteArray> liveRTF = m_bodyHandle->currentRTF();
    entry.bodyRTF = liveRTF ? liveRTF : m_bodyRTF;

    if (m_weatherSnapshot) {
        entry.latitude = m_weatherSnapshot->latitude;
        entry.longitude = m_weatherSnapshot->longitude;
        entry.placeName = m_weatherSnapshot->placeName;
        entry.weatherSymbol = m_weatherSnapshot->symbol;
        entry.weatherTemp = m_weatherSnapshot->temp;
        entry.weatherText = m_weatherSnapshot->text;
    }

    // In this order: the closing that follows must find the entry saved and write no draft.
    m_didSave = true;
    m_draftTimer->stop();
    // The window closes right after: the emptied form need not move.
    m_settingUp = true;
    if (ownsStoredDraft()) {
        compose::clearDraft();
    }
    QStringList imagePaths;
    imagePaths.reserve(m_pendingImageURLs.size());
    for (const QUrl& url : std::as_const(m_pendingImageURLs)) {
        imagePaths.append(url.toLocalFile());
    }
    m_store.addNewEntry(entry, imagePaths, m_pendingAudio);

    setTitleText(QString());
    setBody(QString(), std::nullopt);
    setTags({});
    setSelectedMood(std::nullopt);
    setHasExpiration(false);
    setPendingImages({});
    // The recordings were copied (and deleted) or deliberately kept: no longer this window's to delete.
    m_pendingAudio.clear();
    setPendingAudio({});
    m_settingUp = false;

    if (m_dismissWindow) {
        m_dismissWindow();
    }
}

// ------------------------------------------------------------ drops

bool ComposeView::dragCarriesImages(const QMimeData* mime)
{
    // A drag sends a move event for every pointer motion: look into its files once per drag.
    if (mime != m_dragMime) {
        m_dragMime = mime;
        m_dragHasImages = !acceptableImageDrops(mime).isEmpty();
    }
    return m_dragHasImages;
}

void ComposeView::dragEnterEvent(QDragEnterEvent* event)
{
    m_dragMime = nullptr;
    if (dragCarriesImages(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void ComposeView::dragMoveEvent(QDragMoveEvent* event)
{
    if (dragCarriesImages(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void ComposeView::dropEvent(QDropEvent* event)
{
    m_dragMime = nullptr;
    const QList<QUrl> images = acceptableImageDrops(event->mimeData());
    if (images.isEmpty()) {
        event->ignore();
        return;
    }
    addPendingImages(images);
    event->acceptProposedAction();
}

bool ComposeView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editorArea) {
        if (event->type() == QEvent::Resize) {
            refreshFloatingBar();
        }
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (event->type() == QEvent::DragEnter) {
            m_dragMime = nullptr;
        }
        if (dragCarriesImages(drag->mimeData())) {
            drag->acceptProposedAction();
            return true;
        }
        break;
    }
    case QEvent::Drop: {
        m_dragMime = nullptr;
        auto* drop = static_cast<QDropEvent*>(event);
        const QList<QUrl> images = acceptableImageDrops(drop->mimeData());
        if (!images.isEmpty()) {
            addPendingImages(images);
            drop->acceptProposedAction();
            return true;
        }
        break;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------ derived views

void ComposeView::refreshSaveState()
{
    m_footer->formatBar()->setCanSave(canSave());
}

void ComposeView::refreshWordCount()
{
    m_wordCount->setCount(wordCount(), animatesChanges());
}

void ComposeView::refreshFloatingBar()
{
    if (!m_selectionState->hasSelection()) {
        // The bar fades away when the selection collapses.
        m_floatingBar->dismiss(animatesChanges());
        return;
    }
    m_floatingBar->presentWithin(
        compose::floatingBarOffset(m_selectionState->selectionRect(), m_floatingBar->glassHeight()));
}

void ComposeView::refreshExpiration()
{
    m_expirationChip->setSymbol(m_hasExpiration ? QStringLiteral("bell.fill") : QStringLiteral("bell"), 10);
    m_expirationChip->setText(m_hasExpiration ? tr("Expires") : tr("Add expiration"));
    m_expirationChip->setAccessibleName(m_expirationChip->text());
    m_expirationChip->updateGeometry();
    m_expirationChip->update();
    m_settingExpiration = true;
    // From today onwards; the stored date is set after the minimum so the editor cannot clamp it.
    const QDate today = m_store.today();
    const QDate chosen = vsp::localDate(m_expirationDate);
    m_expirationPicker->setMinimumDate(std::min(today, chosen));
    m_expirationPicker->setDate(chosen);
    m_settingExpiration = false;
    // Wide enough for its date and the popup arrow; without a frame it would cut the year off.
    const QFontMetrics metrics(m_expirationPicker->font());
    m_expirationPicker->setFixedWidth(metrics.horizontalAdvance(m_expirationPicker->text()) + 34);
    m_expirationSlot->setPresent(m_hasExpiration, animatesChanges());
}

void ComposeView::refreshDate()
{
    m_dateLabel->setText(compose::entryDateText(m_entryDate));
}

void ComposeView::applySettings()
{
    m_wordCount->setVisible(m_settings.showWordCount());
    m_moodSelector->setVisible(m_settings.showMoodSelector());
    const double size = m_settings.writingFontSize();
    m_editor->setFontSize(size);
    m_footer->formatBar()->setWritingFontSize(size);
}

void ComposeView::applyTheme()
{
    const bool dark = AppearanceManager::instance().isDark();
    EditorPalette palette = dark ? EditorPalette::dark() : EditorPalette::light();
    palette.caret = Color::resolvedAccent(1.0).resolve();
    palette.selection = Color::resolvedAccent(dark ? 0.28 : 0.3).resolve();
    m_editor->setEditorPalette(palette);

    QPalette title = m_titleField->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        title.setColor(group, QPalette::Base, Qt::transparent);
        title.setColor(group, QPalette::Text, Color::primaryStyle().resolve());
        title.setColor(group, QPalette::PlaceholderText, Color::tertiaryStyle().resolve());
        title.setColor(group, QPalette::Highlight, palette.selection);
        title.setColor(group, QPalette::HighlightedText, Color::primaryStyle().resolve());
    }
    m_titleField->setPalette(title);
    QPalette picker = m_expirationPicker->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        picker.setColor(group, QPalette::Base, Color::resolvedAccent(0.08).resolve());
        picker.setColor(group, QPalette::Text, Color::resolvedAccent(1.0).resolve());
        picker.setColor(group, QPalette::Button, Color::vspSurface().resolve());
        picker.setColor(group, QPalette::ButtonText, Color::secondaryStyle().resolve());
    }
    m_expirationPicker->setPalette(picker);
    setTextColor(m_wordCount, Color::tertiaryStyle().resolve());
    setTextColor(m_dateLabel, Color::tertiaryStyle().resolve());
    setTextColor(m_imageNotice, Color::secondaryStyle().resolve());
    for (TypeChip* chip : std::as_const(m_typeChips)) {
        chip->update();
    }
    update();
}

void ComposeView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
}
