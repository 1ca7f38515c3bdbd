#include "Media/RecordingWaveform.h"

#include "Theme/Palette.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

RecordingWaveform::RecordingWaveform(int bars, QWidget* parent) : QWidget(parent), m_bars(std::max(bars, 0))
{
    setFixedSize(46, 18);
    m_frames.setInterval(33);
    connect(&m_frames, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    m_clock.start();
}

void RecordingWaveform::setLevel(double level)
{
    m_level = std::isfinite(level) ? std::clamp(level, 0.0, 1.0) : 0.0;
}

double RecordingWaveform::barHeight(int index, double seconds, double level)
{
    const double w = (std::sin(6.0 * seconds + index) + 1.0) * 0.5;
    const double h = level * 15.0 * (w * 0.6 + 0.4) + 3.0;
    return std::max(h, 3.0);
}

void RecordingWaveform::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_frames.start();
}

void RecordingWaveform::hideEvent(QHideEvent* event)
{
    m_frames.stop();
    QWidget::hideEvent(event);
}

void RecordingWaveform::paintEvent(QPaintEvent*)
{
    if (m_bars == 0) {
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(vsp::Color::resolvedAccent(0.85).resolve());
    constexpr double kWidth = 3;
    constexpr double kSpacing = 3;
    const double total = m_bars * kWidth + (m_bars - 1) * kSpacing;
    double x = (width() - total) / 2.0;
    const double t = double(m_clock.elapsed()) / 1000.0;
    for (int i = 0; i < m_bars; ++i) {
        const double h = std::min(barHeight(i, t, m_level), double(height()));
        p.drawRoundedRect(QRectF(x, (height() - h) / 2.0, kWidth, h), kWidth / 2, kWidth / 2);
        x += kWidth + kSpacing;
    }
}
