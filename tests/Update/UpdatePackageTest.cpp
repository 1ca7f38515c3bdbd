#include "UpdatePackageTest.h"

#include "Update/AppBundle.h"
#include "Update/PackageInstaller.h"
#include "common/TestSupport.h"
#include "common/ZipWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTest>

#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace vsp::update;
using vsp::test::ZipWriter;

Q_DECLARE_METATYPE(ZipWriter)

namespace {

const QString kApp = QStringLiteral("Vesperlog.app");

bool writeFile(const QString& path, const QByteArray& content, int mode = 0644)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush()
           && ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// An installed bundle at `folder`: bundle.json, a "version" file and bin/vesperlog running `program`.
void makeBundle(const QString& folder, const QByteArray& version, const QByteArray& program)
{
    QVERIFY(writeFile(folder + QStringLiteral("/bundle.json"),
                      vsp::test::bundleManifest(vsp::bundle::identifier(), QString::fromLatin1(version))));
    QVERIFY(writeFile(folder + QStringLiteral("/version"), version));
    QVERIFY(writeFile(folder + QStringLiteral("/bin/vesperlog"), program, 0755));
}

bool alive(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
}

/// The pid of the "sleep 0.1" a hand-over script waits in now for the old copy to end; empty when none
/// runs.
QString handOverNap()
{
    const QString proc = QStringLiteral("/proc/");
    for (const QString& pid : QDir(proc).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        // Its arguments end with a NUL each.
        if (readFile(proc + pid + QStringLiteral("/cmdline")).replace('\0', ' ') != "sleep 0.1 ") {
            continue;
        }
        // The parent's pid is the field after the command name, which ends with the last ')'.
        const QByteArray stat = readFile(proc + pid + QStringLiteral("/stat"));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1
            && readFile(proc + QString::fromLatin1(fields.at(1)) + QStringLiteral("/cmdline"))
                   .contains("vesperlog-install-")) {
            return pid;
        }
    }
    return {};
}

} // namespace

void UpdatePackageTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString UpdatePackageTest::path(const QString& name) const
{
    return m_dir->filePath(name);
}

void UpdatePackageTest::bundleManifest_readsOnlySoundManifests_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("read");
    QTest::newRow("complete") << vsp::test::bundleManifest(vsp::bundle::identifier(), QStringLiteral("2.0")) << true;
    QTest::newRow("no version texts") << QByteArray(R"({"identifier": "a", "executable": "bin/x"})") << true;
    QTest::newRow("no executable") << QByteArray(R"({"identifier": "a"})") << false;
    QTest::newRow("an absolute executable") << QByteArray(R"({"identifier": "a", "executable": "/bin/sh"})") << false;
    QTest::newRow("an executable climbing out")
        << QByteArray(R"({"identifier": "a", "executable": "bin/../../x"})") << false;
    QTest::newRow("an identifier that is no text")
        << QByteArray(R"({"identifier": 1, "executable": "bin/x"})") << false;
    QTest::newRow("not JSON") << QByteArray("identifier=a") << false;
}

void UpdatePackageTest::bundleManifest_readsOnlySoundManifests()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, read);
    QVERIFY(writeFile(path(QStringLiteral("B.app/bundle.json")), json));
    QCOMPARE(vsp::bundle::readManifest(path(QStringLiteral("B.app"))).has_value(), read);
    QVERIFY(!vsp::bundle::readManifest(QString()));
    // A test program runs from a build tree, not from a bundle.
    QCOMPARE(vsp::bundle::runningBundlePath(), QString());
}

void UpdatePackageTest::verifyArchive_comparesTheSha256_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("published");
    QTest::addColumn<int>("failure"); // -1: accepted
    const QByteArray content = "PK archive bytes";
    const QString digest = QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
    QTest::newRow("matching") << content << digest << -1;
    QTest::newRow("tampered") << QByteArray(content + 'x') << digest << int(UpdateFailure::Integrity);
    QTest::newRow("empty file, hash of nothing")
        << QByteArray() << QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855") << -1;
}

