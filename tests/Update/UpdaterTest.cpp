#include "UpdaterTest.h"

#include "UpdateTestRig.h"

#include "Model/AppSettings.h"
#include "Update/AppBundle.h"
#include "Update/Updater.h"
#include "common/LocalHttpsServer.h"
#include "common/TestSupport.h"
#include "common/ZipWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

#include <csignal>

using vsp::test::LocalHttpsServer;
using vsp::test::ZipWriter;
using Phase = Updater::Phase;

Q_DECLARE_METATYPE(vsp::test::LocalHttpsServer::Response)

using namespace vsp::test::update;

namespace {

QString checkMessage()
{
    return QStringLiteral("Couldn't check for a new version. Check your connection and try again.");
}

/// A feed that answered with something that is no manifest: the connection is not to blame.
QString unreadableFeedMessage()
{
    return QStringLiteral("Couldn't check for a new version: the update information could not be read. Try "
                          "again later.");
}

bool workFoldersGone(const Rig& rig)
{
    return QDir(rig.home + QStringLiteral("/cache/Vesperlog")).isEmpty();
}

} // namespace

void UpdaterTest::init()
{
    vsp::test::resetUserFolders();
    QDir(vsp::test::testHome() + QStringLiteral("/cache/Vesperlog")).removeRecursively();
    QDir(vsp::test::testHome() + QStringLiteral("/Downloads")).removeRecursively();
}

void UpdaterTest::quietCheck_runsOnlyWhenDue_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("secondsAgo"); // -1: never checked
    QTest::addColumn<QString>("pending");
    QTest::addColumn<bool>("asks");
    QTest::newRow("first launch") << true << -1 << "" << true;
    QTest::newRow("exactly a day ago") << true << 86400 << "" << false;
    QTest::newRow("more than a day ago") << true << 86401 << "" << true;
    QTest::newRow("a check in the future") << true << -3600 << "" << true;
    QTest::newRow("a newer version pending") << true << 60 << "1.1" << true;
    QTest::newRow("the running version pending") << true << 60 << "1.0" << false;
    QTest::newRow("automatic checks off") << false << -1 << "" << false;
}

void UpdaterTest::quietCheck_runsOnlyWhenDue()
{
    QFETCH(bool, enabled);
    QFETCH(int, secondsAgo);
    QFETCH(QString, pending);
    QFETCH(bool, asks);
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(QStringLiteral("1.0"));
    AppSettings settings;
    if (secondsAgo != -1) {
        settings.setUpdateChecked(kNow.addSecs(-secondsAgo));
    }
    settings.setUpdatePending(pending);
    // As the application checks at launch: through the feed helper.
    Updater::Options options = rig.options();
    options.feedHelper = feedHelper();
    Updater updater(options);
    updater.checkQuietly(enabled);
    QCOMPARE(updater.checkCount(), asks ? 1 : 0);
    if (asks) {
        QVERIFY(waitForCheck(updater));
        QCOMPARE(rig.feedRequests(), 1);
        QCOMPARE(rig.server.requestHeader(0, "user-agent"), QByteArray("Vesperlog/1.0"));
        QCOMPARE(settings.updateChecked(), kNow);
    }
    QCOMPARE(updater.phase(), Phase::Idle);
}

void UpdaterTest::check_remembersTheAnswer_data()
{
    QTest::addColumn<QString>("published");
    QTest::addColumn<Phase>("phase");
    QTest::newRow("a newer release") << "1.1" << Phase::Found;
    QTest::newRow("nothing newer") << "1.0" << Phase::Current;
}

