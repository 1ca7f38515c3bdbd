#include "Model/JsonWriter.h"

#include <array>
#include <charconv>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <cmath>

namespace vsp {

void appendBase64(QByteArray& output, const QByteArray& bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    const qsizetype start = output.size();
    output.resize(start + ((n + 2) / 3) * 4);
    char* o = output.data() + start;
    // Two output characters per lookup: a table of every 12-bit value's pair.
    static const auto pairs = [] {
        std::array<std::array<char, 2>, 4096> table{};
        for (int v = 0; v < 4096; ++v) {
            table[size_t(v)] = {kAlphabet[v >> 6], kAlphabet[v & 63]};
        }
        return table;
    }();
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3) {
        const uint32_t v = (uint32_t(in[i]) << 16) | (uint32_t(in[i + 1]) << 8) | in[i + 2];
        std::memcpy(o, pairs[v >> 12].data(), 2);
        std::memcpy(o + 2, pairs[v & 0xFFF].data(), 2);
        o += 4;
    }
    if (n - i == 1) {
        const uint32_t v = uint32_t(in[i]) << 16;
        *o++ = kAlphabet[v >> 18];
        *o++ = kAlphabet[(v >> 12) & 63];
        *o++ = '=';
        *o++ = '=';
    } else if (n - i == 2) {
        const uint32_t v = (uint32_t(in[i]) << 16) | (uint32_t(in[i + 1]) << 8);
        *o++ = kAlphabet[v >> 18];
        *o++ = kAlphabet[(v >> 12) & 63];
        *o++ = kAlphabet[(v >> 6) & 63];
        *o++ = '=';
    }
}

QByteArray formatDouble(double number)
{
    // Shortest round-trip digits; plain notation for exponents from -4 to 15, scientific beyond
    // ("0.0001", "768000000", "1e-05", "1e+16").
    char buffer[64];
    const auto scientific = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::scientific);
    const std::string_view text(buffer, size_t(scientific.ptr - buffer));
    const size_t e = text.find('e');
    int exponent = 0;
    if (e != std::string_view::npos) {
        std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), exponent);
    }
    if (number == 0 || (exponent >= -4 && exponent < 16)) {
        const auto fixed = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed);
        return QByteArray(buffer, fixed.ptr - buffer);
    }
    return QByteArray(text.data(), qsizetype(text.size()));
}

JsonWriter::JsonWriter(Style style, qsizetype reserve) : m_style(style)
{
    if (reserve > 0) {
        m_out.reserve(reserve);
    }
}

void JsonWriter::newline()
{
    m_out.append('\n');
    for (size_t i = 0; i < m_levels.size(); ++i) {
        m_out.append("  ", 2);
    }
}

void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty()) {
        return;
    }
    Level& level = m_levels.back();
    if (!level.empty) {
        m_out.append(',');
    }
    level.empty = false;
    if (m_style == Style::Pretty) {
        newline();
    }
}

void JsonWriter::open(char bracket, bool isObject)
{
    beforeValue();
    m_out.append(bracket);
    m_levels.push_back({isObject, true});
}

void JsonWriter::close(char bracket)
{
    const bool empty = m_levels.back().empty;
    m_levels.pop_back();
    if (m_style == Style::Pretty) {
        if (empty) {
            // An empty container spans one empty line, as the usual pretty printers of JSON coders write it.
            m_out.append('\n');
        }
        newline();
    }
    m_out.append(bracket);
}

void JsonWriter::beginObject()
{
    open('{', true);
}

void JsonWriter::endObject()
{
    close('}');
}

void JsonWriter::beginArray()
{
    open('[', false);
}

void JsonWriter::endArray()
{
    close(']');
}

void JsonWriter::key(std::string_view name)
{
    beforeValue();
    writeEscaped(name.data(), qsizetype(name.size()));
    if (m_style == Style::Pretty) {
        m_out.append(" : ", 3);
    } else {
        m_out.append(':');
    }
    m_afterKey = true;
}

void JsonWriter::writeEscaped(const char* data, qsizetype size)
{
    m_out.append('"');
    writeEscapedContent(data, size);
    m_out.append('"');
}

void JsonWriter::writeEscapedContent(const char* data, qsizetype size)
{
    static constexpr char hex[] = "0123456789abcdef";
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c >= 0x20 && c != '"' && c != '\\') {
            continue;
        }
        m_out.append(data + runStart, i - runStart);
        runStart = i + 1;
        switch (c) {
        case '"': m_out.append("\\\"", 2); break;
        case '\\': m_out.append("\\\\", 2); break;
        case '\n': m_out.append("\\n", 2); break;
        case '\r': m_out.append("\\r", 2); break;
        case '\t': m_out.append("\\t", 2); break;
        case '\b': m_out.append("\\b", 2); break;
        case '\f': m_out.append("\\f", 2); break;
        default: {
            const char escape[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
            m_out.append(escape, 6);
        }
        }
    }
    m_out.append(data + runStart, size - runStart);
}

