#include "Views/Detail/DetailRules.h"

#include "Editor/Compose/ComposeRules.h"

#include "Model/Dates.h"
#include "Model/FileIO.h"
#include "Model/MoodStore.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QThreadPool>

#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/ustring.h>
#include <unicode/uvernum.h>

#include <algorithm>
#include <array>
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

/// The skeletons metaDate() asks for: their patterns are found together, as opening ICU's pattern
/// generator is what costs.
constexpr std::array<const char16_t*, 2> kMetaSkeletons = {u"jmEEEEMMMMd", u"jmEEEEMMMMdy"};

/// Where the patterns found for each locale are kept between runs. ICU's pattern generator takes
/// milliseconds to open and, like anything of ICU's date formatting, leaves some 4 MB of its code and
/// data mapped in the process for good; with a pattern kept here, a run that writes its dates with
/// formatPattern() needs none of it.
QString patternFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
           + QStringLiteral("/Vesperlog/date-patterns");
}

/// The key of a pattern in that file: ICU's version (whose data made it), the locale and the skeleton.
QByteArray patternKey(const QByteArray& locale, const QString& skeleton)
{
    return QByteArrayLiteral(U_ICU_VERSION) + '|' + locale + '|' + skeleton.toUtf8();
}

/// The patterns in the file, by key: one "key\tpattern" line each, in UTF-8. Empty when there is no
/// file or it cannot be read; lines of another form are skipped.
QHash<QByteArray, QString> readPatternFile()
{
    QHash<QByteArray, QString> patterns;
    const FileRead read = readFileBounded(patternFilePath(), 64 * 1024);
    if (read.status != FileRead::Status::Ok) {
        return patterns;
    }
    for (const QByteArray& line : read.bytes.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0 && tab + 1 < line.size()) {
            patterns.insert(line.left(tab), QString::fromUtf8(line.mid(tab + 1)));
        }
    }
    return patterns;
}

/// Adds `found` to the file (replacing lines of the same keys) on another thread, as its write waits
/// for the disk. A file that cannot be written only means the generator is opened again next run.
void keepPatterns(const QHash<QByteArray, QString>& found)
{
    QThreadPool::globalInstance()->start([found] {
        QHash<QByteArray, QString> patterns = readPatternFile();
        // Lines of other ICU versions and locales stay up to a bound; the file never grows past it.
        constexpr qsizetype kMostLines = 256;
        if (patterns.size() + found.size() > kMostLines) {
            patterns.clear();
        }
        patterns.insert(found);
        QByteArray bytes;
        for (auto it = patterns.cbegin(); it != patterns.cend(); ++it) {
            bytes += it.key() + '\t' + it.value().toUtf8() + '\n';
        }
        const QString path = patternFilePath();
        QDir().mkpath(QFileInfo(path).path());
        writeFileAtomically(path, bytes);
    });
}

/// ICU's best pattern for `skeleton` in `locale`: from the file of patterns kept, or found by the
/// pattern generator, with those of the other skeletons of metaDate(), and kept for the next run.
/// Empty when ICU has none.
QString bestPattern(const QByteArray& locale, const QString& skeleton)
{
    const QByteArray key = patternKey(locale, skeleton);
    if (const QString kept = readPatternFile().value(key); !kept.isEmpty()) {
        return kept;
    }
    UErrorCode status = U_ZERO_ERROR;
    UDateTimePatternGenerator* generator = udatpg_open(locale.constData(), &status);
    if (U_FAILURE(status)) {
        if (generator) {
            udatpg_close(generator);
        }
        return {};
    }
    const auto find = [&](const QString& wanted) {
        UErrorCode found = U_ZERO_ERROR;
        UChar pattern[128];
        const int32_t length = udatpg_getBestPattern(generator, reinterpret_cast<const UChar*>(wanted.utf16()),
                                                     int32_t(wanted.size()), pattern, 128, &found);
        return U_SUCCESS(found) ? QString(reinterpret_cast<const QChar*>(pattern), std::min(length, int32_t(128)))
                                : QString();
    };
    QHash<QByteArray, QString> found;
    found.insert(key, find(skeleton));
    for (const char16_t* other : kMetaSkeletons) {
        const QString wanted = QString::fromUtf16(other);
        if (wanted != skeleton) {
            found.insert(patternKey(locale, wanted), find(wanted));
        }
    }
    udatpg_close(generator);
    const QString pattern = found.value(key);
    found.removeIf([](const auto& item) { return item.value().isEmpty(); });
    if (!found.isEmpty()) {
        keepPatterns(found);
    }
    return pattern;
}

