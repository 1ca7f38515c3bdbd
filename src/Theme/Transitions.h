#pragma once

#include "Theme/Spring.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <optional>

/// How a piece of a window comes in and goes out.
struct Transition {
    /// Scale at the absent end (1 = none, 0 = from nothing), about `anchor`.
    double scaleFrom = 1.0;
    /// The point of the piece the scale is about: centre, leading edge (AlignLeft | AlignVCenter),
    /// bottom edge (AlignBottom | AlignHCenter) or top-trailing corner (AlignTop | AlignRight).
    Qt::Alignment anchor = Qt::AlignCenter;
    /// Enters rising from below its place by its own height (and leaves sinking back), clipped at its
    /// lower edge; combined with the fade.
    bool slideFromBottom = false;
    /// The axis along which the space the piece takes grows and shrinks with it, so its neighbours glide
    /// aside; none: it takes its whole space at once.
    std::optional<Qt::Orientation> room;
};

/// A place in a layout for one piece that comes and goes with a transition (always combined with a
/// fade). At rest the piece is an ordinary child filling the slot; while it moves, the slot paints a
/// picture of it taken when the move began, so neither scroll areas nor native editors have to be drawn
/// through an opacity effect, and the piece itself cannot be clicked. An absent slot is hidden and
/// takes no room.
class TransitionSlot final : public QWidget {
    Q_OBJECT

public:
    /// Takes `content` as its child. Starts present when the content is not hidden.
    TransitionSlot(QWidget* content, Transition transition, vsp::Spring spring, QWidget* parent = nullptr);

    QWidget* content() const { return m_content; }
    void setSpring(vsp::Spring spring) { m_spring = spring; }
    /// The scale the piece shrinks to while it leaves, where that differs from the transition's
    /// `scaleFrom` (which then applies to its entrance only).
    void setScaleOnRemoval(double scale) { m_scaleOnRemoval = scale; }

    /// Brings the piece in or takes it out: with the slot's spring when `animate` is true, animations
    /// are on and the window is visible; at once otherwise (stopping a move under way).
    void setPresent(bool present, bool animate = true);
    void setPresent(bool present, vsp::Spring spring);
    /// Sends the piece away (with `spring`, or at once when `animate` is false) and deletes the slot once
    /// it has gone, taking it out of `owned` then. The deletion waits for the event loop: the piece's own
    /// button may still be handling the click that asked for this.
    void retire(QList<TransitionSlot*>& owned, bool animate, vsp::Spring spring);
    bool isPresent() const { return m_present; }
    /// Whether a transition is under way (the slot paints the picture, the piece is out of sight).
    bool isTransitioning() const { return m_moving; }
    /// 0 absent … 1 present; passes the ends for a moment with under-damped springs.
    double progress() const { return m_progress->value(); }
    /// Takes the picture again (the piece changed while coming in).
    void refreshSnapshot();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

Q_SIGNALS:
    /// A change came to rest (at once, or after its transition) with the piece present (true) or absent
    /// and the slot hidden (false).
    void transitionFinished(bool present);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void begin(bool present, vsp::Spring spring);
    void finish(double target);
    void takeSnapshot();
    QSize contentSize() const;
    double room() const;
    void placeContent();
    void activateParentLayout();

    QWidget* m_content;
    Transition m_transition;
    std::optional<double> m_scaleOnRemoval;
    vsp::Spring m_spring;
    vsp::SpringValue* m_progress;
    bool m_present = true;
    bool m_moving = false;
    QPixmap m_snapshot;
    QSize m_snapshotSize;
};

/// The compose window's entrance: a picture of the laid-out content, grown from `scaleFrom` about the
/// centre and faded in over the window's background, laid over the content for the spring's
/// duration. It lets every click through to the real content beneath and removes itself when done (or
/// as soon as the content is resized, since the picture no longer fits).
class EntranceOverlay final : public QWidget {
    Q_OBJECT

public:
    EntranceOverlay(QWidget* content, const QPixmap& picture, const QColor& background, double scaleFrom,
                    vsp::Spring spring);

    double progress() const { return m_progress->value(); }
    /// The picture of the content being grown and faded in.
    QPixmap picture() const { return m_picture; }

Q_SIGNALS:
    void finished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void end();

    QPixmap m_picture;
    QColor m_background;
    double m_scaleFrom;
    vsp::SpringValue* m_progress;
    bool m_ended = false;
};

namespace vsp::motion {

/// Draws `picture` with its top-left corner at `topLeft` (logical pixels), scaled by `scale` about
/// `pivot` and at `opacity` (clamped to 0…1). Nothing is drawn at a scale or opacity of 0 or less.
void paintPicture(QPainter& painter, const QPixmap& picture, QPointF topLeft, double scale, QPointF pivot,
                  double opacity);

/// A softened copy of `picture` (about `radius` logical pixels of blur), for fading from blurred to sharp.
QPixmap blurred(const QPixmap& picture, qreal radius);

} // namespace vsp::motion
