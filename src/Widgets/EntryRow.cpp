#include "Widgets/EntryRow.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/SymbolIcons.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QTextLayout>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

using vsp::Color;

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

/// Advances of single characters in the preview font, filled on first use of each character. Measuring
/// the first line of a body by adding them up is exact enough to tell one line from two (kerning moves
/// a line by a pixel or two) and thousands of times cheaper than shaping it, which matters when a
/// 10,000-entry list lays out every row.
class CharAdvances {
public:
    explicit CharAdvances(const QFont& font) : m_metrics(font), m_table(0x10000, -1.0f) { }

    qreal advance(QChar c)
    {
        float& slot = m_table[c.unicode()];
        if (slot < 0) {
            slot = c.isSurrogate() ? float(m_metrics.averageCharWidth()) : float(m_metrics.horizontalAdvance(c));
        }
        return slot;
    }

private:
    QFontMetricsF m_metrics;
    std::vector<float> m_table;
};

CharAdvances& previewAdvances()
{
    static CharAdvances table(EntryRow::previewFont());
    return table;
}

/// What the preview needs to know of a body, independent of the width: whether its first line ends in a
/// line break and how wide that first line is (capped).
struct FirstLine {
    /// The body measured, kept so that a later look sees whether it is still the entry's.
    FoldedText body;
    qreal advance = 0;
    bool hasBreak = false;
};

FirstLine measureFirstLine(const FoldedText& body)
{
    FirstLine m;
    m.body = body;
    CharAdvances& table = previewAdvances();
    constexpr qreal cap = 5000;
    const QString text = body.left(EntryRow::kPreviewUnits);
    for (const QChar c : text) {
        if (isLineBreak(c)) {
            m.hasBreak = true;
            break;
        }
        m.advance += table.advance(c);
        if (m.advance > cap) {
            break;
        }
    }
    return m;
}

const FirstLine& firstLineOf(const JournalEntry& entry)
{
    // Entries share their body text with the store's copy, so an unchanged body is recognised by its
    // data pointer without comparing the text.
    static QHash<QUuid, FirstLine> cache;
    auto it = cache.find(entry.id);
    if (it != cache.end()) {
        if (it->body.identity() == entry.body.identity()) {
            return *it;
        }
        // Measuring again reads no further than the first line's start, unlike comparing the texts.
        *it = measureFirstLine(entry.body);
        return *it;
    }
    if (cache.size() > 200000) {
        cache.clear();
    }
    return *cache.insert(entry.id, measureFirstLine(entry.body));
}

/// The picture kept in QPixmapCache under `key`, or a transparent one of `size` (device-independent
/// pixels) drawn by `paint` and kept.
QPixmap cachedPicture(const QString& key, const QSizeF& size, qreal devicePixelRatio,
                      const std::function<void(QPainter&)>& paint)
{
    QPixmap pm;
    if (QPixmapCache::find(key, &pm)) {
        return pm;
    }
    QImage image((size * devicePixelRatio).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        paint(p);
    }
    pm = QPixmap::fromImage(std::move(image));
    QPixmapCache::insert(key, pm);
    return pm;
}

/// An emoji drawn once into a pixmap and reused: colour emoji glyphs are bitmaps that the font engine
/// decodes and scales again on every paint, which made a screen of rows with moods slow to draw. Some
/// emoji (the lightning of "Energized") come from a text font in one colour: those are drawn in `color`,
/// like the text around them.
QPixmap emojiPixmap(const QString& emoji, const QFont& font, const QColor& color, qreal devicePixelRatio)
{
    const QString key = QStringLiteral("vsp-emoji|%1|%2|%3|%4")
                            .arg(emoji)
                            .arg(font.pixelSize())
                            .arg(devicePixelRatio)
                            .arg(color.rgba());
    const QFontMetricsF fm(font);
    const QSizeF size(std::ceil(fm.horizontalAdvance(emoji)), std::ceil(fm.height()));
    return cachedPicture(key, size, devicePixelRatio, [&](QPainter& p) {
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(font);
        p.setPen(color);
        p.drawText(QPointF(0, fm.ascent()), emoji);
    });
}

/// The selected row's tint: `color` filling the row's rounded shape, kept per size and colour.
QPixmap tintPicture(const QSizeF& size, qreal devicePixelRatio, const QColor& color)
{
    const QString key = QStringLiteral("vsp-row-tint|%1|%2|%3|%4")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(devicePixelRatio)
                            .arg(color.rgba());
    return cachedPicture(key, size, devicePixelRatio, [&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5), EntryRow::kCornerRadius,
                            EntryRow::kCornerRadius);
        p.fillPath(path, color);
    });
}

