#include "Views/Main/EntryListWidget.h"

#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Views/Main/EntryContextMenu.h"
#include "Views/Main/EntryListDelegate.h"
#include "Views/Main/EntryListModel.h"
#include "Views/Main/EntryListMotion.h"
#include "Views/Main/OnThisDaySection.h"
#include "Widgets/EntryRow.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>

namespace {

/// Rows measured beyond the view, above and below it, as a share of its height: rows about to scroll
/// into view are ready before they show.
constexpr double kMeasureMargin = 0.5;
/// Room around a row repainted alone, for the focus ring drawn just outside it (pixels).
constexpr int kRowRepaintMargin = 4;
/// The stand-in height of unmeasured rows until the first rows have been measured.
constexpr int kFirstEstimate = 100;
/// How far in from the row's left edge a menu opened from the keyboard starts (pixels).
constexpr int kKeyboardMenuInset = 24;

} // namespace

EntryListWidget::EntryListWidget(JournalStore& store, QWidget* parent)
    : QAbstractItemView(parent),
      m_store(store),
      m_model(new EntryListModel(store, this)),
      m_delegate(new EntryListDelegate(store, this)),
      m_motion(new EntryListMotion(*this, *m_model, *m_delegate))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setUpLook();

    m_delegate->setMotion(m_motion);
    connect(m_motion, &EntryListMotion::frame, viewport(), qOverload<>(&QWidget::update));
    m_delegate->setRepaint([this](const QUuid& id) { repaintRow(id); });
    m_delegate->setRelayout([this] { relayout(); });
    followModel();
    m_paintedSelection = store.selectedEntryID().value_or(QUuid());
    connect(&store, &JournalStore::selectedEntryIDChanged, this, &EntryListWidget::followSelection);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, viewport(),
            qOverload<>(&QWidget::update));
    resetHeights();
}

void EntryListWidget::setUpLook()
{
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    setAutoScroll(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(24);
    // A slim scroll bar that stays out of the way, like the overlay indicators of touch-pad scrolling.
    setStyleSheet(QStringLiteral(
        "QAbstractItemView { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 6px; margin: 2px; }"
        "QScrollBar::handle:vertical { background: rgba(128,128,128,0.35); border-radius: 3px; min-height: 32px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
    setViewportMargins(0, 8, 0, 8);
}

void EntryListWidget::repaintRow(const QUuid& id)
{
    // A row's selection or hover moving repaints that row alone (with room for its focus ring), and
    // nothing when it is out of sight: repainting every visible row on each frame of the spring
    // made a click on a row slow.
    const int rows = int(m_heights.size());
    if (id.isNull() || m_model->isRefreshPending() || m_motion->isRunning() || rows != m_model->rowCount()) {
        viewport()->update();
        return;
    }
    const std::vector<int>& t = tops();
    const int offset = verticalOffset();
    for (int r = rowAtContentY(offset); r >= 0 && r < rows && t[size_t(r)] - offset <= viewport()->height(); ++r) {
        if (m_model->kind(r) == EntryListModel::RowKind::Entry && m_model->entryAt(r)->id == id) {
            viewport()->update(
                visualRect(m_model->index(r))
                    .adjusted(-kRowRepaintMargin, -kRowRepaintMargin, kRowRepaintMargin, kRowRepaintMargin));
            return;
        }
    }
}

void EntryListWidget::followSelection()
{
    // Only the rows losing and gaining the selection change (their tint, dot, date colour and the focus
    // ring): repainting every row in sight on a click cost more than the rest of the switch. With no
    // row selected before, the focus ring may go round the whole list.
    const QUuid before = m_paintedSelection;
    m_paintedSelection = m_store.selectedEntryID().value_or(QUuid());
    if (before.isNull() || m_paintedSelection.isNull()) {
        viewport()->update();
        return;
    }
    repaintRow(before);
    repaintRow(m_paintedSelection);
}

void EntryListWidget::followModel()
{
    // The row heights follow the rows (insertions and data changes arrive through the overrides).
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        if (first >= 0 && size_t(last) < m_heights.size() && first <= last) {
            m_heights.erase(m_heights.begin() + first, m_heights.begin() + last + 1);
        }
        m_topsDirty = true;
        scheduleDelayedItemsLayout();
    });
    connect(m_model, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int first, int last, const QModelIndex&, int before) {
                if (first < 0 || size_t(last) >= m_heights.size() || first > last) {
                    return;
                }
                const std::vector<RowHeight> moving(m_heights.begin() + first, m_heights.begin() + last + 1);
                m_heights.erase(m_heights.begin() + first, m_heights.begin() + last + 1);
                const int to = before > last ? before - int(moving.size()) : before;
                m_heights.insert(m_heights.begin() + std::clamp(to, 0, int(m_heights.size())), moving.cbegin(),
                                 moving.cend());
                m_topsDirty = true;
                scheduleDelayedItemsLayout();
            });
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] {
        resetHeights();
        scheduleDelayedItemsLayout();
    });
    // The rows of a refresh are laid out at once rather than on the next turn of the event loop, so the
    // list shows them in the same frame as what changed them (the search field's text), not one later.
    connect(m_model, &EntryListModel::refreshed, this, [this] {
        if (isVisible()) {
            executeDelayedItemsLayout();
            // The scroll bar shows or hides for the new length on a later turn, narrowing or widening the
            // rows just painted: settle it now, so the frame is painted once, at its final width.
            QMetaObject::invokeMethod(this, "_q_showOrHideScrollBars", Qt::DirectConnection);
        }
    });
    connect(m_model, &EntryListModel::onThisDayExpandedChanged, this, [this] {
        m_delegate->setOnThisDayExpanded(m_model->onThisDayExpanded(), true);
        relayout();
    });
}

