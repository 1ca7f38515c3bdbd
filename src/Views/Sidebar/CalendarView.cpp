#include "Views/Sidebar/CalendarView.h"

#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Views/Main/EntryRow.h"
#include "Views/Sidebar/CalendarGrid.h"

#include <QCache>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QVBoxLayout>

using vsp::Color;

namespace {

constexpr qreal kRowInset = 10;
constexpr int kRowGap = 6;

QFont weekdayFont()
{
    return vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 0.6);
}

vsp::GlassButton* navButton(QWidget* parent, const QString& symbol, qreal size, const QString& label)
{
    auto* b = new vsp::GlassButton(parent);
    b->setSymbol(symbol, size);
    b->setSide(28);
    b->setAccessibleName(label);
    return b;
}

void setColor(QLabel* label, const Color& color)
{
    vsp::setThemeColor(label, QPalette::WindowText, color);
}

} // namespace

// ------------------------------------------------------------------------------------------ grid

CalendarGrid::CalendarGrid(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CalendarGrid::setMonth(const QDate& inMonth, Qt::DayOfWeek firstWeekday)
{
    m_cells = vsp::calendar::gridDays(inMonth, firstWeekday);
    m_weekdays = vsp::calendar::weekdaySymbols(locale(), firstWeekday);
    m_hovered = -1;
    setFixedHeight(sizeHint().height());
    update();
}

void CalendarGrid::setCounts(const QMap<QDate, int>& counts)
{
    m_counts = counts;
    update();
}

void CalendarGrid::setToday(const QDate& today)
{
    m_today = today;
    update();
}

void CalendarGrid::setSelected(const std::optional<QDate>& day)
{
    m_selected = day;
    update();
}

qreal CalendarGrid::weekdayRowHeight() const
{
    return std::ceil(QFontMetricsF(weekdayFont()).height());
}

QSize CalendarGrid::sizeHint() const
{
    const int rows = int(m_cells.size() / 7);
    return {300, int(weekdayRowHeight()) + 8 + rows * kCellHeight + std::max(0, rows - 1) * kGap};
}

QRectF CalendarGrid::cellRectAt(int index) const
{
    const qreal colWidth = (width() - 6.0 * kGap) / 7.0;
    const int row = index / 7;
    const int col = index % 7;
    return {col * (colWidth + kGap), weekdayRowHeight() + 8 + row * (kCellHeight + kGap), colWidth, qreal(kCellHeight)};
}

QRectF CalendarGrid::cellRect(const QDate& day) const
{
    for (int i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i] == day) {
            return cellRectAt(i);
        }
    }
    return {};
}

int CalendarGrid::cellAt(const QPointF& pos) const
{
    for (int i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i] && cellRectAt(i).contains(pos)) {
            return i;
        }
    }
    return -1;
}

void CalendarGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal colWidth = (width() - 6.0 * kGap) / 7.0;
    p.setFont(weekdayFont());
    p.setPen(Color::tertiaryStyle().resolve());
    for (int c = 0; c < m_weekdays.size(); ++c) {
        p.drawText(QRectF(c * (colWidth + kGap), 0, colWidth, weekdayRowHeight()), Qt::AlignCenter,
                   m_weekdays[c].toUpper());
    }
    const QColor accent = Color::resolvedAccent().resolve();
    const QColor accentText = Color::resolvedAccentText().resolve();
    const QColor primary = Color::primaryStyle().resolve();
    // The picked day's number on the accent fill: the background colour reads on dark accents only (on a
    // light accent in the light appearance it would be near-white on yellow), so it takes whichever of
    // near-black and white contrasts with the fill.
    const QColor onAccent = vsp::textColorOn(accent);
    const QFont regular = vsp::fonts::system(13);
    const QFont bold = vsp::fonts::system(13, QFont::DemiBold);
    const qreal numberHeight = QFontMetricsF(regular).height();
    for (int i = 0; i < m_cells.size(); ++i) {
        if (!m_cells[i]) {
            continue;
        }
        const QDate day = *m_cells[i];
        const auto look = vsp::calendar::cellLook(day == m_today, m_selected == day, m_counts.value(day));
        const QRectF r = cellRectAt(i);
        QPainterPath shape;
        shape.addRoundedRect(r, 10, 10);
        if (look.accentFill) {
            p.fillPath(shape, accent);
        } else if (m_hovered == i) {
            p.fillPath(shape, Color::primaryStyle().withOpacity(0.06).resolve());
        }
        if (look.ring) {
            QColor ring = accent;
            ring.setAlphaF(0.6f);
            p.setPen(QPen(ring, 1.2));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(0.6, 0.6, -0.6, -0.6), 9.4, 9.4);
        }
        const qreal top = r.center().y() - (numberHeight + 3 + 5) / 2;
        p.setFont(look.boldNumber ? bold : regular);
        p.setPen(look.accentFill ? onAccent : look.accentNumber ? accentText : primary);
        p.drawText(QRectF(r.left(), top, r.width(), numberHeight), Qt::AlignCenter, QString::number(day.day()));
        if (look.dot) {
            p.setPen(Qt::NoPen);
            p.setBrush(accent);
            p.drawEllipse(QRectF(r.center().x() - 2.5, top + numberHeight + 3, 5, 5));
        }
    }
}

void CalendarGrid::mouseMoveEvent(QMouseEvent* event)
{
    const int at = cellAt(event->position());
    if (at != m_hovered) {
        m_hovered = at;
        setCursor(at >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
}

void CalendarGrid::leaveEvent(QEvent*)
{
    m_hovered = -1;
    update();
}

void CalendarGrid::mouseReleaseEvent(QMouseEvent* event)
{
    const int at = event->button() == Qt::LeftButton ? cellAt(event->position()) : -1;
    if (at >= 0) {
        Q_EMIT dayClicked(*m_cells[at]);
    }
}

// ------------------------------------------------------------------------------------------ day list

void CalendarDayModel::setEntries(const QList<JournalEntry>& entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

int CalendarDayModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant CalendarDayModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return m_entries[index.row()].title;
    }
    return {};
}

CalendarDayDelegate::CalendarDayDelegate(JournalStore& store, QObject* parent)
    : QStyledItemDelegate(parent),
      m_store(store)
{ }

QSize CalendarDayDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = static_cast<const CalendarDayModel*>(index.model());
    const qreal width = option.rect.width() - 2 * kRowInset;
    return {option.rect.width(),
            int(std::ceil(EntryRow::height(model->entryAt(index.row()), width, EntryRow::currentOptions()))) + kRowGap};
}

namespace {

/// Pictures of day-list row contents, kept across visits of the calendar (each visit builds a new view):
/// what a row shows depends only on the entry, the size, the day, the settings and the theme.
QCache<QString, QPixmap>& dayRowCache()
{
    static QCache<QString, QPixmap> cache(4 * 1024);
    return cache;
}

QPixmap dayRowContent(const JournalEntry& entry, const QRectF& rect, const EntryRow::Options& options, qreal dpr)
{
    const QSize size = rect.size().toSize();
    const size_t contentHash =
        qHashMulti(0, entry.title, QStringView(entry.body).left(1000), entry.tags, entry.mood.value_or(QString()),
                   entry.date, entry.expirationDate.value_or(-1.0));
    const QString key = entry.id.toString(QUuid::WithoutBraces) + u'|' + QString::number(contentHash) + u'|'
                        + QString::number(size.width()) + u'x' + QString::number(size.height()) + u'|'
                        + QString::number(dpr) + u'|' + QString::number(QDate::currentDate().toJulianDay()) + u'|'
                        + QString::number((options.showEntryPreviews ? 1 : 0) | (options.compactListView ? 2 : 0)
                                          | (AppearanceManager::instance().isDark() ? 4 : 0))
                        + u'|' + Color::resolvedAccent().resolve().name();
    if (const QPixmap* cached = dayRowCache().object(key)) {
        return *cached;
    }
    QImage image((QSizeF(size) * dpr).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        EntryRow::paintContent(p, QRectF(QPointF(0, 0), QSizeF(size)), entry, options, false, vsp::now());
    }
    auto* pixmap = new QPixmap(QPixmap::fromImage(std::move(image)));
    const QPixmap result = *pixmap;
    dayRowCache().insert(key, pixmap, std::max(1, int(qint64(size.width()) * size.height() * 4 * dpr * dpr / 1024)));
    return result;
}

} // namespace

void CalendarDayDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = static_cast<const CalendarDayModel*>(index.model());
    const JournalEntry& entry = model->entryAt(index.row());
    EntryRow::PaintState state;
    state.pinned = false;
    state.selection = m_store.selectedEntryID() == entry.id ? 1.0 : 0.0;
    state.hover = m_hovered == index.row() ? 1.0 : 0.0;
    state.now = vsp::now();
    const QRectF rect = QRectF(option.rect).adjusted(kRowInset, 0, -kRowInset, -kRowGap);
    const EntryRow::Options options = EntryRow::currentOptions();
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    // The list's own row: its glass, its content (kept as a picture) and its selection dot.
    painter->save();
    EntryRow::paintBackground(*painter, rect, state);
    painter->drawPixmap(rect.topLeft(), dayRowContent(entry, rect, options, dpr));
    EntryRow::paintSelectionDot(*painter, rect, options, state.selection);
    painter->restore();
}

// ------------------------------------------------------------------------------------------ view

CalendarView::CalendarView(JournalStore& store, vsp::OpenWindowAction openWindow, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_openWindow(std::move(openWindow)),
      m_back(navButton(this, QStringLiteral("list.bullet"), 12, tr("Back to list"))),
      m_title(new QLabel(this)),
      m_today(new GlassChipButton(this)),
      m_previous(navButton(this, QStringLiteral("chevron.left"), 11, tr("Previous month"))),
      m_next(navButton(this, QStringLiteral("chevron.right"), 11, tr("Next month"))),
      m_grid(new CalendarGrid(this)),
      m_dayTitle(new QLabel(this)),
      m_dayCount(new QLabel(this)),
      m_dayPages(new QStackedWidget(this)),
      m_dayList(new QListView(m_dayPages)),
      m_dayModel(new CalendarDayModel(this)),
      m_dayDelegate(new CalendarDayDelegate(store, this)),
      m_emptyDay(new QWidget(m_dayPages)),
      m_emptyText(new QLabel(tr("Nothing written this day"), m_emptyDay)),
      m_writeToday(new GlassChipButton(m_emptyDay))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(18, 18, 18, 14);
    header->setSpacing(10);
    m_back->setToolTip(tr("Back to list"));
    header->addWidget(m_back);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(vsp::fonts::tracked(vsp::fonts::system(18, QFont::DemiBold), -0.3));
    // Long month names in narrow columns are cut rather than widening the column.
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_title->setMinimumWidth(40);
    m_title->installEventFilter(this);
    header->addWidget(m_title, 1);
    m_today->setText(tr("Today"));
    m_today->setTextFont(vsp::fonts::system(11, QFont::Medium));
    m_today->setMetrics(12, 26);
    m_today->setShape(vsp::GlassShape::Capsule, 0);
    m_today->setForeground([](bool) { return Color::secondaryStyle().resolve(); });
    header->addWidget(m_today);
    auto* arrows = new QHBoxLayout;
    arrows->setSpacing(4);
    arrows->addWidget(m_previous);
    arrows->addWidget(m_next);
    header->addLayout(arrows);
    layout->addLayout(header);

    auto* gridBox = new QVBoxLayout;
    gridBox->setContentsMargins(16, 0, 16, 10);
    gridBox->addWidget(m_grid);
    layout->addLayout(gridBox);
    // The divider is painted between the grid and the day list.
    layout->addSpacing(1);

    auto* dayHeader = new QHBoxLayout;
    dayHeader->setContentsMargins(18, 14, 18, 6);
    m_dayTitle->setTextFormat(Qt::PlainText);
    m_dayTitle->setFont(vsp::fonts::system(12, QFont::DemiBold));
    m_dayTitle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    dayHeader->addWidget(m_dayTitle, 1);
    m_dayCount->setFont(vsp::fonts::monospaced(11));
    dayHeader->addWidget(m_dayCount);
    layout->addLayout(dayHeader);

    m_dayList->setModel(m_dayModel);
    m_dayList->setItemDelegate(m_dayDelegate);
    m_dayList->setFrameShape(QFrame::NoFrame);
    m_dayList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_dayList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_dayList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_dayList->setSelectionMode(QAbstractItemView::NoSelection);
    m_dayList->setFocusPolicy(Qt::NoFocus);
    m_dayList->setMouseTracking(true);
    m_dayList->viewport()->setAutoFillBackground(false);
    m_dayList->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    m_dayList->viewport()->installEventFilter(this);

    auto* empty = new QVBoxLayout(m_emptyDay);
    empty->setContentsMargins(0, 0, 0, 30);
    empty->setSpacing(12);
    empty->addStretch(1);
    auto* emptyIcon = new QWidget(m_emptyDay);
    emptyIcon->setObjectName(QStringLiteral("emptyDayIcon"));
    emptyIcon->setFixedSize(56, 56);
    emptyIcon->installEventFilter(this);
    empty->addWidget(emptyIcon, 0, Qt::AlignHCenter);
    m_emptyText->setFont(vsp::fonts::system(12));
    m_emptyText->setAlignment(Qt::AlignCenter);
    empty->addWidget(m_emptyText);
    m_writeToday->setText(tr("Write today's entry"));
    m_writeToday->setSymbol(QStringLiteral("square.and.pencil"), 10);
    m_writeToday->setTextFont(vsp::fonts::system(11, QFont::Medium));
    m_writeToday->setMetrics(14, 30);
    m_writeToday->setShape(vsp::GlassShape::Capsule, 0);
    m_writeToday->setForeground([](bool) { return Color::resolvedAccentText().resolve(); });
    m_writeToday->setGlass([] { return vsp::Glass::regular().tinted(Color::resolvedAccent(0.16)).makeInteractive(); });
    empty->addWidget(m_writeToday, 0, Qt::AlignHCenter);
    empty->addStretch(1);
    auto* listPage = new QWidget(m_dayPages);
    auto* listLayout = new QVBoxLayout(listPage);
    listLayout->setContentsMargins(0, 6, 0, 6);
    listLayout->addWidget(m_dayList);
    m_dayPages->addWidget(listPage);
    m_dayPages->addWidget(m_emptyDay);
    layout->addWidget(m_dayPages, 1);

    connect(m_back, &QAbstractButton::clicked, this, [this] { m_store.setShowCalendar(false); });
    connect(m_today, &QAbstractButton::clicked, this, &CalendarView::jumpToToday);
    connect(m_previous, &QAbstractButton::clicked, this, [this] { changeMonth(-1); });
    connect(m_next, &QAbstractButton::clicked, this, [this] { changeMonth(1); });
    connect(m_grid, &CalendarGrid::dayClicked, this,
            [this](const QDate& day) { m_store.setSelectedDate(vsp::startOfDay(day)); });
    connect(m_writeToday, &QAbstractButton::clicked, this, [this] {
        m_store.setRestoreDraftOnCompose(false);
        if (m_openWindow) {
            m_openWindow(vsp::composeWindowID());
        }
    });
    for (auto signal :
         {&JournalStore::calendarMonthChanged, &JournalStore::selectedDateChanged, &JournalStore::entriesChanged}) {
        connect(&store, signal, this, &CalendarView::refresh);
    }
    connect(&store, &JournalStore::selectedEntryIDChanged, m_dayList->viewport(), qOverload<>(&QWidget::update));
    refreshColors();
    refresh();
}

