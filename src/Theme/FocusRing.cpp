#include "Theme/FocusRing.h"

#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace vsp {

namespace {

constexpr qreal kRingWidth = 2;

/// The ring itself: laid over the focused widget, it takes no clicks and no focus.
class RingView final : public QWidget {
public:
    explicit RingView(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("vspFocusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this,
                qOverload<>(&QWidget::update));
        connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, qOverload<>(&QWidget::update));
    }
    qreal radius = 8;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        paintFocusRing(p, QRectF(rect()), radius);
    }
};

/// Follows the widgets given a ring: shows the ring around the one that has the focus, keeps it on it
/// as it moves, and turns Space and Return into activation for the controls that asked for it.
class RingKeeper final : public QObject {
public:
    struct Shape {
        qreal radius = 8;
        QMarginsF outset{2, 2, 2, 2};
        std::function<void()> activate;
        /// The widget the ring goes round, when not the focused one.
        QPointer<QWidget> around;
    };

    static RingKeeper& instance()
    {
        // Owned by the application object: destroyed with it, after every window.
        static QPointer<RingKeeper> keeper;
        if (!keeper) {
            keeper = new RingKeeper(QCoreApplication::instance());
        }
        return *keeper;
    }

    void add(QWidget* widget, Shape shape)
    {
        const bool known = m_shapes.contains(widget);
        if (known && !shape.activate) {
            // A new shape keeps the activation given before.
            shape.activate = m_shapes.value(widget).activate;
        }
        m_shapes.insert(widget, std::move(shape));
        if (shape.around) {
            shape.around->installEventFilter(this);
        }
        if (!known) {
            widget->installEventFilter(this);
            connect(widget, &QObject::destroyed, this, [this, widget] {
                m_shapes.remove(widget);
                if (m_target == widget) {
                    hide();
                }
            });
        }
        if (m_target == widget) {
            place();
        }
    }

    QWidget* shown() const { return m_ring && m_ring->isVisible() ? m_ring.data() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = static_cast<QWidget*>(watched);
        // The frame a field's ring goes round moved: the ring goes with it.
        if (m_target && watched != m_target && m_shapes.value(m_target).around.data() == watched) {
            if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && !m_placing) {
                place();
            }
            return false;
        }
        switch (event->type()) {
        case QEvent::FocusIn: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            // A click or the window coming forward shows no ring (the pointer user sees where they are);
            // a popup closing gives the focus back as it was.
            if (reason == Qt::PopupFocusReason) {
                break;
            }
            const bool field = m_shapes.value(widget).around;
            if (!field && (reason == Qt::MouseFocusReason || reason == Qt::ActiveWindowFocusReason)) {
                hide();
            } else {
                m_target = widget;
                place();
            }
            break;
        }
        case QEvent::FocusOut:
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && m_target == widget) {
                hide();
            }
            break;
        case QEvent::Hide:
            if (m_target == widget) {
                hide();
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::ParentChange:
        case QEvent::ZOrderChange:
            if (m_target == widget && m_ring && m_ring->isVisible() && !m_placing) {
                place();
            }
            break;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto shape = m_shapes.constFind(widget);
            const bool activation =
                key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (shape != m_shapes.cend() && shape->activate && activation
                && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                if (!key->isAutoRepeat()) {
                    shape->activate();
                }
                return true;
            }
            break;
        }
        default: break;
        }
        return false;
    }

private:
    using QObject::QObject;

    void place()
    {
        const auto shape = m_shapes.constFind(m_target);
        if (!m_target || shape == m_shapes.cend() || !m_target->isVisible()) {
            hide();
            return;
        }
        QWidget* target = shape->around ? shape->around.data() : m_target.data();
        m_placing = true;
        // Over the parent, so a ring outside the widget is not cut off by it; a window of its own draws it
        // inside.
        QWidget* host = target->parentWidget() ? target->parentWidget() : target;
        QMarginsF outset = shape->outset;
        if (host == target) {
            outset = QMarginsF(std::min<qreal>(outset.left(), 0), std::min<qreal>(outset.top(), 0),
                               std::min<qreal>(outset.right(), 0), std::min<qreal>(outset.bottom(), 0));
        }
        if (!m_ring) {
            m_ring = new RingView(host);
        } else if (m_ring->parentWidget() != host) {
            m_ring->setParent(host);
        }
        const QRect base = host == target ? target->rect() : target->geometry();
        const auto px = [](qreal v) { return int(std::ceil(v)); };
        m_ring->radius = shape->radius;
        QRect ring = base.adjusted(-px(outset.left()), -px(outset.top()), px(outset.right()), px(outset.bottom()));
        if (host != target) {
            // A parent with no room round the widget (a photo filling its gallery's width) would cut the
            // ring off at its edges, leaving only the corners: on those sides it is drawn inside.
            ring = ring.intersected(host->rect());
        }
        m_ring->setGeometry(ring);
        m_ring->show();
        m_ring->raise();
        m_ring->update();
        m_placing = false;
    }

    void hide()
    {
        m_target = nullptr;
        if (m_ring) {
            m_ring->hide();
        }
    }

    QHash<QWidget*, Shape> m_shapes;
    QPointer<QWidget> m_target;
    QPointer<RingView> m_ring;
    bool m_placing = false;
};

} // namespace

