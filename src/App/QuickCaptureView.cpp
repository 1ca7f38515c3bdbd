#include "App/QuickCaptureView.h"

#include "Editor/Compose/ComposeRules.h"
#include "Editor/Compose/TagRules.h"
#include "Editor/FormatBar.h"
#include "Media/AudioClipRow.h"
#include "Media/AudioRecordControl.h"
#include "Media/SpeechTranscriber.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/Uuid.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Theme/Transitions.h"

#include <QFile>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <cmath>

using vsp::Color;

namespace {

/// The panel's content width, pixels.
constexpr int kContentWidth = 360;
/// Tallest the list of waiting voice notes grows before it scrolls, pixels.
constexpr int kClipListMaxHeight = 132;
constexpr int kBodyHeight = 140;
/// A slim bar in a grey that reads on both appearances, as the entry list has.
constexpr char kThinScrollBar[] =
    "QScrollBar:vertical { background: transparent; width: 6px; margin: 2px; }"
    "QScrollBar::handle:vertical { background: rgba(128,128,128,0.35); border-radius: 3px; min-height: 24px; }"
    "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
    "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }";

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

/// A text field drawn on the panel's glass: no frame or ground of its own.
void makeBare(QWidget* field, const Color& text)
{
    QPalette palette = field->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::transparent);
        palette.setColor(group, QPalette::Text, text.resolve());
        palette.setColor(group, QPalette::PlaceholderText, Color::tertiaryStyle().resolve());
        palette.setColor(group, QPalette::Highlight, Color::resolvedAccent(0.3).resolve());
        palette.setColor(group, QPalette::HighlightedText, Color::primaryStyle().resolve());
    }
    field->setPalette(palette);
}

/// The list of waiting voice notes: as tall as its rows, up to kClipListMaxHeight; then it scrolls.
class ClipList final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override
    {
        const int content = widget() ? widget()->sizeHint().height() : 0;
        return {QScrollArea::sizeHint().width(), std::min(content, kClipListMaxHeight)};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

bool isCaptureKey(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ControlModifier);
}

QString voiceNoteCountText(qsizetype count)
{
    return count == 1 ? QuickCaptureView::tr("1 voice note") : QuickCaptureView::tr("%1 voice notes").arg(count);
}

} // namespace

// ---------------------------------------------------------------------------------------------------

CaptureButton::CaptureButton(QWidget* parent) : PaintedButton(parent)
{
    setText(tr("Capture"));
    setObjectName(QStringLiteral("captureButton"));
    setPressFeedback(0.94, 0.85, vsp::Spring{0.18, 1.0});
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setToolTip(tr("Capture (%1)").arg(QKeySequence(Qt::CTRL | Qt::Key_Return).toString(QKeySequence::NativeText)));
}

QSize CaptureButton::sizeHint() const
{
    const qreal width = QFontMetricsF(vsp::fonts::system(11, QFont::DemiBold)).horizontalAdvance(text()) + 5
                        + QFontMetricsF(vsp::fonts::system(9)).horizontalAdvance(FormatSaveButton::shortcutText())
                        + 2 * 12;
    return {int(std::ceil(width)), 26};
}

void CaptureButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(rect());
    applyPress(p, body);
    const bool enabled = isEnabled();
    const QColor fill = enabled ? Color::resolvedAccent(1.0).resolve() : Color::vspMuted().resolve();
    QPainterPath shape;
    shape.addRoundedRect(body, 7, 7);
    p.fillPath(shape, fill);
    // The page colour on the accent, as the design has it, unless that is unreadable on a pale accent.
    QColor ink = Color::tertiaryStyle().resolve();
    if (enabled) {
        ink = Color::vspBackground().resolve();
        if (vsp::contrastRatio(ink, fill) < vsp::kTextContrast) {
            ink = vsp::textColorOn(fill);
        }
    }
    const QFont nameFont = vsp::fonts::system(11, QFont::DemiBold);
    const QFont keyFont = vsp::fonts::system(9);
    const qreal nameWidth = QFontMetricsF(nameFont).horizontalAdvance(text());
    const qreal keyWidth = QFontMetricsF(keyFont).horizontalAdvance(FormatSaveButton::shortcutText());
    const qreal x = body.center().x() - (nameWidth + 5 + keyWidth) / 2;
    p.setPen(ink);
    p.setFont(nameFont);
    p.drawText(QRectF(x, body.top(), nameWidth + 1, body.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    p.setFont(keyFont);
    p.setOpacity(p.opacity() * 0.6);
    p.drawText(QRectF(x + nameWidth + 5, body.top(), keyWidth + 1, body.height()), Qt::AlignLeft | Qt::AlignVCenter,
               FormatSaveButton::shortcutText());
}

// ---------------------------------------------------------------------------------------------------

QuickCaptureView::QuickCaptureView(JournalStore& store, AppSettings& settings, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_settings(settings)
{
    setObjectName(QStringLiteral("quickCaptureView"));
    setFixedWidth(kContentWidth);
    m_faces = new QStackedLayout(this);
    m_faces->setContentsMargins(0, 0, 0, 0);

    m_captureFace = new QWidget(this);
    auto* column = new QVBoxLayout(m_captureFace);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    column->addWidget(buildTypeChips());

    m_titleField = new QLineEdit(m_captureFace);
    m_titleField->setObjectName(QStringLiteral("captureTitle"));
    // A frameless field shows only its caret: the ring says where Tab has put the focus.
    vsp::setFocusRing(m_titleField, 6);
    m_titleField->setFrame(false);
    m_titleField->setPlaceholderText(tr("Title (optional)"));
    m_titleField->setFont(vsp::fonts::system(14, QFont::Medium));
    m_titleField->installEventFilter(this);
    auto* titleBox = new QHBoxLayout;
    titleBox->setContentsMargins(16, 8, 16, 2);
    titleBox->addWidget(m_titleField);
    column->addLayout(titleBox);

    m_divider = new QWidget(m_captureFace);
    m_divider->setFixedHeight(1);
    auto* dividerBox = new QHBoxLayout;
    dividerBox->setContentsMargins(14, 0, 14, 0);
    dividerBox->addWidget(m_divider);
    column->addLayout(dividerBox);

    m_body = new QPlainTextEdit(m_captureFace);
    m_body->setObjectName(QStringLiteral("captureBody"));
    m_body->setFrameShape(QFrame::NoFrame);
    m_body->setFont(vsp::fonts::system(13));
    m_body->setTabChangesFocus(true);
    m_body->viewport()->setAutoFillBackground(false);
    m_body->setFixedHeight(kBodyHeight - 2 * 10);
    m_body->verticalScrollBar()->setStyleSheet(QString::fromLatin1(kThinScrollBar));
    m_body->installEventFilter(this);
    auto* bodyBox = new QHBoxLayout;
    bodyBox->setContentsMargins(12, 10, 12, 10);
    bodyBox->addWidget(m_body);
    column->addLayout(bodyBox);

    column->addWidget(buildVoiceNotes());
    column->addWidget(buildFooter());
    m_faces->addWidget(m_captureFace);
    m_faces->addWidget(buildLockedFace());

    connect(m_body, &QPlainTextEdit::textChanged, this, &QuickCaptureView::refreshCounts);
    connect(&m_settings, &AppSettings::showWordCountChanged, this, &QuickCaptureView::refreshCounts);
    connect(&m_store, &JournalStore::isLockedChanged, this, &QuickCaptureView::refreshLock);
    vsp::onThemeChange(this, [this] { applyTheme(); });
    setSelectedType(JournalEntry::EntryType::Note);
    refreshCounts();
    refreshLock();
}

QWidget* QuickCaptureView::buildHeader()
{
    auto* header = new QWidget(m_captureFace);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(16, 14, 16, 10);
    row->setSpacing(8);
    m_bolt = new QLabel(header);
    m_bolt->setFixedSize(11, 11);
    row->addWidget(m_bolt);
    m_caption = new QLabel(tr("QUICK CAPTURE"), header);
    m_caption->setFont(vsp::fonts::tracked(vsp::fonts::system(10, QFont::DemiBold), 1.4));
    row->addWidget(m_caption);
    row->addStretch(1);
    m_wordCount = new QLabel(header);
    m_wordCount->setObjectName(QStringLiteral("captureWordCount"));
    m_wordCount->setFont(vsp::fonts::monospaced(10));
    row->addWidget(m_wordCount);
    return header;
}

QWidget* QuickCaptureView::buildTypeChips()
{
    auto* strip = new QWidget(m_captureFace);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(14, 0, 14, 10);
    row->setSpacing(4);
    for (const JournalEntry::EntryType type : allEntryTypes()) {
        auto* chip = new TypeChip(type, strip, TypeChip::Size::Compact);
        connect(chip, &QAbstractButton::clicked, this, [this, type] { setSelectedType(type, true); });
        row->addWidget(chip);
        m_typeChips.append(chip);
    }
    row->addStretch(1);
    return strip;
}

QWidget* QuickCaptureView::buildVoiceNotes()
{
    auto* section = new QWidget(m_captureFace);
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(14, 2, 14, 0);
    column->setSpacing(7);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    m_record =
        new AudioRecordControl([this](const QString& path, double duration) { addRecording(path, duration); }, section);
    m_record->setObjectName(QStringLiteral("recordControl"));
    row->addWidget(m_record);
    row->addStretch(1);
    m_voiceNote = new QLabel(section);
    m_voiceNote->setObjectName(QStringLiteral("captureVoiceNoteCount"));
    row->addWidget(m_voiceNote);
    column->addLayout(row);

    auto* list = new QWidget;
    list->setAutoFillBackground(false);
    m_clipColumn = new QVBoxLayout(list);
    m_clipColumn->setContentsMargins(0, 0, 0, 0);
    m_clipColumn->setSpacing(6);
    m_clipScroll = new ClipList(section);
    m_clipScroll->setFrameShape(QFrame::NoFrame);
    m_clipScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_clipScroll->setWidgetResizable(true);
    m_clipScroll->viewport()->setAutoFillBackground(false);
    m_clipScroll->setWidget(list);
    // setWidget() gives the content a ground of its own; the rows stand on the panel's glass.
    list->setAutoFillBackground(false);
    m_clipScroll->verticalScrollBar()->setStyleSheet(QString::fromLatin1(kThinScrollBar));
    m_clipScroll->hide();
    // Rows coming and going change the list's height as they move.
    list->installEventFilter(this);
    column->addWidget(m_clipScroll);

    m_kept = new QLabel(section);
    m_kept->setObjectName(QStringLiteral("captureKeptRecordings"));
    m_kept->setWordWrap(true);
    m_kept->setFont(vsp::fonts::system(10));
    m_kept->hide();
    column->addWidget(m_kept);
    return section;
}

QWidget* QuickCaptureView::buildFooter()
{
    auto* footer = new QWidget(m_captureFace);
    footer->setFixedHeight(44);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(14, 6, 14, 0);
    row->setSpacing(6);
    m_hash = new QLabel(footer);
    m_hash->setFixedSize(10, 10);
    row->addWidget(m_hash);

    auto* strip = new QWidget;
    strip->setAutoFillBackground(false);
    m_chipRow = new QHBoxLayout(strip);
    m_chipRow->setContentsMargins(0, 0, 0, 0);
    m_chipRow->setSpacing(5);
    m_tagField = new QLineEdit(strip);
    m_tagField->setObjectName(QStringLiteral("captureTagField"));
    vsp::setFocusRing(m_tagField, 6);
    m_tagField->setFrame(false);
    m_tagField->setPlaceholderText(tr("tag"));
    m_tagField->setFont(vsp::fonts::system(10));
    m_tagField->setFixedWidth(60);
    m_tagField->installEventFilter(this);
    m_chipRow->addWidget(m_tagField);
    m_chipRow->addStretch(1);
    connect(m_tagField, &QLineEdit::returnPressed, this, &QuickCaptureView::commitTag);
    auto* scroll = new QScrollArea(footer);
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab stops at the chips inside; the strip is no stop itself.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setWidget(strip);
    strip->setAutoFillBackground(false);
    scroll->setFixedHeight(24);
    row->addWidget(scroll, 1);

    m_capture = new CaptureButton(footer);
    connect(m_capture, &QAbstractButton::clicked, this, &QuickCaptureView::save);
    row->addWidget(m_capture);
    return footer;
}

QWidget* QuickCaptureView::buildLockedFace()
{
    m_lockedFace = new QWidget(this);
    m_lockedFace->setObjectName(QStringLiteral("captureLocked"));
    auto* column = new QVBoxLayout(m_lockedFace);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(10);
    column->addStretch(1);
    m_lockSymbol = new QLabel(m_lockedFace);
    m_lockSymbol->setFixedSize(22, 22);
    column->addWidget(m_lockSymbol, 0, Qt::AlignHCenter);
    m_lockText = new QLabel(tr("Vesperlog is locked"), m_lockedFace);
    m_lockText->setFont(vsp::fonts::system(13, QFont::DemiBold));
    column->addWidget(m_lockText, 0, Qt::AlignHCenter);
    m_lockHint = new QLabel(tr("Unlock the journal to capture a thought."), m_lockedFace);
    m_lockHint->setFont(vsp::fonts::system(11));
    column->addWidget(m_lockHint, 0, Qt::AlignHCenter);
    auto* unlock = new GlassChipButton(m_lockedFace);
    unlock->setObjectName(QStringLiteral("captureUnlock"));
    unlock->setText(tr("Unlock…"));
    unlock->setForeground([](bool hovered) {
        return hovered ? Color::resolvedAccentText(1.0).resolve() : Color::secondaryStyle().resolve();
    });
    connect(unlock, &QAbstractButton::clicked, this, &QuickCaptureView::unlockRequested);
    column->addWidget(unlock, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return m_lockedFace;
}

QString QuickCaptureView::title() const
{
    return m_titleField->text();
}

void QuickCaptureView::setTitle(const QString& title)
{
    m_titleField->setText(title);
}

QString QuickCaptureView::bodyText() const
{
    return m_body->toPlainText();
}

void QuickCaptureView::setBodyText(const QString& body)
{
    m_body->setPlainText(body);
}

QString QuickCaptureView::tagInput() const
{
    return m_tagField->text();
}

void QuickCaptureView::setSelectedType(JournalEntry::EntryType type, bool animate)
{
    m_selectedType = type;
    for (TypeChip* chip : std::as_const(m_typeChips)) {
        chip->setChosen(chip->type() == type, animate);
    }
}

int QuickCaptureView::wordCount() const
{
    return vsp::compose::wordCount(bodyText());
}

bool QuickCaptureView::canSave() const
{
    if (m_store.isLocked()) {
        return false;
    }
    return !vsp::compose::trimBlanksAndLineBreaks(bodyText()).isEmpty() || !m_pendingAudio.isEmpty();
}

void QuickCaptureView::commitTag()
{
    QString input = m_tagField->text();
    if (vsp::tags::commit(input, m_tags)) {
        rebuildTagChips();
    }
    m_tagField->setText(input);
}

void QuickCaptureView::removeTag(const QString& tag)
{
    if (m_tags.removeAll(tag) > 0) {
        rebuildTagChips();
    }
}

void QuickCaptureView::rebuildTagChips(bool animate)
{
    const vsp::Spring spring{0.25, 1.0};
    // Chips of tags still chosen stay; the others leave, and new ones come in after their predecessor.
    QList<TagChip*> chips = TagChip::keptFor(m_tags, m_tagChips);
    for (TagChip* old : std::as_const(m_tagChips)) {
        if (!chips.contains(old)) {
            // Deleted once gone: the chip's own cross may still be handling the click that removed it.
            static_cast<TransitionSlot*>(old->parentWidget())->retire(m_tagSlots, animate, spring);
        }
    }
    TransitionSlot* previous = nullptr;
    for (qsizetype i = 0; i < m_tags.size(); ++i) {
        if (TagChip* chip = chips.at(i)) {
            previous = static_cast<TransitionSlot*>(chip->parentWidget());
            continue;
        }
        auto* chip = new TagChip(m_tags.at(i), nullptr, QString(), TagChip::Size::Compact);
        connect(chip, &TagChip::removeRequested, this, &QuickCaptureView::removeTag);
        chip->hide();
        // Grows from (almost) nothing about its centre, its neighbours making way.
        auto* slot = new TransitionSlot(chip, Transition{0.00001, Qt::AlignCenter, false, Qt::Horizontal}, spring,
                                        m_tagField->parentWidget());
        m_chipRow->insertWidget(previous ? m_chipRow->indexOf(previous) + 1 : 0, slot);
        m_tagSlots.append(slot);
        slot->setPresent(true, animate);
        chips[i] = chip;
        previous = slot;
    }
    m_tagChips = chips;
}

void QuickCaptureView::addRecording(const QString& path, double duration)
{
    const QList<PendingAudio> clips = withRecording(m_pendingAudio, path, duration);
    setPendingAudio(clips);
    const QUuid id = clips.last().id;
    SpeechTranscriber::transcribe(path, this, [this, id](std::optional<QString> text) {
        if (!text) {
            return;
        }
        // Found again by id: the note may have been removed, or captured, meanwhile.
        QList<PendingAudio> current = m_pendingAudio;
        if (setTranscript(current, id, *text)) {
            setPendingAudio(current);
        }
    });
}

void QuickCaptureView::removeRecording(const QUuid& id)
{
    QList<PendingAudio> clips = m_pendingAudio;
    for (qsizetype i = clips.size() - 1; i >= 0; --i) {
        if (clips.at(i).id == id) {
            QFile::remove(clips.at(i).path);
            clips.removeAt(i);
        }
    }
    m_keptIds.removeAll(id);
    setPendingAudio(clips);
}

void QuickCaptureView::setPendingAudio(const QList<PendingAudio>& clips, bool animate)
{
    const vsp::Spring spring{0.35, 0.82};
    // Rows of notes still listed stay (by id, showing the newest transcript); the others leave.
    QList<AudioClipRow*> rows;
    for (const PendingAudio& note : clips) {
        AudioClipRow* match = nullptr;
        for (qsizetype i = 0; i < m_pendingAudio.size() && i < m_clipRows.size(); ++i) {
            if (m_pendingAudio.at(i).id == note.id) {
                match = m_clipRows.at(i);
                match->setTranscript(note.transcript);
                break;
            }
        }
        rows.append(match);
    }
    for (AudioClipRow* old : std::as_const(m_clipRows)) {
        if (!rows.contains(old)) {
            // Deleted once gone: the row's remove button may still be handling the click.
            static_cast<TransitionSlot*>(old->parentWidget())->retire(m_clipSlots, animate, spring);
        }
    }
    TransitionSlot* previous = nullptr;
    for (qsizetype i = 0; i < clips.size(); ++i) {
        if (AudioClipRow* row = rows.at(i)) {
            previous = static_cast<TransitionSlot*>(row->parentWidget());
            continue;
        }
        const PendingAudio& note = clips.at(i);
        const QUuid id = note.id;
        auto* row =
            new AudioClipRow(note.path, note.duration, note.transcript, true, [this, id] { removeRecording(id); });
        row->hide();
        auto* slot = new TransitionSlot(row, Transition{0.92, Qt::AlignCenter, false, Qt::Vertical}, spring,
                                        m_clipScroll->widget());
        m_clipColumn->insertWidget(previous ? m_clipColumn->indexOf(previous) + 1 : 0, slot);
        m_clipSlots.append(slot);
        slot->setPresent(true, animate);
        rows[i] = row;
        previous = slot;
    }
    m_clipRows = rows;
    m_pendingAudio = clips;
    if (!m_clipSlots.isEmpty()) {
        m_clipScroll->show();
    }
    m_clipScroll->updateGeometry();
    refreshCounts();
}

void QuickCaptureView::refreshCounts()
{
    m_wordCount->setVisible(m_settings.showWordCount());
    m_wordCount->setText(QString::number(wordCount()) + u'w');
    if (m_pendingAudio.isEmpty()) {
        m_voiceNote->setText(tr("Keep this open while recording"));
        m_voiceNote->setFont(vsp::fonts::system(9.5));
    } else {
        m_voiceNote->setText(voiceNoteCountText(m_pendingAudio.size()));
        m_voiceNote->setFont(vsp::fonts::system(10));
    }
    qsizetype kept = 0;
    for (const PendingAudio& note : std::as_const(m_pendingAudio)) {
        kept += m_keptIds.contains(note.id) ? 1 : 0;
    }
    m_kept->setVisible(kept > 0);
    m_kept->setText(kept == 1 ? tr("1 recording could not be copied into the journal. It is kept here: "
                                   "capture again, or remove it.")
                              : tr("%1 recordings could not be copied into the journal. They are kept here: "
                                   "capture again, or remove them.")
                                    .arg(kept));
    m_capture->setEnabled(canSave());
    applyCountColors();
}

void QuickCaptureView::refreshLock()
{
    const bool locked = m_store.isLocked();
    // Hidden, not just covered: nothing typed may show or take keys while the journal is locked.
    m_faces->setCurrentWidget(locked ? m_lockedFace : m_captureFace);
    m_capture->setEnabled(canSave());
    if (!locked && isVisible()) {
        focusTitle();
    }
}

void QuickCaptureView::focusTitle()
{
    if (!m_store.isLocked()) {
        m_titleField->setFocus(Qt::PopupFocusReason);
    }
}

void QuickCaptureView::save()
{
    if (m_store.isLocked()) {
        return;
    }
    commitTag();
    const QString body = vsp::compose::trimBlanksAndLineBreaks(bodyText());
    if (body.isEmpty() && m_pendingAudio.isEmpty()) {
        return;
    }
    const QString title = vsp::compose::trimBlanksAndLineBreaks(m_titleField->text());
    JournalEntry entry;
    entry.id = vsp::newUuid();
    entry.title = vsp::compose::leftGraphemes(title, 80);
    entry.body = body;
    entry.date = m_store.now();
    entry.tags = m_tags;
    entry.type = m_selectedType;
    entry.fontDesign = QStringLiteral("default");

    // One store step: recordings it cannot copy stay, with their files, for another try.
    QList<PendingAudio> kept;
    bool added = false;
    m_store.addNewEntry(entry, {}, m_pendingAudio, &kept, [&](JournalEntry& stored) {
        if (title.isEmpty()) {
            // Named after what the entry holds: a recording left behind does not make it a voice note.
            stored.title = stored.audioClips.isEmpty() ? tr("Quick Note") : tr("Voice Note");
        }
        // Nothing was stored for it: no empty entry.
        added = !body.isEmpty() || !stored.audioClips.isEmpty();
        return added;
    });
    if (added) {
        m_titleField->clear();
        m_body->clear();
        m_tags.clear();
        rebuildTagChips(false);
    }
    m_keptIds.clear();
    for (const PendingAudio& note : std::as_const(kept)) {
        m_keptIds.append(note.id);
    }
    setPendingAudio(kept, false);
    if (kept.isEmpty()) {
        Q_EMIT dismissRequested();
    }
}

bool QuickCaptureView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest && watched == m_clipScroll->widget()) {
        m_clipScroll->setVisible(!m_clipSlots.isEmpty());
        m_clipScroll->updateGeometry();
    }
    // The popup may show without being the active window, where window shortcuts do not reach it: its
    // fields handle Ctrl+Return themselves.
    if (event->type() == QEvent::KeyPress && (watched == m_titleField || watched == m_body || watched == m_tagField)) {
        if (isCaptureKey(static_cast<QKeyEvent*>(event))) {
            if (canSave()) {
                save();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void QuickCaptureView::applyTheme()
{
    m_bolt->setPixmap(
        vsp::symbols::pixmap(u"bolt.fill", Color::resolvedAccentText(1.0).resolve(), 11, devicePixelRatioF()));
    setTextColor(m_caption, Color::resolvedAccentText(1.0).resolve());
    setTextColor(m_wordCount, Color::tertiaryStyle().resolve());
    applyCountColors();
    setTextColor(m_kept, Color::secondaryStyle().resolve());
    m_hash->setPixmap(vsp::symbols::pixmap(u"number", Color::tertiaryStyle().resolve(), 10, devicePixelRatioF()));
    m_lockSymbol->setPixmap(
        vsp::symbols::pixmap(u"lock.fill", Color::secondaryStyle().resolve(), 22, devicePixelRatioF()));
    setTextColor(m_lockText, Color::primaryStyle().resolve());
    setTextColor(m_lockHint, Color::secondaryStyle().resolve());
    makeBare(m_titleField, Color::primaryStyle());
    makeBare(m_body, Color::primaryStyle());
    makeBare(m_tagField, Color::secondaryStyle());
    update();
}

void QuickCaptureView::applyCountColors()
{
    // The hint in the quaternary style, the count in the tertiary one.
    setTextColor(m_voiceNote,
                 m_pendingAudio.isEmpty() ? Color::vspFgSubtle().resolve() : Color::tertiaryStyle().resolve());
}

void QuickCaptureView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_divider->isVisible()) {
        p.fillRect(QRect(m_divider->mapTo(this, QPoint(0, 0)), m_divider->size()), Color::vspBorder().resolve());
    }
}
