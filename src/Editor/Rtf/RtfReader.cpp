#include "Editor/Rtf/RtfReader.h"

#include "Editor/TextAttributes.h"

#include <QHash>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

namespace vsp::rtf {

namespace {

using vsp::editor::kMaxFontSize;

constexpr int kMaxTableEntries = 4096;
constexpr int kMaxParameter = 1'000'000'000;
constexpr int kMaxUnicodeSkip = 16;

// Windows-1252 bytes 0x80-0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                                  0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

enum class Destination { Text, Skip, FontTable, ColorTable, ExpandedColorTable };

struct CharState {
    int font = -1;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int foreground = 0;
    int background = 0;
    bool operator==(const CharState&) const = default;
};

struct ParaState {
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int leading = -1; // \slleading, twips; -1 when absent
    int lineSpacing = 0; // \sl
    bool lineMultiple = false;
    Qt::Alignment alignment = Qt::AlignLeft;
    QList<QTextOption::Tab> tabs;
    QTextOption::TabType pendingTabType = QTextOption::LeftTab;
};

struct Group {
    Destination destination = Destination::Text;
    CharState chars;
    ParaState para;
    int unicodeSkip = 1;
    bool starred = false;
};

struct FontEntry {
    QString family; // empty: use the document's default font
    bool bold = false;
    bool italic = false;
    int charset = 0;
};

// Control words that start a destination whose content is never text.
bool isSkippedDestination(QByteArrayView word)
{
    static const QList<QByteArrayView> words = {"stylesheet",  "info",
                                                "pict",        "object",
                                                "header",      "headerl",
                                                "headerr",     "headerf",
                                                "footer",      "footerl",
                                                "footerr",     "footerf",
                                                "footnote",    "annotation",
                                                "xe",          "tc",
                                                "txe",         "rxe",
                                                "shp",         "shpinst",
                                                "nonshppict",  "fldinst",
                                                "themedata",   "colorschememapping",
                                                "datastore",   "latentstyles",
                                                "listtable",   "listoverridetable",
                                                "revtbl",      "rsidtbl",
                                                "pgdsctbl",    "pn",
                                                "atnid",       "atnauthor",
                                                "bkmkstart",   "bkmkend",
                                                "sp",          "sn",
                                                "sv",          "objdata",
                                                "generator",   "userprops",
                                                "docvar",      "filetbl",
                                                "listpicture", "password",
                                                "protusertbl", "template",
                                                "xmlnstbl",    "wgrffmtfilter",
                                                "ftnsep",      "ftnsepc",
                                                "ftncn",       "aftnsep",
                                                "aftnsepc",    "aftncn",
                                                "fchars",      "lchars",
                                                "do",          "mmathPr",
                                                "panose",      "falt",
                                                "NeXTGraphic", "pgdsc",
                                                "formfield",   "datafield",
                                                "blipuid",     "picprop",
                                                "shppict",     "ud"};
    return words.contains(word);
}

int codepageOfCharset(int charset, int fallback)
{
    switch (charset) {
    case 0:
    case 1: return fallback;
    case 2: return 0; // symbol fonts: bytes stand for themselves
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return fallback;
    }
}

QString decoderNameOf(int codepage)
{
    switch (codepage) {
    case 932: return QStringLiteral("Shift_JIS");
    case 936: return QStringLiteral("GBK");
    case 949: return QStringLiteral("EUC-KR");
    case 950: return QStringLiteral("Big5");
    case 10000: return QStringLiteral("macintosh");
    case 437: return QStringLiteral("IBM437");
    case 850: return QStringLiteral("IBM850");
    case 65001: return QStringLiteral("UTF-8");
    default: return QStringLiteral("windows-") + QString::number(codepage);
    }
}

// "Helvetica-BoldOblique" → ("Helvetica", bold, italic); names of the other desktop's system font
// (".SFNS-Regular", ".AppleSystemUIFont") → no family, so the journal's own design shows.
FontEntry fontEntryOf(QString name, int charset)
{
    FontEntry entry;
    entry.charset = charset;
    name = name.trimmed();
    if (name.startsWith(u'.')) {
        return entry;
    }
    const qsizetype dash = name.lastIndexOf(u'-');
    if (dash > 0 && !name.contains(u' ')) {
        const QString style = name.mid(dash + 1);
        static const QStringList styles = {
            QStringLiteral("Bold"),         QStringLiteral("Italic"),         QStringLiteral("Oblique"),
            QStringLiteral("BoldItalic"),   QStringLiteral("BoldOblique"),    QStringLiteral("Regular"),
            QStringLiteral("Roman"),        QStringLiteral("Light"),          QStringLiteral("Medium"),
            QStringLiteral("Semibold"),     QStringLiteral("SemiBold"),       QStringLiteral("Heavy"),
            QStringLiteral("Black"),        QStringLiteral("Thin"),           QStringLiteral("LightItalic"),
            QStringLiteral("MediumItalic"), QStringLiteral("SemiboldItalic"), QStringLiteral("Book")};
        if (styles.contains(style)) {
            entry.bold = style.contains(QLatin1String("Bold")) || style == QLatin1String("Heavy")
                         || style == QLatin1String("Black");
            entry.italic = style.contains(QLatin1String("Italic")) || style.contains(QLatin1String("Oblique"));
            name.truncate(dash);
        }
    }
    entry.family = name;
    return entry;
}

class Reader {
public:
    Reader(const QByteArray& data, QTextDocument& document, const ReadLimits& limits,
           const std::function<void(QTextCharFormat&)>& adjust)
        : m_data(data),
          m_limits(limits),
          m_adjust(adjust),
          m_cursor(&document)
    { }

