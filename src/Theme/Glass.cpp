#include "Theme/Glass.h"

#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/SymbolIcons.h"

#include <QCache>
#include <QCoreApplication>
#include <QLinearGradient>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace vsp {

namespace {

QPainterPath shapePath(const QRectF& rect, GlassShape shape, qreal radius)
{
    QPainterPath path;
    switch (shape) {
    case GlassShape::RoundedRect: path.addRoundedRect(rect, radius, radius); break;
    case GlassShape::Capsule: {
        const qreal r = std::min(rect.width(), rect.height()) / 2;
        path.addRoundedRect(rect, r, r);
        break;
    }
    case GlassShape::Circle: path.addEllipse(rect); break;
    }
    return path;
}

QColor withAlpha(QColor c, qreal alpha)
{
    c.setAlphaF(float(alpha));
    return c;
}

} // namespace

void paintGlassUncached(QPainter& painter, const QRectF& rect, const Glass& glass, GlassShape shape, qreal cornerRadius,
                        Appearance appearance, GlassState state)
{
    if (rect.isEmpty()) {
        return;
    }
    const bool dark = appearance == Appearance::Dark;
    const bool regular = glass.kind == Glass::Kind::Regular;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // Half a pixel inwards so the hairline border lands on whole pixels.
    const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath path = shapePath(r, shape, cornerRadius);

    // The frosted body: white over the dark background, a milky white over the light one.
    qreal body = dark ? (regular ? 0.055 : 0.018) : (regular ? 0.55 : 0.22);
    if (glass.interactive) {
        if (state.pressed) {
            body += dark ? 0.06 : 0.2;
        } else if (state.hovered) {
            body += dark ? 0.035 : 0.12;
        }
    }
    painter.fillPath(path, withAlpha(QColor(255, 255, 255), std::min(body, 1.0)));
    if (glass.tint) {
        painter.fillPath(path, glass.tint->resolve(appearance));
    }
    // A soft sheen on the upper half gives the surface its depth.
    QLinearGradient sheen(r.topLeft(), r.bottomLeft());
    sheen.setColorAt(0.0, withAlpha(QColor(255, 255, 255), dark ? (regular ? 0.05 : 0.02) : (regular ? 0.35 : 0.1)));
    sheen.setColorAt(0.5, withAlpha(QColor(255, 255, 255), 0.0));
    painter.fillPath(path, sheen);

    // Hairline edge: lighter on top, fading downwards.
    QLinearGradient edge(r.topLeft(), r.bottomLeft());
    if (dark) {
        edge.setColorAt(0.0, withAlpha(QColor(255, 255, 255), regular ? 0.14 : 0.08));
        edge.setColorAt(1.0, withAlpha(QColor(255, 255, 255), regular ? 0.05 : 0.03));
    } else {
        edge.setColorAt(0.0, withAlpha(QColor(255, 255, 255), regular ? 0.9 : 0.5));
        edge.setColorAt(1.0, withAlpha(QColor(0, 0, 0), regular ? 0.08 : 0.04));
    }
    painter.setPen(QPen(QBrush(edge), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

namespace {

/// What makes one picture of glass differ from another: everything paintGlassUncached reads, with the
/// surface's size and its offset within the first device pixel.
struct GlassKey {
    qreal width = 0;
    qreal height = 0;
    int fractionX = 0;
    int fractionY = 0;
    qreal radius = 0;
    qreal devicePixelRatio = 1;
    QRgb tint = 0;
    quint8 flags = 0;

    bool operator==(const GlassKey&) const = default;
};

size_t qHash(const GlassKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.width, key.height, key.fractionX, key.fractionY, key.radius, key.devicePixelRatio,
                      key.tint, key.flags);
}

// Sub-pixel offsets are told apart in 1/64 of a device pixel, finer than antialiasing shows.
constexpr int kFractionSteps = 64;
// Enough for the rows, panels and capsules of a few windows at twice the pixel density.
constexpr int kGlassCacheKilobytes = 6 * 1024;

/// The pictures of glass painted so far, for the GUI thread. Emptied when the appearance changes: a
/// picture of the other appearance is not asked for again until it changes back.
QCache<GlassKey, QPixmap>& glassCache()
{
    static QCache<GlassKey, QPixmap>* cache = [] {
        auto* c = new QCache<GlassKey, QPixmap>(kGlassCacheKilobytes);
        QObject::connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged,
                         &AppearanceManager::instance(), [c] { c->clear(); });
        return c;
    }();
    return *cache;
}

/// Draws the glass from a picture painted once per size, shape and look, which gives the pixels of painting
/// it (its layers are composed once, so a channel may round a few levels apart): the picture is painted at
/// the surface's own offset within a device pixel and copied to whole device pixels. False, drawing nothing, where a copy would not match: another paint engine or
/// thread, a transformation beyond a translation, another composition mode, or a surface too large to keep.
bool paintGlassCached(QPainter& painter, const QRectF& rect, const Glass& glass, GlassShape shape, qreal cornerRadius,
                      Appearance appearance, GlassState state)
{
    const QPaintDevice* device = painter.device();
    if (!device || !painter.paintEngine() || painter.paintEngine()->type() != QPaintEngine::Raster
        || painter.transform().type() > QTransform::TxTranslate
        || painter.compositionMode() != QPainter::CompositionMode_SourceOver || !QCoreApplication::instance()
        || QThread::currentThread() != QCoreApplication::instance()->thread()) {
        return false;
    }
    const qreal dpr = device->devicePixelRatioF();
    const QPointF origin = (rect.topLeft() + QPointF(painter.transform().dx(), painter.transform().dy())) * dpr;
    const QPointF whole(std::floor(origin.x()), std::floor(origin.y()));
    const QSizeF size = rect.size() * dpr;
    // A surface larger than a quarter of the pictures kept (a panel many rows tall) is painted each time.
    if ((size.width() + 1) * (size.height() + 1) * 4 / 1024 > kGlassCacheKilobytes / 4) {
        return false;
    }
    GlassKey key;
    key.width = rect.width();
    key.height = rect.height();
    key.fractionX = int(std::lround((origin.x() - whole.x()) * kFractionSteps));
    key.fractionY = int(std::lround((origin.y() - whole.y()) * kFractionSteps));
    key.radius = shape == GlassShape::RoundedRect ? cornerRadius : 0;
    key.devicePixelRatio = dpr;
    key.tint = glass.tint ? glass.tint->resolve(appearance).rgba() : 0;
    key.flags = quint8(int(shape) | (glass.kind == Glass::Kind::Clear ? 4 : 0) | (glass.tint ? 8 : 0)
                       | (appearance == Appearance::Dark ? 16 : 0) | (glass.interactive && state.hovered ? 32 : 0)
                       | (glass.interactive && state.pressed ? 64 : 0));
    QCache<GlassKey, QPixmap>& cache = glassCache();
    const QPixmap* picture = cache.object(key);
    if (!picture) {
        const QPointF fraction(qreal(key.fractionX) / kFractionSteps, qreal(key.fractionY) / kFractionSteps);
        QImage image(int(std::ceil(fraction.x() + size.width())), int(std::ceil(fraction.y() + size.height())),
                     QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) {
            return false;
        }
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            paintGlassUncached(p, QRectF(fraction / dpr, rect.size()), glass, shape, cornerRadius, appearance, state);
        }
        const int kilobytes = int(std::max<qint64>(1, qint64(image.width()) * image.height() * 4 / 1024));
        auto* pixmap = new QPixmap(QPixmap::fromImage(std::move(image)));
        if (!cache.insert(key, pixmap, kilobytes)) {
            return false;
        }
        picture = cache.object(key);
    }
    painter.save();
    // Copied pixel for pixel: without smoothing, a position a rounding error away from a whole device
    // pixel still lands on it.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(whole / dpr - QPointF(painter.transform().dx(), painter.transform().dy()), *picture);
    painter.restore();
    return true;
}

} // namespace