void UpdatePackageTest::verifyArchive_comparesTheSha256()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, published);
    QFETCH(int, failure);
    QVERIFY(writeFile(path(QStringLiteral("a.zip")), content));
    const std::optional<UpdateError> error = verifyArchive(path(QStringLiteral("a.zip")), published);
    QCOMPARE(error ? int(error->kind) : -1, failure);
    QCOMPARE(verifyArchive(path(QStringLiteral("missing.zip")), published)->kind, UpdateFailure::Download);
}

void UpdatePackageTest::unpack_refusesHostileArchives_data()
{
    QTest::addColumn<ZipWriter>("zip");
    const auto bundle = [] {
        ZipWriter zip;
        zip.addBundle(kApp, vsp::bundle::identifier(), QStringLiteral("2.0"));
        return zip;
    };
    ZipWriter climbing = bundle();
    climbing.addFile(QStringLiteral("../evil"), "x");
    QTest::newRow("a name climbing out") << climbing;
    ZipWriter inner = bundle();
    inner.addFile(kApp + QStringLiteral("/../../evil"), "x");
    QTest::newRow("a name climbing out from inside") << inner;
    ZipWriter absolute = bundle();
    absolute.addFile(path(QStringLiteral("evil")), "x");
    QTest::newRow("an absolute name") << absolute;
    ZipWriter through = bundle();
    through.addLink(kApp + QStringLiteral("/lib"), m_dir->path());
    through.addFile(kApp + QStringLiteral("/lib/evil"), "x");
    QTest::newRow("a write through a link") << through;
    ZipWriter throughRelative = bundle();
    throughRelative.addLink(kApp + QStringLiteral("/lib"), QStringLiteral("bin"));
    throughRelative.addFile(kApp + QStringLiteral("/lib/evil"), "x");
    QTest::newRow("a write through an inner link") << throughRelative;
    ZipWriter outward = bundle();
    outward.addLink(kApp + QStringLiteral("/up"), QStringLiteral("../../.."));
    QTest::newRow("a link out of the tree") << outward;
    ZipWriter twice = bundle();
    twice.addFile(kApp + QStringLiteral("/bin/vesperlog"), "#!/bin/sh\necho replaced\n", 0755);
    QTest::newRow("one name twice") << twice;
    ZipWriter garbage;
    QTest::newRow("no entries") << garbage;
}

void UpdatePackageTest::unpack_refusesHostileArchives()
{
    QFETCH(ZipWriter, zip);
    const QString out = path(QStringLiteral("work/package"));
    QVERIFY(QDir().mkpath(out));
    QVERIFY(zip.write(path(QStringLiteral("a.zip"))));
    const std::optional<UpdateError> error = unpackArchive(path(QStringLiteral("a.zip")), out);
    QVERIFY(error);
    QCOMPARE(error->kind, UpdateFailure::Package);
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("evil"))));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("work/evil"))));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("bin/evil"))));
    // Refusals found before writing leave nothing; a refusal while writing never reaches outside.
    if (!QTest::currentDataTag() || QByteArray(QTest::currentDataTag()) != "one name twice") {
        QVERIFY(QDir(out).isEmpty());
    }
}

void UpdatePackageTest::unpack_stopsAtItsLimits_data()
{
    QTest::addColumn<ZipWriter>("zip");
    QTest::addColumn<QString>("why");
    constexpr qint64 kMiB = qint64(1) << 20;
    const auto bundle = [] {
        ZipWriter zip;
        zip.addBundle(kApp, vsp::bundle::identifier(), QStringLiteral("2.0"));
        return zip;
    };
    // Deflated, each of these is a few kilobytes in the archive.
    ZipWriter large = bundle();
    large.addDeflatedFile(kApp + QStringLiteral("/big"), QByteArray(2 * kMiB + 1, '\0'));
    QTest::newRow("one file too large") << large << kApp + QStringLiteral("/big unpacks to more than 2 MB");
    ZipWriter many = bundle();
    for (int n = 0; n < 4; ++n) {
        many.addDeflatedFile(kApp + QStringLiteral("/part%1").arg(n), QByteArray(2 * kMiB, '\0'));
    }
    QTest::newRow("all files too large") << many << QStringLiteral("the archive unpacks to more than 6 MB");
    ZipWriter crowded = bundle();
    for (int n = 0; n < 20; ++n) {
        crowded.addFile(kApp + QStringLiteral("/f%1").arg(n), "x");
    }
    QTest::newRow("too many entries") << crowded << QStringLiteral("the archive holds more than 16 entries");
}

