#include "Views/Sidebar/SidebarView.h"

#include "Theme/AppearanceManager.h"
#include "Theme/ColumnVisibilityHolder.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Model/AppSettings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

using vsp::Color;

namespace {

enum ItemRole { KindRole = Qt::UserRole + 1, ValueRole };
enum class ItemKind { Section, Mood, Tag, Caption };

} // namespace

SidebarView::SidebarView(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns, QWidget* parent)
    : QWidget(parent), m_store(store), m_moodStore(moodStore), m_columns(columns), m_list(new QListWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 14, 10, 10);
    layout->setSpacing(8);
    auto* header = new QHBoxLayout;
    auto* name = new QLabel(this);
    name->setFont(vsp::fonts::system(15, QFont::DemiBold));
    auto refreshName = [name] { name->setText(AppSettings::instance().journalName()); };
    refreshName();
    connect(&AppSettings::instance(), &AppSettings::journalNameChanged, name, refreshName);
    header->addWidget(name, 1);
    auto* hide = new vsp::GlassButton(this);
    hide->setSymbol(QStringLiteral("sidebar.left"), 13);
    hide->setSide(26);
    hide->setToolTip(tr("Hide Sidebar"));
    connect(hide, &QAbstractButton::clicked, this,
            [this] { m_columns.setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn); });
    header->addWidget(hide);
    layout->addLayout(header);

    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setStyleSheet(QStringLiteral("QListWidget { background: transparent; }"));
    layout->addWidget(m_list, 1);
    connect(m_list, &QListWidget::itemClicked, this, &SidebarView::activate);

    auto queueRebuild = [this] {
        if (!m_rebuildQueued) {
            m_rebuildQueued = true;
            QTimer::singleShot(0, this, [this] {
                m_rebuildQueued = false;
                rebuild();
            });
        }
    };
    for (auto signal : {&JournalStore::entriesChanged, &JournalStore::selectedSectionChanged,
                        &JournalStore::selectedTagChanged, &JournalStore::moodFilterChanged}) {
        connect(&store, signal, this, queueRebuild);
    }
    connect(&moodStore, &MoodStore::moodsChanged, this, queueRebuild);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, queueRebuild);
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, queueRebuild);
    rebuild();
}

void SidebarView::rebuild()
{
    m_list->clear();
    const QColor secondary = Color::secondaryStyle().resolve();
    const QColor accent = Color::resolvedAccent().resolve();
    auto add = [this](const QString& text, ItemKind kind, const QString& value, const QIcon& icon, bool current) {
        auto* item = new QListWidgetItem(icon, text, m_list);
        item->setData(KindRole, int(kind));
        item->setData(ValueRole, value);
        if (current) {
            item->setForeground(Color::resolvedAccent().resolve());
            QFont f = vsp::fonts::system(13, QFont::DemiBold);
            item->setFont(f);
        } else {
            item->setFont(vsp::fonts::system(13));
        }
        item->setSizeHint(QSize(0, 28));
        return item;
    };
    auto caption = [this](const QString& text) {
        auto* item = new QListWidgetItem(text, m_list);
        item->setData(KindRole, int(ItemKind::Caption));
        item->setFlags(Qt::NoItemFlags);
        item->setFont(vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.2));
        item->setSizeHint(QSize(0, 30));
    };
    const bool noFilter = !m_store.selectedTag() && !m_store.moodFilter();
    const std::pair<NavSection, const char16_t*> sections[] = {{NavSection::Today, u"sun.max"},
                                                               {NavSection::Journal, u"book"},
                                                               {NavSection::Archive, u"archivebox"},
                                                               {NavSection::Favorites, u"star"}};
    for (const auto& [section, symbol] : sections) {
        const bool current = noFilter && m_store.selectedSection() == section;
        add(navSectionRawValue(section), ItemKind::Section, navSectionRawValue(section),
            vsp::symbols::icon(QStringView(symbol), current ? accent : secondary), current);
    }
    if (!m_moodStore.moods().isEmpty()) {
        caption(tr("MOODS"));
        for (const MoodItem& mood : m_moodStore.moods()) {
            const int n = m_store.count(mood.emoji);
            const bool current = m_store.moodFilter() == mood.emoji;
            add(mood.emoji + u"  " + mood.label + (n ? QStringLiteral("  %1").arg(n) : QString()), ItemKind::Mood,
                mood.emoji, QIcon(), current);
        }
    }
    const QList<TagCount> tags = m_store.allTags();
    if (!tags.isEmpty()) {
        caption(tr("TAGS"));
        for (const TagCount& tag : tags) {
            const bool current = m_store.selectedTag() == tag.name;
            add(QStringLiteral("%1  %2").arg(tag.name).arg(tag.count), ItemKind::Tag, tag.name,
                vsp::symbols::icon(u"number", current ? accent : secondary), current);
        }
    }
}

void SidebarView::activate(QListWidgetItem* item)
{
    const auto kind = ItemKind(item->data(KindRole).toInt());
    const QString value = item->data(ValueRole).toString();
    switch (kind) {
    case ItemKind::Section:
        m_store.setSelectedTag(std::nullopt);
        m_store.setMoodFilter(std::nullopt);
        m_store.setSelectedSection(navSectionFromRawValue(value).value_or(NavSection::Today));
        break;
    case ItemKind::Mood:
        m_store.setSelectedTag(std::nullopt);
        m_store.setMoodFilter(m_store.moodFilter() == value ? std::nullopt : std::optional<QString>(value));
        break;
    case ItemKind::Tag:
        m_store.setMoodFilter(std::nullopt);
        m_store.setSelectedTag(m_store.selectedTag() == value ? std::nullopt : std::optional<QString>(value));
        break;
    case ItemKind::Caption:
        break;
    }
}

void SidebarView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspSurface().resolve());
    p.fillRect(QRectF(width() - 1, 0, 1, height()), Color::vspBorder().resolve());
}
