#include "Update/Updater.h"

#include "Model/AppSettings.h"
#include "Model/FileIO.h"
#include "Model/Log.h"
#include "Platform/FileReveal.h"
#include "Update/AppBundle.h"
#include "Update/FeedFetch.h"
#include "Update/PackageInstaller.h"
#include "Update/UpdateFeed.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QTimer>
#include <QUuid>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace vsp::update;

namespace {

constexpr qint64 kDaySeconds = 86400;
/// What a download's reply holds before it is written to the archive file.
constexpr qint64 kDownloadBufferBytes = 256 * 1024;

QString defaultVersion()
{
    if (const std::optional<vsp::bundle::BundleManifest> manifest =
            vsp::bundle::readManifest(vsp::bundle::runningBundlePath());
        manifest && !manifest->shortVersion.isEmpty()) {
        return manifest->shortVersion;
    }
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("0.0") : version;
}

} // namespace

Updater::Updater(QObject* parent) : Updater(Options{}, parent)
{ }

Updater::Updater(Options options, QObject* parent)
    : QObject(parent),
      m_options(std::move(options)),
      m_settings(std::make_unique<AppSettings>())
{
    m_currentVersion = m_options.currentVersion.isEmpty() ? defaultVersion() : m_options.currentVersion;
    if (m_options.bundleIdentifier.isEmpty()) {
        m_options.bundleIdentifier = vsp::bundle::identifier();
    }
    m_runningBundle = !m_options.runningBundle.isEmpty() ? m_options.runningBundle
                      : m_options.findRunningBundle      ? vsp::bundle::runningBundlePath()
                                                         : QString();
    if (m_options.systemVersion.isEmpty()) {
        m_options.systemVersion = runningSystemVersion();
    }
    m_packageManaged = m_options.packageManaged.value_or(
        m_runningBundle.isEmpty() && vsp::bundle::isPackageManaged(QCoreApplication::applicationFilePath()));
}

Updater::~Updater()
{
    if (m_feedHelper) {
        m_feedHelper->disconnect();
        m_feedHelper->kill();
        m_feedHelper->waitForFinished(1000);
    }
    if (m_unpacker.joinable()) {
        m_unpacker.join();
    }
    if (m_unpacking && !m_work.isEmpty()) {
        // An unpacking whose outcome nobody takes in any more: its folder goes with the updater.
        QDir(m_work).removeRecursively();
    }
    if (m_reply) {
        // Ended with the updater: no answer is wanted any more.
        m_reply->disconnect();
        m_reply->abort();
        // A download cut short by quitting leaves nothing behind; once the hand-over script runs, the
        // reply is gone and the folder is the script's.
        m_archive.reset();
        if (!m_work.isEmpty()) {
            QDir(m_work).removeRecursively();
        }
    }
}

QNetworkAccessManager& Updater::network()
{
    if (m_options.network) {
        return *m_options.network;
    }
    if (!m_ownNetwork) {
        m_ownNetwork = std::make_unique<QNetworkAccessManager>();
    }
    return *m_ownNetwork;
}

QString Updater::userAgent() const
{
    return QStringLiteral("Vesperlog/") + m_currentVersion;
}

QDateTime Updater::now() const
{
    return m_options.clock ? m_options.clock() : QDateTime::currentDateTime();
}

std::optional<QDateTime> Updater::lastCheck() const
{
    const QDateTime checked = m_settings->updateChecked();
    if (!checked.isValid()) {
        return std::nullopt;
    }
    return checked;
}

std::optional<QUrl> Updater::feed() const
{
    return feedAddress(m_options.feedOverride.value_or(m_settings->updateFeed()));
}

QString Updater::failureMessage(UpdateFailure failure)
{
    switch (failure) {
    case UpdateFailure::Download: return tr("The download was cut short. Try again.");
    case UpdateFailure::Integrity:
        return tr("What I downloaded doesn't match what's published, so I'm not installing it. Try again, or "
                  "download it by hand from %1.")
            .arg(websiteHost());
    case UpdateFailure::Package: return tr("The downloaded package isn't Vesperlog. Not installing it.");
    case UpdateFailure::TooLarge:
        return tr("The download is larger than an update can be, so I'm not installing it. You can download it "
                  "by hand from %1.")
            .arg(websiteHost());
    case UpdateFailure::Other: break;
    }
    return tr("Couldn't install the update. You can download it by hand from %1.").arg(websiteHost());
}

