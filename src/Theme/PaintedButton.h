#pragma once

#include "Theme/Spring.h"

#include <QAbstractButton>

class QPainter;

namespace vsp {

/// A tooltip that shows `text` exactly: Qt reads a tooltip that looks like markup as rich text, and
/// names, versions and the like are texts from elsewhere.
QString plainToolTip(const QString& text);

/// The base of every button that paints itself. It gives the pointing-hand cursor, takes the keyboard
/// focus from Tab (not from a click, which leaves the focus where the user was typing) with the focus
/// ring around it (vsp::setFocusRing; 2 pixels out, corner radius 10, unless a subclass sets
/// another shape), is pressed by Space and Return, repaints when the appearance, the accent or the
/// enabled state changes, and tracks the pointer: whether it is over the button, and (when asked for) a
/// spring-eased press that shrinks and dims the content while the button is down. Subclasses paint and
/// read that state. Its accessible name is its text unless set otherwise; a button with neither text
/// nor a name of its own is named by its tooltip.
class PaintedButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit PaintedButton(QWidget* parent = nullptr);

    /// Whether the pointer is over the button.
    bool isHovered() const { return m_hovered; }

    /// The default button of its window: Return on another painted button of the window is left to the
    /// window (which presses this one) rather than pressing the focused button; Space still presses the
    /// focused one. False by default.
    void setDefault(bool isDefault) { m_default = isDefault; }
    bool isDefault() const { return m_default; }

    /// Press feedback: while the button is down its content moves with `spring` to `scale` times its
    /// size (about the centre) and to `opacity`. None until set.
    void setPressFeedback(qreal scale, qreal opacity, Spring spring);
    /// How far the press feedback has gone: 0 at rest, 1 fully pressed (a bouncy spring may pass 1).
    qreal pressLevel() const;
    /// The content's current press scale and opacity (1 at rest and without press feedback).
    qreal pressScale() const;
    qreal pressOpacity() const;
    /// Scales the painter about the centre of `rect` and multiplies its opacity, for the current press.
    void applyPress(QPainter& painter, const QRectF& rect) const;

protected:
    /// Called when the pointer enters (true) or leaves (false); repaints by default.
    virtual void hoverChanged(bool hovered);

    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool m_hovered = false;
    bool m_default = false;
    /// The accessible name last taken from the tooltip (it follows the tooltip until set otherwise).
    QString m_toolTipName;
    SpringValue* m_press = nullptr;
    qreal m_pressScale = 1;
    qreal m_pressOpacity = 1;
};

/// The small cross that takes one thing out of a list: a tag from its chip, a pending image from its
/// thumbnail.
class RemoveButton final : public PaintedButton {
    Q_OBJECT

public:
    enum class Look {
        /// 14 pixels square: a bold accent cross (60 %, 90 % while pressed), for a tag chip.
        AccentCross,
        /// 22 pixels square: a white cross on a dark translucent disc, for a thumbnail.
        CrossOnDisc,
    };

    explicit RemoveButton(Look look, QWidget* parent = nullptr);
    Look look() const { return m_look; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look m_look;
};

} // namespace vsp
