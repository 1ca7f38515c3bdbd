#pragma once

#include <QObject>
#include <QSettings>
#include <QTimer>
#include <QVariant>

#include <memory>

/// The storage under AppSettings, and only used by it: one INI-style file, organisation "Vesperlog",
/// application "Vesperlog" ($XDG_CONFIG_HOME/Vesperlog/Vesperlog.conf). Every reader and writer in the
/// process goes through this one object, so a write is seen at once by every other reader and announced
/// once per key.
///
/// The typed readers return the default when the key is absent or holds a value of another type.
/// Nothing is written until a value is set: defaults live with the readers.
///
/// The file is written at once after every change, or once at the end of a batch. A write never waits
/// more than kLockWaitMs for the file's lock ("Vesperlog.conf.lock"): an empty or unreadable lock, which
/// a process killed while writing leaves behind, is removed as stale; a lock a live process keeps holding
/// postpones the write, which is tried again kRetryMs later, at the next change and when the application
/// quits. A write that failed (a full disk, a folder in the way) is tried again at the next change and
/// succeeds once the file can be written again; nothing set meanwhile is lost.
///
/// The file and its folder are their owner's alone (0600 and 0700 when this object makes them; an
/// existing one loses the group's and others' permissions, after every write too).
class UserDefaults final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UserDefaults)

public:
    static UserDefaults& instance();

    bool contains(const QString& key) const;
    /// The raw stored value; invalid when absent.
    QVariant value(const QString& key) const;
    /// Stores the value and writes the settings file at once; a file that cannot be written prints
    /// "Vesperlog: settings save failed — …" and the value stays readable for this run.
    void setValue(const QString& key, const QVariant& value);
    /// Removes the key and writes the settings file at once, like setValue().
    void remove(const QString& key);

    QString string(const QString& key, const QString& fallback) const;
    bool boolean(const QString& key, bool fallback) const;
    double number(const QString& key, double fallback) const;
    qint64 integer(const QString& key, qint64 fallback) const;
    /// Data values (JSON kept in the settings); nothing when absent or not data.
    std::optional<QByteArray> data(const QString& key) const;

    /// Until the matching endBatch(), changes are kept and announced but the file is not written; the
    /// outermost endBatch() writes it once when anything changed. Nests.
    void beginBatch();
    void endBatch();

    /// Writes pending changes to disk now (as a change outside a batch would).
    void sync();
    /// Forgets every key (used by tests to start from a first launch).
    void clearAll();
    /// The settings file's path.
    QString fileName() const;

    static constexpr int kLockWaitMs = 300;
    static constexpr int kRetryMs = 2000;

Q_SIGNALS:
    void valueChanged(const QString& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    UserDefaults();
    void changed(const QString& key);
    void writeThrough();
    /// Whether the file may be written now; when a live process holds its lock, false and `holder` names it.
    bool freeLock(QString* holder);
    /// Takes the group's and others' permissions away from the file and its folder, when the file exists.
    void keepPrivate();
    /// Replaces m_settings by a fresh object holding exactly the same values.
    void reopen();

    std::unique_ptr<QSettings> m_settings;
    QTimer* m_retry = nullptr;
    int m_batchDepth = 0;
    bool m_unwritten = false;
    bool m_lockReported = false;
    bool m_writeFailed = false;
};