/// bestPattern() once per locale and skeleton in a process.
const QString& patternFor(const QByteArray& locale, const QString& skeleton)
{
    static QHash<QByteArray, QString> patterns;
    const QByteArray key = locale + '|' + skeleton.toUtf8();
    auto it = patterns.find(key);
    if (it == patterns.end()) {
        it = patterns.insert(key, bestPattern(locale, skeleton));
    }
    return *it;
}

/// `moment` written by the ICU `pattern` with the locale's own words and day periods from Qt, as
/// udat_format() writes it: ICU's date formatter alone maps about 4 MB of ICU's code and data into
/// the process for its life. Only weekdays (E), months (M), days (d), years (y), hours (h, H), minutes
/// (m) and day periods (a) are written here, in a locale that writes ASCII digits; nothing for any
/// other pattern, which ICU writes.
std::optional<QString> formatPattern(const QString& pattern, const QDateTime& moment, const QLocale& locale)
{
    if (locale.zeroDigit() != QLatin1String("0")) {
        return std::nullopt;
    }
    const QDate day = moment.date();
    const QTime time = moment.time();
    const auto number = [](int value, qsizetype width) { return QString::number(value).rightJustified(width, u'0'); };
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            // Quoted text; two quote marks, within quotes or not, write one.
            if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
                out += u'\'';
                i += 2;
                continue;
            }
            for (++i; i < pattern.size(); ++i) {
                if (pattern[i] == u'\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
                        out += u'\'';
                        ++i;
                        continue;
                    }
                    break;
                }
                out += pattern[i];
            }
            ++i;
            continue;
        }
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) {
            out += c;
            ++i;
            continue;
        }
        qsizetype n = 1;
        while (i + n < pattern.size() && pattern[i + n] == c) {
            ++n;
        }
        i += n;
        // The widths each field is written in here; "EEEEE" (a narrow weekday) and the like go to ICU.
        const qsizetype widest = (c == u'E' || c == u'M' || c == u'y') ? 4 : c == u'a' ? 3 : 2;
        if (n > widest) {
            return std::nullopt;
        }
        switch (c.unicode()) {
        case u'E': out += locale.dayName(day.dayOfWeek(), n == 4 ? QLocale::LongFormat : QLocale::ShortFormat); break;
        case u'M':
            out += n == 4   ? locale.monthName(day.month(), QLocale::LongFormat)
                   : n == 3 ? locale.monthName(day.month(), QLocale::ShortFormat)
                            : number(day.month(), n);
            break;
        case u'd': out += number(day.day(), n); break;
        case u'y': out += n == 2 ? number(day.year() % 100, 2) : number(day.year(), n); break;
        case u'h': out += number(time.hour() % 12 == 0 ? 12 : time.hour() % 12, n); break;
        case u'H': out += number(time.hour(), n); break;
        case u'm': out += number(time.minute(), n); break;
        case u'a': out += time.hour() < 12 ? locale.amText() : locale.pmText(); break;
        default: return std::nullopt;
        }
    }
    return out;
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
    } else if (const QString& pattern = patternFor(locale, skeleton); !pattern.isEmpty()) {
        format = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.constData(), nullptr, -1,
                           reinterpret_cast<const UChar*>(pattern.utf16()), int32_t(pattern.size()), &status);
    } else {
        status = U_UNSUPPORTED_ERROR;
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
    if (const QString& pattern = patternFor(icuLocale(locale), skeleton); !pattern.isEmpty()) {
        if (const auto text = formatPattern(pattern, toDateTime(date), locale)) {
            return *text;
        }
    }
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
