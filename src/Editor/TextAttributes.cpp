#include "Editor/TextAttributes.h"

#include "Editor/DisplayBlocks.h"

#include "Model/HexColor.h"

#include <QFontDatabase>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace vsp::editor {

namespace {

struct DesignFamily {
    QLatin1StringView preferred;
    QLatin1StringView fallback;
};

DesignFamily designFamily(const QString& design)
{
    if (design == QLatin1String("serif")) {
        return {QLatin1StringView("Charis SIL"), QLatin1StringView("DejaVu Serif")};
    }
    if (design == QLatin1String("rounded")) {
        return {QLatin1StringView("Comfortaa"), QLatin1StringView("DejaVu Sans")};
    }
    if (design == QLatin1String("mono")) {
        return {QLatin1StringView("JetBrains Mono"), QLatin1StringView("DejaVu Sans Mono")};
    }
    return {QLatin1StringView("Inter"), QLatin1StringView("DejaVu Sans")};
}

bool sameRgb(const QColor& a, const QColor& b)
{
    return a.red() == b.red() && a.green() == b.green() && a.blue() == b.blue();
}

} // namespace

QString familyForDesign(const QString& design)
{
    const DesignFamily family = designFamily(design);
    // The font database is built once per process; asking it is cheap afterwards.
    const QString preferred(family.preferred);
    return QFontDatabase::hasFamily(preferred) ? preferred : QString(family.fallback);
}

double sanitizedFontSize(double size, double fallback)
{
    return std::isfinite(size) && size > 0 && size <= kMaxFontSize ? size : fallback;
}

QFont resolveFont(double size, const QString& design, QFont::Weight weight)
{
    if (!std::isfinite(size) || size <= 0) {
        size = kDefaultFontSize;
    }
    size = std::min(size, kMaxFontSize);
    QFont font(familyForDesign(design));
    font.setPointSizeF(size);
    font.setWeight(weight);
    if (design == QLatin1String("mono")) {
        font.setStyleHint(QFont::Monospace);
    } else if (design == QLatin1String("serif")) {
        font.setStyleHint(QFont::Serif);
    } else {
        font.setStyleHint(QFont::SansSerif);
    }
    return font;
}

QTextCharFormat defaultCharFormat(double size, const EditorPalette& palette)
{
    QTextCharFormat format;
    format.setFontPointSize(sanitizedFontSize(size));
    format.setFontWeight(QFont::Normal);
    setForegroundRole(format, ColorRole::Body, palette);
    return format;
}

QTextBlockFormat defaultBlockFormat()
{
    QTextBlockFormat format;
    format.setLineHeight(kLineSpacingPoints * kPixelsPerPoint, QTextBlockFormat::LineDistanceHeight);
    return format;
}

QTextBlockFormat quoteBlockFormat()
{
    QTextBlockFormat format = defaultBlockFormat();
    // A head indent of 14 with a first-line head indent of 14: the whole paragraph moves in.
    format.setLeftMargin(kQuoteIndentPoints * kPixelsPerPoint);
    format.setTextIndent(0);
    return format;
}

QColor colorForRole(ColorRole role, const EditorPalette& palette)
{
    switch (role) {
    case ColorRole::Body: return palette.body;
    case ColorRole::Title: return palette.title;
    case ColorRole::Quote: return palette.quote;
    case ColorRole::Highlight: return palette.highlight;
    case ColorRole::None: break;
    }
    return {};
}

void setForegroundRole(QTextCharFormat& format, ColorRole role, const EditorPalette& palette)
{
    format.setForeground(colorForRole(role, palette));
    format.setProperty(kForegroundRoleProperty, int(role));
}

void setForegroundColor(QTextCharFormat& format, const QColor& color)
{
    format.setForeground(color);
    format.clearProperty(kForegroundRoleProperty);
}

QColor colorFromHex(QStringView text)
{
    const quint32 value = vsp::parseHexColor(text).value_or(0);
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

bool isBold(const QTextCharFormat& format)
{
    return format.fontWeight() >= QFont::Bold;
}

void rewriteCharFormats(QTextDocument& document, const std::function<bool(QTextCharFormat&)>& change)
{
    struct Edit {
        int start;
        int length;
        QTextCharFormat format;
    };
    std::vector<Edit> edits;
    std::unordered_map<int, std::optional<QTextCharFormat>> byIndex;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) {
                continue;
            }
            auto found = byIndex.find(fragment.charFormatIndex());
            if (found == byIndex.end()) {
                QTextCharFormat format = fragment.charFormat();
                std::optional<QTextCharFormat> changed;
                if (change(format)) {
                    changed = format;
                }
                found = byIndex.emplace(fragment.charFormatIndex(), std::move(changed)).first;
            }
            if (found->second) {
                edits.push_back({fragment.position(), fragment.length(), *found->second});
            }
        }
    }
    if (edits.empty()) {
        return;
    }
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const Edit& edit : edits) {
        cursor.setPosition(edit.start);
        cursor.setPosition(edit.start + edit.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(edit.format);
    }
    cursor.endEditBlock();
}

