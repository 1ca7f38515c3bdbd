#include "Views/Sidebar/TrashView.h"

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
#include "Theme/WindowFit.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

using vsp::Color;

namespace {

constexpr int kHeaderHeight = 56;
constexpr qreal kPadding = 12;
const QColor kRed(0xFF, 0x45, 0x3A);
const QColor kOrange(0xFF, 0x9F, 0x0A);

bool sameRecord(const TrashedEntry& a, const TrashedEntry& b)
{
    return a.entry.id == b.entry.id && a.deletedAt == b.deletedAt;
}

} // namespace

TrashListModel::TrashListModel(JournalStore& store, QObject* parent)
    : QAbstractListModel(parent),
      m_store(store),
      m_rows(store.trashedEntries())
{
    connect(&store, &JournalStore::trashedEntriesChanged, this, &TrashListModel::sync);
}

int TrashListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant TrashListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const TrashedEntry& t = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole: return t.entry.title.isEmpty() ? QObject::tr("Untitled") : t.entry.title;
    case DaysLeftRole: return m_store.daysUntilPurge(t);
    default: return {};
    }
}

void TrashListModel::sync()
{
    const QList<TrashedEntry>& next = m_store.trashedEntries();
    // Removals first: every old record missing from the new list, as runs of rows (emptying the trash
    // is one removal of every row).
    const auto kept = [&](int i) {
        return std::any_of(next.begin(), next.end(), [&](const TrashedEntry& t) { return sameRecord(t, m_rows[i]); });
    };
    for (int last = int(m_rows.size()) - 1; last >= 0; --last) {
        if (kept(last)) {
            continue;
        }
        int first = last;
        while (first > 0 && !kept(first - 1)) {
            --first;
        }
        beginRemoveRows({}, first, last);
        m_rows.remove(first, last - first + 1);
        endRemoveRows();
        last = first;
    }
    // Then insertions where the new list has a record the model lacks.
    for (int i = 0; i < next.size(); ++i) {
        if (i < m_rows.size() && sameRecord(m_rows[i], next[i])) {
            if (!(m_rows[i] == next[i])) {
                m_rows[i] = next[i];
                Q_EMIT dataChanged(index(i), index(i));
            }
            continue;
        }
        const bool later = std::any_of(m_rows.begin() + i, m_rows.end(),
                                       [&](const TrashedEntry& t) { return sameRecord(t, next[i]); });
        if (later) {
            // Reordered: not something the store does; start over rather than guess.
            beginResetModel();
            m_rows = next;
            endResetModel();
            return;
        }
        beginInsertRows({}, i, i);
        m_rows.insert(i, next[i]);
        endInsertRows();
    }
}

namespace {

constexpr vsp::Spring kRowSpring{0.3, 1.0};
constexpr int kRowPitch = TrashRowDelegate::kRowHeight + TrashRowDelegate::kSpacing;

/// The trash list, with the leaving rows of its motion painted over its own rows.
class TrashListView final : public QListView {
public:
    using QListView::QListView;
    const TrashRowMotion* motion = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QListView::paintEvent(event);
        if (motion && motion->isRunning()) {
            QPainter p(viewport());
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            motion->paintLeaving(p);
        }
    }
};

} // namespace

TrashRowMotion::TrashRowMotion(QListView* list, TrashRowDelegate* delegate)
    : QObject(list),
      m_list(list),
      m_delegate(delegate),
      m_progress(new vsp::SpringValue(1, kRowSpring, this))
{
    connect(m_progress, &vsp::SpringValue::valueChanged, list->viewport(), qOverload<>(&QWidget::update));
    connect(m_progress, &vsp::SpringValue::arrived, this, &TrashRowMotion::finish);
    QAbstractItemModel* model = list->model();
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid()) {
                    aboutToRemove(first, last);
                }
            });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
        if (!parent.isValid()) {
            inserted(first, last);
        }
    });
    connect(model, &QAbstractItemModel::modelReset, this, &TrashRowMotion::finish);
}

bool TrashRowMotion::isRunning() const
{
    return m_progress->isMoving();
}

