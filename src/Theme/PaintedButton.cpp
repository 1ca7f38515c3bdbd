#include "Theme/PaintedButton.h"

#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTextDocumentFragment>

#include <algorithm>

namespace vsp {

PaintedButton::PaintedButton(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    // Tab reaches every button; a click does not take the focus from the field being typed in.
    setFocusPolicy(Qt::TabFocus);
    setFocusRing(this, 10);
    // Colours are asked for on every paint: a repaint is all an appearance or accent change needs.
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, qOverload<>(&QWidget::update));
}

void PaintedButton::setPressFeedback(qreal scale, qreal opacity, Spring spring)
{
    m_pressScale = scale;
    m_pressOpacity = opacity;
    if (m_press) {
        m_press->setSpring(spring);
        return;
    }
    m_press = new SpringValue(0.0, spring, this);
    connect(m_press, &SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::pressed, m_press, [this] { m_press->animateTo(1.0); });
    connect(this, &QAbstractButton::released, m_press, [this] { m_press->animateTo(0.0); });
}

qreal PaintedButton::pressLevel() const
{
    return m_press ? m_press->value() : 0.0;
}

qreal PaintedButton::pressScale() const
{
    return 1.0 - (1.0 - m_pressScale) * pressLevel();
}

qreal PaintedButton::pressOpacity() const
{
    return 1.0 - (1.0 - m_pressOpacity) * pressLevel();
}

void PaintedButton::applyPress(QPainter& painter, const QRectF& rect) const
{
    if (!m_press) {
        return;
    }
    const qreal s = pressScale();
    const QPointF c = rect.center();
    painter.translate(c);
    painter.scale(s, s);
    painter.translate(-c);
    painter.setOpacity(painter.opacity() * pressOpacity());
}

void PaintedButton::hoverChanged(bool)
{
    update();
}

void PaintedButton::keyPressEvent(QKeyEvent* event)
{
    // Space is the button's own key; Return presses it too, as it does a focused push button.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        const QList<PaintedButton*> buttons = window()->findChildren<PaintedButton*>();
        const bool otherDefault = std::any_of(buttons.cbegin(), buttons.cend(), [this](const PaintedButton* b) {
            return b != this && b->isDefault() && b->isVisibleTo(window()) && b->isEnabled();
        });
        if (otherDefault) {
            // The window's default action, not this button's.
            event->ignore();
            return;
        }
        if (!event->isAutoRepeat()) {
            click();
        }
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

bool PaintedButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTipChange && text().isEmpty()
        && (accessibleName().isEmpty() || accessibleName() == m_toolTipName)) {
        // A symbol-only button is announced by what its tooltip says.
        const QString tip = toolTip();
        m_toolTipName = Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
        setAccessibleName(m_toolTipName);
    }
    return QAbstractButton::event(event);
}

void PaintedButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    hoverChanged(true);
    QAbstractButton::enterEvent(event);
}

void PaintedButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    hoverChanged(false);
    QAbstractButton::leaveEvent(event);
}

void PaintedButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        update();
    }
    QAbstractButton::changeEvent(event);
}

RemoveButton::RemoveButton(Look look, QWidget* parent) : PaintedButton(parent), m_look(look)
{
    const int side = look == Look::AccentCross ? 14 : 22;
    setFixedSize(side, side);
    setFocusRing(this, side / 2.0 + 1, 1);
}

void RemoveButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_look == Look::AccentCross) {
        symbols::paint(p, u"xmark", QRectF(3, 3, 8, 8), Color::resolvedAccent(isDown() ? 0.9 : 0.6).resolve());
        return;
    }
    const QRectF disc(3, 3, 16, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0, 0, 0, isDown() ? 0.75f : 0.6f));
    p.drawEllipse(disc);
    symbols::paint(p, u"xmark", disc.adjusted(4.5, 4.5, -4.5, -4.5), Qt::white);
}

} // namespace vsp

QString vsp::plainToolTip(const QString& text)
{
    return text.isEmpty() ? QString()
                          : QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped());
}