void UpdaterTest::check_remembersTheAnswer()
{
    QFETCH(QString, published);
    QFETCH(Phase, phase);
    Rig rig;
    QVERIFY(rig.server.start());
    AppSettings settings;
    Updater updater(rig.options());
    // An earlier check found 1.1; the badge shows it until a check says otherwise.
    rig.publish(QStringLiteral("1.1"));
    updater.check(false);
    QVERIFY(waitForCheck(updater));
    QCOMPARE(updater.available()->version, QStringLiteral("1.1"));

    rig.publish(published);
    QSignalSpy available(&updater, &Updater::availableChanged);
    updater.check(true);
    QCOMPARE(updater.phase(), Phase::Checking);
    QVERIFY(waitForCheck(updater));
    QCOMPARE(updater.phase(), phase);
    QCOMPARE(available.count(), 1);
    QCOMPARE(updater.available().has_value(), phase == Phase::Found);
    QCOMPARE(settings.updatePending(), phase == Phase::Found ? QStringLiteral("1.1") : QString());
    QCOMPARE(updater.lastCheck(), std::optional<QDateTime>(kNow));
    if (phase == Phase::Found) {
        QCOMPARE(updater.offered()->notes, QStringList{QStringLiteral("Faster search")});
    }
}

void UpdaterTest::check_failures_data()
{
    QTest::addColumn<LocalHttpsServer::Response>("feed");
    QTest::addColumn<QString>("override"); // "server": the local feed
    QTest::addColumn<QString>("logged");
    QTest::addColumn<bool>("unreadable"); // the feed answered: its content, not the connection, is at fault
    const QByteArray sound = R"({"version": "2", "url": "https://vesperlog.app/v.zip", "sha256": "ab"})";
    const QString server = QStringLiteral("server");
    QTest::newRow("not found") << LocalHttpsServer::Response{404, "text/html", "gone"} << server << "HTTP 404" << false;
    QTest::newRow("server error") << LocalHttpsServer::Response{500, "text/html", ""} << server << "HTTP 500" << false;
    QTest::newRow("not a manifest") << LocalHttpsServer::Response{200, "text/html", "<html>"} << server << "unreadable"
                                    << true;
    QTest::newRow("a version with a line break") << LocalHttpsServer::Response{200, "application/json",
                                                                               R"({"version": "2
1", "url": "https://vesperlog.app/v.zip", "sha256": "ab"})"}
                                                 << server << "cannot be shown on one line" << true;
    QTest::newRow("an http archive")
        << LocalHttpsServer::Response{200, "application/json",
                                      R"({"version": "2", "url": "http://vesperlog.app/v.zip", "sha256": "ab"})"}
        << server << "not an https address" << true;
    QTest::newRow("a stalled feed") << LocalHttpsServer::Response{200, "application/json", sound, true} << server
                                    << "no answer in time" << false;
    QTest::newRow("a feed too large") << LocalHttpsServer::Response{200, "application/json",
                                                                    sound + QByteArray(1024 * 1024, ' ')}
                                      << server << "the feed is larger than 1048576 bytes" << true;
    LocalHttpsServer::Response unannounced{200, "application/json", sound + QByteArray(1024 * 1024, ' ')};
    unannounced.withoutLength = true;
    QTest::newRow("a feed too large, unannounced")
        << unannounced << server << "the feed is larger than 1048576 bytes" << true;
    QTest::newRow("an http feed") << LocalHttpsServer::Response{200, "application/json", sound}
                                  << "http://127.0.0.1:9/update.json"
                                  << "the feed address is not an https address" << true;
}

void UpdaterTest::check_failures()
{
    QFETCH(LocalHttpsServer::Response, feed);
    QFETCH(QString, override);
    QFETCH(QString, logged);
    QFETCH(bool, unreadable);
    for (const bool manual : {true, false}) {
        Rig rig;
        QVERIFY(rig.server.start());
        rig.server.route(QStringLiteral("/update.json"), feed);
        Updater::Options options = rig.options();
        if (override != QLatin1String("server")) {
            options.feedOverride = override;
        }
        if (feed.stall) {
            options.feedTimeoutMs = Rig::kStallMs;
        }
        // Quiet checks ask through the helper, as at launch; checks on request in this process.
        if (!manual) {
            options.feedHelper = feedHelper();
        }
        AppSettings settings;
        Updater updater(options);
        vsp::test::StdoutCapture out;
        updater.check(manual);
        QVERIFY(waitForCheck(updater));
        QCOMPARE(updater.phase(), manual ? Phase::Failed : Phase::Idle);
        QCOMPARE(updater.failureMessage(),
                 manual ? (unreadable ? unreadableFeedMessage() : checkMessage()) : QString());
        QVERIFY(!settings.updateChecked().isValid());
        QVERIFY(!updater.available());
        QVERIFY2(out.text().startsWith(QStringLiteral("Vesperlog: update check failed — ")), qPrintable(out.text()));
        QVERIFY2(out.text().contains(logged), qPrintable(out.text()));
    }
}

void UpdaterTest::manualCheck_duringQuietCheck_showsThatChecksAnswer()
{
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(QStringLiteral("1.1"));
    Updater updater(rig.options());
    updater.checkQuietly(true);
    // The sheet opens while the quiet check runs: it shows that check's answer, not a spinner for ever.
    updater.open();
    QCOMPARE(updater.phase(), Phase::Checking);
    QVERIFY(waitForCheck(updater));
    QCOMPARE(updater.phase(), Phase::Found);
    QCOMPARE(updater.offered()->version, QStringLiteral("1.1"));
    QCOMPARE(rig.feedRequests(), 1);
}

void UpdaterTest::packageManagedCopy_neverAsksTheFeed()
{
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(QStringLiteral("1.1"));
    Updater::Options options = rig.options();
    options.packageManaged = true;
    Updater updater(options);
    QVERIFY(updater.packageManaged());
    // Never checked, so the launch check is due; the user asks too.
    updater.checkQuietly(true);
    updater.check(true);
    updater.open();
    QCOMPARE(updater.checkCount(), 0);
    QCOMPARE(updater.phase(), Phase::Idle);
    QVERIFY(!updater.available());
    QCOMPARE(rig.feedRequests(), 0);
}

void UpdaterTest::open_andDismiss_keepWorkUnderWay()
{
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(QStringLiteral("1.1"), releaseArchive());
    rig.server.route(QStringLiteral("/Vesperlog.zip"), {200, "application/zip", "", true});
    Updater::Options options = rig.options();
    options.downloadTimeoutMs = Rig::kStallMs;
    Updater updater(options);
    updater.check(false);
    QVERIFY(waitForCheck(updater));
    // A known release opens at once, without asking the feed again.
    updater.open();
    QCOMPARE(updater.phase(), Phase::Found);
    QCOMPARE(rig.feedRequests(), 1);

    // A check that timed out offers nothing: fail here rather than crash on it.
    QVERIFY(updater.offered());
    updater.install(*updater.offered());
    QCOMPARE(updater.phase(), Phase::Downloading);
    updater.open();
    updater.dismiss();
    updater.check(true);
    updater.install(*updater.available());
    QCOMPARE(updater.phase(), Phase::Downloading);
    QCOMPARE(rig.feedRequests(), 1);
    QTRY_COMPARE(updater.phase(), Phase::Failed);
    updater.dismiss();
    QCOMPARE(updater.phase(), Phase::Idle);
}

void UpdaterTest::install_parksInDownloads_whenTheBundleCannotReplaceItself_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("folder");
    QTest::newRow("a dotted version") << "1.1"
                                      << "Vesperlog 1.1.app";
    // The feed's text names no other folder: separators become dashes.
    QTest::newRow("a path as the version") << "9./../x"
                                           << "Vesperlog 9.-..-x.app";
}

void UpdaterTest::install_parksInDownloads_whenTheBundleCannotReplaceItself()
{
    QFETCH(QString, version);
    QFETCH(QString, folder);
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(version, releaseArchive());
    Updater updater(rig.options());
    updater.check(true);
    QVERIFY(waitForCheck(updater));
    QList<Phase> phases;
    QList<double> fractions;
    connect(&updater, &Updater::phaseChanged, this, [&] {
        phases.append(updater.phase());
        fractions.append(updater.progress());
    });
    QVERIFY(updater.offered());
    updater.install(*updater.offered());
    QTRY_COMPARE(updater.phase(), Phase::Manual);

    const QString parked = rig.home + QStringLiteral("/Downloads/") + folder;
    QCOMPARE(updater.manualLocation(), parked);
    QVERIFY(QFileInfo(parked + QStringLiteral("/bin/vesperlog")).isExecutable());
    QCOMPARE(rig.revealed, QStringList{parked});
    QCOMPARE(phases.first(), Phase::Downloading);
    QCOMPARE(phases.mid(phases.size() - 2), (QList<Phase>{Phase::Installing, Phase::Manual}));
    QCOMPARE(fractions.at(phases.size() - 3), 1.0);
    QVERIFY(updater.available());
    QVERIFY(workFoldersGone(rig));
    QCOMPARE(rig.quits, 0);
}

void UpdaterTest::install_failures_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<LocalHttpsServer::Response>("served");
    QTest::addColumn<QString>("message");
    const QString integrity = QStringLiteral("What I downloaded doesn't match what's published, so I'm not installing "
                                             "it. Try again, or download it by hand from vesperlog.app.");
    const QString download = QStringLiteral("The download was cut short. Try again.");
    const QString package = QStringLiteral("The downloaded package isn't Vesperlog. Not installing it.");
    const QString tooLarge = QStringLiteral("The download is larger than an update can be, so I'm not installing it. "
                                            "You can download it by hand from vesperlog.app.");
    const QByteArray good = releaseArchive();
    QByteArray tampered = good;
    tampered[tampered.size() / 2] = char(tampered[tampered.size() / 2] ^ 1);
    QTest::newRow("tampered") << good << LocalHttpsServer::Response{200, "application/zip", tampered} << integrity;
    QTest::newRow("not found") << good << LocalHttpsServer::Response{404, "text/html", "gone"} << download;
    QTest::newRow("stalled") << good << LocalHttpsServer::Response{200, "application/zip", good, true} << download;
    ZipWriter hostile;
    hostile.addBundle(QStringLiteral("Vesperlog.app"), vsp::bundle::identifier(), QStringLiteral("1.1"));
    hostile.addFile(QStringLiteral("../../evil"), "x");
    QTest::newRow("hostile") << hostile.bytes() << LocalHttpsServer::Response{200, "application/zip", hostile.bytes()}
                             << package;
    const QByteArray other = releaseArchive(QStringLiteral("org.example.Other"));
    QTest::newRow("another application") << other << LocalHttpsServer::Response{200, "application/zip", other}
                                         << package;
    // A few kilobytes that unpack past the limit of any one file.
    ZipWriter bomb;
    bomb.addBundle(QStringLiteral("Vesperlog.app"), vsp::bundle::identifier(), QStringLiteral("1.1"));
    bomb.addDeflatedFile(QStringLiteral("Vesperlog.app/data"), QByteArray(Rig::kLimits.fileBytes + 1, '\0'));
    QTest::newRow("expands past the limit")
        << bomb.bytes() << LocalHttpsServer::Response{200, "application/zip", bomb.bytes()} << package;
    const QByteArray flood(Rig::kMostDownloadBytes + 1, 'z');
    QTest::newRow("larger than the limit")
        << good << LocalHttpsServer::Response{200, "application/zip", flood} << tooLarge;
    LocalHttpsServer::Response unannounced{200, "application/zip", flood};
    unannounced.withoutLength = true;
    QTest::newRow("larger than the limit, unannounced") << good << unannounced << tooLarge;
}

