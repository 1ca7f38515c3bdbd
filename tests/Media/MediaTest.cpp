#include "MediaTest.h"

#include "common/TestSupport.h"

#include "Media/AudioClipRow.h"
#include "Media/AudioRecordControl.h"
#include "Media/GStreamerLibrary.h"
#include "Media/GeonamesLibrary.h"
#include "Media/ImagePickerButton.h"
#include "Media/LocationWeatherManager.h"
#include "Media/SpeechTranscriber.h"
#include "Media/WeatherLocationChips.h"
#include "Model/ClipDuration.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"

#include <QHBoxLayout>
#include <QTest>

#include <limits>
#include <memory>

namespace {

using OptText = std::optional<QString>;
using OptNumber = std::optional<double>;

} // namespace

Q_DECLARE_METATYPE(OptText)
Q_DECLARE_METATYPE(OptNumber)

void MediaTest::init()
{
    vsp::setAnimationsEnabled(false);
    LocationWeatherManager::shared().setBackend({});
    SpeechTranscriber::setBackend({});
}

void MediaTest::weatherChips_temperature_data()
{
    QTest::addColumn<double>("celsius");
    QTest::addColumn<QString>("expected");
    QTest::newRow("21.5 rounds up") << 21.5 << QStringLiteral("22°");
    QTest::newRow("-2.5 rounds away from zero") << -2.5 << QStringLiteral("-3°");
    QTest::newRow("-0.4 is zero, not minus zero") << -0.4 << QStringLiteral("0°");
    QTest::newRow("7.49") << 7.49 << QStringLiteral("7°");
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QStringLiteral("—°");
    QTest::newRow("beyond 64 bits") << 1e300 << QStringLiteral("—°");
    QTest::newRow("infinite") << -std::numeric_limits<double>::infinity() << QStringLiteral("—°");
}

void MediaTest::weatherChips_temperature()
{
    QFETCH(double, celsius);
    QFETCH(QString, expected);
    QCOMPARE(WeatherLocationChips::temperatureText(celsius), expected);
}

void MediaTest::weatherChips_whichChipsShow_data()
{
    QTest::addColumn<OptText>("symbol");
    QTest::addColumn<OptNumber>("temp");
    QTest::addColumn<OptText>("text");
    QTest::addColumn<OptText>("place");
    QTest::addColumn<QStringList>("shown");
    const OptText sun = QStringLiteral("sun.max");
    const OptText vienna = QStringLiteral("Vienna");
    QTest::newRow("weather and place") << sun << OptNumber(21.5) << OptText(QStringLiteral("Clear")) << vienna
                                       << QStringList{QStringLiteral("22°"), QStringLiteral("Clear"),
                                                      QStringLiteral("Vienna")};
    QTest::newRow("dash text is left out")
        << sun << OptNumber(3.0) << OptText(QStringLiteral("—")) << OptText() << QStringList{QStringLiteral("3°")};
    QTest::newRow("text without symbol is no chip")
        << OptText() << OptNumber(3.0) << OptText(QStringLiteral("Rain")) << OptText() << QStringList();
    QTest::newRow("place only") << OptText() << OptNumber() << OptText() << vienna
                                << QStringList{QStringLiteral("Vienna")};
    QTest::newRow("nothing") << OptText() << OptNumber() << OptText() << OptText() << QStringList();
}

void MediaTest::weatherChips_whichChipsShow()
{
    QFETCH(OptText, symbol);
    QFETCH(OptNumber, temp);
    QFETCH(OptText, text);
    QFETCH(OptText, place);
    QFETCH(QStringList, shown);
    WeatherLocationChips chips;
    chips.setValues(symbol, temp, text, place);
    QCOMPARE(chips.shownTexts(), shown);
    QCOMPARE(chips.showsPlace(), place.has_value());
    // Nothing to show takes no room at all.
    QCOMPARE(chips.sizeHint().isEmpty(), shown.isEmpty());
}

