#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QUrl>

/// A release the update feed offers.
struct UpdateRelease {
    /// Exactly as the feed gives it; shown only as plain text.
    QString version;
    /// One entry per line shown; empty when the feed gives none.
    QStringList notes;
    /// The zip archive: always an absolute https address with a host.
    QUrl url;
    /// The archive's SHA-256, 64 lower-case hexadecimal digits as the feed gave them (lower-cased).
    QString sha256;
    /// The announced archive size in bytes; 0 when the feed gives none. Shown, never compared.
    qint64 bytes = 0;
    /// The release day; invalid when the feed gives none or it does not parse.
    QDate date;
    bool operator==(const UpdateRelease&) const = default;
};

/// Why an update step failed; each kind has one message for the user (Updater::failureMessage).
enum class UpdateFailure {
    /// The feed or archive server answered other than HTTP 200, the transfer failed or timed out, or the
    /// downloaded file could not be opened.
    Download,
    /// An address that is not absolute https with a host, an empty hash, or a hash that does not match.
    Integrity,
    /// The archive could not be unpacked safely, holds no Vesperlog bundle, or another application.
    Package,
    /// The feed or the archive is larger than the updater takes (a feed of over 1 MiB is not a
    /// manifest; an archive has its own limit).
    TooLarge,
    /// Anything else: a folder or file that could not be made or moved, a script that did not start, a
    /// manifest that could not be read.
    Other,
};

/// A failed step: its kind, and what went wrong in words for the "Vesperlog: … failed — …" line.
struct UpdateError {
    UpdateFailure kind = UpdateFailure::Other;
    QString error;
};