void EntryListWidget::resetHeights()
{
    m_heights.assign(size_t(m_model->rowCount()), RowHeight{});
    m_topsDirty = true;
}

void EntryListWidget::staleRows(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, int(m_heights.size()) - 1);
    for (int r = first; r <= last; ++r) {
        m_heights[size_t(r)].fresh = false;
    }
}

void EntryListWidget::relayout()
{
    staleRows(0, int(m_heights.size()) - 1);
    // What rows measure at now (another width, other row settings) is learnt again from the next ones;
    // until then the old figure stands in, so rows never measured keep their places.
    m_estimateStale = true;
    m_topsDirty = true;
    scheduleDelayedItemsLayout();
}

int EntryListWidget::measuredRowCount() const
{
    return int(std::count_if(m_heights.cbegin(), m_heights.cend(), [](const RowHeight& h) { return h.height >= 0; }));
}

int EntryListWidget::heightOf(int row) const
{
    const int h = m_heights[size_t(row)].height;
    if (h >= 0) {
        return h;
    }
    return m_estimate > 0 ? m_estimate : kFirstEstimate;
}

const std::vector<int>& EntryListWidget::tops() const
{
    if (m_topsDirty || m_tops.size() != m_heights.size() + 1) {
        m_tops.resize(m_heights.size() + 1);
        int y = 0;
        for (size_t r = 0; r < m_heights.size(); ++r) {
            m_tops[r] = y;
            y += heightOf(int(r));
        }
        m_tops.back() = y;
        m_topsDirty = false;
    }
    return m_tops;
}

int EntryListWidget::contentHeight() const
{
    return tops().back();
}

int EntryListWidget::rowAtContentY(int y) const
{
    const std::vector<int>& t = tops();
    const int rows = int(t.size()) - 1;
    if (rows <= 0) {
        return -1;
    }
    const auto after = std::upper_bound(t.cbegin(), t.cbegin() + rows, y);
    return std::clamp(int(after - t.cbegin()) - 1, 0, rows - 1);
}

int EntryListWidget::measure(int row) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = QRect(0, 0, viewport()->width(), 0);
    const QModelIndex index = m_model->index(row);
    return std::max(0, itemDelegateForIndex(index)->sizeHint(option, index).height());
}

