// Writes PNG pictures of the "New Entry" window's motion, each taken while a transition plays and once
// it rests: the entrance, the type chips, the mood badge and weather chips, the expiration picker, the
// image and voice-note previews, the word count, the floating bar and the tag chips:
// compose_motion_screenshots <output folder>. Run under xvfb-run. Also prints how long the entrance's
// picture of the window took to take.

#include "Editor/Compose/ComposeView.h"
#include "Editor/FloatingFormatBar.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/VesperlogTextView.h"
#include "Media/LocationWeatherManager.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"
#include "Theme/Transitions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {

QString g_out;
QWidget* g_window = nullptr;

void shot(const QString& name)
{
    const QString file = g_out + QStringLiteral("/motion-") + name + QStringLiteral(".png");
    g_window->grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

void select(FormattableTextEditor& editor, const QString& needle)
{
    const qsizetype at = editor.plainText().indexOf(needle);
    QTextCursor cursor(editor.textView()->document());
    cursor.setPosition(int(at));
    cursor.setPosition(int(at + needle.size()), QTextCursor::KeepAnchor);
    editor.textView()->setTextCursor(cursor);
}

QString writeSampleImage(const QString& folder, const QString& name, QColor top)
{
    QImage image(320, 240, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 240);
    sky.setColorAt(0, top);
    sky.setColorAt(1, QColor(0xF2, 0xC1, 0x7A));
    p.fillRect(image.rect(), sky);
    p.end();
    const QString path = folder + u'/' + name;
    image.save(path);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    // A home of its own: the journal and settings written here must not land in the user's.
    QTemporaryDir home;
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"}) {
        qputenv(name, home.path().toLocal8Bit());
    }
    QApplication app(argc, argv);
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(g_out);
    QTemporaryDir scratch;
    const QString image1 = writeSampleImage(scratch.path(), QStringLiteral("a.png"), QColor(0x5B, 0x8F, 0xD6));
    const QString image2 = writeSampleImage(scratch.path(), QStringLiteral("b.png"), QColor(0x9A, 0x75, 0xEA));

    AppSettings::instance().setAppearanceMode(QStringLiteral("dark"));
    AppearanceManager::instance().refresh();
    AppearanceManager::instance().apply();

    JournalStore store;
    JournalEntry old = JournalEntry::create();
    old.title = QStringLiteral("Earlier");
    old.tags = {QStringLiteral("walks"), QStringLiteral("weather")};
    store.addEntry(old);
    AppSettings settings;
    MoodStore moods;
    // The weather answers a little after the window opened, as a real lookup would.
    LocationWeatherManager::shared().setBackend([](LocationWeatherManager::Completion done) {
        QTimer::singleShot(900, [done] {
            WeatherSnapshot snapshot;
            snapshot.latitude = 48.2;
            snapshot.longitude = 16.37;
            snapshot.placeName = QStringLiteral("Vienna");
            snapshot.symbol = QStringLiteral("cloud.sun.fill");
            snapshot.temp = 17.6;
            snapshot.text = QStringLiteral("Partly cloudy");
            done(snapshot);
        });
    });

    QWidget window;
    g_window = &window;
    window.setWindowTitle(QStringLiteral("New Entry"));
    window.resize(720, 600);
    auto* view = new ComposeView(
        store, settings, moods, [&window] { window.close(); }, &window);
    view->setGeometry(window.rect());

    QElapsedTimer clock;
    clock.start();
    window.show();
    std::printf("entrance set up (picture taken) in %lld ms\n", static_cast<long long>(clock.elapsed()));
    QTest::qWait(90);
    shot(QStringLiteral("01-entrance-mid"));
    QTest::qWait(700);
    shot(QStringLiteral("02-entrance-rest"));

    QTest::qWait(250); // the weather arrives
    QTest::qWait(80);
    shot(QStringLiteral("03-weather-mid"));
    QTest::qWait(500);

    QTest::mouseClick(view->findChild<QAbstractButton*>(QStringLiteral("type:Idea")), Qt::LeftButton);
    view->setSelectedMood(moods.moods().value(1).emoji);
    QTest::qWait(70);
    shot(QStringLiteral("04-type-and-mood-mid"));
    QTest::qWait(500);

    QTest::mouseClick(view->findChild<QAbstractButton*>(QStringLiteral("expirationChip")), Qt::LeftButton);
    QTest::qWait(70);
    shot(QStringLiteral("05-expiration-mid"));
    QTest::qWait(500);
    shot(QStringLiteral("06-after-expiration-rest"));

    view->addPendingImages({QUrl::fromLocalFile(image1)});
    QTest::qWait(90);
    shot(QStringLiteral("07-images-slide-mid"));
    QTest::qWait(500);
    view->addPendingImages({QUrl::fromLocalFile(image2)});
    QTest::qWait(70);
    shot(QStringLiteral("08-thumb-in-mid"));
    QTest::qWait(500);

    QTemporaryDir recordings;
    const QString recording = recordings.path() + QStringLiteral("/note.m4a");
    QFile(recording).open(QIODevice::WriteOnly);
    view->addRecording(recording, 12.5);
    QTest::qWait(90);
    shot(QStringLiteral("09-voice-slide-mid"));
    QTest::qWait(600);

    QTest::keyClicks(view->findChild<QLineEdit*>(QStringLiteral("composeTitle")),
                     QStringLiteral("A walk along the river"));
    auto* editor = view->findChild<FormattableTextEditor*>(QStringLiteral("composeBody"));
    auto* tagField = view->findChild<QLineEdit*>(QStringLiteral("tagField"));
    editor->textView()->setFocus();
    QTest::keyClicks(editor->textView(), QStringLiteral("The water was high after the rain and the path smelled of "));
    QTest::qWait(500);
    QTest::keyClicks(editor->textView(), QStringLiteral("leaves "));
    QTest::qWait(60);
    shot(QStringLiteral("10-wordcount-roll-mid"));
    QTest::qWait(500);

    select(*editor, QStringLiteral("path smelled"));
    QTest::qWait(70);
    shot(QStringLiteral("11-floating-bar-entrance-mid"));
    QTest::qWait(600);
    shot(QStringLiteral("12-floating-bar-rest"));
    QTextCursor caret = editor->textView()->textCursor();
    caret.clearSelection();
    editor->textView()->setTextCursor(caret);
    QTest::qWait(60);
    shot(QStringLiteral("13-floating-bar-fade-mid"));
    QTest::qWait(500);

    tagField->setFocus();
    QTest::keyClicks(tagField, QStringLiteral("w"));
    QTest::qWait(70);
    shot(QStringLiteral("14-suggestions-rise-mid"));
    QTest::qWait(500);
    QTest::keyClicks(tagField, QStringLiteral("ater"));
    QTest::keyClick(tagField, Qt::Key_Return);
    QTest::qWait(80);
    shot(QStringLiteral("15-tag-chip-grow-mid"));
    QTest::qWait(700);
    shot(QStringLiteral("16-all-rest"));

    view->findChild<QAbstractButton*>(QStringLiteral("removeImage"))->click();
    QTest::qWait(70);
    shot(QStringLiteral("17-thumb-out-mid"));
    QTest::qWait(600);
    window.close();
    LocationWeatherManager::shared().setBackend({});
    return 0;
}
