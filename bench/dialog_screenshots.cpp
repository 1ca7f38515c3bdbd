// Grabs a PNG of the file dialog the app opens to pick photos and import files (Qt's own dialog, as on
// a desktop without a platform file chooser), in the appearance and accent asked for, with a folder of
// the side panel selected:
//
//   dialog_screenshots OUT.png [--appearance=light|dark] [--accent=NAME]
//
// Settings are read from and written to $XDG_CONFIG_HOME (point it at a scratch folder).

#include "Model/AppSettings.h"
#include "Theme/AppearanceManager.h"
#include "common/BenchSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const vsp::bench::ToolArguments tool(args, "dialog_screenshots OUT.png [--appearance=light|dark] [--accent=NAME]");
    if (!tool.ok()) {
        return 2;
    }
    AppSettings settings;
    settings.setAppearanceMode(tool.option(QStringLiteral("appearance")).value_or(QStringLiteral("dark")));
    settings.setAccentColorPreset(tool.option(QStringLiteral("accent")).value_or(QStringLiteral("yellow")));
    AppearanceManager::instance().apply();

    QFileDialog dialog(nullptr, QStringLiteral("Choose images to attach"), QDir::homePath());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.resize(820, 520);
    dialog.show();
    const QString out = tool.out();
    QTimer::singleShot(700, &app, [&dialog, out] {
        // The side panel's first place selected, as after a click there; the file list keeps the focus.
        if (auto* side = dialog.findChild<QListView*>(QStringLiteral("sidebar"))) {
            side->setCurrentIndex(side->model()->index(0, 0));
        }
        QTimer::singleShot(200, &dialog, [&dialog, out] {
            const bool ok = dialog.grab().save(out);
            std::printf("%s %s\n", ok ? "wrote" : "failed", qPrintable(out));
            QCoreApplication::exit(ok ? 0 : 1);
        });
    });
    return QApplication::exec();
}
