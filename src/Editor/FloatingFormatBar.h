#pragma once

#include "Theme/Spring.h"
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <QWidget>

class ComposeMotionTest;
class ComposeViewTest;
class ComposeWidgetsTest;
class EntryDetailViewTest;
class FormatButton;
class SelectionState;
class QAbstractButton;
class QHBoxLayout;
namespace vsp {
class SpringValue;
}

/// The small bar of inline formatting that floats over the selected text: bold, italic, underline,
/// strikethrough and highlight (marked while that style holds at the selection start), the two heading
/// sizes, and seven text colours. A child widget of its host, which shows it while text is selected and
/// places it (see `vsp::compose::floatingBarOffset`); every button emits one command string.
///
/// Each time it is shown it plays its entrance (spring 0.35, damping 0.65): it grows from 70 % about the
/// middle of its lower edge, rises 8 pixels into place, fades in, sharpens from a blur and gains its
/// shadows. Dismissed, it fades away (spring 0.25) and then hides. While either plays, the bar is drawn
/// from a picture of its face and its buttons take no clicks.
class FloatingFormatBar final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool appeared READ appeared NOTIFY appearedChanged)

public:
    explicit FloatingFormatBar(SelectionState* selectionState, QWidget* parent = nullptr);

    /// Room left around the bar's glass for its shadow, pixels. The host places the glass, so it moves
    /// the widget by this much up and to the left.
    static constexpr int kShadowMargin = 14;

    /// Shows the bar with its entrance; a bar that is fading away comes back with the entrance anew.
    void present();
    /// Fades the bar away and hides it; at once when `animate` is false or animations are off.
    void dismiss(bool animate = true);
    /// The host's own way in and out, on top of the bar's entrance: a scale from `scaleFrom` about the
    /// middle of the lower edge combined with a fade, moved by `spring`, both ways. A `scaleFrom` of 1
    /// (the default) leaves the bar's own entrance alone, and it fades away with a spring of 0.25.
    void setHostTransition(double scaleFrom, vsp::Spring spring);

    /// Puts the bar's glass with its top-left corner at `glassTopLeft` in the parent's coordinates (the
    /// entrance may still hold it a few pixels lower for a moment).
    void placeAt(const QPoint& glassTopLeft);
    /// Height of the bar's glass (without the shadow's room), pixels.
    int glassHeight() const { return height() - 2 * kShadowMargin; }
    /// Places the glass at `glassTopLeft` (parent's coordinates), moved back inside the parent where it
    /// would stick out at any edge, then presents and raises the bar.
    void presentWithin(const QPointF& glassTopLeft);

    // The button that sends a command ("bold", …, "size:26", "color:F87171") is the child "float:" and the
    // command.

Q_SIGNALS:
    void formatRequested(const QString& command);
    void appearedChanged(bool appeared);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class ComposeMotionTest;
    friend class ComposeViewTest;
    friend class ComposeWidgetsTest;
    friend class EntryDetailViewTest;

    // Read by its tests alone.
    bool appeared() const { return m_appeared; }
    /// Whether the bar is fading away.
    bool isLeaving() const { return m_leaving; }
    /// How far the host's scale has come: its `scaleFrom` … 1.
    double hostScale() const;
    /// Whether the entrance or the fade is playing.
    bool isMoving() const { return !m_picture.isNull(); }
    /// How far the entrance has come: 0 … 1 (passing 1 for a moment, the spring being under-damped).
    double entranceProgress() const;
    QPoint anchor() const { return m_anchor; }
    /// The style buttons' active marks, for the style command ("bold", …).
    bool isMarked(const QString& command) const;

    /// Bold, italic, underline, strikethrough and highlight, each marked while the selection has it.
    void addStyleButtons(QHBoxLayout* row);
    /// The two heading sizes.
    void addSizeButtons(QHBoxLayout* row);
    void addColorSwatches(QHBoxLayout* row);
    /// The entrance, exit and host springs: each step repaints, an arrival settles or hides the bar.
    void connectMotion();
    void setEntrance(double value);
    void startEntrance();
    void takePicture();
    void settle();

    QPointer<SelectionState> m_selectionState;
    QHash<QString, QAbstractButton*> m_buttons;
    QHash<QString, FormatButton*> m_styleButtons;
    vsp::SpringValue* m_entrance;
    vsp::SpringValue* m_exit;
    /// The host's way in, 0 … 1 (1 at once without a host transition).
    vsp::SpringValue* m_hostIn;
    double m_hostScaleFrom = 1.0;
    bool m_appeared = false;
    bool m_leaving = false;
    QPoint m_anchor;
    /// The face: the glass with its buttons, which the picture stands in for while the bar moves.
    QWidget* m_face;
    QPixmap m_picture;
    QPixmap m_blurredPicture;
    /// Set while the picture is taken: the shadows are drawn live, not into it.
    bool m_capturing = false;
};
