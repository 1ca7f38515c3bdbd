#include "Editor/Compose/TypeChip.h"

#include "Editor/Compose/ComposeRules.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

using vsp::Color;

namespace {

struct ChipMetrics {
    qreal fontSize;
    QFont::Weight chosenWeight;
    qreal padding; // before the dot and after the name
    qreal dot; // the dot's diameter, also the gap after it
    int height;
    qreal radius;
};

ChipMetrics metrics(TypeChip::Size size)
{
    if (size == TypeChip::Size::Compact) {
        return {10, QFont::DemiBold, 9, 4, 22, 6};
    }
    return {11, QFont::Medium, 12, 5, 26, 7};
}

} // namespace

TypeChip::TypeChip(JournalEntry::EntryType type, QWidget* parent, Size size)
    : PaintedButton(parent),
      m_type(type),
      m_size(size),
      m_level(new vsp::SpringValue(0.0, vsp::Spring{0.22, 1.0}, this))
{
    connect(m_level, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    setText(entryTypeRawValue(type));
    setObjectName(QStringLiteral("type:") + text());
    setAccessibleName(text());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TypeChip::setChosen(bool chosen, bool animate)
{
    if (chosen == m_chosen && m_level->target() == (chosen ? 1.0 : 0.0)) {
        return;
    }
    m_chosen = chosen;
    if (animate && isVisible()) {
        m_level->animateTo(chosen ? 1.0 : 0.0);
    } else {
        m_level->setValue(chosen ? 1.0 : 0.0);
    }
    update();
}

double TypeChip::chosenLevel() const
{
    return m_level->value();
}

QColor TypeChip::typeColor() const
{
    if (const auto own = vsp::compose::typeColor(m_type)) {
        return vsp::rgb(*own);
    }
    return Color::resolvedAccent(1.0).resolve();
}

QSize TypeChip::sizeHint() const
{
    // Room for the chosen weight, so choosing a chip does not move its neighbours.
    const ChipMetrics m = metrics(m_size);
    const qreal textWidth = QFontMetricsF(vsp::fonts::system(m.fontSize, m.chosenWeight)).horizontalAdvance(text());
    return {int(std::ceil(m.padding + 2 * m.dot + textWidth + m.padding)), m.height};
}

void TypeChip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const ChipMetrics m = metrics(m_size);
    const QRectF r(rect());
    const QColor color = typeColor();
    // Between the two looks while the choice glides: the plain glass gives way to the tinted one, the dot
    // fades in and pushes the name aside, the name takes the type's colour.
    const qreal level = std::clamp(m_level->value(), 0.0, 1.0);
    const vsp::GlassState state{isHovered(), isDown()};
    if (level < 1.0) {
        const vsp::Glass plain = m_size == Size::Compact ? vsp::Glass::regular() : vsp::Glass::clear();
        p.setOpacity(1.0 - level);
        vsp::paintGlass(p, r, plain.makeInteractive(), vsp::GlassShape::RoundedRect, m.radius, state);
    }
    if (level > 0.0) {
        p.setOpacity(level);
        vsp::paintGlass(p, r, vsp::Glass::regular().tinted(Color(color).withOpacity(0.16)).makeInteractive(),
                        vsp::GlassShape::RoundedRect, m.radius, state);
    }
    p.setOpacity(1.0);
    const QFont font = vsp::fonts::system(m.fontSize, level >= 0.5 ? m.chosenWeight : QFont::Normal);
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(text());
    qreal x = r.center().x() - (textWidth + 2 * m.dot * level) / 2;
    if (level > 0.0) {
        p.setPen(Qt::NoPen);
        QColor dot = color;
        dot.setAlphaF(dot.alphaF() * float(level));
        p.setBrush(dot);
        p.drawEllipse(QRectF(x, r.center().y() - m.dot / 2, m.dot, m.dot));
        x += 2 * m.dot * level;
    }
    const QColor chosenInk =
        m_size == Size::Compact ? vsp::withContrast(color, {Color::vspSurface().resolve()}) : color;
    p.setFont(font);
    p.setPen(vsp::mixed(Color::secondaryStyle().resolve(), chosenInk, level));
    p.drawText(QRectF(x, r.top(), textWidth + 2, r.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}