bool clearFamily(QTextCharFormat& format, const QString& family)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (families.isEmpty() || families.first() != family) {
        return false;
    }
    format.clearProperty(QTextFormat::FontFamilies);
    format.clearProperty(QTextFormat::FontFamily);
    return true;
}

void clearFamily(QTextDocument& document, const QString& family)
{
    rewriteCharFormats(document, [&](QTextCharFormat& format) { return clearFamily(format, family); });
}

bool adaptColors(QTextCharFormat& format, const EditorPalette& palette)
{
    static const EditorPalette dark = EditorPalette::dark();
    static const EditorPalette light = EditorPalette::light();
    bool changed = false;
    if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush) {
        const QColor color = format.foreground().color();
        if (color.isValid()) {
            const QColor rgb = color.toRgb();
            const double r = rgb.redF();
            const double g = rgb.greenF();
            const double b = rgb.blueF();
            const double spread = std::max({std::abs(r - g), std::abs(g - b), std::abs(r - b)});
            if (sameRgb(rgb, dark.body) || sameRgb(rgb, light.body)) {
                // Both body colours lie past the title thresholds (200/255 above 0.78, the light one
                // below 0.22): without this, saved body text would come back in the title colour.
                setForegroundRole(format, ColorRole::Body, palette);
                changed = true;
            } else if (spread < 0.08) {
                const double average = (r + g + b) / 3;
                setForegroundRole(format, average > 0.78 || average < 0.22 ? ColorRole::Title : ColorRole::Body,
                                  palette);
                changed = true;
            } else if (sameRgb(rgb, dark.quote) || sameRgb(rgb, light.quote)) {
                setForegroundRole(format, ColorRole::Quote, palette);
                changed = true;
            }
        }
    }
    if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush) {
        const QColor color = format.background().color().toRgb();
        if (sameRgb(color, dark.highlight) || sameRgb(color, light.highlight)) {
            format.setBackground(palette.highlight);
            format.setProperty(kBackgroundRoleProperty, int(ColorRole::Highlight));
            changed = true;
        }
    }
    return changed;
}

void adaptiveColors(QTextDocument& document, const EditorPalette& palette)
{
    rewriteCharFormats(document, [&](QTextCharFormat& format) { return adaptColors(format, palette); });
}

void recolorRoles(QTextDocument& document, const EditorPalette& palette)
{
    rewriteCharFormats(document, [&](QTextCharFormat& format) {
        bool changed = false;
        const auto foreground = ColorRole(format.intProperty(kForegroundRoleProperty));
        if (foreground != ColorRole::None) {
            const QColor color = colorForRole(foreground, palette);
            if (format.foreground().color() != color) {
                format.setForeground(color);
                changed = true;
            }
        }
        const auto background = ColorRole(format.intProperty(kBackgroundRoleProperty));
        if (background != ColorRole::None) {
            const QColor color = colorForRole(background, palette);
            if (format.background().color() != color) {
                format.setBackground(color);
                changed = true;
            }
        }
        return changed;
    });
}

QTextCharFormat charFormatAt(const QTextDocument& document, int position)
{
    const QTextBlock block = document.findBlock(position);
    if (!block.isValid()) {
        return {};
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.contains(position)) {
            return fragment.charFormat();
        }
    }
    return block.charFormat();
}

QString plainTextOf(const QTextDocument& document)
{
    QString text = document.toRawText();
    std::replace(text.begin(), text.end(), QChar(QChar::ParagraphSeparator), QChar(u'\n'));
    // Display blocks: their separators are taken out, the text moving up over them.
    qsizetype kept = -1;
    qsizetype from = 0;
    for (QTextBlock block = document.begin().next(); block.isValid(); block = block.next()) {
        if (!continuesParagraph(block)) {
            continue;
        }
        const qsizetype separator = block.position() - 1;
        if (kept < 0) {
            kept = separator;
        } else {
            std::copy(text.begin() + from, text.begin() + separator, text.begin() + kept);
            kept += separator - from;
        }
        from = separator + 1;
    }
    if (kept >= 0) {
        std::copy(text.begin() + from, text.end(), text.begin() + kept);
        text.truncate(kept + (text.size() - from));
    }
    return text;
}

QPaintDevice* layoutDevice()
{
    static QImage* device = [] {
        auto* image = new QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = int(std::lround(72.0 / 0.0254));
        image->setDotsPerMeterX(dotsPerMeter);
        image->setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

} // namespace vsp::editor