    bool read()
    {
        const char* p = m_data.constData();
        const char* const end = p + m_data.size();
        while (p < end) {
            const char c = *p;
            if (c == '{') {
                ++p;
                m_skip = 0;
                flushBytes();
                if (int(m_stack.size()) >= m_limits.maxDepth) {
                    return false;
                }
                Group group = m_stack.empty() ? Group{} : m_stack.back();
                group.starred = false;
                m_stack.push_back(std::move(group));
            } else if (c == '}') {
                ++p;
                m_skip = 0;
                flushBytes();
                if (!m_stack.empty()) {
                    endGroup();
                }
                if (m_stack.empty()) {
                    break; // the document's group is closed: anything after it is not part of it
                }
            } else if (c == '\\') {
                ++p;
                if (p >= end) {
                    break;
                }
                p = controlSequence(p, end);
            } else if (c == '\r' || c == '\n') {
                ++p;
            } else if (m_skip == 0 && isPlainTextByte(c) && canTakeTextRun()) {
                // The common case: a run of plain ASCII text, taken at once.
                const char* run = p;
                while (p < end && isPlainTextByte(*p)) {
                    ++p;
                }
                textRun(QLatin1StringView(run, p - run));
            } else {
                ++p;
                if (m_skip > 0) {
                    --m_skip;
                    continue;
                }
                if (m_stack.empty()) {
                    continue;
                }
                const auto byte = static_cast<unsigned char>(c);
                if (byte >= 0x80) {
                    m_bytes.append(char(byte));
                } else {
                    flushBytes();
                    if (c == '\t') {
                        character(u'\t');
                    } else if (byte >= 0x20 || byte == 0x09) {
                        character(char16_t(byte));
                    }
                }
            }
        }
        flushBytes();
        finishHighSurrogate();
        flushText();
        applyBlockFormat();
        return true;
    }

private:
    Group& group() { return m_stack.back(); }

    static bool isPlainTextByte(char c)
    {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x80 && c != '\\' && c != '{' && c != '}';
    }

    bool canTakeTextRun() const
    {
        return !m_stack.empty() && m_bytes.isEmpty() && !m_highSurrogate
               && m_stack.back().destination == Destination::Text && !m_stack.back().chars.hidden;
    }

    void textRun(QLatin1StringView run)
    {
        const CharState& chars = m_stack.back().chars;
        if (!m_text.isEmpty() && !(chars == m_textState)) {
            flushText();
        }
        if (m_text.isEmpty()) {
            m_textState = chars;
        }
        m_text.append(run);
    }

