#include "Views/Main/EntryListWidget.h"

#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Views/Main/EntryContextMenu.h"
#include "Views/Main/EntryListDelegate.h"
#include "Views/Main/EntryListModel.h"
#include "Views/Main/EntryListMotion.h"
#include "Views/Main/OnThisDaySection.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

EntryListWidget::EntryListWidget(JournalStore& store, QWidget* parent)
    : QListView(parent),
      m_store(store),
      m_model(new EntryListModel(store, this)),
      m_delegate(new EntryListDelegate(store, this)),
      m_motion(new EntryListMotion(*this, *m_model, *m_delegate))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(false);
    setMouseTracking(true);
    setResizeMode(QListView::Adjust);
    setLayoutMode(QListView::SinglePass);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(24);
    // A slim scroll bar that stays out of the way, like the overlay indicators of touch-pad scrolling.
    setStyleSheet(QStringLiteral(
        "QListView { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 6px; margin: 2px; }"
        "QScrollBar::handle:vertical { background: rgba(128,128,128,0.35); border-radius: 3px; min-height: 32px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
    setViewportMargins(0, 8, 0, 8);

    m_delegate->setMotion(m_motion);
    connect(m_motion, &EntryListMotion::frame, viewport(), qOverload<>(&QWidget::update));
    m_delegate->setRepaint([this] { viewport()->update(); });
    m_delegate->setRelayout([this] { relayout(); });
    // Inserted, removed and moved rows lay the list out again by themselves; a row whose entry changed
    // may have changed height (QListView keeps the heights it measured).
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { relayout(); });
    connect(m_model, &EntryListModel::onThisDayExpandedChanged, this, [this] {
        m_delegate->setOnThisDayExpanded(m_model->onThisDayExpanded(), true);
        relayout();
    });
    connect(&store, &JournalStore::selectedEntryIDChanged, viewport(), qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, viewport(),
            qOverload<>(&QWidget::update));
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
    QListView::mouseMoveEvent(event);
}

void EntryListWidget::leaveEvent(QEvent* event)
{
    m_delegate->setHoveredEntry({});
    m_delegate->setHoveredOnThisDayRow(-1);
    viewport()->update();
    QListView::leaveEvent(event);
}

void EntryListWidget::mousePressEvent(QMouseEvent* event)
{
    // Selection is the store's, not the view's: remember the row and act on release, like a tap.
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
    // The list has no keyboard handling of its own; scrolling keys still scroll.
    QAbstractScrollArea::keyPressEvent(event);
}

void EntryListWidget::contextMenuEvent(QContextMenuEvent* event)
{
    m_model->refresh();
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid() || m_model->kind(index.row()) != EntryListModel::RowKind::Entry) {
        return;
    }
    const JournalEntry entry = *m_model->entryAt(index.row());
    QMenu* menu = EntryContextMenu::build(m_store, entry, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void EntryListWidget::resizeEvent(QResizeEvent* event)
{
    if (event->size().width() == event->oldSize().width()) {
        // Row heights depend on the width alone: a column that only grows or shrinks in height (the
        // search field sliding in above it) keeps its layout instead of laying out every row again on
        // each frame of the motion.
        QAbstractItemView::resizeEvent(event);
        return;
    }
    QListView::resizeEvent(event);
    // Preview line counts depend on the width.
    relayout();
}

void EntryListWidget::hideEvent(QHideEvent* event)
{
    // What was seen on screen means nothing once the list comes back.
    m_motion->stop();
    QListView::hideEvent(event);
}

void EntryListWidget::paintEvent(QPaintEvent* event)
{
    // The rows of the last change start moving from where they were seen, now that they are laid out.
    m_motion->resolve();
    if (m_motion->isRunning()) {
        QPainter painter(viewport());
        m_motion->paintLeaving(painter);
    }
    QListView::paintEvent(event);
    if (m_motion->isRunning()) {
        QPainter painter(viewport());
        m_motion->paintEscaping(painter);
    }
}
