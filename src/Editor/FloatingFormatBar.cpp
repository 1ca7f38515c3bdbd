#include "Editor/FloatingFormatBar.h"

#include "Editor/FormatButton.h"
#include "Editor/SelectionState.h"
#include "Editor/TextColorPresets.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/Transitions.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

using vsp::Color;

namespace {

constexpr qreal kRadius = 10;

/// The thin vertical line between the groups.
class Separator final : public QWidget {
public:
    explicit Separator(QWidget* parent) : QWidget(parent) { setFixedSize(7, 26); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor c = Color::primaryStyle().resolve();
        c.setAlphaF(0.1f);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawRoundedRect(QRectF(3, 5, 1, 16), 0.5, 0.5);
    }
};

} // namespace

FloatingFormatBar::FloatingFormatBar(SelectionState* selectionState, QWidget* parent)
    : QWidget(parent),
      m_selectionState(selectionState),
      m_entrance(new vsp::SpringValue(0.0, vsp::Spring{0.35, 0.65}, this)),
      m_exit(new vsp::SpringValue(1.0, vsp::Spring{0.25, 1.0}, this)),
      m_hostIn(new vsp::SpringValue(1.0, vsp::Spring{0.25, 1.0}, this)),
      m_face(new QWidget(this))
{
    setObjectName(QStringLiteral("floatingFormatBar"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_face->setObjectName(QStringLiteral("floatingFormatBarFace"));
    auto* row = new QHBoxLayout(m_face);
    row->setContentsMargins(10, 6, 10, 6);
    row->setSpacing(2);

    addStyleButtons(row);
    row->addWidget(new Separator(m_face));
    addSizeButtons(row);
    row->addWidget(new Separator(m_face));
    addColorSwatches(row);
    const QSize face = m_face->sizeHint();
    m_face->setGeometry(kShadowMargin, kShadowMargin, face.width(), face.height());
    setFixedSize(face + QSize(2 * kShadowMargin, 2 * kShadowMargin));

    connectMotion();
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, [this] {
        for (QAbstractButton* button : std::as_const(m_buttons)) {
            button->update();
        }
    });
}

void FloatingFormatBar::addStyleButtons(QHBoxLayout* row)
{
    struct Style {
        QString symbol;
        QString command;
        bool (SelectionState::*marked)() const;
        void (SelectionState::*changed)(bool);
    };
    const QList<Style> styles = {
        {QStringLiteral("bold"), QStringLiteral("bold"), &SelectionState::isBold, &SelectionState::isBoldChanged},
        {QStringLiteral("italic"), QStringLiteral("italic"), &SelectionState::isItalic,
         &SelectionState::isItalicChanged},
        {QStringLiteral("underline"), QStringLiteral("underline"), &SelectionState::isUnderline,
         &SelectionState::isUnderlineChanged},
        {QStringLiteral("strikethrough"), QStringLiteral("strikethrough"), &SelectionState::isStrikethrough,
         &SelectionState::isStrikethroughChanged},
        {QStringLiteral("highlighter"), QStringLiteral("highlight"), &SelectionState::isHighlighted,
         &SelectionState::isHighlightedChanged},
    };
    for (const Style& style : styles) {
        auto* button = new FormatButton(m_face);
        button->setObjectName(QStringLiteral("float:") + style.command);
        button->setFrame(28, 26);
        button->setSymbol(style.symbol, 12);
        button->setInactiveStyle(0.75);
        button->setActiveBackground(0.15, 6);
        button->setAccessibleName(style.command);
        const auto marked = style.marked;
        button->setActive([this, marked] { return m_selectionState && (m_selectionState.data()->*marked)(); });
        if (m_selectionState) {
            connect(m_selectionState, style.changed, button, qOverload<>(&QWidget::update));
        }
        const QString command = style.command;
        connect(button, &QAbstractButton::clicked, this, [this, command] { Q_EMIT formatRequested(command); });
        m_buttons.insert(command, button);
        m_styleButtons.insert(command, button);
        row->addWidget(button);
    }
}

void FloatingFormatBar::addSizeButtons(QHBoxLayout* row)
{
    for (const auto& [label, command] : {std::pair{QStringLiteral("H1"), QStringLiteral("size:26")},
                                         std::pair{QStringLiteral("H2"), QStringLiteral("size:20")}}) {
        auto* button = new FormatButton(m_face);
        button->setObjectName(QStringLiteral("float:") + command);
        button->setFrame(28, 26);
        button->setLabel(label, vsp::fonts::font(11, QFont::Bold, vsp::fonts::Design::Rounded));
        button->setInactiveStyle(0.75);
        button->setAccessibleName(label);
        const QString cmd = command;
        connect(button, &QAbstractButton::clicked, this, [this, cmd] { Q_EMIT formatRequested(cmd); });
        m_buttons.insert(command, button);
        row->addWidget(button);
    }
}

void FloatingFormatBar::addColorSwatches(QHBoxLayout* row)
{
    for (const TextColorPreset& preset : textColorPresets()) {
        const vsp::Color preview = preset.preview;
        auto* swatch = new ColorSwatchButton([preview] { return preview.resolve(); }, m_face);
        const QString command = QStringLiteral("color:") + preset.hex;
        swatch->setObjectName(QStringLiteral("float:") + command);
        swatch->setToolTip(preset.label);
        swatch->setAccessibleName(preset.label);
        connect(swatch, &QAbstractButton::clicked, this, [this, command] { Q_EMIT formatRequested(command); });
        m_buttons.insert(command, swatch);
        row->addWidget(swatch);
    }
}

void FloatingFormatBar::connectMotion()
{
    connect(m_entrance, &vsp::SpringValue::valueChanged, this, &FloatingFormatBar::setEntrance);
    connect(m_entrance, &vsp::SpringValue::arrived, this, [this](double target) {
        if (target >= 1.0 && !m_leaving) {
            settle();
        }
    });
    connect(m_exit, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_hostIn, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_exit, &vsp::SpringValue::arrived, this, [this](double target) {
        if (target <= 0.0 && m_leaving) {
            hide();
        }
    });
}

void FloatingFormatBar::setHostTransition(double scaleFrom, vsp::Spring spring)
{
    m_hostScaleFrom = std::clamp(scaleFrom, 0.0, 1.0);
    const bool hosted = m_hostScaleFrom < 1.0;
    m_hostIn->setSpring(spring);
    m_exit->setSpring(hosted ? spring : vsp::Spring{0.25, 1.0});
    if (!hosted) {
        m_hostIn->setValue(1.0);
    }
}

double FloatingFormatBar::hostScale() const
{
    const double way = m_leaving ? m_exit->value() : m_hostIn->value();
    return m_hostScaleFrom + (1.0 - m_hostScaleFrom) * way;
}

void FloatingFormatBar::placeAt(const QPoint& glassTopLeft)
{
    m_anchor = glassTopLeft;
    setEntrance(m_entrance->value());
}

void FloatingFormatBar::presentWithin(const QPointF& glassTopLeft)
{
    // The bar is wider than the room the placement rules assume: kept inside its host (the editor), none
    // of its buttons is cut off at the right edge. Likewise at the lower and upper edges: a selection
    // taller than the editor (Select All in a long entry) would put the bar below its end, where the
    // editor clips it away; it waits at the edge instead.
    const QWidget* host = parentWidget();
    const int glassWidth = width() - 2 * kShadowMargin;
    const int glassHeight = height() - 2 * kShadowMargin;
    const int x = std::max(0, std::min(int(std::lround(glassTopLeft.x())), host->width() - glassWidth));
    const int y = std::max(0, std::min(int(std::lround(glassTopLeft.y())), host->height() - glassHeight));
    placeAt(QPoint(x, y));
    present();
    raise();
}

bool FloatingFormatBar::isMarked(const QString& command) const
{
    FormatButton* button = m_styleButtons.value(command);
    return button && button->isActive();
}

void FloatingFormatBar::present()
{
    if (m_leaving) {
        // Coming back while fading away: the entrance plays anew from the picture already taken.
        m_leaving = false;
        startEntrance();
    } else if (isHidden()) {
        show();
    }
}

void FloatingFormatBar::dismiss(bool animate)
{
    if (isHidden()) {
        return;
    }
    if (!animate || !vsp::animationsEnabled() || !isVisible()) {
        hide();
        return;
    }
    if (m_leaving) {
        return;
    }
    m_leaving = true;
    if (m_picture.isNull()) {
        takePicture();
    }
    // Fades from the look it has now; the entrance, if still playing, stops where it is.
    m_entrance->setValue(std::clamp(m_entrance->value(), 0.0, 1.0));
    m_exit->setValue(1.0);
    m_exit->animateTo(0.0);
}

double FloatingFormatBar::entranceProgress() const
{
    return m_entrance->value();
}

void FloatingFormatBar::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Each showing plays the entrance from the start.
    startEntrance();
}