void UpdatePackageTest::unpack_stopsAtItsLimits()
{
    QFETCH(ZipWriter, zip);
    QFETCH(QString, why);
    const QString out = path(QStringLiteral("package"));
    QVERIFY(QDir().mkpath(out));
    QVERIFY(zip.write(path(QStringLiteral("a.zip"))));
    const UnpackLimits limits{qint64(6) << 20, qint64(2) << 20, 16};
    const std::optional<UpdateError> error = unpackArchive(path(QStringLiteral("a.zip")), out, limits);
    QVERIFY(error);
    QCOMPARE(error->kind, UpdateFailure::Package);
    QCOMPARE(error->error, why);
    // Stopped at the limit: never more than it on the disk. The blocks count, not the sizes: the
    // unpacker gives a file cut short its announced length as a hole.
    qint64 written = 0;
    QDirIterator files(out, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        struct stat status { };
        QCOMPARE(::stat(QFile::encodeName(files.next()).constData(), &status), 0);
        written += qint64(status.st_blocks) * 512;
    }
    QVERIFY2(written <= limits.totalBytes, qPrintable(QString::number(written)));
}

void UpdatePackageTest::unpack_keepsInnerLinks_andDropsSpecialBits()
{
    ZipWriter zip;
    zip.addBundle(kApp, vsp::bundle::identifier(), QStringLiteral("2.0"), "#!/bin/sh\n", 04755);
    zip.addFolder(kApp + QStringLiteral("/lib"));
    zip.addFile(kApp + QStringLiteral("/lib/libx.so.1"), "elf");
    zip.addLink(kApp + QStringLiteral("/lib/libx.so"), QStringLiteral("libx.so.1"));
    QVERIFY(zip.write(path(QStringLiteral("a.zip"))));
    const QString out = path(QStringLiteral("package"));
    QVERIFY(QDir().mkpath(out));
    const std::optional<UpdateError> error = unpackArchive(path(QStringLiteral("a.zip")), out);
    QVERIFY2(!error, error ? qPrintable(error->error) : "");
    const QFileInfo link(out + u'/' + kApp + QStringLiteral("/lib/libx.so"));
    QVERIFY(link.isSymLink());
    QCOMPARE(readFile(link.filePath()), QByteArray("elf"));
    struct stat status { };
    QCOMPARE(::stat(QFile::encodeName(out + u'/' + kApp + QStringLiteral("/bin/vesperlog")).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0755));
}

void UpdatePackageTest::findBundle_takesOnlyAVesperlogBundle_data()
{
    QTest::addColumn<ZipWriter>("zip");
    QTest::addColumn<bool>("found");
    const QString id = vsp::bundle::identifier();
    ZipWriter good;
    good.addFile(QStringLiteral("README"), "read me");
    good.addBundle(kApp, id, QStringLiteral("2.0"));
    QTest::newRow("a Vesperlog bundle") << good << true;
    ZipWriter other;
    other.addBundle(kApp, QStringLiteral("org.example.Other"), QStringLiteral("2.0"));
    QTest::newRow("another application") << other << false;
    ZipWriter capitals;
    capitals.addBundle(QStringLiteral("Vesperlog.APP"), id, QStringLiteral("2.0"));
    QTest::newRow("a suffix in capitals") << capitals << false;
    ZipWriter notExecutable;
    notExecutable.addBundle(kApp, id, QStringLiteral("2.0"), "#!/bin/sh\n", 0644);
    QTest::newRow("a program without its execute bit") << notExecutable << false;
    ZipWriter linked;
    linked.addFolder(kApp);
    linked.addFile(kApp + QStringLiteral("/bundle.json"), vsp::test::bundleManifest(id, QStringLiteral("2.0")));
    linked.addFolder(kApp + QStringLiteral("/bin"));
    linked.addFile(kApp + QStringLiteral("/bin/real"), "#!/bin/sh\n", 0755);
    linked.addLink(kApp + QStringLiteral("/bin/vesperlog"), QStringLiteral("real"));
    QTest::newRow("a program that is a link") << linked << false;
    ZipWriter bare;
    bare.addFolder(kApp);
    bare.addFile(kApp + QStringLiteral("/bin/vesperlog"), "#!/bin/sh\n", 0755);
    QTest::newRow("no manifest") << bare << false;
}

