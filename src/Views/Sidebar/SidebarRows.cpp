#include "Views/Sidebar/SidebarRows.h"

#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using vsp::Color;

namespace {

constexpr qreal kOuterPadding = 8;
constexpr qreal kInnerPadding = 10;
constexpr qreal kIconFrame = 18;
constexpr qreal kSpacing = 10;

QFont captionFont()
{
    return vsp::fonts::tracked(vsp::fonts::system(10, QFont::DemiBold), 1.4);
}

} // namespace

SidebarRow::SidebarRow(Kind kind, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_hover(new vsp::SpringValue(0, vsp::Spring{0.15, 1.0}, this)),
      m_selection(new vsp::SpringValue(0, vsp::Spring{0.25, 1.0}, this))
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(kind == Kind::Section ? 30 : 28);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_hover, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_selection, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
}

void SidebarRow::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    update();
}

void SidebarRow::setEmoji(const QString& emoji)
{
    m_emoji = emoji;
    update();
}

void SidebarRow::setDotColor(std::function<QColor()> color)
{
    m_dotColor = std::move(color);
    update();
}

void SidebarRow::setTitle(const QString& title)
{
    if (m_title != title) {
        m_title = title;
        setAccessibleName(title);
        update();
    }
}

void SidebarRow::setCount(int count)
{
    if (m_count != count) {
        m_count = count;
        update();
    }
}

void SidebarRow::setSelected(bool selected)
{
    if (m_selected == selected) {
        return;
    }
    m_selected = selected;
    if (isVisible()) {
        m_selection->animateTo(selected ? 1.0 : 0.0);
    } else {
        m_selection->setValue(selected ? 1.0 : 0.0);
    }
    update();
}

QSize SidebarRow::sizeHint() const
{
    return {200, height()};
}

void SidebarRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF chrome = QRectF(rect()).adjusted(kOuterPadding, 0, -kOuterPadding, 0);
    const qreal sel = m_selection->value();
    const qreal hover = m_hover->value() * (1.0 - sel);
    QPainterPath shape;
    shape.addRoundedRect(chrome, 8, 8);
    if (sel > 0.001) {
        const Color fill = m_kind == Kind::Tag ? Color::primaryStyle().withOpacity(0.10) : Color::resolvedAccent(0.13);
        p.fillPath(shape, fill.withOpacity(sel).resolve());
    }
    if (hover > 0.001) {
        const double alpha = m_kind == Kind::Section ? 0.06 : 0.05;
        p.fillPath(shape, Color::primaryStyle().withOpacity(alpha * hover).resolve());
    }

    const QRectF content = chrome.adjusted(kInnerPadding, 0, -kInnerPadding, 0);
    const QRectF icon(content.left(), content.top(), kIconFrame, content.height());
    const QColor secondary = Color::secondaryStyle().resolve();
    const QColor primary = Color::primaryStyle().resolve();
    switch (m_kind) {
    case Kind::Section: {
        const QColor c = m_selected ? Color::resolvedAccent().resolve() : secondary;
        const qreal side = 13;
        vsp::symbols::paint(p, m_symbol, QRectF(icon.center().x() - side / 2, icon.center().y() - side / 2, side, side),
                            c);
        break;
    }
    case Kind::Mood:
        p.setFont(vsp::fonts::system(13));
        p.setPen(primary);
        p.drawText(icon, Qt::AlignCenter | Qt::TextSingleLine, m_emoji);
        break;
    case Kind::Tag: {
        p.setPen(Qt::NoPen);
        p.setBrush(m_dotColor ? m_dotColor() : secondary);
        p.drawEllipse(QRectF(icon.center().x() - 4, icon.center().y() - 4, 8, 8));
        break;
    }
    }

    QString countText;
    QFont countFont;
    if (m_count >= 0) {
        countText = QString::number(m_count);
        countFont = m_kind == Kind::Section ? vsp::fonts::monospaced(10, QFont::Medium) : vsp::fonts::monospaced(11);
    }
    const qreal countWidth = countText.isEmpty() ? 0 : QFontMetricsF(countFont).horizontalAdvance(countText);
    const QFont titleFont =
        vsp::fonts::system(m_kind == Kind::Section ? 13 : 12, m_selected ? QFont::Medium : QFont::Normal);
    const QRectF titleRect(icon.right() + kSpacing, content.top(),
                           content.width() - kIconFrame - kSpacing - (countWidth > 0 ? countWidth + kSpacing : 0),
                           content.height());
    p.setFont(titleFont);
    p.setPen(m_selected ? primary : secondary);
    p.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               QFontMetricsF(titleFont).elidedText(m_title, Qt::ElideRight, titleRect.width()));
    if (!countText.isEmpty()) {
        p.setFont(countFont);
        p.setPen(Color::tertiaryStyle().resolve());
        p.drawText(QRectF(content.right() - countWidth, content.top(), countWidth, content.height()),
                   Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, countText);
    }
}

void SidebarRow::enterEvent(QEnterEvent*)
{
    m_hover->animateTo(1.0);
}

void SidebarRow::leaveEvent(QEvent*)
{
    m_hover->animateTo(0.0);
    m_pressed = false;
}

void SidebarRow::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void SidebarRow::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click) {
        Q_EMIT clicked();
    }
}

SidebarCaption::SidebarCaption(const QString& text, QWidget* parent) : QWidget(parent), m_text(text)
{
    setFixedHeight(int(std::ceil(QFontMetricsF(captionFont()).height())) + 2);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SidebarCaption::sizeHint() const
{
    return {200, height()};
}

void SidebarCaption::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(captionFont());
    p.setPen(Color::tertiaryStyle().resolve());
    p.drawText(QRectF(rect()).adjusted(14, 0, -14, -2), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
}
