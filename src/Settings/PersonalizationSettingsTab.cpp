#include "Settings/SettingsForm.h"
#include "Settings/SettingsTabs.h"

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/PaintedButton.h"
#include "Theme/Spring.h"

#include <QAbstractButton>
#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

using namespace vsp::settings;

namespace {

/// The presets in the order the grid shows them, with the names shown under the swatches.
struct SwatchPreset {
    QStringView id;
    QStringView label;
};

constexpr SwatchPreset kSwatches[] = {
    {u"yellow", u"Gold"},   {u"amber", u"Amber"},   {u"orange", u"Orange"},   {u"red", u"Red"},
    {u"rose", u"Rose"},     {u"pink", u"Pink"},     {u"fuchsia", u"Fuchsia"}, {u"purple", u"Purple"},
    {u"violet", u"Violet"}, {u"indigo", u"Indigo"}, {u"blue", u"Blue"},       {u"sky", u"Sky"},
    {u"cyan", u"Cyan"},     {u"teal", u"Teal"},     {u"emerald", u"Emerald"}, {u"green", u"Green"},
    {u"lime", u"Lime"},     {u"stone", u"Stone"},   {u"slate", u"Slate"},     {u"zinc", u"Zinc"},
    {u"cream", u"Cream"},
};

/// One accent swatch: a 32-pixel disc in the preset's colour for the current appearance, a ring and a
/// checkmark while selected (gliding in and out with a spring), and the preset's name under it.
class AccentSwatch final : public vsp::PaintedButton {
public:
    AccentSwatch(const SwatchPreset& preset, QWidget* parent)
        : PaintedButton(parent),
          m_preset(preset),
          m_selection(new vsp::SpringValue(0, vsp::Spring{0.25, 0.7}, this))
    {
        setObjectName(QStringLiteral("swatch-") + preset.id.toString());
        setAccessibleName(preset.label.toString());
        setToolTip(preset.label.toString());
        setFocusPolicy(Qt::StrongFocus);
        setFixedSize(56, 58);
        connect(m_selection, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    }

    QStringView id() const { return m_preset.id; }

    void setSelected(bool selected, bool animated)
    {
        m_selected = selected;
        setAccessibleDescription(selected ? tr("Selected") : QString());
        if (animated) {
            m_selection->animateTo(selected ? 1 : 0);
        } else {
            m_selection->setValue(selected ? 1 : 0);
        }
    }
    bool isSelected() const { return m_selected; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const vsp::AccentPreset& colors = vsp::accentPreset(m_preset.id);
        const bool dark = AppearanceManager::instance().isDark();
        const QColor fill = vsp::rgb(dark ? colors.dark : colors.light);
        const QPointF centre(width() / 2.0, 20);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawEllipse(centre, 16, 16);
        const qreal amount = std::clamp(m_selection->value(), 0.0, 1.2);
        if (amount > 0.001) {
            QColor ring = vsp::Color::vspForeground().resolve();
            ring.setAlphaF(float(0.9 * std::min(amount, 1.0)));
            p.setPen(QPen(ring, 2.5));
            p.setBrush(Qt::NoBrush);
            const qreal radius = 15 + 4 * amount;
            p.drawEllipse(centre, radius, radius);
            QPainterPath check;
            check.moveTo(centre + QPointF(-4.5, 0.2));
            check.lineTo(centre + QPointF(-1.4, 3.3));
            check.lineTo(centre + QPointF(4.6, -3.4));
            QColor white(Qt::white);
            white.setAlphaF(float(std::min(amount, 1.0)));
            p.setPen(QPen(white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(check);
        }
        p.setPen(vsp::Color::vspFgMuted().resolve());
        p.setFont(vsp::fonts::system(9));
        p.drawText(QRectF(0, 42, width(), 14), Qt::AlignHCenter | Qt::AlignTop, m_preset.label.toString());
    }

private:
    SwatchPreset m_preset;
    vsp::SpringValue* m_selection;
    bool m_selected = false;
};

/// A single-line field bound to a text property: every keystroke is written, nothing is trimmed.
QLineEdit* textField(AppSettings& settings, QString (AppSettings::*get)() const,
                     void (AppSettings::*set)(const QString&), void (AppSettings::*changed)(), QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setText((settings.*get)());
    QObject::connect(field, &QLineEdit::textEdited, field,
                     [&settings, set](const QString& text) { (settings.*set)(text); });
    QObject::connect(&settings, changed, field, [field, &settings, get] {
        const QString value = (settings.*get)();
        // Disabled, the field shows nothing (the journal is locked).
        if (field->isEnabled() && field->text() != value) {
            field->setText(value);
        }
    });
    return field;
}

} // namespace

PersonalizationSettingsTab::PersonalizationSettingsTab(JournalStore& store, AppSettings& settings, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* page = new FormPage(this);
    layout->addWidget(page);

    FormSection* identity = page->addSection(tr("Identity"));
    QLineEdit* journal = textField(settings, &AppSettings::journalName, &AppSettings::setJournalName,
                                   &AppSettings::journalNameChanged, this);
    journal->setObjectName(QStringLiteral("journalNameField"));
    identity->addLabelledRow(tr("Journal name"), journal);
    QLineEdit* user =
        textField(settings, &AppSettings::userName, &AppSettings::setUserName, &AppSettings::userNameChanged, this);
    user->setObjectName(QStringLiteral("userNameField"));
    identity->addLabelledRow(tr("Your name"), user);
    for (QLineEdit* field : {journal, user}) {
        field->setMinimumWidth(240);
    }
    // The names are the user's: someone at a locked journal sees neither, nor can change the one the
    // cover shows.
    auto syncLocked = [journal, user, &settings, &store] {
        const bool locked = store.isLocked();
        journal->setEnabled(!locked);
        user->setEnabled(!locked);
        journal->setText(locked ? QString() : settings.journalName());
        user->setText(locked ? QString() : settings.userName());
        for (QLineEdit* field : {journal, user}) {
            field->setPlaceholderText(locked ? tr("Unlock the journal to see this") : QString());
        }
    };
    syncLocked();
    connect(&store, &JournalStore::isLockedChanged, this, syncLocked);

    FormSection* accent = page->addSection(tr("Accent color"));
    auto* grid = new QWidget;
    auto* gridLayout = new QGridLayout(grid);
    gridLayout->setContentsMargins(0, 4, 0, 4);
    gridLayout->setVerticalSpacing(10);
    gridLayout->setHorizontalSpacing(0);
    QList<AccentSwatch*> swatches;
    int index = 0;
    for (const SwatchPreset& preset : kSwatches) {
        auto* swatch = new AccentSwatch(preset, grid);
        gridLayout->addWidget(swatch, index / 7, index % 7, Qt::AlignCenter);
        swatches.append(swatch);
        connect(swatch, &QAbstractButton::clicked, this,
                [&settings, id = preset.id] { settings.setAccentColorPreset(id.toString()); });
        ++index;
    }
    auto syncSelection = [swatches, &settings](bool animated) {
        const QString selected = settings.accentColorPreset();
        for (AccentSwatch* swatch : swatches) {
            const bool on = swatch->id() == selected;
            if (on != swatch->isSelected() || !animated) {
                swatch->setSelected(on, animated);
            }
        }
    };
    syncSelection(false);
    connect(&settings, &AppSettings::accentColorPresetChanged, this, [syncSelection] { syncSelection(true); });
    accent->addRow(grid);
    accent->addRow(caption(tr("Restart the app after changing color for it to apply everywhere."), this));

    FormSection* font = page->addSection(tr("Font style"));
    font->addRow(
        caption(tr("Font style is now set per entry — look for the font picker in the editor toolbar."), this));
    page->finish();
}
