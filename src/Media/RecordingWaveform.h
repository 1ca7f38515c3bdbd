#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

/// The recording bar's live waveform: `bars` accent capsules 3 pixels wide, 3 apart, each a sine wave
/// (6 radians a second, bar i shifted by i radians) scaled by the input level. Redraws up to 30 times a
/// second while visible, on its own clock.
class RecordingWaveform final : public QWidget {
    Q_OBJECT

public:
    explicit RecordingWaveform(int bars, QWidget* parent = nullptr);

    /// Input level 0...1 (values outside are clamped).
    void setLevel(double level);
    double level() const { return m_level; }
    int bars() const { return m_bars; }

    /// Height in pixels of bar `index` at `seconds` on the wave's clock for `level` 0...1: 3 in silence,
    /// between 9 and 18 at full level, never below 3.
    static double barHeight(int index, double seconds, double level);

    QSize sizeHint() const override { return {46, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_bars;
    double m_level = 0;
    QTimer m_frames;
    QElapsedTimer m_clock;
};
