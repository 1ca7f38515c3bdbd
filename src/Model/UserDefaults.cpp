#include "Model/UserDefaults.h"

#include "Model/FileIO.h"
#include "Model/Log.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>

#include <cmath>

UserDefaults& UserDefaults::instance()
{
    static UserDefaults* defaults = new UserDefaults;
    return *defaults;
}

namespace {

constexpr QFileDevice::Permissions ownerPermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

std::unique_ptr<QSettings> openSettings(QObject* filter)
{
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                QStringLiteral("Vesperlog"), QStringLiteral("Vesperlog"));
    // Every write of the file goes through writeThrough(): QSettings's own deferred write would wait on
    // the lock with none of its checks.
    settings->installEventFilter(filter);
    return settings;
}

} // namespace

UserDefaults::UserDefaults() : m_settings(openSettings(this)), m_retry(new QTimer(this))
{
    // The file holds the unsaved New Entry draft, the user's name and the pins: an older copy of the app
    // left it readable by everyone.
    keepPrivate();
    m_retry->setSingleShot(true);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &UserDefaults::writeThrough);
    // A write postponed by a held lock would otherwise wait for a timer that no longer fires.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (m_unwritten) {
                writeThrough();
            }
        });
    }
}

bool UserDefaults::eventFilter(QObject* watched, QEvent* event)
{
    return watched == m_settings.get() && event->type() == QEvent::UpdateRequest;
}

bool UserDefaults::contains(const QString& key) const
{
    return m_settings->contains(key);
}

QVariant UserDefaults::value(const QString& key) const
{
    return m_settings->value(key);
}

void UserDefaults::setValue(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
    changed(key);
}

void UserDefaults::remove(const QString& key)
{
    if (!m_settings->contains(key)) {
        return;
    }
    m_settings->remove(key);
    changed(key);
}

void UserDefaults::changed(const QString& key)
{
    m_unwritten = true;
    if (m_batchDepth == 0) {
        writeThrough();
    }
    Q_EMIT valueChanged(key);
}

void UserDefaults::beginBatch()
{
    ++m_batchDepth;
}

void UserDefaults::endBatch()
{
    Q_ASSERT(m_batchDepth > 0);
    if (--m_batchDepth == 0 && m_unwritten) {
        writeThrough();
    }
}

void UserDefaults::writeThrough()
{
    // QSettings otherwise writes from the event loop, which no longer runs once the application is
    // quitting, and this object is never destroyed: a draft kept on quit would never reach the disk.
    QString holder;
    if (!freeLock(&holder)) {
        if (!m_lockReported) {
            vsp::logFailure(QStringLiteral("settings save"),
                            QStringLiteral("%1.lock is held by %2; trying again in %3 s")
                                .arg(m_settings->fileName(), holder)
                                .arg(kRetryMs / 1000));
            m_lockReported = true;
        }
        m_retry->start();
        return;
    }
    m_retry->stop();
    m_lockReported = false;
    m_unwritten = false;
    if (m_writeFailed) {
        reopen();
    }
    // Made by hand first: QSettings would make the folder readable by everyone.
    vsp::ensurePrivateFolder(QFileInfo(m_settings->fileName()).path());
    const QString file = m_settings->fileName();
    // QSettings writes the file itself: the one writer's rule is applied to its target first, so a FIFO
    // or a device behind the name is never replaced.
    if (const QString refusal = vsp::writeRefusal(file); !refusal.isEmpty()) {
        vsp::logFailure(QStringLiteral("settings save"), refusal);
        return;
    }
    const bool existed = QFileInfo::exists(file);
    const QFileDevice::Permissions owner = QFile::permissions(file) & ownerPermissions;
    m_settings->sync();
    m_writeFailed = m_settings->status() == QSettings::AccessError;
    // The new file QSettings puts in place gets the owner's rights of the old one back: a file the user
    // made read-only stays so.
    if (existed && (QFile::permissions(file) & ownerPermissions) != owner) {
        QFile::setPermissions(file, owner);
    }
    keepPrivate();
    if (m_writeFailed) {
        vsp::logFailure(QStringLiteral("settings save"),
                        QStringLiteral("%1 could not be written").arg(m_settings->fileName()));
    }
}