bool CalendarView::showsEmptyDay() const
{
    return m_dayPages->currentWidget() == m_emptyDay;
}

void CalendarView::changeMonth(int months)
{
    const QDateTime moved = vsp::toDateTime(m_store.calendarMonth()).addMonths(months);
    if (moved.isValid()) {
        m_store.setCalendarMonth(vsp::fromDateTime(moved));
    }
}

void CalendarView::jumpToToday()
{
    m_store.setCalendarMonth(vsp::now());
    m_store.setSelectedDate(vsp::startOfDay(QDate::currentDate()));
}

void CalendarView::refresh()
{
    const QDate month = vsp::localDate(m_store.calendarMonth());
    const QDate today = QDate::currentDate();
    m_monthTitle = vsp::calendar::monthTitle(month, locale());
    refreshTitle();
    m_grid->setMonth(month, locale().firstDayOfWeek());
    m_grid->setCounts(m_store.entryDayCounts(m_store.calendarMonth()));
    m_grid->setToday(today);
    const std::optional<double> picked = m_store.selectedDate();
    m_grid->setSelected(picked ? std::optional<QDate>(vsp::localDate(*picked)) : std::nullopt);

    const QDate day = picked ? vsp::localDate(*picked) : today;
    const QList<JournalEntry> entries = m_store.entriesOn(vsp::startOfDay(day));
    m_dayTitle->setText(vsp::calendar::dayTitle(day, locale()));
    m_dayCount->setText(entries.isEmpty() ? QString() : QString::number(entries.size()));
    m_dayModel->setEntries(entries);
    m_dayPages->setCurrentIndex(entries.isEmpty() ? 1 : 0);
    m_writeToday->setVisible(entries.isEmpty() && day == today);
}