void UpdaterTest::install_failures()
{
    QFETCH(QByteArray, archive);
    QFETCH(LocalHttpsServer::Response, served);
    QFETCH(QString, message);
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(QStringLiteral("1.1"), archive);
    rig.server.route(QStringLiteral("/Vesperlog.zip"), served);
    Updater::Options options = rig.options();
    if (served.stall) {
        options.downloadTimeoutMs = Rig::kStallMs;
    }
    QNetworkAccessManager network;
    options.network = &network;
    Updater updater(options);
    updater.check(true);
    QVERIFY(waitForCheck(updater));
    vsp::test::StdoutCapture out;
    QVERIFY(updater.offered());
    updater.install(*updater.offered());
    // The archive streams to its file: the reply holds a small buffer, never the whole download.
    const QList<QNetworkReply*> replies = network.findChildren<QNetworkReply*>();
    QVERIFY(!replies.isEmpty());
    const QNetworkReply* reply = replies.last();
    QVERIFY2(reply->readBufferSize() > 0 && reply->readBufferSize() <= 1024 * 1024,
             qPrintable(QString::number(reply->readBufferSize())));
    QTRY_COMPARE(updater.phase(), Phase::Failed);
    QCOMPARE(updater.failureMessage(), message);
    QVERIFY2(out.text().startsWith(QStringLiteral("Vesperlog: update installation failed — ")), qPrintable(out.text()));
    QVERIFY(workFoldersGone(rig));
    QVERIFY(!QFileInfo::exists(rig.home + QStringLiteral("/evil")));
    QVERIFY(!QFileInfo::exists(rig.home + QStringLiteral("/Downloads/Vesperlog 1.1.app")));
    // Nothing runs any more: a new attempt may start.
    updater.check(true);
    QCOMPARE(updater.phase(), Phase::Checking);
}

