#pragma once

#include <QString>

/// The running build's version texts, as the About panel, the settings' About tab and the updater use
/// them: the running bundle's "bundle.json" when the program runs from a bundle, else the compiled-in ones.
namespace BundleInfo {

/// The release version ("0.1.0"); "1.0" when the build carries none.
QString shortVersion();
/// The build number; "1" when the build carries none.
QString buildNumber();

} // namespace BundleInfo
