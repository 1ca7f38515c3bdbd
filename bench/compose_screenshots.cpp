// Writes PNG pictures of the "New Entry" window in the dark and the light appearance, filled in as a
// user would (type, title, body with formatting, a selection under the floating bar, tags, mood,
// expiration, an image and weather): compose_screenshots <output folder>. Run under xvfb-run.

#include "Editor/Compose/ComposeView.h"
#include "Editor/FloatingFormatBar.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/VesperlogTextView.h"
#include "Media/LocationWeatherManager.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Spring.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include <cstdio>

namespace {

void select(FormattableTextEditor& editor, const QString& needle)
{
    const qsizetype at = editor.plainText().indexOf(needle);
    QTextCursor cursor(editor.textView()->document());
    cursor.setPosition(int(at));
    cursor.setPosition(int(at + needle.size()), QTextCursor::KeepAnchor);
    editor.textView()->setTextCursor(cursor);
}

QString writeSampleImage(const QString& folder)
{
    QImage image(640, 480, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 480);
    sky.setColorAt(0, QColor(0x5B, 0x8F, 0xD6));
    sky.setColorAt(1, QColor(0xF2, 0xC1, 0x7A));
    p.fillRect(image.rect(), sky);
    p.setBrush(QColor(0x2E, 0x4A, 0x3A));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(200, 520), 360, 200);
    p.end();
    const QString path = folder + QStringLiteral("/river.jpg");
    image.save(path);
    return path;
}

void shoot(const QString& mode, const QString& outFolder, const QString& imagePath)
{
    AppSettings::instance().setAppearanceMode(mode);
    AppearanceManager::instance().refresh();
    AppearanceManager::instance().apply();

    JournalStore store;
    AppSettings settings;
    MoodStore moods;
    LocationWeatherManager::shared().setBackend([](LocationWeatherManager::Completion done) {
        WeatherSnapshot snapshot;
        snapshot.latitude = 48.2;
        snapshot.longitude = 16.37;
        snapshot.placeName = QStringLiteral("Vienna");
        snapshot.symbol = QStringLiteral("cloud.sun.fill");
        snapshot.temp = 17.6;
        snapshot.text = QStringLiteral("Partly cloudy");
        done(snapshot);
    });

    QWidget window;
    window.setWindowTitle(QStringLiteral("New Entry"));
    window.resize(720, 600);
    auto* view = new ComposeView(
        store, settings, moods, [&window] { window.close(); }, &window);
    view->setGeometry(window.rect());
    window.show();
    QTest::qWait(400);
    if (mode == QStringLiteral("dark")) {
        const QString empty = outFolder + QStringLiteral("/compose-empty-dark.png");
        window.grab().save(empty);
        std::printf("%s\n", qPrintable(empty));
    }

    view->findChild<QAbstractButton*>(QStringLiteral("type:Idea"))->click();
    QTest::keyClicks(view->findChild<QLineEdit*>(QStringLiteral("composeTitle")),
                     QStringLiteral("A walk along the river"));
    auto* editor = view->findChild<FormattableTextEditor*>(QStringLiteral("composeBody"));
    auto* tagField = view->findChild<QLineEdit*>(QStringLiteral("tagField"));
    editor->textView()->setFocus();
    QTest::keyClicks(editor->textView(),
                     QStringLiteral("The water was high after last night's rain, and the path smelled of wet "
                                    "leaves. Two herons stood in the shallows."));
    QTest::keyClick(editor->textView(), Qt::Key_Return);
    QTest::keyClicks(editor->textView(), QStringLiteral("Things to remember"));
    view->onFormat(QStringLiteral("bullet"));
    QTest::keyClick(editor->textView(), Qt::Key_End);
    QTest::keyClick(editor->textView(), Qt::Key_Return);
    QTest::keyClicks(editor->textView(), QStringLiteral("Bring the camera next time"));
    select(*editor, QStringLiteral("Two herons"));
    view->onFormat(QStringLiteral("bold"));
    select(*editor, QStringLiteral("wet leaves"));
    view->onFormat(QStringLiteral("highlight"));
    tagField->setFocus();
    QTest::keyClicks(tagField, QStringLiteral("walks"));
    QTest::keyClick(tagField, Qt::Key_Return);
    QTest::keyClicks(tagField, QStringLiteral("birds"));
    QTest::keyClick(tagField, Qt::Key_Return);
    view->setSelectedMood(moods.moods().value(1).emoji);
    view->setHasExpiration(true);
    view->addPendingImages({QUrl::fromLocalFile(imagePath), QUrl::fromLocalFile(imagePath)});
    editor->textView()->setFocus();
    select(*editor, QStringLiteral("path smelled"));
    if (qEnvironmentVariableIsSet("COMPOSE_SHOT_ENTRANCE")) {
        QTest::qWait(60);
        window.grab().save(outFolder + QStringLiteral("/compose-bar-entrance-") + mode + QStringLiteral(".png"));
    }
    QTest::qWait(900);

    const QString file = outFolder + QStringLiteral("/compose-") + mode + QStringLiteral(".png");
    window.grab().save(file);
    std::printf("%s\n", qPrintable(file));
    window.close();
    LocationWeatherManager::shared().setBackend({});
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    QTemporaryDir scratch;
    const QString image = writeSampleImage(scratch.path());
    shoot(QStringLiteral("dark"), out, image);
    shoot(QStringLiteral("light"), out, image);
    return 0;
}
