#include "Update/UpdateBadge.h"

#include "Model/AppNotifications.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Update/Updater.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kPadding = 9;
constexpr qreal kSpacing = 5;
constexpr qreal kSymbol = 11;
constexpr int kHeight = 26;
constexpr qreal kRadius = 8;

} // namespace

UpdateBadge::UpdateBadge(Updater& updater, QWidget* parent)
    : PaintedButton(parent),
      m_updater(updater),
      m_hover(new vsp::SpringValue(0, vsp::Spring{0.18, 1.0}, this)),
      m_presence(new vsp::SpringValue(0, vsp::Spring{}, this))
{
    setObjectName(QStringLiteral("updateBadge"));
    setFont(vsp::fonts::monospaced(11, QFont::Medium));
    connect(m_hover, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_presence, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    // A badge on its way out keeps its place until it has shrunk away, then takes no space.
    connect(m_presence, &vsp::SpringValue::arrived, this, [this](double target) {
        if (target == 0) {
            setVisible(false);
        }
    });
    connect(this, &QAbstractButton::clicked, this, [] { Q_EMIT AppNotifications::instance().VspUpdateRequested(); });
    connect(&updater, &Updater::availableChanged, this, &UpdateBadge::refresh);
    refresh();
    // What is known at start is simply there.
    m_presence->setValue(m_updater.available() ? 1 : 0);
}

void UpdateBadge::refresh()
{
    const std::optional<UpdateRelease> release = m_updater.available();
    if (release) {
        // The leaving badge keeps the version it showed.
        m_version = release->version;
        setText(m_version);
        setVisible(true);
    }
    // The version is the feed's text: shown as it is, never read as markup.
    setToolTip(release ? vsp::plainToolTip(tr("Vesperlog %1 is available").arg(m_version)) : QString());
    setAccessibleName(release ? tr("Update to Vesperlog %1").arg(m_version) : QString());
    setEnabled(release.has_value());
    updateGeometry();
    m_presence->animateTo(release ? 1 : 0);
    update();
}

QSize UpdateBadge::sizeHint() const
{
    const qreal text = QFontMetricsF(font()).horizontalAdvance(m_version);
    return {int(std::ceil(kPadding * 2 + kSymbol + kSpacing + text)), kHeight};
}

qreal UpdateBadge::presence() const
{
    return m_presence->value();
}

void UpdateBadge::hoverChanged(bool hovered)
{
    m_hover->animateTo(hovered ? 1 : 0);
}

void UpdateBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal grown = std::clamp(m_presence->value(), 0.0, 1.0);
    const QPointF centre = QRectF(rect()).center();
    p.translate(centre);
    p.scale(std::max(grown, 0.00001), std::max(grown, 0.00001));
    p.translate(-centre);
    p.setOpacity(grown);
    const qreal t = std::clamp(m_hover->value(), 0.0, 1.0);
    const QColor accent = vsp::Color::resolvedAccent(1).resolve();
    const QColor fill = vsp::mixed(vsp::Color::resolvedAccent(0.12).resolve(), accent, t);
    const QColor ink =
        vsp::mixed(vsp::Color::resolvedAccentText(1).resolve(), vsp::Color::vspBackground().resolve(), t);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kRadius, kRadius);
    p.fillPath(shape, fill);
    const QRectF symbol(kPadding, (height() - kSymbol) / 2.0, kSymbol, kSymbol);
    vsp::symbols::paint(p, QStringLiteral("arrow.down.circle.fill"), symbol, ink);
    p.setPen(ink);
    p.setFont(font());
    p.drawText(QRectF(symbol.right() + kSpacing, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter, m_version);
}