void TrashRowMotion::finish()
{
    m_leaving.clear();
    m_shiftFrom = -1;
    m_shift = 0;
    m_enterFirst = -1;
    m_enterLast = -1;
    m_progress->setValue(1);
    m_list->viewport()->update();
}

qreal TrashRowMotion::offset(int row) const
{
    return m_shiftFrom >= 0 && row >= m_shiftFrom ? m_shift * (1.0 - m_progress->value()) : 0.0;
}

qreal TrashRowMotion::presence(int row) const
{
    return row >= m_enterFirst && row <= m_enterLast ? std::clamp(m_progress->value(), 0.0, 1.0) : 1.0;
}

void TrashRowMotion::aboutToRemove(int first, int last)
{
    // A motion under way ends at its place first: the pictures are of rows at rest.
    finish();
    if (!vsp::animationsEnabled() || !m_list->isVisible()) {
        return;
    }
    const QRect visible = m_list->viewport()->rect();
    const qreal dpr = m_list->devicePixelRatioF();
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = m_list->model()->index(row, 0);
        // The view has already given up its layout of the rows going; they are of one height.
        const QRect rect(0, row * kRowPitch - m_list->verticalScrollBar()->value(), visible.width(), kRowPitch);
        if (!rect.intersects(visible)) {
            continue;
        }
        QPixmap picture(rect.size() * dpr);
        picture.setDevicePixelRatio(dpr);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        QStyleOptionViewItem option;
        option.rect = QRect(QPoint(0, 0), rect.size());
        m_delegate->paintRecord(&p, option, index);
        p.end();
        m_leaving.append({picture, rect});
    }
    // The rows below start where they were and close up.
    m_shiftFrom = first;
    m_shift = qreal(last - first + 1) * kRowPitch;
    m_progress->setValue(0);
    m_progress->animateTo(1);
}

void TrashRowMotion::inserted(int first, int last)
{
    finish();
    if (!vsp::animationsEnabled() || !m_list->isVisible()) {
        return;
    }
    // The rows below start where they were and make room.
    m_enterFirst = first;
    m_enterLast = last;
    m_shiftFrom = last + 1;
    m_shift = -qreal(last - first + 1) * kRowPitch;
    m_progress->setValue(0);
    m_progress->animateTo(1);
}

void TrashRowMotion::paintLeaving(QPainter& painter) const
{
    const qreal t = std::clamp(m_progress->value(), 0.0, 1.0);
    for (const Leaving& leaving : m_leaving) {
        const QPointF pivot = QRectF(leaving.rect).adjusted(0, 0, 0, -TrashRowDelegate::kSpacing).center();
        vsp::motion::paintPicture(painter, leaving.picture, leaving.rect.topLeft(), 1.0 - 0.05 * t, pivot, 1.0 - t);
    }
}

QRectF TrashRowDelegate::restoreRect(const QRect& item)
{
    const QRectF r = QRectF(item).adjusted(0, 0, 0, -kSpacing);
    const qreal w = 12 + QFontMetricsF(vsp::fonts::system(11, QFont::Medium)).horizontalAdvance(tr("Restore")) + 12;
    return {r.right() - kPadding - 26 - 12 - w, r.center().y() - 13, w, 26};
}

QRectF TrashRowDelegate::deleteRect(const QRect& item)
{
    const QRectF r = QRectF(item).adjusted(0, 0, 0, -kSpacing);
    return {r.right() - kPadding - 26, r.center().y() - 13, 26, 26};
}

QString TrashRowDelegate::countdownText(int days)
{
    if (days <= 0) {
        return tr("Deletes today");
    }
    return tr("Deletes in %1 day%2").arg(days).arg(days == 1 ? QString() : QStringLiteral("s"));
}

QSize TrashRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width(), kRowHeight + kSpacing};
}

void TrashRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const qreal presence = m_motion ? m_motion->presence(index.row()) : 1.0;
    const qreal dy = m_motion ? m_motion->offset(index.row()) : 0.0;
    if (presence >= 1.0 && dy == 0.0) {
        paintRecord(painter, option, index);
        return;
    }
    // A row on its way: where the motion has it, growing in from 0.95 as it fades in.
    painter->save();
    painter->translate(0, dy);
    const QPointF pivot = QRectF(option.rect).adjusted(0, 0, 0, -kSpacing).center();
    const qreal scale = 0.95 + 0.05 * presence;
    painter->translate(pivot);
    painter->scale(scale, scale);
    painter->translate(-pivot);
    painter->setOpacity(painter->opacity() * presence);
    paintRecord(painter, option, index);
    painter->restore();
}