QColor withAlpha(QColor c, qreal factor)
{
    c.setAlphaF(float(c.alphaF() * factor));
    return c;
}

QString dayMonthPattern(const QLocale& locale, bool withYear)
{
    const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = shortFormat.indexOf(u'd');
    const qsizetype m = shortFormat.indexOf(u'M');
    const qsizetype y = shortFormat.indexOf(u'y');
    const bool dayFirst = d >= 0 && m >= 0 && d < m;
    if (!withYear) {
        return dayFirst ? QStringLiteral("d MMM") : QStringLiteral("MMM d");
    }
    if (y >= 0 && y < m && y < d) {
        return QStringLiteral("yyyy MMM d");
    }
    return dayFirst ? QStringLiteral("d MMM yyyy") : QStringLiteral("MMM d, yyyy");
}

} // namespace

EntryRow::Options EntryRow::currentOptions()
{
    const AppSettings& settings = AppSettings::instance();
    return Options{settings.showEntryPreviews(), settings.compactListView()};
}

QString EntryRow::dateLabel(double date, double now, const QLocale& locale)
{
    const QDateTime when = vsp::toDateTime(date);
    const QDate day = when.date();
    const QDate today = vsp::localDate(now);
    const QString time = locale.toString(when.time(), vsp::shortTimeFormat(locale));
    if (day == today) {
        return time;
    }
    if (day.year() == today.year()) {
        return locale.toString(day, dayMonthPattern(locale, false)) + QStringLiteral(" \u00B7 ") + time;
    }
    return locale.toString(day, dayMonthPattern(locale, true));
}

EntryRow::ExpirationMark EntryRow::expirationMark(const std::optional<double>& expiration, double now)
{
    if (!expiration) {
        return ExpirationMark::None;
    }
    switch (vsp::expirationStatus(*expiration, now)) {
    case vsp::Expiration::Past: return ExpirationMark::Past;
    case vsp::Expiration::Today: return ExpirationMark::Today;
    case vsp::Expiration::Later: break;
    }
    return ExpirationMark::Later;
}

Color EntryRow::expirationColor(ExpirationMark mark)
{
    switch (mark) {
    case ExpirationMark::Today:
        // The platform's orange in each appearance.
        return Color::adaptive(0xFF9F0A, 0xFF9500);
    case ExpirationMark::Later: return Color::resolvedAccent(1.0).withOpacity(0.75);
    case ExpirationMark::None:
    case ExpirationMark::Past: break;
    }
    return Color::secondaryStyle();
}

QFont EntryRow::dateFont()
{
    return vsp::fonts::monospaced(10);
}

QFont EntryRow::moodFont()
{
    return vsp::fonts::system(10);
}

QFont EntryRow::titleFont()
{
    return vsp::fonts::system(13, QFont::DemiBold);
}

QFont EntryRow::previewFont()
{
    return vsp::fonts::system(11);
}

QFont EntryRow::tagFont()
{
    return vsp::fonts::system(10);
}

namespace {

struct Metrics {
    qreal markLine;
    qreal title;
    qreal previewLine;
    qreal tagCapsule;
};

const Metrics& metrics()
{
    static const Metrics m = [] {
        const QFontMetricsF date(EntryRow::dateFont());
        const QFontMetricsF title(EntryRow::titleFont());
        const QFontMetricsF preview(EntryRow::previewFont());
        const QFontMetricsF tag(EntryRow::tagFont());
        return Metrics{std::ceil(std::max(date.height(), 8.0)), std::ceil(title.height()), std::ceil(preview.height()),
                       std::ceil(tag.height() + 4)};
    }();
    return m;
}

} // namespace

int EntryRow::previewLineCount(const JournalEntry& entry, qreal width)
{
    if (entry.body.isEmpty()) {
        return 0;
    }
    const FirstLine& line = firstLineOf(entry);
    if (line.hasBreak || line.advance > width - 2 * kHorizontalPadding) {
        return 2;
    }
    return 1;
}

qreal EntryRow::height(const JournalEntry& entry, qreal width, const Options& options)
{
    const Metrics& m = metrics();
    qreal h = 2 * (options.compactListView ? kCompactVerticalPadding : kVerticalPadding);
    h += m.markLine + kSpacing + m.title;
    if (options.showEntryPreviews) {
        const int lines = previewLineCount(entry, width);
        h += kSpacing + lines * m.previewLine + std::max(0, lines - 1) * kPreviewLineSpacing;
    }
    if (!entry.tags.isEmpty()) {
        h += kSpacing + m.tagCapsule;
    }
    return h;
}

