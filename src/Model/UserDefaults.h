#pragma once

#include <QObject>
#include <QSettings>
#include <QVariant>

#include <memory>

/// The user's settings: one INI-style file, organisation "Vesperlog", application "Vesperlog"
/// ($XDG_CONFIG_HOME/Vesperlog/Vesperlog.conf). Every reader and writer in the process goes through this
/// one object, so a write is seen at once by every other reader and announced once per key.
///
/// The typed readers return the default when the key is absent or holds a value of another type.
/// Nothing is written until a value is set: defaults live with the readers.
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

    /// Writes pending changes to disk.
    void sync();
    /// Forgets every key (used by tests to start from a first launch).
    void clearAll();
    /// The settings file's path.
    QString fileName() const;

Q_SIGNALS:
    void valueChanged(const QString& key);

private:
    UserDefaults();
    void writeThrough();
    std::unique_ptr<QSettings> m_settings;
};
