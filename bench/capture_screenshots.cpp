// Writes PNG pictures of the quick-capture popup in the dark and the light appearance, filled in as a
// user would (title, body, a type, tags, two voice notes, one transcribed), and of its locked face:
// capture_screenshots <output folder>. Run under xvfb-run with a private HOME and XDG folders; with a
// sound server (scripts/sound-server.sh) it also pictures a recording under way.

#include "App/QuickCapture.h"
#include "App/QuickCaptureView.h"
#include "Media/AudioRecordControl.h"
#include "Media/AudioRecorder.h"
#include "Media/SpeechTranscriber.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMediaDevices>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

/// The popup over a desktop-like background, so its corners show as they would.
void save(QWidget& panel, const QString& file)
{
    const QPixmap shot = panel.grab();
    QImage picture(shot.size() + QSize(40, 40), QImage::Format_RGB32);
    QPainter p(&picture);
    QLinearGradient wall(0, 0, picture.width(), picture.height());
    wall.setColorAt(0, QColor(0x3A, 0x5A, 0x80));
    wall.setColorAt(1, QColor(0xC0, 0x8A, 0x6A));
    p.fillRect(picture.rect(), wall);
    // The window's own outline: its mask.
    p.setClipRegion(panel.mask().translated(20, 20));
    p.drawPixmap(20, 20, shot);
    p.end();
    picture.save(file);
    std::printf("%s\n", qPrintable(file));
}

QString writeRecording(const QString& folder, const QString& name)
{
    QFile file(folder + u'/' + name);
    file.open(QIODevice::WriteOnly);
    file.write("audio");
    return file.fileName();
}

void shoot(const QString& mode, const QString& out, const QString& scratch)
{
    AppSettings::instance().setAppearanceMode(mode);
    AppearanceManager::instance().refresh();
    AppearanceManager::instance().apply();
    JournalStore store;
    AppSettings settings;
    QuickCapturePanel panel(store, settings);
    QuickCaptureView* view = panel.view();
    auto* title = view->findChild<QLineEdit*>(QStringLiteral("captureTitle"));
    auto* body = view->findChild<QPlainTextEdit*>(QStringLiteral("captureBody"));
    auto* tagField = view->findChild<QLineEdit*>(QStringLiteral("captureTagField"));
    auto* record = view->findChild<AudioRecordControl*>(QStringLiteral("recordControl"));
    panel.present();
    QTest::qWait(200);
    save(panel, out + QStringLiteral("/capture-empty-") + mode + QStringLiteral(".png"));

    QTest::keyClicks(title, QStringLiteral("Idea for the garden"));
    body->setFocus();
    QTest::keyClicks(body, QStringLiteral("Plant the lavender along the south wall, where the "
                                          "afternoon sun stays longest."));
    view->findChild<QAbstractButton*>(QStringLiteral("type:Idea"))->click();
    for (const QString& tag : {QStringLiteral("garden"), QStringLiteral("spring")}) {
        QTest::keyClicks(tagField, tag);
        QTest::keyClick(tagField, Qt::Key_Return);
    }
    QTest::keyClicks(tagField, QStringLiteral("plan"));
    SpeechTranscriber::setBackend([](const QString& path, SpeechTranscriber::Completion done) {
        done(path.endsWith(QStringLiteral("one.m4a")) ? std::optional<QString>(QStringLiteral("lavender and thyme"))
                                                      : std::nullopt);
    });
    view->addRecording(writeRecording(scratch, QStringLiteral("one.m4a")), 12.4);
    view->addRecording(writeRecording(scratch, QStringLiteral("two.m4a")), 65);
    body->setFocus();
    QTest::qWait(300);
    save(panel, out + QStringLiteral("/capture-") + mode + QStringLiteral(".png"));

    // While recording, where there is a microphone (a test sound server will do).
    if (!QMediaDevices::audioInputs().isEmpty()) {
        record->startRecording();
        QTest::qWait(1500);
        if (record->recorder()->isRecording()) {
            save(panel, out + QStringLiteral("/capture-recording-") + mode + QStringLiteral(".png"));
        }
        record->discard();
        QTest::qWait(300);
    }

    store.setIsLocked(true);
    QTest::qWait(100);
    save(panel, out + QStringLiteral("/capture-locked-") + mode + QStringLiteral(".png"));
    SpeechTranscriber::setBackend({});
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    QTemporaryDir scratch;
    shoot(QStringLiteral("dark"), out, scratch.path());
    shoot(QStringLiteral("light"), out, scratch.path());
    return 0;
}