void JsonWriter::value(QStringView text)
{
    beforeValue();
    // Converts UTF-16 to UTF-8 and escapes in one pass, straight into the output buffer. Every unit takes
    // at most three bytes; the rare control character that needs six goes through writeEscapedContent().
    const qsizetype n = text.size();
    const qsizetype start = m_out.size();
    m_out.resize(start + n * 3 + 2);
    auto* o = reinterpret_cast<unsigned char*>(m_out.data()) + start;
    *o++ = '"';
    const char16_t* p = text.utf16();
    const char16_t* const end = p + n;
    while (p < end) {
#ifdef __SSE2__
        // Eight plain ASCII units at a time: most of any journal is plain text.
        while (end - p >= 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            // 0xFFFF where the unit is ASCII (below 0x80).
            const __m128i ascii =
                _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(short(0xFF80))), _mm_setzero_si128());
            const __m128i control = _mm_cmplt_epi16(units, _mm_set1_epi16(0x20));
            const __m128i quote = _mm_cmpeq_epi16(units, _mm_set1_epi16('"'));
            const __m128i backslash = _mm_cmpeq_epi16(units, _mm_set1_epi16('\\'));
            const __m128i plain = _mm_andnot_si128(_mm_or_si128(control, _mm_or_si128(quote, backslash)), ascii);
            if (_mm_movemask_epi8(plain) != 0xFFFF) {
                break;
            }
            _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi16(units, units));
            o += 8;
            p += 8;
        }
        if (p == end) {
            break;
        }
#endif
        const char16_t c = *p;
        if (c < 0x80) {
            if (c >= 0x20 && c != '"' && c != '\\') {
                *o++ = static_cast<unsigned char>(c);
                ++p;
                continue;
            }
            // The common escapes take two bytes, within the three budgeted for the unit.
            const char escaped = c == '"'    ? '"'
                                 : c == '\\' ? '\\'
                                 : c == '\n' ? 'n'
                                 : c == '\r' ? 'r'
                                 : c == '\t' ? 't'
                                 : c == '\b' ? 'b'
                                 : c == '\f' ? 'f'
                                             : 0;
            if (escaped) {
                *o++ = '\\';
                *o++ = static_cast<unsigned char>(escaped);
                ++p;
                continue;
            }
            // Other control characters need six bytes: finish the rest the slow way.
            m_out.resize(qsizetype(o - reinterpret_cast<unsigned char*>(m_out.data())));
            const QByteArray rest = QStringView(p, end).toUtf8();
            writeEscapedContent(rest.constData(), rest.size());
            m_out.append('"');
            return;
        }
        if (c < 0x800) {
            *o++ = static_cast<unsigned char>(0xC0 | (c >> 6));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            ++p;
        } else if (QChar::isHighSurrogate(c) && p + 1 < end && QChar::isLowSurrogate(p[1])) {
            const char32_t u = QChar::surrogateToUcs4(c, p[1]);
            *o++ = static_cast<unsigned char>(0xF0 | (u >> 18));
            *o++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
            p += 2;
        } else {
            // A lone surrogate cannot be written as UTF-8: it becomes U+FFFD.
            const char16_t u = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
            *o++ = static_cast<unsigned char>(0xE0 | (u >> 12));
            *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
            ++p;
        }
    }
    *o++ = '"';
    m_out.resize(qsizetype(o - reinterpret_cast<unsigned char*>(m_out.data())));
}

void JsonWriter::value(std::string_view utf8)
{
    beforeValue();
    writeEscaped(utf8.data(), qsizetype(utf8.size()));
}

void JsonWriter::value(double number)
{
    beforeValue();
    if (!std::isfinite(number)) {
        if (m_error.isEmpty()) {
            m_error = QStringLiteral("a number that is not finite cannot be written as JSON");
        }
        m_out.append('0');
        return;
    }
    m_out.append(formatDouble(number));
}

void JsonWriter::base64Text(std::string_view base64)
{
    beforeValue();
    m_out.append('"');
    m_out.append(base64.data(), qsizetype(base64.size()));
    m_out.append('"');
}

void JsonWriter::value(qint64 number)
{
    beforeValue();
    m_out.append(QByteArray::number(number));
}

void JsonWriter::value(bool flag)
{
    beforeValue();
    if (flag) {
        m_out.append("true", 4);
    } else {
        m_out.append("false", 5);
    }
}

void JsonWriter::null()
{
    beforeValue();
    m_out.append("null", 4);
}

} // namespace vsp
