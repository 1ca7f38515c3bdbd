#pragma once

#include "Theme/Glass.h"
#include "Theme/PaintedButton.h"

#include <QPixmap>

#include <functional>

/// A small button of a symbol beside a short text on a glass rounded rectangle or capsule: the
/// "Images" and "Voice" buttons, the expiration chip and the like. Colours and glass are asked for on
/// every paint, so accent and appearance changes show at once.
class GlassChipButton : public vsp::PaintedButton {
    Q_OBJECT

public:
    explicit GlassChipButton(QWidget* parent = nullptr);

    /// The symbol (see vsp::symbols) drawn `pixelSize` pixels square before the text; empty for none.
    void setSymbol(const QString& symbol, qreal pixelSize);
    QString symbol() const { return m_symbol; }
    /// The text's font (the system font of 11 pixels by default).
    void setTextFont(const QFont& font);
    /// The colour of symbol and text, given whether the pointer is over the button.
    void setForeground(std::function<QColor(bool hovered)> color);
    /// The glass behind the content (interactive regular glass by default).
    void setGlass(std::function<vsp::Glass()> glass);
    void setShape(vsp::GlassShape shape, qreal cornerRadius);
    /// Padding left and right of the content and the fixed height, pixels.
    void setMetrics(qreal paddingX, int height, qreal spacing = 5);

    /// Call before changing the button's look (text, symbol, colours): the old look then fades into the
    /// new one and the width glides to the new size, with `spring`. Does nothing while the button is
    /// not visible or animations are off.
    void beginLookChange(vsp::Spring spring);
    /// Whether a look change is playing.
    bool isChangingLook() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    qreal m_symbolSize = 10;
    QFont m_font;
    std::function<QColor(bool)> m_color;
    std::function<vsp::Glass()> m_glass;
    vsp::GlassShape m_shape = vsp::GlassShape::RoundedRect;
    qreal m_radius = 8;
    qreal m_padX = 10;
    int m_height = 26;
    qreal m_spacing = 5;
    vsp::SpringValue* m_look;
    QPixmap m_oldLook;
    int m_oldWidth = 0;
};
