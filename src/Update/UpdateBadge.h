#pragma once

#include "Theme/PaintedButton.h"

class Updater;

/// The sidebar footer's badge: while the updater knows of a newer release, a small rounded pill with the
/// download symbol and the version (monospaced, plain text); hidden, taking no space, otherwise. Hovering
/// fills it with the accent. A click posts "VspUpdateRequested", as "Check for Updates…" does.
class UpdateBadge final : public vsp::PaintedButton {
    Q_OBJECT

public:
    explicit UpdateBadge(Updater& updater, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    /// How far the badge has grown in, 0 (gone) to 1 (full size); it scales and fades about its centre
    /// as a release appears or goes.
    qreal presence() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hoverChanged(bool hovered) override;

private:
    void refresh();

    Updater& m_updater;
    QString m_version;
    vsp::SpringValue* m_hover;
    vsp::SpringValue* m_presence;
};
