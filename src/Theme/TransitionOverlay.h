#pragma once

#include "Theme/Spring.h"

#include <QPixmap>
#include <QWidget>

#include <functional>

class QVariantAnimation;

namespace vsp {

/// A picture laid over a widget while it changes from one look to another. It shows a snapshot of the
/// old look at once, takes a snapshot of the new look once the widget has laid itself out, and paints
/// the two with a function of the spring's progress. Heavy content (a long list, a rich-text detail) is
/// thus laid out once for its new state instead of on every frame of the motion.
///
/// The overlay lets the pointer through, keeps itself the size of its host and deletes itself when the
/// spring has settled or when `finish()` is called. Main thread only.
class TransitionOverlay final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransitionOverlay)

public:
    /// Paints one frame: `progress` is the eased progress, 0 (old look) to 1 (new look); the pixmaps
    /// are the snapshots, in the host's logical pixels (`to` is null until it has been taken, while the
    /// progress is 0). Snapshots may be translucent: the painter lays down its own background.
    using Painter = std::function<void(QPainter& painter, qreal progress, const QPixmap& from, const QPixmap& to)>;
    /// Takes the snapshot of the new look.
    using Snapshot = std::function<QPixmap()>;

    /// Covers `host` (as its topmost child) showing `from` until the motion starts.
    TransitionOverlay(QWidget* host, QPixmap from, Spring spring, Painter painter);

    /// On the next turn of the event loop (when the host has laid out its new state), takes the new
    /// look with `snapshot` and starts the spring.
    void start(Snapshot snapshot);
    /// Ends the motion at once and removes the overlay.
    void finish();
    /// Goes on when the host is resized, covering its new rectangle, instead of ending at once (for a
    /// host whose content only moves at its lower edge, so that the pictures still fit at the top).
    void setKeepsOnResize(bool keeps) { m_keepsOnResize = keeps; }
    /// Lets the host's widgets paint themselves beneath the overlay on every frame, for a painter that
    /// shows the new look through instead of from a snapshot (a new look that is costly to picture and
    /// cheap to paint). Off by default: the painter covers the whole overlay.
    void setHostShowsThrough(bool through);
    /// With the host showing through: the painter covers the whole overlay at progress 0, so the host's
    /// widgets are not painted beneath it until the motion moves. The frame the switch shows first then
    /// costs only the old look; the new one is painted with the next frame. Off by default.
    void setCoversHostAtStart(bool covers);
    /// Moves a started motion to a point of its duration, 0 to 1 (for pictures of the motion midway);
    /// it goes on from there. Does nothing before the new look has been taken.
    void seek(qreal fraction);

    /// Eased progress of the motion, 0 to 1.
    qreal progress() const { return m_progress; }
    /// Milliseconds since the motion started (0 before the new look has been taken), for painters that
    /// move parts of the picture with springs of their own; the overlay's spring must be the longest.
    int elapsedMs() const;
    /// Whether the spring has started moving (the new look has been taken).
    bool isMoving() const;

    /// Paints `source`'s logical rectangle `sourceRect` at `target` (logical), whatever the pixmap's
    /// device pixel ratio.
    static void drawPart(QPainter& painter, const QPointF& target, const QPixmap& source, const QRectF& sourceRect);
    /// Fills `rect` (logical) with `colour` within the painter's clip, in bands a few dozen device
    /// pixels tall: the same pixels as one fillRect(), without handing the fill to Qt's painting
    /// threads (waking them costs more than a frame's veil takes on one thread).
    static void fillInBands(QPainter& painter, const QRectF& rect, const QColor& colour);
    /// A picture of `widget` and its children over transparency: only what they paint themselves,
    /// never the palette's background, which the painter lays down in the colour of the moment.
    static QPixmap translucentSnapshot(QWidget* widget);

Q_SIGNALS:
    /// The motion ended (settled or finished early); the overlay deletes itself afterwards.
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void takeNewLook();
    void updateOpaque();

    QPixmap m_from;
    QPixmap m_to;
    Spring m_spring;
    Painter m_painter;
    Snapshot m_snapshot;
    QVariantAnimation* m_animation = nullptr;
    qreal m_progress = 0;
    bool m_done = false;
    bool m_keepsOnResize = false;
    bool m_hostShowsThrough = false;
    bool m_coversHostAtStart = false;
};

} // namespace vsp
