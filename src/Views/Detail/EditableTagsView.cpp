#include "Views/Detail/EditableTagsView.h"

#include "Editor/Compose/ComposeFooter.h"
#include "Editor/Compose/TagRules.h"
#include "Model/JournalStore.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"
#include "Theme/Transitions.h"
#include "Views/Detail/DetailRules.h"
#include "Views/Detail/DetailWidgets.h"
#include "Widgets/TagChip.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

using vsp::Color;

namespace {

/// Chips come, go and re-flow with this spring; the suggestion row with its own.
constexpr vsp::Spring kChipSpring{0.3, 1.0};
constexpr vsp::Spring kSuggestionSpring{0.25, 1.0};

} // namespace

// ------------------------------------------------------------------------------------------ FlowLayout

FlowLayout::FlowLayout(QWidget* parent, int spacing) : QLayout(parent), m_gap(spacing)
{
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size()) {
        return nullptr;
    }
    QLayoutItem* item = m_items.takeAt(index);
    if (QWidget* widget = item->widget()) {
        m_leaving.removeAll(widget);
        m_glideFrom.remove(widget);
    }
    m_leaving.removeAll(nullptr);
    return item;
}

void FlowLayout::setOrder(const QList<QWidget*>& widgets)
{
    // A stable sort: listed widgets in their order, the rest (leaving ones) after them as they were.
    auto rank = [&](QLayoutItem* item) {
        const qsizetype at = widgets.indexOf(item->widget());
        return at < 0 ? widgets.size() : at;
    };
    std::stable_sort(m_items.begin(), m_items.end(), [&](QLayoutItem* a, QLayoutItem* b) { return rank(a) < rank(b); });
    invalidate();
}

void FlowLayout::setWraps(bool wraps)
{
    m_wraps = wraps;
    invalidate();
}

int FlowLayout::rowWidth(int width) const
{
    return m_wraps ? width : std::numeric_limits<int>::max() / 2;
}

void FlowLayout::setLeaving(QWidget* widget)
{
    m_leaving.removeAll(nullptr);
    if (!m_leaving.contains(widget)) {
        m_leaving.append(widget);
    }
    invalidate();
}

void FlowLayout::glide(const vsp::Spring& spring)
{
    if (!vsp::animationsEnabled()) {
        return;
    }
    if (!m_glide) {
        m_glide = new vsp::SpringValue(1.0, spring, this);
        connect(m_glide, &vsp::SpringValue::valueChanged, this, [this] { setGeometry(geometry()); });
        connect(m_glide, &vsp::SpringValue::arrived, this, [this] {
            m_glideFrom.clear();
            setGeometry(geometry());
        });
    }
    // From where each item stands now, which is midway when a glide is already under way.
    m_glideFrom.clear();
    for (QLayoutItem* item : std::as_const(m_items)) {
        if (QWidget* widget = item->widget(); widget && widget->isVisible()) {
            m_glideFrom.insert(widget, widget->geometry());
        }
    }
    m_glide->setSpring(spring);
    m_glide->setValue(0.0);
    m_glide->animateTo(1.0);
}

bool FlowLayout::isGliding() const
{
    // Until the spring arrives, also while its motion is held (a picture of it midway).
    return !m_glideFrom.isEmpty();
}

QList<QLayoutItem*> FlowLayout::placedItems() const
{
    QList<QLayoutItem*> placed;
    placed.reserve(m_items.size());
    for (QLayoutItem* item : m_items) {
        QWidget* widget = item->widget();
        if (item->isEmpty() || (widget && m_leaving.contains(widget))) {
            continue;
        }
        placed.append(item);
    }
    return placed;
}

QList<QSize> FlowLayout::itemSizes() const
{
    QList<QSize> sizes;
    const QList<QLayoutItem*> placed = placedItems();
    sizes.reserve(placed.size());
    for (QLayoutItem* item : placed) {
        sizes.append(item->sizeHint());
    }
    return sizes;
}

int FlowLayout::heightForWidth(int width) const
{
    int height = 0;
    vsp::detail::flowPlacement(itemSizes(), rowWidth(width), m_gap, &height);
    return height;
}

QSize FlowLayout::sizeHint() const
{
    return {vsp::detail::kFlowDefaultWidth, heightForWidth(vsp::detail::kFlowDefaultWidth)};
}

QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const QSize& item : itemSizes()) {
        size = size.expandedTo(item);
    }
    return size;
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const QList<QLayoutItem*> placed = placedItems();
    const QList<QRect> places = vsp::detail::flowPlacement(itemSizes(), rowWidth(rect.width()), m_gap);
    const bool gliding = isGliding();
    const double t = gliding ? m_glide->value() : 1.0;
    for (qsizetype i = 0; i < placed.size(); ++i) {
        QRect target = places[i].translated(rect.topLeft());
        const auto from = gliding ? m_glideFrom.constFind(placed[i]->widget()) : m_glideFrom.constEnd();
        if (from != m_glideFrom.constEnd()) {
            const QPointF step = QPointF(target.topLeft() - from->topLeft()) * t;
            target.moveTopLeft(from->topLeft() + step.toPoint());
        }
        placed[i]->setGeometry(target);
    }
}