namespace {

/// Draws up to `lines` lines of `text` wrapped at `width`; the last one is elided when text remains.
void drawWrapped(QPainter& p, const QString& text, const QFont& font, const QPointF& origin, qreal width, int lines,
                 qreal lineHeight, qreal lineSpacing)
{
    // Only the start of a long body can show; shaping more would be wasted. No character is narrower
    // than 2.5 pixels at this size.
    QString shown = text.left(qsizetype(lines * width / 2.5) + 16);
    for (QChar& c : shown) {
        if (isLineBreak(c)) {
            c = QChar::LineSeparator;
        }
    }
    const QFontMetricsF fm(font);
    p.setFont(font);
    QTextLayout layout(shown, font);
    QTextOption option;
    // A word wider than the row (a long link, say) breaks where it must rather than run past the row.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    int laidOut = 0;
    QString elided;
    for (int i = 0; i < lines; ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        const qsizetype end = line.textStart() + line.textLength();
        if (i == lines - 1 && end < shown.size()) {
            // More follows than fits: the last line shows the start of the rest, elided.
            QString rest = shown.mid(line.textStart());
            const qsizetype br = rest.indexOf(QChar::LineSeparator);
            if (br >= 0) {
                rest = rest.left(br) + QChar(0x2026);
            }
            elided = fm.elidedText(rest, Qt::ElideRight, width);
            break;
        }
        ++laidOut;
        y += lineHeight + lineSpacing;
    }
    layout.endLayout();
    for (int i = 0; i < laidOut; ++i) {
        layout.lineAt(i).draw(&p, origin);
    }
    if (!elided.isEmpty()) {
        p.drawText(QPointF(origin.x(), origin.y() + y + fm.ascent()), elided);
    }
}

} // namespace

void EntryRow::paintBackground(QPainter& p, const QRectF& rect, const PaintState& state)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // Glass: clear at rest; regular glass fades in, tinted white on hover and with the accent when
    // selected.
    const vsp::Appearance appearance = AppearanceManager::instance().current();
    vsp::paintGlass(p, rect, vsp::Glass::clear(), vsp::GlassShape::RoundedRect, kCornerRadius, appearance);
    const qreal glassStrength = std::max(state.selection, state.hover);
    if (glassStrength > 0.001) {
        QColor tint = Color::resolvedAccent(0.2).resolve(appearance);
        tint.setAlphaF(float(0.2 * state.selection));
        QColor white(255, 255, 255);
        white.setAlphaF(float(0.04 * state.hover * (1.0 - state.selection)));
        p.save();
        p.setOpacity(glassStrength);
        vsp::paintGlass(p, rect, vsp::Glass::regular().tinted(Color(white)), vsp::GlassShape::RoundedRect,
                        kCornerRadius, appearance);
        p.restore();
        if (state.selection > 0.001) {
            // The tint at full strength is drawn once and then faded: filling the rounded shape afresh
            // on every frame of the selection's spring cost more than the rest of the row.
            QColor full = tint;
            full.setAlphaF(0.2f);
            p.setOpacity(p.opacity() * state.selection);
            p.drawPixmap(rect.topLeft(),
                         tintPicture(rect.size(), p.device() ? p.device()->devicePixelRatioF() : 1.0, full));
        }
    }
    p.restore();
}

void EntryRow::paintSelectionDot(QPainter& p, const QRectF& rect, const Options& options, qreal selection)
{
    if (selection <= 0.001) {
        return;
    }
    const qreal padV = options.compactListView ? kCompactVerticalPadding : kVerticalPadding;
    const qreal markMid = rect.top() + padV + metrics().markLine / 2;
    const qreal r = 3 * selection;
    QColor dot = Color::resolvedAccent(1.0).resolve();
    dot.setAlphaF(float(selection));
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(dot);
    p.drawEllipse(QPointF(rect.right() - kHorizontalPadding - 3, markMid), r, r);
    p.restore();
}

void EntryRow::paint(QPainter& p, const QRectF& rect, const JournalEntry& entry, const Options& options,
                     const PaintState& state)
{
    paintBackground(p, rect, state);
    paintContent(p, rect, entry, options, state.pinned, state.now);
    paintSelectionDot(p, rect, options, state.selection);
}

QColor EntryRow::selectedRowColor()
{
    // Painted and read back, so the glass's layers count as they are drawn.
    QImage image(40, 100, QImage::Format_RGB32);
    image.fill(Color::vspBackground().resolve());
    {
        QPainter p(&image);
        PaintState state;
        state.selection = 1;
        paintBackground(p, QRectF(0, 0, 40, 100), state);
    }
    return image.pixelColor(20, int(kVerticalPadding + 6));
}

QColor EntryRow::dateColor(bool selected)
{
    const QColor tertiary = Color::tertiaryStyle().resolve();
    return selected ? vsp::withContrast(tertiary, {selectedRowColor()}) : tertiary;
}