void UpdaterTest::install_trickledDownload_endsAtTheDeadline()
{
    Rig rig;
    QVERIFY(rig.server.start());
    const QByteArray archive = releaseArchive();
    rig.publish(QStringLiteral("1.1"), archive);
    // A byte every 50 ms: the 500 ms time-out without data never runs out.
    LocalHttpsServer::Response trickle{200, "application/zip", archive};
    trickle.trickleMs = 50;
    rig.server.route(QStringLiteral("/Vesperlog.zip"), trickle);
    Updater updater(rig.options());
    updater.check(true);
    QVERIFY(waitForCheck(updater));
    vsp::test::StdoutCapture out;
    QVERIFY(updater.offered());
    updater.install(*updater.offered());
    QTRY_VERIFY(rig.server.trickledBytes() > 20);
    QCOMPARE(updater.phase(), Phase::Downloading);
    QCOMPARE(rig.deadlines.size(), 1);
    rig.deadlines.first()();
    QTRY_COMPARE(updater.phase(), Phase::Failed);
    QCOMPARE(updater.failureMessage(), QStringLiteral("The download was cut short. Try again."));
    QCOMPARE(out.lines(), QStringList{QStringLiteral("Vesperlog: update installation failed — the download did not "
                                                     "complete within 1800 s")});
    QVERIFY(workFoldersGone(rig));
}