void TrashRowDelegate::paintRecord(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    const auto* model = static_cast<const TrashListModel*>(index.model());
    const TrashedEntry& t = model->record(index.row());
    const int days = index.data(TrashListModel::DaysLeftRole).toInt();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(option.rect).adjusted(0, 0, 0, -kSpacing);
    vsp::paintGlass(*painter, r, vsp::Glass::regular(), vsp::GlassShape::RoundedRect, 12);

    const QRectF restore = restoreRect(option.rect);
    const QRectF del = deleteRect(option.rect);
    const bool hoverRow = m_hoveredRow == index.row();
    vsp::paintGlass(*painter, restore, vsp::Glass::regular().tinted(Color::resolvedAccent(0.14)).makeInteractive(),
                    vsp::GlassShape::Capsule, 0, vsp::GlassState{hoverRow && m_hoveredButton == 1, false});
    painter->setFont(vsp::fonts::system(11, QFont::Medium));
    painter->setPen(Color::resolvedAccentText().resolve());
    painter->drawText(restore, Qt::AlignCenter, tr("Restore"));
    vsp::paintGlass(*painter, del, vsp::Glass::regular().makeInteractive(), vsp::GlassShape::RoundedRect, 8,
                    vsp::GlassState{hoverRow && m_hoveredButton == 2, false});
    vsp::symbols::paint(*painter, u"trash", del.adjusted(7.5, 7.5, -7.5, -7.5), Color::secondaryStyle().resolve());
    if (m_ringShown && m_keyRow == index.row()) {
        if (m_keyButton == 1) {
            vsp::paintFocusRing(*painter, restore.adjusted(-3, -3, 3, 3), 1000);
        } else {
            vsp::paintFocusRing(*painter, del.adjusted(-3, -3, 3, 3), 11);
        }
    }

    // Titles and bodies are the user's text, drawn as plain text on one line each.
    const qreal left = r.left() + kPadding;
    const qreal textWidth = restore.left() - 12 - left;
    const QFont titleFont = vsp::fonts::system(13, QFont::Medium);
    const QFont bodyFont = vsp::fonts::system(11);
    const QFont countFont = vsp::fonts::monospaced(10);
    const QFontMetricsF tm(titleFont), bm(bodyFont), cm(countFont);
    const bool hasBody = !t.entry.body.isEmpty();
    const qreal total = tm.height() + 3 + (hasBody ? bm.height() + 3 : 0) + cm.height();
    qreal y = r.center().y() - total / 2;
    painter->setFont(titleFont);
    painter->setPen(Color::primaryStyle().resolve());
    // An imported title may hold line breaks; a row shows it on its one line all the same.
    const auto oneLine = [](QString text) {
        for (QChar& c : text) {
            if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
                c = u' ';
            }
        }
        return text;
    };
    const QString title = oneLine(index.data(Qt::DisplayRole).toString());
    painter->drawText(QRectF(left, y, textWidth, tm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      tm.elidedText(title, Qt::ElideRight, textWidth));
    y += tm.height() + 3;
    if (hasBody) {
        const QString line = oneLine(t.entry.body.left(400));
        painter->setFont(bodyFont);
        painter->setPen(Color::secondaryStyle().resolve());
        painter->drawText(QRectF(left, y, textWidth, bm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          bm.elidedText(line, Qt::ElideRight, textWidth));
        y += bm.height() + 3;
    }
    painter->setFont(countFont);
    painter->setPen(isUrgent(days) ? kOrange : Color::tertiaryStyle().resolve());
    painter->drawText(QRectF(left, y, textWidth, cm.height()), Qt::AlignLeft | Qt::AlignVCenter, countdownText(days));
    painter->restore();
}

TrashView::TrashView(JournalStore& store, QWidget* parent)
    : QDialog(parent),
      m_store(store),
      m_model(new TrashListModel(store, this)),
      m_delegate(new TrashRowDelegate(this)),
      m_pages(new QStackedWidget(this)),
      m_list(new TrashListView(m_pages)),
      m_emptyButton(new GlassChipButton(this)),
      m_close(new vsp::GlassButton(this))
{
    setWindowTitle(tr("Recently Deleted"));
    m_emptyButton->setObjectName(QStringLiteral("emptyTrash"));
    m_model->setObjectName(QStringLiteral("trashModel"));
    m_list->setObjectName(QStringLiteral("trashList"));
    m_close->setObjectName(QStringLiteral("closeTrash"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(460, 520);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());

    m_list->setModel(m_model);
    m_list->setItemDelegate(m_delegate);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    // One Tab stop for the rows; a click acts on the row's buttons and leaves the focus where it was.
    m_list->setFocusPolicy(Qt::TabFocus);
    m_list->installEventFilter(this);
    m_list->setAccessibleName(tr("Deleted entries"));
    m_list->setMouseTracking(true);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    m_list->viewport()->installEventFilter(this);
    m_motion = new TrashRowMotion(m_list, m_delegate);
    m_motion->setObjectName(QStringLiteral("trashRowMotion"));
    m_delegate->setMotion(m_motion);
    static_cast<TrashListView*>(m_list)->motion = m_motion;
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        if (first == 0 && last == m_model->rowCount() - 1 && vsp::animationsEnabled() && isVisible()) {
            m_beforeEmpty = vsp::TransitionOverlay::translucentSnapshot(m_pages);
        }
    });

    m_pages->addWidget(buildEmptyPage());
    // The list's rows keep 16 pixels from the sheet's edges.
    auto* listPage = new QWidget(m_pages);
    auto* listLayout = new QVBoxLayout(listPage);
    listLayout->setContentsMargins(16, 16, 16, 8);
    listLayout->addWidget(m_list);
    m_pages->addWidget(listPage);
    layout->addWidget(m_pages, 1);

    // The header's buttons come first, then the rows.
    setTabOrder(m_emptyButton, m_close);
    setTabOrder(m_close, m_list);
    connect(m_close, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(m_emptyButton, &QAbstractButton::clicked, this, &TrashView::requestEmptyTrash);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TrashView::refresh);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TrashView::refresh);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TrashView::refresh);
    refresh();
}

