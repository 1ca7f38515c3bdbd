#include "Views/Main/EntryListView.h"

#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Views/Main/EmptyListView.h"
#include "Views/Main/EntryListDelegate.h"
#include "Views/Main/EntryListModel.h"
#include "Views/Main/EntryListMotion.h"
#include "Views/Main/EntryListWidget.h"
#include "Views/Main/JournalBanner.h"
#include "Views/Main/ListHeader.h"
#include "Views/Main/SearchField.h"
#include "Views/Sidebar/CalendarView.h"
#include "Widgets/EntryRow.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

using vsp::Color;

namespace {
/// Height of the search field with its padding (36 + 8 below), and its side padding.
constexpr int kSearchHeight = 44;
constexpr int kSearchSide = 12;
constexpr int kSearchFieldHeight = 36;
/// The calendar and the list replacing each other, and the search field coming and going.
constexpr vsp::Spring kListSpring{0.3, 1.0};
} // namespace

EntryListView::EntryListView(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns,
                             vsp::OpenWindowAction openWindow, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_openWindow(std::move(openWindow)),
      m_pages(new QStackedWidget(this)),
      m_listPage(new QWidget(m_pages)),
      m_header(new ListHeader(store, moodStore, columns, m_listPage)),
      m_searchHolder(new QWidget(m_listPage)),
      m_searchField(new SearchField(store, m_searchHolder)),
      m_body(new QStackedWidget(m_listPage)),
      m_list(new EntryListWidget(store, m_body)),
      m_empty(new EmptyListView(store, moodStore, m_body)),
      m_searchReveal(new vsp::SpringValue(0.0, kListSpring, this)),
      m_searchOpacity(new QGraphicsOpacityEffect(m_searchField)),
      m_dayCheck(new QTimer(this)),
      m_shownDay(store.today())
{
    // Found by name in tests.
    m_header->setObjectName(QStringLiteral("listHeader"));
    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_empty->setObjectName(QStringLiteral("emptyList"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_pages);
    // Under the list and the calendar alike: the notices stay in sight whichever the column shows.
    m_banner = new JournalBanner(store, this);
    m_banner->showDamagedMoods(moodStore.damagedCopy(), moodStore.leftUnchanged());
    outer->addWidget(m_banner);
    m_pages->addWidget(m_listPage);

    auto* layout = new QVBoxLayout(m_listPage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    // The field is placed by hand in its holder: it moves down from above the holder's top edge while
    // the holder grows, rather than being squeezed by a layout.
    m_searchHolder->installEventFilter(this);
    m_searchOpacity->setEnabled(false);
    m_searchField->setGraphicsEffect(m_searchOpacity);
    m_searchHolder->setFixedHeight(0);
    m_searchHolder->hide();
    layout->addWidget(m_searchHolder);
    m_body->addWidget(m_list);
    m_body->addWidget(m_empty);
    layout->addWidget(m_body, 1);

    // The field slides down from under the header and back up, fading in and out.
    connect(m_searchReveal, &vsp::SpringValue::valueChanged, this, [this](double v) {
        m_searchHolder->setFixedHeight(int(std::lround(kSearchHeight * v)));
        placeSearchField();
        if (v <= 0.001 && !m_showSearch) {
            m_searchHolder->hide();
        }
    });

    connect(m_header, &ListHeader::searchToggled, this, [this] { setShowSearch(!m_showSearch); });
    // Down from the search field goes on to the first result, the way it leaves a platform search box.
    connect(m_searchField, &SearchField::downFromField, this, [this] {
        if (!showsEmptyState() && m_list->selectFirstEntry()) {
            m_list->setFocus(Qt::OtherFocusReason);
        }
    });
    // Escape in an empty field closes it; the keyboard goes on in the list below.
    connect(m_searchField, &SearchField::closeRequested, this, [this] {
        setShowSearch(false);
        m_list->setFocus(Qt::OtherFocusReason);
    });
    connect(&AppNotifications::instance(), &AppNotifications::VspToggleSearch, this, &EntryListView::toggleSearch);
    connect(&store, &JournalStore::navigationChanged, this, &EntryListView::followNavigation);
    connect(m_list->listModel(), &EntryListModel::refreshed, this, &EntryListView::refreshEmptyState);
    // The fade into the empty state shows a picture of its message: when the message changes meanwhile
    // (more letters typed into the search field, which leave the rows as they are) the fade ends, so the
    // message always matches the field.
    connect(&store, &JournalStore::navigationChanged, this, [this] {
        if (m_emptyTransition && m_body->currentWidget() == m_empty && m_empty->message() != m_emptyTransitionMessage) {
            m_emptyTransition->finish();
        }
    });
    for (auto signal : {&AppSettings::showEntryPreviewsChanged, &AppSettings::compactListViewChanged}) {
        connect(&AppSettings::instance(), signal, this, [this] {
            m_list->listDelegate()->reloadOptions();
            m_list->relayout();
            m_list->viewport()->update();
        });
    }

    // "Today", the date under the title and On This Day change at midnight. A computer that slept
    // through it wakes with its timers' clocks behind: the date is also looked at once a minute and
    // when the application comes back to the front.
    m_dayCheck->setSingleShot(true);
    connect(m_dayCheck, &QTimer::timeout, this, [this] {
        showDay(m_store.today());
        scheduleDayCheck();
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) {
            showDay(m_store.today());
        }
    });
    scheduleDayCheck();

    refreshEmptyState();
    m_shownPlace = {m_store.selectedSection(), m_store.selectedTag(), m_store.moodFilter()};
    refreshCalendar();
}

void EntryListView::scheduleDayCheck()
{
    const double now = m_store.now();
    const double next = vsp::startOfDay(vsp::localDate(now).addDays(1)) + 1;
    m_dayCheck->start(int(std::clamp<double>((next - now) * 1000, 1000, 60 * 1000)));
}

int EntryListView::dayCheckInterval() const
{
    return m_dayCheck->remainingTime();
}

void EntryListView::showDay(const QDate& today)
{
    if (today == m_shownDay) {
        return;
    }
    m_shownDay = today;
    m_header->refresh();
    // The rows' date marks are drawn against the day too: the refresh repaints them.
    m_list->listModel()->invalidate();
    if (m_calendar) {
        static_cast<CalendarView*>(m_calendar)->refreshDay();
    }
    Q_EMIT dayChanged();
}

qreal EntryListView::searchReveal() const
{
    return m_searchReveal->value();
}

void EntryListView::placeSearchField()
{
    const qreal v = m_searchReveal->value();
    const int top = int(std::lround(kSearchHeight * v)) - kSearchHeight;
    m_searchField->setGeometry(kSearchSide, top, std::max(0, m_searchHolder->width() - 2 * kSearchSide),
                               kSearchFieldHeight);
    // The effect draws the field through a picture: only while it fades.
    m_searchOpacity->setEnabled(v < 0.999);
    m_searchOpacity->setOpacity(std::clamp(v, 0.0, 1.0));
}

bool EntryListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_searchHolder && event->type() == QEvent::Resize) {
        placeSearchField();
    }
    return QWidget::eventFilter(watched, event);
}

