#include "Views/Detail/DetailToolbar.h"

#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Widgets/EntryActions.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <cmath>

using vsp::Color;

namespace {

/// The type chip: a dot and the type's stored value in capitals, in the type's colour, on glass tinted
/// with it at 10 %. It takes no clicks.
class TypeChip final : public QWidget {
public:
    explicit TypeChip(QWidget* parent) : QWidget(parent)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void setType(JournalEntry::EntryType type)
    {
        m_type = type;
        setAccessibleName(text());
        updateGeometry();
        update();
    }
    QString text() const { return entryTypeRawValue(m_type).toUpper(); }
    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(font());
        return {int(std::ceil(12 + 6 + 5 + metrics.horizontalAdvance(text()) + 12)),
                int(std::ceil(metrics.height() + 10))};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor color = DetailToolbar::typeColor(m_type);
        QColor tint = color;
        tint.setAlphaF(0.1f);
        vsp::paintGlass(p, QRectF(rect()), vsp::Glass::regular().tinted(Color(tint)), vsp::GlassShape::Capsule, 0);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QRectF(12, height() / 2.0 - 3, 6, 6));
        p.setPen(color);
        p.setFont(font());
        p.drawText(QRectF(12 + 6 + 5, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }

private:
    JournalEntry::EntryType m_type = JournalEntry::EntryType::Journal;
};

/// Edit/Done and the favourite change their look with this spring.
constexpr vsp::Spring kToolbarSpring{0.25, 1.0};
/// The focus button switches focus mode with this spring.
constexpr vsp::Spring kFocusSpring{0.4, 1.0};

vsp::GlassButton* makeIconButton(QWidget* parent, const QString& symbol, qreal size)
{
    auto* button = new vsp::GlassButton(parent);
    button->setSymbol(symbol, size);
    button->setShape(vsp::GlassShape::RoundedRect, 8);
    button->setSide(28);
    return button;
}

} // namespace

