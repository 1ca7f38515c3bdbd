#include "Views/Sidebar/SidebarRows.h"

#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <algorithm>

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
    : QWidget(parent),
      m_kind(kind),
      m_hover(new vsp::SpringValue(0, vsp::Spring{0.15, 1.0}, this)),
      m_selection(new vsp::SpringValue(0, vsp::Spring{0.25, 1.0}, this)),
      m_roll(new vsp::SpringValue(1, vsp::Spring{0.4, 1.0}, this))
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(kind == Kind::Section ? 30 : 28);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_hover, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_selection, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_roll, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    // The ring hugs the highlight, which sits inside the row's side padding.
    vsp::makeKeyboardControl(
        this, [this] { Q_EMIT clicked(); }, 10, QMarginsF(2 - kOuterPadding, 1, 2 - kOuterPadding, 1));
}

void SidebarRow::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
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
    if (m_count == count) {
        return;
    }
    // Only a number replacing a number rolls; one that appears or goes does so at once.
    const bool roll = m_kind == Kind::Section && m_count >= 0 && count >= 0 && isVisible() && vsp::animationsEnabled();
    m_previousCount = roll ? m_count : -1;
    m_count = count;
    if (roll) {
        m_roll->setValue(0.0);
        m_roll->animateTo(1.0);
    } else {
        m_roll->setValue(1.0);
    }
    update();
}

bool SidebarRow::isCountRolling() const
{
    return m_roll->isMoving();
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
    Look look;
    look.kind = m_kind;
    look.symbol = m_symbol;
    look.dot = m_dotColor ? m_dotColor() : QColor();
    look.title = m_title;
    look.count = m_count;
    look.selected = m_selected;
    look.selection = m_selection->value();
    look.hover = m_hover->value();
    if (m_roll->isMoving()) {
        look.previousCount = m_previousCount;
        look.roll = m_roll->value();
    }
    paintRow(p, QRectF(rect()), look);
}

void SidebarRow::paintRow(QPainter& p, const QRectF& rect, const Look& look)
{
    paintChrome(p, rect, look);
    paintContent(p, rect, look);
}

void SidebarRow::paintChrome(QPainter& p, const QRectF& rect, const Look& look)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF chrome = rect.adjusted(kOuterPadding, 0, -kOuterPadding, 0);
    const qreal sel = look.selection;
    const qreal hover = look.hover * (1.0 - sel);
    QPainterPath shape;
    shape.addRoundedRect(chrome, 8, 8);
    if (sel > 0.001) {
        const Color fill =
            look.kind == Kind::Tag ? Color::primaryStyle().withOpacity(0.10) : Color::resolvedAccent(0.13);
        p.fillPath(shape, fill.withOpacity(sel).resolve());
    }
    if (hover > 0.001) {
        const double alpha = look.kind == Kind::Section ? 0.06 : 0.05;
        p.fillPath(shape, Color::primaryStyle().withOpacity(alpha * hover).resolve());
    }
    p.restore();
}

