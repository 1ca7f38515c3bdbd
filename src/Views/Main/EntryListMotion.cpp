#include "Views/Main/EntryListMotion.h"

#include "Theme/Spring.h"
#include "Views/Main/EntryListDelegate.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QVariantAnimation>

namespace {

/// The spring of every change of the list's rows.
constexpr vsp::Spring kListSpring{0.3, 1.0};

} // namespace

EntryListMotion::EntryListMotion(QAbstractItemView& view, EntryListModel& model, EntryListDelegate& delegate)
    : QObject(&view),
      m_view(view),
      m_model(model),
      m_delegate(delegate),
      m_animation(new QVariantAnimation(this))
{
    // The rows' own signals tell what changes, while the rows that leave can still be read. The motion
    // connects before the view does, so it sees the rows where the view last laid them out.
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        if (seeChange()) {
            noteRemoved(first, last);
        }
    });
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] { seeChange(); });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        if (m_pending && !m_large) {
            noteInserted(first, last);
        }
    });
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeMoved, this, [this] { seeChange(); });
    // A reset is a change too large to follow row by row.
    connect(&m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (seeChange()) {
            landAtOnce();
        }
    });

    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setDuration(kListSpring.durationMs());
    m_animation->setEasingCurve(kListSpring.easing());
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_progress = value.toDouble();
        Q_EMIT frame();
    });
    connect(m_animation, &QAbstractAnimation::finished, this, [this] {
        m_tracks.clear();
        m_leaving.clear();
        m_progress = 1;
        Q_EMIT frame();
    });
}

EntryListMotion::Look EntryListMotion::lookAt(const Track& track) const
{
    const qreal t = m_progress;
    return {track.fromOffset + (track.toOffset - track.fromOffset) * t,
            std::clamp(track.fromOpacity + (track.toOpacity - track.fromOpacity) * t, 0.0, 1.0)};
}

EntryListMotion::Look EntryListMotion::lookOf(const RowKey& key) const
{
    if (m_picturing || m_tracks.isEmpty()) {
        return {};
    }
    const auto it = m_tracks.constFind(key);
    return it == m_tracks.cend() ? Look{} : lookAt(*it);
}

QList<EntryListMotion::RowKey> EntryListMotion::leavingRows() const
{
    QList<RowKey> keys;
    keys.reserve(m_leaving.size());
    for (const Leaving& leaving : m_leaving) {
        keys.append(leaving.key);
    }
    return keys;
}

EntryListMotion::Look EntryListMotion::lookOfLeaving(const RowKey& key) const
{
    for (const Leaving& leaving : m_leaving) {
        if (leaving.key == key) {
            return lookAt(leaving.track);
        }
    }
    return {0, 0};
}

int EntryListMotion::scrollOffset() const
{
    return m_view.verticalScrollBar()->value();
}

int EntryListMotion::firstVisibleRow() const
{
    const QModelIndex index = m_view.indexAt(QPoint(m_view.viewport()->width() / 2, 0));
    if (index.isValid()) {
        return index.row();
    }
    // Nothing at the top edge: either no rows at all, or rows that start lower down.
    const int rows = m_model.rowCount();
    return rows > 0 && m_view.visualRect(m_model.index(0)).top() >= 0 ? 0 : -1;
}

QPixmap EntryListMotion::pictureOf(int row, const QSize& size, QPoint* at)
{
    const qreal dpr = m_view.viewport()->devicePixelRatioF();
    *at = QPoint();
    // The block is kept as one picture already: fading it out needs no copy.
    if (QPixmap kept = m_delegate.restingPicture(m_model.index(row), size, dpr, at); !kept.isNull()) {
        return kept;
    }
    QPixmap picture((QSizeF(size) * dpr).toSize().expandedTo(QSize(1, 1)));
    picture.setDevicePixelRatio(dpr);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QStyleOptionViewItem option;
    option.rect = QRect(QPoint(0, 0), size);
    option.widget = &m_view;
    // The row as it looks at rest: a row that leaves mid-motion fades from where it is drawn.
    m_picturing = true;
    m_delegate.paint(&painter, option, m_model.index(row));
    m_picturing = false;
    return picture;
}

void EntryListMotion::seeRow(int row)
{
    const RowKey key = m_model.keyAt(row);
    Seen seen;
    seen.rect = m_view.visualRect(m_model.index(row));
    seen.look = lookOf(key);
    m_seen.insert(key, seen);
}