bool EntryListWidget::layoutRows()
{
    const int rows = int(m_heights.size());
    // Between a change of the rows and its signal reaching this view the counts differ: the layout
    // follows once the heights are in step again.
    if (m_layingOut || rows != m_model->rowCount()) {
        return false;
    }
    QScopedValueRollback<bool> guard(m_layingOut, true);
    const int viewHeight = viewport()->height();
    const int margin = int(viewHeight * kMeasureMargin);
    int y = verticalScrollBar()->value();

    // The first row in view that is measured already stays where it is on screen while rows above it
    // get their real heights.
    int anchor = -1;
    int anchorOffset = 0;
    {
        const std::vector<int>& t = tops();
        for (int r = std::max(0, rowAtContentY(y)); r < rows && t[size_t(r)] < y + viewHeight; ++r) {
            if (m_heights[size_t(r)].height >= 0) {
                anchor = r;
                anchorOffset = t[size_t(r)] - y;
                break;
            }
        }
    }

    bool changed = false;
    // Measured rows may be shorter than thought and bring further rows into reach: a few rounds.
    for (int round = 0; round < 8; ++round) {
        const std::vector<int>& t = tops();
        int measuredNow = 0;
        long long measuredSum = 0;
        for (int r = std::max(0, rowAtContentY(y - margin)); r < rows && t[size_t(r)] < y + viewHeight + margin; ++r) {
            RowHeight& h = m_heights[size_t(r)];
            if (h.fresh) {
                continue;
            }
            const int was = heightOf(r);
            const bool known = h.height >= 0;
            h.height = measure(r);
            h.fresh = true;
            ++measuredNow;
            measuredSum += h.height;
            const bool inView = t[size_t(r)] < y + viewHeight && t[size_t(r)] + std::max(was, h.height) > y;
            if (h.height != was) {
                m_topsDirty = true;
                changed = changed || inView;
            } else if (!known) {
                changed = changed || inView;
            }
        }
        if (measuredNow == 0) {
            break;
        }
        if (m_estimate == 0 || m_estimateStale) {
            m_estimate = std::max(1, int(measuredSum / measuredNow));
            m_estimateStale = false;
            m_topsDirty = true;
        }
        if (anchor >= 0) {
            const int anchored = tops()[size_t(anchor)] - anchorOffset;
            if (anchored != y) {
                y = anchored;
                changed = true;
            }
        }
    }
    updateScrollRange();
    const int wanted = std::clamp(y, 0, verticalScrollBar()->maximum());
    if (wanted != verticalScrollBar()->value()) {
        setScrollValue(wanted);
        changed = true;
    }
    return changed;
}

void EntryListWidget::updateScrollRange()
{
    QScrollBar* bar = verticalScrollBar();
    const int viewHeight = viewport()->height();
    bar->setPageStep(std::max(1, viewHeight));
    const int maximum = std::max(0, contentHeight() - viewHeight);
    if (bar->minimum() != 0 || bar->maximum() != maximum) {
        // A shorter list may pull the value back: that is the layout's move, not the user's.
        const QScopedValueRollback<bool> adjusting(m_adjustingScroll, true);
        bar->setRange(0, maximum);
    }
}

void EntryListWidget::setScrollValue(int value)
{
    const QScopedValueRollback<bool> adjusting(m_adjustingScroll, true);
    verticalScrollBar()->setValue(value);
}

void EntryListWidget::doItemsLayout()
{
    if (int(m_heights.size()) != m_model->rowCount()) {
        resetHeights();
    }
    QAbstractItemView::doItemsLayout();
}

void EntryListWidget::reset()
{
    QAbstractItemView::reset();
    resetHeights();
    scheduleDelayedItemsLayout();
}

void EntryListWidget::updateGeometries()
{
    layoutRows();
    QAbstractItemView::updateGeometries();
}

void EntryListWidget::scrollContentsBy(int dx, int dy)
{
    if (m_adjustingScroll) {
        // The rows moved under a still view (the layout kept the first row in place): paint them anew.
        viewport()->update();
        return;
    }
    if (layoutRows()) {
        viewport()->update();
        return;
    }
    QAbstractItemView::scrollContentsBy(dx, dy);
}

void EntryListWidget::rowsInserted(const QModelIndex& parent, int first, int last)
{
    if (!parent.isValid() && first >= 0 && first <= int(m_heights.size()) && first <= last) {
        m_heights.insert(m_heights.begin() + first, size_t(last - first + 1), RowHeight{});
        m_topsDirty = true;
    }
    QAbstractItemView::rowsInserted(parent, first, last);
    scheduleDelayedItemsLayout();
}

void EntryListWidget::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    // A row whose entry changed may have changed height. When one row keeps its height (a favourite,
    // a new tag), the rows around it stay where they are: the view repaints that row alone, rather
    // than laying out and repainting every row in sight.
    const int row = topLeft.row();
    if (row == bottomRight.row() && row >= 0 && size_t(row) < m_heights.size()
        && int(m_heights.size()) == m_model->rowCount() && m_heights[size_t(row)].height >= 0
        && m_heights[size_t(row)].fresh && measure(row) == m_heights[size_t(row)].height) {
        return;
    }
    staleRows(topLeft.row(), bottomRight.row());
    scheduleDelayedItemsLayout();
}