void CalendarView::refreshColors()
{
    setColor(m_title, Color::primaryStyle());
    setColor(m_dayTitle, Color::secondaryStyle());
    setColor(m_dayCount, Color::tertiaryStyle());
    setColor(m_emptyText, Color::secondaryStyle());
}

void CalendarView::refreshTitle()
{
    // A long month name in a narrow column ends in an ellipsis rather than being cut.
    m_title->setText(QFontMetricsF(m_title->font()).elidedText(m_monthTitle, Qt::ElideRight, m_title->width()));
    m_title->setToolTip(m_title->text() == m_monthTitle ? QString() : m_monthTitle);
}

bool CalendarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_title && event->type() == QEvent::Resize) {
        refreshTitle();
    }
    if (watched->objectName() == QLatin1String("emptyDayIcon") && event->type() == QEvent::Paint) {
        auto* w = static_cast<QWidget*>(watched);
        QPainter p(w);
        p.setRenderHint(QPainter::Antialiasing);
        vsp::paintGlass(p, QRectF(w->rect()), vsp::Glass::regular(), vsp::GlassShape::Circle, 0);
        vsp::symbols::paint(p, u"calendar.day.timeline.left", QRectF(w->rect()).adjusted(15, 15, -15, -15),
                            Color::tertiaryStyle().resolve());
        return true;
    }
    if (watched == m_dayList->viewport()) {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Leave) {
            const QModelIndex at = event->type() == QEvent::Leave
                                       ? QModelIndex()
                                       : m_dayList->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            m_dayDelegate->setHoveredRow(at.isValid() ? at.row() : -1);
            m_dayList->viewport()->update();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QModelIndex at = m_dayList->indexAt(me->position().toPoint());
            if (me->button() == Qt::LeftButton && at.isValid()) {
                m_store.setSelectedEntryID(m_dayModel->entryAt(at.row()).id);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CalendarView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
    const int y = m_grid->geometry().bottom() + 11;
    p.fillRect(QRectF(16, y, width() - 32, 1), Color::vspBorder().resolve());
}