QString Updater::checkFailureMessage(UpdateFailure failure)
{
    if (failure == UpdateFailure::Download) {
        return tr("Couldn't check for a new version. Check your connection and try again.");
    }
    return tr("Couldn't check for a new version: the update information could not be read. Try again later.");
}

void Updater::setPhase(Phase phase)
{
    m_phase = phase;
    Q_EMIT phaseChanged();
}

void Updater::checkQuietly(bool enabled)
{
    if (!enabled || m_packageManaged) {
        return;
    }
    const QString pending = m_settings->updatePending();
    if (!pending.isEmpty() && isNewer(pending, m_currentVersion)) {
        check(false);
        return;
    }
    const QDateTime current = now();
    const std::optional<QDateTime> last = lastCheck();
    // A last check in the future (a clock set back, a copied settings file) would hold every check off
    // until that day: it counts as long ago.
    if (!last || *last > current || last->secsTo(current) > kDaySeconds) {
        check(false);
    }
}

void Updater::check(bool manual)
{
    if (m_task == Task::QuietCheck && manual) {
        // The quiet check's answer becomes this check's answer, so the sheet never waits for nothing.
        m_task = Task::ManualCheck;
        setPhase(Phase::Checking);
        return;
    }
    // Its new versions come from the package manager; the feed's would only be parked in Downloads.
    if (m_task != Task::None || m_packageManaged) {
        return;
    }
    m_task = manual ? Task::ManualCheck : Task::QuietCheck;
    ++m_checkCount;
    if (manual) {
        setPhase(Phase::Checking);
    }
    const std::optional<QUrl> address = feed();
    if (!address) {
        // Answered on the next turn, as a network answer would be: callers see one order of events.
        QTimer::singleShot(0, this, [this] {
            finishCheck(std::nullopt, UpdateError{UpdateFailure::Integrity,
                                                  QStringLiteral("the feed address is not an https address: %1")
                                                      .arg(m_options.feedOverride.value_or(m_settings->updateFeed()))});
        });
        return;
    }
    const FeedRequest request{*address, userAgent(), m_options.feedTimeoutMs, m_options.ssl};
    auto answered = [this](const FeedAnswer& answer) {
        if (!answer.body) {
            finishCheck(std::nullopt, UpdateError{answer.kind, answer.error});
            return;
        }
        const ManifestAnswer manifest = readManifest(*answer.body, m_currentVersion, m_options.systemVersion);
        if (const auto* error = std::get_if<UpdateError>(&manifest)) {
            finishCheck(std::nullopt, *error);
        } else if (const auto* release = std::get_if<UpdateRelease>(&manifest)) {
            finishCheck(*release, std::nullopt);
        } else {
            finishCheck(std::nullopt, std::nullopt);
        }
    };
    if (m_options.feedHelper.isEmpty()) {
        m_reply = requestFeed(network(), request, answered);
    } else {
        m_feedHelper = requestFeedInHelper(m_options.feedHelper, request, this, answered);
    }
}

void Updater::finishCheck(const std::optional<UpdateRelease>& release, const std::optional<UpdateError>& error)
{
    const bool manual = m_task == Task::ManualCheck;
    m_task = Task::None;
    if (error) {
        vsp::logFailure(QStringLiteral("update check"), error->error);
        if (manual) {
            m_failureMessage = checkFailureMessage(error->kind);
            setPhase(Phase::Failed);
        }
        Q_EMIT checkFinished();
        return;
    }
    m_settings->setUpdateChecked(now());
    m_settings->setUpdatePending(release ? release->version : QString());
    m_available = release;
    Q_EMIT availableChanged();
    if (manual) {
        m_offered = release;
        setPhase(release ? Phase::Found : Phase::Current);
    }
    Q_EMIT checkFinished();
}

void Updater::open()
{
    switch (m_phase) {
    case Phase::Idle:
    case Phase::Current:
    case Phase::Manual:
    case Phase::Failed:
        if (m_available) {
            m_offered = m_available;
            setPhase(Phase::Found);
        } else {
            check(true);
        }
        break;
    case Phase::Found:
    case Phase::Checking:
    case Phase::Downloading:
    case Phase::Installing: break;
    }
}

void Updater::dismiss()
{
    if (m_phase == Phase::Downloading || m_phase == Phase::Installing) {
        return;
    }
    setPhase(Phase::Idle);
}

