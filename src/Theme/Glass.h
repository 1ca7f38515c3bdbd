#pragma once

#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"

#include <QAbstractButton>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

namespace vsp {

/// A glass material: a translucent surface painted over whatever lies behind it. "Regular" glass is a
/// visible frosted panel, "clear" glass barely there; either may carry a tint (a colour with its own
/// opacity) and may react to the pointer ("interactive": lighter while hovered, more while pressed).
struct Glass {
    enum class Kind { Regular, Clear };
    Kind kind = Kind::Regular;
    std::optional<Color> tint;
    bool interactive = false;

    static Glass regular() { return {}; }
    static Glass clear() { return {Kind::Clear, std::nullopt, false}; }
    Glass tinted(const Color& color) const
    {
        Glass g = *this;
        g.tint = color;
        return g;
    }
    Glass makeInteractive() const
    {
        Glass g = *this;
        g.interactive = true;
        return g;
    }
};

/// The outline of a glass surface.
enum class GlassShape { RoundedRect, Capsule, Circle };

/// Pointer state of an interactive glass surface.
struct GlassState {
    bool hovered = false;
    bool pressed = false;
};

/// Paints glass filling `rect` in the given shape (`cornerRadius` in pixels applies to rounded
/// rectangles) for an appearance. On the GUI thread, with the raster engine and at most a translation,
/// the glass is copied from a picture painted once per size, shape, offset within a device pixel and look
/// (up to 6 MB are kept, 1.5 MB at most per surface, emptied when the appearance changes): the pixels of
/// painting it, each channel within a few levels of rounding. At an opacity below 1 the glass then fades
/// as one layer.
void paintGlass(QPainter& painter, const QRectF& rect, const Glass& glass, GlassShape shape, qreal cornerRadius,
                Appearance appearance, GlassState state = {});
/// Paints glass as paintGlass does, always with the painter and never from the pictures kept.
void paintGlassUncached(QPainter& painter, const QRectF& rect, const Glass& glass, GlassShape shape, qreal cornerRadius,
                        Appearance appearance, GlassState state = {});
/// The same for the application's current appearance.
void paintGlass(QPainter& painter, const QRectF& rect, const Glass& glass, GlassShape shape, qreal cornerRadius,
                GlassState state = {});

/// A widget that paints a glass panel behind its children.
class GlassPanel : public QWidget {
    Q_OBJECT

public:
    explicit GlassPanel(QWidget* parent = nullptr);

    void setGlass(const Glass& glass);
    const Glass& glass() const { return m_glass; }
    void setShape(GlassShape shape, qreal cornerRadius = 0);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Glass m_glass;
    GlassShape m_shape = GlassShape::RoundedRect;
    qreal m_radius = 10;
};

/// A small button drawing a symbol on glass: the header's calendar, search and sort buttons and the
/// like. The symbol's colour is asked for on every paint, so accent or appearance changes show at once.
/// While pressed the content shrinks to 0.94 and dims to 0.85 (spring 0.18).
class GlassButton : public PaintedButton {
    Q_OBJECT
    Q_PROPERTY(qreal symbolRotation READ symbolRotation WRITE setSymbolRotation)
    Q_PROPERTY(qreal presence READ presence WRITE setPresence)

public:
    explicit GlassButton(QWidget* parent = nullptr);

    /// The symbol name (see vsp::symbols) and its size in pixels.
    void setSymbol(const QString& symbol, qreal pixelSize);
    QString symbol() const { return m_symbol; }
    /// The symbol's colour, asked for on every paint (secondary text colour by default).
    void setSymbolColor(std::function<QColor()> color);
    /// The glass, asked for on every paint (regular interactive glass by default).
    void setGlass(std::function<Glass()> glass);
    void setShape(GlassShape shape, qreal cornerRadius = 8);
    /// The rotation of the symbol in degrees about its centre (animated by callers).
    void setSymbolRotation(qreal degrees);
    qreal symbolRotation() const { return m_rotation; }
    /// How far the button has entered, 0 to 1: the whole button is scaled about its centre by this
    /// factor and drawn at this opacity. Buttons that come and go with a scale-and-fade transition
    /// animate it; 1 (the default) is a button at rest.
    void setPresence(qreal presence);
    qreal presence() const { return m_presence; }
    /// The fixed square size of the button in pixels.
    void setSide(int side);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    qreal m_symbolSize = 12;
    std::function<QColor()> m_color;
    std::function<Glass()> m_glass;
    GlassShape m_shape = GlassShape::RoundedRect;
    qreal m_radius = 8;
    qreal m_rotation = 0;
    qreal m_presence = 1;
    int m_side = 28;
};

} // namespace vsp