int EntryListWidget::verticalOffset() const
{
    return verticalScrollBar()->value();
}

QRect EntryListWidget::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != m_model || index.row() >= int(m_heights.size())) {
        return {};
    }
    return QRect(0, tops()[size_t(index.row())] - verticalOffset(), viewport()->width(), heightOf(index.row()));
}

QModelIndex EntryListWidget::indexAt(const QPoint& point) const
{
    const int y = point.y() + verticalOffset();
    if (point.x() < 0 || point.x() >= viewport()->width() || y < 0 || y >= contentHeight()
        || int(m_heights.size()) != m_model->rowCount()) {
        return {};
    }
    return m_model->index(rowAtContentY(y));
}

void EntryListWidget::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    const QRect rect = visualRect(index);
    if (rect.isNull()) {
        return;
    }
    const int viewHeight = viewport()->height();
    const int top = rect.top() + verticalOffset();
    const int bottom = top + rect.height();
    int value = verticalOffset();
    switch (hint) {
    case PositionAtTop: value = top; break;
    case PositionAtBottom: value = bottom - viewHeight; break;
    case PositionAtCenter: value = top - (viewHeight - rect.height()) / 2; break;
    case EnsureVisible:
        if (top < value) {
            value = top;
        } else if (bottom > value + viewHeight) {
            value = std::min(top, bottom - viewHeight);
        }
        break;
    }
    verticalScrollBar()->setValue(std::clamp(value, 0, verticalScrollBar()->maximum()));
}

QModelIndex EntryListWidget::moveCursor(CursorAction, Qt::KeyboardModifiers)
{
    // The view's own cursor is unused: keys move the store's selection (keyPressEvent).
    return {};
}

int EntryListWidget::keyTargetRow(int key)
{
    m_model->refresh();
    executeDelayedItemsLayout();
    const int rows = m_model->rowCount();
    const auto isEntry = [this](int row) { return m_model->kind(row) == EntryListModel::RowKind::Entry; };
    int current = -1;
    if (const std::optional<QUuid> selected = m_store.selectedEntryID()) {
        const int row = m_model->rowOf(*selected);
        current = row >= 0 && isEntry(row) ? row : -1;
    }
    // The first entry row at or after `from` going by `step`, else -1.
    const auto entryFrom = [&](int from, int step) {
        for (int r = from; r >= 0 && r < rows; r += step) {
            if (isEntry(r)) {
                return r;
            }
        }
        return -1;
    };
    const auto first = [&] { return entryFrom(0, 1); };
    switch (key) {
    case Qt::Key_Down: return current < 0 ? first() : entryFrom(current + 1, 1);
    case Qt::Key_Up: return current < 0 ? first() : entryFrom(current - 1, -1);
    case Qt::Key_Home: return first();
    case Qt::Key_End: return entryFrom(rows - 1, -1);
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
        if (current < 0) {
            return first();
        }
        const bool down = key == Qt::Key_PageDown;
        const int top = tops()[size_t(current)];
        const int page = std::max(1, viewport()->height());
        const int landing = rowAtContentY(down ? top + page : top - page);
        // The entry row nearest that place on this side of it; at least one row on.
        int row = entryFrom(landing, down ? -1 : 1);
        if (row < 0 || (down ? row <= current : row >= current)) {
            row = entryFrom(down ? current + 1 : current - 1, down ? 1 : -1);
        }
        return row;
    }
    default: return -1;
    }
}

void EntryListWidget::selectRow(int row)
{
    const JournalEntry* entry = m_model->entryAt(row);
    if (!entry) {
        return;
    }
    m_store.setSelectedEntryID(entry->id);
    // The store's change may have changed the rows (a refresh): find the entry's row again.
    m_model->refresh();
    const int now = m_model->rowOf(entry->id);
    if (now >= 0) {
        executeDelayedItemsLayout();
        scrollTo(m_model->index(now));
    }
    viewport()->update();
}

bool EntryListWidget::selectFirstEntry()
{
    const int row = keyTargetRow(Qt::Key_Home);
    if (row < 0) {
        return false;
    }
    selectRow(row);
    return true;
}

