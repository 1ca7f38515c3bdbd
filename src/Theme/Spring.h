#pragma once

#include <QByteArray>
#include <QEasingCurve>
#include <QObject>
#include <QVariant>

class QPropertyAnimation;
class QVariantAnimation;

namespace vsp {

/// A spring given by its response (seconds, the period of the undamped oscillation, > 0) and damping
/// fraction (1.0 is critically damped: it settles without overshoot). Springs become ordinary
/// animations: a duration long enough for the spring to settle and an easing close to its motion.
struct Spring {
    double response = 0.3;
    double dampingFraction = 1.0;

    /// Milliseconds until the spring has covered 99.5 % of its way (at least 1).
    int durationMs() const;
    /// The spring's motion over that duration, from 0 to 1. Critically damped springs follow the exact
    /// curve 1 - (1 + wt)·e^(-wt); under-damped ones an overshooting curve of similar feel.
    QEasingCurve easing() const;
    /// Where the motion stands `elapsedMs` after it started: 0 at the start, 1 from `durationMs()` on
    /// (under-damped springs pass 1 for a while before).
    double progressAt(double elapsedMs) const;
};

/// Animates a Qt property of `target` to `to` with the spring; the animation deletes itself when done.
/// Any running spring on the same property of the same object is stopped first, so rapid changes glide
/// from where the value is. Returns the started animation (owned by `target`), or nothing when
/// animations are off (the property is then set at once).
QPropertyAnimation* animateProperty(QObject* target, const QByteArray& property, const QVariant& to, Spring spring);

/// Whether animations run: neither switched off (tests and benchmarks do that) nor held still by the
/// desktop's reduced-motion preference. Otherwise changes land at once, in their end state.
void setAnimationsEnabled(bool enabled);
bool animationsEnabled();
/// The desktop's reduced-motion preference as the application follows it; apart from the switch above,
/// so neither overrides the other.
void setMotionReduced(bool reduced);
bool motionReduced();

/// A number that glides to its target with a spring. Views that paint themselves hold one per moving
/// quantity (a rotation, a scale, a tint's strength) and repaint on `valueChanged`.
class SpringValue final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SpringValue)

public:
    explicit SpringValue(double initial, Spring spring, QObject* parent = nullptr);

    double value() const { return m_value; }
    double target() const { return m_target; }
    bool isMoving() const;
    /// Starts gliding to `target` from the current value; with animations off, jumps there. `arrived`
    /// follows either way (at once when there is nothing to glide); asked again for the target it is
    /// already gliding to, it goes on as it was.
    void animateTo(double target);
    /// Jumps to `value` without animation, stopping any glide; emits `valueChanged` but not `arrived`.
    void setValue(double value);
    void setSpring(Spring spring) { m_spring = spring; }

Q_SIGNALS:
    void valueChanged(double value);
    /// The value reached `target` through `animateTo` and rests there.
    void arrived(double target);

private:
    double m_value = 0;
    double m_target = 0;
    Spring m_spring;
    QVariantAnimation* m_animation = nullptr;
    /// The animation is being set up for a new run: its values are not the spring's.
    bool m_configuring = false;
};

} // namespace vsp
