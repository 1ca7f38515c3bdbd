#include "Settings/SettingsForm.h"
#include "Settings/SettingsTabs.h"

#include "Model/AppSettings.h"
#include "Theme/Fonts.h"
#include "Theme/PaintedButton.h"

#include "Theme/AppearanceManager.h"
#include <QButtonGroup>
#include <QHBoxLayout>

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

using namespace vsp::settings;

namespace {

/// One segment of the theme picker: a rounded plate under the chosen one, colours read at every paint.
class Segment final : public vsp::PaintedButton {
public:
    Segment(const QString& text, QWidget* parent) : PaintedButton(parent)
    {
        setText(text);
        setCheckable(true);
        setMinimumHeight(26);
        // A click does not move the focus ring here; Tab does.
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(text()) + 24, 26}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (isChecked()) {
            QPainterPath plate;
            plate.addRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 5, 5);
            p.fillPath(plate, vsp::Color::vspMuted().resolve());
            p.setPen(QPen(vsp::Color::vspBorderEmphasis().resolve(), 1));
            p.drawPath(plate);
        }
        QFont f = font();
        f.setWeight(isChecked() ? QFont::DemiBold : QFont::Normal);
        p.setFont(f);
        p.setPen((isChecked() ? vsp::Color::vspForeground() : vsp::Color::vspFgMuted()).resolve());
        p.drawText(rect(), Qt::AlignCenter, text());
        if (hasFocus()) {
            p.setPen(QPen(vsp::Color::resolvedAccent(0.7).resolve(), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
        }
    }
};

/// The track behind the segments.
class SegmentTrack final : public QWidget {
public:
    explicit SegmentTrack(QWidget* parent = nullptr) : QWidget(parent)
    {
        connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this,
                qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath track;
        track.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
        p.fillPath(track, vsp::Color::vspSurfaceAlt().resolve());
    }
};

/// One font size row: label, value text and a slider over 13-20 whole points.
QWidget* sizeRow(const QString& text, const QString& name, AppSettings& settings, double (AppSettings::*get)() const,
                 void (AppSettings::*set)(double), void (AppSettings::*changed)())
{
    auto* row = new QWidget;
    auto* column = new QVBoxLayout(row);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->addWidget(plainLabel(text, row));
    top->addStretch(1);
    QLabel* value = plainLabel(QString(), row);
    value->setObjectName(name + QStringLiteral("Value"));
    value->setFont(vsp::fonts::monospaced(11));
    tintText(value, &vsp::Color::vspFgMuted);
    top->addWidget(value);
    column->addLayout(top);
    auto* slider = new QSlider(Qt::Horizontal, row);
    slider->setObjectName(name + QStringLiteral("Slider"));
    slider->setAccessibleName(text);
    slider->setRange(13, 20);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    column->addWidget(slider);

    auto sync = [slider, value, &settings, get] {
        const double points = (settings.*get)();
        value->setText(AppearanceSettingsTab::pointsText(points));
        const QSignalBlocker block(slider);
        slider->setValue(int(std::clamp(std::trunc(points), 13.0, 20.0)));
    };
    sync();
    // Every step of a drag is written, so the views that read the size follow the slider.
    QObject::connect(slider, &QSlider::valueChanged, row, [&settings, set](int points) { (settings.*set)(points); });
    QObject::connect(&settings, changed, row, sync);
    return row;
}

} // namespace

QString AppearanceSettingsTab::pointsText(double points)
{
    return QString::number(qint64(std::trunc(points))) + QStringLiteral(" pt");
}

AppearanceSettingsTab::AppearanceSettingsTab(AppSettings& settings, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* page = new FormPage(this);
    layout->addWidget(page);

    FormSection* theme = page->addSection(tr("Theme"));
    auto* segments = new SegmentTrack;
    auto* segmentsLayout = new QHBoxLayout(segments);
    segmentsLayout->setContentsMargins(1, 1, 1, 1);
    segmentsLayout->setSpacing(0);
    auto* group = new QButtonGroup(segments);
    const std::pair<QString, QString> modes[] = {{tr("Dark"), QStringLiteral("dark")},
                                                 {tr("Light"), QStringLiteral("light")},
                                                 {tr("System"), QStringLiteral("system")}};
    for (const auto& [label, mode] : modes) {
        auto* button = new Segment(label, segments);
        button->setObjectName(QStringLiteral("appearance-") + mode);
        button->setProperty("mode", mode);
        group->addButton(button);
        segmentsLayout->addWidget(button, 1);
    }
    auto syncMode = [group, &settings] {
        const QString mode = settings.appearanceMode();
        for (QAbstractButton* button : group->buttons()) {
            // A stored value outside the three (written by another version) marks no segment.
            const QSignalBlocker block(button);
            button->setChecked(button->property("mode").toString() == mode);
        }
    };
    syncMode();
    connect(group, &QButtonGroup::buttonClicked, this,
            [&settings](QAbstractButton* button) { settings.setAppearanceMode(button->property("mode").toString()); });
    connect(&settings, &AppSettings::appearanceModeChanged, this, syncMode);
    theme->addRow(segments);
    theme->addRow(caption(tr("Changes apply immediately across all windows."), this));

    FormSection* typography = page->addSection(tr("Typography"));
    typography->addRow(sizeRow(tr("Reading font size"), QStringLiteral("reading"), settings,
                               &AppSettings::readingFontSize, &AppSettings::setReadingFontSize,
                               &AppSettings::readingFontSizeChanged));
    typography->addRow(sizeRow(tr("Writing font size"), QStringLiteral("writing"), settings,
                               &AppSettings::writingFontSize, &AppSettings::setWritingFontSize,
                               &AppSettings::writingFontSizeChanged));

    FormSection* list = page->addSection(tr("Layout"));
    list->addRow(bindCheckBox(new QCheckBox(tr("Compact list view")), settings, &AppSettings::compactListView,
                              &AppSettings::setCompactListView, &AppSettings::compactListViewChanged));
    list->addRow(bindCheckBox(new QCheckBox(tr("Show entry previews")), settings, &AppSettings::showEntryPreviews,
                              &AppSettings::setShowEntryPreviews, &AppSettings::showEntryPreviewsChanged));
    page->finish();
}
