#pragma once

#include "Update/UpdateRelease.h"

#include <QString>

#include <optional>

/// The file work of an installation: the private work folder, verifying and unpacking the archive,
/// finding the new bundle in it, and putting that bundle where it goes, either in place of the running
/// copy through the hand-over script or parked in the Downloads folder. QtCore only; main thread, except
/// verifyArchive(), unpackArchive() and findBundle(), which the updater runs on a worker thread.
namespace vsp::update {

/// Work folders are named this prefix and a new UUID; the hand-over script deletes no other folder.
inline QString workFolderPrefix()
{
    return QStringLiteral("vesperlog-update-");
}

/// Makes a new private work folder (mode 0700) under `base` (normally the user's cache folder, so it
/// shares a file system with Downloads): `base`/vesperlog-update-<UUID>. Empty, with `error` set, when
/// it cannot be made.
QString makeWorkFolder(const QString& base, QString* error);
/// `$XDG_CACHE_HOME/Vesperlog`, where work folders are made.
QString workFolderBase();

/// Checks the file's SHA-256 against `sha256` (lower-case hex), reading 1 MiB at a time. A file that
/// cannot be opened is a Download failure, a read error an Other one, a different digest an Integrity one.
std::optional<UpdateError> verifyArchive(const QString& archive, const QString& sha256);
/// The SHA-256 of a file as 64 lower-case hex digits; empty when it cannot be read.
QString sha256Of(const QString& path);

/// The most an archive may unpack to. A bundle of this application is a few hundred files and well
/// under 200 MB; the limits leave room for growth and stop an archive that expands without end.
struct UnpackLimits {
    /// Bytes of all files together, and of any one file.
    qint64 totalBytes = qint64(2) << 30;
    qint64 fileBytes = qint64(1) << 30;
    /// Entries of every kind (files, folders, links).
    int entries = 50000;
};

/// Unpacks the zip `archive` into the existing folder `folder`. Before anything is written every entry is
/// checked: a name that is absolute or has a ".." part, an entry below a symbolic link of the archive, a
/// link pointing outside the archive's tree or to an absolute path, a hard link, a device or more entries
/// than `limits` allow refuses the whole package, as does any warning while reading or writing. While
/// writing, the bytes actually unpacked are counted: a file or a total past `limits` refuses the package
/// at once (what was written stays in `folder` for the caller to remove). Permissions keep only the 0777
/// bits. A Package failure on any refusal. Any thread; the caller's thread is busy until it returns.
std::optional<UpdateError> unpackArchive(const QString& archive, const QString& folder,
                                         const UnpackLimits& limits = {});

/// The bundle unpacked into `folder`: its first top-level folder (by name) whose name ends in ".app"
/// (case-sensitive), whose manifest carries `identifier` and whose executable is a regular file with the
/// owner's execute bit. A Package failure otherwise. `manifest` receives the bundle's manifest.
struct FoundBundle {
    QString path;
    QString executable;
};
std::optional<FoundBundle> findBundle(const QString& folder, const QString& identifier, UpdateError* error);

/// The running bundle when it may replace itself: `runningBundle` is not empty, the program does not run
/// from an AppImage, and both the bundle and its parent folder are writable (a read-only mount is not).
/// Empty otherwise.
QString replaceableBundle(const QString& runningBundle);

/// A version text made safe as part of a file name: "/" and NUL become "-", leading dots go, at most 64
/// characters are kept; "unknown" when nothing is left.
QString fileNameSafeVersion(const QString& version);

/// Moves `bundle` into `downloads` (made when missing) as "Vesperlog <version>.app", or "Vesperlog
/// <version> (n).app" with n = 2, 3, … when the name is taken; never replaces anything. A move across
/// file systems copies and then deletes. Returns the new path; empty with `error` set on failure (an
/// Other failure; the bundle stays where it was).
QString parkBundle(const QString& bundle, const QString& version, const QString& downloads, QString* error);
/// The user's Downloads folder: the desktop's setting, else ~/Downloads.
QString downloadsFolder();

/// The hand-over script (POSIX sh). Arguments: the pid to wait for, the new bundle, the bundle to
/// replace, the work folder holding the new bundle, and the executable's path inside the bundle.
QString installScript();
/// Writes the script into `workFolder` and starts it detached with /bin/sh, outliving this process.
/// Returns false with `error` set when it could not be written or started.
bool startHandOver(const QString& workFolder, qint64 pid, const QString& fresh, const QString& target,
                   const QString& executable, QString* error);

} // namespace vsp::update