void SidebarRow::paintContent(QPainter& p, const QRectF& rect, const Look& look)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF chrome = rect.adjusted(kOuterPadding, 0, -kOuterPadding, 0);
    const QRectF content = chrome.adjusted(kInnerPadding, 0, -kInnerPadding, 0);
    const QRectF icon(content.left(), content.top(), kIconFrame, content.height());
    const QColor secondary = Color::secondaryStyle().resolve();
    const QColor primary = Color::primaryStyle().resolve();
    // The symbol's and the title's colours come and go with the highlight; the weight turns half-way.
    const qreal sel = std::clamp(look.selection, 0.0, 1.0);
    const bool strong = sel >= 0.5;
    switch (look.kind) {
    case Kind::Section: {
        const QColor c = vsp::mixed(secondary, Color::resolvedAccentText().resolve(), sel);
        const qreal side = 13;
        vsp::symbols::paint(p, look.symbol,
                            QRectF(icon.center().x() - side / 2, icon.center().y() - side / 2, side, side), c);
        break;
    }
    case Kind::Mood:
        p.setFont(vsp::fonts::system(13));
        p.setPen(primary);
        p.drawText(icon, Qt::AlignCenter | Qt::TextSingleLine, look.emoji);
        break;
    case Kind::Tag:
        p.setPen(Qt::NoPen);
        p.setBrush(look.dot.isValid() ? look.dot : secondary);
        p.drawEllipse(QRectF(icon.center().x() - 4, icon.center().y() - 4, 8, 8));
        break;
    }

    QString countText;
    QFont countFont;
    if (look.count >= 0) {
        countText = QString::number(look.count);
        countFont = look.kind == Kind::Section ? vsp::fonts::monospaced(10, QFont::Medium) : vsp::fonts::monospaced(11);
    }
    const qreal countWidth = countText.isEmpty() ? 0 : QFontMetricsF(countFont).horizontalAdvance(countText);
    const QFont titleFont =
        vsp::fonts::system(look.kind == Kind::Section ? 13 : 12, strong ? QFont::Medium : QFont::Normal);
    const QRectF titleRect(icon.right() + kSpacing, content.top(),
                           content.width() - kIconFrame - kSpacing - (countWidth > 0 ? countWidth + kSpacing : 0),
                           content.height());
    // User text (mood labels, tag names) is drawn as it is: plain text, never markup.
    p.setFont(titleFont);
    p.setPen(vsp::mixed(secondary, primary, sel));
    p.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               QFontMetricsF(titleFont).elidedText(look.title, Qt::ElideRight, titleRect.width()));
    if (!countText.isEmpty()) {
        p.setFont(countFont);
        p.setPen(Color::tertiaryStyle().resolve());
        const QRectF countRect(content.right() - countWidth, content.top(), countWidth, content.height());
        if (look.previousCount >= 0 && look.roll < 1.0) {
            // The numbers travel half a line and are clipped to the row, so they roll rather than slide.
            const qreal travel = QFontMetricsF(countFont).height() * 0.6;
            const qreal t = std::clamp(look.roll, 0.0, 1.0);
            const QString before = QString::number(look.previousCount);
            const qreal beforeWidth = QFontMetricsF(countFont).horizontalAdvance(before);
            p.setClipRect(chrome);
            p.setOpacity(1.0 - t);
            p.drawText(QRectF(content.right() - beforeWidth, content.top() - t * travel, beforeWidth, content.height()),
                       Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, before);
            p.setOpacity(t);
            p.drawText(countRect.translated(0, (1.0 - t) * travel),
                       Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, countText);
        } else {
            p.drawText(countRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, countText);
        }
    }
    p.restore();
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

SidebarRowList::SidebarRowList(SidebarRow::Kind kind, QWidget* parent)
    : QWidget(parent),
      m_kind(kind),
      m_hover(new vsp::SpringValue(0, vsp::Spring{0.15, 1.0}, this)),
      m_selection(new vsp::SpringValue(1, vsp::Spring{0.25, 1.0}, this)),
      m_rowChange(new vsp::SpringValue(1, vsp::Spring{0.3, 1.0}, this))
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    connect(m_rowChange, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_rowChange, &vsp::SpringValue::arrived, this, &SidebarRowList::finishRowChange);
    connect(m_hover, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_selection, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    setFocusPolicy(Qt::NoFocus);
}

void SidebarRowList::setItems(const QList<Item>& items, bool animate)
{
    if (items == m_items) {
        return;
    }
    finishRowChange();
    // One Tab stop while there are rows to reach; the keyboard's row stays in the list.
    setFocusPolicy(items.isEmpty() ? Qt::NoFocus : Qt::TabFocus);
    if (m_keyRow >= 0) {
        m_keyRow = items.isEmpty() ? -1 : std::min<int>(m_keyRow, int(items.size()) - 1);
        setAccessibleName(m_keyRow >= 0 ? items[m_keyRow].title : QString());
    }
    if (animate && vsp::animationsEnabled() && isVisible()) {
        QHash<QString, int> before;
        for (int i = 0; i < m_items.size(); ++i) {
            before.insert(m_items[i].value, i);
        }
        QSet<QString> staying;
        m_placeBefore.clear();
        for (const Item& item : items) {
            m_placeBefore.append(before.value(item.value, -1));
            staying.insert(item.value);
        }
        for (int i = 0; i < m_items.size(); ++i) {
            if (!staying.contains(m_items[i].value)) {
                m_leaving.append({m_items[i], i});
            }
        }
        m_rowChange->setValue(0);
        m_rowChange->animateTo(1);
    }
    const qsizetype rowsBefore = m_items.size();
    m_items = items;
    if (m_hovered >= m_items.size()) {
        m_hovered = -1;
    }
    if (m_previousHovered >= m_items.size()) {
        m_previousHovered = -1;
    }
    // Rows leaving at the end keep their room until they have gone.
    const qsizetype rows = isChangingRows() ? std::max(rowsBefore, m_items.size()) : m_items.size();
    setFixedHeight(int(rows) * (kRowHeight + kRowSpacing) - (rows == 0 ? 0 : kRowSpacing));
    update();
}

bool SidebarRowList::isChangingRows() const
{
    return m_rowChange->isMoving();
}

