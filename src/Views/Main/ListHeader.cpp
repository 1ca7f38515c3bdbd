#include "Views/Main/ListHeader.h"

#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Widgets/ColumnVisibilityHolder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPropertyAnimation>
#include <QVBoxLayout>

using vsp::Color;
using vsp::GlassButton;

namespace {

GlassButton* makeButton(QWidget* parent, const QString& symbol, qreal size, int side)
{
    auto* button = new GlassButton(parent);
    button->setSymbol(symbol, size);
    button->setSide(side);
    button->setShape(vsp::GlassShape::RoundedRect, 8);
    return button;
}

/// The room the show-sidebar button takes: its side and the gap to the title.
constexpr int kSidebarButtonSide = 26;
constexpr int kSidebarButtonRoom = kSidebarButtonSide + 10;

} // namespace

ListHeader::ListHeader(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_moodStore(moodStore),
      m_columns(columns),
      m_sidebarSlot(new QWidget(this)),
      m_showSidebar(makeButton(m_sidebarSlot, QStringLiteral("sidebar.left"), 13, kSidebarButtonSide)),
      m_sidebarPresence(new vsp::SpringValue(
          columns.visibility() == ColumnVisibilityHolder::Visibility::All ? 0.0 : 1.0, vsp::Spring{0.35, 1.0}, this)),
      m_searchEmphasis(new vsp::SpringValue(0.0, vsp::Spring{0.3, 1.0}, this)),
      m_title(new QLabel(this)),
      m_subtitle(new QLabel(this)),
      m_calendar(makeButton(this, QStringLiteral("calendar"), 12, 28)),
      m_search(makeButton(this, QStringLiteral("magnifyingglass"), 12, 28)),
      m_sort(makeButton(this, QStringLiteral("arrow.down"), 11, 28))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 12);
    // The gaps are explicit: the show-sidebar button brings its own gap, which grows with it.
    layout->setSpacing(0);
    setUpSidebarButton();
    layout->addWidget(m_sidebarSlot, 0, Qt::AlignTop);
    layout->addLayout(buildTitles(), 1);
    layout->addSpacing(10);
    QLayout* buttons = buildButtons();
    layout->addLayout(buttons);
    layout->setAlignment(buttons, Qt::AlignTop);

    connect(&store, &JournalStore::navigationChanged, this, &ListHeader::refresh);
    connect(&store, &JournalStore::sortNewestFirstChanged, this, [this] { refreshSort(true); });
    connect(&moodStore, &MoodStore::moodsChanged, this, &ListHeader::refresh);
    connect(&columns, &ColumnVisibilityHolder::visibilityChanged, this, &ListHeader::refresh);
    m_lastSortNewestFirst = store.sortNewestFirst();
    refresh();
    refreshSort(false);
}

void ListHeader::setUpSidebarButton()
{
    m_showSidebar->setObjectName(QStringLiteral("showSidebar"));
    m_showSidebar->setToolTip(tr("Show Sidebar"));
    m_showSidebar->setAccessibleName(tr("Show Sidebar"));
    m_showSidebar->move(0, 0);
    m_sidebarSlot->setFixedHeight(kSidebarButtonSide);
    connect(m_sidebarPresence, &vsp::SpringValue::valueChanged, this, [this](double v) {
        const bool shown = v > 0.001 || m_sidebarPresence->target() > 0;
        // A button hidden on the spring's last visible step is gone, not left at a trace of presence.
        m_showSidebar->setPresence(shown ? v : 0.0);
        m_sidebarSlot->setFixedWidth(shown ? int(std::lround(kSidebarButtonRoom * v)) : 0);
        m_sidebarSlot->setVisible(shown);
    });
    m_showSidebar->setPresence(m_sidebarPresence->value());
    m_sidebarSlot->setFixedWidth(int(std::lround(kSidebarButtonRoom * m_sidebarPresence->value())));
    m_sidebarSlot->setVisible(m_sidebarPresence->value() > 0);
    connect(m_showSidebar, &QAbstractButton::clicked, this,
            [this] { m_columns.setVisibility(ColumnVisibilityHolder::Visibility::All); });
}