bool EntryListView::showsEmptyState() const
{
    return m_body->currentWidget() == m_empty;
}

void EntryListView::refreshEmptyState()
{
    QWidget* next = m_list->listModel()->isEmpty() ? static_cast<QWidget*>(m_empty) : static_cast<QWidget*>(m_list);
    m_empty->update();
    if (next == m_body->currentWidget()) {
        return;
    }
    const bool animate = vsp::animationsEnabled() && m_body->isVisible();
    if (m_emptyTransition) {
        m_emptyTransition->finish();
    }
    if (animate && next == m_empty) {
        // The list, painted as it was (its leaving rows at full strength), fades into the message.
        m_emptyTransition =
            new vsp::TransitionOverlay(m_body, vsp::TransitionOverlay::translucentSnapshot(m_body), kListSpring,
                                       [this](QPainter& p, qreal t, const QPixmap& oldLook, const QPixmap& newLook) {
                                           p.fillRect(m_body->rect(), Color::vspBackground().resolve());
                                           // A look at (nearly) no strength is left out rather than blended in.
                                           if (t > 0.001) {
                                               p.setOpacity(t);
                                               p.drawPixmap(0, 0, newLook);
                                           }
                                           if (t < 0.999) {
                                               p.setOpacity(1 - t);
                                               p.drawPixmap(0, 0, oldLook);
                                           }
                                       });
        m_emptyTransitionMessage = m_empty->message();
        m_body->setCurrentWidget(next);
        m_emptyTransition->start([this] { return vsp::TransitionOverlay::translucentSnapshot(m_body); });
        return;
    }
    m_body->setCurrentWidget(next);
    if (animate) {
        m_list->motion()->enter();
    }
}