void MediaTest::weatherChips_shortOfRoom_shortenConditionThenPlace()
{
    const QString place = QStringLiteral("Saint-Rémy-de-Provence");
    const QString condition = QStringLiteral("Thunderstorm with hail");
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(0, 0, 0, 0);
    auto* chips = new WeatherLocationChips(&window);
    chips->setValues(QStringLiteral("cloud.bolt.fill"), 17.6, condition, place);
    row->addWidget(chips);
    row->addStretch(1);
    const int full = chips->sizeHint().width();
    QVERIFY(chips->minimumSizeHint().width() < full);
    window.resize(full + 40, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // With room, everything is drawn in full.
    QCOMPARE(chips->width(), full);
    QCOMPARE(chips->drawnTexts(), (QStringList{QStringLiteral("18°"), condition, place}));

    // A little short: the condition gives way first, the place stays whole.
    window.resize(full - 60, 40);
    QTRY_COMPARE(chips->width(), full - 60);
    QStringList drawn = chips->drawnTexts();
    QVERIFY(drawn.at(1).endsWith(u'…'));
    QVERIFY(condition.startsWith(drawn.at(1).chopped(1)));
    QCOMPARE(drawn.at(2), place);

    // Much shorter: both give way, the temperature never.
    const int narrow = chips->minimumSizeHint().width() + 30;
    window.resize(narrow, 40);
    QTRY_COMPARE(chips->width(), narrow);
    drawn = chips->drawnTexts();
    QCOMPARE(drawn.at(0), QStringLiteral("18°"));
    QCOMPARE(drawn.at(1), QStringLiteral("…"));
    QVERIFY(drawn.at(2).endsWith(u'…'));
}

void MediaTest::clipDuration_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0.0 << QStringLiteral("0:00");
    QTest::newRow("4.4 rounds down") << 4.4 << QStringLiteral("0:04");
    QTest::newRow("4.5 rounds up") << 4.5 << QStringLiteral("0:05");
    QTest::newRow("59.4") << 59.4 << QStringLiteral("0:59");
    QTest::newRow("59.5 carries into the minute") << 59.5 << QStringLiteral("1:00");
    QTest::newRow("65.9 rounds to the nearest second") << 65.9 << QStringLiteral("1:06");
    QTest::newRow("600") << 600.0 << QStringLiteral("10:00");
    QTest::newRow("3599.6 is sixty minutes") << 3599.6 << QStringLiteral("60:00");
    QTest::newRow("an hour shows as minutes") << 3665.0 << QStringLiteral("61:05");
    QTest::newRow("two hours, two minutes, five seconds") << 7325.0 << QStringLiteral("122:05");
    QTest::newRow("negative") << -4.0 << QStringLiteral("0:00");
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QStringLiteral("0:00");
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QStringLiteral("0:00");
    QTest::newRow("beyond 64 bits") << 1e19 << QStringLiteral("0:00");
    QTest::newRow("largest double") << std::numeric_limits<double>::max() << QStringLiteral("0:00");
}

void MediaTest::clipDuration()
{
    QFETCH(double, seconds);
    QFETCH(QString, expected);
    QCOMPARE(formatClipDuration(seconds), expected);
}

void MediaTest::weatherAndTranscriber_answerLaterAndOnce()
{
    QObject receiver;
    int weatherCalls = 0;
    std::optional<WeatherSnapshot> weather = WeatherSnapshot{};
    LocationWeatherManager::shared().fetchCurrent(&receiver, [&](std::optional<WeatherSnapshot> snapshot) {
        ++weatherCalls;
        weather = snapshot;
    });
    int textCalls = 0;
    std::optional<QString> text = QStringLiteral("unset");
    SpeechTranscriber::transcribe(QStringLiteral("/tmp/none.m4a"), &receiver, [&](std::optional<QString> result) {
        ++textCalls;
        text = result;
    });
    // Never during the call itself.
    QCOMPARE(weatherCalls, 0);
    QCOMPARE(textCalls, 0);
    QTRY_COMPARE(weatherCalls, 1);
    QTRY_COMPARE(textCalls, 1);
    // Without a location service, and for a file that is not there, the answer is nothing.
    QCOMPARE(weather, std::optional<WeatherSnapshot>());
    QCOMPARE(text, std::optional<QString>());

    // A backend answers instead.
    QString askedFor;
    SpeechTranscriber::setBackend([&](const QString& path, SpeechTranscriber::Completion done) {
        askedFor = path;
        done(QStringLiteral("hello"));
    });
    SpeechTranscriber::transcribe(QStringLiteral("/tmp/a.m4a"), &receiver, [&](std::optional<QString> result) {
        ++textCalls;
        text = result;
    });
    QTRY_COMPARE(textCalls, 2);
    QCOMPARE(askedFor, QStringLiteral("/tmp/a.m4a"));
    QCOMPARE(text, std::optional<QString>(QStringLiteral("hello")));
    QCoreApplication::processEvents();
    QCOMPARE(weatherCalls, 1);
    QCOMPARE(textCalls, 2);
}

