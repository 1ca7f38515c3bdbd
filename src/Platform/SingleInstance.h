#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLockFile;

/// Keeps one running Vesperlog per user, so two processes never write the same journal.
///
/// The first process listens on a local socket; a later one finds it, asks it to come forward and then
/// should exit. The check and the start of listening happen under a lock file, so two launches at the
/// same moment cannot both become the first. Main thread only.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    /// `serverName` is the socket's name or absolute path; empty means `defaultServerName()`.
    explicit SingleInstance(const QString& serverName = QString(), QObject* parent = nullptr);
    ~SingleInstance() override;

    /// The per-user socket: "vesperlog.sock" in the user's runtime folder ($XDG_RUNTIME_DIR, or the
    /// private folder Qt makes when it is unset), or "vesperlog-<uid>" in the temporary folder when even
    /// that is impossible.
    static QString defaultServerName();

    /// What acquire() found.
    enum class Outcome {
        /// This process is the running instance now.
        Primary,
        /// Another instance acknowledged the request to come forward: this launch should end.
        HandedOver,
        /// Another instance holds the name but did not answer within the time-out (hung, or busy for
        /// that long): this launch must neither take the name over nor open the journal.
        NotAnswering,
    };
    Q_ENUM(Outcome)

    /// Becomes the running instance (Primary); or, when another instance listens, asks it to come
    /// forward, waiting up to `timeoutMs` milliseconds for its acknowledgement (HandedOver). An instance
    /// that accepts the connection but does not answer in time is not counted as reached
    /// (NotAnswering, with one line printed); its name is left to it. A socket left behind by a crashed
    /// process is removed and taken over. When listening fails for another reason, returns Primary (the
    /// journal must stay usable) after printing one line.
    Outcome acquire(int timeoutMs = 2000);

    bool isPrimary() const { return m_server != nullptr; }

    /// Asks the instance listening under `serverName` to come forward; true when it acknowledged within
    /// `timeoutMs` milliseconds. A connection that is accepted but never answered is not counted.
    static bool askToComeForward(const QString& serverName, int timeoutMs = 2000);
    QString serverName() const { return m_name; }

Q_SIGNALS:
    /// Another launch asked this instance to bring its main window forward.
    void activationRequested();

private:
    /// What a launch finds under the name: nobody listening, a live instance that acknowledged, or a
    /// live instance that accepted the connection but did not answer in time (busy starting up, say).
    enum class Answer { Nobody, Acknowledged, Busy };
    static Answer signalRunningInstance(const QString& name, int timeoutMs);

    QString m_name;
    QLocalServer* m_server = nullptr;
};