QWidget* TrashView::buildHeader()
{
    auto* header = new QWidget(this);
    header->setFixedHeight(kHeaderHeight);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(18, 0, 18, 0);
    headerLayout->setSpacing(10);
    // The trash symbol is painted by the sheet in this room.
    headerLayout->addSpacing(14 + 10);
    auto* title = new QLabel(tr("Recently Deleted"), header);
    title->setObjectName(QStringLiteral("title"));
    title->setTextFormat(Qt::PlainText);
    title->setFont(vsp::fonts::system(15, QFont::DemiBold));
    vsp::setThemeColor(title, QPalette::WindowText, Color::primaryStyle());
    headerLayout->addWidget(title);
    headerLayout->addStretch(1);
    m_emptyButton->setText(tr("Empty Trash"));
    m_emptyButton->setTextFont(vsp::fonts::system(11, QFont::Medium));
    m_emptyButton->setMetrics(12, 26);
    m_emptyButton->setShape(vsp::GlassShape::Capsule, 0);
    m_emptyButton->setForeground([](bool) { return kRed; });
    // The button fades in and out with the trash's emptiness, as the list and the empty state do.
    m_emptySlot = new TransitionSlot(m_emptyButton, Transition{}, kRowSpring, header);
    headerLayout->addWidget(m_emptySlot);
    m_close->setSymbol(QStringLiteral("xmark"), 11);
    m_close->setSide(26);
    m_close->setAccessibleName(tr("Close"));
    headerLayout->addWidget(m_close);
    return header;
}