bool EntryListWidget::showsFocusRing() const
{
    return hasFocus() && m_keyboardFocus;
}

QRect EntryListWidget::rectOf(const QUuid& id) const
{
    m_model->refresh();
    const int row = m_model->rowOf(id);
    return row < 0 ? QRect() : visualRect(m_model->index(row));
}

void EntryListWidget::updateHover(const QPoint& pos)
{
    const QModelIndex index = indexAt(pos);
    QUuid hovered;
    int onThisDayRow = -1;
    if (index.isValid()) {
        const int row = index.row();
        if (m_model->kind(row) == EntryListModel::RowKind::Entry) {
            if (EntryListDelegate::rowRect(visualRect(index)).contains(pos)) {
                hovered = m_model->entryAt(row)->id;
            }
        } else if (m_model->kind(row) == EntryListModel::RowKind::OnThisDay) {
            const auto hit = OnThisDaySection::hitTest(
                QRectF(visualRect(index)), pos, int(m_model->onThisDayEntries().size()), m_model->onThisDayExpanded());
            if (hit.kind == OnThisDaySection::Hit::Kind::Entry) {
                onThisDayRow = hit.entryIndex;
            }
        }
    }
    // The pointer moving within one row changes nothing that is drawn.
    if (hovered == m_delegate->hoveredEntry() && onThisDayRow == m_delegate->hoveredOnThisDayRow()) {
        return;
    }
    m_delegate->setHoveredEntry(hovered);
    m_delegate->setHoveredOnThisDayRow(onThisDayRow);
    viewport()->update();
}

void EntryListWidget::mouseMoveEvent(QMouseEvent* event)
{
    updateHover(event->position().toPoint());
    QAbstractItemView::mouseMoveEvent(event);
}

void EntryListWidget::leaveEvent(QEvent* event)
{
    m_delegate->setHoveredEntry({});
    m_delegate->setHoveredOnThisDayRow(-1);
    viewport()->update();
    QAbstractItemView::leaveEvent(event);
}

void EntryListWidget::mousePressEvent(QMouseEvent* event)
{
    // Selection is the store's, not the view's: remember the row and act on release, like a tap.
    m_keyboardFocus = false;
    m_pressed = event->button() == Qt::LeftButton ? QPersistentModelIndex(indexAt(event->position().toPoint()))
                                                  : QPersistentModelIndex();
    event->accept();
}

void EntryListWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void EntryListWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_pressed.isValid() && indexAt(pos) == m_pressed) {
        onRowClicked(pos);
    }
    m_pressed = QPersistentModelIndex();
    event->accept();
}

void EntryListWidget::onRowClicked(const QPoint& pos)
{
    m_model->refresh();
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) {
        return;
    }
    const int row = index.row();
    switch (m_model->kind(row)) {
    case EntryListModel::RowKind::Entry:
        if (EntryListDelegate::rowRect(visualRect(index)).contains(pos)) {
            m_store.setSelectedEntryID(m_model->entryAt(row)->id);
        }
        break;
    case EntryListModel::RowKind::OnThisDay: {
        const auto hit = OnThisDaySection::hitTest(
            QRectF(visualRect(index)), pos, int(m_model->onThisDayEntries().size()), m_model->onThisDayExpanded());
        if (hit.kind == OnThisDaySection::Hit::Kind::Header) {
            m_model->setOnThisDayExpanded(!m_model->onThisDayExpanded());
        } else if (hit.kind == OnThisDaySection::Hit::Kind::Entry) {
            m_store.setSelectedEntryID(m_model->onThisDayEntries().at(hit.entryIndex).id);
        }
        break;
    }
    case EntryListModel::RowKind::Caption: break;
    }
}

void EntryListWidget::keyPressEvent(QKeyEvent* event)
{
    // The desktop's other key for the context menu; the Menu key arrives as a context menu event.
    if (event->key() == Qt::Key_F10 && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier) {
        openKeyboardContextMenu();
        event->accept();
        return;
    }
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            m_keyboardFocus = true;
            const int row = keyTargetRow(event->key());
            // Selecting the row already selected would announce nothing new: the list stays as it is.
            if (row >= 0 && m_model->entryAt(row)->id != m_store.selectedEntryID()) {
                selectRow(row);
            }
            viewport()->update();
            event->accept();
            return;
        }
        default: break;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void EntryListWidget::openKeyboardContextMenu()
{
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), mapToGlobal(QPoint()));
    contextMenuEvent(&event);
}