    const char* controlSequence(const char* p, const char* end)
    {
        const char c = *p;
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            // A control symbol.
            ++p;
            if (c == '\'') {
                int value = 0;
                int digits = 0;
                while (digits < 2 && p < end && std::isxdigit(static_cast<unsigned char>(*p))) {
                    const char h = *p++;
                    value = value * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
                    ++digits;
                }
                if (m_skip > 0) {
                    --m_skip;
                    return p;
                }
                if (digits > 0 && !m_stack.empty()) {
                    m_bytes.append(char(value));
                }
                return p;
            }
            if (m_skip > 0) {
                --m_skip;
                return p;
            }
            flushBytes();
            if (m_stack.empty()) {
                return p;
            }
            switch (c) {
            case '\\':
            case '{':
            case '}': character(char16_t(c)); break;
            case '~': character(u'\u00A0'); break;
            case '_': character(u'\u2011'); break;
            case '-': break; // optional hyphen
            case '*': group().starred = true; break;
            case '\n':
            case '\r': paragraph(); break;
            case '\t': character(u'\t'); break;
            default: break;
            }
            return p;
        }
        const char* nameStart = p;
        while (p < end && std::isalpha(static_cast<unsigned char>(*p))) {
            ++p;
        }
        QByteArrayView name(nameStart, std::min<qsizetype>(p - nameStart, 32));
        bool hasParam = false;
        bool negative = false;
        long long value = 0;
        if (p < end && *p == '-' && p + 1 < end && std::isdigit(static_cast<unsigned char>(p[1]))) {
            negative = true;
            ++p;
        }
        while (p < end && std::isdigit(static_cast<unsigned char>(*p))) {
            hasParam = true;
            value = std::min<long long>(value * 10 + (*p - '0'), kMaxParameter);
            ++p;
        }
        if (p < end && *p == ' ') {
            ++p;
        }
        const int param = int(negative ? -value : value);
        if (name == "bin") {
            // Binary data: skipped whatever the destination.
            const qsizetype skip = hasParam && param > 0 ? std::min<qsizetype>(param, end - p) : 0;
            return p + skip;
        }
        if (m_skip > 0) {
            --m_skip;
            return p;
        }
        flushBytes();
        if (!m_stack.empty()) {
            controlWord(name, hasParam, param);
        }
        return p;
    }