QWidget* TrashView::buildEmptyPage()
{
    auto* empty = new QWidget(m_pages);
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setSpacing(14);
    emptyLayout->addStretch(1);
    auto* emptyIcon = new QLabel(empty);
    emptyIcon->setObjectName(QStringLiteral("emptyIcon"));
    emptyIcon->setFixedSize(60, 60);
    emptyLayout->addWidget(emptyIcon, 0, Qt::AlignHCenter);
    auto* emptyTitle = new QLabel(tr("Trash is empty"), empty);
    emptyTitle->setObjectName(QStringLiteral("emptyTitle"));
    emptyTitle->setFont(vsp::fonts::system(13, QFont::Medium));
    vsp::setThemeColor(emptyTitle, QPalette::WindowText, Color::secondaryStyle());
    emptyTitle->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(emptyTitle);
    auto* note =
        new QLabel(tr("Deleted entries appear here for %1 days\nbefore they're removed for good.").arg(30), empty);
    note->setObjectName(QStringLiteral("emptyNote"));
    note->setFont(vsp::fonts::system(11));
    vsp::setThemeColor(note, QPalette::WindowText, Color::tertiaryStyle());
    note->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(note);
    emptyLayout->addStretch(1);
    emptyIcon->installEventFilter(this);
    return empty;
}

bool TrashView::showsEmptyState() const
{
    return m_pages->currentIndex() == 0;
}

void TrashView::refresh()
{
    const bool empty = m_model->rowCount() == 0;
    const int page = empty ? 0 : 1;
    if (page != m_pages->currentIndex() && vsp::animationsEnabled() && isVisible()) {
        // The list and the empty state fade into each other; the rows that just went are in the picture.
        const QPixmap from =
            empty && !m_beforeEmpty.isNull() ? m_beforeEmpty : vsp::TransitionOverlay::translucentSnapshot(m_pages);
        if (m_pageTransition) {
            m_pageTransition->finish();
        }
        m_motion->finish();
        m_pageTransition = new vsp::TransitionOverlay(
            m_pages, from, kRowSpring, [this](QPainter& p, qreal t, const QPixmap& oldLook, const QPixmap& newLook) {
                p.fillRect(QRect(QPoint(0, 0), m_pages->size()), Color::vspBackground().resolve());
                p.setOpacity(1 - t);
                p.drawPixmap(0, 0, oldLook);
                p.setOpacity(t);
                p.drawPixmap(0, 0, newLook);
            });
        m_pages->setCurrentIndex(page);
        m_pageTransition->start([this] { return vsp::TransitionOverlay::translucentSnapshot(m_pages); });
    } else {
        m_pages->setCurrentIndex(page);
    }
    m_beforeEmpty = QPixmap();
    if (m_delegate->keyRow() >= 0) {
        setKeyFocus(m_delegate->keyRow(), m_delegate->keyButton());
    }
    m_emptySlot->setPresent(!empty);
    update();
    m_list->viewport()->update();
}

void TrashView::restore(int row)
{
    if (row < 0 || row >= m_model->rowCount()) {
        return;
    }
    m_store.restoreFromTrash(m_model->record(row));
}

QMessageBox* TrashView::ask(const QString& title, const QString& message, const QString& destructive)
{
    if (m_question) {
        m_question->close();
    }
    auto* box = new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("trashQuestion"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QPushButton* yes = box->addButton(destructive, QMessageBox::DestructiveRole);
    box->setDefaultButton(box->addButton(QMessageBox::Cancel));
    yes->setObjectName(QStringLiteral("destructive"));
    vsp::makeRoomForTitle(*box);
    m_question = box;
    return box;
}

void TrashView::requestDelete(int row)
{
    if (row < 0 || row >= m_model->rowCount()) {
        return;
    }
    m_pendingDelete = m_model->record(row);
    QMessageBox* box = ask(tr("Delete permanently?"), tr("This entry and its attachments will be removed for good."),
                           tr("Delete Permanently"));
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (box->buttonRole(box->clickedButton()) == QMessageBox::DestructiveRole && m_pendingDelete) {
            m_store.deletePermanently(*m_pendingDelete);
        }
        m_pendingDelete.reset();
    });
    box->open();
}