void UpdatePackageTest::findBundle_takesOnlyAVesperlogBundle()
{
    QFETCH(ZipWriter, zip);
    QFETCH(bool, found);
    const QString out = path(QStringLiteral("package"));
    QVERIFY(QDir().mkpath(out));
    QVERIFY(zip.write(path(QStringLiteral("a.zip"))));
    QVERIFY(!unpackArchive(path(QStringLiteral("a.zip")), out));
    UpdateError error;
    const std::optional<FoundBundle> bundle = findBundle(out, vsp::bundle::identifier(), &error);
    QCOMPARE(bundle.has_value(), found);
    if (found) {
        QCOMPARE(bundle->path, out + u'/' + kApp);
        QCOMPARE(bundle->executable, QStringLiteral("bin/vesperlog"));
    } else {
        QCOMPARE(error.kind, UpdateFailure::Package);
    }
}

void UpdatePackageTest::replaceableBundle_needsAWritableBundleAndFolder()
{
    const QString bundle = path(QStringLiteral("Apps/") + kApp);
    makeBundle(bundle, "1.0", "#!/bin/sh\n");
    QCOMPARE(replaceableBundle(bundle), bundle);
    QCOMPARE(replaceableBundle(QString()), QString());
    qputenv("APPIMAGE", "/tmp/Vesperlog.AppImage");
    QCOMPARE(replaceableBundle(bundle), QString());
    qunsetenv("APPIMAGE");
}

void UpdatePackageTest::replaceableBundle_onAReadOnlyMount_isNone()
{
    const QString apps = path(QStringLiteral("Apps"));
    const QString bundle = apps + u'/' + kApp;
    makeBundle(bundle, "1.0", "#!/bin/sh\n");
    const QByteArray where = QFile::encodeName(apps);
    // Root may write anywhere the mount allows: a read-only bind mount is what stops it.
    if (::mount(where.constData(), where.constData(), nullptr, MS_BIND, nullptr) != 0) {
        QSKIP("a read-only bind mount needs the right to mount, which this run lacks");
    }
    const bool readOnly = ::mount(nullptr, where.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    const QString got = replaceableBundle(bundle);
    ::umount2(where.constData(), MNT_DETACH);
    if (!readOnly) {
        QSKIP("the bind mount could not be made read-only here");
    }
    QCOMPARE(got, QString());
}

void UpdatePackageTest::park_findsAFreeNameInDownloads_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("name");
    QTest::newRow("free") << "1.5" << QStringList() << "Vesperlog 1.5.app";
    QTest::newRow("two taken") << "1.5"
                               << QStringList{QStringLiteral("Vesperlog 1.5.app"),
                                              QStringLiteral("Vesperlog 1.5 (2).app")}
                               << "Vesperlog 1.5 (3).app";
    QTest::newRow("a file takes the name too")
        << "2" << QStringList{QStringLiteral("Vesperlog 2.app")} << "Vesperlog 2 (2).app";
    QTest::newRow("slashes from the feed") << "../../etc/x" << QStringList() << "Vesperlog -..-etc-x.app";
    QTest::newRow("a leading dot") << ".hidden" << QStringList() << "Vesperlog hidden.app";
}

void UpdatePackageTest::park_findsAFreeNameInDownloads()
{
    QFETCH(QString, version);
    QFETCH(QStringList, taken);
    QFETCH(QString, name);
    const QString downloads = path(QStringLiteral("home/Downloads"));
    for (const QString& item : taken) {
        QVERIFY(writeFile(downloads + u'/' + item, "taken"));
    }
    const QString bundle = path(QStringLiteral("work/package/") + kApp);
    makeBundle(bundle, "2.0", "#!/bin/sh\n");
    QString error;
    const QString parked = parkBundle(bundle, version, downloads, &error);
    QCOMPARE(parked, downloads + u'/' + name);
    QCOMPARE(readFile(parked + QStringLiteral("/version")), QByteArray("2.0"));
    QVERIFY(!QFileInfo::exists(bundle));
    for (const QString& item : taken) {
        QCOMPARE(readFile(downloads + u'/' + item), QByteArray("taken"));
    }
}

