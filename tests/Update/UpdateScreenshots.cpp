// Grabs a PNG of the update sheet in every phase and of the sidebar's update badge (at rest and
// hovered), in the dark and the light appearance, against a local feed: OUT-<appearance>-<n>-<phase>.png.
// Run with HOME and the XDG folders pointed at a scratch folder.
//
//   update_screenshots OUT

#include "UpdateTestRig.h"

#include "Model/AppSettings.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Update/UpdateBadge.h"
#include "Update/UpdateSheet.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>
#include <QTest>

#include <cstdio>

using namespace vsp::test::update;
using Phase = Updater::Phase;

namespace {

int failures = 0;

void save(QWidget& widget, const QString& path)
{
    QApplication::processEvents();
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        ++failures;
    }
}

class Footer final : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), vsp::Color::vspSurface().resolve()); }
};

void shoot(const QString& out)
{
    Rig rig;
    if (!rig.server.start()) {
        ++failures;
        return;
    }
    int n = 0;
    const auto name = [&](const QString& phase) { return QStringLiteral("%1-%2-%3.png").arg(out).arg(++n).arg(phase); };
    rig.server.route(QStringLiteral("/update.json"), {200, "application/json", "", true});
    Updater updater(rig.options());
    UpdateSheet sheet(updater);
    sheet.show();
    updater.open();
    save(sheet, name(QStringLiteral("checking")));
    waitForCheck(updater);
    save(sheet, name(QStringLiteral("failed")));

    rig.publish(QStringLiteral("1.0"));
    updater.check(true);
    waitForCheck(updater);
    save(sheet, name(QStringLiteral("current")));

    rig.publish(QStringLiteral("1.2.0"), releaseArchive(), {},
                {QStringLiteral("Search finds words in voice-note transcripts"),
                 QStringLiteral("The calendar marks days with entries in your accent colour"),
                 QStringLiteral("Faster start with large journals"),
                 QStringLiteral("Exports keep images beside the Markdown file")});
    // The "found" panel with motion, caught halfway through its fade-in.
    vsp::setAnimationsEnabled(true);
    updater.check(true);
    waitForCheck(updater);
    const QList<QPropertyAnimation*> fades = sheet.findChildren<QPropertyAnimation*>();
    if (!fades.isEmpty()) {
        fades.last()->pause();
        fades.last()->setCurrentTime(fades.last()->duration() / 4);
        save(sheet, name(QStringLiteral("found-midway")));
        fades.last()->setCurrentTime(fades.last()->duration());
    }
    vsp::setAnimationsEnabled(false);
    save(sheet, name(QStringLiteral("found")));

    QObject::connect(&updater, &Updater::phaseChanged, &sheet, [&] {
        static Phase last = Phase::Idle;
        if (updater.phase() != last
            && (updater.phase() == Phase::Downloading || updater.phase() == Phase::Installing)) {
            save(sheet, name(updater.phase() == Phase::Downloading ? QStringLiteral("downloading")
                                                                   : QStringLiteral("installing")));
        }
        last = updater.phase();
    });
    updater.install(*updater.offered());
    QTest::qWaitFor([&] { return updater.phase() == Phase::Manual || updater.phase() == Phase::Failed; }, 5000);
    save(sheet, name(QStringLiteral("manual")));

    Footer footer;
    auto* row = new QHBoxLayout(&footer);
    row->setContentsMargins(12, 10, 12, 10);
    row->addStretch(1);
    auto* badge = new UpdateBadge(updater, &footer);
    row->addWidget(badge);
    footer.resize(220, 46);
    footer.show();
    save(footer, name(QStringLiteral("badge")));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(badge, &enter);
    save(footer, name(QStringLiteral("badge-hovered")));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: update_screenshots OUT\n");
        return 2;
    }
    vsp::setAnimationsEnabled(false);
    AppSettings settings;
    for (const QString appearance : {QStringLiteral("dark"), QStringLiteral("light")}) {
        settings.setAppearanceMode(appearance);
        AppearanceManager::instance().apply();
        shoot(args.at(1) + u'-' + appearance);
    }
    return failures == 0 ? 0 : 1;
}
