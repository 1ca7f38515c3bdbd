#include "Editor/Compose/ComposeRules.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"

#include <QDateTime>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace vsp::compose {

bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0085:
    case 0x2028:
    case 0x2029: return true;
    default: return false;
    }
}

namespace {

template <typename Pred>
QString trimWhere(const QString& text, Pred strip)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && strip(text.at(start))) {
        ++start;
    }
    while (end > start && strip(text.at(end - 1))) {
        --end;
    }
    return text.mid(start, end - start);
}

} // namespace

QString trimBlanks(const QString& text)
{
    return trimWhere(text, isBlank);
}

QString trimBlanksAndLineBreaks(const QString& text)
{
    return trimWhere(text, [](QChar c) { return isBlank(c) || isLineBreak(c); });
}

bool canSave(const QString& title, const QString& bodyPlain)
{
    if (!trimBlanks(title).isEmpty()) {
        return true;
    }
    return !trimBlanksAndLineBreaks(bodyPlain).isEmpty();
}

int wordCount(const QString& bodyPlain)
{
    int count = 0;
    bool inWord = false;
    for (const QChar c : bodyPlain) {
        if (c.isSpace() || isBlank(c) || isLineBreak(c)) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++count;
        }
    }
    return count;
}

QString leftGraphemes(const QString& text, int count)
{
    if (count <= 0) {
        return {};
    }
    // Cheap exit: a text of at most `count` UTF-16 units has at most `count` characters.
    if (text.size() <= count) {
        return text;
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int seen = 0;
    qsizetype position = 0;
    while (seen < count) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0) {
            return text;
        }
        position = next;
        ++seen;
    }
    return text.left(position);
}

QString derivedTitle(const QString& trimmedBody)
{
    qsizetype end = 0;
    while (end < trimmedBody.size() && !isLineBreak(trimmedBody.at(end))) {
        ++end;
    }
    return leftGraphemes(trimmedBody.left(end), kDerivedTitleLength);
}

namespace {

/// Between the bar and the selected text, pixels.
constexpr qreal kFloatingBarGap = 8;

} // namespace

qreal floatingBarLeft(const QRectF& selection)
{
    return std::max<qreal>(10, std::min<qreal>(300, selection.center().x() - 150));
}

qreal floatingBarTopAbove(const QRectF& selection, qreal barHeight)
{
    // The glass's own height, not a fixed one: a taller bar needs more room above.
    return selection.top() - kFloatingBarGap - barHeight;
}

QPointF floatingBarOffset(const QRectF& selection, qreal barHeight)
{
    const qreal above = floatingBarTopAbove(selection, barHeight);
    return {floatingBarLeft(selection), above >= 0 ? above : selection.bottom() + kFloatingBarGap};
}

QString entryDateText(double date, const QLocale& locale)
{
    const QDateTime moment = vsp::toDateTime(date);
    // The locale's long date without its year, then its short time.
    const QString pattern = vsp::longDateFormatWithoutYear(locale);
    return locale.toString(moment, pattern) + QStringLiteral(" · ")
           + locale.toString(moment.time(), vsp::shortTimeFormat(locale));
}

JournalEntry::EntryType initialEntryType()
{
    return AppSettings::instance().resolvedDefaultEntryType();
}

std::optional<quint32> typeColor(JournalEntry::EntryType type)
{
    switch (type) {
    case JournalEntry::EntryType::Journal: return std::nullopt;
    case JournalEntry::EntryType::Note: return 0x63B3ED;
    case JournalEntry::EntryType::Link: return 0x9A75EA;
    case JournalEntry::EntryType::Idea: return 0x48C78E;
    }
    return std::nullopt;
}

} // namespace vsp::compose