void SidebarRowList::finishRowChange()
{
    const bool changing = !m_placeBefore.isEmpty() || !m_leaving.isEmpty();
    m_placeBefore.clear();
    m_leaving.clear();
    m_rowChange->setValue(1);
    if (changing) {
        setFixedHeight(int(m_items.size()) * (kRowHeight + kRowSpacing) - (m_items.isEmpty() ? 0 : kRowSpacing));
        update();
        Q_EMIT rowsSettled();
    }
}

void SidebarRowList::setSelectedValue(const std::optional<QString>& value)
{
    if (m_selected == value) {
        return;
    }
    m_previousSelected = std::exchange(m_selected, value);
    // The new row's highlight glides in as the old one's fades.
    if (isVisible()) {
        m_selection->setValue(0);
        m_selection->animateTo(1);
    } else {
        m_selection->setValue(1);
    }
    update();
}

int SidebarRowList::selectedIndex() const
{
    return indexOf(m_selected);
}

int SidebarRowList::indexOf(const std::optional<QString>& value) const
{
    if (!value) {
        return -1;
    }
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items[i].value == *value) {
            return i;
        }
    }
    return -1;
}

QRect SidebarRowList::rowRect(int index) const
{
    return {0, index * (kRowHeight + kRowSpacing), width(), kRowHeight};
}

int SidebarRowList::indexAt(const QPoint& pos) const
{
    const int index = pos.y() / (kRowHeight + kRowSpacing);
    return index >= 0 && index < m_items.size() && rowRect(index).contains(pos) ? index : -1;
}

QSize SidebarRowList::sizeHint() const
{
    return {200, height()};
}

void SidebarRowList::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const int selected = selectedIndex();
    const int previous = m_selection->isMoving() ? indexOf(m_previousSelected) : -1;
    const bool changing = isChangingRows();
    const qreal t = changing ? std::clamp(m_rowChange->value(), 0.0, 1.0) : 1.0;
    constexpr int pitch = kRowHeight + kRowSpacing;
    // Moving rows may be drawn some rows away from their places: look that much further.
    const int reach = changing ? int(m_leaving.size()) + 1 + int(std::abs(m_items.size() - m_placeBefore.size())) : 0;
    const int first = std::max(0, event->rect().top() / pitch - reach);
    const int last = std::min(int(m_items.size()) - 1, event->rect().bottom() / pitch + reach);
    const auto restingLook = [this](const Item& item) {
        SidebarRow::Look look;
        look.kind = m_kind;
        look.emoji = item.value;
        look.dot = m_kind == SidebarRow::Kind::Tag && m_dotColor ? m_dotColor(item.value) : QColor();
        look.title = item.title;
        look.count = item.count;
        return look;
    };
    if (changing) {
        for (const auto& [item, place] : std::as_const(m_leaving)) {
            const SidebarRow::Look look = restingLook(item);
            p.setOpacity(1.0 - t);
            const QRect r = rowRect(place);
            SidebarRow::paintChrome(p, QRectF(r), look);
            p.drawPixmap(r.topLeft(), contentPicture(look, r.size(), devicePixelRatioF()));
        }
    }
    for (int i = first; i <= last; ++i) {
        // A row glides from its old place to its new one; a new row fades in at its place.
        const int before = changing && i < m_placeBefore.size() ? m_placeBefore[i] : i;
        const qreal dy = before >= 0 ? (before - i) * pitch * (1.0 - t) : 0.0;
        p.setOpacity(before >= 0 ? 1.0 : t);
        SidebarRow::Look look = restingLook(m_items[i]);
        look.selected = i == selected;
        look.selection = i == selected ? m_selection->value() : i == previous ? 1.0 - m_selection->value() : 0;
        look.hover = i == m_hovered ? m_hover->value() : i == m_previousHovered ? 1.0 - m_hover->value() : 0;
        const QRect r = rowRect(i).translated(0, int(std::lround(dy)));
        SidebarRow::paintChrome(p, QRectF(r), look);
        if (look.selection > 0.001 && look.selection < 0.999) {
            // Its colours are on their way: drawn afresh rather than kept (two rows at most).
            SidebarRow::paintContent(p, QRectF(r), look);
        } else {
            p.drawPixmap(r.topLeft(), contentPicture(look, r.size(), devicePixelRatioF()));
        }
    }
    if (hasFocus() && m_keyboardFocus && m_keyRow >= 0 && m_keyRow < m_items.size()) {
        p.setOpacity(1);
        vsp::paintFocusRing(p, QRectF(rowRect(m_keyRow)).adjusted(kOuterPadding - 2, -1, 2 - kOuterPadding, 1), 10);
    }
}

