#pragma once

#include "Update/UpdateRelease.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <thread>

class AppSettings;
class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QProcess;

/// The one object through which the application finds, fetches and installs its new versions. Views
/// render `phase` (with its payload: the offered release, the download fraction, the parked location or
/// the failure message) and `available`, the newer release the last successful check found.
///
/// A check asks the feed (an https address only, never with TLS errors ignored, 15 s without data ends
/// it) and remembers the answer in "vesperlog.updateChecked" and "vesperlog.updatePending". An
/// installation downloads the archive (60 s without data, 30 minutes in all or more than 1 GiB end it)
/// into a private work folder, checks its SHA-256 against the feed's, unpacks it safely within size limits
/// on a worker thread (the window stays responsive) and checks that it holds a Vesperlog bundle; then it
/// either hands over to a detached script that swaps the running bundle and starts the new one (the
/// application quits), or, where the running copy may not replace itself, parks the new bundle in the
/// Downloads folder and shows it there. Failures end in phase Failed with one message per kind and one
/// "Vesperlog: … failed — …" line; nothing is raised to callers. Integrity rests on the SHA-256 published
/// in a manifest fetched over TLS; releases carry no signature.
///
/// One check or installation runs at a time: a further call while one runs changes nothing, except that
/// a check on request during a quiet check shows that check's result. Main thread only.
class Updater final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Updater)
    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)

public:
    enum class Phase { Idle, Checking, Current, Found, Downloading, Installing, Manual, Failed };
    Q_ENUM(Phase)
    using Release = UpdateRelease;

    /// What the updater works with; every field has a working default, tests replace them.
    struct Options {
        /// The running version; empty means the running bundle's, else the application's, else "0.0".
        QString currentVersion;
        /// The bundle a new release must carry.
        QString bundleIdentifier;
        /// The running bundle folder; empty means the one the program runs from (if any).
        QString runningBundle;
        bool findRunningBundle = true;
        /// Whether the package manager installed this copy; none means found from the running program
        /// (bundle::isPackageManaged).
        std::optional<bool> packageManaged;
        /// Compared with a release's "minimumSystem"; empty means the Qt runtime's version.
        QString systemVersion;
        /// Where work folders are made; empty means the user's cache folder.
        QString workBase;
        /// Where a new bundle is parked; empty means the user's Downloads folder.
        QString downloads;
        /// The feed address override; none means the stored "vesperlog.updateFeed".
        std::optional<QString> feedOverride;
        /// The process the hand-over script waits for; 0 means this one.
        qint64 pid = 0;
        /// Now; empty means the system clock.
        std::function<QDateTime()> clock;
        /// The network; null means one of the updater's own.
        QNetworkAccessManager* network = nullptr;
        /// TLS settings for every request (tests trust their own certificate this way); none means Qt's.
        std::optional<QSslConfiguration> ssl;
        /// The program that asks for the feed (this application's, started with the feed helper
        /// argument), so that the TLS libraries never load into the application for a check; empty
        /// means the request is made in this process.
        QString feedHelper;
        /// Longest time without data, in ms, for the feed and for the archive.
        int feedTimeoutMs = 15000;
        int downloadTimeoutMs = 60000;
        /// The longest the whole archive download may take, in ms, however steadily data comes: a server
        /// sending a byte now and then cannot hold it open for ever.
        int downloadDeadlineMs = 30 * 60 * 1000;
        /// The largest archive downloaded, in bytes; a larger one, announced or arriving, ends the download.
        qint64 downloadMaxBytes = qint64(1) << 30;
        /// Calls `fire` once, on the main thread, `ms` milliseconds from now, unless `context` is gone by
        /// then; empty means a QTimer. Tests fire the download deadline themselves through this.
        std::function<void(int ms, QObject* context, std::function<void()> fire)> startTimer;
        /// Unpacks the archive into the folder, as vsp::update::unpackArchive() does (the default, with its
        /// limits); runs on a worker thread.
        std::function<std::optional<UpdateError>(const QString& archive, const QString& folder)> unpack;
        /// Shows a parked bundle in the file manager; empty means the desktop's.
        std::function<void(const QString& path)> reveal;
        /// Asked before the hand-over: saves what is pending and says whether the application may quit.
        std::function<bool()> prepareToQuit;
        /// Ends the application after the hand-over started; empty means quitFromUpdate().
        std::function<void()> quit;
    };

    explicit Updater(QObject* parent = nullptr);
    explicit Updater(Options options, QObject* parent = nullptr);
    ~Updater() override;

    Phase phase() const { return m_phase; }
    /// Whether this copy was installed by the package manager, which then brings its new versions: the
    /// updater never asks the feed for it.
    bool packageManaged() const { return m_packageManaged; }
    /// The release of phase Found.
    std::optional<UpdateRelease> offered() const { return m_offered; }
    /// The download fraction of phase Downloading, 0 to 1.
    double progress() const { return m_progress; }
    /// Where phase Manual parked the new bundle.
    QString manualLocation() const { return m_manualLocation; }
    /// The message of phase Failed.
    QString failureMessage() const { return m_failureMessage; }

    /// The newer release found by the last successful check, if any.
    std::optional<UpdateRelease> available() const { return m_available; }
    /// When the last successful check ended ("vesperlog.updateChecked"); nothing before the first.
    std::optional<QDateTime> lastCheck() const;
    QString currentVersion() const { return m_currentVersion; }
    /// The feed asked: the built-in address, or the "vesperlog.updateFeed" override when that is an https
    /// address; nothing for an override that is not (every check then fails).
    std::optional<QUrl> feed() const;

    /// The user-facing message of a failed installation step.
    static QString failureMessage(UpdateFailure failure);
    /// The message of a failed check on request: a feed that did not answer (Download) asks the user
    /// to check the connection; one that answered with something that is no readable manifest says so.
    static QString checkFailureMessage(UpdateFailure failure);

    /// The quiet check at launch: nothing when `enabled` is false or the copy is package-managed; otherwise a check without interface
    /// when a pending version newer than the running one is stored, or when the last check is more than
    /// 86400 s ago (never, or a time in the future, count as long ago). Failures leave no trace.
    void checkQuietly(bool enabled);
    /// One check of the feed; `manual` when the user asked, which shows Checking and then Found, Current or
    /// Failed. Ends with checkFinished(). Nothing at all for a package-managed copy.
    void check(bool manual);
    /// Downloads, verifies and installs `release`: Downloading, Installing, then Manual, Failed, or the
    /// hand-over and the application's end.
    void install(const UpdateRelease& release);
    /// Before the update sheet is shown: in Idle, Current, Manual or Failed, shows the known release
    /// (Found) or starts a check on request when none is known. Otherwise nothing.
    void open();
    /// When the update sheet closes: back to Idle unless a download or installation runs.
    void dismiss();
    /// Shows `path` (a parked bundle) in the file manager.
    void reveal(const QString& path) const;

    /// Number of checks started so far (quiet and on request).
    int checkCount() const { return m_checkCount; }

    /// The default end after a hand-over: leaves the event loop, and ends the process 1.2 s later in case
    /// the rest of the shutdown hangs.
    static void quitFromUpdate();