void FloatingFormatBar::startEntrance()
{
    m_exit->setValue(1.0);
    m_entrance->setValue(0.0);
    m_hostIn->setValue(m_hostScaleFrom < 1.0 ? 0.0 : 1.0);
    m_appeared = true;
    Q_EMIT appearedChanged(true);
    if (!vsp::animationsEnabled()) {
        m_entrance->setValue(1.0);
        m_hostIn->setValue(1.0);
        settle();
        return;
    }
    if (m_picture.isNull()) {
        takePicture();
    }
    setEntrance(m_entrance->value());
    m_entrance->animateTo(1.0);
    m_hostIn->animateTo(1.0);
}

void FloatingFormatBar::hideEvent(QHideEvent* event)
{
    const bool wasLeaving = m_leaving;
    const bool wasAppeared = m_appeared;
    m_appeared = false;
    m_leaving = false;
    m_entrance->setValue(0.0);
    m_exit->setValue(1.0);
    m_hostIn->setValue(1.0);
    settle();
    if (wasAppeared) {
        Q_EMIT appearedChanged(false);
    }
    QWidget::hideEvent(event);
    // Hidden with its window while fading away: it has gone, and must not come back with the window.
    if (wasLeaving && !isHidden()) {
        hide();
    }
}

void FloatingFormatBar::takePicture()
{
    if (m_face->layout()) {
        m_face->layout()->activate();
    }
    m_capturing = true;
    m_picture = grab(m_face->geometry());
    m_capturing = false;
    m_blurredPicture = vsp::motion::blurred(m_picture, 4);
    m_face->hide();
}