void UpdaterTest::install_unpacksOffTheMainThread()
{
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(QStringLiteral("1.1"), releaseArchive());
    Updater::Options options = rig.options();
    QSemaphore release;
    std::atomic<QThread*> unpackedOn = nullptr;
    options.unpack = [&, unpack = options.unpack](const QString& archive, const QString& folder) {
        unpackedOn = QThread::currentThread();
        // Bounded, so that an unpacking that blocks the main thread fails this test instead of hanging it.
        if (!release.tryAcquire(1, 5000)) {
            return std::optional<UpdateError>(UpdateError{UpdateFailure::Other, QStringLiteral("held")});
        }
        return unpack(archive, folder);
    };
    Updater updater(options);
    updater.check(true);
    QVERIFY(waitForCheck(updater));
    QVERIFY(updater.offered());
    updater.install(*updater.offered());
    QTRY_VERIFY(unpackedOn.load() != nullptr);
    QVERIFY(unpackedOn.load() != QThread::currentThread());
    // The event loop goes on while the archive is unpacked.
    bool turned = false;
    QTimer::singleShot(0, &updater, [&] { turned = true; });
    QTRY_VERIFY(turned);
    QCOMPARE(updater.phase(), Phase::Installing);
    release.release();
    QTRY_COMPARE(updater.phase(), Phase::Manual);
}