void UpdatePackageTest::park_acrossFileSystems_copiesThenDeletes()
{
    const QString work = path(QStringLiteral("tmpfs"));
    vsp::test::SmallDisk disk(work, 512);
    if (!disk.mounted()) {
        QSKIP("a second file system needs the right to mount a tmpfs, which this run lacks");
    }
    const QString bundle = work + u'/' + kApp;
    makeBundle(bundle, "2.0", "#!/bin/sh\n");
    QVERIFY(QFile::link(QStringLiteral("version"), bundle + QStringLiteral("/current")));
    QString error;
    const QString parked = parkBundle(bundle, QStringLiteral("2.0"), path(QStringLiteral("Downloads")), &error);
    QVERIFY2(!parked.isEmpty(), qPrintable(error));
    QVERIFY(!QFileInfo::exists(bundle));
    QVERIFY(QFileInfo(parked + QStringLiteral("/bin/vesperlog")).isExecutable());
    QCOMPARE(QFileInfo(parked + QStringLiteral("/current")).symLinkTarget(), parked + QStringLiteral("/version"));
}

void UpdatePackageTest::installScript_refusesUnsafeArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QString apps = path(QStringLiteral("Apps"));
    const QString work = path(QStringLiteral("cache/vesperlog-update-1"));
    const QString fresh = work + QStringLiteral("/package/") + kApp;
    const QString target = apps + u'/' + kApp;
    const QString pid = QStringLiteral("999999");
    const QString program = QStringLiteral("bin/vesperlog");
    QTest::newRow("too few") << QStringList{pid, fresh, target, work};
    QTest::newRow("no pid") << QStringList{QString(), fresh, target, work, program};
    QTest::newRow("empty target") << QStringList{pid, fresh, QString(), work, program};
    QTest::newRow("root as target") << QStringList{pid, fresh, QStringLiteral("/"), work, program};
    QTest::newRow("target without .app") << QStringList{pid, fresh, apps, work, program};
    QTest::newRow("relative target") << QStringList{pid, fresh, QStringLiteral("Apps/Vesperlog.app"), work, program};
    QTest::newRow("climbing target") << QStringList{pid, fresh, apps + QStringLiteral("/../Vesperlog.app"), work,
                                                    program};
    QTest::newRow("a work folder of another name")
        << QStringList{pid, path(QStringLiteral("cache/other/package/Vesperlog.app")), target,
                       path(QStringLiteral("cache/other")), program};
    QTest::newRow("new bundle outside the work folder")
        << QStringList{pid, path(QStringLiteral("elsewhere/Vesperlog.app")), target, work, program};
    QTest::newRow("program climbing out") << QStringList{pid, fresh, target, work, QStringLiteral("../../bin/sh")};
}

void UpdatePackageTest::installScript_refusesUnsafeArguments()
{
    QFETCH(QStringList, arguments);
    makeBundle(path(QStringLiteral("Apps/") + kApp), "1.0", "#!/bin/sh\n");
    makeBundle(path(QStringLiteral("cache/vesperlog-update-1/package/") + kApp), "2.0", "#!/bin/sh\n");
    QVERIFY(writeFile(path(QStringLiteral("cache/other/keep")), "keep"));
    QVERIFY(writeFile(path(QStringLiteral("script.sh")), installScript().toUtf8()));
    QProcess sh;
    sh.start(QStringLiteral("/bin/sh"), QStringList{path(QStringLiteral("script.sh"))} + arguments);
    QVERIFY(sh.waitForFinished(5000));
    QCOMPARE(sh.exitCode(), 2);
    QCOMPARE(readFile(path(QStringLiteral("Apps/Vesperlog.app/version"))), QByteArray("1.0"));
    QCOMPARE(readFile(path(QStringLiteral("cache/vesperlog-update-1/package/Vesperlog.app/version"))),
             QByteArray("2.0"));
    QCOMPARE(readFile(path(QStringLiteral("cache/other/keep"))), QByteArray("keep"));
}