void UserDefaults::keepPrivate()
{
    // QSettings replaces the file at each write (a new file, by the system's default mode, when none was
    // there): it is kept to its owner after every write.
    const QString file = m_settings->fileName();
    if (QFileInfo::exists(file)) {
        vsp::restrictToOwner(QFileInfo(file).path());
        vsp::restrictToOwner(file);
    }
}

void UserDefaults::reopen()
{
    // A QSettings object keeps its first failure for good: its status never returns to NoError, so
    // every later write would be reported as failed although the file can be written again. A fresh
    // object starts clean. It is made while the old one still lives, so the unwritten values Qt keeps
    // per file are carried over (the fresh object's first read writes them); the copy below makes the
    // fresh object hold exactly this run's values in any case.
    QHash<QString, QVariant> values;
    for (const QString& key : m_settings->allKeys()) {
        values.insert(key, m_settings->value(key));
    }
    std::unique_ptr<QSettings> fresh = openSettings(this);
    for (const QString& key : fresh->allKeys()) {
        if (!values.contains(key)) {
            fresh->remove(key);
        }
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (fresh->value(it.key()) != it.value()) {
            fresh->setValue(it.key(), it.value());
        }
    }
    m_settings = std::move(fresh);
}

bool UserDefaults::freeLock(QString* holder)
{
    // QSettings waits for its lock without limit and judges an empty one stale only after 30 s: a
    // process killed while writing the file froze the next save for that long.
    QLockFile lock(m_settings->fileName() + QStringLiteral(".lock"));
    if (lock.tryLock(kLockWaitMs)) {
        return true; // released again (and removed) as `lock` goes
    }
    if (lock.error() != QLockFile::LockFailedError) {
        // The lock cannot even be made (a missing or read-only folder): the write itself creates the
        // folder or reports the failure.
        return true;
    }
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock.getLockInfo(&pid, &host, &application)) {
        *holder = QStringLiteral("%1 (process %2 on %3)").arg(application).arg(pid).arg(host);
        return false;
    }
    // Still empty or unreadable after the wait: a live writer fills its lock the moment it makes it, so
    // this one was left by a process that was killed.
    lock.removeStaleLockFile();
    return true;
}

QString UserDefaults::string(const QString& key, const QString& fallback) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QString) {
        return fallback;
    }
    return v.toString();
}

bool UserDefaults::boolean(const QString& key, bool fallback) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid()) {
        return fallback;
    }
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool();
    }
    // The INI file keeps booleans as text.
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString();
        if (text == QLatin1String("true")) {
            return true;
        }
        if (text == QLatin1String("false")) {
            return false;
        }
    }
    return fallback;
}

double UserDefaults::number(const QString& key, double fallback) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid()) {
        return fallback;
    }
    bool ok = false;
    double result = 0;
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: result = v.toDouble(&ok); break;
    case QMetaType::QString: result = v.toString().toDouble(&ok); break;
    default: break;
    }
    return ok && std::isfinite(result) ? result : fallback;
}

qint64 UserDefaults::integer(const QString& key, qint64 fallback) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid()) {
        return fallback;
    }
    bool ok = false;
    qint64 result = 0;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt: result = v.toLongLong(&ok); break;
    case QMetaType::QString: result = v.toString().toLongLong(&ok); break;
    default: break;
    }
    return ok ? result : fallback;
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QByteArray) {
        return std::nullopt;
    }
    return v.toByteArray();
}

void UserDefaults::sync()
{
    m_unwritten = true;
    writeThrough();
}

void UserDefaults::clearAll()
{
    m_settings->clear();
    m_unwritten = true;
    writeThrough();
}

QString UserDefaults::fileName() const
{
    return m_settings->fileName();
}