    void controlWord(QByteArrayView name, bool hasParam, int param)
    {
        Group& g = group();
        const bool on = !hasParam || param != 0;
        // "\*" marks only the control word right after it as an ignorable destination.
        const bool starred = std::exchange(g.starred, false);

        // Destinations first.
        if (name == "fonttbl") {
            g.destination = Destination::FontTable;
            return;
        }
        if (name == "colortbl") {
            g.destination = Destination::ColorTable;
            return;
        }
        if (name == "expandedcolortbl") {
            g.destination = Destination::ExpandedColorTable;
            return;
        }
        if (name == "fldrslt" || name == "listtext" || name == "pntext" || name == "field") {
            if (g.destination != Destination::Skip) {
                g.destination = Destination::Text;
            }
            return;
        }
        if (isSkippedDestination(name)) {
            g.destination = Destination::Skip;
            return;
        }
        if (starred) {
            // An ignorable destination we do not know.
            g.destination = Destination::Skip;
            return;
        }
        if (g.destination == Destination::Skip) {
            return;
        }
        if (g.destination == Destination::FontTable) {
            fontTableWord(name, param);
            return;
        }
        if (g.destination == Destination::ColorTable) {
            const int component = std::clamp(param, 0, 255);
            if (name == "red") {
                m_pendingColor.setRed(component);
                m_colorSeen = true;
            } else if (name == "green") {
                m_pendingColor.setGreen(component);
                m_colorSeen = true;
            } else if (name == "blue") {
                m_pendingColor.setBlue(component);
                m_colorSeen = true;
            }
            return;
        }
        if (g.destination == Destination::ExpandedColorTable) {
            if (name == "c") {
                if (m_expandedValues.size() < 8) {
                    m_expandedValues.push_back(std::clamp(param, 0, 100000));
                }
            } else if (name == "csgray") {
                m_expandedGray = true;
            }
            return;
        }

        CharState& ch = g.chars;
        ParaState& pa = g.para;
        if (name == "par" || name == "sect" || name == "page" || name == "row") {
            paragraph();
        } else if (name == "line") {
            character(u'\u2028');
        } else if (name == "tab" || name == "cell" || name == "nestcell") {
            character(u'\t');
        } else if (name == "u") {
            // Signed 16-bit values stand for the units above 0x7FFF; anything else is no character.
            const int unit = param < -32768 || param > 0xFFFF ? 0xFFFD : (param < 0 ? param + 65536 : param);
            if (unit != 0) {
                unicodeUnit(char16_t(unit));
            }
            m_skip = g.unicodeSkip;
        } else if (name == "uc") {
            g.unicodeSkip = std::clamp(param, 0, kMaxUnicodeSkip);
        } else if (name == "plain") {
            ch = CharState{};
            ch.font = m_defaultFont;
        } else if (name == "f") {
            ch.font = std::clamp(param, 0, kMaxParameter);
        } else if (name == "fs") {
            ch.halfPoints = hasParam && param > 0 ? std::clamp(param, 1, int(kMaxFontSize * 2)) : 24;
        } else if (name == "b") {
            ch.bold = on;
        } else if (name == "i") {
            ch.italic = on;
        } else if (name == "ul" || name == "uld" || name == "uldb" || name == "ulw" || name == "ulwave"
                   || name == "uldash" || name == "uldashd" || name == "uldashdd" || name == "ulth" || name == "ulhwave"
                   || name == "ululdbwave" || name == "ulthd" || name == "ulthdash" || name == "ulldash"
                   || name == "ulthldash" || name == "ulthdashd" || name == "ulthdashdd") {
            ch.underline = on;
        } else if (name == "ulnone") {
            ch.underline = false;
        } else if (name == "strike" || name == "striked") {
            ch.strike = on;
        } else if (name == "v") {
            ch.hidden = on;
        } else if (name == "cf") {
            ch.foreground = std::clamp(param, 0, kMaxTableEntries);
        } else if (name == "cb" && m_cocoa && param == 1) {
            // The other desktop's writer keeps its default background (white) as colour 1 and ends every
            // highlight with \cb1: that is "no background", never an opaque white one.
            ch.background = 0;
        } else if (name == "cb" || name == "highlight" || name == "chcbpat") {
            ch.background = std::clamp(param, 0, kMaxTableEntries);
        } else if (name == "pard") {
            pa = ParaState{};
        } else if (name == "li") {
            pa.leftIndent = clampTwips(param);
        } else if (name == "ri") {
            pa.rightIndent = clampTwips(param);
        } else if (name == "fi") {
            pa.firstIndent = clampTwips(param);
        } else if (name == "sb") {
            pa.spaceBefore = std::max(0, clampTwips(param));
        } else if (name == "sa") {
            pa.spaceAfter = std::max(0, clampTwips(param));
        } else if (name == "slleading") {
            pa.leading = std::max(0, clampTwips(param));
        } else if (name == "sl") {
            pa.lineSpacing = clampTwips(param);
        } else if (name == "slmult") {
            pa.lineMultiple = on;
        } else if (name == "ql") {
            pa.alignment = Qt::AlignLeft;
        } else if (name == "qc") {
            pa.alignment = Qt::AlignHCenter;
        } else if (name == "qr") {
            pa.alignment = Qt::AlignRight;
        } else if (name == "qj") {
            pa.alignment = Qt::AlignJustify;
        } else if (name == "tqr") {
            pa.pendingTabType = QTextOption::RightTab;
        } else if (name == "tqc") {
            pa.pendingTabType = QTextOption::CenterTab;
        } else if (name == "tqdec") {
            pa.pendingTabType = QTextOption::DelimiterTab;
        } else if (name == "tx" || name == "tb") {
            if (pa.tabs.size() < 256) {
                pa.tabs.append(
                    QTextOption::Tab(std::max(0, clampTwips(param)) / vsp::editor::kTwipsPerPixel, pa.pendingTabType));
            }
            pa.pendingTabType = QTextOption::LeftTab;
        } else if (name == "deff") {
            m_defaultFont = std::clamp(param, 0, kMaxParameter);
            if (m_stack.size() <= 2) {
                for (Group& outer : m_stack) {
                    if (outer.chars.font < 0) {
                        outer.chars.font = m_defaultFont;
                    }
                }
            }
        } else if (name == "cocoartf") {
            m_cocoa = true;
        } else if (name == "ansicpg") {
            m_codepage = std::clamp(param, 0, 65535);
        } else if (name == "mac") {
            m_codepage = 10000;
        } else if (name == "pc") {
            m_codepage = 437;
        } else if (name == "pca") {
            m_codepage = 850;
        } else if (name == "emdash") {
            character(u'\u2014');
        } else if (name == "endash") {
            character(u'\u2013');
        } else if (name == "bullet") {
            character(u'\u2022');
        } else if (name == "lquote") {
            character(u'\u2018');
        } else if (name == "rquote") {
            character(u'\u2019');
        } else if (name == "ldblquote") {
            character(u'\u201C');
        } else if (name == "rdblquote") {
            character(u'\u201D');
        } else if (name == "emspace") {
            character(u'\u2003');
        } else if (name == "enspace") {
            character(u'\u2002');
        } else if (name == "qmspace") {
            character(u'\u2005');
        }
    }

