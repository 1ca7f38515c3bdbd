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

} // namespace vsp::bundle