QPointF EntryRow::dateOrigin(const QRectF& rect, const Options& options, bool pinned)
{
    const qreal padV = options.compactListView ? kCompactVerticalPadding : kVerticalPadding;
    const QFontMetricsF dateMetrics(dateFont());
    const qreal markMid = rect.top() + padV + metrics().markLine / 2;
    const qreal x = rect.left() + kHorizontalPadding + (pinned ? 8 + kSpacing : 0);
    return {x, markMid - dateMetrics.height() / 2 + dateMetrics.ascent()};
}

void EntryRow::paintDate(QPainter& p, const QRectF& rect, const JournalEntry& entry, const Options& options,
                         bool pinned, double now, bool selected)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(dateFont());
    p.setPen(dateColor(selected));
    p.drawText(dateOrigin(rect, options, pinned), dateLabel(entry.date, now));
    p.restore();
}

void EntryRow::paintContent(QPainter& p, const QRectF& rect, const JournalEntry& entry, const Options& options,
                            bool pinned, double now, bool selected, DatePart datePart)
{
    const Metrics& m = metrics();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const vsp::Appearance appearance = AppearanceManager::instance().current();
    const qreal padV = options.compactListView ? kCompactVerticalPadding : kVerticalPadding;
    const QRectF content = rect.adjusted(kHorizontalPadding, padV, -kHorizontalPadding, -padV);
    const QColor accent = Color::resolvedAccent(1.0).resolve(appearance);
    const QColor primary = Color::primaryStyle().resolve(appearance);
    const QColor secondary = Color::secondaryStyle().resolve(appearance);

    // Mark line.
    qreal x = content.left();
    const qreal markMid = content.top() + m.markLine / 2;
    if (pinned) {
        vsp::symbols::paint(p, u"pin.fill", QRectF(x, markMid - 4, 8, 8), withAlpha(accent, 0.75));
        x += 8 + kSpacing;
    }
    const QString date = dateLabel(entry.date, now);
    const QFontMetricsF dateMetrics(dateFont());
    if (datePart == DatePart::Included) {
        paintDate(p, rect, entry, options, pinned, now, selected);
    }
    x += dateMetrics.horizontalAdvance(date) + kSpacing;
    if (entry.mood) {
        const QFontMetricsF moodMetrics(moodFont());
        p.save();
        p.setOpacity(p.opacity() * 0.7);
        const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
        p.drawPixmap(QPointF(x, markMid - moodMetrics.height() / 2),
                     emojiPixmap(*entry.mood, moodFont(), primary, dpr));
        p.restore();
        x += moodMetrics.horizontalAdvance(*entry.mood) + kSpacing;
    }
    const ExpirationMark bell = expirationMark(entry.expirationDate, now);
    if (bell != ExpirationMark::None) {
        vsp::symbols::paint(p, u"bell.fill", QRectF(x, markMid - 4, 8, 8), expirationColor(bell).resolve(appearance));
    }

    // Title.
    qreal y = content.top() + m.markLine + kSpacing;
    const QFontMetricsF titleMetrics(titleFont());
    p.setFont(titleFont());
    p.setPen(primary);
    p.drawText(QPointF(content.left(), y + titleMetrics.ascent()),
               titleMetrics.elidedText(entry.title, Qt::ElideRight, content.width()));
    y += m.title;

    // Preview.
    if (options.showEntryPreviews) {
        y += kSpacing;
        const int lines = previewLineCount(entry, rect.width());
        if (lines > 0) {
            p.setPen(secondary);
            drawWrapped(p, entry.body.left(kPreviewUnits), previewFont(), QPointF(content.left(), y), content.width(),
                        lines, m.previewLine, kPreviewLineSpacing);
            y += lines * m.previewLine + (lines - 1) * kPreviewLineSpacing;
        }
    }

    // Tags: capsules in stored order, clipped at the row's edge.
    if (!entry.tags.isEmpty()) {
        y += kSpacing;
        const QFontMetricsF tagMetrics(tagFont());
        p.save();
        p.setClipRect(content.adjusted(0, 0, 0, padV));
        qreal tx = content.left();
        p.setFont(tagFont());
        for (const QString& tag : entry.tags) {
            if (tx > content.right()) {
                break;
            }
            const qreal w = tagMetrics.horizontalAdvance(tag) + 16;
            const QRectF capsule(tx, y, w, m.tagCapsule);
            vsp::paintGlass(p, capsule, vsp::Glass::regular(), vsp::GlassShape::Capsule, 0, appearance);
            p.setPen(secondary);
            p.drawText(capsule, Qt::AlignCenter, tag);
            tx += w + 4;
        }
        p.restore();
    }
    p.restore();
}
