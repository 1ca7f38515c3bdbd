#include "Editor/Rtf/RtfWriter.h"

#include "Editor/DisplayBlocks.h"
#include "Editor/TextAttributes.h"

#include <QFont>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <cmath>
#include <vector>

namespace vsp::rtf {

namespace {

using vsp::editor::kPixelsPerPoint;

// Twips (1/20 point) of a length in document pixels.
int twipsOfPixels(double pixels)
{
    if (!std::isfinite(pixels)) {
        return 0;
    }
    return int(std::lround(std::clamp(pixels / kPixelsPerPoint * 20, -1e6, 1e6)));
}

// The properties of one run that RTF expresses, reduced to table indexes.
struct RunProps {
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int foreground = 0; // colour table index, 0 = automatic
    int background = 0;
    bool operator==(const RunProps&) const = default;
};

class Writer {
public:
    explicit Writer(const QFont& defaultFont) : m_defaultFont(defaultFont) { }

    QByteArray write(const QTextDocument& document)
    {
        // Body first (it fills the font and colour tables), header after.
        m_body.reserve(document.characterCount() + document.characterCount() / 4 + 256);
        m_formatCache.assign(size_t(document.allFormats().size()), std::nullopt);
        bool first = true;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            // A display block goes on its paragraph: no break, no paragraph properties of its own.
            const bool continues = !first && vsp::editor::continuesParagraph(block);
            if (!first && !continues) {
                m_body += "\\par\n";
            }
            first = false;
            if (!continues) {
                writeParagraphProperties(block);
            }
            writeRuns(block);
        }
        return header() + m_body + "}";
    }

private:
    int fontIndex(const QString& family)
    {
        auto found = m_fonts.constFind(family);
        if (found != m_fonts.constEnd()) {
            return *found;
        }
        const int index = int(m_fontNames.size());
        m_fonts.insert(family, index);
        m_fontNames.push_back(family);
        return index;
    }

    int colorIndex(const QColor& color)
    {
        if (!color.isValid()) {
            return 0;
        }
        const QRgba64 rgba = color.rgba64();
        const quint64 key = quint64(rgba);
        auto found = m_colors.constFind(key);
        if (found != m_colors.constEnd()) {
            return *found;
        }
        const int index = int(m_colorList.size()) + 1;
        m_colors.insert(key, index);
        m_colorList.push_back(color.toRgb());
        return index;
    }

