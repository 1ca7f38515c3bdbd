#include "Editor/Compose/WordCountLabel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

WordCountLabel::WordCountLabel(QWidget* parent)
    : QLabel(parent),
      m_roll(new vsp::SpringValue(1.0, vsp::Spring{0.3, 1.0}, this))
{
    connect(m_roll, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_roll, &vsp::SpringValue::arrived, this, [this] {
        m_previous.clear();
        update();
    });
}

void WordCountLabel::setCount(int count, bool animate)
{
    if (count == m_count) {
        return;
    }
    const QString before = text();
    m_count = count;
    setText(tr("%1w").arg(count));
    if (!animate || before.isEmpty() || !vsp::animationsEnabled() || !isVisible()) {
        m_roll->setValue(1.0);
        m_previous.clear();
        return;
    }
    m_previous = before;
    m_roll->setValue(0.0);
    m_roll->animateTo(1.0);
}

void WordCountLabel::paintEvent(QPaintEvent* event)
{
    if (!m_roll->isMoving() || m_previous.isEmpty()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font());
    const QFontMetricsF metrics(font());
    const QRectF area = contentsRect();
    const QString now = text();
    const qreal t = std::clamp(m_roll->value(), 0.0, 1.0);
    // Both texts end at the same place, the end of the new one, so units stay under units.
    const qreal right =
        alignment().testFlag(Qt::AlignRight) ? area.right() : area.left() + metrics.horizontalAdvance(now);
    const qreal baseline = area.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    const qreal travel = metrics.height() * 0.6;
    const QColor color = palette().color(foregroundRole());
    const qsizetype longest = std::max(now.size(), m_previous.size());
    qreal x = right;
    for (qsizetype i = 1; i <= longest; ++i) {
        const QChar next = i <= now.size() ? now.at(now.size() - i) : QChar();
        const QChar old = i <= m_previous.size() ? m_previous.at(m_previous.size() - i) : QChar();
        const qreal advance = metrics.horizontalAdvance(next.isNull() ? old : next);
        x -= advance;
        if (next == old) {
            p.setOpacity(1.0);
            p.setPen(color);
            p.drawText(QPointF(x, baseline), QString(next));
            continue;
        }
        // Counting up: the old digit leaves upwards, the new one rises from below.
        if (!old.isNull()) {
            p.setOpacity(1.0 - t);
            p.setPen(color);
            p.drawText(QPointF(x, baseline - t * travel), QString(old));
        }
        if (!next.isNull()) {
            p.setOpacity(t);
            p.setPen(color);
            p.drawText(QPointF(x, baseline + (1.0 - t) * travel), QString(next));
        }
    }
}
