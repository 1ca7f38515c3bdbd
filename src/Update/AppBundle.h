#pragma once

#include <QString>

#include <optional>

/// The installed application's folder, the stand-in for an application bundle: "Vesperlog.app/" holding
/// "bin/vesperlog" and "bundle.json" (its identifier, version texts and executable). A release archive
/// is a zip of such a folder. QtCore only.
namespace vsp::bundle {

/// The identifier every Vesperlog bundle carries; the desktop entry and the metainfo use it too.
inline QString identifier()
{
    return QStringLiteral("app.vesperlog.Vesperlog");
}

/// What a bundle's "bundle.json" says.
struct BundleManifest {
    QString identifier;
    /// "shortVersion", the version shown to the user ("0.2.0").
    QString shortVersion;
    /// "build", the build number.
    QString build;
    /// "executable": the program's path inside the bundle ("bin/vesperlog"); relative, without "..".
    QString executable;
    bool operator==(const BundleManifest&) const = default;
};

/// The manifest of the bundle folder `bundlePath`, or nothing when it has no readable "bundle.json", when
/// that is not a JSON object, or when "identifier" or "executable" is missing, not a text, or the
/// executable's path is absolute or climbs out with "..". Version texts absent are empty.
std::optional<BundleManifest> readManifest(const QString& bundlePath);

/// The bundle the running program belongs to: the folder above the executable's folder when its name ends
/// in ".app" and it holds a readable manifest; empty otherwise (a build tree, a system install).
QString runningBundlePath();

/// Whether the program at `executable` (an absolute path) belongs to Debian's package manager: it lies
/// under "/usr/" (not "/usr/local/") and the file list dpkg keeps for the "vesperlog" package in
/// `dpkgInfo` names it. A list that is missing, unreadable or larger than 4 MiB counts as not. Such a copy
/// is updated by the package manager, never by the updater.
bool isPackageManaged(const QString& executable, const QString& dpkgInfo = QStringLiteral("/var/lib/dpkg/info"));

/// The "Exec" value that runs `program` (an absolute path): the path in double quotes with the characters
/// the desktop entry format reserves escaped, so spaces and "$" in folder names survive. Empty when the
/// path holds a control character (a line break cannot be written into an entry).
QString desktopExec(const QString& program);

/// The desktop entry of a bundle install: `entry` (the bundle's own desktop entry text) with its "Exec"
/// running `program` and its "Icon" the absolute path `icon`. Empty when desktopExec is.
QString bundleDesktopEntry(const QString& entry, const QString& program, const QString& icon);

/// Gives the bundle at `bundlePath` a launcher: writes `applications`/vesperlog.desktop (normally
/// `$XDG_DATA_HOME/applications`), made from the bundle's share/applications/vesperlog.desktop, unless it
/// already says the same. The user's entry of that name takes the place of a system one in menus. Returns
/// false, after printing one line, when the bundle's entry cannot be read or the new one not written.
bool installDesktopEntry(const QString& bundlePath, const QString& applications);

} // namespace vsp::bundle
