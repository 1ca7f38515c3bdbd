#include "Theme/Transitions.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QLayout>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

/// Where a moving piece waits, out of its slot's sight: far outside the slot, so it is clipped away
/// entirely but keeps its state, its size and its focus.
constexpr QPoint kAway(-100000, -100000);

/// The size a widget asks for in a layout: its hint within its own minimum and maximum.
QSize effectiveHint(const QWidget* widget)
{
    QSize hint = widget->sizeHint();
    if (!hint.isValid()) {
        hint = QSize(0, 0);
    }
    return hint.expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize());
}

} // namespace

// ---------------------------------------------------------------------------------------------------

TransitionSlot::TransitionSlot(QWidget* content, Transition transition, vsp::Spring spring, QWidget* parent)
    : QWidget(parent),
      m_content(content),
      m_transition(transition),
      m_spring(spring),
      m_progress(new vsp::SpringValue(content->isHidden() ? 0.0 : 1.0, spring, this))
{
    m_present = !content->isHidden();
    content->setParent(this);
    content->show();
    setSizePolicy(content->sizePolicy());
    // Never larger than the piece may be, so a layout centres the slot as it would centre the piece.
    setMaximumSize(content->maximumSize());
    setObjectName(content->objectName() + QStringLiteral("Slot"));
    setHidden(!m_present);
    connect(m_progress, &vsp::SpringValue::valueChanged, this, [this] {
        if (m_transition.room) {
            updateGeometry();
        }
        update();
    });
    connect(m_progress, &vsp::SpringValue::arrived, this, &TransitionSlot::finish);
}

void TransitionSlot::setPresent(bool present, bool animate)
{
    const QWidget* parent = parentWidget();
    const bool canAnimate =
        animate && vsp::animationsEnabled() && window()->isVisible() && (!parent || parent->isVisible());
    if (!canAnimate) {
        m_moving = false;
        m_snapshot = QPixmap();
        m_present = present;
        m_progress->setValue(present ? 1.0 : 0.0);
        setVisible(present);
        placeContent();
        updateGeometry();
        update();
        Q_EMIT transitionFinished(present);
        return;
    }
    if (present == m_present) {
        return;
    }
    begin(present, m_spring);
}

void TransitionSlot::retire(QList<TransitionSlot*>& owned, bool animate, vsp::Spring spring)
{
    connect(this, &TransitionSlot::transitionFinished, this, [this, &owned](bool present) {
        if (!present) {
            owned.removeOne(this);
            deleteLater();
        }
    });
    if (animate) {
        setPresent(false, spring);
    } else {
        setPresent(false, false);
    }
}

void TransitionSlot::setPresent(bool present, vsp::Spring spring)
{
    m_spring = spring;
    setPresent(present, true);
}

void TransitionSlot::begin(bool present, vsp::Spring spring)
{
    const bool returning = m_moving && present && !m_present;
    m_present = present;
    m_progress->setSpring(spring);
    if (returning) {
        // Called back while it leaves: the piece may have changed since its picture was taken (another
        // image, mood or suggestion in it now), so it comes back pictured as it is.
        takeSnapshot();
        updateGeometry();
        update();
    } else if (!m_moving) {
        if (present) {
            // Comes in from nothing: out of sight first, then given its place, then pictured at the size
            // it will have there.
            m_progress->setValue(0.0);
            m_content->move(kAway);
            m_moving = true;
            show();
            activateParentLayout();
        }
        takeSnapshot();
        // The room the picture asks for (all of it, for a piece without room) is taken now, not a turn
        // later.
        updateGeometry();
        activateParentLayout();
    }
    m_progress->animateTo(present ? 1.0 : 0.0);
}

void TransitionSlot::activateParentLayout()
{
    if (QWidget* parent = parentWidget(); parent && parent->layout()) {
        parent->layout()->activate();
    }
}

void TransitionSlot::refreshSnapshot()
{
    if (m_moving && m_present) {
        takeSnapshot();
        update();
    }
}

void TransitionSlot::takeSnapshot()
{
    m_moving = true;
    m_snapshotSize = contentSize();
    m_content->resize(m_snapshotSize);
    // Children added just now (chips, thumbnails) have their layouts pending: settle them first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    // Outer layouts first: each gives the widgets inside their sizes before those lay out their own.
    if (m_content->layout()) {
        m_content->layout()->activate();
    }
    const QList<QWidget*> inner = m_content->findChildren<QWidget*>();
    for (QWidget* widget : inner) {
        if (widget->layout() && !widget->isHidden()) {
            widget->layout()->activate();
        }
    }
    m_snapshot = m_content->grab();
    m_content->move(kAway);
}

QSize TransitionSlot::contentSize() const
{
    const QSize hint = effectiveHint(m_content);
    // Across the room's axis the slot has the size its layout gives it; along it (and in both axes of
    // a piece without room, whose slot may not have been laid out yet) the piece's own.
    if (m_transition.room == Qt::Horizontal) {
        return {hint.width(), height() > 0 ? height() : hint.height()};
    }
    const int w = width() > 0 ? width() : hint.width();
    const int h = m_content->hasHeightForWidth() ? m_content->heightForWidth(w) : hint.height();
    return {w, h};
}

double TransitionSlot::room() const
{
    // An overshooting spring may ask for a little more room than the piece needs, never less than none.
    return std::clamp(m_progress->value(), 0.0, 1.15);
}

void TransitionSlot::finish(double)
{
    if (!m_moving) {
        return;
    }
    m_moving = false;
    m_snapshot = QPixmap();
    if (!m_present) {
        hide();
    }
    placeContent();
    updateGeometry();
    update();
    Q_EMIT transitionFinished(m_present);
}

