#include "Views/Detail/EditableTagsView.h"

#include "Editor/Compose/ComposeFooter.h"
#include "Editor/Compose/TagRules.h"
#include "Model/JournalStore.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Views/Detail/DetailRules.h"
#include "Views/Detail/DetailWidgets.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

using vsp::Color;

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
    return m_items.takeAt(index);
}

QList<QSize> FlowLayout::itemSizes() const
{
    QList<QSize> sizes;
    sizes.reserve(m_items.size());
    for (QLayoutItem* item : m_items) {
        sizes.append(item->isEmpty() ? QSize(0, 0) : item->sizeHint());
    }
    return sizes;
}

int FlowLayout::heightForWidth(int width) const
{
    int height = 0;
    vsp::detail::flowPlacement(itemSizes(), width, m_gap, &height);
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
    const QList<QRect> places = vsp::detail::flowPlacement(itemSizes(), rect.width(), m_gap);
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        m_items[i]->setGeometry(places[i].translated(rect.topLeft()));
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
    auto* suggestions = new QHBoxLayout(m_suggestionRow);
    suggestions->setContentsMargins(0, 0, 0, 0);
    suggestions->setSpacing(5);
    suggestions->addStretch(1);
    m_suggestionRow->hide();
    column->addWidget(m_suggestionRow);
    column->addWidget(m_flowBox);

    auto* capsule = new QHBoxLayout(m_fieldCapsule);
    capsule->setContentsMargins(10 + 9 + 4, 4, 10, 4);
    m_field->setPlaceholderText(tr("Add tag…"));
    m_field->setFont(vsp::fonts::system(11));
    m_field->setFrame(false);
    m_field->setFixedWidth(80);
    m_field->setObjectName(QStringLiteral("detailTagField"));
    m_field->setStyleSheet(QStringLiteral("background: transparent;"));
    capsule->addWidget(m_field);
    m_flow->addWidget(m_fieldCapsule);

    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        refreshSuggestions();
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
        rebuildChips();
    }
    refreshSuggestions();
}

void EditableTagsView::commitTag()
{
    QString input = m_field->text();
    const bool added = vsp::tags::commit(input, m_tags);
    m_field->setText(input);
    if (added) {
        rebuildChips();
        Q_EMIT tagsEdited(m_tags);
    }
    refreshSuggestions();
    Q_EMIT tagInputEdited(input);
}

void EditableTagsView::rebuildChips()
{
    for (TagChip* chip : std::as_const(m_chips)) {
        m_flow->removeWidget(chip);
        chip->hide();
        chip->deleteLater();
    }
    m_chips.clear();
    m_flow->removeWidget(m_fieldCapsule);
    for (const QString& tag : std::as_const(m_tags)) {
        auto* chip = new TagChip(tag, m_flowBox, QStringLiteral("#"));
        connect(chip, &TagChip::removeRequested, this, [this](const QString& removed) {
            m_tags.removeAll(removed);
            rebuildChips();
            refreshSuggestions();
            Q_EMIT tagsEdited(m_tags);
        });
        m_flow->addWidget(chip);
        chip->show();
        m_chips.append(chip);
    }
    m_flow->addWidget(m_fieldCapsule);
    m_flowBox->updateGeometry();
}

void EditableTagsView::refreshSuggestions()
{
    const QStringList next = vsp::tags::suggestions(m_field->text(), m_store.allTags(), m_tags);
    if (next == m_suggestions && m_suggestionChips.size() == next.size()) {
        return;
    }
    m_suggestions = next;
    // The suggestion being clicked may be among them: they go once its click has been handled.
    for (TagSuggestionChip* chip : std::as_const(m_suggestionChips)) {
        chip->hide();
        chip->deleteLater();
    }
    m_suggestionChips.clear();
    auto* row = static_cast<QHBoxLayout*>(m_suggestionRow->layout());
    for (const QString& tag : std::as_const(m_suggestions)) {
        auto* chip = new TagSuggestionChip(tag, m_suggestionRow);
        connect(chip, &QAbstractButton::clicked, this, [this, tag] {
            if (!m_tags.contains(tag)) {
                m_tags.append(tag);
            }
            m_field->clear();
            rebuildChips();
            refreshSuggestions();
            Q_EMIT tagsEdited(m_tags);
            Q_EMIT tagInputEdited(QString());
        });
        row->insertWidget(row->count() - 1, chip);
        m_suggestionChips.append(chip);
    }
    m_suggestionRow->setVisible(!m_suggestions.isEmpty());
}
