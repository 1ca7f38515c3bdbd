#include "Editor/Compose/ComposeFooter.h"

#include "Editor/Compose/TagRules.h"
#include "Editor/FormatBar.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Theme/Transitions.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

using vsp::Color;

namespace {

QScrollArea* makeStripScroller(QWidget* parent, QWidget* content)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    // Tab stops at the chips inside, which the strip scrolls into view; the strip is no stop itself.
    scroll->setFocusPolicy(Qt::NoFocus);
    content->setAutoFillBackground(false);
    scroll->setWidget(content);
    return scroll;
}

} // namespace

TagSuggestionChip::TagSuggestionChip(const QString& tag, QWidget* parent) : PaintedButton(parent)
{
    setText(tag);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Add tag %1").arg(tag));
}

QSize TagSuggestionChip::sizeHint() const
{
    const QFontMetricsF metrics(vsp::fonts::system(10));
    return {int(std::ceil(9 + 8 + 3 + metrics.horizontalAdvance(text()) + 9)), int(std::ceil(metrics.height() + 6))};
}

void TagSuggestionChip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    vsp::paintGlass(p, r, vsp::Glass::regular().tinted(Color::resolvedAccent(0.12)), vsp::GlassShape::Capsule, 0);
    const QColor accent = Color::resolvedAccent(1.0).resolve();
    vsp::symbols::paint(p, u"return", QRectF(9, r.center().y() - 4, 8, 8), accent);
    p.setFont(vsp::fonts::system(10));
    p.setPen(accent);
    p.drawText(r.adjusted(9 + 8 + 3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
}

// ---------------------------------------------------------------------------------------------------

ComposeFooter::ComposeFooter(JournalStore& store, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_suggestionRow(new QWidget(this)),
      m_suggestionSlot(nullptr),
      m_suggestionLayout(nullptr),
      m_hash(new QLabel(QStringLiteral("#"), this)),
      m_chipLayout(nullptr),
      m_tagField(new QLineEdit),
      m_formatBar(nullptr)
{
    setObjectName(QStringLiteral("composeFooter"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Suggestions.
    auto* suggestionContent = new QWidget;
    m_suggestionLayout = new QHBoxLayout(suggestionContent);
    m_suggestionLayout->setContentsMargins(22, 6, 22, 6);
    m_suggestionLayout->setSpacing(5);
    m_suggestionLayout->addStretch(1);
    auto* suggestionOuter = new QVBoxLayout(m_suggestionRow);
    suggestionOuter->setContentsMargins(0, 0, 0, 0);
    QScrollArea* suggestionScroll = makeStripScroller(m_suggestionRow, suggestionContent);
    suggestionScroll->setFixedHeight(30);
    suggestionOuter->addWidget(suggestionScroll);
    m_suggestionRow->setObjectName(QStringLiteral("tagSuggestions"));
    m_suggestionRow->hide();
    m_suggestionSlot = new TransitionSlot(m_suggestionRow, Transition{1.0, Qt::AlignCenter, true, std::nullopt},
                                          vsp::Spring{0.25, 1.0}, this);
    column->addWidget(m_suggestionSlot);

    // Tags.
    auto* tagRow = new QWidget(this);
    tagRow->setFixedHeight(40);
    auto* tagLayout = new QHBoxLayout(tagRow);
    tagLayout->setContentsMargins(22, 0, 22, 0);
    tagLayout->setSpacing(6);
    m_hash->setFont(vsp::fonts::monospaced(13));
    tagLayout->addWidget(m_hash);
    auto* chipContent = new QWidget;
    m_chipLayout = new QHBoxLayout(chipContent);
    m_chipLayout->setContentsMargins(0, 0, 0, 0);
    m_chipLayout->setSpacing(6);
    m_tagField->setParent(chipContent);
    m_tagField->setObjectName(QStringLiteral("tagField"));
    m_tagField->setPlaceholderText(tr("Add tag…"));
    m_tagField->setFont(vsp::fonts::system(11));
    m_tagField->setFrame(false);
    m_tagField->setFixedWidth(80);
    m_tagField->setAccessibleName(tr("Add tag"));
    // A frameless field shows only its caret: the ring says where Tab has put the focus.
    vsp::setFocusRing(m_tagField, 6);
    m_chipLayout->addWidget(m_tagField);
    m_chipLayout->addStretch(1);
    m_chipScroll = makeStripScroller(tagRow, chipContent);
    tagLayout->addWidget(m_chipScroll, 1);
    // Chips added before the field push it along the row: the row follows it, or the field would go
    // out of sight with the text being typed into it.
    m_tagField->installEventFilter(this);
    connect(m_chipScroll->horizontalScrollBar(), &QScrollBar::rangeChanged, this, &ComposeFooter::keepFieldInSight);
    column->addWidget(tagRow);

    // Format bar. Made after the tags line, so Tab reaches the tags first, as they are read from the top.
    m_formatBar = new FormatBar(true, this);
    auto* barRow = new QHBoxLayout;
    barRow->setContentsMargins(22, 8, 22, 8);
    barRow->addWidget(m_formatBar);
    column->addLayout(barRow);

    connect(m_tagField, &QLineEdit::returnPressed, this, &ComposeFooter::commitTag);
    connect(m_tagField, &QLineEdit::textChanged, this, &ComposeFooter::refreshSuggestions);
    connect(&m_store, &JournalStore::entriesChanged, this, &ComposeFooter::refreshSuggestions);
    connect(&m_store, &JournalStore::isLockedChanged, this, &ComposeFooter::refreshSuggestions);
    applyColors();
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, &ComposeFooter::applyColors);
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, &ComposeFooter::applyColors);
}

bool ComposeFooter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tagField && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        // On the next turn: the row's scroll range follows the new width only after the field has moved.
        QMetaObject::invokeMethod(this, &ComposeFooter::keepFieldInSight, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void ComposeFooter::keepFieldInSight()
{
    // The whole field, not only its caret (which is all QScrollArea::ensureWidgetVisible looks at).
    QScrollBar* bar = m_chipScroll->horizontalScrollBar();
    const int shown = m_chipScroll->viewport()->width();
    const int left = m_tagField->x();
    const int right = left + m_tagField->width();
    if (right > bar->value() + shown) {
        bar->setValue(right - shown);
    } else if (left < bar->value()) {
        bar->setValue(left);
    }
}

QString ComposeFooter::tagInput() const
{
    return m_tagField->text();
}

void ComposeFooter::setTagInput(const QString& text)
{
    m_instant = true;
    m_tagField->setText(text);
    m_instant = false;
}

void ComposeFooter::setTags(const QStringList& tags)
{
    m_instant = true;
    applyTags(tags, nullptr);
    m_instant = false;
}

bool ComposeFooter::animates() const
{
    return !m_instant && isVisible() && vsp::animationsEnabled();
}

void ComposeFooter::applyTags(const QStringList& tags, const vsp::Spring* spring)
{
    if (tags == m_tags) {
        return;
    }
    m_tags = tags;
    rebuildChips(animates() ? spring : nullptr);
    refreshSuggestions();
}

void ComposeFooter::commitTag()
{
    QString input = m_tagField->text();
    QStringList tags = m_tags;
    const bool added = vsp::tags::commit(input, tags);
    m_tagField->clear();
    if (added) {
        const vsp::Spring spring{0.3, 1.0};
        applyTags(tags, &spring);
        Q_EMIT tagsEdited(m_tags);
    }
}

void ComposeFooter::addSuggestion(const QString& tag)
{
    // A suggestion is never chosen already; it is added as it is stored.
    QStringList tags = m_tags;
    tags.append(tag);
    const vsp::Spring spring{0.25, 1.0};
    applyTags(tags, &spring);
    m_tagField->clear();
    Q_EMIT tagsEdited(m_tags);
}

void ComposeFooter::removeTag(const QString& tag)
{
    QStringList tags = m_tags;
    tags.removeAll(tag);
    const vsp::Spring spring{0.3, 1.0};
    applyTags(tags, &spring);
    Q_EMIT tagsEdited(m_tags);
}

void ComposeFooter::rebuildChips(const vsp::Spring* spring)
{
    // Chips of tags still chosen stay; the others leave, and new ones come in after their predecessor.
    QList<TagChip*> chips = TagChip::keptFor(m_tags, m_chips);
    for (TagChip* old : std::as_const(m_chips)) {
        if (chips.contains(old)) {
            continue;
        }
        auto* slot = static_cast<TransitionSlot*>(old->parentWidget());
        connect(slot, &TransitionSlot::transitionFinished, slot, [this, slot](bool present) {
            if (!present) {
                m_chipSlots.removeOne(slot);
                // Later, not now: the chip whose cross asked for this may still be handling its click.
                slot->deleteLater();
            }
        });
        if (spring) {
            slot->setPresent(false, *spring);
        } else {
            slot->setPresent(false, false);
        }
    }
    TransitionSlot* previous = nullptr;
    for (qsizetype i = 0; i < m_tags.size(); ++i) {
        if (TagChip* chip = chips.at(i)) {
            previous = static_cast<TransitionSlot*>(chip->parentWidget());
            continue;
        }
        auto* chip = new TagChip(m_tags.at(i), nullptr);
        connect(chip, &TagChip::removeRequested, this, &ComposeFooter::removeTag);
        chip->hide();
        // Grows from (almost) nothing about its centre.
        auto* slot = new TransitionSlot(chip, Transition{0.00001, Qt::AlignCenter, false, Qt::Horizontal},
                                        spring ? *spring : vsp::Spring{0.3, 1.0}, m_tagField->parentWidget());
        m_chipLayout->insertWidget(previous ? m_chipLayout->indexOf(previous) + 1 : 0, slot);
        m_chipSlots.append(slot);
        if (spring) {
            slot->setPresent(true, *spring);
        } else {
            slot->setPresent(true, false);
        }
        chips[i] = chip;
        previous = slot;
    }
    m_chips = chips;
    // Made after the field, the chips' crosses would come at the window's end in Tab order.
    vsp::placeBefore(QList<QWidget*>(m_chips.cbegin(), m_chips.cend()), m_tagField);
}

void ComposeFooter::refreshSuggestions()
{
    // The journal's tags are its content: a locked journal suggests none.
    const QStringList next =
        m_store.isLocked() ? QStringList() : vsp::tags::suggestions(m_tagField->text(), m_store.allTags(), m_tags);
    if (next == m_suggestions && m_suggestionSlot->isPresent() == !next.isEmpty()) {
        return;
    }
    const bool animate = animates();
    m_suggestions = next;
    if (next.isEmpty()) {
        // Pictured before its chips go, so the row leaves showing what it showed.
        m_suggestionSlot->setPresent(false, animate);
    }
    for (TagSuggestionChip* chip : std::as_const(m_suggestionChips)) {
        chip->hide();
        chip->deleteLater();
    }
    m_suggestionChips.clear();
    int index = 0;
    for (const QString& tag : std::as_const(m_suggestions)) {
        auto* chip = new TagSuggestionChip(tag, m_suggestionLayout->parentWidget());
        connect(chip, &QAbstractButton::clicked, this, [this, tag] { addSuggestion(tag); });
        m_suggestionLayout->insertWidget(index++, chip);
        m_suggestionChips.append(chip);
    }
    if (!next.isEmpty()) {
        m_suggestionSlot->refreshSnapshot();
        m_suggestionSlot->setPresent(true, animate);
    }
}

void ComposeFooter::applyColors()
{
    QPalette hash = m_hash->palette();
    hash.setColor(QPalette::WindowText, Color::tertiaryStyle().resolve());
    m_hash->setPalette(hash);
    QPalette field = m_tagField->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        field.setColor(group, QPalette::Base, Qt::transparent);
        field.setColor(group, QPalette::Text, Color::secondaryStyle().resolve());
        field.setColor(group, QPalette::PlaceholderText, Color::tertiaryStyle().resolve());
    }
    m_tagField->setPalette(field);
    for (TagChip* chip : std::as_const(m_chips)) {
        chip->update();
    }
    update();
}