void UpdatePackageTest::handOver_swapsTheInstalledCopy_andStartsTheNewOne()
{
    const QString apps = path(QStringLiteral("Apps with space"));
    const QString target = apps + u'/' + kApp;
    const QString marker = path(QStringLiteral("started"));
    makeBundle(target, "1.0", "#!/bin/sh\necho old > \"$VESPERLOG_TEST_MARKER\"\n");
    QString error;
    const QString work = makeWorkFolder(path(QStringLiteral("cache")), &error);
    QVERIFY2(!work.isEmpty(), qPrintable(error));
    struct stat status { };
    QCOMPARE(::stat(QFile::encodeName(work).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, mode_t(0700));
    const QString fresh = work + QStringLiteral("/package/") + kApp;
    makeBundle(fresh, "2.0",
               "#!/bin/sh\necho \"new $(cat \"$(dirname \"$0\")/../version\")\" > \"$VESPERLOG_TEST_MARKER\"\n");
    // The running old copy: a stand-in process that quits when asked.
    qint64 pid = 0;
    QVERIFY(QProcess::startDetached(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}, QString(), &pid));
    qputenv("VESPERLOG_TEST_MARKER", QFile::encodeName(marker));
    QVERIFY2(startHandOver(work, pid, fresh, target, QStringLiteral("bin/vesperlog"), &error), qPrintable(error));
    qunsetenv("VESPERLOG_TEST_MARKER");
    // The script waits for the old copy, a tenth of a second at a time, before it touches anything: seen
    // in that loop three times over, by the script's own pace rather than a time of the test's.
    QSet<QString> naps;
    const auto waitedAWhile = [&naps] {
        if (const QString nap = handOverNap(); !nap.isEmpty()) {
            naps.insert(nap);
        }
        return naps.size() >= 3;
    };
    QTRY_VERIFY_WITH_TIMEOUT(waitedAWhile(), 10000);
    QCOMPARE(readFile(target + QStringLiteral("/version")), QByteArray("1.0"));
    QVERIFY(alive(pid));
    ::kill(pid_t(pid), SIGTERM);

    QTRY_COMPARE_WITH_TIMEOUT(readFile(marker), QByteArray("new 2.0\n"), 10000);
    QVERIFY(!alive(pid));
    QCOMPARE(readFile(target + QStringLiteral("/version")), QByteArray("2.0"));
    QTRY_VERIFY(!QFileInfo::exists(work));
    QCOMPARE(QDir(apps).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{kApp});
}

void UpdatePackageTest::handOver_copyFails_putsTheOldCopyBack()
{
    const QString apps = path(QStringLiteral("Apps"));
    vsp::test::SmallDisk disk(apps, 256);
    if (!disk.mounted()) {
        QSKIP("a full disk needs the right to mount a tmpfs, which this run lacks");
    }
    const QString target = apps + u'/' + kApp;
    const QString marker = path(QStringLiteral("started"));
    makeBundle(target, "1.0", "#!/bin/sh\necho old > \"$VESPERLOG_TEST_MARKER\"\n");
    QString error;
    const QString work = makeWorkFolder(path(QStringLiteral("cache")), &error);
    const QString fresh = work + QStringLiteral("/package/") + kApp;
    makeBundle(fresh, "2.0", "#!/bin/sh\necho new > \"$VESPERLOG_TEST_MARKER\"\n");
    // Larger than the disk the old copy lies on: the copy cannot complete.
    QVERIFY(writeFile(fresh + QStringLiteral("/lib/big"), QByteArray(512 * 1024, 'x')));
    qputenv("VESPERLOG_TEST_MARKER", QFile::encodeName(marker));
    QVERIFY2(startHandOver(work, 999999999, fresh, target, QStringLiteral("bin/vesperlog"), &error), qPrintable(error));
    qunsetenv("VESPERLOG_TEST_MARKER");

    QTRY_COMPARE_WITH_TIMEOUT(readFile(marker), QByteArray("old\n"), 10000);
    QCOMPARE(readFile(target + QStringLiteral("/version")), QByteArray("1.0"));
    QCOMPARE(QDir(apps).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{kApp});
}

