#include "Settings/IntroWidgets.h"

#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Widgets/VesperlogMark.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace vsp::intro {

namespace {

/// A soft glow of `color` around `shape` moved down by `yOffset`: rings of the colour, wider and fainter
/// outwards over `radius` pixels. Painted, not a graphics effect: the cover sits in an opacity effect
/// of its own, and Qt cannot nest effects.
void paintGlow(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal radius, qreal yOffset)
{
    if (color.alphaF() <= 0 || radius <= 0) {
        return;
    }
    painter.save();
    painter.translate(0, yOffset);
    constexpr int kRings = 8;
    QColor ring = color;
    // Each ring adds to those inside it: together they reach about the colour's opacity at the core.
    ring.setAlphaF(color.alphaF() / kRings * 1.6f);
    painter.setBrush(Qt::NoBrush);
    for (int i = kRings; i >= 1; --i) {
        const qreal spread = radius * i / kRings;
        painter.setPen(QPen(ring, spread * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(shape);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(ring);
    painter.drawPath(shape);
    painter.restore();
}

} // namespace

BookLogoView::BookLogoView(qreal size, Glow restGlow, qreal yOffset, QWidget* parent)
    : QWidget(parent),
      m_size(size),
      m_rest(restGlow),
      m_full(restGlow),
      m_yOffset(yOffset)
{
    setAttribute(Qt::WA_TranslucentBackground);
    onThemeChange(this, [this] { update(); });
}

void BookLogoView::setFullLook(Glow fullGlow, qreal fullScale)
{
    m_full = fullGlow;
    m_fullScale = fullScale;
    updateGeometry();
    update();
}

void BookLogoView::setBreath(qreal breath)
{
    m_breath = breath;
    update();
}

qreal BookLogoView::scale() const
{
    return 1 + (m_fullScale - 1) * m_breath;
}

qreal BookLogoView::glowOpacity() const
{
    return m_rest.opacity + (m_full.opacity - m_rest.opacity) * m_breath;
}

QSize BookLogoView::sizeHint() const
{
    const qreal glow = std::max(m_rest.radius, m_full.radius) + std::abs(m_yOffset);
    const int side = int(std::ceil(m_size * std::max<qreal>(1, m_fullScale) + 2 * glow));
    return {side, side};
}

void BookLogoView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale(), scale());
    // The glow follows the mark's outline.
    const qreal radius = m_rest.radius + (m_full.radius - m_rest.radius) * m_breath;
    QPainterPath outline = vesperlogMenuBarPath(m_size).simplified();
    outline.translate(-m_size / 2, -m_size / 2);
    paintGlow(painter, outline, Color::resolvedAccent(std::clamp(glowOpacity(), 0.0, 1.0) * 0.5).resolve(),
              radius * 0.6, m_yOffset);
    paintVesperlogBookLogo(painter, QPointF(-m_size / 2, -m_size / 2), m_size);
}

AccentButton::AccentButton(const QString& text, QWidget* parent) : PaintedButton(parent)
{
    setText(text);
    setFont(fonts::system(13, QFont::DemiBold));
    setPressFeedback(0.94, 0.85, Spring{0.18, 1.0});
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void AccentButton::setLook(Shape shape, int padding, int height, const QFont& font)
{
    m_shape = shape;
    m_padding = padding;
    m_height = height;
    setFont(font);
    updateGeometry();
    update();
}

void AccentButton::setSymbol(const QString& symbol, qreal size)
{
    m_symbol = symbol;
    m_symbolSize = size;
    updateGeometry();
    update();
}

void AccentButton::setGlow(qreal opacity, qreal radius, qreal yOffset)
{
    m_glowOpacity = std::max<qreal>(0, opacity);
    m_glowRadius = radius;
    m_glowOffset = yOffset;
    updateGeometry();
    update();
}

QMargins AccentButton::glowMargins() const
{
    if (m_glowOpacity <= 0) {
        return {};
    }
    const int r = int(std::ceil(m_glowRadius * 0.6));
    return {r, r, r, r + int(std::ceil(m_glowOffset))};
}

bool AccentButton::hitButton(const QPoint& pos) const
{
    return rect().marginsRemoved(glowMargins()).contains(pos);
}

QSize AccentButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text()) + 2 * m_padding;
    if (!m_symbol.isEmpty()) {
        width += int(std::ceil(m_symbolSize)) + 8;
    }
    return QSize(width, m_height).grownBy(glowMargins());
}

void AccentButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect().marginsRemoved(glowMargins());
    applyPress(painter, box);
    if (!isEnabled()) {
        painter.setOpacity(painter.opacity() * 0.5);
    }
    const qreal radius = m_shape == Shape::Capsule ? box.height() / 2 : 9;
    if (m_glowOpacity > 0) {
        QPainterPath shape;
        shape.addRoundedRect(box, radius, radius);
        paintGlow(painter, shape, Color::resolvedAccent(m_glowOpacity * 0.5).resolve(), m_glowRadius * 0.6,
                  m_glowOffset);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(Color::resolvedAccent().resolve());
    painter.drawRoundedRect(box, radius, radius);
    if (hasFocus()) {
        // Inside the fill, in the text's colour: the keyboard focus without a dark frame around the button.
        QColor ring = Color::vspBackground().resolve();
        ring.setAlphaF(0.55f);
        painter.setPen(QPen(ring, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box.adjusted(2.5, 2.5, -2.5, -2.5), radius - 2.5, radius - 2.5);
    }
    const QColor ink = Color::vspBackground().resolve();
    const QFontMetricsF metrics(font());
    const qreal textWidth = metrics.horizontalAdvance(text());
    const qreal symbolWidth = m_symbol.isEmpty() ? 0 : m_symbolSize + 8;
    qreal x = box.center().x() - (textWidth + symbolWidth) / 2;
    if (!m_symbol.isEmpty()) {
        symbols::paint(painter, m_symbol, QRectF(x, box.center().y() - m_symbolSize / 2, m_symbolSize, m_symbolSize),
                       ink);
        x += symbolWidth;
    }
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(QRectF(x, box.top(), textWidth + 1, box.height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

void AccentButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    PaintedButton::keyPressEvent(event);
}

QLabel* label(const QString& text, const QFont& font, const Color& color, QWidget* parent, bool wrap)
{
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setFont(font);
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(wrap);
    setThemeColor(l, QPalette::WindowText, color);
    return l;
}

void fitToWidth(QLabel* label, int width)
{
    label->setFixedWidth(width);
    label->setMinimumHeight(label->heightForWidth(width));
}

} // namespace vsp::intro
