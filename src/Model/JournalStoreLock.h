#pragma once

#include <QString>

#include <memory>

class QLockFile;

/// The claim of one running Vesperlog on a journal folder, held for the whole run, so two copies of the
/// app (another desktop session, `su`, a terminal with other runtime folders) never both write
/// entries.json. The lock file is ".vesperlog.lock" in the folder; beside it, ".vesperlog.address" names
/// the holder's single-instance socket so a later launch can ask it to come forward.
class JournalLock final {
public:
    enum class Result {
        /// This process holds the journal now.
        Acquired,
        /// A live process holds it (on this host, or any process on another host).
        HeldElsewhere,
        /// The lock file could not be made (a read-only folder, say): the journal stays usable.
        Unavailable,
    };

    explicit JournalLock(const QString& folder);
    ~JournalLock();
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

    /// Takes the lock without waiting. A lock left by a process that no longer runs on this host, or
    /// left empty by a crash, is taken over; one from another host is only ever taken over by hand.
    /// `address` (may be empty) is written beside the lock for later launches.
    Result acquire(const QString& address);

    /// The holder found by a failed acquire(): its process id (0 when unknown), host name and address.
    qint64 holderPid() const { return m_holderPid; }
    QString holderHost() const { return m_holderHost; }
    QString holderAddress() const { return m_holderAddress; }

    QString lockPath() const;
    QString addressPath() const;

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    qint64 m_holderPid = 0;
    QString m_holderHost;
    QString m_holderAddress;
};
