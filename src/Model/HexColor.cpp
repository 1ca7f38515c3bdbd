#include "Model/HexColor.h"

namespace vsp {

std::optional<quint32> parseHexColor(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u'#') {
        ++start;
    }
    while (end > start && text[end - 1] == u'#') {
        --end;
    }
    QStringView digits = text.mid(start, end - start);
    if (digits.startsWith(u'+')) {
        digits = digits.mid(1);
    }
    if (digits.isEmpty()) {
        return std::nullopt;
    }
    quint64 value = 0;
    for (const QChar c : digits) {
        int digit = 0;
        if (c >= u'0' && c <= u'9') {
            digit = c.unicode() - u'0';
        } else if (c >= u'a' && c <= u'f') {
            digit = c.unicode() - u'a' + 10;
        } else if (c >= u'A' && c <= u'F') {
            digit = c.unicode() - u'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + quint64(digit);
        // Leading zeros may make the text long, but the value must fit in 32 bits.
        if (value > 0xFFFFFFFFull) {
            return std::nullopt;
        }
    }
    return quint32(value);
}

} // namespace vsp