// ------------------------------------------------------------------------------------------ tag editor

namespace {

/// The field's capsule: untinted glass behind a "plus" and the field.
class FieldCapsule final : public QWidget {
public:
    explicit FieldCapsule(QWidget* parent) : QWidget(parent) { }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        vsp::paintGlass(p, QRectF(rect()), vsp::Glass::regular(), vsp::GlassShape::Capsule, 0);
        vsp::symbols::paint(p, u"plus", QRectF(10, height() / 2.0 - 4.5, 9, 9), Color::tertiaryStyle().resolve());
    }
};

} // namespace

EditableTagsView::EditableTagsView(JournalStore& store, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_suggestionRow(new QWidget(this)),
      m_suggestionFlow(new FlowLayout(m_suggestionRow, 5)),
      m_flowBox(new QWidget(this)),
      m_flow(new FlowLayout(m_flowBox, 6)),
      m_fieldCapsule(new FieldCapsule(m_flowBox)),
      m_field(new QLineEdit(m_fieldCapsule))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* header = new vsp::detail::ThemedLabel([] { return Color::tertiaryStyle().resolve(); }, this);
    header->setText(tr("TAGS"));
    header->setFont(vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.4));
    column->addWidget(header);
    // Found by name in tests.
    m_suggestionFlow->setObjectName(QStringLiteral("suggestionFlow"));
    m_flow->setObjectName(QStringLiteral("tagFlow"));
    // One row, as wide as its suggestions, never wrapping.
    m_suggestionFlow->setWraps(false);
    m_suggestionRow->hide();
    // The row comes down from the header's edge as it opens its room, pushing the chips down.
    m_suggestionSlot =
        new TransitionSlot(m_suggestionRow, Transition{1.0, Qt::AlignBottom | Qt::AlignHCenter, false, Qt::Vertical},
                           kSuggestionSpring, this);
    m_suggestionSlot->setObjectName(QStringLiteral("suggestionSlot"));
    column->addWidget(m_suggestionSlot);
    column->addWidget(m_flowBox);

    auto* capsule = new QHBoxLayout(m_fieldCapsule);
    capsule->setContentsMargins(10 + 9 + 4, 4, 10, 4);
    m_field->setPlaceholderText(tr("Add tag…"));
    m_field->setFont(vsp::fonts::system(11));
    m_field->setFrame(false);
    m_field->setFixedWidth(80);
    m_field->setObjectName(QStringLiteral("detailTagField"));
    // The capsule is the field as seen: the ring goes round it.
    vsp::setFocusRing(m_field, 1000, QMarginsF(2, 2, 2, 2), m_fieldCapsule);
    m_field->setStyleSheet(QStringLiteral("background: transparent;"));
    capsule->addWidget(m_field);
    m_flow->addWidget(m_fieldCapsule);

    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        refreshSuggestions(animates());
        Q_EMIT tagInputEdited(text);
    });
    connect(m_field, &QLineEdit::returnPressed, this, &EditableTagsView::commitTag);
}

QString EditableTagsView::tagInput() const
{
    return m_field->text();
}

void EditableTagsView::setState(const QStringList& tags, const QString& input)
{
    if (m_field->text() != input) {
        m_field->setText(input);
    }
    if (tags != m_tags || m_chips.size() != tags.size()) {
        m_tags = tags;
        rebuildChips(false);
    }
    refreshSuggestions(false);
}

bool EditableTagsView::animates() const
{
    return vsp::animationsEnabled() && isVisible();
}

void EditableTagsView::commitTag()
{
    QString input = m_field->text();
    const bool added = vsp::tags::commit(input, m_tags);
    m_field->setText(input);
    if (added) {
        rebuildChips(animates());
        Q_EMIT tagsEdited(m_tags);
    }
    refreshSuggestions(animates());
    Q_EMIT tagInputEdited(input);
}

