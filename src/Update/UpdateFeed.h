#pragma once

#include "Update/UpdateRelease.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>
#include <variant>

/// The update feed: one JSON manifest describing the latest release, and the rules that decide whether it
/// is offered. QtCore only; the request itself is the updater's.
namespace vsp::update {

/// The product's web site: the feed lies at "/update.json" there, and the failure messages name its host.
inline QString websiteHost()
{
    return QStringLiteral("vesperlog.app");
}
QUrl websiteUrl();
/// The built-in feed address, https://vesperlog.app/update.json.
QUrl builtInFeed();

/// `text` as a URL when it is an absolute https address with a host (and no user name or password);
/// nothing otherwise. Every address the updater fetches passes here first.
std::optional<QUrl> secureUrl(const QString& text);

/// The feed to ask: the built-in address when `override` is empty, else the override when it is a
/// secure address (secureUrl); a set override that is not one is refused (nothing), never replaced.
std::optional<QUrl> feedAddress(const QString& override);

/// The longest version text a manifest may give, in characters.
constexpr qsizetype kMaxVersionLength = 64;

/// Whether `text` is a version a release may carry: one that can be shown on one line, so at most
/// kMaxVersionLength characters with no control or format character, line or paragraph break, or lone
/// surrogate. Whatever else it holds is compared as isNewer() reads it and shown as plain text; where it
/// names a file, the name is derived from it (fileNameSafeVersion), never taken as it is.
bool isVersionText(QStringView text);

/// Whether version `a` is newer than `b`. Both are split at "." with empty pieces dropped; each piece is
/// a whole decimal number fitting 64 bits (a leading "+" or "-" allowed), anything else counts 0 ("v1",
/// "2beta"). Positions missing on one side count 0; the first differing position decides. So 1.2 and
/// 1.2.0 are equal and 1.10 is newer than 1.9.
bool isNewer(QStringView a, QStringView b);

/// Whether a system at version `system` can run a release needing `minimum`: true for an empty minimum,
/// or when `system` is at or above it (compared as isNewer does, over at least three positions).
bool systemSupports(QStringView minimum, QStringView system);

/// The version of the running system that a release's "minimumSystem" is compared with. Release bundles
/// link the system's Qt, so that is the Qt runtime's version.
QString runningSystemVersion();

/// The day a manifest's "date" names: its first 10 characters read as "yyyy-MM-dd"; invalid otherwise.
QDate manifestDate(const QString& text);

/// What reading a manifest gave: a release to offer, nothing newer (std::monostate), or a failure.
using ManifestAnswer = std::variant<std::monostate, UpdateRelease, UpdateError>;

/// Reads a manifest body. Keys are matched exactly; unknown keys are ignored. "version", "url" and
/// "sha256" must be texts, "bytes" an integer, "date" and "minimumSystem" texts and "notes" an array of
/// texts when present (JSON null counts as absent), and the version must pass isVersionText; anything
/// else is an Other failure (the body is not a manifest). An archive address that is not secure, or an
/// empty hash, is an Integrity failure, checked before the version rules. A release that is not newer than `currentVersion`, or needs a newer system
/// than `systemVersion`, gives nothing.
ManifestAnswer readManifest(const QByteArray& body, const QString& currentVersion, const QString& systemVersion);

} // namespace vsp::update