void Updater::reveal(const QString& path) const
{
    if (m_options.reveal) {
        m_options.reveal(path);
    } else {
        vsp::revealInFiles(path);
    }
}

void Updater::install(const UpdateRelease& release)
{
    if (m_task != Task::None) {
        return;
    }
    m_task = Task::Install;
    m_installing = release;
    m_progress = 0;
    setPhase(Phase::Downloading);
    // The release came from a manifest that was checked, but a caller may hand in any value.
    if (!secureUrl(release.url.toString())) {
        failInstall({UpdateFailure::Integrity,
                     QStringLiteral("the archive address is not an https address: %1").arg(release.url.toString())});
        return;
    }
    // The version becomes the parked bundle's folder name.
    if (!isVersionText(release.version)) {
        failInstall({UpdateFailure::Other, QStringLiteral("the version cannot be shown on one line")});
        return;
    }
    QString error;
    m_work = makeWorkFolder(m_options.workBase.isEmpty() ? workFolderBase() : m_options.workBase, &error);
    if (m_work.isEmpty()) {
        failInstall({UpdateFailure::Other, error});
        return;
    }
    m_archivePath = m_work + QStringLiteral("/vesperlog-")
                    + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".zip");
    m_archive = std::make_unique<QFile>(m_archivePath);
    if (!m_archive->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        failInstall({UpdateFailure::Other, m_archive->errorString()});
        return;
    }
    QNetworkReply* reply =
        network().get(updaterRequest(release.url, userAgent(), m_options.downloadTimeoutMs, m_options.ssl));
    m_reply = reply;
    // The archive goes to its file as it arrives: the reply holds no more than this much at a time, so a
    // server that sends faster than the disk takes waits instead of filling memory.
    reply->setReadBufferSize(kDownloadBufferBytes);
    m_downloadCutOff.reset();
    const QPointer<QNetworkReply> guarded(reply);
    const auto cut = [this, guarded](const UpdateError& why) {
        if (guarded && guarded.data() == m_reply.data() && guarded->isRunning() && !m_downloadCutOff) {
            m_downloadCutOff = why;
            abortSoon(guarded);
        }
    };
    const qint64 most = m_options.downloadMaxBytes;
    const UpdateError tooLarge{UpdateFailure::TooLarge,
                               QStringLiteral("the archive is larger than %1").arg(vsp::megabytesText(most))};
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, cut, most, tooLarge] {
        // Once cut off, nothing more is written while the abort waits its turn.
        if (m_downloadCutOff) {
            return;
        }
        // Counted before it is written: the disk never holds more than the limit.
        if (m_archive && m_archive->size() + reply->bytesAvailable() > most) {
            cut(tooLarge);
            return;
        }
        if (m_archive && m_archive->write(reply->readAll()) < 0) {
            cut({UpdateFailure::Other, m_archive->errorString()});
        }
    });
    // The transfer time-out restarts with every byte; the deadline covers the whole download.
    auto deadline = [cut, ms = m_options.downloadDeadlineMs] {
        cut({UpdateFailure::Download, QStringLiteral("the download did not complete within %1 s").arg(ms / 1000.0)});
    };
    if (m_options.startTimer) {
        m_options.startTimer(m_options.downloadDeadlineMs, reply, deadline);
    } else {
        QTimer::singleShot(m_options.downloadDeadlineMs, reply, deadline);
    }
    connect(reply, &QNetworkReply::downloadProgress, this, [this, cut, most, tooLarge](qint64 received, qint64 total) {
        if (total > most) {
            cut(tooLarge);
            return;
        }
        // A late report never overwrites what came after the download.
        if (total < 1 || m_phase != Phase::Downloading) {
            return;
        }
        m_progress = std::min(1.0, double(received) / double(total));
        setPhase(Phase::Downloading);
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { archiveDownloaded(reply); });
}

void Updater::archiveDownloaded(QNetworkReply* reply)
{
    reply->deleteLater();
    if (m_downloadCutOff) {
        failInstall(*m_downloadCutOff);
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        failInstall({UpdateFailure::Download, replyFailure(reply)});
        return;
    }
    if (m_archive->size() + reply->bytesAvailable() > m_options.downloadMaxBytes) {
        failInstall(
            {UpdateFailure::TooLarge,
             QStringLiteral("the archive is larger than %1").arg(vsp::megabytesText(m_options.downloadMaxBytes))});
        return;
    }
    if (m_archive->write(reply->readAll()) < 0 || !m_archive->flush()) {
        failInstall({UpdateFailure::Download, m_archive->errorString()});
        return;
    }
    m_archive->close();
    setPhase(Phase::Installing);
    installArchive();
}