void paintGlass(QPainter& painter, const QRectF& rect, const Glass& glass, GlassShape shape, qreal cornerRadius,
                Appearance appearance, GlassState state)
{
    if (rect.isEmpty()) {
        return;
    }
    if (!paintGlassCached(painter, rect, glass, shape, cornerRadius, appearance, state)) {
        paintGlassUncached(painter, rect, glass, shape, cornerRadius, appearance, state);
    }
}

void paintGlass(QPainter& painter, const QRectF& rect, const Glass& glass, GlassShape shape, qreal cornerRadius,
                GlassState state)
{
    paintGlass(painter, rect, glass, shape, cornerRadius, AppearanceManager::instance().current(), state);
}

GlassPanel::GlassPanel(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground, false);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void GlassPanel::setGlass(const Glass& glass)
{
    m_glass = glass;
    update();
}

void GlassPanel::setShape(GlassShape shape, qreal cornerRadius)
{
    m_shape = shape;
    m_radius = cornerRadius;
    update();
}

void GlassPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintGlass(p, QRectF(rect()), m_glass, m_shape, m_radius);
}

GlassButton::GlassButton(QWidget* parent)
    : PaintedButton(parent),
      m_color([] { return Color::secondaryStyle().resolve(); }),
      m_glass([] { return Glass::regular().makeInteractive(); })
{
    setPressFeedback(0.94, 0.85, Spring{0.18, 1.0});
    setFixedSize(m_side, m_side);
}

