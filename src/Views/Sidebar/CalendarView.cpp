#include "Views/Sidebar/CalendarView.h"

#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"
#include "Theme/TransitionOverlay.h"
#include "Theme/Transitions.h"
#include "Views/Sidebar/CalendarGrid.h"
#include "Widgets/EntryRow.h"

#include <QCache>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QVBoxLayout>

using vsp::Color;

namespace {

constexpr qreal kRowInset = 10;
/// Month changes and the day list's changes.
constexpr vsp::Spring kMonthSpring{0.3, 1.0};
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

CalendarGrid::CalendarGrid(QWidget* parent)
    : QWidget(parent),
      m_monthChange(new vsp::SpringValue(1, kMonthSpring, this)),
      m_hover(new vsp::SpringValue(0, vsp::Spring{0.18, 1.0}, this)),
      m_selection(new vsp::SpringValue(1, vsp::Spring{0.25, 1.0}, this))
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    connect(m_monthChange, &vsp::SpringValue::valueChanged, this, [this](double t) {
        if (!m_leaving.isNull()) {
            // The rows below follow the grid's edge as it glides to the new month's height.
            setFixedHeight(int(std::lround(m_leavingHeight + (restingHeight() - m_leavingHeight) * t)));
        }
        update();
    });
    connect(m_monthChange, &vsp::SpringValue::arrived, this, &CalendarGrid::finishMonthChange);
    connect(m_hover, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_selection, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
}

void CalendarGrid::setMonth(const QDate& inMonth, Qt::DayOfWeek firstWeekday, bool animate)
{
    const bool sameMonth = m_month.isValid() && inMonth.isValid() && m_month.year() == inMonth.year()
                           && m_month.month() == inMonth.month() && m_firstWeekday == firstWeekday;
    if (sameMonth) {
        return;
    }
    const bool glide = animate && vsp::animationsEnabled() && isVisible() && !m_cells.isEmpty();
    QPixmap leaving;
    if (glide) {
        // The picture holds whatever is on screen now, a month still fading out included.
        const qreal dpr = devicePixelRatioF();
        QImage image((QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintMonth(p);
        p.end();
        leaving = QPixmap::fromImage(std::move(image));
    }
    m_month = inMonth;
    // The keyboard's day keeps its number in the new month (the 31st becomes the month's last day).
    if (m_keyDay.isValid()) {
        const QDate first(m_month.year(), m_month.month(), 1);
        const int day = std::min(m_keyDay.day(), first.daysInMonth());
        m_keyDay = QDate();
        setKeyDay(first.addDays(day - 1));
    }
    m_firstWeekday = firstWeekday;
    m_cells = vsp::calendar::gridDays(inMonth, firstWeekday);
    m_weekdays = vsp::calendar::weekdaySymbols(locale(), firstWeekday);
    m_hovered = -1;
    m_previousHovered = -1;
    m_hover->setValue(0);
    if (glide) {
        m_leavingHeight = height();
        m_leaving = leaving;
        m_monthChange->setValue(0);
        m_monthChange->animateTo(1);
    } else {
        finishMonthChange();
    }
    update();
}

void CalendarGrid::finishMonthChange()
{
    m_leaving = QPixmap();
    m_monthChange->setValue(1);
    setFixedHeight(restingHeight());
    update();
}

void CalendarGrid::setCounts(const QMap<QDate, int>& counts)
{
    if (counts != m_counts) {
        m_counts = counts;
        update();
    }
}

void CalendarGrid::setToday(const QDate& today)
{
    if (today != m_today) {
        m_today = today;
        update();
    }
}

void CalendarGrid::setSelected(const std::optional<QDate>& day, bool animate, vsp::Spring spring)
{
    if (day == m_selected) {
        return;
    }
    m_previousSelected = m_selected;
    m_selected = day;
    if (animate && isVisible()) {
        m_selection->setSpring(spring);
        m_selection->setValue(0);
        m_selection->animateTo(1);
    } else {
        m_selection->setValue(1);
    }
    update();
}

void CalendarGrid::setHovered(int index)
{
    if (index == m_hovered) {
        return;
    }
    // The cell left fades out while the one entered fades in; a third cell left mid-way goes at once.
    m_previousHovered = m_hovered;
    m_hovered = index;
    m_hover->setValue(0);
    m_hover->animateTo(1);
    setCursor(index >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

qreal CalendarGrid::weekdayRowHeight() const
{
    return std::ceil(QFontMetricsF(weekdayFont()).height());
}

int CalendarGrid::restingHeight() const
{
    const int rows = int(m_cells.size() / 7);
    return int(weekdayRowHeight()) + 8 + rows * kCellHeight + std::max(0, rows - 1) * kGap;
}

QSize CalendarGrid::sizeHint() const
{
    return {300, restingHeight()};
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
    // The weekday row stays put: only the month's cells come and go.
    const qreal colWidth = (width() - 6.0 * kGap) / 7.0;
    p.setFont(weekdayFont());
    p.setPen(Color::tertiaryStyle().resolve());
    for (int c = 0; c < m_weekdays.size(); ++c) {
        p.drawText(QRectF(c * (colWidth + kGap), 0, colWidth, weekdayRowHeight()), Qt::AlignCenter,
                   m_weekdays[c].toUpper());
    }
    paintMonth(p);
    if (hasFocus() && m_keyboardFocus && m_leaving.isNull()) {
        const QRectF cell = cellRect(m_keyDay);
        if (!cell.isNull()) {
            vsp::paintFocusRing(p, cell.adjusted(-2, -2, 2, 2), 12);
        }
    }
}

void CalendarGrid::setKeyDay(const QDate& day)
{
    if (!day.isValid() || day.year() != m_month.year() || day.month() != m_month.month()) {
        return;
    }
    m_keyDay = day;
    setAccessibleName(QLocale().toString(day, QLocale::LongFormat));
    update();
}

void CalendarGrid::keyPressEvent(QKeyEvent* event)
{
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !m_keyDay.isValid()) {
        QWidget::keyPressEvent(event);
        return;
    }
    m_keyboardFocus = true;
    const QDate first(m_month.year(), m_month.month(), 1);
    switch (event->key()) {
    case Qt::Key_Left: setKeyDay(m_keyDay.addDays(layoutDirection() == Qt::RightToLeft ? 1 : -1)); break;
    case Qt::Key_Right: setKeyDay(m_keyDay.addDays(layoutDirection() == Qt::RightToLeft ? -1 : 1)); break;
    case Qt::Key_Up: setKeyDay(m_keyDay.addDays(-7)); break;
    case Qt::Key_Down: setKeyDay(m_keyDay.addDays(7)); break;
    case Qt::Key_Home: setKeyDay(first); break;
    case Qt::Key_End: setKeyDay(first.addDays(first.daysInMonth() - 1)); break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat()) {
            Q_EMIT dayClicked(m_keyDay);
        }
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void CalendarGrid::focusInEvent(QFocusEvent* event)
{
    if (event->reason() != Qt::PopupFocusReason) {
        m_keyboardFocus = event->reason() != Qt::MouseFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
    }
    // The ring starts on the picked day, else today, else the month's first day.
    if (!m_keyDay.isValid()) {
        setKeyDay(QDate(m_month.year(), m_month.month(), 1));
        setKeyDay(m_today);
        if (m_selected) {
            setKeyDay(*m_selected);
        }
    }
    update();
    QWidget::focusInEvent(event);
}

void CalendarGrid::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void CalendarGrid::paintMonth(QPainter& p) const
{
    if (m_leaving.isNull()) {
        paintCells(p);
        return;
    }
    const qreal t = std::clamp(m_monthChange->value(), 0.0, 1.0);
    const qreal top = weekdayRowHeight() + 8;
    const QPointF oldPivot(width() / 2.0, (top + m_leavingHeight) / 2.0);
    const QPointF newPivot(width() / 2.0, (top + restingHeight()) / 2.0);
    vsp::motion::paintPicture(p, m_leaving, QPointF(0, 0), 1.0 - 0.03 * t, oldPivot, 1.0 - t);
    p.save();
    const qreal scale = 0.97 + 0.03 * t;
    p.translate(newPivot);
    p.scale(scale, scale);
    p.translate(-newPivot);
    p.setOpacity(t);
    paintCells(p);
    p.restore();
}

void CalendarGrid::paintCells(QPainter& p) const
{
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
    const auto mix = [](const QColor& a, const QColor& b, qreal t) {
        return QColor::fromRgbF(
            float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
            float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
    };
    const qreal selectionIn = std::clamp(m_selection->value(), 0.0, 1.0);
    const qreal hoverIn = std::clamp(m_hover->value(), 0.0, 1.0);
    for (int i = 0; i < m_cells.size(); ++i) {
        if (!m_cells[i]) {
            continue;
        }
        const QDate day = *m_cells[i];
        const bool isToday = day == m_today;
        const int count = m_counts.value(day);
        // How far the picked look has come in: the new pick grows in as the old one gives way.
        const qreal sel = m_selected == day ? selectionIn : m_previousSelected == day ? 1.0 - selectionIn : 0.0;
        const qreal hover = i == m_hovered ? hoverIn : i == m_previousHovered ? 1.0 - hoverIn : 0.0;
        const auto rest = vsp::calendar::cellLook(isToday, false, count);
        const auto picked = vsp::calendar::cellLook(isToday, true, count);
        const QRectF r = cellRectAt(i);
        QPainterPath shape;
        shape.addRoundedRect(r, 10, 10);
        if (hover * (1 - sel) > 0.001) {
            p.fillPath(shape, Color::primaryStyle().withOpacity(0.06 * hover * (1 - sel)).resolve());
        }
        if (sel > 0.001) {
            QColor fill = accent;
            fill.setAlphaF(float(accent.alphaF() * sel));
            p.fillPath(shape, fill);
        }
        if (rest.ring && sel < 0.999) {
            QColor ring = accent;
            ring.setAlphaF(float(0.6 * (1 - sel)));
            p.setPen(QPen(ring, 1.2));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(0.6, 0.6, -0.6, -0.6), 9.4, 9.4);
        }
        const qreal top = r.center().y() - (numberHeight + 3 + 5) / 2;
        const bool boldNumber = sel >= 0.5 ? picked.boldNumber : rest.boldNumber;
        p.setFont(boldNumber ? bold : regular);
        p.setPen(mix(rest.accentNumber ? accentText : primary, onAccent, sel));
        p.drawText(QRectF(r.left(), top, r.width(), numberHeight), Qt::AlignCenter, QString::number(day.day()));
        if (rest.dot && sel < 0.999) {
            QColor dot = accent;
            dot.setAlphaF(float(accent.alphaF() * (1 - sel)));
            p.setPen(Qt::NoPen);
            p.setBrush(dot);
            p.drawEllipse(QRectF(r.center().x() - 2.5, top + numberHeight + 3, 5, 5));
        }
    }
}

void CalendarGrid::mouseMoveEvent(QMouseEvent* event)
{
    setHovered(cellAt(event->position()));
}

void CalendarGrid::leaveEvent(QEvent*)
{
    setHovered(-1);
}

void CalendarGrid::mouseReleaseEvent(QMouseEvent* event)
{
    const int at = event->button() == Qt::LeftButton ? cellAt(event->position()) : -1;
    if (at >= 0) {
        Q_EMIT dayClicked(*m_cells[at]);
    }
}

// ------------------------------------------------------------------------------------------ day list

void CalendarDayModel::setEntries(const EntryList& entries)
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

CalendarDayDelegate::CalendarDayDelegate(JournalStore& store, QWidget* viewport, QObject* parent)
    : QStyledItemDelegate(parent),
      m_store(store),
      m_viewport(viewport)
{ }

void CalendarDayDelegate::keepOnly(const QList<QUuid>& ids)
{
    for (auto it = m_motions.begin(); it != m_motions.end();) {
        if (ids.contains(it.key())) {
            ++it;
            continue;
        }
        delete it->selection;
        delete it->hover;
        it = m_motions.erase(it);
    }
}

qreal CalendarDayDelegate::selectionOf(const QUuid& id) const
{
    const auto it = m_motions.constFind(id);
    return it == m_motions.cend() ? 0.0 : it->selection->value();
}

QSize CalendarDayDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = static_cast<const CalendarDayModel*>(index.model());
    const qreal width = option.rect.width() - 2 * kRowInset;
    return {option.rect.width(),
            int(std::ceil(EntryRow::height(model->entryAt(index.row()), width, EntryRow::currentOptions()))) + kRowGap};
}

namespace {

constexpr int kTitleSize = 18;
constexpr int kSmallestTitleSize = 14;

QFont titleFont(int size)
{
    return vsp::fonts::tracked(vsp::fonts::system(size, QFont::DemiBold), -0.3);
}

/// Pictures of day-list row contents, kept across visits of the calendar (each visit builds a new view):
/// what a row shows depends only on the entry, the size, the day, the settings and the theme.
QCache<QString, QPixmap>& dayRowCache()
{
    static QCache<QString, QPixmap> cache(4 * 1024);
    return cache;
}

QPixmap dayRowContent(const JournalEntry& entry, const QRectF& rect, const EntryRow::Options& options, bool selected,
                      qreal dpr, double now, const QDate& today)
{
    const QSize size = rect.size().toSize();
    const size_t contentHash =
        qHashMulti(0, entry.title, entry.body.left(1000), entry.tags, entry.mood.value_or(QString()), entry.date,
                   entry.expirationDate.value_or(-1.0));
    const QString key = entry.id.toString(QUuid::WithoutBraces) + u'|' + QString::number(contentHash) + u'|'
                        + QString::number(size.width()) + u'x' + QString::number(size.height()) + u'|'
                        + QString::number(dpr) + u'|' + QString::number(today.toJulianDay()) + u'|'
                        + QString::number((options.showEntryPreviews ? 1 : 0) | (options.compactListView ? 2 : 0)
                                          | (AppearanceManager::instance().isDark() ? 4 : 0) | (selected ? 8 : 0))
                        + u'|' + Color::resolvedAccent().resolve().name();
    if (const QPixmap* cached = dayRowCache().object(key)) {
        return *cached;
    }
    QImage image((QSizeF(size) * dpr).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        EntryRow::paintContent(p, QRectF(QPointF(0, 0), QSizeF(size)), entry, options, false, now, selected);
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
    const bool selected = m_store.selectedEntryID() == entry.id;
    const bool hovered = m_hovered == index.row();
    auto it = m_motions.find(entry.id);
    if (it == m_motions.end()) {
        // A row's first picture: its selection and hover were there before it was seen, they do not
        // arrive.
        auto* self = const_cast<CalendarDayDelegate*>(this);
        RowMotion motion{new vsp::SpringValue(selected ? 1.0 : 0.0, vsp::Spring{0.25, 1.0}, self),
                         new vsp::SpringValue(hovered ? 1.0 : 0.0, vsp::Spring{0.15, 1.0}, self)};
        for (vsp::SpringValue* value : {motion.selection, motion.hover}) {
            connect(value, &vsp::SpringValue::valueChanged, self, [self] {
                if (self->m_viewport) {
                    self->m_viewport->update();
                }
            });
        }
        it = m_motions.insert(entry.id, motion);
    }
    it->selection->animateTo(selected ? 1.0 : 0.0);
    it->hover->animateTo(hovered ? 1.0 : 0.0);
    EntryRow::PaintState state;
    state.pinned = false;
    state.selection = it->selection->value();
    state.hover = it->hover->value();
    state.now = m_store.now();
    const QRectF rect = QRectF(option.rect).adjusted(kRowInset, 0, -kRowInset, -kRowGap);
    const EntryRow::Options options = EntryRow::currentOptions();
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    // The list's own row: its glass, its content (kept as a picture) and its selection dot.
    painter->save();
    EntryRow::paintBackground(*painter, rect, state);
    painter->drawPixmap(rect.topLeft(),
                        dayRowContent(entry, rect, options, state.selection > 0.5, dpr, state.now, m_store.today()));
    EntryRow::paintSelectionDot(*painter, rect, options, state.selection);
    if ((option.state & QStyle::State_HasFocus) && option.widget && option.widget->hasFocus()) {
        // The list takes the focus from the keyboard only: the row the keys are on.
        vsp::paintFocusRing(*painter, rect, 12);
    }
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
      m_dayDelegate(new CalendarDayDelegate(store, m_dayList->viewport(), this)),
      m_emptyDay(new QWidget(m_dayPages)),
      m_emptyText(new QLabel(tr("Nothing written this day"), m_emptyDay)),
      m_writeToday(new GlassChipButton(m_emptyDay))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Children are found by name in tests.
    layout->addLayout(buildHeader());

    m_grid->setObjectName(QStringLiteral("calendarGrid"));
    connect(m_grid, &CalendarGrid::dayClicked, this,
            [this](const QDate& day) { m_store.setSelectedDate(vsp::startOfDay(day)); });
    auto* gridBox = new QVBoxLayout;
    gridBox->setContentsMargins(16, 0, 16, 10);
    gridBox->addWidget(m_grid);
    layout->addLayout(gridBox);
    // The divider is painted between the grid and the day list.
    layout->addSpacing(1);

    layout->addLayout(buildDayHeader());
    buildDayPages();
    layout->addWidget(m_dayPages, 1);

    connect(&store, &JournalStore::entriesChanged, this, &CalendarView::refresh);
    connect(&store, &JournalStore::navigationChanged, this, [this] {
        if (m_store.calendarMonth() != m_shownMonth || m_store.selectedDate() != m_shownDay) {
            refresh();
        }
    });
    connect(&store, &JournalStore::selectedEntryIDChanged, m_dayList->viewport(), qOverload<>(&QWidget::update));
    refreshColors();
    refresh();
}

QLayout* CalendarView::buildHeader()
{
    m_back->setObjectName(QStringLiteral("backToList"));
    m_title->setObjectName(QStringLiteral("monthTitle"));
    m_today->setObjectName(QStringLiteral("calendarToday"));
    m_previous->setObjectName(QStringLiteral("previousMonth"));
    m_next->setObjectName(QStringLiteral("nextMonth"));
    auto* header = new QHBoxLayout;
    header->setContentsMargins(18, 18, 18, 14);
    header->setSpacing(10);
    m_back->setToolTip(tr("Back to list"));
    header->addWidget(m_back);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(titleFont(kTitleSize));
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

    connect(m_back, &QAbstractButton::clicked, this, [this] { m_store.setShowCalendar(false); });
    connect(m_today, &QAbstractButton::clicked, this, &CalendarView::jumpToToday);
    connect(m_previous, &QAbstractButton::clicked, this, [this] { changeMonth(-1); });
    connect(m_next, &QAbstractButton::clicked, this, [this] { changeMonth(1); });
    return header;
}

QLayout* CalendarView::buildDayHeader()
{
    m_dayTitle->setObjectName(QStringLiteral("dayTitle"));
    m_dayCount->setObjectName(QStringLiteral("dayCount"));
    auto* dayHeader = new QHBoxLayout;
    dayHeader->setContentsMargins(18, 14, 18, 6);
    m_dayTitle->setTextFormat(Qt::PlainText);
    m_dayTitle->setFont(vsp::fonts::system(12, QFont::DemiBold));
    m_dayTitle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    dayHeader->addWidget(m_dayTitle, 1);
    m_dayCount->setFont(vsp::fonts::monospaced(11));
    dayHeader->addWidget(m_dayCount);
    return dayHeader;
}

void CalendarView::buildDayPages()
{
    m_dayList->setObjectName(QStringLiteral("dayList"));
    m_dayModel->setObjectName(QStringLiteral("dayModel"));
    m_dayDelegate->setObjectName(QStringLiteral("dayDelegate"));
    m_dayList->setModel(m_dayModel);
    m_dayList->setItemDelegate(m_dayDelegate);
    m_dayList->setFrameShape(QFrame::NoFrame);
    m_dayList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_dayList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_dayList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_dayList->setSelectionMode(QAbstractItemView::NoSelection);
    // Tab reaches the day's entries; the arrow keys move the ring along them and Space or Return
    // opens the one it is on, as a click does. A click leaves the focus where it was.
    m_dayList->setFocusPolicy(Qt::TabFocus);
    m_dayList->setAccessibleName(tr("Entries of the day"));
    m_dayList->installEventFilter(this);
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
    m_writeToday->setObjectName(QStringLiteral("writeToday"));
    connect(m_writeToday, &QAbstractButton::clicked, this, [this] {
        m_store.setRestoreDraftOnCompose(false);
        if (m_openWindow) {
            m_openWindow(vsp::composeWindowID());
        }
    });
    empty->addWidget(m_writeToday, 0, Qt::AlignHCenter);
    empty->addStretch(1);
    auto* listPage = new QWidget(m_dayPages);
    auto* listLayout = new QVBoxLayout(listPage);
    listLayout->setContentsMargins(0, 6, 0, 6);
    listLayout->addWidget(m_dayList);
    m_dayPages->addWidget(listPage);
    m_dayPages->addWidget(m_emptyDay);
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
    m_pickSpring = kMonthSpring;
    m_store.showCalendarToday();
    m_pickSpring = vsp::Spring{0.25, 1.0};
}

void CalendarView::refreshDay()
{
    refresh();
}

void CalendarView::refresh()
{
    m_shownMonth = m_store.calendarMonth();
    m_shownDay = m_store.selectedDate();
    const QDate month = vsp::localDate(m_store.calendarMonth());
    const QDate today = m_store.today();
    // What the calendar first shows stands still; later changes move, where motion is on.
    const bool animate = m_refreshed && isVisible();
    m_monthTitle = vsp::calendar::monthTitle(month, locale());
    m_shortMonthTitle = vsp::calendar::shortMonthTitle(month, locale());
    refreshTitle();
    m_grid->setMonth(month, locale().firstDayOfWeek(), animate);
    m_grid->setCounts(m_store.entryDayCounts(m_store.calendarMonth()));
    m_grid->setToday(today);
    const std::optional<double> picked = m_store.selectedDate();
    m_grid->setSelected(picked ? std::optional<QDate>(vsp::localDate(*picked)) : std::nullopt, animate, m_pickSpring);

    const QDate day = picked ? vsp::localDate(*picked) : today;
    const QList<JournalEntry> entries = m_store.entriesOn(vsp::startOfDay(day));
    QList<QUuid> ids;
    ids.reserve(entries.size());
    for (const JournalEntry& e : entries) {
        ids.append(e.id);
    }
    if (animate && ids != m_shownIDs && vsp::animationsEnabled()) {
        fadeDayList();
    }
    m_shownIDs = ids;
    m_refreshed = true;
    m_dayTitle->setText(vsp::calendar::dayTitle(day, locale()));
    m_dayCount->setText(entries.isEmpty() ? QString() : QString::number(entries.size()));
    m_dayModel->setEntries(entries);
    m_dayDelegate->keepOnly(ids);
    m_dayPages->setCurrentIndex(entries.isEmpty() ? 1 : 0);
    m_writeToday->setVisible(entries.isEmpty() && day == today);
}

void CalendarView::fadeDayList()
{
    // The day's rows, as seen now (a fade under way included), give way to the new ones, which are
    // pictured once laid out. The pictures are top-aligned, so the list may shrink or grow at its lower
    // edge meanwhile, as it does while the grid glides to another month's height.
    QPixmap from;
    if (m_dayTransition) {
        from = m_dayTransition->grab();
        m_dayTransition->finish();
    } else {
        from = vsp::TransitionOverlay::translucentSnapshot(m_dayPages);
    }
    auto* overlay = new vsp::TransitionOverlay(
        m_dayPages, from, kMonthSpring, [this](QPainter& p, qreal t, const QPixmap& oldLook, const QPixmap& newLook) {
            p.fillRect(QRect(QPoint(0, 0), m_dayPages->size()), Color::vspBackground().resolve());
            p.setOpacity(1 - t);
            p.drawPixmap(0, 0, oldLook);
            p.setOpacity(t);
            p.drawPixmap(0, 0, newLook);
        });
    overlay->setKeepsOnResize(true);
    m_dayTransition = overlay;
    overlay->start([this] { return vsp::TransitionOverlay::translucentSnapshot(m_dayPages); });
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
    // A long month name in a narrow column first steps down a few points, then takes the abbreviated
    // month ("Sep 2026"): the title is never cut to an ellipsis, down to the list column's minimum width.
    const auto fits = [this](const QString& text, const QFont& font) {
        return QFontMetricsF(font).horizontalAdvance(text) <= m_title->width();
    };
    QString text = m_shortMonthTitle;
    QFont font = titleFont(kSmallestTitleSize);
    bool found = false;
    for (const QString& candidate : {m_monthTitle, m_shortMonthTitle}) {
        for (int size = kTitleSize; size >= kSmallestTitleSize && !found; --size) {
            if (fits(candidate, titleFont(size))) {
                text = candidate;
                font = titleFont(size);
                found = true;
            }
        }
    }
    m_title->setFont(font);
    m_title->setText(text);
    m_title->setToolTip(text == m_monthTitle ? QString() : m_monthTitle);
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
    if (watched == m_dayList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool activation =
            key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (activation && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && m_dayModel->rowCount() > 0) {
            const QModelIndex current = m_dayList->currentIndex();
            if (!key->isAutoRepeat()) {
                m_store.setSelectedEntryID(m_dayModel->entryAt(current.isValid() ? current.row() : 0).id);
            }
            return true;
        }
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