struct Updater::Unpacked {
    std::optional<FoundBundle> bundle;
    UpdateError error;
};

void Updater::installArchive()
{
    // Hashing and unpacking take long for a large archive, and a hostile one runs until a limit stops
    // it: on a thread of their own, so the window goes on drawing and answering meanwhile.
    auto work = [archive = m_archivePath, folder = m_work, sha256 = m_installing.sha256,
                 identifier = m_options.bundleIdentifier, unpack = m_options.unpack]() -> Unpacked {
        if (std::optional<UpdateError> error = verifyArchive(archive, sha256)) {
            return {std::nullopt, *error};
        }
        const QString unpacked = folder + QStringLiteral("/package");
        if (!QDir().mkdir(unpacked)) {
            return {std::nullopt, {UpdateFailure::Other, QStringLiteral("cannot make %1").arg(unpacked)}};
        }
        if (std::optional<UpdateError> error = unpack ? unpack(archive, unpacked) : unpackArchive(archive, unpacked)) {
            return {std::nullopt, *error};
        }
        Unpacked result;
        result.bundle = findBundle(unpacked, identifier, &result.error);
        return result;
    };
    if (m_unpacker.joinable()) {
        m_unpacker.join();
    }
    m_unpacking = true;
    m_unpacker = std::thread([this, work = std::move(work)] {
        Unpacked result = work();
        // Taken in by the event loop; should the updater go first, its destructor waits for this thread
        // and the posted call is dropped with it.
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { archiveUnpacked(result); }, Qt::QueuedConnection);
    });
}

void Updater::archiveUnpacked(const Unpacked& result)
{
    m_unpacking = false;
    if (!result.bundle) {
        failInstall(result.error);
        return;
    }
    const FoundBundle* fresh = &*result.bundle;
    QFile::remove(m_archivePath);

    const QString target = replaceableBundle(m_runningBundle);
    if (target.isEmpty()) {
        QString why;
        const QString downloads = m_options.downloads.isEmpty() ? downloadsFolder() : m_options.downloads;
        const QString parked = parkBundle(fresh->path, m_installing.version, downloads, &why);
        if (parked.isEmpty()) {
            failInstall({UpdateFailure::Other, why});
            return;
        }
        QDir(m_work).removeRecursively();
        m_work.clear();
        m_manualLocation = parked;
        reveal(parked);
        endInstall();
        setPhase(Phase::Manual);
        return;
    }
    // What is being edited is saved before anything is handed over; a user who keeps the app open stays.
    if (m_options.prepareToQuit && !m_options.prepareToQuit()) {
        failInstall({UpdateFailure::Other, QStringLiteral("the application was kept open")});
        return;
    }
    QString why;
    if (!startHandOver(m_work, m_options.pid ? m_options.pid : QCoreApplication::applicationPid(), fresh->path, target,
                       fresh->executable, &why)) {
        failInstall({UpdateFailure::Other, why});
        return;
    }
    // The script now owns the work folder; the phase stays Installing until the process ends.
    vsp::logLine(QStringLiteral("installing version %1; restarting").arg(m_installing.version));
    if (m_options.quit) {
        m_options.quit();
    } else {
        quitFromUpdate();
    }
}

void Updater::failInstall(const UpdateError& error)
{
    vsp::logFailure(QStringLiteral("update installation"), error.error);
    m_failureMessage = failureMessage(error.kind);
    if (!m_work.isEmpty()) {
        QDir(m_work).removeRecursively();
        m_work.clear();
    }
    endInstall();
    setPhase(Phase::Failed);
}

void Updater::endInstall()
{
    m_archive.reset();
    m_archivePath.clear();
    m_task = Task::None;
}

void Updater::quitFromUpdate()
{
    // Should the rest of the shutdown hang, the script would wait ten seconds and then end us by signal,
    // skipping whatever is left; ending ourselves sooner is kinder to the user waiting for the new copy.
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        std::_Exit(0);
    }).detach();
    QCoreApplication::exit(0);
}
