#include "Model/FoldedText.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr qsizetype kHeaderBytes = 8;

unsigned char* putUtf8(unsigned char* o, char32_t c)
{
    if (c < 0x80) {
        *o++ = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
        *o++ = static_cast<unsigned char>(0xC0 | (c >> 6));
        *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *o++ = static_cast<unsigned char>(0xE0 | (c >> 12));
        *o++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
        *o++ = static_cast<unsigned char>(0xF0 | (c >> 18));
        *o++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    return o;
}

/// The code point of the valid UTF-8 sequence at `p` (at least two bytes; the folded text only holds
/// valid ones); moves `p` past it.
char32_t takeUtf8(const unsigned char*& p)
{
    const unsigned char b = *p;
    if (b < 0xE0) {
        const char32_t c = (char32_t(b & 0x1F) << 6) | (p[1] & 0x3F);
        p += 2;
        return c;
    }
    if (b < 0xF0) {
        const char32_t c = (char32_t(b & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        p += 3;
        return c;
    }
    const char32_t c =
        (char32_t(b & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    p += 4;
    return c;
}

/// The code point of the UTF-8 sequence at `p`, before `end`, moving `p` past it; -1 when the bytes
/// there are not a valid sequence (overlong, a surrogate, beyond U+10FFFF, cut short).
int takeValidUtf8(const unsigned char*& p, const unsigned char* end)
{
    const unsigned char b = *p;
    const auto more = [&](qsizetype i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
    if (b >= 0xC2 && b <= 0xDF && more(1)) {
        return int(takeUtf8(p));
    }
    if (b >= 0xE0 && b <= 0xEF && more(1) && more(2)) {
        if ((b == 0xE0 && p[1] < 0xA0) || (b == 0xED && p[1] > 0x9F)) {
            return -1;
        }
        return int(takeUtf8(p));
    }
    if (b >= 0xF0 && b <= 0xF4 && more(1) && more(2) && more(3)) {
        if ((b == 0xF0 && p[1] < 0x90) || (b == 0xF4 && p[1] > 0x8F)) {
            return -1;
        }
        return int(takeUtf8(p));
    }
    return -1;
}

char* putNumber(char* o, quint32 v)
{
    while (v >= 0x80) {
        *o++ = char(0x80 | (v & 0x7F));
        v >>= 7;
    }
    *o++ = char(v);
    return o;
}

quint32 takeNumber(const unsigned char*& p)
{
    quint32 v = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char b = *p++;
        v |= quint32(b & 0x7F) << shift;
        if (b < 0x80) {
            return v;
        }
    }
}

quint32 readHeader(const QByteArray& data, int field)
{
    quint32 v = 0;
    std::memcpy(&v, data.constData() + 4 * field, 4);
    return v;
}

/// Builds the stored form from code points handed over one at a time: each original (a code point, or
/// a lone surrogate) and how many UTF-16 units it took.
class Builder {
public:
    explicit Builder(qsizetype foldedBound)
    {
        t_folded.resize(size_t(foldedBound));
        m_o = reinterpret_cast<unsigned char*>(t_folded.data());
        m_start = m_o;
        t_changes.clear();
    }

    void ascii(char16_t c)
    {
        if (c >= 'A' && c <= 'Z') {
            change(c + 32, c);
        } else {
            *m_o++ = static_cast<unsigned char>(c);
        }
        ++m_units;
    }
    void add(char32_t original)
    {
        char32_t folded = 0xFFFD;
        if (original >= 0xD800 && original <= 0xDFFF) {
            ++m_units;
        } else {
            folded = QChar::toCaseFolded(original);
            m_units += original >= 0x10000 ? 2 : 1;
        }
        if (folded == original) {
            m_o = putUtf8(m_o, original);
        } else {
            change(folded, original);
        }
    }

    QByteArray finish()
    {
        const quint32 foldedBytes = quint32(m_o - m_start);
        // Each record takes at most five bytes for the gap and three for the code point.
        t_records.resize(t_changes.size() * 8);
        char* r = t_records.data();
        quint32 last = 0;
        for (const auto& [at, original, end] : t_changes) {
            r = putNumber(r, at - last);
            r = putNumber(r, original);
            last = end;
        }
        const qsizetype recordBytes = r - t_records.data();
        // One allocation of the exact size: the text is kept for as long as the entry.
        QByteArray out(kHeaderBytes + foldedBytes + recordBytes, Qt::Uninitialized);
        const quint32 units = quint32(m_units);
        std::memcpy(out.data(), &units, 4);
        std::memcpy(out.data() + 4, &foldedBytes, 4);
        std::memcpy(out.data() + kHeaderBytes, m_start, foldedBytes);
        std::memcpy(out.data() + kHeaderBytes + foldedBytes, t_records.data(), size_t(recordBytes));
        return out;
    }

private:
    void change(char32_t folded, char32_t original)
    {
        const quint32 at = quint32(m_o - m_start);
        m_o = putUtf8(m_o, folded);
        t_changes.push_back({at, quint32(original), quint32(m_o - m_start)});
    }

    struct Change {
        quint32 at;
        quint32 original;
        quint32 end;
    };
    // Kept per thread: bodies are folded on the loading threads, one after another.
    static thread_local std::string t_folded;
    static thread_local std::string t_records;
    static thread_local std::vector<Change> t_changes;
    unsigned char* m_o = nullptr;
    unsigned char* m_start = nullptr;
    qsizetype m_units = 0;
};

thread_local std::string Builder::t_folded;
thread_local std::string Builder::t_records;
thread_local std::vector<Builder::Change> Builder::t_changes;

} // namespace

qsizetype foldedSizeBound(QStringView text)
{
    qsizetype bound = 0;
    for (const QChar c : text) {
        bound += c.unicode() < 0x80 ? 1 : 3;
    }
    return bound;
}

char* foldForSearch(QStringView text, char* out)
{
    // Simple case folding per code point, written straight to UTF-8; ASCII (most of any journal) takes
    // the short road.
    auto* o = reinterpret_cast<unsigned char*>(out);
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        char32_t c = *p++;
        if (c < 0x80) {
            *o++ = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
            c = QChar::surrogateToUcs4(char16_t(c), *p++);
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        o = putUtf8(o, QChar::toCaseFolded(c));
    }
    return reinterpret_cast<char*>(o);
}

QByteArray foldForSearch(QStringView text)
{
    QByteArray out(foldedSizeBound(text), Qt::Uninitialized);
    out.truncate(qsizetype(foldForSearch(text, out.data()) - out.constData()));
    return out;
}

FoldedText::FoldedText(QStringView text)
{
    if (text.isEmpty()) {
        return;
    }
    Builder b(foldedSizeBound(text));
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char16_t c = *p++;
        if (c < 0x80) {
            b.ascii(c);
        } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
            b.add(QChar::surrogateToUcs4(c, *p++));
        } else {
            b.add(c);
        }
    }
    m_data = b.finish();
}

FoldedText FoldedText::fromUtf8(std::string_view utf8)
{
    FoldedText text;
    if (utf8.empty()) {
        return text;
    }
    // Each byte folds to at most three (a lone byte that is not UTF-8 reads as U+FFFD).
    Builder b(qsizetype(utf8.size()) * 3);
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            b.ascii(*p++);
            continue;
        }
        const int c = takeValidUtf8(p, end);
        if (c < 0) {
            // What QString::fromUtf8 makes of bad bytes is its own affair: ask it.
            return FoldedText(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
        }
        b.add(char32_t(c));
    }
    text.m_data = b.finish();
    return text;
}

void FoldedText::shareBuffer(std::span<FoldedText* const> texts)
{
    qsizetype total = 0;
    for (const FoldedText* text : texts) {
        if (!text->m_data.isEmpty()) {
            total += text->m_data.size() + 1;
        }
    }
    if (total == 0) {
        return;
    }
    QByteArray buffer(total, Qt::Uninitialized);
    char* const base = buffer.data();
    qsizetype at = 0;
    for (FoldedText* text : texts) {
        const qsizetype n = text->m_data.size();
        if (n == 0) {
            continue;
        }
        std::memcpy(base + at, text->m_data.constData(), size_t(n));
        // Followed by a zero byte, as every QByteArray's own bytes are.
        base[at + n] = '\0';
        // A copy holds one more reference to the buffer; narrowed to this text's bytes, it reads, compares
        // and copies as a QByteArray of its own, and one that changes it detaches first as any copy does.
        QByteArray slice = buffer;
        slice.data_ptr().ptr = base + at;
        slice.data_ptr().size = n;
        text->m_data = std::move(slice);
        at += n + 1;
    }
}

qsizetype FoldedText::size() const
{
    return m_data.isEmpty() ? 0 : qsizetype(readHeader(m_data, 0));
}

QByteArrayView FoldedText::folded() const
{
    if (m_data.isEmpty()) {
        return {};
    }
    return QByteArrayView(m_data.constData() + kHeaderBytes, qsizetype(readHeader(m_data, 1)));
}

QString FoldedText::toString() const
{
    return decode(size());
}

QString FoldedText::left(qsizetype n) const
{
    return decode(std::clamp<qsizetype>(n, 0, size()));
}

QString FoldedText::decode(qsizetype units) const
{
    if (units <= 0) {
        return {};
    }
    QString out(units, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    char16_t* const outEnd = o + units;
    const auto* p = reinterpret_cast<const unsigned char*>(m_data.constData()) + kHeaderBytes;
    const auto* const end = p + readHeader(m_data, 1);
    const auto* record = end;
    const auto* const recordsEnd = reinterpret_cast<const unsigned char*>(m_data.constData()) + m_data.size();
    const auto* changeAt = record < recordsEnd ? p + takeNumber(record) : end;
    // Writes one code point, or as QString::left does only its first half when one unit is left.
    const auto put = [&](char32_t c) {
        if (c < 0x10000) {
            *o++ = char16_t(c);
        } else {
            *o++ = QChar::highSurrogate(c);
            if (o < outEnd) {
                *o++ = QChar::lowSurrogate(c);
            }
        }
    };
    while (o < outEnd) {
        while (p < changeAt && o < outEnd) {
            if (*p < 0x80) {
                *o++ = *p++;
            } else {
                put(takeUtf8(p));
            }
        }
        if (o == outEnd || p != changeAt || p == end) {
            break;
        }
        const char32_t original = takeNumber(record);
        p += *p < 0x80 ? 1 : *p < 0xE0 ? 2 : *p < 0xF0 ? 3 : 4;
        put(original);
        changeAt = record < recordsEnd ? p + takeNumber(record) : end;
    }
    return out;
}

int FoldedText::wordCount() const
{
    const QByteArrayView text = folded();
    const auto* p = reinterpret_cast<const unsigned char*>(text.constData());
    const auto* const end = p + text.size();
    int count = 0;
    bool inWord = false;
    while (p < end) {
        const bool space = *p < 0x80 ? QChar::isSpace(char32_t(*p++)) : QChar::isSpace(takeUtf8(p));
        if (space) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++count;
        }
    }
    return count;
}
