#include "Update/UpdateFeed.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace vsp::update {

namespace {

QList<qint64> versionParts(QStringView text)
{
    QList<qint64> parts;
    for (QStringView piece : text.split(u'.', Qt::SkipEmptyParts)) {
        bool ok = false;
        // A piece with anything but digits after an optional sign ("v1", "2beta", " 3") counts 0 whole.
        const bool plain = std::all_of(piece.begin() + ((piece.startsWith(u'+') || piece.startsWith(u'-')) ? 1 : 0),
                                       piece.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        const qint64 value = plain ? piece.toLongLong(&ok) : 0;
        parts.append(ok ? value : 0);
    }
    return parts;
}

/// -1, 0 or 1 as `a` is below, equal to or above `b`, over at least `positions` positions.
int compareParts(const QList<qint64>& a, const QList<qint64>& b, qsizetype positions)
{
    const qsizetype n = std::max({a.size(), b.size(), positions});
    for (qsizetype i = 0; i < n; ++i) {
        const qint64 x = i < a.size() ? a[i] : 0;
        const qint64 y = i < b.size() ? b[i] : 0;
        if (x != y) {
            return x > y ? 1 : -1;
        }
    }
    return 0;
}

UpdateError unreadable(const QString& why)
{
    return {UpdateFailure::Other, QStringLiteral("the manifest is unreadable: %1").arg(why)};
}

} // namespace

QUrl websiteUrl()
{
    return QUrl(QStringLiteral("https://") + websiteHost() + u'/');
}

QUrl builtInFeed()
{
    return QUrl(QStringLiteral("https://") + websiteHost() + QStringLiteral("/update.json"));
}

std::optional<QUrl> secureUrl(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.scheme() != QLatin1String("https") || url.host().isEmpty()
        || !url.userInfo().isEmpty()) {
        return std::nullopt;
    }
    return url;
}

std::optional<QUrl> feedAddress(const QString& override)
{
    if (override.isEmpty()) {
        return builtInFeed();
    }
    return secureUrl(override);
}

bool isVersionText(QStringView text)
{
    if (text.size() > kMaxVersionLength) {
        return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph: return false;
        default: break;
        }
    }
    return true;
}

bool isNewer(QStringView a, QStringView b)
{
    return compareParts(versionParts(a), versionParts(b), 0) > 0;
}

bool systemSupports(QStringView minimum, QStringView system)
{
    if (minimum.isEmpty()) {
        return true;
    }
    return compareParts(versionParts(system), versionParts(minimum), 3) >= 0;
}

QString runningSystemVersion()
{
    return QString::fromLatin1(qVersion());
}

QDate manifestDate(const QString& text)
{
    return QLocale::c().toDate(text.left(10), QStringLiteral("yyyy-MM-dd"));
}

ManifestAnswer readManifest(const QByteArray& body, const QString& currentVersion, const QString& systemVersion)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (!document.isObject()) {
        return unreadable(parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                       : QStringLiteral("not an object"));
    }
    const QJsonObject manifest = document.object();
    const auto text = [&](QLatin1String key, bool required, QString* out) -> bool {
        const QJsonValue value = manifest.value(key);
        if (value.isString()) {
            *out = value.toString();
            return true;
        }
        return !required && (value.isUndefined() || value.isNull());
    };
    QString version, address, sha256, date, minimumSystem;
    for (auto [key, required, out] :
         {std::tuple{QLatin1String("version"), true, &version}, std::tuple{QLatin1String("url"), true, &address},
          std::tuple{QLatin1String("sha256"), true, &sha256}, std::tuple{QLatin1String("date"), false, &date},
          std::tuple{QLatin1String("minimumSystem"), false, &minimumSystem}}) {
        if (!text(key, required, out)) {
            return unreadable(QStringLiteral("\"%1\" is missing or not a text").arg(key));
        }
    }
    if (!isVersionText(version)) {
        return unreadable(QStringLiteral("\"version\" cannot be shown on one line"));
    }
    qint64 bytes = 0;
    const QJsonValue size = manifest.value(QLatin1String("bytes"));
    if (size.isDouble()) {
        const double value = size.toDouble();
        // JSON numbers arrive as doubles: only a whole number that fits 64 bits is a size.
        if (value != std::floor(value) || std::abs(value) > 9.2e18) {
            return unreadable(QStringLiteral("\"bytes\" is not a whole number"));
        }
        bytes = size.toInteger();
    } else if (!size.isUndefined() && !size.isNull()) {
        return unreadable(QStringLiteral("\"bytes\" is not a number"));
    }
    QStringList notes;
    const QJsonValue list = manifest.value(QLatin1String("notes"));
    if (list.isArray()) {
        for (const QJsonValue& note : list.toArray()) {
            if (!note.isString()) {
                return unreadable(QStringLiteral("\"notes\" holds something other than text"));
            }
            notes.append(note.toString());
        }
    } else if (!list.isUndefined() && !list.isNull()) {
        return unreadable(QStringLiteral("\"notes\" is not a list"));
    }

    // The address and the hash are checked before the version: a bad manifest is bad whatever it offers.
    const std::optional<QUrl> url = secureUrl(address);
    if (!url) {
        return UpdateError{UpdateFailure::Integrity,
                           QStringLiteral("the archive address is not an https address: %1").arg(address)};
    }
    if (sha256.isEmpty()) {
        return UpdateError{UpdateFailure::Integrity, QStringLiteral("the manifest gives no SHA-256")};
    }
    if (!isNewer(version, currentVersion) || !systemSupports(minimumSystem, systemVersion)) {
        return std::monostate{};
    }
    return UpdateRelease{version, notes, *url, sha256.toLower(), bytes, date.isEmpty() ? QDate() : manifestDate(date)};
}

} // namespace vsp::update
