#include "Media/WeatherLocationChips.h"

#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>
#include <limits>

using vsp::Color;

namespace {

constexpr qreal kChipSpacing = 8;
constexpr qreal kContentSpacing = 5;
constexpr qreal kPadX = 10;
constexpr qreal kPadY = 5;
constexpr qreal kWeatherSymbol = 11;
constexpr qreal kPinSymbol = 10;

QFont medium11()
{
    return vsp::fonts::system(11, QFont::Medium);
}

QFont regular11()
{
    return vsp::fonts::system(11);
}

/// One piece of a chip's content: a symbol or a text.
struct Piece {
    QString symbol;
    qreal symbolSize = 0;
    QString text;
    QFont font;
    QColor color;
    /// A text that may be shortened with "…" when room is short (the condition and the place name).
    bool elidable = false;

    qreal width() const { return symbol.isEmpty() ? QFontMetricsF(font).horizontalAdvance(text) : symbolSize; }
};

QList<QList<Piece>> chipsOf(const std::optional<QString>& symbol, const std::optional<double>& temp,
                            const std::optional<QString>& text, const std::optional<QString>& place)
{
    QList<QList<Piece>> result;
    const QColor accent = Color::resolvedAccent(1.0).resolve();
    if (symbol && temp) {
        QList<Piece> weather;
        weather.append({*symbol, kWeatherSymbol, {}, {}, accent});
        weather.append(
            {{}, 0, WeatherLocationChips::temperatureText(*temp), medium11(), Color::primaryStyle().resolve()});
        if (text && *text != QStringLiteral("—")) {
            weather.append({{}, 0, *text, regular11(), Color::secondaryStyle().resolve(), true});
        }
        result.append(weather);
    }
    if (place) {
        QList<Piece> pin;
        pin.append({QStringLiteral("mappin.and.ellipse"), kPinSymbol, {}, {}, accent});
        pin.append({{}, 0, *place, medium11(), Color::primaryStyle().resolve(), true});
        result.append(pin);
    }
    return result;
}

qreal chipWidth(const QList<Piece>& pieces)
{
    qreal width = 2 * kPadX;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        width += pieces[i].width() + (i > 0 ? kContentSpacing : 0);
    }
    return width;
}

qreal totalWidth(const QList<QList<Piece>>& chips)
{
    qreal width = 0;
    for (qsizetype i = 0; i < chips.size(); ++i) {
        width += chipWidth(chips[i]) + (i > 0 ? kChipSpacing : 0);
    }
    return width;
}

/// Shortens the elidable texts, the condition first (its symbol still tells it) and then the place
/// name, until the chips fit in `available` (or those texts are down to "…").
void fitChips(QList<QList<Piece>>& chips, qreal available)
{
    for (qsizetype c = 0; c < chips.size(); ++c) {
        for (qsizetype i = 0; i < chips[c].size(); ++i) {
            const qreal excess = totalWidth(chips) - available;
            if (excess <= 0) {
                return;
            }
            Piece& piece = chips[c][i];
            if (!piece.elidable) {
                continue;
            }
            const QFontMetricsF metrics(piece.font);
            const qreal room = std::max<qreal>(0, piece.width() - excess);
            QString shortened = metrics.elidedText(piece.text, Qt::ElideRight, room);
            if (shortened.isEmpty()) {
                shortened = QStringLiteral("…");
            }
            piece.text = shortened;
        }
    }
}

qreal chipHeight()
{
    return std::ceil(QFontMetricsF(medium11()).height()) + 2 * kPadY;
}

} // namespace

WeatherLocationChips::WeatherLocationChips(QWidget* parent) : QWidget(parent)
{
    // Never wider than it asks, narrower (shortening its texts) when its row is short of room.
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, qOverload<>(&QWidget::update));
}

void WeatherLocationChips::setValues(const std::optional<QString>& symbol, const std::optional<double>& temp,
                                     const std::optional<QString>& text, const std::optional<QString>& place)
{
    m_symbol = symbol;
    m_temp = temp;
    m_text = text;
    m_place = place;
    setAccessibleName(shownTexts().join(QStringLiteral(", ")));
    updateGeometry();
    update();
}

QString WeatherLocationChips::temperatureText(double celsius)
{
    const double rounded = std::round(celsius); // halves away from zero
    if (!std::isfinite(rounded) || rounded < double(std::numeric_limits<qint64>::min())
        || rounded >= double(std::numeric_limits<qint64>::max())) {
        return QStringLiteral("—°");
    }
    // Negative zero (from -0.4) reads as plain 0.
    return QString::number(qint64(rounded)) + QStringLiteral("°");
}

QStringList WeatherLocationChips::shownTexts() const
{
    QStringList texts;
    for (const QList<Piece>& chip : chipsOf(m_symbol, m_temp, m_text, m_place)) {
        for (const Piece& piece : chip) {
            if (piece.symbol.isEmpty()) {
                texts.append(piece.text);
            }
        }
    }
    return texts;
}

QStringList WeatherLocationChips::drawnTexts() const
{
    QList<QList<Piece>> chips = chipsOf(m_symbol, m_temp, m_text, m_place);
    fitChips(chips, width());
    QStringList texts;
    for (const QList<Piece>& chip : std::as_const(chips)) {
        for (const Piece& piece : chip) {
            if (piece.symbol.isEmpty()) {
                texts.append(piece.text);
            }
        }
    }
    return texts;
}

QSize WeatherLocationChips::sizeHint() const
{
    const QList<QList<Piece>> chips = chipsOf(m_symbol, m_temp, m_text, m_place);
    if (chips.isEmpty()) {
        return {0, 0};
    }
    return {int(std::ceil(totalWidth(chips))), int(chipHeight())};
}

QSize WeatherLocationChips::minimumSizeHint() const
{
    QList<QList<Piece>> chips = chipsOf(m_symbol, m_temp, m_text, m_place);
    if (chips.isEmpty()) {
        return {0, 0};
    }
    fitChips(chips, 0);
    return {int(std::ceil(totalWidth(chips))), int(chipHeight())};
}

void WeatherLocationChips::paintEvent(QPaintEvent*)
{
    QList<QList<Piece>> chips = chipsOf(m_symbol, m_temp, m_text, m_place);
    if (chips.isEmpty()) {
        return;
    }
    fitChips(chips, width());
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = chipHeight();
    const qreal top = (height() - h) / 2;
    qreal x = 0;
    for (const QList<Piece>& chip : std::as_const(chips)) {
        const QRectF box(x, top, chipWidth(chip), h);
        vsp::paintGlass(p, box, vsp::Glass::regular(), vsp::GlassShape::Capsule, 0);
        qreal cx = box.left() + kPadX;
        for (const Piece& piece : chip) {
            if (!piece.symbol.isEmpty()) {
                const QRectF r(cx, box.center().y() - piece.symbolSize / 2, piece.symbolSize, piece.symbolSize);
                vsp::symbols::paint(p, piece.symbol, r, piece.color);
            } else {
                p.setFont(piece.font);
                p.setPen(piece.color);
                p.drawText(QRectF(cx, box.top(), piece.width() + 1, h), Qt::AlignLeft | Qt::AlignVCenter, piece.text);
            }
            cx += piece.width() + kContentSpacing;
        }
        x = box.right() + kChipSpacing;
    }
}
