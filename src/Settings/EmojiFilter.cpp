#include "Settings/EmojiFilter.h"

#include <QList>

#include <unicode/ubrk.h>
#include <unicode/uchar.h>

#include <memory>

namespace vsp {

namespace {

bool kept(char32_t c)
{
    if (c >= 0x1F3FB && c <= 0x1F3FF) {
        return true;
    }
    return u_hasBinaryProperty(UChar32(c), UCHAR_EMOJI) && u_hasBinaryProperty(UChar32(c), UCHAR_EMOJI_PRESENTATION);
}

} // namespace

QString filterEmoji(const QString& text)
{
    QString candidate;
    for (const char32_t c : text.toUcs4()) {
        if (kept(c)) {
            candidate.append(QString::fromUcs4(&c, 1));
        }
    }
    if (candidate.isEmpty()) {
        return candidate;
    }
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UBreakIterator, void (*)(UBreakIterator*)> characters(
        ubrk_open(UBRK_CHARACTER, nullptr, reinterpret_cast<const UChar*>(candidate.utf16()), int32_t(candidate.size()),
                  &status),
        &ubrk_close);
    if (U_FAILURE(status) || !characters) {
        // Without ICU's rules, keep one scalar: never more than one character.
        return candidate.left(candidate.front().isHighSurrogate() ? 2 : 1);
    }
    ubrk_first(characters.get());
    const int32_t end = ubrk_next(characters.get());
    return end == UBRK_DONE ? candidate : candidate.left(end);
}

} // namespace vsp
