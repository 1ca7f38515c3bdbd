#include "Settings/IntroWidgets.h"

#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Views/Sidebar/VesperlogMark.h"

#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace vsp::intro {

BookLogoView::BookLogoView(qreal size, Glow restGlow, qreal yOffset, QWidget* parent)
    : QWidget(parent),
      m_size(size),
      m_rest(restGlow),
      m_full(restGlow),
      m_shadow(new QGraphicsDropShadowEffect(this))
{
    m_shadow->setOffset(0, yOffset);
    setGraphicsEffect(m_shadow);
    setAttribute(Qt::WA_TranslucentBackground);
    onThemeChange(this, [this] {
        refreshGlow();
        update();
    });
}

void BookLogoView::setFullLook(Glow fullGlow, qreal fullScale)
{
    m_full = fullGlow;
    m_fullScale = fullScale;
    refreshGlow();
}

void BookLogoView::setBreath(qreal breath)
{
    m_breath = breath;
    refreshGlow();
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

void BookLogoView::refreshGlow()
{
    const qreal radius = m_rest.radius + (m_full.radius - m_rest.radius) * m_breath;
    // Qt's blur radius spreads about half as far as the radius of the shapes' shadows it stands for.
    m_shadow->setBlurRadius(radius * 2);
    m_shadow->setColor(Color::resolvedAccent(std::clamp(glowOpacity(), 0.0, 1.0)).resolve());
}

QSize BookLogoView::sizeHint() const
{
    const int side = int(std::ceil(m_size * std::max<qreal>(1, m_fullScale)));
    return {side, side};
}

void BookLogoView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale(), scale());
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
    if (opacity <= 0) {
        setGraphicsEffect(nullptr);
        return;
    }
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(0, yOffset);
    shadow->setBlurRadius(radius * 2);
    setGraphicsEffect(shadow);
    onThemeChange(shadow, [shadow, opacity] { shadow->setColor(Color::resolvedAccent(opacity).resolve()); });
}

QSize AccentButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text()) + 2 * m_padding;
    if (!m_symbol.isEmpty()) {
        width += int(std::ceil(m_symbolSize)) + 8;
    }
    return {width, m_height};
}

void AccentButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    applyPress(painter, box);
    if (!isEnabled()) {
        painter.setOpacity(painter.opacity() * 0.5);
    }
    const qreal radius = m_shape == Shape::Capsule ? box.height() / 2 : 9;
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