    static int clampTwips(int value) { return std::clamp(value, -31680, 31680); }

    void fontTableWord(QByteArrayView name, int param)
    {
        if (name == "f") {
            m_fontNumber = std::clamp(param, 0, kMaxParameter);
            m_fontName.clear();
            m_fontCharset = 0;
        } else if (name == "fcharset") {
            m_fontCharset = std::clamp(param, 0, 255);
        } else if (name == "u") {
            const int unit = param < -32768 || param > 0xFFFF ? 0xFFFD : (param < 0 ? param + 65536 : param);
            if (unit != 0 && m_fontName.size() < 256) {
                m_fontName.append(QChar(char16_t(unit)));
            }
            m_skip = group().unicodeSkip;
        }
    }

    void endGroup()
    {
        const Destination ended = m_stack.back().destination;
        if (m_stack.size() == 1) {
            finishHighSurrogate();
            flushText();
            m_lastPara = m_stack.back().para;
            m_lastChars = m_stack.back().chars;
        }
        m_stack.pop_back();
        if (!m_stack.empty() && ended == Destination::FontTable
            && m_stack.back().destination != Destination::FontTable) {
            finishFontEntry();
        }
    }

    // Text of the current destination.
    void character(char16_t c)
    {
        finishHighSurrogate();
        text(c);
    }

    void unicodeUnit(char16_t c)
    {
        if (QChar::isHighSurrogate(c)) {
            finishHighSurrogate();
            m_highSurrogate = c;
            return;
        }
        if (QChar::isLowSurrogate(c)) {
            if (m_highSurrogate) {
                const char16_t high = *m_highSurrogate;
                m_highSurrogate.reset();
                text(high);
                text(c);
            } else {
                text(u'\uFFFD');
            }
            return;
        }
        finishHighSurrogate();
        text(c);
    }

    void finishHighSurrogate()
    {
        if (m_highSurrogate) {
            m_highSurrogate.reset();
            text(u'\uFFFD');
        }
    }

    void text(char16_t c)
    {
        if (m_stack.empty()) {
            return; // after the document's group
        }
        Group& g = group();
        switch (g.destination) {
        case Destination::Skip: return;
        case Destination::FontTable:
            if (c == u';') {
                finishFontEntry();
            } else if (m_fontName.size() < 256) {
                m_fontName.append(QChar(c));
            }
            return;
        case Destination::ColorTable:
            if (c == u';') {
                if (m_colors.size() < kMaxTableEntries) {
                    m_colors.push_back(m_colorSeen ? m_pendingColor : QColor());
                }
                m_pendingColor = QColor(0, 0, 0);
                m_colorSeen = false;
            }
            return;
        case Destination::ExpandedColorTable:
            if (c == u';') {
                if (m_expanded.size() < size_t(kMaxTableEntries)) {
                    m_expanded.push_back({m_expandedValues, m_expandedGray});
                }
                m_expandedValues.clear();
                m_expandedGray = false;
            }
            return;
        case Destination::Text: break;
        }
        if (g.chars.hidden) {
            return;
        }
        if (!m_text.isEmpty() && !(g.chars == m_textState)) {
            flushText();
        }
        if (m_text.isEmpty()) {
            m_textState = g.chars;
        }
        m_text.append(QChar(c));
    }

