#include "Theme/Spring.h"

#include <QPropertyAnimation>
#include <QVariantAnimation>

#include <cmath>
#include <numbers>

namespace vsp {

namespace {

/// w·t at which a critically damped spring has covered 99.5 % of its way: (1 + u)·e^(-u) = 0.005.
constexpr double kSettleU = 7.43;

bool g_animationsEnabled = true;
bool g_motionReduced = false;

qreal criticallyDamped(qreal progress)
{
    const double u = progress * kSettleU;
    const double end = 1.0 - (1.0 + kSettleU) * std::exp(-kSettleU);
    return (1.0 - (1.0 + u) * std::exp(-u)) / end;
}

} // namespace

int Spring::durationMs() const
{
    const double omega = 2.0 * std::numbers::pi / std::max(response, 0.001);
    double seconds = kSettleU / omega;
    if (dampingFraction < 1.0) {
        // An under-damped spring rings out over about 4.6 / (zeta·w) seconds.
        seconds = std::max(seconds, 4.6 / (std::max(dampingFraction, 0.05) * omega));
    }
    return std::max(1, int(std::lround(seconds * 1000.0)));
}

QEasingCurve Spring::easing() const
{
    if (dampingFraction >= 0.999) {
        QEasingCurve curve;
        curve.setCustomType(criticallyDamped);
        return curve;
    }
    QEasingCurve curve(QEasingCurve::OutBack);
    // Less damping overshoots further; 1.70158 is the classic 10 % overshoot.
    curve.setOvershoot(1.70158 * (1.0 - dampingFraction) * 2.0);
    return curve;
}

double Spring::progressAt(double elapsedMs) const
{
    const double duration = durationMs();
    if (elapsedMs >= duration) {
        return 1.0;
    }
    return elapsedMs <= 0 ? 0.0 : easing().valueForProgress(elapsedMs / duration);
}

void setAnimationsEnabled(bool enabled)
{
    g_animationsEnabled = enabled;
}

bool animationsEnabled()
{
    return g_animationsEnabled && !g_motionReduced;
}

void setMotionReduced(bool reduced)
{
    g_motionReduced = reduced;
}

bool motionReduced()
{
    return g_motionReduced;
}

QPropertyAnimation* animateProperty(QObject* target, const QByteArray& property, const QVariant& to, Spring spring)
{
    const QByteArray tag = "vsp_spring_" + property;
    if (auto* previous = qobject_cast<QPropertyAnimation*>(target->property(tag.constData()).value<QObject*>())) {
        previous->stop(); // deletes itself when stopped
        target->setProperty(tag.constData(), QVariant());
    }
    if (!animationsEnabled()) {
        target->setProperty(property.constData(), to);
        return nullptr;
    }
    auto* animation = new QPropertyAnimation(target, property, target);
    animation->setStartValue(target->property(property.constData()));
    animation->setEndValue(to);
    animation->setDuration(spring.durationMs());
    animation->setEasingCurve(spring.easing());
    target->setProperty(tag.constData(), QVariant::fromValue<QObject*>(animation));
    QObject::connect(animation, &QObject::destroyed, target, [target, tag, animation] {
        if (target->property(tag.constData()).value<QObject*>() == animation) {
            target->setProperty(tag.constData(), QVariant());
        }
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

SpringValue::SpringValue(double initial, Spring spring, QObject* parent)
    : QObject(parent),
      m_value(initial),
      m_target(initial),
      m_spring(spring)
{ }

bool SpringValue::isMoving() const
{
    return m_animation && m_animation->state() == QAbstractAnimation::Running;
}

void SpringValue::setValue(double value)
{
    if (m_animation) {
        m_animation->stop();
    }
    m_target = value;
    if (m_value != value) {
        m_value = value;
        Q_EMIT valueChanged(m_value);
    }
}

void SpringValue::animateTo(double target)
{
    if (target == m_target && isMoving()) {
        return;
    }
    if (!animationsEnabled() || (m_value == target && !isMoving())) {
        setValue(target);
        Q_EMIT arrived(target);
        return;
    }
    m_target = target;
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            if (m_configuring) {
                return;
            }
            m_value = v.toDouble();
            Q_EMIT valueChanged(m_value);
        });
        connect(m_animation, &QAbstractAnimation::finished, this, [this] {
            // The last step may land a rounding error away from the end: rest exactly there.
            if (m_value != m_target) {
                m_value = m_target;
                Q_EMIT valueChanged(m_value);
            }
            Q_EMIT arrived(m_target);
        });
    }
    // A finished animation reports its value anew when its end changes (it sits at its last moment):
    // that value is no step of the spring, and would show the target for one frame before the motion.
    m_configuring = true;
    m_animation->stop();
    m_animation->setStartValue(m_value);
    m_animation->setEndValue(target);
    m_animation->setDuration(m_spring.durationMs());
    m_animation->setEasingCurve(m_spring.easing());
    m_configuring = false;
    m_animation->start();
}

} // namespace vsp
