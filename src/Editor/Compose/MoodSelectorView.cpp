#include "Editor/Compose/MoodSelectorView.h"

#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include <algorithm>
#include <cmath>

using vsp::Color;

namespace {

QFont emojiFont(qreal size)
{
    QFont font = vsp::fonts::system(size);
    // Colour emoji where the font is installed; the text face otherwise.
    font.setFamilies({font.family(), QStringLiteral("Noto Color Emoji")});
    return font;
}

} // namespace

MoodChip::MoodChip(const QString& emoji, QWidget* parent)
    : PaintedButton(parent),
      m_emoji(emoji),
      m_scale(new vsp::SpringValue(1.0, vsp::Spring{0.25, 1.0}, this))
{
    setFixedSize(sizeHint());
    connect(m_scale, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
}

void MoodChip::setChosen(bool chosen)
{
    if (chosen == m_chosen) {
        return;
    }
    m_chosen = chosen;
    m_scale->animateTo(chosen ? 1.08 : 1.0);
    update();
}

qreal MoodChip::drawnScale() const
{
    return m_scale->value();
}

void MoodChip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    const qreal s = m_scale->value();
    p.translate(r.center());
    p.scale(s, s);
    p.translate(-r.center());
    const QRectF circle(r.center().x() - 13, r.center().y() - 13, 26, 26);
    vsp::Glass glass = vsp::Glass::regular().makeInteractive();
    // The tint comes and goes with the growth: fully there at 1.08 times the size, gone at 1.
    const qreal tint = std::clamp((s - 1.0) / 0.08, 0.0, 1.0);
    if (tint > 0.0) {
        glass = glass.tinted(Color::resolvedAccent(0.18 * tint));
    }
    vsp::paintGlass(p, circle, glass, vsp::GlassShape::Circle, 0, vsp::GlassState{isHovered(), isDown()});
    p.setFont(emojiFont(13));
    p.setPen(Color::primaryStyle().resolve());
    p.drawText(circle, Qt::AlignCenter, m_emoji);
}

// ---------------------------------------------------------------------------------------------------

MoodSelectorView::MoodSelectorView(MoodStore& moodStore, QWidget* parent)
    : QWidget(parent),
      m_moodStore(moodStore),
      m_caption(new QLabel(tr("MOOD"), this)),
      m_chipRow(new QHBoxLayout)
{
    setObjectName(QStringLiteral("moodSelector"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_caption->setFont(vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.2));
    layout->addWidget(m_caption, 0, Qt::AlignVCenter);
    m_chipRow->setSpacing(4);
    m_chipRow->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_chipRow);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    rebuild();
    applyColors();
    connect(&m_moodStore, &MoodStore::moodsChanged, this, &MoodSelectorView::rebuild);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this,
            &MoodSelectorView::applyColors);
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, &MoodSelectorView::applyColors);
}

void MoodSelectorView::rebuild()
{
    qDeleteAll(m_chips);
    m_chips.clear();
    for (const MoodItem& mood : m_moodStore.moods()) {
        auto* chip = new MoodChip(mood.emoji, this);
        chip->setToolTip(mood.label);
        chip->setAccessibleName(tr("Mood: %1").arg(mood.label));
        chip->setChosen(m_selected == mood.emoji);
        const QString emoji = mood.emoji;
        connect(chip, &QAbstractButton::clicked, this, [this, emoji] {
            // A second click on the chosen mood clears the choice.
            const std::optional<QString> next = m_selected == emoji ? std::nullopt : std::optional<QString>(emoji);
            setSelectedMood(next);
            Q_EMIT moodChosen(next);
        });
        m_chipRow->addWidget(chip);
        m_chips.append(chip);
    }
    adjustSize();
    updateGeometry();
}

void MoodSelectorView::setSelectedMood(const std::optional<QString>& mood)
{
    m_selected = mood;
    for (MoodChip* chip : std::as_const(m_chips)) {
        chip->setChosen(mood && chip->emoji() == *mood);
    }
}

void MoodSelectorView::applyColors()
{
    QPalette p = m_caption->palette();
    p.setColor(QPalette::WindowText, Color::tertiaryStyle().resolve());
    m_caption->setPalette(p);
    for (MoodChip* chip : std::as_const(m_chips)) {
        chip->update();
    }
}

// ---------------------------------------------------------------------------------------------------

MoodBadge::MoodBadge(MoodStore& moodStore, QWidget* parent) : QWidget(parent), m_moodStore(moodStore)
{
    setObjectName(QStringLiteral("moodBadge"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&moodStore, &MoodStore::moodsChanged, this, [this] {
        updateGeometry();
        update();
    });
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, qOverload<>(&QWidget::update));
}

void MoodBadge::setMood(const QString& emoji)
{
    m_emoji = emoji;
    setAccessibleName(label());
    updateGeometry();
    update();
}

QString MoodBadge::label() const
{
    return m_moodStore.label(m_emoji);
}

QSize MoodBadge::sizeHint() const
{
    const qreal width = QFontMetricsF(emojiFont(11)).horizontalAdvance(m_emoji) + 4
                        + QFontMetricsF(vsp::fonts::system(10, QFont::Medium)).horizontalAdvance(label()) + 2 * 8;
    const qreal height = QFontMetricsF(emojiFont(11)).height() + 2 * 3;
    return {int(std::ceil(width)), int(std::ceil(height))};
}

void MoodBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    vsp::paintGlass(p, r, vsp::Glass::regular().tinted(Color::resolvedAccent(0.1)), vsp::GlassShape::Capsule, 0);
    const QFont emoji = emojiFont(11);
    const qreal emojiWidth = QFontMetricsF(emoji).horizontalAdvance(m_emoji);
    p.setFont(emoji);
    p.setPen(Color::primaryStyle().resolve());
    p.drawText(QRectF(8, 0, emojiWidth + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter, m_emoji);
    p.setFont(vsp::fonts::system(10, QFont::Medium));
    p.setPen(Color::resolvedAccent(0.9).resolve());
    p.drawText(QRectF(8 + emojiWidth + 4, 0, r.width(), r.height()), Qt::AlignLeft | Qt::AlignVCenter, label());
}
