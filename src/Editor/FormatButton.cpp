#include "Editor/FormatButton.h"

#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"

#include <QPainter>

#include <algorithm>

using vsp::Color;

FormatButton::FormatButton(QWidget* parent)
    : PaintedButton(parent),
      m_hover(new vsp::SpringValue(0.0, vsp::Spring{0.2, 0.7}, this))
{
    connect(m_hover, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    setPressFeedback(0.9, 1.0, vsp::Spring{0.15, 0.6});
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(m_width, m_height);
}

void FormatButton::setSymbol(const QString& symbol, qreal pixelSize)
{
    m_symbol = symbol;
    m_symbolSize = pixelSize;
    m_label.clear();
    update();
}

void FormatButton::setLabel(const QString& label, const QFont& font)
{
    m_label = label;
    m_font = font;
    m_symbol.clear();
    update();
}

void FormatButton::setActiveFont(const QFont& font)
{
    m_activeFont = font;
    m_hasActiveFont = true;
    update();
}

void FormatButton::setFrame(int width, int height)
{
    m_width = width;
    m_height = height;
    setFixedSize(width, height);
    updateGeometry();
}

void FormatButton::setActive(std::function<bool()> active)
{
    m_active = std::move(active);
    update();
}

void FormatButton::setInactiveStyle(qreal opacity, bool secondary)
{
    m_inactiveOpacity = opacity;
    m_inactiveSecondary = secondary;
    update();
}

void FormatButton::setActiveBackground(qreal opacity, qreal cornerRadius)
{
    m_activeOpacity = opacity;
    m_activeRadius = cornerRadius;
    update();
}

void FormatButton::setActiveSpring(vsp::Spring spring)
{
    if (!m_activeLevel) {
        m_activeLevel = new vsp::SpringValue(isActive() ? 1.0 : 0.0, spring, this);
        connect(m_activeLevel, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    }
    m_activeLevel->setSpring(spring);
}

void FormatButton::syncActive(bool animate)
{
    if (!m_activeLevel) {
        update();
        return;
    }
    const double target = isActive() ? 1.0 : 0.0;
    if (animate && isVisible()) {
        m_activeLevel->animateTo(target);
    } else {
        m_activeLevel->setValue(target);
    }
    update();
}

qreal FormatButton::activeLevel() const
{
    if (m_activeLevel) {
        return std::clamp(m_activeLevel->value(), 0.0, 1.0);
    }
    return isActive() ? 1.0 : 0.0;
}

void FormatButton::hoverChanged(bool hovered)
{
    m_hover->animateTo(hovered ? 1.0 : 0.0);
}

void FormatButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r(rect());
    applyPress(p, r);

    const qreal level = activeLevel();
    const bool active = level >= 0.5;
    p.setPen(Qt::NoPen);
    // The hover background may overshoot its spring a little; its strength stays within 0 … 1.
    if (const qreal hover = std::clamp(m_hover->value(), 0.0, 1.0); hover > 0.0) {
        p.setBrush(Color::resolvedAccent(0.1 * hover).resolve());
        p.drawRoundedRect(r, 5, 5);
    }
    if (level > 0.0) {
        p.setBrush(Color::resolvedAccent(m_activeOpacity * level).resolve());
        p.drawRoundedRect(r, m_activeRadius, m_activeRadius);
    }
    QColor rest;
    if (m_inactiveSecondary) {
        rest = Color::secondaryStyle().resolve();
    } else {
        rest = Color::primaryStyle().resolve();
        rest.setAlphaF(rest.alphaF() * float(m_inactiveOpacity));
    }
    const QColor accent = Color::resolvedAccent(1.0).resolve();
    const auto mix = [level](float a, float b) { return a + (b - a) * float(level); };
    QColor color = QColor::fromRgbF(mix(rest.redF(), accent.redF()), mix(rest.greenF(), accent.greenF()),
                                    mix(rest.blueF(), accent.blueF()), mix(rest.alphaF(), accent.alphaF()));
    if (!isEnabled()) {
        color.setAlphaF(color.alphaF() * 0.4f);
    }
    if (!m_symbol.isEmpty()) {
        const QRectF symbolRect(r.center().x() - m_symbolSize / 2, r.center().y() - m_symbolSize / 2, m_symbolSize,
                                m_symbolSize);
        vsp::symbols::paint(p, m_symbol, symbolRect, color);
    } else {
        p.setFont(active && m_hasActiveFont ? m_activeFont : m_font);
        p.setPen(color);
        p.drawText(r, Qt::AlignCenter, m_label);
    }
}

ColorSwatchButton::ColorSwatchButton(std::function<QColor()> color, QWidget* parent)
    : PaintedButton(parent),
      m_color(std::move(color)),
      m_scale(new vsp::SpringValue(1.0, vsp::Spring{0.2, 0.6}, this))
{
    setFixedSize(sizeHint());
    connect(m_scale, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    // Its own press look: shrinking only while the pointer is not over it (then it has grown).
    connect(this, &QAbstractButton::pressed, m_scale, [this] { m_scale->animateTo(targetScale()); });
    connect(this, &QAbstractButton::released, m_scale, [this] { m_scale->animateTo(targetScale()); });
}

qreal ColorSwatchButton::targetScale() const
{
    if (isHovered()) {
        return 1.3;
    }
    return isDown() ? 0.8 : 1.0;
}

void ColorSwatchButton::hoverChanged(bool)
{
    m_scale->animateTo(targetScale());
}

void ColorSwatchButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = QRectF(rect()).center();
    const qreal d = 12 * m_scale->value();
    const QRectF circle(c.x() - d / 2, c.y() - d / 2, d, d);
    p.setPen(Qt::NoPen);
    p.setBrush(m_color());
    p.drawEllipse(circle);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 51), 0.5));
    p.drawEllipse(circle.adjusted(0.25, 0.25, -0.25, -0.25));
}