void MediaTest::weatherAndTranscriber_destroyedReceiver_getsNothing()
{
    LocationWeatherManager::Completion held;
    LocationWeatherManager::shared().setBackend(
        [&](LocationWeatherManager::Completion done) { held = std::move(done); });
    int calls = 0;
    auto receiver = std::make_unique<QObject>();
    LocationWeatherManager::shared().fetchCurrent(receiver.get(), [&](std::optional<WeatherSnapshot>) { ++calls; });
    QTRY_VERIFY(bool(held));
    receiver.reset();
    held(WeatherSnapshot{});
    // A request whose receiver goes before its turn is never even asked.
    receiver = std::make_unique<QObject>();
    SpeechTranscriber::transcribe(QStringLiteral("/tmp/x"), receiver.get(), [&](std::optional<QString>) { ++calls; });
    receiver.reset();
    QCoreApplication::processEvents();
    QCOMPARE(calls, 0);
}

void MediaTest::imagePicker_handsOverChosenFilesOnly()
{
    QList<QList<QUrl>> handed;
    ImagePickerButton picker([&](const QList<QUrl>& files) { handed.append(files); });
    picker.show();
    QCOMPARE(picker.text(), QStringLiteral("Images"));
    const QList<QUrl> three = {QUrl::fromLocalFile(QStringLiteral("/a.png")),
                               QUrl::fromLocalFile(QStringLiteral("/b.jpg")),
                               QUrl::fromLocalFile(QStringLiteral("/c.heic"))};
    picker.setChooser([&](QWidget*) { return three; });
    QTest::mouseClick(&picker, Qt::LeftButton);
    picker.setChooser([](QWidget*) { return QList<QUrl>{}; });
    QTest::mouseClick(&picker, Qt::LeftButton);
    QCOMPARE(handed, QList<QList<QUrl>>{three});
    QVERIFY(ImagePickerButton::imageNameFilter().contains(QStringLiteral("*.png")));
}

void MediaTest::recordControl_forwardsFinishedRecordings()
{
    QList<std::pair<QString, double>> finished;
    AudioRecordControl control([&](const QString& path, double duration) { finished.append({path, duration}); });
    control.show();
    QVERIFY(control.voiceButton()->isEnabled());
    QCOMPARE(control.voiceButton()->text(), QStringLiteral("Voice"));
    QVERIFY(!control.recordingBar()->isVisible());
    control.completeRecording(QStringLiteral("/tmp/rec.m4a"), 2.5);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first, QStringLiteral("/tmp/rec.m4a"));
    QCOMPARE(finished.first().second, 2.5);
}

void MediaTest::openedLibrary_missingPart_givesNothingWithLoaderText_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QByteArray>("fileName");
    QTest::addColumn<QString>("named");
    QTest::newRow("no geonames") << "geonames" << QByteArray("libvesperlog-absent.so.0") << "libvesperlog-absent.so.0";
    QTest::newRow("geonames without its functions") << "geonames" << QByteArray("libm.so.6") << "geonames_get_n_cities";
    QTest::newRow("no GStreamer") << "gstreamer" << QByteArray("libvesperlog-absent.so.0")
                                  << "libvesperlog-absent.so.0";
    QTest::newRow("GStreamer without its functions") << "gstreamer" << QByteArray("libm.so.6") << "gst_init_check";
}

void MediaTest::openedLibrary_missingPart_givesNothingWithLoaderText()
{
    QFETCH(QString, table);
    QFETCH(QByteArray, fileName);
    QFETCH(QString, named);
    QString error;
    bool opened = true;
    if (table == QLatin1String("geonames")) {
        opened = GeonamesLibrary::open(fileName.constData(), &error) != nullptr;
    } else if (table == QLatin1String("gstreamer")) {
        opened = GStreamerLibrary::open(fileName.constData(), &error) != nullptr;
    }
    QVERIFY(!opened);
    QVERIFY2(error.contains(named), qPrintable(error));
}