void UpdaterTest::install_endedByQuitting_leavesNoWorkFolder()
{
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(QStringLiteral("1.1"), releaseArchive());
    rig.server.route(QStringLiteral("/Vesperlog.zip"), {200, "application/zip", "", true});
    {
        Updater updater(rig.options());
        updater.check(true);
        QVERIFY(waitForCheck(updater));
        QVERIFY(updater.offered());
        updater.install(*updater.offered());
        QCOMPARE(updater.phase(), Phase::Downloading);
        QVERIFY(!workFoldersGone(rig));
    }
    QVERIFY(workFoldersGone(rig));
}

void UpdaterTest::install_replacesAWritableBundle_relaunches_andQuits()
{
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(QStringLiteral("1.1"), releaseArchive());
    QTemporaryDir apps;
    const QString installed = apps.filePath(QStringLiteral("Vesperlog.app"));
    QVERIFY(QDir().mkpath(installed + QStringLiteral("/bin")));
    QFile manifest(installed + QStringLiteral("/bundle.json"));
    QVERIFY(manifest.open(QIODevice::WriteOnly));
    manifest.write(vsp::test::bundleManifest(vsp::bundle::identifier(), QStringLiteral("1.0")));
    manifest.close();
    // The running old copy is a stand-in process; quitting ends it, as the application would end.
    qint64 pid = 0;
    QVERIFY(QProcess::startDetached(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}, QString(), &pid));
    const QString marker = apps.filePath(QStringLiteral("started"));
    QStringList order;
    Updater::Options options = rig.options();
    options.runningBundle = installed;
    options.pid = pid;
    options.prepareToQuit = [&] {
        order.append(QStringLiteral("prepare"));
        return true;
    };
    options.quit = [&] {
        order.append(QStringLiteral("quit"));
        ::kill(pid_t(pid), SIGTERM);
    };
    Updater updater(options);
    updater.check(true);
    QVERIFY(waitForCheck(updater));
    qputenv("VESPERLOG_TEST_MARKER", QFile::encodeName(marker));
    QVERIFY(updater.offered());
    updater.install(*updater.offered());
    QTRY_COMPARE(order, (QStringList{QStringLiteral("prepare"), QStringLiteral("quit")}));
    qunsetenv("VESPERLOG_TEST_MARKER");
    QCOMPARE(updater.phase(), Phase::Installing);

    QFile started(marker);
    QTRY_VERIFY_WITH_TIMEOUT(started.exists() && started.size() > 0, 10000);
    QVERIFY(started.open(QIODevice::ReadOnly));
    QVERIFY(started.readAll().startsWith("new "));
    QCOMPARE(vsp::bundle::readManifest(installed)->shortVersion, QStringLiteral("1.1"));
    QCOMPARE(::kill(pid_t(pid), 0), -1);
    QTRY_VERIFY(workFoldersGone(rig));
    QCOMPARE(QDir(apps.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
             (QStringList{QStringLiteral("Vesperlog.app"), QStringLiteral("started")}));
}

void UpdaterTest::install_userKeepsTheAppOpen_changesNothing()
{
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(QStringLiteral("1.1"), releaseArchive());
    QTemporaryDir apps;
    const QString installed = apps.filePath(QStringLiteral("Vesperlog.app"));
    QVERIFY(QDir().mkpath(installed));
    Updater::Options options = rig.options();
    options.runningBundle = installed;
    options.prepareToQuit = [] { return false; };
    Updater updater(options);
    updater.check(true);
    QVERIFY(waitForCheck(updater));
    QVERIFY(updater.offered());
    updater.install(*updater.offered());
    QTRY_COMPARE(updater.phase(), Phase::Failed);
    QCOMPARE(updater.failureMessage(),
             QStringLiteral("Couldn't install the update. You can download it by hand from vesperlog.app."));
    QCOMPARE(rig.quits, 0);
    QVERIFY(QDir(installed).isEmpty());
    QVERIFY(workFoldersGone(rig));
}