    RunProps propsOf(const QTextCharFormat& format)
    {
        RunProps props;
        const QStringList families = format.fontFamilies().toStringList();
        // Formats made elsewhere (HTML import) may carry the older single-family property.
        QString family = families.isEmpty() ? format.stringProperty(QTextFormat::FontFamily) : families.first();
        if (family.isEmpty()) {
            family = m_defaultFont.family();
        }
        props.font = fontIndex(family);
        double size =
            format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : m_defaultFont.pointSizeF();
        if (!std::isfinite(size) || size <= 0) {
            size = 12;
        }
        props.halfPoints = int(std::lround(std::min(size, editor::kMaxFontSize) * 2));
        props.bold = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() >= QFont::Bold
                                                                 : m_defaultFont.weight() >= QFont::Bold;
        props.italic = format.hasProperty(QTextFormat::FontItalic) ? format.fontItalic() : m_defaultFont.italic();
        props.underline = format.fontUnderline();
        props.strike = format.fontStrikeOut();
        if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush) {
            props.foreground = colorIndex(format.foreground().color());
        }
        if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush) {
            props.background = colorIndex(format.background().color());
        }
        return props;
    }

    const RunProps& cachedProps(int formatIndex, const QTextCharFormat& format)
    {
        if (formatIndex < 0 || size_t(formatIndex) >= m_formatCache.size()) {
            m_scratch = propsOf(format);
            return m_scratch;
        }
        auto& slot = m_formatCache[size_t(formatIndex)];
        if (!slot) {
            slot = propsOf(format);
        }
        return *slot;
    }

    void word(const char* text, int value)
    {
        m_body += text;
        m_body += QByteArray::number(value);
        m_pendingSpace = true;
    }

    void word(const char* text)
    {
        m_body += text;
        m_pendingSpace = true;
    }

    void writeParagraphProperties(const QTextBlock& block)
    {
        const QTextBlockFormat format = block.blockFormat();
        word("\\pard");
        if (const int li = twipsOfPixels(format.leftMargin())) {
            word("\\li", li);
        }
        if (const int ri = twipsOfPixels(format.rightMargin())) {
            word("\\ri", ri);
        }
        if (const int fi = twipsOfPixels(format.textIndent())) {
            word("\\fi", fi);
        }
        if (const int sb = twipsOfPixels(format.topMargin())) {
            word("\\sb", sb);
        }
        // The space below belongs to the paragraph's last display block.
        if (const int sa = twipsOfPixels(vsp::editor::lastBlockOfParagraph(block).blockFormat().bottomMargin())) {
            word("\\sa", sa);
        }
        const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
        if (alignment & Qt::AlignHCenter) {
            word("\\qc");
        } else if (alignment & (Qt::AlignRight)) {
            word("\\qr");
        } else if (alignment & Qt::AlignJustify) {
            word("\\qj");
        }
        switch (format.lineHeightType()) {
        case QTextBlockFormat::LineDistanceHeight:
            // Extra leading between lines; office suites that do not know it keep single spacing.
            word("\\slleading", twipsOfPixels(format.lineHeight()));
            break;
        case QTextBlockFormat::ProportionalHeight:
            // Pasted paragraphs of office suites: a multiple of single spacing, 240 standing for one line.
            if (const double percent = format.lineHeight(); std::isfinite(percent) && percent > 0) {
                word("\\sl", int(std::lround(std::min(percent, 1000.0) * 2.4)));
                word("\\slmult1");
            }
            break;
        case QTextBlockFormat::MinimumHeight:
        case QTextBlockFormat::FixedHeight:
            // A positive \sl is a least height, a negative one an exact height.
            if (const int height = twipsOfPixels(format.lineHeight()); height > 0) {
                word("\\sl", format.lineHeightType() == QTextBlockFormat::FixedHeight ? -height : height);
                word("\\slmult0");
            }
            break;
        default: break;
        }
        for (const QTextOption::Tab& tab : format.tabPositions()) {
            switch (tab.type) {
            case QTextOption::RightTab: word("\\tqr"); break;
            case QTextOption::CenterTab: word("\\tqc"); break;
            case QTextOption::DelimiterTab: word("\\tqdec"); break;
            case QTextOption::LeftTab: break;
            }
            word("\\tx", twipsOfPixels(tab.position));
        }
    }

    void writeRuns(const QTextBlock& block)
    {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) {
                continue;
            }
            const RunProps& props = cachedProps(fragment.charFormatIndex(), fragment.charFormat());
            RunProps outside = props;
            outside.background = 0;
            writeRunProps(outside);
            if (props.background != 0) {
                // A background lives in its own group: office suites do not switch \chcbpat off again.
                m_body += '{';
                m_pendingSpace = false;
                word("\\cb", props.background);
                word("\\chcbpat", props.background);
                writeText(fragment.text());
                m_body += '}';
                m_pendingSpace = false;
            } else {
                writeText(fragment.text());
            }
        }
    }

    void writeRunProps(const RunProps& p)
    {
        if (m_hasRun && p == m_current) {
            return;
        }
        const bool all = !m_hasRun;
        if (all || p.font != m_current.font) {
            word("\\f", p.font);
        }
        if (all || p.halfPoints != m_current.halfPoints) {
            word("\\fs", p.halfPoints);
        }
        if (all || p.bold != m_current.bold) {
            word(p.bold ? "\\b" : "\\b0");
        }
        if (all || p.italic != m_current.italic) {
            word(p.italic ? "\\i" : "\\i0");
        }
        if (all || p.underline != m_current.underline) {
            word(p.underline ? "\\ul" : "\\ulnone");
        }
        if (all || p.strike != m_current.strike) {
            word(p.strike ? "\\strike" : "\\strike0");
        }
        if (all || p.foreground != m_current.foreground) {
            word("\\cf", p.foreground);
        }
        m_current = p;
        m_hasRun = true;
    }

    void writeText(const QString& text)
    {
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u == u'\\' || u == u'{' || u == u'}') {
                m_body += '\\';
                m_body += char(u);
                m_pendingSpace = false;
            } else if (u == u'\t') {
                word("\\tab");
            } else if (u == QChar::LineSeparator) {
                word("\\line");
            } else if (u == QChar::ParagraphSeparator || u == u'\n') {
                word("\\par");
            } else if (u >= 0x20 && u < 0x7F) {
                if (m_pendingSpace) {
                    m_body += ' ';
                    m_pendingSpace = false;
                }
                m_body += char(u);
            } else {
                // \uc0 is in force: no fallback characters follow.
                word("\\u", u > 0x7FFF ? int(u) - 0x10000 : int(u));
            }
        }
        if (m_pendingSpace) {
            m_body += ' ';
            m_pendingSpace = false;
        }
    }

    static void appendEscaped(QByteArray& out, const QString& text)
    {
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u == u'\\' || u == u'{' || u == u'}' || u == u';') {
                // A ';' would end the table entry: write it as a Unicode escape.
                if (u == u';') {
                    out += "\\u59 ";
                } else {
                    out += '\\';
                    out += char(u);
                }
            } else if (u >= 0x20 && u < 0x7F) {
                out += char(u);
            } else {
                out += "\\u";
                out += QByteArray::number(u > 0x7FFF ? int(u) - 0x10000 : int(u));
                out += ' ';
            }
        }
    }

    QByteArray header() const
    {
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\uc0\\deff0\\deftab560\n{\\fonttbl";
        if (m_fontNames.empty()) {
            out += "{\\f0\\fnil\\fcharset0 ";
            appendEscaped(out, m_defaultFont.family());
            out += ";}";
        }
        for (size_t i = 0; i < m_fontNames.size(); ++i) {
            out += "{\\f" + QByteArray::number(qsizetype(i)) + "\\fnil\\fcharset0 ";
            appendEscaped(out, m_fontNames[i]);
            out += ";}";
        }
        out += "}\n{\\colortbl;";
        bool anyTranslucent = false;
        for (const QColor& color : m_colorList) {
            out += "\\red" + QByteArray::number(color.red()) + "\\green" + QByteArray::number(color.green()) + "\\blue"
                   + QByteArray::number(color.blue()) + ';';
            anyTranslucent = anyTranslucent || color.alpha() != 255;
        }
        out += "}\n";
        if (anyTranslucent) {
            // Opacity has no place in the colour table; the expanded table carries it.
            out += "{\\*\\expandedcolortbl;";
            for (const QColor& color : m_colorList) {
                if (color.alpha() != 255) {
                    out += "\\csgenericrgb\\c" + QByteArray::number(std::lround(color.redF() * 100000)) + "\\c"
                           + QByteArray::number(std::lround(color.greenF() * 100000)) + "\\c"
                           + QByteArray::number(std::lround(color.blueF() * 100000)) + "\\c"
                           + QByteArray::number(std::lround(color.alphaF() * 100000));
                }
                out += ';';
            }
            out += "}\n";
        }
        return out;
    }

    QFont m_defaultFont;
    QByteArray m_body;
    QHash<QString, int> m_fonts;
    std::vector<QString> m_fontNames;
    QHash<quint64, int> m_colors;
    std::vector<QColor> m_colorList;
    std::vector<std::optional<RunProps>> m_formatCache;
    RunProps m_scratch;
    RunProps m_current;
    bool m_hasRun = false;
    bool m_pendingSpace = false;
};

} // namespace

QByteArray writeRtf(const QTextDocument& document)
{
    return Writer(document.defaultFont()).write(document);
}

QByteArray writeRtf(const QTextDocumentFragment& fragment, const QFont& defaultFont)
{
    QTextDocument document;
    document.setDefaultFont(defaultFont);
    QTextCursor(&document).insertFragment(fragment);
    return Writer(defaultFont).write(document);
}

} // namespace vsp::rtf
