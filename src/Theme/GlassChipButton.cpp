#include "Theme/GlassChipButton.h"

#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

using vsp::Color;

GlassChipButton::GlassChipButton(QWidget* parent)
    : PaintedButton(parent),
      m_font(vsp::fonts::system(11)),
      m_color([](bool hovered) {
          return hovered ? Color::resolvedAccent(1.0).resolve() : Color::secondaryStyle().resolve();
      }),
      m_glass([] { return vsp::Glass::regular().makeInteractive(); }),
      m_look(new vsp::SpringValue(1.0, vsp::Spring{0.25, 1.0}, this))
{
    connect(m_look, &vsp::SpringValue::valueChanged, this, [this] {
        updateGeometry();
        update();
    });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    vsp::setFocusRing(this, m_radius + 2);
}

void GlassChipButton::setSymbol(const QString& symbol, qreal pixelSize)
{
    m_symbol = symbol;
    m_symbolSize = pixelSize;
    updateGeometry();
    update();
}

void GlassChipButton::setTextFont(const QFont& font)
{
    m_font = font;
    updateGeometry();
    update();
}

void GlassChipButton::setForeground(std::function<QColor(bool)> color)
{
    m_color = std::move(color);
    update();
}

void GlassChipButton::setGlass(std::function<vsp::Glass()> glass)
{
    m_glass = std::move(glass);
    update();
}

void GlassChipButton::setShape(vsp::GlassShape shape, qreal cornerRadius)
{
    m_shape = shape;
    m_radius = cornerRadius;
    vsp::setFocusRing(this, shape == vsp::GlassShape::RoundedRect ? cornerRadius + 2 : 1000);
    update();
}

void GlassChipButton::setMetrics(qreal paddingX, int height, qreal spacing)
{
    m_padX = paddingX;
    m_height = height;
    m_spacing = spacing;
    updateGeometry();
    update();
}

void GlassChipButton::beginLookChange(vsp::Spring spring)
{
    if (!isVisible() || !vsp::animationsEnabled()) {
        return;
    }
    m_oldLook = grab();
    m_oldWidth = width();
    m_look->setSpring(spring);
    m_look->setValue(0.0);
    m_look->animateTo(1.0);
}

bool GlassChipButton::isChangingLook() const
{
    return m_look->isMoving() && !m_oldLook.isNull();
}

QSize GlassChipButton::sizeHint() const
{
    qreal width = 2 * m_padX;
    const bool hasSymbol = !m_symbol.isEmpty();
    if (hasSymbol) {
        width += m_symbolSize;
    }
    if (!text().isEmpty()) {
        width += QFontMetricsF(m_font).horizontalAdvance(text()) + (hasSymbol ? m_spacing : 0);
    }
    if (isChangingLook()) {
        // The width glides from the old look's to the new one's.
        width = m_oldWidth + (width - m_oldWidth) * std::clamp(m_look->value(), 0.0, 1.0);
    }
    return {int(std::ceil(width)), m_height};
}

void GlassChipButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r(rect());
    if (!isChangingLook()) {
        m_oldLook = QPixmap();
    } else {
        // The old look fades out over the new one, which fades in.
        const qreal t = std::clamp(m_look->value(), 0.0, 1.0);
        p.setOpacity(1.0 - t);
        p.drawPixmap(QPointF(0, 0), m_oldLook);
        p.setOpacity(t);
    }
    vsp::paintGlass(p, r, m_glass(), m_shape, m_radius, vsp::GlassState{isHovered() && isEnabled(), isDown()});
    QColor color = m_color(isHovered() && isEnabled());
    if (!isEnabled()) {
        color.setAlphaF(color.alphaF() * 0.45f);
    }
    qreal x = r.left() + m_padX;
    if (!m_symbol.isEmpty()) {
        const QRectF symbolRect(x, r.center().y() - m_symbolSize / 2, m_symbolSize, m_symbolSize);
        vsp::symbols::paint(p, m_symbol, symbolRect, color);
        x += m_symbolSize + m_spacing;
    }
    if (!text().isEmpty()) {
        p.setFont(m_font);
        p.setPen(color);
        p.drawText(QRectF(x, r.top(), r.right() - x, r.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
}
