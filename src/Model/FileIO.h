#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
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

/// The largest file readWholeFile() reads (16 GiB): the journal's own files; a larger one is unreadable.
inline constexpr qint64 kMaxReadableFileBytes = qint64(1) << 34;
/// The largest photo and the largest recording taken into the journal (200 MiB).
inline constexpr qint64 kMaxPhotoBytes = qint64(200) << 20;
inline constexpr qint64 kMaxRecordingBytes = qint64(200) << 20;
/// The largest moods.json and notifications.json read (64 MiB): small files of the app's own state.
inline constexpr qint64 kMaxStateFileBytes = qint64(64) << 20;
/// The largest file an import reads (1 GiB).
inline constexpr qint64 kMaxImportBytes = qint64(1) << 30;

/// Reads a whole regular file of at most `maxBytes` bytes. The file is opened without blocking, so a
/// FIFO, a device (/dev/zero), a socket or a folder is refused at once as Unreadable ("… is not a
/// regular file") instead of hanging; a file larger than `maxBytes`, or one that grows past it while
/// being read, is refused as Unreadable ("the file is larger than N MB") before more than `maxBytes` + 1
/// bytes are held. A missing file (or a link leading nowhere) is Missing. `error` is set for Unreadable.
FileRead readFileBounded(const QString& path, qint64 maxBytes);

/// readFileBounded() with the journal's own limit, kMaxReadableFileBytes.
FileRead readWholeFile(const QString& path);

/// "N MB" for a byte count (whole mebibytes, rounded down).
QString megabytesText(qint64 bytes);

/// The one writer of every file the app makes or replaces. Writes the bytes to `path` atomically: a
/// temporary file beside it is written, flushed to the disk and renamed over the target, so a reader never
/// sees half a file. The new file is readable by its owner only (0600). Only a regular file is ever
/// replaced: when `path` is a symbolic link, the regular file it leads to is replaced (beside it) and the
/// link stays; a FIFO, socket, device or folder at the path or behind the link, and a link that leads
/// nowhere, are left as they are and the write fails (see writeRefusal()). On failure the old file stays,
/// no temporary file is left and `error` names the cause as the system does ("No space left on device",
/// "Permission denied", ...).
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

/// Why the one writer leaves `path` alone, or empty when it may write there: "<path> is not a regular
/// file" (a FIFO, socket, device or folder, also behind a link), "<name> is a link to <target>, which does
/// not exist", or the system's text for a chain of links that loops.
QString writeRefusal(const QString& path);

/// For a file the app reads back as its own (`name`, such as "moods.json"): the text that keeps it from
/// being written when `path` is a link and what it leads to could not be read as `what` (such as "a moods
/// file"): "<name> is a link to <target>, which could not be read as <what>; it is left unchanged". The
/// file behind a link may be another program's. Empty when `path` is no link.
QString foreignLinkBlock(const QString& path, const QString& name, const QString& what);

/// Writes all of `bytes` to the open file descriptor `fd`, going on after short writes and interruptions.
/// False when it could not, with the errno value in `code` (a write that makes no progress and names no
/// error counts as ENOSPC, a full disk); part of the bytes may have been written then.
bool writeAll(int fd, const QByteArray& bytes, int* code);

/// Takes one piece of a file's bytes; false when it could not be written (then nothing more is wanted).
using ByteSink = std::function<bool(const QByteArray& piece)>;
/// The same, with the bytes made while the file is written: `produce` hands them to the sink in order
/// and returns why it could not make them all (empty when it could). A failure of either leaves the old
/// file.
bool writeFileAtomically(const QString& path, const std::function<QString(const ByteSink& sink)>& produce,
                         QString* error = nullptr);

/// Removes the temporary files that writeFileAtomically() leaves beside the file `path` leads to when the
/// process is killed while writing: "." + its file name + "." + six letters or digits (".entries.json.
/// a1B2c3"). Only for files no other process can be writing at the time. Returns how many were removed;
/// a file that cannot be removed is skipped silently.
int removeStaleTemporaries(const QString& path);

/// The file a path finally leads to: the path itself when it is no symbolic link, else the end of its
/// chain of links (which need not exist). Empty for a chain that loops or runs longer than 32 links.
QString resolveLinks(const QString& path);

/// The system's text for an errno value ("No space left on device").
QString systemError(int code);

/// Makes the folder and its missing parents; an existing folder or a failure is not reported.
void ensureFolder(const QString& path);

/// Makes the folder and its missing parents and keeps the folder itself to its owner (see
/// restrictToOwner(); a new folder ends up 0700); failures are not reported.
void ensurePrivateFolder(const QString& path);

/// Takes every permission of the group and of others away from an existing file or folder, and leaves
/// the owner's as they are: the app never loosens what the user set (a folder made read-only stays
/// read-only). False when the mode could not be read or changed.
bool restrictToOwner(const QString& path);

/// Restricts an existing file to its owner (0600); false when the mode could not be changed.
bool makePrivate(const QString& path);

/// True when `name` is a single plain path component that can safely be joined to a folder: not empty,
/// not "." or "..", and without "/", "\\" or NUL.
bool isPlainFileName(const QString& name);

/// A name beside `path` that does not exist yet: `path` itself, or its base name followed by "-2", "-3", …
/// before the extension.
QString uniquePath(const QString& path);

} // namespace vsp
