#include "Views/Sidebar/SidebarView.h"

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Model/NavSection.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Theme/Transitions.h"
#include "Views/Sidebar/SidebarFooter.h"
#include "Views/Sidebar/SidebarHeader.h"
#include "Views/Sidebar/SidebarRows.h"
#include "Views/Sidebar/TagColors.h"
#include "Views/Sidebar/TrashView.h"
#include "Widgets/ColumnVisibilityHolder.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

using vsp::Color;

namespace {

struct SectionInfo {
    NavSection section;
    const char16_t* symbol;
};
constexpr SectionInfo kSections[] = {{NavSection::Today, u"sun.max.fill"},
                                     {NavSection::Journal, u"book.closed.fill"},
                                     {NavSection::Archive, u"archivebox.fill"},
                                     {NavSection::Favorites, u"star.fill"}};

/// A group: its caption, then its rows, 4 pixels apart.
QVBoxLayout* makeGroup(QWidget* group, SidebarCaption* caption)
{
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(caption);
    return layout;
}

/// A dot of a tag colour for the "Set color" menu.
QIcon dotIcon(const QColor& color)
{
    QPixmap pm(32, 32);
    pm.setDevicePixelRatio(2);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(3, 3, 10, 10));
    p.end();
    return QIcon(pm);
}

} // namespace

SidebarView::SidebarView(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns, QWidget* parent)
    : SidebarView(store, moodStore, columns, {}, parent)
{ }

