#include "UpdateFeedTest.h"

#include "Update/UpdateFeed.h"

#include <QTest>

using namespace vsp::update;

void UpdateFeedTest::isNewer_comparesDottedNumbers_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("newer");
    QTest::newRow("equal with a trailing zero") << "1.2"
                                                << "1.2.0" << false;
    QTest::newRow("equal the other way") << "1.2.0"
                                         << "1.2" << false;
    QTest::newRow("numbers, not text") << "1.10"
                                       << "1.9" << true;
    QTest::newRow("first position decides") << "2"
                                            << "1.99.99" << true;
    QTest::newRow("older") << "1.9"
                           << "1.10" << false;
    QTest::newRow("a leading v counts 0") << "v2.0"
                                          << "1.0" << false;
    QTest::newRow("against a leading v") << "1.0"
                                         << "v2.0" << true;
    QTest::newRow("a suffix counts 0 whole") << "1.2beta"
                                             << "1.1" << false;
    QTest::newRow("empty pieces dropped") << "1..2"
                                          << "1.1" << true;
    QTest::newRow("a plus sign") << "+2"
                                 << "1" << true;
    QTest::newRow("a minus sign") << "-1"
                                  << "0" << false;
    QTest::newRow("too large counts 0") << "99999999999999999999"
                                        << "1" << false;
    QTest::newRow("against 0.0") << "0.1"
                                 << "0.0" << true;
}

void UpdateFeedTest::isNewer_comparesDottedNumbers()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, newer);
    QCOMPARE(isNewer(a, b), newer);
}

void UpdateFeedTest::systemSupports_atOrAboveTheMinimum_data()
{
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("system");
    QTest::addColumn<bool>("supported");
    QTest::newRow("no minimum") << ""
                                << "6.4.2" << true;
    QTest::newRow("major only") << "26"
                                << "26.0.0" << true;
    QTest::newRow("patch above") << "26.0.1"
                                 << "26.0.0" << false;
    QTest::newRow("fourth position above") << "26.0.0.1"
                                           << "26.0.0" << false;
    QTest::newRow("below the system") << "6.4"
                                      << "6.4.2" << true;
    QTest::newRow("above the system") << "6.5"
                                      << "6.4.2" << false;
}

void UpdateFeedTest::systemSupports_atOrAboveTheMinimum()
{
    QFETCH(QString, minimum);
    QFETCH(QString, system);
    QFETCH(bool, supported);
    QCOMPARE(systemSupports(minimum, system), supported);
}