bool EntryListMotion::seeChange()
{
    if (m_pending) {
        // Already seen since the last paint: the screen still shows what was seen first.
        return !m_large;
    }
    if (!vsp::animationsEnabled()) {
        return false;
    }
    if (!m_view.isVisible()) {
        stop();
        return false;
    }
    m_pending = true;
    m_large = false;
    m_inserted.clear();
    m_removed.clear();
    m_seen.clear();
    const int height = m_view.viewport()->height();
    const int rows = m_model.rowCount();
    const int first = firstVisibleRow();
    for (int row = std::max(0, first); first >= 0 && row < rows; ++row) {
        if (m_view.visualRect(m_model.index(row)).top() >= height) {
            break;
        }
        seeRow(row);
    }
    // Rows whose place is out of view but which are still gliding through it are on screen too.
    const QRect viewport = m_view.viewport()->rect();
    for (auto it = m_tracks.cbegin(); it != m_tracks.cend(); ++it) {
        if (it->row < 0 || it->row >= rows || m_seen.contains(it.key())) {
            continue;
        }
        const QRect place = m_view.visualRect(m_model.index(it->row));
        if (place.translated(0, int(lookAt(*it).offsetY)).intersects(viewport)) {
            seeRow(it->row);
        }
    }
    return true;
}

void EntryListMotion::landAtOnce()
{
    stop();
    // Whatever else changes before the next paint lands at once too.
    m_pending = true;
    m_large = true;
}

bool EntryListMotion::tooManyToFollow(int rows) const
{
    // Each row at most cancels one noted before: more than this many leave more than the limit noted,
    // and a search over a long journal need not look at each of its rows.
    return rows > 2 * int(m_inserted.size() + m_removed.size()) + kMaxAnimatedChanges;
}

void EntryListMotion::noteRemoved(int first, int last)
{
    if (tooManyToFollow(last - first + 1)) {
        landAtOnce();
        return;
    }
    for (int row = first; row <= last; ++row) {
        const RowKey key = m_model.keyAt(row);
        if (m_inserted.remove(key)) {
            continue; // came and went without being painted
        }
        m_removed.insert(key);
        // Seen rows that leave are kept as pictures, painted while they fade.
        const auto seen = m_seen.find(key);
        if (seen != m_seen.end() && seen->picture.isNull()) {
            seen->picture = pictureOf(row, seen->rect.size(), &seen->pictureAt);
        }
    }
    if (m_inserted.size() + m_removed.size() > kMaxAnimatedChanges) {
        landAtOnce();
    }
}

void EntryListMotion::noteInserted(int first, int last)
{
    if (tooManyToFollow(last - first + 1)) {
        landAtOnce();
        return;
    }
    for (int row = first; row <= last; ++row) {
        const RowKey key = m_model.keyAt(row);
        // A row that left and came back before any paint simply moves.
        if (!m_removed.remove(key)) {
            m_inserted.insert(key);
        }
    }
    if (m_inserted.size() + m_removed.size() > kMaxAnimatedChanges) {
        landAtOnce();
    }
}