SidebarView::SidebarView(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns,
                         vsp::OpenWindowAction openWindow, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_moodStore(moodStore),
      m_columns(columns),
      m_openWindow(std::move(openWindow)),
      m_settings(AppSettings::instance()),
      m_header(new SidebarHeader(store, m_settings, this)),
      m_groups(new QWidget),
      m_stats(new SidebarStats(store, m_settings, this)),
      m_footer(new SidebarFooter(store, m_settings, this)),
      m_shield(new QWidget(this)),
      m_launcher(new ComposeLauncherPanel(store, m_openWindow, this))
{
    // Found by name in tests.
    m_header->setObjectName(QStringLiteral("sidebarHeader"));
    m_stats->setObjectName(QStringLiteral("sidebarStats"));
    m_launcher->setObjectName(QStringLiteral("composeLauncher"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 1, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(buildGroups(), 1);
    layout->addWidget(m_stats);
    layout->addWidget(m_footer);

    connect(m_header->hideButton(), &QAbstractButton::clicked, this,
            [this] { m_columns.setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn); });
    connect(m_header->plusButton(), &QAbstractButton::clicked, this, [this] { setLauncherOpen(!m_launcherOpen); });
    connect(m_footer, &SidebarFooter::trashRequested, this, [this] { openTrash(); });
    connect(m_footer, &SidebarFooter::settingsRequested, this, [this] {
        if (m_openWindow) {
            m_openWindow(QStringLiteral("settings"));
        }
    });
    buildLauncher();

    connect(&store, &JournalStore::entriesChanged, this, &SidebarView::rebuildGroups);
    connect(&moodStore, &MoodStore::moodsChanged, this, &SidebarView::rebuildGroups);
    connect(&store, &JournalStore::navigationChanged, this, &SidebarView::refreshSelection);
    connect(&store, &JournalStore::tagColorsChanged, m_tagList, qOverload<>(&QWidget::update));
    rebuildGroups();
}

QWidget* SidebarView::buildGroups()
{
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab stops at the rows inside, which the area scrolls into view; the area is no stop itself.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    auto* groups = new QVBoxLayout(m_groups);
    groups->setContentsMargins(0, 4, 0, 16);
    groups->setSpacing(20);
    groups->addWidget(buildCaptureGroup());
    groups->addWidget(buildMoodsGroup());
    groups->addWidget(buildTagsGroup());
    groups->addStretch(1);
    scroll->setWidget(m_groups);
    // setWidget() turns the background on; the column paints its own surface under the rows.
    m_groups->setAutoFillBackground(false);
    scroll->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

QWidget* SidebarView::buildCaptureGroup()
{
    auto* capture = new QWidget(m_groups);
    QVBoxLayout* captureLayout = makeGroup(capture, new SidebarCaption(QStringLiteral("CAPTURE"), capture));
    for (const SectionInfo& info : kSections) {
        auto* row = new SidebarRow(SidebarRow::Kind::Section, capture);
        row->setObjectName(QStringLiteral("sectionRow"));
        row->setValue(navSectionRawValue(info.section));
        row->setTitle(navSectionRawValue(info.section));
        row->setSymbol(QString::fromUtf16(info.symbol));
        const NavSection section = info.section;
        connect(row, &SidebarRow::clicked, this, [this, section] { m_store.showSection(section); });
        captureLayout->addWidget(row);
        m_sectionRows.append(row);
    }
    return capture;
}

QWidget* SidebarView::buildMoodsGroup()
{
    m_moodsGroup = new QWidget(m_groups);
    m_moodsCaption = new SidebarCaption(QStringLiteral("MOODS"), m_moodsGroup);
    m_moodsCaption->setObjectName(QStringLiteral("moodsCaption"));
    m_moodList = new SidebarRowList(SidebarRow::Kind::Mood, m_moodsGroup);
    m_moodList->setObjectName(QStringLiteral("moodList"));
    makeGroup(m_moodsGroup, m_moodsCaption)->addWidget(m_moodList);
    connect(m_moodList, &SidebarRowList::rowClicked, &m_store, &JournalStore::toggleMoodFilter);
    return m_moodsGroup;
}

QWidget* SidebarView::buildTagsGroup()
{
    m_tagsGroup = new QWidget(m_groups);
    m_tagsCaption = new SidebarCaption(QStringLiteral("TAGS"), m_tagsGroup);
    m_tagsCaption->setObjectName(QStringLiteral("tagsCaption"));
    m_tagList = new SidebarRowList(SidebarRow::Kind::Tag, m_tagsGroup);
    m_tagList->setObjectName(QStringLiteral("tagList"));
    makeGroup(m_tagsGroup, m_tagsCaption)->addWidget(m_tagList);
    // Removing the last tag fades the whole group out with its row.
    m_tagsSlot = new TransitionSlot(m_tagsGroup, Transition{1.0, Qt::AlignCenter, false, Qt::Vertical},
                                    vsp::Spring{0.3, 1.0}, m_groups);
    // The group asks for less room once removed rows have gone; its slot lays it out again.
    connect(m_tagList, &SidebarRowList::rowsSettled, m_tagsSlot, qOverload<>(&QWidget::updateGeometry));
    connect(m_tagList, &SidebarRowList::rowClicked, &m_store, &JournalStore::showTag);
    m_tagList->setDotColor([this](const QString& tag) { return vsp::tags::colorOf(tag, m_store.tagColors()); });
    connect(m_tagList, &SidebarRowList::rowContextMenuRequested, this, [this](const QString& tag, const QPoint& at) {
        QMenu* menu = makeTagMenu(tag, m_tagList);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    });
    return m_tagsSlot;
}

void SidebarView::buildLauncher()
{
    connect(m_launcher, &ComposeLauncherPanel::closeRequested, this, [this] { setLauncherOpen(false); });
    // The transparent layer that catches every click outside the launcher while it is open.
    m_shield->hide();
    m_shield->installEventFilter(this);
    m_launcher->hide();
    m_launcherSlot = new TransitionSlot(m_launcher, Transition{0.6, Qt::AlignTop | Qt::AlignRight, false, std::nullopt},
                                        vsp::Spring{0.3, 1.0}, this);
    m_launcherSlot->setScaleOnRemoval(0.85);
    connect(m_launcher, &ComposeLauncherPanel::entranceMoved, m_launcherSlot, &TransitionSlot::refreshSnapshot);
    connect(m_launcher, &ComposeLauncherPanel::pressedOutside, this, [this] { closeLauncherBeside(); });
}

SidebarView::~SidebarView()
{
    delete m_trash;
}

void SidebarView::rebuildGroups()
{
    QList<SidebarRowList::Item> moods;
    const bool hasMoods = m_store.hasMoodEntries();
    if (hasMoods) {
        for (const MoodItem& mood : m_moodStore.moods()) {
            const int n = m_store.count(mood.emoji);
            if (n >= 1) {
                moods.append({mood.emoji, mood.label, n});
            }
        }
    }
    const QList<TagCount> allTags = m_store.allTags();
    QList<SidebarRowList::Item> tags;
    tags.reserve(allTags.size());
    for (const TagCount& tag : allTags) {
        tags.append({tag.name, tag.name, tag.count});
    }
    m_moodList->setItems(moods, m_rowsGlide);
    m_tagList->setItems(tags, m_rowsGlide);
    m_moodsGroup->setHidden(!hasMoods);
    m_tagsSlot->setPresent(!tags.isEmpty(), m_rowsGlide);
    const int today = m_store.todayCount();
    m_sectionRows[0]->setCount(today > 0 ? today : -1);
    refreshSelection();
}

void SidebarView::refreshDay()
{
    rebuildGroups();
    m_header->refreshStreak(true);
    m_stats->refresh();
}

void SidebarView::refreshSelection()
{
    const bool noFilter = !m_store.selectedTag() && !m_store.moodFilter();
    for (SidebarRow* row : std::as_const(m_sectionRows)) {
        row->setSelected(noFilter && navSectionRawValue(m_store.selectedSection()) == row->value());
    }
    m_moodList->setSelectedValue(m_store.moodFilter());
    m_tagList->setSelectedValue(m_store.selectedTag());
}

QMenu* SidebarView::makeTagMenu(const QString& tag, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QMenu* colors = menu->addMenu(tr("Set color"));
    for (const vsp::tags::PaletteColor& row : vsp::tags::palette()) {
        QAction* action = colors->addAction(dotIcon(row.color), row.name);
        action->setData(row.hex);
        const QString hex = row.hex;
        connect(action, &QAction::triggered, this, [this, hex, tag] { m_store.setTagColor(hex, tag); });
    }
    colors->addSeparator();
    colors->addAction(tr("Reset to default"), this, [this, tag] { m_store.clearTagColor(tag); });
    menu->addSeparator();
    menu->addAction(vsp::symbols::icon(u"trash", QColor(0xF8, 0x71, 0x71)), tr("Remove tag from all entries"), this,
                    [this, tag] {
                        // The row fades out and the rows below close up: the one change here that moves.
                        m_rowsGlide = true;
                        m_store.deleteTag(tag);
                        m_rowsGlide = false;
                    });
    return menu;
}

void SidebarView::setLauncherOpen(bool open)
{
    // The plus button opens with the spring of 0.3; a launcher row closes at once.
    setLauncherOpen(open, open ? std::optional<vsp::Spring>(vsp::Spring{0.3, 1.0}) : std::nullopt);
}

void SidebarView::setLauncherOpen(bool open, std::optional<vsp::Spring> spring)
{
    if (m_launcherOpen == open) {
        return;
    }
    m_launcherOpen = open;
    m_header->setLauncherOpen(open, spring);
    m_shield->setVisible(open);
    if (open) {
        m_launcher->present();
        placeLauncher();
        m_shield->raise();
        m_launcherSlot->raise();
        // Opened from the keyboard (the plus button had the focus): the keys go on into the panel.
        if (m_header->plusButton()->hasFocus()) {
            m_launcher->newEntryRow()->setFocus(Qt::TabFocusReason);
        }
    } else if (m_launcherSlot->isAncestorOf(QApplication::focusWidget())) {
        m_header->plusButton()->setFocus(Qt::BacktabFocusReason);
    }
    if (spring) {
        m_launcherSlot->setPresent(open, *spring);
    } else {
        m_launcherSlot->setPresent(open, false);
    }
}

void SidebarView::closeLauncherBeside()
{
    if (m_launcherOpen) {
        setLauncherOpen(false, vsp::Spring{0.25, 1.0});
    }
}

void SidebarView::placeLauncher()
{
    m_shield->setGeometry(rect());
    const QMargins shadow = ComposeLauncherPanel::kShadowMargins;
    const QPoint panelAt(std::max(0, width() - 12 - ComposeLauncherPanel::kWidth), 56);
    // The panel has a fixed size (its width, and the height of the rows present() chose).
    m_launcherSlot->setGeometry(QRect(panelAt - QPoint(shadow.left(), shadow.top()), m_launcher->minimumSize()));
}

TrashView* SidebarView::openTrash()
{
    if (!m_trash) {
        m_trash = new TrashView(m_store, window());
        m_trash->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_trash->open();
    return m_trash;
}

void SidebarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeLauncher();
}

bool SidebarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_shield && event->type() == QEvent::MouseButtonPress) {
        closeLauncherBeside();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SidebarView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspSurface().resolve());
    p.fillRect(QRectF(width() - 1, 0, 1, height()), Color::vspBorder().resolve());
}