void UpdateFeedTest::readManifest_offersOnlyNewerSoundReleases_data()
{
    QTest::addColumn<QByteArray>("body");
    // "release", "none", or the failure kind's number.
    QTest::addColumn<QString>("answer");
    const QByteArray good = R"("url": "https://vesperlog.app/v.zip", "sha256": "ab")";
    QTest::newRow("newer") << QByteArray(R"({"version": "1.1", )" + good + "}") << "release";
    QTest::newRow("the running version") << QByteArray(R"({"version": "1.0", )" + good + "}") << "none";
    QTest::newRow("needs a newer system")
        << QByteArray(R"({"version": "2", "minimumSystem": "7", )" + good + "}") << "none";
    QTest::newRow("nulls count as absent")
        << QByteArray(R"({"version": "2", "notes": null, "bytes": null, "date": null, )" + good + "}") << "release";
    QTest::newRow("an unparsable date is still offered")
        << QByteArray(R"({"version": "2", "date": "December 9", )" + good + "}") << "release";
    QTest::newRow("no sha256") << QByteArray(R"({"version": "2", "url": "https://vesperlog.app/v.zip"})") << "other";
    QTest::newRow("empty sha256, even when older")
        << QByteArray(R"({"version": "0.1", "url": "https://vesperlog.app/v.zip", "sha256": ""})") << "integrity";
    QTest::newRow("http archive") << QByteArray(
        R"({"version": "2", "url": "http://vesperlog.app/v.zip", "sha256": "ab"})")
                                  << "integrity";
    QTest::newRow("relative archive") << QByteArray(R"({"version": "2", "url": "/v.zip", "sha256": "ab"})")
                                      << "integrity";
    QTest::newRow("archive without a host")
        << QByteArray(R"({"version": "2", "url": "https:///v.zip", "sha256": "ab"})") << "integrity";
    QTest::newRow("file archive") << QByteArray(R"({"version": "2", "url": "file:///etc/passwd", "sha256": "ab"})")
                                  << "integrity";
    // A version is compared as the rules read it and shown as plain text; only one that cannot be
    // shown on one line is refused.
    QTest::newRow("a pre-release version") << QByteArray(R"({"version": "2.0-rc1", )" + good + "}") << "release";
    QTest::newRow("a leading v counts 0") << QByteArray(R"({"version": "v9", )" + good + "}") << "none";
    QTest::newRow("a leading space counts 0") << QByteArray(R"({"version": " 2", )" + good + "}") << "none";
    QTest::newRow("two dots in a row") << QByteArray(R"({"version": "9..1", )" + good + "}") << "release";
    QTest::newRow("a plus sign") << QByteArray(R"({"version": "+2", )" + good + "}") << "release";
    QTest::newRow("markup") << QByteArray(R"({"version": "9.<b>x</b>", )" + good + "}") << "release";
    QTest::newRow("a path") << QByteArray(R"({"version": "9./../x", )" + good + "}") << "release";
    QTest::newRow("an empty version") << QByteArray(R"({"version": "", )" + good + "}") << "none";
    QTest::newRow("64 characters") << QByteArray(R"({"version": "2.)" + QByteArray(62, '1') + "\", " + good + "}")
                                   << "release";
    QTest::newRow("65 characters") << QByteArray(R"({"version": "2.)" + QByteArray(63, '1') + "\", " + good + "}")
                                   << "other";
    QTest::newRow("a line break") << QByteArray(R"({"version": "2\n.0", )" + good + "}") << "other";
    QTest::newRow("a tab") << QByteArray(R"({"version": "2\t0", )" + good + "}") << "other";
    QTest::newRow("a right-to-left override") << QByteArray(R"({"version": "2\u202e1", )" + good + "}") << "other";
    QTest::newRow("a line separator") << QByteArray(R"({"version": "2\u20281", )" + good + "}") << "other";
    QTest::newRow("version as a number") << QByteArray(R"({"version": 2, )" + good + "}") << "other";
    QTest::newRow("bytes as text") << QByteArray(R"({"version": "2", "bytes": "12", )" + good + "}") << "other";
    QTest::newRow("bytes with a fraction") << QByteArray(R"({"version": "2", "bytes": 1.5, )" + good + "}") << "other";
    QTest::newRow("notes not all text") << QByteArray(R"({"version": "2", "notes": ["a", 1], )" + good + "}")
                                        << "other";
    QTest::newRow("not JSON") << QByteArray("<html>") << "other";
    QTest::newRow("an array") << QByteArray("[]") << "other";
}

void UpdateFeedTest::readManifest_offersOnlyNewerSoundReleases()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, answer);
    const ManifestAnswer got = readManifest(body, QStringLiteral("1.0"), QStringLiteral("6.4.2"));
    QString kind = QStringLiteral("none");
    if (std::holds_alternative<UpdateRelease>(got)) {
        kind = QStringLiteral("release");
    } else if (const auto* error = std::get_if<UpdateError>(&got)) {
        kind = error->kind == UpdateFailure::Integrity ? QStringLiteral("integrity") : QStringLiteral("other");
        QVERIFY(!error->error.isEmpty());
    }
    QCOMPARE(kind, answer);
}

void UpdateFeedTest::readManifest_mapsEveryField()
{
    const QByteArray body = R"({"version": "1.2.0", "url": "https://cdn.vesperlog.app/Vesperlog-1.2.0.zip",
        "sha256": "ABCDEF0123", "bytes": 4200000, "date": "2026-12-09T10:00:00Z", "minimumSystem": "6.4",
        "notes": ["Faster search", "<b>not bold</b>"], "extra": true})";
    const ManifestAnswer got = readManifest(body, QStringLiteral("1.1"), QStringLiteral("6.4.2"));
    const UpdateRelease expected{QStringLiteral("1.2.0"),
                                 {QStringLiteral("Faster search"), QStringLiteral("<b>not bold</b>")},
                                 QUrl(QStringLiteral("https://cdn.vesperlog.app/Vesperlog-1.2.0.zip")),
                                 QStringLiteral("abcdef0123"),
                                 4200000,
                                 QDate(2026, 12, 9)};
    QCOMPARE(std::get<UpdateRelease>(got), expected);
    QCOMPARE(manifestDate(QStringLiteral("09-12-2026")), QDate());
}

void UpdateFeedTest::feedAddress_takesOnlyHttpsWithAHost_data()
{
    QTest::addColumn<QString>("override");
    QTest::addColumn<QString>("address");
    QTest::newRow("none set") << ""
                              << "https://vesperlog.app/update.json";
    QTest::newRow("https") << "https://example.org/f.json"
                           << "https://example.org/f.json";
    QTest::newRow("http") << "http://example.org/f.json"
                          << "";
    QTest::newRow("not an address") << "not a url"
                                    << "";
    QTest::newRow("with a password") << "https://user:pw@example.org/f.json"
                                     << "";
    QTest::newRow("file") << "file:///etc/passwd"
                          << "";
    QTest::newRow("no host") << "https:///f.json"
                             << "";
}

void UpdateFeedTest::feedAddress_takesOnlyHttpsWithAHost()
{
    QFETCH(QString, override);
    QFETCH(QString, address);
    const std::optional<QUrl> got = feedAddress(override);
    QCOMPARE(got ? got->toString() : QString(), address);
}