void GlassButton::setSymbol(const QString& symbol, qreal pixelSize)
{
    m_symbol = symbol;
    m_symbolSize = pixelSize;
    update();
}

void GlassButton::setSymbolColor(std::function<QColor()> color)
{
    m_color = std::move(color);
    update();
}

void GlassButton::setGlass(std::function<Glass()> glass)
{
    m_glass = std::move(glass);
    update();
}

void GlassButton::setShape(GlassShape shape, qreal cornerRadius)
{
    m_shape = shape;
    m_radius = cornerRadius;
    // The ring follows the glass: a circle or capsule gets a round one (the radius is clamped to it).
    setFocusRing(this, shape == GlassShape::RoundedRect ? cornerRadius + 2 : 1000);
    update();
}

void GlassButton::setSymbolRotation(qreal degrees)
{
    m_rotation = degrees;
    update();
}

void GlassButton::setPresence(qreal presence)
{
    m_presence = std::clamp(presence, 0.0, 1.0);
    update();
}

void GlassButton::setSide(int side)
{
    m_side = side;
    setFixedSize(side, side);
    updateGeometry();
}

QSize GlassButton::sizeHint() const
{
    return {m_side, m_side};
}

void GlassButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r(rect());
    if (m_presence < 1.0) {
        if (m_presence <= 0.0) {
            return;
        }
        p.translate(r.center());
        p.scale(m_presence, m_presence);
        p.translate(-r.center());
        p.setOpacity(m_presence);
    }
    applyPress(p, r);
    paintGlass(p, r, m_glass(), m_shape, m_radius, GlassState{isHovered(), isDown()});
    QColor color = m_color();
    if (!isEnabled()) {
        color.setAlphaF(color.alphaF() * 0.4f);
    }
    const QRectF symbolRect(r.center().x() - m_symbolSize / 2, r.center().y() - m_symbolSize / 2, m_symbolSize,
                            m_symbolSize);
    if (m_rotation != 0) {
        p.translate(symbolRect.center());
        p.rotate(m_rotation);
        p.translate(-symbolRect.center());
    }
    symbols::paint(p, m_symbol, symbolRect, color);
}

} // namespace vsp