void UpdatePackageTest::packageManaged_onlyDpkgsOwnCopyUnderUsr_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("executable");
    QTest::addColumn<bool>("managed");
    QTest::newRow("listed by the package") << "vesperlog.list"
                                           << "/usr/bin/vesperlog" << true;
    QTest::newRow("listed for one architecture") << "vesperlog:amd64.list"
                                                 << "/usr/bin/vesperlog" << true;
    QTest::newRow("not in the list") << "vesperlog.list"
                                     << "/usr/games/vesperlog" << false;
    QTest::newRow("another package's list") << "vesperlog-extra.list"
                                            << "/usr/bin/vesperlog" << false;
    QTest::newRow("a local install") << "vesperlog.list"
                                     << "/usr/local/bin/vesperlog" << false;
    QTest::newRow("a bundle") << "vesperlog.list"
                              << "/home/u/Vesperlog.app/bin/vesperlog" << false;
}

void UpdatePackageTest::packageManaged_onlyDpkgsOwnCopyUnderUsr()
{
    QFETCH(QString, list);
    QFETCH(QString, executable);
    QFETCH(bool, managed);
    const QByteArray files = "/.\n/usr\n/usr/bin\n/usr/bin/vesperlog\n/usr/local/bin/vesperlog\n"
                             "/home/u/Vesperlog.app/bin/vesperlog\n/usr/share/applications/vesperlog.desktop\n";
    QVERIFY(writeFile(path(QStringLiteral("info/") + list), files));
    QCOMPARE(vsp::bundle::isPackageManaged(executable, path(QStringLiteral("info"))), managed);
}

void UpdatePackageTest::desktopEntry_runsTheBundlesOwnProgram_data()
{
    QTest::addColumn<QString>("folder");
    // The Exec line expected after the bundle's parent folder; empty when no entry may be written.
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "Apps/Vesperlog.app"
                           << "Apps/Vesperlog.app/bin/vesperlog\"";
    QTest::newRow("a space") << "My Apps/Vesperlog.app"
                             << "My Apps/Vesperlog.app/bin/vesperlog\"";
    QTest::newRow("reserved characters") << "a$b\"c`d%e/Vesperlog.app"
                                         << "a\\\\$b\\\\\"c\\\\`d%%e/Vesperlog.app/bin/vesperlog\"";
    QTest::newRow("a line break") << "a\nExec=rm/Vesperlog.app"
                                  << "";
}

void UpdatePackageTest::desktopEntry_runsTheBundlesOwnProgram()
{
    QFETCH(QString, folder);
    QFETCH(QString, exec);
    const QString bundle = path(folder);
    makeBundle(bundle, "2.0", "#!/bin/sh\n");
    QFile own(QStringLiteral(VESPERLOG_DESKTOP_ENTRY));
    QVERIFY(own.open(QIODevice::ReadOnly));
    QVERIFY(writeFile(bundle + QStringLiteral("/share/applications/vesperlog.desktop"), own.readAll()));
    const QString applications = path(QStringLiteral("data/applications"));
    vsp::test::StdoutCapture out;
    const bool written = vsp::bundle::installDesktopEntry(bundle, applications);
    QCOMPARE(written, !exec.isEmpty());
    const QString entry = QString::fromUtf8(readFile(applications + QStringLiteral("/vesperlog.desktop")));
    if (exec.isEmpty()) {
        QVERIFY(entry.isEmpty());
        QCOMPARE(out.lines().size(), 1);
        return;
    }
    QVERIFY2(entry.contains(u'\n' + QStringLiteral("Exec=\"") + m_dir->path() + u'/' + exec + u'\n'),
             qPrintable(entry));
    QVERIFY(entry.contains(QStringLiteral("\nIcon=") + bundle + QStringLiteral("/share/icons/")));
    QProcess validate;
    validate.start(QStringLiteral(DESKTOP_FILE_VALIDATE), {applications + QStringLiteral("/vesperlog.desktop")});
    QVERIFY(validate.waitForFinished(10000));
    QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
    QVERIFY(out.lines().isEmpty());
}