void FloatingFormatBar::settle()
{
    m_picture = QPixmap();
    m_blurredPicture = QPixmap();
    m_face->show();
    update();
}

void FloatingFormatBar::setEntrance(double)
{
    // The widget stays where the host put it; the entrance's rise and growth are drawn inside its margin.
    move(m_anchor - QPoint(kShadowMargin, kShadowMargin));
    update();
}

void FloatingFormatBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double entrance = m_entrance->value();
    const double shown = std::clamp(entrance, 0.0, 1.0) * std::clamp(m_exit->value(), 0.0, 1.0)
                         * std::clamp(m_leaving ? 1.0 : m_hostIn->value(), 0.0, 1.0);
    const bool moving = !m_picture.isNull();
    QRectF glass = QRectF(rect()).adjusted(kShadowMargin, kShadowMargin, -kShadowMargin, -kShadowMargin);
    // Entering: from 70 % about the middle of the lower edge, 8 pixels below its place; the host's own
    // scale (about the same point) on top, also while leaving.
    const double scale = !moving ? 1.0 : (m_leaving ? 1.0 : 0.7 + 0.3 * entrance) * hostScale();
    if (moving && !m_leaving) {
        glass.translate(0, (1.0 - entrance) * 8);
    }
    const QPointF pivot(glass.center().x(), glass.bottom());
    if (moving) {
        p.translate(pivot);
        p.scale(scale, scale);
        p.translate(-pivot);
    }
    // Two shadows: a wide soft one 4 pixels down and a tight one 1 pixel down.
    const qreal strength = m_capturing ? 0.0 : (moving ? shown : 1.0);
    p.setPen(Qt::NoPen);
    for (int i = 12; i >= 1; i -= 2) {
        const qreal a = 0.25 * strength * (1.0 - qreal(i) / 13.0) * 0.35;
        p.setBrush(QColor::fromRgbF(0, 0, 0, float(a)));
        p.drawRoundedRect(glass.translated(0, 4).adjusted(-i * 0.5, -i * 0.5, i * 0.5, i * 0.5), kRadius + i * 0.5,
                          kRadius + i * 0.5);
    }
    p.setBrush(QColor::fromRgbF(0, 0, 0, float(0.08 * strength)));
    p.drawRoundedRect(glass.translated(0, 1).adjusted(-1, -1, 1, 1), kRadius + 1, kRadius + 1);
    if (moving) {
        p.resetTransform();
        // Sharpens from a blur of 4 pixels as it enters.
        const double blur = m_leaving ? 0.0 : std::clamp(1.0 - entrance, 0.0, 1.0);
        const QPointF at = glass.topLeft();
        if (blur > 0.0) {
            vsp::motion::paintPicture(p, m_blurredPicture, at, scale, pivot, shown * blur);
        }
        vsp::motion::paintPicture(p, m_picture, at, scale, pivot, shown * (1.0 - blur));
        return;
    }
    // An opaque base under the glass keeps the text behind from showing through the buttons.
    QPainterPath path;
    path.addRoundedRect(glass, kRadius, kRadius);
    p.fillPath(path, Color::vspSurface().resolve());
    vsp::paintGlass(p, glass, vsp::Glass::regular(), vsp::GlassShape::RoundedRect, kRadius);
}