    void finishFontEntry()
    {
        if (m_fontNumber >= 0 && !m_fontName.isEmpty() && m_fonts.size() < kMaxTableEntries) {
            m_fonts[m_fontNumber] = fontEntryOf(m_fontName, m_fontCharset);
        }
        m_fontName.clear();
        m_fontNumber = -1;
        m_fontCharset = 0;
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty()) {
            return;
        }
        const QByteArray bytes = std::exchange(m_bytes, {});
        const int codepage = currentCodepage();
        QString decoded;
        if (codepage == 1252 || codepage == 0) {
            decoded.reserve(bytes.size());
            for (const char b : bytes) {
                const auto byte = static_cast<unsigned char>(b);
                decoded.append(
                    QChar(codepage == 1252 && byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte)));
            }
        } else {
            auto found = m_decoders.find(codepage);
            if (found == m_decoders.end()) {
                found =
                    m_decoders.emplace(codepage, QStringDecoder(decoderNameOf(codepage).toLatin1().constData())).first;
            }
            QStringDecoder& decoder = found->second;
            decoded = decoder.isValid() ? QString(decoder.decode(bytes)) : QString::fromLatin1(bytes);
        }
        for (const QChar c : std::as_const(decoded)) {
            if (c.unicode() >= 0x20 || c == u'\t') {
                unicodeUnit(c.unicode());
            }
        }
    }

    int currentCodepage() const
    {
        if (m_stack.empty()) {
            return m_codepage;
        }
        const auto found = m_fonts.find(m_stack.back().chars.font);
        if (found == m_fonts.end()) {
            return m_codepage;
        }
        return codepageOfCharset(found->second.charset, m_codepage);
    }

    QColor colorAt(int index) const
    {
        if (index <= 0 || size_t(index) >= m_colors.size()) {
            return {};
        }
        QColor color = m_colors[size_t(index)];
        if (!color.isValid()) {
            return {};
        }
        if (size_t(index) < m_expanded.size()) {
            const auto& [values, gray] = m_expanded[size_t(index)];
            const size_t alphaSlot = gray ? 1 : 3;
            if (values.size() > alphaSlot) {
                color.setAlphaF(float(values[alphaSlot] / 100000.0));
            }
        }
        return color;
    }

    QTextCharFormat formatOf(const CharState& state)
    {
        for (const auto& [cached, format] : m_formatCache) {
            if (cached == state) {
                return format;
            }
        }
        QTextCharFormat format;
        bool bold = state.bold;
        bool italic = state.italic;
        const auto font = m_fonts.find(state.font);
        if (font != m_fonts.end()) {
            if (!font->second.family.isEmpty()) {
                format.setFontFamilies(QStringList{font->second.family});
            }
            bold = bold || font->second.bold;
            italic = italic || font->second.italic;
        }
        format.setFontPointSize(state.halfPoints / 2.0);
        format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(italic);
        format.setFontUnderline(state.underline);
        format.setFontStrikeOut(state.strike);
        if (const QColor fg = colorAt(state.foreground); fg.isValid()) {
            format.setForeground(fg);
        }
        if (const QColor bg = colorAt(state.background); bg.isValid()) {
            format.setBackground(bg);
        }
        if (m_adjust) {
            m_adjust(format);
        }
        if (m_formatCache.size() >= 64) {
            m_formatCache.erase(m_formatCache.begin());
        }
        m_formatCache.emplace_back(state, format);
        return format;
    }

    void flushText()
    {
        if (m_text.isEmpty()) {
            return;
        }
        m_cursor.insertText(m_text, formatOf(m_textState));
        m_text.clear();
        m_wroteText = true;
    }

    QTextBlockFormat blockFormatOf(const ParaState& p) const
    {
        QTextBlockFormat format;
        format.setLeftMargin(p.leftIndent / vsp::editor::kTwipsPerPixel);
        format.setRightMargin(p.rightIndent / vsp::editor::kTwipsPerPixel);
        format.setTextIndent(p.firstIndent / vsp::editor::kTwipsPerPixel);
        format.setTopMargin(p.spaceBefore / vsp::editor::kTwipsPerPixel);
        format.setBottomMargin(p.spaceAfter / vsp::editor::kTwipsPerPixel);
        format.setAlignment(p.alignment);
        if (p.leading >= 0) {
            format.setLineHeight(p.leading / vsp::editor::kTwipsPerPixel, QTextBlockFormat::LineDistanceHeight);
        } else if (p.lineSpacing != 0) {
            if (p.lineMultiple) {
                format.setLineHeight(std::clamp(std::abs(p.lineSpacing) / 240.0 * 100, 50.0, 500.0),
                                     QTextBlockFormat::ProportionalHeight);
            } else if (p.lineSpacing > 0) {
                format.setLineHeight(p.lineSpacing / vsp::editor::kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
            } else {
                format.setLineHeight(-p.lineSpacing / vsp::editor::kTwipsPerPixel, QTextBlockFormat::FixedHeight);
            }
        }
        if (!p.tabs.isEmpty()) {
            format.setTabPositions(p.tabs);
        }
        return format;
    }

    void applyBlockFormat()
    {
        const ParaState& para = m_stack.empty() ? m_lastPara : m_stack.back().para;
        const CharState& chars = m_stack.empty() ? m_lastChars : m_stack.back().chars;
        m_cursor.setBlockFormat(blockFormatOf(para));
        m_cursor.setBlockCharFormat(formatOf(chars));
    }

    void paragraph()
    {
        if (group().destination != Destination::Text) {
            return;
        }
        finishHighSurrogate();
        flushText();
        applyBlockFormat();
        m_cursor.insertBlock(QTextBlockFormat(), formatOf(group().chars));
    }

    const QByteArray& m_data;
    ReadLimits m_limits;
    const std::function<void(QTextCharFormat&)>& m_adjust;
    QTextCursor m_cursor;
    std::vector<Group> m_stack;
    int m_skip = 0;
    QByteArray m_bytes;
    std::optional<char16_t> m_highSurrogate;
    QString m_text;
    CharState m_textState;
    bool m_wroteText = false;
    ParaState m_lastPara;
    CharState m_lastChars;
    int m_defaultFont = -1;
    int m_codepage = 1252;
    /// The header named the other desktop's writer ("\cocoartf"), whose colour 1 is the default background.
    bool m_cocoa = false;
    std::map<int, FontEntry> m_fonts;
    int m_fontNumber = -1;
    int m_fontCharset = 0;
    QString m_fontName;
    std::vector<QColor> m_colors;
    QColor m_pendingColor = QColor(0, 0, 0);
    bool m_colorSeen = false;
    std::vector<std::pair<std::vector<int>, bool>> m_expanded;
    std::vector<int> m_expandedValues;
    bool m_expandedGray = false;
    std::map<int, QStringDecoder> m_decoders;
    std::vector<std::pair<CharState, QTextCharFormat>> m_formatCache;
};

} // namespace

bool looksLikeRtf(const QByteArray& data)
{
    QByteArrayView view(data);
    if (view.startsWith("\xEF\xBB\xBF")) {
        view = view.sliced(3);
    }
    qsizetype i = 0;
    while (i < view.size() && (view[i] == ' ' || view[i] == '\t' || view[i] == '\r' || view[i] == '\n')) {
        ++i;
    }
    return view.sliced(i).startsWith("{\\rtf");
}

bool readRtf(const QByteArray& data, QTextDocument& document, const ReadLimits& limits,
             const std::function<void(QTextCharFormat&)>& adjust)
{
    document.clear();
    if (data.size() > limits.maxBytes || !looksLikeRtf(data)) {
        return false;
    }
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    const bool ok = Reader(data, document, limits, adjust).read();
    cursor.endEditBlock();
    if (!ok) {
        document.clear();
    }
    return ok;
}

} // namespace vsp::rtf
