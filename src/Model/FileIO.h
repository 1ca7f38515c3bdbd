#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vsp {

/// The outcome of reading a whole file.
struct FileRead {
    enum class Status { Ok, Missing, Unreadable };
    Status status = Status::Missing;
    /// The bytes; their buffer has spare room at the end so the JSON parser can read them in place.
    QByteArray bytes;
    QString error;
};

/// Reads a whole file. A missing file is told apart from one that exists but cannot be read.
FileRead readWholeFile(const QString& path);

/// Writes the bytes to `path` atomically: a temporary file beside it is written, flushed and renamed over
/// the target, so a reader never sees half a file. On failure the old file stays and `error` says why.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

/// Makes the folder and its missing parents; an existing folder or a failure is not reported.
void ensureFolder(const QString& path);

/// True when `name` is a single plain path component that can safely be joined to a folder: not empty,
/// not "." or "..", and without "/", "\\" or NUL.
bool isPlainFileName(const QString& name);

/// A name beside `path` that does not exist yet: `path` itself, or its base name followed by "-2", "-3", …
/// before the extension.
QString uniquePath(const QString& path);

} // namespace vsp