void TransitionSlot::placeContent()
{
    if (!m_moving) {
        m_content->setGeometry(rect());
    }
}

QSize TransitionSlot::sizeHint() const
{
    if (!m_moving) {
        return effectiveHint(m_content);
    }
    QSize hint = m_snapshotSize;
    if (m_transition.room == Qt::Horizontal) {
        hint.setWidth(int(std::lround(hint.width() * room())));
    } else if (m_transition.room == Qt::Vertical) {
        hint.setHeight(int(std::lround(hint.height() * room())));
    }
    return hint;
}

QSize TransitionSlot::minimumSizeHint() const
{
    if (!m_moving) {
        const QSize min = m_content->minimumSizeHint();
        return (min.isValid() ? min : QSize(0, 0)).expandedTo(m_content->minimumSize());
    }
    return sizeHint();
}

bool TransitionSlot::hasHeightForWidth() const
{
    return !m_moving && m_content->hasHeightForWidth();
}

int TransitionSlot::heightForWidth(int width) const
{
    return m_content->heightForWidth(width);
}

bool TransitionSlot::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest) {
        // The piece asked for another size.
        setMaximumSize(m_content->maximumSize());
        updateGeometry();
        placeContent();
    }
    return QWidget::event(event);
}

void TransitionSlot::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeContent();
}

void TransitionSlot::paintEvent(QPaintEvent*)
{
    if (!m_moving || m_snapshot.isNull()) {
        return;
    }
    QPainter p(this);
    const double t = m_progress->value();
    const QSizeF full(m_snapshotSize);
    QPointF origin;
    if (m_transition.room == Qt::Horizontal) {
        const bool leading = m_transition.anchor.testFlag(Qt::AlignLeft);
        origin = {leading ? 0.0 : (width() - full.width()) / 2, (height() - full.height()) / 2};
    } else if (m_transition.room == Qt::Vertical) {
        const bool bottom = m_transition.anchor.testFlag(Qt::AlignBottom);
        origin = {(width() - full.width()) / 2, bottom ? height() - full.height() : (height() - full.height()) / 2};
    }
    if (m_transition.slideFromBottom) {
        origin.ry() += (1.0 - t) * full.height();
    }
    const QRectF at(origin, full);
    QPointF pivot = at.center();
    if (m_transition.anchor.testFlag(Qt::AlignLeft)) {
        pivot.setX(at.left());
    }
    if (m_transition.anchor.testFlag(Qt::AlignRight)) {
        pivot.setX(at.right());
    }
    if (m_transition.anchor.testFlag(Qt::AlignBottom)) {
        pivot.setY(at.bottom());
    } else if (m_transition.anchor.testFlag(Qt::AlignTop)) {
        pivot.setY(at.top());
    }
    const double absent = m_present ? m_transition.scaleFrom : m_scaleOnRemoval.value_or(m_transition.scaleFrom);
    const double scale = absent + (1.0 - absent) * t;
    vsp::motion::paintPicture(p, m_snapshot, origin, scale, pivot, t);
}

// ---------------------------------------------------------------------------------------------------

EntranceOverlay::EntranceOverlay(QWidget* content, const QPixmap& picture, const QColor& background, double scaleFrom,
                                 vsp::Spring spring)
    : QWidget(content),
      m_picture(picture),
      m_background(background),
      m_scaleFrom(scaleFrom),
      m_progress(new vsp::SpringValue(0.0, spring, this))
{
    setObjectName(QStringLiteral("entranceOverlay"));
    // Clicks go to the real content beneath, which already stands where the picture is heading.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(content->rect());
    content->installEventFilter(this);
    connect(m_progress, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_progress, &vsp::SpringValue::arrived, this, &EntranceOverlay::end);
    show();
    raise();
    m_progress->animateTo(1.0);
}

bool EntranceOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize) {
        // The picture was taken at the old size; the content itself is the better view now.
        end();
    }
    return QWidget::eventFilter(watched, event);
}

void EntranceOverlay::end()
{
    if (m_ended) {
        return;
    }
    m_ended = true;
    parent()->removeEventFilter(this);
    hide();
    Q_EMIT finished();
    deleteLater();
}

void EntranceOverlay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_background);
    const double t = m_progress->value();
    const double scale = m_scaleFrom + (1.0 - m_scaleFrom) * t;
    vsp::motion::paintPicture(p, m_picture, QPointF(0, 0), scale, QRectF(rect()).center(), t);
}

// ---------------------------------------------------------------------------------------------------

namespace vsp::motion {

void paintPicture(QPainter& painter, const QPixmap& picture, QPointF topLeft, double scale, QPointF pivot,
                  double opacity)
{
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (picture.isNull() || opacity <= 0.0 || scale <= 0.0) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(painter.opacity() * opacity);
    painter.translate(pivot);
    painter.scale(scale, scale);
    painter.translate(-pivot);
    painter.drawPixmap(topLeft, picture);
    painter.restore();
}

QPixmap blurred(const QPixmap& picture, qreal radius)
{
    if (picture.isNull() || radius <= 0) {
        return picture;
    }
    const qreal ratio = picture.devicePixelRatio();
    const QImage image = picture.toImage();
    // Down to about one pixel per blur radius and smoothly back up: a soft blur at a fraction of the cost
    // of a real one, plenty for a picture on screen for a few frames.
    const qreal factor = std::max<qreal>(1.0, radius * ratio);
    const QSize small(std::max(1, int(image.width() / factor)), std::max(1, int(image.height() / factor)));
    const QImage soft = image.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap result = QPixmap::fromImage(soft);
    result.setDevicePixelRatio(ratio);
    return result;
}

} // namespace vsp::motion