void EntryListMotion::resolve()
{
    if (!m_pending) {
        return;
    }
    if (m_large) {
        m_pending = false;
        m_large = false;
        return;
    }
    m_pending = false;
    const int scroll = scrollOffset();
    const int height = m_view.viewport()->height();

    // Rows already leaving keep fading from where they are drawn now.
    for (Leaving& leaving : m_leaving) {
        const Look now = lookAt(leaving.track);
        leaving.rect.translate(0, now.offsetY);
        const bool sinks = leaving.key.kind == EntryListModel::RowKind::OnThisDay;
        leaving.track = Track{0, now.opacity, sinks ? std::max(0.0, height - (leaving.rect.top() - scroll)) : 0, 0};
    }

    QHash<RowKey, Track> tracks;
    for (auto it = m_seen.cbegin(); it != m_seen.cend(); ++it) {
        const Seen& seen = *it;
        const qreal shownTop = seen.rect.top() + seen.look.offsetY;
        if (m_removed.contains(it.key())) {
            if (seen.picture.isNull() || seen.look.opacity <= 0.001) {
                continue;
            }
            // The block sinks to the bottom edge as it fades; entry rows fade where they are.
            const bool sinks = it.key().kind == EntryListModel::RowKind::OnThisDay;
            Leaving leaving;
            leaving.key = it.key();
            leaving.picture = seen.picture;
            leaving.pictureAt = seen.pictureAt;
            leaving.rect = QRectF(seen.rect.left(), shownTop + scroll, seen.rect.width(), seen.rect.height());
            leaving.track = Track{0, seen.look.opacity, sinks ? std::max(0.0, height - shownTop) : 0, 0};
            m_leaving.append(leaving);
            continue;
        }
        const int row = m_model.rowOf(it.key());
        if (row < 0) {
            continue;
        }
        const QRect place = m_view.visualRect(m_model.index(row));
        const Track track{shownTop - place.top(), seen.look.opacity, 0, 1, row, true};
        if (track.fromOffset != 0 || track.fromOpacity < 1) {
            tracks.insert(it.key(), track);
        }
    }

    // Rows now on screen that were not seen before.
    QList<int> arriving;
    const int rows = m_model.rowCount();
    const int first = firstVisibleRow();
    for (int row = std::max(0, first); first >= 0 && row < rows; ++row) {
        const QRect place = m_view.visualRect(m_model.index(row));
        if (place.top() >= height) {
            break;
        }
        const RowKey key = m_model.keyAt(row);
        if (m_seen.contains(key)) {
            continue;
        }
        if (m_entering || m_inserted.contains(key)) {
            Track track{0, 0, 0, 1, row, false};
            if (key.kind == EntryListModel::RowKind::OnThisDay) {
                track.fromOffset = height - place.top(); // rises from the bottom edge
            } else if (key.kind == EntryListModel::RowKind::Entry) {
                track.fromOffset = -kInsertDrop;
            }
            tracks.insert(key, track);
        } else {
            arriving.append(row);
        }
    }
    // Rows that come into view from off screen glide with their neighbours when these glide (rows
    // closing up under a removed one); otherwise they fade in where they land.
    const auto glideLike = [&](int row, int neighbour) {
        if (neighbour < 0 || neighbour >= rows) {
            return false;
        }
        const auto it = tracks.constFind(m_model.keyAt(neighbour));
        if (it == tracks.cend() || !it->glides) {
            return false;
        }
        tracks.insert(m_model.keyAt(row), Track{it->fromOffset, 1, 0, 1, row, true});
        return true;
    };
    QList<int> unplaced;
    for (const int row : std::as_const(arriving)) {
        if (!glideLike(row, row - 1)) {
            unplaced.append(row);
        }
    }
    for (auto it = unplaced.crbegin(); it != unplaced.crend(); ++it) {
        if (!glideLike(*it, *it + 1)) {
            tracks.insert(m_model.keyAt(*it), Track{0, 0, 0, 1, *it, false});
        }
    }

    m_tracks = std::move(tracks);
    m_entering = false;
    m_seen.clear();
    m_inserted.clear();
    m_removed.clear();
    if (!isRunning()) {
        m_animation->stop();
        m_progress = 1;
        return;
    }
    startSpring();
}

void EntryListMotion::startSpring()
{
    m_animation->stop();
    m_progress = 0;
    m_animation->start();
    Q_EMIT frame();
}

void EntryListMotion::stop()
{
    m_animation->stop();
    const bool wasMoving = isRunning();
    m_tracks.clear();
    m_leaving.clear();
    m_seen.clear();
    m_inserted.clear();
    m_removed.clear();
    m_pending = false;
    m_large = false;
    m_entering = false;
    m_progress = 1;
    if (wasMoving) {
        Q_EMIT frame();
    }
}

void EntryListMotion::enter()
{
    stop();
    m_pending = true;
    m_entering = true;
}

void EntryListMotion::paintLeaving(QPainter& painter) const
{
    const int scroll = scrollOffset();
    for (const Leaving& leaving : m_leaving) {
        const Look look = lookAt(leaving.track);
        if (look.opacity <= 0.001) {
            continue;
        }
        painter.save();
        painter.setOpacity(look.opacity);
        painter.drawPixmap(QPointF(leaving.rect.left(), leaving.rect.top() - scroll + look.offsetY) + leaving.pictureAt,
                           leaving.picture);
        painter.restore();
    }
}

void EntryListMotion::paintEscaping(QPainter& painter) const
{
    const QRect viewport = m_view.viewport()->rect();
    const int rows = m_model.rowCount();
    for (const Track& track : m_tracks) {
        if (track.row < 0 || track.row >= rows) {
            continue;
        }
        const QModelIndex index = m_model.index(track.row);
        const QRect place = m_view.visualRect(index);
        // Rows whose place is in view are painted by the list itself.
        if (place.intersects(viewport) || !place.translated(0, int(lookAt(track).offsetY)).intersects(viewport)) {
            continue;
        }
        QStyleOptionViewItem option;
        option.rect = place;
        option.widget = &m_view;
        m_delegate.paint(&painter, option, index);
    }
}