void EditableTagsView::rebuildChips(bool animate)
{
    if (animate) {
        m_flow->glide(kChipSpring);
    }
    // Chips of tags still chosen stay; the others leave where they stand, new ones grow in at their place.
    QList<TagChip*> chips = TagChip::keptFor(m_tags, m_chips);
    for (TagChip* old : std::as_const(m_chips)) {
        if (chips.contains(old)) {
            continue;
        }
        auto* slot = static_cast<TransitionSlot*>(old->parentWidget());
        // Below the chips gliding over its place.
        slot->lower();
        m_flow->setLeaving(slot);
        connect(slot, &TransitionSlot::transitionFinished, slot, [slot](bool present) {
            if (!present) {
                // Later, not now: the chip whose cross asked for this may still be handling its click.
                slot->deleteLater();
            }
        });
        slot->setPresent(false, animate);
    }
    QList<TransitionSlot*> entering;
    for (qsizetype i = 0; i < m_tags.size(); ++i) {
        if (chips.at(i)) {
            continue;
        }
        auto* chip = new TagChip(m_tags.at(i), nullptr, QStringLiteral("#"));
        connect(chip, &TagChip::removeRequested, this, [this](const QString& removed) {
            m_tags.removeAll(removed);
            rebuildChips(animates());
            refreshSuggestions(animates());
            Q_EMIT tagsEdited(m_tags);
        });
        chip->hide();
        // Grows from (almost) nothing about its centre.
        auto* slot =
            new TransitionSlot(chip, Transition{0.00001, Qt::AlignCenter, false, std::nullopt}, kChipSpring, m_flowBox);
        m_flow->addWidget(slot);
        entering.append(slot);
        chips[i] = chip;
    }
    m_chips = chips;
    QList<QWidget*> order;
    for (TagChip* chip : std::as_const(m_chips)) {
        order.append(chip->parentWidget());
    }
    order.append(m_fieldCapsule);
    m_flow->setOrder(order);
    // Made after the field, the chips' crosses would come at the window's end in Tab order.
    vsp::placeBefore(QList<QWidget*>(order.cbegin(), order.cend() - 1), m_field);
    for (TransitionSlot* slot : std::as_const(entering)) {
        slot->setPresent(true, animate);
    }
    m_flowBox->updateGeometry();
}

void EditableTagsView::refreshSuggestions(bool animate)
{
    const QStringList next = vsp::tags::suggestions(m_field->text(), m_store.allTags(), m_tags);
    if (next == m_suggestions && m_suggestionChips.size() == next.size()
        && m_suggestionSlot->isPresent() == !next.isEmpty()) {
        return;
    }
    const bool countChanged = next.size() != m_suggestions.size();
    m_suggestions = next;
    if (next.isEmpty()) {
        // Pictured before its chips go, so the row leaves showing what it showed.
        m_suggestionSlot->setPresent(false, animate);
        placeSuggestionChips(false);
        return;
    }
    // On a row that stays on screen a new number of suggestions moves them; the same number of other
    // suggestions takes their places at once. A row still coming in or going is pictured afresh instead.
    const bool rowAtRest = m_suggestionSlot->isPresent() && !m_suggestionSlot->isTransitioning();
    placeSuggestionChips(animate && countChanged && rowAtRest);
    if (m_suggestionSlot->isPresent()) {
        m_suggestionSlot->refreshSnapshot();
    } else {
        m_suggestionSlot->setPresent(true, animate);
    }
}

void EditableTagsView::placeSuggestionChips(bool animate)
{
    if (animate) {
        m_suggestionFlow->glide(kSuggestionSpring);
    }
    QList<TagSuggestionChip*> chips;
    for (const QString& tag : std::as_const(m_suggestions)) {
        const auto match = std::find_if(m_suggestionChips.cbegin(), m_suggestionChips.cend(),
                                        [&](const TagSuggestionChip* chip) { return chip->text() == tag; });
        chips.append(match != m_suggestionChips.cend() ? *match : nullptr);
    }
    for (TagSuggestionChip* old : std::as_const(m_suggestionChips)) {
        if (chips.contains(old)) {
            continue;
        }
        auto* slot = static_cast<TransitionSlot*>(old->parentWidget());
        slot->lower();
        m_suggestionFlow->setLeaving(slot);
        connect(slot, &TransitionSlot::transitionFinished, slot, [slot](bool present) {
            if (!present) {
                // Later, not now: the suggestion being clicked may be this one.
                slot->deleteLater();
            }
        });
        slot->setPresent(false, animate);
    }
    QList<TransitionSlot*> entering;
    for (qsizetype i = 0; i < m_suggestions.size(); ++i) {
        if (chips.at(i)) {
            continue;
        }
        const QString tag = m_suggestions.at(i);
        auto* chip = new TagSuggestionChip(tag);
        connect(chip, &QAbstractButton::clicked, this, [this, tag] {
            if (!m_tags.contains(tag)) {
                m_tags.append(tag);
            }
            m_field->clear();
            rebuildChips(animates());
            refreshSuggestions(animates());
            Q_EMIT tagsEdited(m_tags);
            Q_EMIT tagInputEdited(QString());
        });
        chip->hide();
        auto* slot = new TransitionSlot(chip, Transition{1.0, Qt::AlignCenter, false, std::nullopt}, kSuggestionSpring,
                                        m_suggestionRow);
        m_suggestionFlow->addWidget(slot);
        entering.append(slot);
        chips[i] = chip;
    }
    m_suggestionChips = chips;
    QList<QWidget*> order;
    for (TagSuggestionChip* chip : std::as_const(m_suggestionChips)) {
        order.append(chip->parentWidget());
    }
    m_suggestionFlow->setOrder(order);
    for (TransitionSlot* slot : std::as_const(entering)) {
        slot->setPresent(true, animate);
    }
    m_suggestionRow->updateGeometry();
}
