// Grabs a PNG of the weather and place chips in the states an entry can have, for looking at them:
//
//   weather_screenshots OUT.png [--appearance=light|dark]

#include "Media/WeatherLocationChips.h"
#include "Model/AppSettings.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"
#include "common/BenchSupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>
#include <limits>

int main(int argc, char** argv)
{
    // Settings of its own, never the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const vsp::bench::ToolArguments tool(args, "weather_screenshots OUT.png [--appearance=light|dark]");
    if (!tool.ok()) {
        return 2;
    }
    const QString appearance = tool.option(QStringLiteral("appearance"), QStringLiteral("dark"));
    AppSettings settings;
    settings.setAppearanceMode(appearance);
    AppearanceManager::instance().refresh();
    AppearanceManager::instance().apply();

    QWidget window;
    vsp::setThemeColor(&window, QPalette::Window, vsp::Color::vspBackground());
    window.setAutoFillBackground(true);
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(14);
    struct Row {
        std::optional<QString> symbol;
        std::optional<double> temp;
        std::optional<QString> text;
        std::optional<QString> place;
    };
    const Row rows[] = {
        {QStringLiteral("sun.max.fill"), 21.5, QStringLiteral("Clear"), QStringLiteral("Paris")},
        {QStringLiteral("cloud.bolt.rain.fill"), -2.5, QStringLiteral("Thunderstorm"),
         QStringLiteral("Saint-Rémy-de-Provence")},
        {QStringLiteral("cloud.fill"), 7.49, QStringLiteral("—"), std::nullopt},
        {std::nullopt, std::nullopt, QStringLiteral("Rain"), QStringLiteral("Vienna")},
        {QStringLiteral("cloud.rain.fill"), std::numeric_limits<double>::quiet_NaN(), QStringLiteral("Rain"),
         QStringLiteral("Imported, not a number")},
        {QStringLiteral("cloud.snow.fill"), 1e300, QStringLiteral("Snow"), QStringLiteral("Imported, too large")},
    };
    for (const Row& row : rows) {
        auto* chips = new WeatherLocationChips(&window);
        chips->setValues(row.symbol, row.temp, row.text, row.place);
        column->addWidget(chips, 0, Qt::AlignLeft);
    }
    // Short of room: the condition, then the place, give way.
    auto* narrow = new WeatherLocationChips(&window);
    narrow->setValues(QStringLiteral("cloud.heavyrain.fill"), 16.2, QStringLiteral("Rain showers"),
                      QStringLiteral("Llanfairpwllgwyngyll"));
    narrow->setFixedWidth(narrow->sizeHint().width() - 70);
    column->addWidget(narrow, 0, Qt::AlignLeft);
    window.resize(420, window.sizeHint().height());
    window.show();
    const QString out = tool.out();
    const bool ok = window.grab().save(out);
    std::printf("%s %s\n", ok ? "wrote" : "failed", qPrintable(out));
    return ok ? 0 : 1;
}
