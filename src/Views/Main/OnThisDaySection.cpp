#include "Views/Main/OnThisDaySection.h"

#include "Model/Dates.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Widgets/EntryRow.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

using vsp::Color;

namespace {

constexpr qreal kOuterTop = 14;
constexpr qreal kOuterHorizontal = 10;
constexpr qreal kHeaderTop = 14;
constexpr qreal kHeaderBottom = 6;
constexpr qreal kPaddingH = 14;
constexpr qreal kRowPaddingV = 7;
constexpr qreal kRowsBottom = 8;
constexpr qreal kYearWidth = 36;

QFont headerFont()
{
    return vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.2);
}
QFont yearFont()
{
    return vsp::fonts::monospaced(10, QFont::DemiBold);
}
QFont titleFont()
{
    return vsp::fonts::system(12, QFont::Medium);
}
QFont bodyFont()
{
    return vsp::fonts::system(10);
}

qreal headerHeight()
{
    static const qreal h = kHeaderTop + std::ceil(std::max(QFontMetricsF(headerFont()).height(), 9.0)) + kHeaderBottom;
    return h;
}

qreal rowHeight()
{
    static const qreal h = 2 * kRowPaddingV + std::ceil(QFontMetricsF(titleFont()).height()) + 2
                           + std::ceil(QFontMetricsF(bodyFont()).height());
    return h;
}

QString firstLine(const QString& text)
{
    // Only the start of a line fits the block's width: a body of millions of characters on one line
    // costs no more than a short one.
    constexpr qsizetype kLongest = 300;
    const qsizetype size = std::min(text.size(), kLongest);
    qsizetype end = 0;
    while (end < size && text[end] != u'\n' && text[end] != u'\r' && text[end] != QChar::LineSeparator
           && text[end] != QChar::ParagraphSeparator) {
        ++end;
    }
    return text.left(end);
}

} // namespace

QString OnThisDaySection::yearLabel(double date)
{
    return vsp::formatLocal(date, QStringLiteral("yyyy"));
}

qreal OnThisDaySection::height(int entryCount, qreal reveal)
{
    qreal h = kOuterTop + headerHeight();
    if (reveal > 0 && entryCount > 0) {
        h += std::clamp(reveal, 0.0, 1.0) * (entryCount * rowHeight() + kRowsBottom);
    }
    return h;
}

QRectF OnThisDaySection::panelRect(const QRectF& rect)
{
    return rect.adjusted(kOuterHorizontal, kOuterTop, -kOuterHorizontal, 0);
}

OnThisDaySection::Hit OnThisDaySection::hitTest(const QRectF& rect, const QPointF& point, int entryCount, bool expanded)
{
    const QRectF panel = panelRect(rect);
    if (!panel.contains(point)) {
        return {};
    }
    const qreal y = point.y() - panel.top();
    if (y < headerHeight()) {
        return {Hit::Kind::Header, -1};
    }
    if (!expanded) {
        return {};
    }
    const int index = int((y - headerHeight()) / rowHeight());
    if (index >= 0 && index < entryCount) {
        return {Hit::Kind::Entry, index};
    }
    return {};
}

void OnThisDaySection::paint(QPainter& p, const QRectF& rect, const QList<JournalEntry>& entries, qreal reveal,
                             int hoveredEntry)
{
    const qreal chevronTurn = 1.0 - std::clamp(reveal, 0.0, 1.0);
    const vsp::Appearance appearance = AppearanceManager::instance().current();
    const QRectF panel = panelRect(rect);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    vsp::paintGlass(p, panel, vsp::Glass::regular().tinted(Color::resolvedAccent(0.06)), vsp::GlassShape::RoundedRect,
                    14, appearance);

    // Header: clock, caption, chevron, all in the accent at 85 % (the shade of it that reads as text).
    const QColor headerColor = Color::resolvedAccentText(0.85).resolve(appearance);
    const QFontMetricsF hm(headerFont());
    const qreal headerMid = panel.top() + kHeaderTop + std::ceil(std::max(hm.height(), 9.0)) / 2;
    qreal x = panel.left() + kPaddingH;
    vsp::symbols::paint(p, u"clock.arrow.circlepath", QRectF(x, headerMid - 4.5, 9, 9), headerColor);
    x += 9 + 6;
    p.setFont(headerFont());
    p.setPen(headerColor);
    p.drawText(QPointF(x, headerMid - hm.height() / 2 + hm.ascent()), QStringLiteral("ON THIS DAY"));
    const QRectF chevron(panel.right() - kPaddingH - 8, headerMid - 4, 8, 8);
    p.save();
    p.translate(chevron.center());
    p.rotate(180.0 * chevronTurn);
    p.translate(-chevron.center());
    vsp::symbols::paint(p, u"chevron.up", chevron, headerColor);
    p.restore();

    if (reveal > 0.001) {
        // Unfolding rows show as far as the panel has grown.
        p.setClipRect(panel, Qt::IntersectClip);
        const QColor yearColor = Color::resolvedAccentText(0.75).resolve(appearance);
        const QColor primary = Color::primaryStyle().resolve(appearance);
        const QColor secondary = Color::secondaryStyle().resolve(appearance);
        const QFontMetricsF ym(yearFont());
        const QFontMetricsF tm(titleFont());
        const QFontMetricsF bm(bodyFont());
        qreal y = panel.top() + headerHeight();
        const qreal textLeft = panel.left() + kPaddingH + kYearWidth + 10;
        const qreal textWidth = std::max(0.0, panel.right() - kPaddingH - textLeft);
        // Only the rows the clip lets through are shaped: a block of many earlier years is drawn a strip
        // at a time.
        const QRectF drawn = p.clipBoundingRect();
        int first = 0;
        int last = int(entries.size()) - 1;
        if (drawn.isEmpty()) {
            last = -1;
        } else {
            first = std::clamp(int(std::floor((drawn.top() - y) / rowHeight())), 0, int(entries.size()));
            last = std::min(last, int(std::floor((drawn.bottom() - y) / rowHeight())));
        }
        y += first * rowHeight();
        for (int i = first; i <= last; ++i) {
            const JournalEntry& e = entries[i];
            const QRectF row(panel.left(), y, panel.width(), rowHeight());
            if (i == hoveredEntry) {
                QColor hover = Color::vspForeground().resolve(appearance);
                hover.setAlphaF(0.04f);
                p.fillRect(row, hover);
            }
            const qreal mid = row.center().y();
            p.setFont(yearFont());
            p.setPen(yearColor);
            p.drawText(QRectF(panel.left() + kPaddingH, mid - ym.height() / 2, kYearWidth, ym.height()),
                       Qt::AlignCenter, yearLabel(e.date));
            const qreal stackTop = row.top() + kRowPaddingV;
            p.setFont(titleFont());
            p.setPen(primary);
            p.drawText(QPointF(textLeft, stackTop + tm.ascent()), tm.elidedText(e.title, Qt::ElideRight, textWidth));
            p.setFont(bodyFont());
            p.setPen(secondary);
            p.drawText(QPointF(textLeft, stackTop + std::ceil(tm.height()) + 2 + bm.ascent()),
                       bm.elidedText(firstLine(e.body.left(EntryRow::kPreviewUnits)), Qt::ElideRight, textWidth));
            y += rowHeight();
        }
    }
    p.restore();
}
