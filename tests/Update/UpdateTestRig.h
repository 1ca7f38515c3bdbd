#pragma once

#include "Update/AppBundle.h"
#include "Update/PackageInstaller.h"
#include "Update/Updater.h"
#include "common/LocalHttpsServer.h"
#include "common/TestSupport.h"
#include "common/ZipWriter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

/// What the updater's tests share: a local feed and archive server with options that use it, and
/// release archives.
namespace vsp::test::update {

inline const QDateTime kNow(QDate(2026, 12, 9), QTime(12, 0));

/// A local feed and archive server, and updater options that use it: running version 1.0, no bundle
/// of its own, work folders and Downloads in the test home, nothing revealed or quit for real.
struct Rig {
    LocalHttpsServer server;
    QStringList revealed;
    int quits = 0;
    /// The download deadlines started, newest last; the test fires them.
    QList<std::function<void()>> deadlines;
    /// The time without data after which a stalled transfer ends, for the tests of stalls: the only
    /// ones that wait for it. Every other transfer gets ample time, so a loaded machine cannot end it.
    static constexpr int kStallMs = 500;
    /// Small enough that a test archive of a few kilobytes can exceed them.
    static constexpr qint64 kMostDownloadBytes = qint64(1) << 20;
    static constexpr vsp::update::UnpackLimits kLimits{qint64(8) << 20, qint64(4) << 20, 200};
    QString home = vsp::test::testHome();

    Updater::Options options()
    {
        Updater::Options o;
        o.currentVersion = QStringLiteral("1.0");
        o.findRunningBundle = false;
        o.systemVersion = QStringLiteral("6.4.2");
        o.workBase = home + QStringLiteral("/cache/Vesperlog");
        o.downloads = home + QStringLiteral("/Downloads");
        o.clock = [] { return kNow; };
        o.ssl = server.sslConfiguration();
        o.feedOverride = server.url(QStringLiteral("/update.json")).toString();
        o.feedTimeoutMs = 15000;
        o.downloadTimeoutMs = 15000;
        o.downloadMaxBytes = kMostDownloadBytes;
        o.startTimer = [this](int, QObject*, std::function<void()> fire) { deadlines.append(std::move(fire)); };
        o.unpack = [](const QString& archive, const QString& folder) {
            return vsp::update::unpackArchive(archive, folder, kLimits);
        };
        o.reveal = [this](const QString& path) { revealed.append(path); };
        o.quit = [this] { ++quits; };
        return o;
    }

    /// Serves a manifest for `version` whose archive is `zip`, published with the archive's own hash
    /// unless `sha256` is given.
    void publish(const QString& version, const QByteArray& zip = {}, const QString& sha256 = {},
                 const QStringList& notes = {QStringLiteral("Faster search")})
    {
        const QString hash =
            !sha256.isEmpty() ? sha256
                              : QString::fromLatin1(QCryptographicHash::hash(zip, QCryptographicHash::Sha256).toHex());
        const QJsonObject manifest{{QStringLiteral("version"), version},
                                   {QStringLiteral("url"), server.url(QStringLiteral("/Vesperlog.zip")).toString()},
                                   {QStringLiteral("sha256"), hash},
                                   {QStringLiteral("bytes"), qint64(zip.size())},
                                   {QStringLiteral("notes"), QJsonArray::fromStringList(notes)}};
        server.route(QStringLiteral("/update.json"), {200, "application/json", QJsonDocument(manifest).toJson()});
        server.route(QStringLiteral("/Vesperlog.zip"), {200, "application/zip", zip});
    }

    int feedRequests() const
    {
        int n = 0;
        for (const QUrl& seen : server.requests()) {
            n += seen.path() == QLatin1String("/update.json");
        }
        return n;
    }
};

/// The feed helper: this test program, whose main runs the helper when started as one.
inline QString feedHelper()
{
    return QCoreApplication::applicationFilePath();
}

inline QByteArray releaseArchive(const QString& identifier = vsp::bundle::identifier(),
                                 const QString& version = QStringLiteral("1.1"))
{
    ZipWriter zip;
    zip.addBundle(QStringLiteral("Vesperlog.app"), identifier, version,
                  "#!/bin/sh\necho \"new $$\" > \"$VESPERLOG_TEST_MARKER\"\n");
    zip.addFile(QStringLiteral("Vesperlog.app/version"), version.toUtf8());
    return zip.bytes();
}

inline bool waitForCheck(Updater& updater)
{
    QSignalSpy finished(&updater, &Updater::checkFinished);
    return finished.wait(5000);
}

} // namespace vsp::test::update
