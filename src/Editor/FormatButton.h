#pragma once

#include "Theme/PaintedButton.h"
#include "Theme/Spring.h"

#include <QFont>

#include <functional>

class ComposeMotionTest;

/// A button of the format bars: a symbol or a short label in a fixed frame. While the pointer is over
/// it a faint accent background fades in (spring 0.2, damping 0.7), and pressing shrinks it to 90 %
/// (spring 0.15, damping 0.6). An "active" look (accent content on a tinted background) marks a style
/// that holds at the selection, or the chosen font design.
class FormatButton final : public vsp::PaintedButton {
    Q_OBJECT

public:
    explicit FormatButton(QWidget* parent = nullptr);

    /// Draws the symbol (see vsp::symbols) `pixelSize` pixels square.
    void setSymbol(const QString& symbol, qreal pixelSize);
    /// Draws `label` in `font` (instead of a symbol).
    void setLabel(const QString& label, const QFont& font);
    /// A second font used for the label while active (a bolder weight).
    void setActiveFont(const QFont& font);
    /// The fixed frame, pixels.
    void setFrame(int width, int height);
    /// Whether the button shows its active look; asked on every paint.
    void setActive(std::function<bool()> active);
    /// Opacity of the content while not active (0.7 in the docked bar, 0.75 in the floating bar) and
    /// whether the inactive content uses the secondary instead of the primary text colour.
    void setInactiveStyle(qreal opacity, bool secondary = false);
    /// Opacity and corner radius of the active background.
    void setActiveBackground(qreal opacity, qreal cornerRadius);

    bool isActive() const { return m_active && m_active(); }
    /// Makes the active look glide with `spring` when syncActive() finds it changed, instead of
    /// following the active test on every paint.
    void setActiveSpring(vsp::Spring spring);
    /// Reads the active test again and glides (or, without `animate`, jumps) to its look.
    void syncActive(bool animate);

    QSize sizeHint() const override { return {m_width, m_height}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hoverChanged(bool hovered) override;

private:
    friend class ComposeMotionTest;

    // Read by its tests alone.
    /// How active the button looks: 0 … 1, between while the look glides.
    qreal activeLevel() const;

    QString m_symbol;
    qreal m_symbolSize = 12;
    QString m_label;
    QFont m_font;
    QFont m_activeFont;
    bool m_hasActiveFont = false;
    int m_width = 26;
    int m_height = 24;
    std::function<bool()> m_active;
    qreal m_inactiveOpacity = 0.7;
    bool m_inactiveSecondary = false;
    qreal m_activeOpacity = 0.15;
    qreal m_activeRadius = 6;
    vsp::SpringValue* m_hover;
    /// The active look's level when it glides; none when it follows the active test directly.
    vsp::SpringValue* m_activeLevel = nullptr;
};

/// One colour swatch of the floating bar: a 12-pixel circle with a faint white rim that grows to 1.3
/// times its size under the pointer and shrinks to 0.8 while pressed (when not hovered).
class ColorSwatchButton final : public vsp::PaintedButton {
    Q_OBJECT

public:
    explicit ColorSwatchButton(std::function<QColor()> color, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {16, 26}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hoverChanged(bool hovered) override;

private:
    /// The scale the swatch is drawn at now (1.0 at rest).
    qreal targetScale() const;

    std::function<QColor()> m_color;
    vsp::SpringValue* m_scale;
};