void paintFocusRing(QPainter& painter, const QRectF& rect, qreal cornerRadius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect.adjusted(kRingWidth / 2, kRingWidth / 2, -kRingWidth / 2, -kRingWidth / 2);
    const qreal radius = std::clamp(cornerRadius - kRingWidth / 2, 0.0, std::min(r.width(), r.height()) / 2);
    QPen pen(Color::resolvedAccentText().resolve(), kRingWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(r, radius, radius);
    painter.restore();
}

void setFocusRing(QWidget* widget, qreal cornerRadius, qreal outset)
{
    setFocusRing(widget, cornerRadius, QMarginsF(outset, outset, outset, outset));
}

void setFocusRing(QWidget* widget, qreal cornerRadius, const QMarginsF& outset, QWidget* around)
{
    RingKeeper::Shape shape;
    shape.radius = cornerRadius;
    shape.outset = outset;
    shape.around = around;
    RingKeeper::instance().add(widget, std::move(shape));
}

void makeKeyboardControl(QWidget* widget, std::function<void()> activate, qreal cornerRadius, const QMarginsF& outset)
{
    widget->setFocusPolicy(Qt::TabFocus);
    RingKeeper::Shape shape;
    shape.radius = cornerRadius;
    shape.outset = outset;
    shape.activate = std::move(activate);
    RingKeeper::instance().add(widget, std::move(shape));
}

QWidget* focusNeighbour(const QList<QWidget*>& regions, QWidget* current, bool forward)
{
    if (!current || regions.isEmpty()) {
        return nullptr;
    }
    const auto regionOf = [&regions](const QWidget* w) {
        for (int i = 0; i < regions.size(); ++i) {
            if (regions[i] && (regions[i] == w || regions[i]->isAncestorOf(w))) {
                return i;
            }
        }
        return -1;
    };
    if (regionOf(current) < 0) {
        return nullptr;
    }
    const auto reachable = [current](const QWidget* w) {
        return w == current
               || ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() && !w->focusProxy());
    };
    QList<QList<QWidget*>> buckets(regions.size());
    QWidget* window = current->window();
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (reachable(w)) {
            if (const int region = regionOf(w); region >= 0) {
                buckets[region].append(w);
            }
        }
    }
    // Widgets made without a parent and put in later can sit in a loop of the focus chain of their own,
    // which the walk from the window misses: they follow in the order they were made.
    for (int i = 0; i < regions.size(); ++i) {
        if (!regions[i]) {
            continue;
        }
        QList<QWidget*> all{regions[i]};
        all += regions[i]->findChildren<QWidget*>();
        for (QWidget* w : std::as_const(all)) {
            if (reachable(w) && regionOf(w) == i && !buckets[i].contains(w)) {
                buckets[i].append(w);
            }
        }
    }
    QList<QWidget*> order;
    for (const QList<QWidget*>& bucket : std::as_const(buckets)) {
        order += bucket;
    }
    const qsizetype at = order.indexOf(current);
    if (at < 0 || order.size() < 2) {
        return nullptr;
    }
    return order[(at + (forward ? 1 : order.size() - 1)) % order.size()];
}

QWidget* lastFocusable(QWidget* region)
{
    QWidget* last = region;
    for (QWidget* w = region->nextInFocusChain(); w && w != region; w = w->nextInFocusChain()) {
        if (region->isAncestorOf(w) && w->focusPolicy() != Qt::NoFocus && !w->focusProxy()) {
            last = w;
        }
    }
    return last;
}

void placeBefore(const QList<QWidget*>& regions, QWidget* before)
{
    const auto inRegions = [&regions](const QWidget* w) {
        return std::any_of(regions.cbegin(), regions.cend(),
                           [w](const QWidget* r) { return r && (r == w || r->isAncestorOf(w)); });
    };
    // The stop the regions follow: the last one ahead of `before` that is not theirs.
    QWidget* anchor = before->previousInFocusChain();
    while (anchor && anchor != before && !anchor->isWindow()
           && (inRegions(anchor) || !(anchor->focusPolicy() & Qt::TabFocus) || anchor->focusProxy())) {
        anchor = anchor->previousInFocusChain();
    }
    if (!anchor || anchor == before || anchor->isWindow()) {
        return;
    }
    QList<QWidget*> stops;
    for (QWidget* region : regions) {
        if (!region) {
            continue;
        }
        QList<QWidget*> all{region};
        all += region->findChildren<QWidget*>();
        for (QWidget* w : std::as_const(all)) {
            if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy()) {
                stops.append(w);
            }
        }
    }
    QWidget* previous = anchor;
    for (QWidget* w : std::as_const(stops)) {
        QWidget::setTabOrder(previous, w);
        previous = w;
    }
    QWidget::setTabOrder(previous, before);
}

void keepFocusInView(QScrollArea* area)
{
    QObject::connect(qApp, &QApplication::focusChanged, area, [area](QWidget*, QWidget* now) {
        if (now && area->widget() && area->widget()->isAncestorOf(now)
            && QGuiApplication::mouseButtons() == Qt::NoButton) {
            // Room for the ring round the widget.
            area->ensureWidgetVisible(now, 8, 8);
        }
    });
}

QWidget* shownFocusRing()
{
    return RingKeeper::instance().shown();
}

} // namespace vsp