void TrashView::requestEmptyTrash()
{
    const int n = int(m_store.trashedEntries().size());
    QMessageBox* box =
        ask(tr("Empty Trash?"), tr("This permanently deletes everything in the Trash. This cannot be undone."),
            tr("Delete %1 Entries Permanently").arg(n));
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (box->buttonRole(box->clickedButton()) == QMessageBox::DestructiveRole) {
            m_store.emptyTrash();
        }
    });
    box->open();
}

void TrashView::setKeyFocus(int row, int button)
{
    const int rows = m_model->rowCount();
    row = rows == 0 ? -1 : std::clamp(row, 0, rows - 1);
    m_delegate->setKeyFocus(row, button, m_list->hasFocus());
    if (row >= 0) {
        const QString title =
            m_model->record(row).entry.title.isEmpty() ? tr("Untitled") : m_model->record(row).entry.title;
        m_list->setAccessibleName(button == 1 ? tr("Restore %1").arg(title) : tr("Delete permanently %1").arg(title));
        m_list->scrollTo(m_model->index(row, 0));
    } else {
        m_list->setAccessibleName(tr("Deleted entries"));
    }
    m_list->viewport()->update();
}

bool TrashView::listKeyEvent(QEvent* event)
{
    const int row = m_delegate->keyRow();
    const int button = m_delegate->keyButton();
    switch (event->type()) {
    case QEvent::FocusIn: setKeyFocus(std::max(row, 0), button); return false;
    case QEvent::FocusOut:
        m_delegate->setKeyFocus(row, button, false);
        m_list->viewport()->update();
        return false;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || row < 0) {
            return false;
        }
        switch (key->key()) {
        case Qt::Key_Up: setKeyFocus(row - 1, button); return true;
        case Qt::Key_Down: setKeyFocus(row + 1, button); return true;
        case Qt::Key_Left: setKeyFocus(row, 1); return true;
        case Qt::Key_Right: setKeyFocus(row, 2); return true;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!key->isAutoRepeat()) {
                if (button == 1) {
                    restore(row);
                } else {
                    requestDelete(row);
                }
            }
            return true;
        default: return false;
        }
    }
    default: return false;
    }
}

bool TrashView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && listKeyEvent(event)) {
        return true;
    }
    if (watched->objectName() == QLatin1String("emptyIcon") && event->type() == QEvent::Paint) {
        auto* w = static_cast<QWidget*>(watched);
        QPainter p(w);
        p.setRenderHint(QPainter::Antialiasing);
        vsp::paintGlass(p, QRectF(w->rect()), vsp::Glass::regular(), vsp::GlassShape::Circle, 0);
        vsp::symbols::paint(p, u"trash", QRectF(w->rect()).adjusted(15, 15, -15, -15),
                            Color::tertiaryStyle().resolve());
        return true;
    }
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::Leave) {
            m_delegate->setHovered(-1, 0);
            m_list->viewport()->update();
        } else if (event->type() == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QModelIndex at = m_list->indexAt(me->position().toPoint());
            int button = 0;
            if (at.isValid()) {
                const QRect item = m_list->visualRect(at);
                const QPointF pos = me->position();
                button = TrashRowDelegate::restoreRect(item).contains(pos)  ? 1
                         : TrashRowDelegate::deleteRect(item).contains(pos) ? 2
                                                                            : 0;
            }
            m_delegate->setHovered(at.isValid() ? at.row() : -1, button);
            m_list->viewport()->update();
        } else if (event->type() == QEvent::MouseButtonRelease
                   && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QModelIndex at = m_list->indexAt(me->position().toPoint());
            if (at.isValid()) {
                const QRect item = m_list->visualRect(at);
                if (TrashRowDelegate::restoreRect(item).contains(me->position())) {
                    restore(at.row());
                    return true;
                }
                if (TrashRowDelegate::deleteRect(item).contains(me->position())) {
                    requestDelete(at.row());
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TrashView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Color::vspBackground().resolve());
    const QRectF icon(18, kHeaderHeight / 2.0 - 7, 14, 14);
    vsp::symbols::paint(p, u"trash", icon, Color::resolvedAccentText().resolve());
    p.fillRect(QRectF(0, kHeaderHeight - 1, width(), 1), Color::vspBorder().resolve());
}