Q_SIGNALS:
    /// Every assignment of the phase or its payload.
    void phaseChanged();
    void availableChanged();
    void checkFinished();

private:
    enum class Task { None, QuietCheck, ManualCheck, Install };

    QNetworkAccessManager& network();
    QDateTime now() const;
    QString userAgent() const;
    void setPhase(Phase phase);
    void finishCheck(const std::optional<UpdateRelease>& release, const std::optional<UpdateError>& error);
    void archiveDownloaded(QNetworkReply* reply);
    /// Checks and unpacks the archive on a worker thread; the outcome comes back to archiveUnpacked().
    void installArchive();
    struct Unpacked;
    void archiveUnpacked(const Unpacked& result);
    void failInstall(const UpdateError& error);
    void endInstall();

    Options m_options;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<QNetworkAccessManager> m_ownNetwork;
    QString m_currentVersion;
    QString m_runningBundle;
    bool m_packageManaged = false;
    Phase m_phase = Phase::Idle;
    std::optional<UpdateRelease> m_offered;
    double m_progress = 0;
    QString m_manualLocation;
    QString m_failureMessage;
    std::optional<UpdateRelease> m_available;
    Task m_task = Task::None;
    int m_checkCount = 0;
    // The installation under way.
    UpdateRelease m_installing;
    QString m_work;
    QString m_archivePath;
    std::unique_ptr<QFile> m_archive;
    QPointer<QNetworkReply> m_reply;
    /// Why this side cut the download off (too large, past its deadline); empty otherwise.
    std::optional<UpdateError> m_downloadCutOff;
    /// The thread checking and unpacking the archive; `m_unpacking` while its outcome is not taken in.
    std::thread m_unpacker;
    bool m_unpacking = false;
    QPointer<QProcess> m_feedHelper;
};