DetailToolbar::DetailToolbar(JournalStore& store, MoodStore& moodStore, std::function<void()> onEdit,
                             std::function<void()> onEditDone, std::function<void()> onDelete, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_moodStore(moodStore),
      m_onEdit(std::move(onEdit)),
      m_onEditDone(std::move(onEditDone)),
      m_onDelete(std::move(onDelete)),
      m_typeChip(new TypeChip(this)),
      m_edit(new GlassChipButton(this)),
      m_focus(makeIconButton(this, QStringLiteral("arrow.up.left.and.arrow.down.right"), 11)),
      m_favorite(makeIconButton(this, QStringLiteral("star"), 12)),
      m_more(makeIconButton(this, QStringLiteral("ellipsis"), 12)),
      m_favoriteLevel(new vsp::SpringValue(0.0, kToolbarSpring, this))
{
    setObjectName(QStringLiteral("detailToolbar"));
    m_edit->setObjectName(QStringLiteral("editButton"));
    m_focus->setObjectName(QStringLiteral("focusButton"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(24, 14, 24, 14);
    row->setSpacing(8);
    m_typeChip->setFont(vsp::fonts::tracked(vsp::fonts::system(10, QFont::DemiBold), 1));
    row->addWidget(m_typeChip);
    row->addStretch(1);
    auto* group = new QHBoxLayout;
    group->setSpacing(6);
    m_edit->setTextFont(vsp::fonts::system(11, QFont::Medium));
    m_edit->setMetrics(16, 28);
    m_edit->setShape(vsp::GlassShape::Capsule, 0);
    m_edit->setForeground([this](bool) { return m_editing ? doneTextColor() : Color::secondaryStyle().resolve(); });
    m_edit->setGlass([this] {
        return m_editing ? vsp::Glass::regular().tinted(Color::resolvedAccent(0.18)).makeInteractive()
                         : vsp::Glass::regular().makeInteractive();
    });
    m_focus->setToolTip(tr("Enter focus mode"));
    m_focus->setAccessibleName(tr("Enter focus mode"));
    // Colour and tint glide between the two looks with the favourite level; the star itself changes
    // at once.
    m_favorite->setSymbolColor([this] {
        return vsp::mixed(Color::secondaryStyle().resolve(), Color::resolvedAccent(1.0).resolve(),
                          m_favoriteLevel->value());
    });
    m_favorite->setGlass([this] {
        const qreal level = std::clamp(m_favoriteLevel->value(), 0.0, 1.0);
        return level <= 0 ? vsp::Glass::regular().makeInteractive()
                          : vsp::Glass::regular().tinted(Color::resolvedAccent(0.18 * level)).makeInteractive();
    });
    connect(m_favoriteLevel, &vsp::SpringValue::valueChanged, m_favorite, qOverload<>(&QWidget::update));
    m_more->setAccessibleName(tr("More actions"));
    for (QWidget* w : {static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_focus), static_cast<QWidget*>(m_favorite),
                       static_cast<QWidget*>(m_more)}) {
        group->addWidget(w);
    }
    row->addLayout(group);

    connect(m_edit, &QAbstractButton::clicked, this, [this] {
        if (m_editing) {
            m_onEditDone();
        } else {
            m_onEdit();
        }
    });
    connect(m_focus, &QAbstractButton::clicked, this, [this] {
        Q_EMIT focusModeToggling(kFocusSpring);
        m_store.setFocusMode(!m_store.focusMode());
    });
    connect(m_favorite, &QAbstractButton::clicked, this,
            [this] { EntryActions::of(m_store).run(EntryActions::Command::ToggleFavorite, m_entry.id); });
    connect(m_more, &QAbstractButton::clicked, this, [this] {
        QMenu* menu = buildMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_more->mapToGlobal(QPoint(0, m_more->height() + 4)));
    });
    auto& appearance = AppearanceManager::instance();
    connect(&appearance, &AppearanceManager::accentChanged, this, [this] { m_typeChip->update(); });
    refresh();
}

QColor DetailToolbar::doneTextColor()
{
    // Done is read on the accent tint of its glass, over the window or a surface.
    const QColor tint = Color::resolvedAccent(0.18).resolve();
    return vsp::withContrast(
        Color::resolvedAccentText().resolve(),
        {vsp::composite(tint, Color::vspBackground().resolve()), vsp::composite(tint, Color::vspSurface().resolve())});
}

QColor DetailToolbar::typeColor(JournalEntry::EntryType type)
{
    switch (type) {
    case JournalEntry::EntryType::Note: return vsp::rgb(0x63B3ED);
    case JournalEntry::EntryType::Link: return vsp::rgb(0x9A75EA);
    case JournalEntry::EntryType::Idea: return vsp::rgb(0x48C78E);
    case JournalEntry::EntryType::Journal: break;
    }
    return Color::resolvedAccent(1.0).resolve();
}

void DetailToolbar::setEntry(const JournalEntry& entry, bool isEditing, bool animate)
{
    // Only the shown entry changing its state moves; another entry is simply shown as it is.
    const bool sameEntry = entry.id == m_entry.id;
    if (animate && sameEntry && isEditing != m_editing) {
        m_edit->beginLookChange(kToolbarSpring);
    }
    const double favorite = entry.isFavorite ? 1.0 : 0.0;
    if (sameEntry && entry.isFavorite != m_entry.isFavorite && isVisible()) {
        m_favoriteLevel->animateTo(favorite);
    } else if (!m_favoriteLevel->isMoving() || !sameEntry) {
        m_favoriteLevel->setValue(favorite);
    }
    m_entry = entry;
    m_editing = isEditing;
    refresh();
}

void DetailToolbar::focusEditButton()
{
    m_edit->setFocus(Qt::OtherFocusReason);
}

void DetailToolbar::refresh()
{
    static_cast<TypeChip*>(m_typeChip)->setType(m_entry.type);
    m_edit->setText(m_editing ? tr("Done") : tr("Edit"));
    m_edit->updateGeometry();
    m_edit->update();
    m_favorite->setSymbol(m_entry.isFavorite ? QStringLiteral("star.fill") : QStringLiteral("star"), 12);
    const QString favoriteHelp = m_entry.isFavorite ? tr("Remove from favorites") : tr("Add to favorites");
    m_favorite->setToolTip(favoriteHelp);
    m_favorite->setAccessibleName(favoriteHelp);
    m_favorite->update();
}

QMenu* DetailToolbar::buildMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("detailMoreMenu"));
    const QColor iconColor = Color::primaryStyle().resolve();
    const JournalEntry& entry = m_entry;
    const QUuid id = entry.id;
    EntryActions& actions = EntryActions::of(m_store);
    using Command = EntryActions::Command;
    // The mood goes onto the entry as stored when it is chosen, not onto the copy the menu was built from.
    const auto setMood = [this, id](std::optional<QString> emoji) {
        if (const JournalEntry* stored = m_store.entry(id)) {
            JournalEntry changed = *stored;
            changed.mood = std::move(emoji);
            m_store.updateEntry(changed);
        }
    };
    QMenu* moods = menu->addMenu(tr("Set Mood"));
    for (const MoodItem& mood : m_moodStore.moods()) {
        QAction* action = moods->addAction(mood.emoji + QStringLiteral("  ") + mood.label);
        actions.guard(action);
        connect(action, &QAction::triggered, this, [setMood, emoji = mood.emoji] { setMood(emoji); });
    }
    moods->addSeparator();
    QAction* clear = moods->addAction(tr("Clear Mood"));
    actions.guard(clear, [hasMood = entry.mood.has_value()] { return hasMood; });
    connect(clear, &QAction::triggered, this, [setMood] { setMood(std::nullopt); });
    menu->addSeparator();
    actions.bind(menu->addAction(vsp::symbols::icon(u"doc.on.clipboard", iconColor), tr("Copy as Plain Text")),
                 Command::CopyPlainText, id);
    actions.bind(menu->addAction(vsp::symbols::icon(u"doc.text", iconColor), tr("Copy as Markdown")),
                 Command::CopyMarkdown, id);
    menu->addSeparator();
    actions.bind(menu->addAction(vsp::symbols::icon(u"doc.on.doc", iconColor), tr("Duplicate Entry")),
                 Command::Duplicate, id);
    menu->addSeparator();
    QAction* archive =
        menu->addAction(vsp::symbols::icon(entry.isArchived ? u"tray.and.arrow.up" : u"archivebox", iconColor),
                        entry.isArchived ? tr("Unarchive") : tr("Archive"));
    actions.bind(archive, Command::ToggleArchive, id);
    QAction* remove = menu->addAction(vsp::symbols::icon(u"trash", QColor(0xFF, 0x45, 0x3A)), tr("Delete Entry"));
    remove->setObjectName(QStringLiteral("destructive"));
    remove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Backspace));
    // Deleting asks first, through the detail.
    actions.guard(remove);
    connect(remove, &QAction::triggered, this, [this] { m_onDelete(); });
    return menu;
}
