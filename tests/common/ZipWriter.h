#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace vsp::test {

/// Writes a zip archive entry by entry, stored without compression, with any name the test chooses
/// ("../x", "/etc/x", links): release archives, good and hostile, for the updater's tests.
class ZipWriter final {
public:
    /// A regular file with Unix permissions `mode` (0644, 0755, …).
    void addFile(const QString& name, const QByteArray& content, int mode = 0644);
    /// A regular file compressed with deflate: a few kilobytes in the archive can unpack to megabytes.
    void addDeflatedFile(const QString& name, const QByteArray& content, int mode = 0644);
    /// A folder; `name` gets a trailing "/".
    void addFolder(const QString& name, int mode = 0755);
    /// A symbolic link named `name` pointing at `target`.
    void addLink(const QString& name, const QString& target);
    /// A minimal Vesperlog bundle under `folder` ("Vesperlog.app"): bundle.json with `identifier` and
    /// `version`, and bin/vesperlog holding `program` with mode `programMode`.
    void addBundle(const QString& folder, const QString& identifier, const QString& version,
                   const QByteArray& program = "#!/bin/sh\nexit 0\n", int programMode = 0755);

    QByteArray bytes() const;
    /// Writes the archive to `path`; false when it cannot be written.
    bool write(const QString& path) const;

private:
    struct Entry {
        QByteArray name;
        /// The bytes as they stand in the archive.
        QByteArray data;
        quint32 attributes;
        /// 0 stored, 8 deflated.
        quint16 method = 0;
        /// The unpacked size and its CRC-32; for stored entries those of `data`.
        qint64 size = -1;
        quint32 crc = 0;
    };
    QList<Entry> m_entries;
};

/// The bundle.json text of a bundle.
QByteArray bundleManifest(const QString& identifier, const QString& version);

} // namespace vsp::test