QPixmap SidebarRowList::contentPicture(const SidebarRow::Look& shown, QSize size, qreal dpr) const
{
    // Pictures are of rows at rest: highlighted or not.
    SidebarRow::Look look = shown;
    look.selection = shown.selection >= 0.5 ? 1.0 : 0.0;
    // Everything the content's pixels depend on; the theme enters through the colours it resolves to.
    const QString key = look.title + u'\x1f' + look.emoji + u'\x1f' + QString::number(look.count) + u'\x1f'
                        + QString::number(look.selection > 0.5 ? 1 : 0) + u'\x1f' + QString::number(size.width()) + u'x'
                        + QString::number(size.height()) + u'@' + QString::number(dpr) + u'\x1f'
                        + QString::number(look.dot.rgba(), 16) + u'\x1f'
                        + QString::number(Color::primaryStyle().resolve().rgba(), 16) + u'\x1f'
                        + QString::number(Color::secondaryStyle().resolve().rgba(), 16) + u'\x1f'
                        + QString::number(Color::tertiaryStyle().resolve().rgba(), 16);
    if (const QPixmap* cached = m_pictures.object(key)) {
        return *cached;
    }
    QImage image((QSizeF(size) * dpr).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        SidebarRow::paintContent(p, QRectF(QPointF(0, 0), QSizeF(size)), look);
    }
    auto* picture = new QPixmap(QPixmap::fromImage(std::move(image)));
    const QPixmap result = *picture;
    m_pictures.insert(key, picture, std::max(1, int(qint64(size.width()) * size.height() * 4 * dpr * dpr / 1024)));
    return result;
}

void SidebarRowList::mouseMoveEvent(QMouseEvent* event)
{
    const int at = indexAt(event->position().toPoint());
    if (at != m_hovered) {
        if (m_hovered >= 0) {
            update(rowRect(m_hovered));
        }
        // The row left fades out as the one entered fades in.
        m_previousHovered = std::exchange(m_hovered, at);
        setCursor(at >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        m_hover->setValue(0);
        m_hover->animateTo(1);
    }
}

void SidebarRowList::leaveEvent(QEvent*)
{
    if (m_hovered >= 0) {
        m_previousHovered = std::exchange(m_hovered, -1);
        m_hover->setValue(0);
        m_hover->animateTo(1);
    }
}

void SidebarRowList::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? indexAt(event->position().toPoint()) : -1;
    event->accept();
}

void SidebarRowList::mouseReleaseEvent(QMouseEvent* event)
{
    const int at = event->button() == Qt::LeftButton ? indexAt(event->position().toPoint()) : -1;
    const int pressed = std::exchange(m_pressed, -1);
    if (at >= 0 && at == pressed) {
        Q_EMIT rowClicked(m_items[at].value);
    }
}

void SidebarRowList::setKeyRow(int row)
{
    if (m_items.isEmpty()) {
        return;
    }
    row = std::clamp(row, 0, int(m_items.size()) - 1);
    if (m_keyRow >= 0) {
        update(rowRect(m_keyRow).adjusted(0, -kRowSpacing, 0, kRowSpacing));
    }
    m_keyRow = row;
    setAccessibleName(m_items[row].title);
    update(rowRect(row).adjusted(0, -kRowSpacing, 0, kRowSpacing));
}

void SidebarRowList::keyPressEvent(QKeyEvent* event)
{
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || m_items.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    m_keyboardFocus = true;
    switch (event->key()) {
    case Qt::Key_Up: setKeyRow(m_keyRow - 1); break;
    case Qt::Key_Down: setKeyRow(m_keyRow + 1); break;
    case Qt::Key_Home: setKeyRow(0); break;
    case Qt::Key_End: setKeyRow(int(m_items.size()) - 1); break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_keyRow >= 0 && !event->isAutoRepeat()) {
            Q_EMIT rowClicked(m_items[m_keyRow].value);
        }
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void SidebarRowList::focusInEvent(QFocusEvent* event)
{
    if (event->reason() != Qt::PopupFocusReason) {
        m_keyboardFocus = event->reason() != Qt::MouseFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
    }
    if (m_keyRow < 0) {
        setKeyRow(std::max(0, selectedIndex()));
    }
    update();
    QWidget::focusInEvent(event);
}

void SidebarRowList::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void SidebarRowList::contextMenuEvent(QContextMenuEvent* event)
{
    const int at = indexAt(event->pos());
    if (at >= 0) {
        Q_EMIT rowContextMenuRequested(m_items[at].value, event->globalPos());
    }
}
