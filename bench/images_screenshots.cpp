// Grabs PNGs of the entry detail's photos, for looking at them:
//
//   images_screenshots OUT.png [--appearance=light|dark] [--mode=gallery|edit|removing|lightbox|opening|missing]
//
// The journal is made up here (a temporary data folder): a selected entry with three generated photos
// (one wide, one tall, one that cannot be decoded, which keeps its placeholder). "gallery" and "edit"
// scroll the detail to its photos; "lightbox" opens the first photo large; "missing" opens the one
// that cannot be decoded; "removing" takes the first photo out while editing and grabs while it leaves,
// "opening" grabs the first photo growing in large (both after --after-ms, 150 by default).

#include "common/BenchSupport.h"
#include "common/DetailShot.h"
#include "common/JournalGenerator.h"

#include "Media/ImageGalleryView.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Spring.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QTimer>

#include <cstdio>

namespace {

/// A landscape: sky, a low sun and layered hills.
QImage landscape(QSize size, bool evening)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, evening ? QColor(0x2b, 0x3a, 0x67) : QColor(0x6f, 0xa8, 0xdc));
    sky.setColorAt(0.7, evening ? QColor(0xf2, 0x9e, 0x6b) : QColor(0xdf, 0xee, 0xf7));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(evening ? QColor(0xff, 0xd2, 0x7f) : QColor(0xff, 0xf6, 0xd5));
    const double w = size.width();
    const double h = size.height();
    p.drawEllipse(QPointF(w * 0.68, h * 0.52), h * 0.09, h * 0.09);
    const QColor hills[] = {QColor(0x5b, 0x6e, 0x5a), QColor(0x3f, 0x52, 0x45), QColor(0x26, 0x33, 0x2c)};
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath path(QPointF(0, h));
        const double base = h * (0.6 + 0.12 * layer);
        for (int x = 0; x <= 20; ++x) {
            path.lineTo(w * x / 20, base - h * 0.06 * std::sin(x * 0.9 + layer * 2.1));
        }
        path.lineTo(w, h);
        p.setBrush(hills[layer]);
        p.drawPath(path);
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QList<JournalEntry> journal = vsp::bench::generateJournal(30);
    JournalEntry shown = JournalEntry::create();
    shown.title = QStringLiteral("Three days on the coast");
    shown.body = QStringLiteral("The ferry was late, so we walked the long way round the headland. "
                                "Photos from the first evening below.");
    shown.tags = {QStringLiteral("travel")};
    shown.imageFilenames = {QStringLiteral("evening.jpg"), QStringLiteral("cliffs.jpg"), QStringLiteral("phone.heic")};
    journal.prepend(shown);
    vsp::bench::installJournal(journal);
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const vsp::bench::ToolArguments tool(args, "images_screenshots OUT.png [--appearance=light|dark] [--mode=...]");
    if (!tool.ok()) {
        return 2;
    }
    auto option = [&](const QString& name) { return tool.option(name); };
    const QString folder = JournalStore::imagesDirectory(shown.id);
    landscape(QSize(4000, 3000), true).save(folder + QStringLiteral("/evening.jpg"), "JPEG", 90);
    landscape(QSize(2000, 2600), false).save(folder + QStringLiteral("/cliffs.jpg"), "JPEG", 90);
    QFile heic(folder + QStringLiteral("/phone.heic"));
    if (heic.open(QIODevice::WriteOnly)) {
        heic.write(QByteArray("\0\0\0\x18"
                              "ftypheic\0\0\0\0mif1heic",
                              24));
    }

    vsp::bench::DetailShot shot(option(QStringLiteral("appearance")).value_or(QStringLiteral("dark")), shown.id);
    MainWindow& window = shot.window;
    EntryDetailView& detail = shot.detail();
    const QString mode = option(QStringLiteral("mode")).value_or(QStringLiteral("gallery"));
    if (mode == u"edit" || mode == u"removing") {
        detail.startEditing();
    }
    QTimer::singleShot(600, &app, [&] {
        const QList<ImageGalleryView*> galleries = detail.findChildren<ImageGalleryView*>();
        for (ImageGalleryView* gallery : galleries) {
            if (!gallery->isVisible() || gallery->thumbnails().isEmpty()) {
                continue;
            }
            if (mode == u"lightbox" || mode == u"missing") {
                gallery->thumbnails().at(mode == u"lightbox" ? 0 : 2)->click();
                return;
            }
            if (mode == u"removing" || mode == u"opening") {
                vsp::setAnimationsEnabled(true);
                if (mode == u"removing") {
                    gallery->removeButtons().at(0)->click();
                } else {
                    gallery->thumbnails().at(0)->click();
                }
                const int after = option(QStringLiteral("after-ms")).value_or(QStringLiteral("150")).toInt();
                QTimer::singleShot(after, &app, [&window, out = tool.out()] {
                    const bool ok = window.grab().save(out);
                    std::printf("%s %s\n", ok ? "wrote" : "failed", qPrintable(out));
                    QCoreApplication::exit(ok ? 0 : 1);
                });
                return;
            }
            for (QWidget* w = gallery->parentWidget(); w; w = w->parentWidget()) {
                if (auto* area = qobject_cast<QScrollArea*>(w)) {
                    area->ensureWidgetVisible(gallery->thumbnails().at(1), 0, 40);
                    return;
                }
            }
        }
    });
    const QString out = tool.out();
    QTimer::singleShot(2500, &app, [&window, out] {
        const bool ok = window.grab().save(out);
        std::printf("%s %s\n", ok ? "wrote" : "failed", qPrintable(out));
        QCoreApplication::exit(ok ? 0 : 1);
    });
    return QApplication::exec();
}
