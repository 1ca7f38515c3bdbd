#pragma once

#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"

#include <QString>
#include <QWidget>

class QLabel;

/// Pieces the lock cover and the introduction share: the book logo with its accent glow, an accent
/// button, and a text label in the interface's colours.
namespace vsp::intro {

/// The book logo at `size` (logical pixels) with a glow of the accent colour under it, painted in the
/// room around the mark. `setBreath`
/// moves it between its resting look (0) and a fuller one (1): `restGlow` to `fullGlow` in opacity and
/// radius, and a scale of 1 to `fullScale` about the centre.
class BookLogoView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BookLogoView)

public:
    struct Glow {
        qreal opacity = 0.2;
        qreal radius = 20;
    };

    BookLogoView(qreal size, Glow restGlow, qreal yOffset, QWidget* parent = nullptr);
    void setFullLook(Glow fullGlow, qreal fullScale);
    /// 0 (rest) to 1 (full).
    void setBreath(qreal breath);
    qreal breath() const { return m_breath; }
    qreal scale() const;
    qreal glowOpacity() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_size;
    Glow m_rest;
    Glow m_full;
    qreal m_fullScale = 1;
    qreal m_breath = 0;
    qreal m_yOffset = 0;
};

/// A button filled with the accent colour, its text (and optional symbol before it) in the background
/// colour; it shrinks to 0.94 and dims to 0.85 while pressed (spring 0.18 s). Return, Enter and Space
/// press it while it has the focus.
class AccentButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AccentButton)

public:
    enum class Shape { Capsule, Rounded };

    AccentButton(const QString& text, QWidget* parent = nullptr);
    /// The look: the shape (corner radius 9 when rounded), horizontal padding, height and font.
    void setLook(Shape shape, int padding, int height, const QFont& font);
    /// A symbol drawn before the text at `size`.
    void setSymbol(const QString& symbol, qreal size);
    /// An accent glow under the button (opacity 0 for none).
    void setGlow(qreal opacity, qreal radius, qreal yOffset);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    /// Room around the button for its glow.
    QMargins glowMargins() const;

    qreal m_glowOpacity = 0;
    qreal m_glowRadius = 0;
    qreal m_glowOffset = 0;
    Shape m_shape = Shape::Capsule;
    int m_padding = 20;
    int m_height = 34;
    QString m_symbol;
    qreal m_symbolSize = 14;
};

/// A plain-text label in `color` (a theme colour, followed as the appearance changes), centred and
/// wrapping when `wrap` is true.
QLabel* label(const QString& text, const QFont& font, const Color& color, QWidget* parent, bool wrap = false);
/// Gives a wrapping label a fixed `width` (logical pixels) and the height its text needs there, so a
/// layout short of room cannot cut its lines off.
void fitToWidth(QLabel* label, int width);

} // namespace vsp::intro
