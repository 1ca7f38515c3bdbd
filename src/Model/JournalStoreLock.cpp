#include "Model/JournalStoreLock.h"

#include "Model/FileIO.h"
#include "Model/Log.h"

#include <QFile>
#include <QLockFile>

JournalLock::JournalLock(const QString& folder) : m_folder(folder)
{ }

JournalLock::~JournalLock()
{
    if (m_lock && m_lock->isLocked()) {
        QFile::remove(addressPath());
        m_lock->unlock();
    }
}

QString JournalLock::lockPath() const
{
    return m_folder + QStringLiteral("/.vesperlog.lock");
}

QString JournalLock::addressPath() const
{
    return m_folder + QStringLiteral("/.vesperlog.address");
}

JournalLock::Result JournalLock::acquire(const QString& address)
{
    m_lock = std::make_unique<QLockFile>(lockPath());
    // Stale only by its holder: a process that is gone from this host. Age says nothing about a run
    // that lasts for days.
    m_lock->setStaleLockTime(0);
    bool locked = m_lock->tryLock(0);
    if (!locked && m_lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString app;
        if (!m_lock->getLockInfo(&pid, &host, &app)) {
            // Empty or unreadable: left by a crash between making the file and writing it.
            m_lock->removeStaleLockFile();
            locked = m_lock->tryLock(0);
        }
    }
    if (locked) {
        // It names this host and process; QLockFile makes it readable by everyone.
        vsp::restrictToOwner(lockPath());
        if (!address.isEmpty()) {
            QString error;
            if (!vsp::writeFileAtomically(addressPath(), address.toUtf8(), &error)) {
                vsp::logFailure(QStringLiteral("journal lock"), error);
            }
        }
        return Result::Acquired;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        vsp::logFailure(QStringLiteral("journal lock"), QStringLiteral("%1 could not be made").arg(lockPath()));
        return Result::Unavailable;
    }
    QString app;
    m_lock->getLockInfo(&m_holderPid, &m_holderHost, &app);
    m_holderAddress = QString::fromUtf8(vsp::readWholeFile(addressPath()).bytes).trimmed();
    return Result::HeldElsewhere;
}