void EntryListView::followNavigation()
{
    // The store has ended the search if the list moved to another section, tag or mood; the field
    // closes with it.
    const ListPlace place{m_store.selectedSection(), m_store.selectedTag(), m_store.moodFilter()};
    if (place != m_shownPlace) {
        m_shownPlace = place;
        closeSearchField();
    }
    refreshCalendar();
}

void EntryListView::refreshCalendar()
{
    const bool toCalendar = m_store.showCalendar();
    const bool changes =
        toCalendar ? (!m_calendar || m_pages->currentWidget() != m_calendar) : m_pages->currentWidget() != m_listPage;
    if (!changes) {
        return;
    }
    if (vsp::animationsEnabled() && isVisible()) {
        // The calendar and the list fade into each other, painted from pictures of both.
        QPixmap from;
        if (m_pageTransition) {
            from = m_pageTransition->grab();
            m_pageTransition->finish();
        } else {
            from = m_pages->grab();
        }
        m_pageTransition = new vsp::TransitionOverlay(
            this, from, kListSpring, [this](QPainter& p, qreal t, const QPixmap& oldLook, const QPixmap& newLook) {
                p.fillRect(rect(), Color::vspBackground().resolve());
                p.setOpacity(t);
                p.drawPixmap(0, 0, newLook);
                p.setOpacity(1 - t);
                p.drawPixmap(0, 0, oldLook);
            });
        m_pageTransition->start([this] { return m_pages->grab(); });
    }
    if (toCalendar) {
        if (!m_calendar) {
            m_calendar = new CalendarView(m_store, m_openWindow, m_pages);
            m_pages->addWidget(m_calendar);
            placeCalendarInTabOrder();
        }
        m_pages->setCurrentWidget(m_calendar);
    } else {
        m_pages->setCurrentWidget(m_listPage);
        if (m_calendar) {
            // Every visit starts with a new calendar.
            m_calendar->deleteLater();
            m_pages->removeWidget(m_calendar);
            m_calendar = nullptr;
        }
    }
}

void EntryListView::placeCalendarInTabOrder()
{
    // Made after the detail, the calendar would come after it in the window's Tab order (the sidebar,
    // the detail, then the calendar): its controls take the list's place, before the detail.
    QList<QWidget*> own;
    QWidget* top = window();
    for (QWidget* w = top->nextInFocusChain(); w && w != top; w = w->nextInFocusChain()) {
        if (m_calendar->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus)) {
            own.append(w);
        }
    }
    QWidget* previous = vsp::lastFocusable(m_listPage);
    for (QWidget* w : std::as_const(own)) {
        QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

void EntryListView::setShowSearch(bool shown)
{
    if (!shown) {
        closeSearchField();
        m_store.setSearchQuery(QString());
        return;
    }
    if (m_showSearch) {
        return;
    }
    m_showSearch = true;
    m_header->setShowSearch(true);
    placeSearchField();
    m_searchHolder->show();
    m_searchField->lineEdit()->setFocus(Qt::OtherFocusReason);
    m_searchReveal->animateTo(1.0);
}

void EntryListView::closeSearchField()
{
    if (!m_showSearch) {
        return;
    }
    m_showSearch = false;
    m_header->setShowSearch(false);
    m_searchReveal->animateTo(0.0);
}

void EntryListView::toggleSearch()
{
    if (m_store.showCalendar()) {
        m_store.setShowCalendar(false);
    }
    setShowSearch(!m_showSearch);
}

void EntryListView::clearSearchAndQuery()
{
    setShowSearch(false);
}

void EntryListView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
}