void EntryListWidget::focusInEvent(QFocusEvent* event)
{
    // A click selects and keeps the pointer user's look; focus from the keyboard shows where it is.
    if (event->reason() != Qt::PopupFocusReason) {
        m_keyboardFocus = event->reason() != Qt::MouseFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
    }
    viewport()->update();
    QAbstractItemView::focusInEvent(event);
}

void EntryListWidget::focusOutEvent(QFocusEvent* event)
{
    viewport()->update();
    QAbstractItemView::focusOutEvent(event);
}

void EntryListWidget::contextMenuEvent(QContextMenuEvent* event)
{
    m_model->refresh();
    // From the keyboard (the Menu key, Shift+F10) the menu is the selected row's, opened at that row:
    // the pointer may rest anywhere, over another row or outside the list.
    const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
    QModelIndex index;
    if (fromKeyboard) {
        const int row = m_store.selectedEntryID() ? m_model->rowOf(*m_store.selectedEntryID()) : -1;
        index = row < 0 ? QModelIndex() : m_model->index(row);
    } else {
        index = indexAt(event->pos());
    }
    if (!index.isValid() || m_model->kind(index.row()) != EntryListModel::RowKind::Entry) {
        return;
    }
    QPoint at = event->globalPos();
    if (fromKeyboard) {
        scrollTo(index);
        const QRect row = visualRect(index).intersected(viewport()->rect());
        at = viewport()->mapToGlobal(QPoint(row.left() + kKeyboardMenuInset, row.center().y()));
    }
    const JournalEntry entry = *m_model->entryAt(index.row());
    QMenu* menu = EntryContextMenu::build(m_store, entry, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(at);
}

void EntryListWidget::resizeEvent(QResizeEvent* event)
{
    QAbstractItemView::resizeEvent(event);
    // Row heights depend on the width alone: a column that only grows or shrinks in height (the search
    // field sliding in above it) keeps its rows' heights and only measures the rows it newly shows.
    if (event->size().width() != event->oldSize().width()) {
        relayout();
    }
}

void EntryListWidget::hideEvent(QHideEvent* event)
{
    // What was seen on screen means nothing once the list comes back.
    m_motion->stop();
    QAbstractItemView::hideEvent(event);
}

void EntryListWidget::paintEvent(QPaintEvent* event)
{
    executeDelayedItemsLayout();
    if (layoutRows()) {
        // The rows moved under this paint's area: the rest of the view follows.
        viewport()->update();
    }
    // The rows of the last change start moving from where they were seen, now that they are laid out.
    m_motion->resolve();
    QPainter painter(viewport());
    if (m_motion->isRunning()) {
        m_motion->paintLeaving(painter);
    }
    const QRect area = event->rect();
    const int rows = int(m_heights.size());
    if (rows == m_model->rowCount() && rows > 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const std::vector<int>& t = tops();
        const int offset = verticalOffset();
        for (int r = rowAtContentY(area.top() + offset); r < rows && t[size_t(r)] - offset <= area.bottom(); ++r) {
            const QModelIndex index = m_model->index(r);
            option.rect = visualRect(index);
            if (option.rect.intersects(area)) {
                itemDelegateForIndex(index)->paint(&painter, option, index);
            }
        }
    }
    if (m_motion->isRunning()) {
        m_motion->paintEscaping(painter);
    }
    if (showsFocusRing()) {
        const std::optional<QUuid> selected = m_store.selectedEntryID();
        const int row = selected && rows == m_model->rowCount() ? m_model->rowOf(*selected) : -1;
        if (row >= 0 && m_model->kind(row) == EntryListModel::RowKind::Entry) {
            const QRectF ring = EntryListDelegate::rowRect(visualRect(m_model->index(row))).adjusted(-3, -3, 3, 3);
            vsp::paintFocusRing(painter, ring, EntryRow::kCornerRadius + 3);
        } else {
            // Nothing selected yet: the ring goes round the list, which Down or Home will start in.
            vsp::paintFocusRing(painter, QRectF(viewport()->rect()).adjusted(3, 1, -3, -1), 12);
        }
    }
    if (rows > 0) {
        m_delegate->setListShown();
    }
}
