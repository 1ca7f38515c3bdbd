#include "Editor/FloatingFormatBar.h"

#include "App/Theme/AppearanceManager.h"
#include "App/Theme/Fonts.h"
#include "App/Theme/Glass.h"
#include "App/Theme/Palette.h"
#include "App/Theme/Spring.h"
#include "Editor/FormatButton.h"
#include "Editor/SelectionState.h"
#include "Editor/TextColorPresets.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

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
    : QWidget(parent), m_selectionState(selectionState),
      m_entrance(new vsp::SpringValue(0.0, vsp::Spring{0.35, 0.65}, this))
{
    setObjectName(QStringLiteral("floatingFormatBar"));
    setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kShadowMargin + 10, kShadowMargin + 6, kShadowMargin + 10, kShadowMargin + 6);
    row->setSpacing(2);

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
        auto* button = new FormatButton(this);
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
    row->addWidget(new Separator(this));
    for (const auto& [label, command] : {std::pair{QStringLiteral("H1"), QStringLiteral("size:26")},
                                         std::pair{QStringLiteral("H2"), QStringLiteral("size:20")}}) {
        auto* button = new FormatButton(this);
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
    row->addWidget(new Separator(this));
    for (const TextColorPreset& preset : textColorPresets()) {
        const vsp::Color preview = preset.preview;
        auto* swatch = new ColorSwatchButton([preview] { return preview.resolve(); }, this);
        const QString command = QStringLiteral("color:") + preset.hex;
        swatch->setObjectName(QStringLiteral("float:") + command);
        swatch->setToolTip(preset.label);
        swatch->setAccessibleName(preset.label);
        connect(swatch, &QAbstractButton::clicked, this, [this, command] { Q_EMIT formatRequested(command); });
        m_buttons.insert(command, swatch);
        row->addWidget(swatch);
    }
    setFixedSize(sizeHint());

    connect(m_entrance, &vsp::SpringValue::valueChanged, this, &FloatingFormatBar::setEntrance);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this,
            qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, [this] {
        for (QAbstractButton* button : std::as_const(m_buttons)) {
            button->update();
        }
    });
}

void FloatingFormatBar::placeAt(const QPoint& glassTopLeft)
{
    m_anchor = glassTopLeft;
    setEntrance(m_entrance->value());
}

bool FloatingFormatBar::isMarked(const QString& command) const
{
    FormatButton* button = m_styleButtons.value(command);
    return button && button->isActive();
}

void FloatingFormatBar::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Each showing plays the entrance from the start.
    m_entrance->setValue(0.0);
    m_appeared = true;
    Q_EMIT appearedChanged(true);
    m_entrance->animateTo(1.0);
    setEntrance(m_entrance->value());
}

void FloatingFormatBar::hideEvent(QHideEvent* event)
{
    m_appeared = false;
    m_entrance->setValue(0.0);
    setGraphicsEffect(nullptr);
    Q_EMIT appearedChanged(false);
    QWidget::hideEvent(event);
}

void FloatingFormatBar::setEntrance(double value)
{
    // The fade needs an effect only while it runs: an effect on a settled bar would just cost paint time.
    if (value >= 0.999) {
        setGraphicsEffect(nullptr);
    } else {
        auto* fade = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect());
        if (!fade) {
            fade = new QGraphicsOpacityEffect(this);
            setGraphicsEffect(fade);
        }
        fade->setOpacity(std::clamp(value, 0.0, 1.0));
    }
    // Rises from 8 pixels below its place as it appears.
    const int lift = int(std::lround((1.0 - std::clamp(value, 0.0, 1.0)) * 8));
    move(m_anchor - QPoint(kShadowMargin, kShadowMargin) + QPoint(0, lift));
    update();
}

void FloatingFormatBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double t = std::clamp(m_entrance->value(), 0.0, 1.2);
    const QRectF glass = QRectF(rect()).adjusted(kShadowMargin, kShadowMargin, -kShadowMargin, -kShadowMargin);
    // Two shadows: a wide soft one 4 pixels down and a tight one 1 pixel down.
    const qreal strength = std::min(t, 1.0);
    p.setPen(Qt::NoPen);
    for (int i = 12; i >= 1; i -= 2) {
        const qreal a = 0.25 * strength * (1.0 - qreal(i) / 13.0) * 0.35;
        p.setBrush(QColor::fromRgbF(0, 0, 0, float(a)));
        p.drawRoundedRect(glass.translated(0, 4).adjusted(-i * 0.5, -i * 0.5, i * 0.5, i * 0.5), kRadius + i * 0.5,
                          kRadius + i * 0.5);
    }
    p.setBrush(QColor::fromRgbF(0, 0, 0, float(0.08 * strength)));
    p.drawRoundedRect(glass.translated(0, 1).adjusted(-1, -1, 1, 1), kRadius + 1, kRadius + 1);
    // An opaque base under the glass keeps the text behind from showing through the buttons.
    QPainterPath path;
    path.addRoundedRect(glass, kRadius, kRadius);
    p.fillPath(path, Color::vspSurface().resolve());
    vsp::paintGlass(p, glass, vsp::Glass::regular(), vsp::GlassShape::RoundedRect, kRadius);
}
