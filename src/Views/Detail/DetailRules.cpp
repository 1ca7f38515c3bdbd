#include "Views/Detail/DetailRules.h"

#include "Editor/Compose/ComposeRules.h"

#include "Model/Dates.h"
#include "Model/MoodStore.h"

#include <QHash>

#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace vsp::detail {

namespace {

/// ICU's name for a Qt locale ("de_DE"; the C locale is POSIX English).
QByteArray icuLocale(const QLocale& locale)
{
    if (locale.language() == QLocale::C) {
        return QByteArrayLiteral("en_US_POSIX");
    }
    return locale.name().toUtf8();
}

/// One formatter per locale and skeleton (or style), made on first use: building ICU's pattern
/// generator costs milliseconds, formatting microseconds.
UDateFormat* formatter(const QByteArray& locale, const QString& skeleton)
{
    // Kept for the life of the process: one per locale and pattern used.
    static QHash<QByteArray, UDateFormat*> cache;
    const QByteArray key = locale + '|' + skeleton.toUtf8();
    if (const auto it = cache.constFind(key); it != cache.constEnd()) {
        return *it;
    }
    UErrorCode status = U_ZERO_ERROR;
    UDateFormat* format = nullptr;
    if (skeleton.isEmpty()) {
        format = udat_open(UDAT_NONE, UDAT_MEDIUM, locale.constData(), nullptr, -1, nullptr, 0, &status);
    } else {
        UDateTimePatternGenerator* generator = udatpg_open(locale.constData(), &status);
        UChar pattern[128];
        const int32_t length = U_SUCCESS(status)
                                   ? udatpg_getBestPattern(generator, reinterpret_cast<const UChar*>(skeleton.utf16()),
                                                           int32_t(skeleton.size()), pattern, 128, &status)
                                   : 0;
        if (generator) {
            udatpg_close(generator);
        }
        if (U_SUCCESS(status)) {
            format = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.constData(), nullptr, -1, pattern, length, &status);
        }
    }
    if (U_FAILURE(status) && format) {
        udat_close(format);
        format = nullptr;
    }
    cache.insert(key, format);
    return format;
}

/// `date` formatted by ICU, or nothing when ICU could not make the formatter.
std::optional<QString> icuFormat(double date, const QLocale& locale, const QString& skeleton)
{
    UDateFormat* format = formatter(icuLocale(locale), skeleton);
    if (!format) {
        return std::nullopt;
    }
    const UDate moment = (date + kReferenceDateOffset) * 1000.0;
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = udat_format(format, moment, buffer, 256, nullptr, &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return QString(reinterpret_cast<const QChar*>(buffer), std::min(length, int32_t(256)));
}

bool hasVisibleText(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return !c.isSpace(); });
}

} // namespace

int readingMinutes(int wordCount)
{
    return wordCount < 200 ? 1 : wordCount / 200;
}

QString metaDate(double date, double now, const QLocale& locale)
{
    const bool sameYear = localDate(date).year() == localDate(now).year();
    const QString skeleton = sameYear ? QStringLiteral("jmEEEEMMMMd") : QStringLiteral("jmEEEEMMMMdy");
    if (const auto text = icuFormat(date, locale, skeleton)) {
        return *text;
    }
    const QDateTime moment = toDateTime(date);
    const QString day = sameYear ? locale.toString(moment.date(), longDateFormatWithoutYear(locale))
                                 : locale.toString(moment.date(), QLocale::LongFormat);
    return day + u' ' + locale.toString(moment.time(), shortTimeFormat(locale));
}

QString mediumDate(double date, const QLocale& locale)
{
    if (const auto text = icuFormat(date, locale, QString())) {
        return *text;
    }
    return locale.toString(localDate(date), QLocale::ShortFormat);
}

QList<StatusPiece> statusLine(const JournalEntry& entry, const MoodStore& moods, double now, const QLocale& locale)
{
    using Kind = StatusPiece::Kind;
    const QString dot = QStringLiteral("·");
    const int words = entry.wordCount();
    QList<StatusPiece> pieces{{Kind::Date, metaDate(entry.date, now, locale)},
                              {Kind::Separator, dot},
                              {Kind::Words, QObject::tr("%1 words").arg(words)}};
    if (words >= 1) {
        pieces.append({Kind::Separator, dot});
        pieces.append({Kind::ReadingTime, QObject::tr("~%1 min").arg(readingMinutes(words))});
    }
    if (entry.mood) {
        pieces.append({Kind::Separator, dot});
        pieces.append({Kind::Emoji, *entry.mood});
        pieces.append({Kind::MoodLabel, moods.label(*entry.mood)});
    }
    return pieces;
}

QString expirationText(double expirationDate, double now, const QLocale& locale)
{
    switch (expirationStatus(expirationDate, now)) {
    case Expiration::Past: return QObject::tr("Expired");
    case Expiration::Today: return QObject::tr("Expires today");
    case Expiration::Later: break;
    }
    return QObject::tr("Expires ") + mediumDate(expirationDate, locale);
}

QString expirationSymbol(Expiration status)
{
    return status == Expiration::Past ? QStringLiteral("bell.slash.fill") : QStringLiteral("bell.fill");
}

QList<JournalEntry> relatedEntries(const EntryList& entries, const JournalEntry& current)
{
    QList<JournalEntry> result;
    if (current.tags.isEmpty()) {
        return result;
    }
    for (const JournalEntry& other : entries) {
        if (other.id == current.id) {
            continue;
        }
        // The whole journal may be walked: operator== looks at the lengths before the characters,
        // which QStringList::contains does not.
        const bool shares = std::any_of(other.tags.begin(), other.tags.end(), [&](const QString& tag) {
            return std::any_of(current.tags.begin(), current.tags.end(),
                               [&](const QString& mine) { return mine == tag; });
        });
        if (shares) {
            result.append(other);
            if (result.size() == 3) {
                break;
            }
        }
    }
    return result;
}

QList<TextRange> richParagraphs(const QString& text)
{
    QList<TextRange> result;
    int location = 0;
    const int total = int(text.size());
    while (location <= total) {
        int next = int(text.indexOf(QStringLiteral("\n\n"), location));
        if (next < 0) {
            next = total;
        }
        const int length = next - location;
        if (hasVisibleText(QStringView(text).mid(location, length))) {
            result.append({location, length});
        }
        location = next + 2;
    }
    return result;
}

QStringList plainParagraphs(const QString& text)
{
    QStringList result;
    for (const QString& piece : text.split(QStringLiteral("\n\n"))) {
        const QString trimmed = piece.trimmed();
        if (!trimmed.isEmpty()) {
            result.append(trimmed);
        }
    }
    return result;
}

QList<QRect> flowPlacement(const QList<QSize>& sizes, int width, int spacing, int* height)
{
    QList<QRect> rects;
    rects.reserve(sizes.size());
    int x = 0;
    int y = 0;
    int rowHeight = 0;
    for (const QSize& size : sizes) {
        if (x > 0 && x + size.width() > width) {
            y += rowHeight + spacing;
            x = 0;
            rowHeight = 0;
        }
        rects.append(QRect(QPoint(x, y), size));
        rowHeight = std::max(rowHeight, size.height());
        x += size.width() + spacing;
    }
    if (height) {
        *height = y + rowHeight;
    }
    return rects;
}

QPointF editBarOffset(const QRectF& selection, qreal barHeight)
{
    const qreal above = vsp::compose::floatingBarTopAbove(selection, barHeight);
    return {vsp::compose::floatingBarLeft(selection), std::max<qreal>(0, above)};
}

} // namespace vsp::detail