QLayout* ListHeader::buildTitles()
{
    m_title->setObjectName(QStringLiteral("listTitle"));
    m_subtitle->setObjectName(QStringLiteral("listSubtitle"));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(4);
    m_title->setFont(vsp::fonts::tracked(vsp::fonts::system(22, QFont::DemiBold), -0.3));
    m_title->setTextFormat(Qt::PlainText);
    m_subtitle->setFont(vsp::fonts::system(11));
    m_subtitle->setTextFormat(Qt::PlainText);
    vsp::setThemeColor(m_title, QPalette::WindowText, Color::primaryStyle());
    vsp::setThemeColor(m_subtitle, QPalette::WindowText, Color::tertiaryStyle());
    titles->addWidget(m_title);
    titles->addWidget(m_subtitle);
    return titles;
}

QLayout* ListHeader::buildButtons()
{
    m_calendar->setObjectName(QStringLiteral("calendarButton"));
    m_search->setObjectName(QStringLiteral("searchButton"));
    m_sort->setObjectName(QStringLiteral("sortButton"));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    m_calendar->setToolTip(tr("Calendar view"));
    m_calendar->setAccessibleName(tr("Calendar view"));
    m_search->setToolTip(tr("Search (Ctrl+K)"));
    m_search->setAccessibleName(tr("Search"));
    buttons->addWidget(m_calendar);
    buttons->addWidget(m_search);
    buttons->addWidget(m_sort);

    // The accent look of the search button comes and goes with the field's spring.
    m_search->setSymbolColor([this] {
        return vsp::mixed(Color::secondaryStyle().resolve(), Color::resolvedAccent(1.0).resolve(),
                          m_searchEmphasis->value());
    });
    m_search->setGlass([this] {
        const qreal v = m_searchEmphasis->value();
        return v > 0.001 ? vsp::Glass::regular().tinted(Color::resolvedAccent(0.18 * v)).makeInteractive()
                         : vsp::Glass::regular().makeInteractive();
    });
    connect(m_searchEmphasis, &vsp::SpringValue::valueChanged, m_search, qOverload<>(&QWidget::update));

    connect(m_calendar, &QAbstractButton::clicked, this, [this] { m_store.showCalendarToday(); });
    connect(m_search, &QAbstractButton::clicked, this, &ListHeader::searchToggled);
    connect(m_sort, &QAbstractButton::clicked, this, [this] { m_store.toggleSortOrder(); });
    return buttons;
}

QString ListHeader::title() const
{
    if (const auto tag = m_store.selectedTag()) {
        return u'#' + *tag;
    }
    if (const auto mood = m_store.moodFilter()) {
        return *mood + u' ' + m_moodStore.label(*mood);
    }
    return navSectionRawValue(m_store.selectedSection());
}

QString ListHeader::subtitle() const
{
    if (m_store.selectedSection() != NavSection::Today || m_store.selectedTag() || m_store.moodFilter()) {
        return {};
    }
    const QLocale locale;
    return locale.toString(m_store.today(), vsp::longDateFormatWithoutYear(locale));
}

void ListHeader::setShowSearch(bool shown)
{
    m_showSearch = shown;
    m_searchEmphasis->animateTo(shown ? 1.0 : 0.0);
    m_search->update();
}

qreal ListHeader::searchEmphasis() const
{
    return m_searchEmphasis->value();
}

void ListHeader::refresh()
{
    m_title->setText(title());
    const QString sub = subtitle();
    m_subtitle->setText(sub);
    m_subtitle->setVisible(!sub.isEmpty());
    const bool sidebarHidden = m_columns.visibility() != ColumnVisibilityHolder::Visibility::All;
    if (sidebarHidden) {
        m_sidebarSlot->show();
    }
    m_sidebarPresence->animateTo(sidebarHidden ? 1.0 : 0.0);
}

void ListHeader::refreshSort(bool animated)
{
    const bool newest = m_store.sortNewestFirst();
    m_sort->setSymbol(newest ? QStringLiteral("arrow.down") : QStringLiteral("arrow.up"), 11);
    m_sort->setAccessibleName(newest ? tr("Sorted newest first") : tr("Sorted oldest first"));
    m_sort->setToolTip(newest ? tr("Newest first") : tr("Oldest first"));
    if (animated && newest != m_lastSortNewestFirst) {
        // The new arrow starts where the old one pointed and turns into place.
        m_sort->setSymbolRotation(180);
        vsp::animateProperty(m_sort, "symbolRotation", 0.0, vsp::Spring{0.3, 1.0});
    }
    m_lastSortNewestFirst = newest;
}
