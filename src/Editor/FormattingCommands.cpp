#include "Editor/FormattingCommands.h"

#include "Editor/ParagraphCommands.h"
#include "Editor/TextAttributes.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <charconv>
#include <cmath>
#include <functional>
#include <vector>

namespace vsp::editor {

namespace {

struct Run {
    int start;
    int end;
    QTextCharFormat format;
};

// The runs of equal format inside [start, end).
std::vector<Run> runsIn(const QTextDocument& document, int start, int end)
{
    std::vector<Run> runs;
    for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = std::max(start, fragment.position());
            const int to = std::min(end, fragment.position() + fragment.length());
            if (from < to) {
                runs.push_back({from, to, fragment.charFormat()});
            }
        }
    }
    return runs;
}

bool hasSelection(const QTextEdit& view)
{
    return view.textCursor().hasSelection();
}

// Applies `change` to every run of the selection as one edit block; `change` edits a copy of the
// run's whole format, which then replaces it.
void changeRuns(QTextEdit& view, const std::function<void(QTextCharFormat&)>& change)
{
    const QTextCursor selection = view.textCursor();
    QTextDocument& document = *view.document();
    const std::vector<Run> runs = runsIn(document, selection.selectionStart(), selection.selectionEnd());
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const Run& run : runs) {
        QTextCharFormat format = run.format;
        change(format);
        cursor.setPosition(run.start);
        cursor.setPosition(run.end, QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
    cursor.endEditBlock();
}

void changeTypingFormat(QTextEdit& view, const std::function<void(QTextCharFormat&)>& change)
{
    QTextCharFormat format = view.currentCharFormat();
    change(format);
    // Without a selection this sets the format of the next typed characters only.
    view.setCurrentCharFormat(format);
}

void toggleWeight(QTextCharFormat& format, const FormatContext& context)
{
    if (!format.hasProperty(QTextFormat::FontPointSize)) {
        format.setFontPointSize(sanitizedFontSize(context.fontSize));
    }
    format.setFontWeight(isBold(format) ? QFont::Normal : QFont::Bold);
}

void toggleItalic(QTextCharFormat& format, const FormatContext& context)
{
    if (!format.hasProperty(QTextFormat::FontPointSize)) {
        format.setFontPointSize(sanitizedFontSize(context.fontSize));
    }
    format.setFontItalic(!format.fontItalic());
}

} // namespace

std::optional<double> parseFontSizeValue(QStringView text)
{
    if (text.isEmpty() || text.size() > 64) {
        return std::nullopt;
    }
    QByteArray ascii;
    ascii.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // Digits, sign, point and exponent only: blanks and other letters make the whole value invalid.
        if (!((u >= u'0' && u <= u'9') || u == u'.' || u == u'-' || u == u'+' || u == u'e' || u == u'E')) {
            return std::nullopt;
        }
        ascii.append(char(u));
    }
    const char* begin = ascii.constData();
    const char* end = begin + ascii.size();
    if (*begin == '+') {
        ++begin;
    }
    double value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value) || value <= 0 || value > kMaxFontSize) {
        return std::nullopt;
    }
    return value;
}

void applyBold(QTextEdit& view, const FormatContext& context)
{
    auto change = [&](QTextCharFormat& f) { toggleWeight(f, context); };
    hasSelection(view) ? changeRuns(view, change) : changeTypingFormat(view, change);
}

void applyItalic(QTextEdit& view, const FormatContext& context)
{
    auto change = [&](QTextCharFormat& f) { toggleItalic(f, context); };
    hasSelection(view) ? changeRuns(view, change) : changeTypingFormat(view, change);
}

void applyFontSize(double size, QTextEdit& view, const FormatContext& context)
{
    const bool heading = size >= kHeadingThreshold;
    auto change = [&](QTextCharFormat& f) {
        f.setFontPointSize(size);
        f.setFontWeight(heading ? QFont::Bold : QFont::Normal);
        setForegroundRole(f, heading ? ColorRole::Title : ColorRole::Body, context.palette);
    };
    hasSelection(view) ? changeRuns(view, change) : changeTypingFormat(view, change);
}

namespace {

void toggleLine(QTextEdit& view, bool (QTextCharFormat::*get)() const, void (QTextCharFormat::*set)(bool))
{
    if (!hasSelection(view)) {
        changeTypingFormat(view, [&](QTextCharFormat& f) { (f.*set)(!(f.*get)()); });
        return;
    }
    const QTextCursor selection = view.textCursor();
    bool any = false;
    for (const Run& run : runsIn(*view.document(), selection.selectionStart(), selection.selectionEnd())) {
        if ((run.format.*get)()) {
            any = true;
            break;
        }
    }
    changeRuns(view, [&](QTextCharFormat& f) { (f.*set)(!any); });
}

} // namespace

void applyUnderline(QTextEdit& view)
{
    toggleLine(view, &QTextCharFormat::fontUnderline, &QTextCharFormat::setFontUnderline);
}

void applyStrikethrough(QTextEdit& view)
{
    toggleLine(view, &QTextCharFormat::fontStrikeOut, &QTextCharFormat::setFontStrikeOut);
}

void applyHighlight(QTextEdit& view, const FormatContext& context)
{
    if (!hasSelection(view)) {
        return;
    }
    const QTextCursor selection = view.textCursor();
    bool any = false;
    for (const Run& run : runsIn(*view.document(), selection.selectionStart(), selection.selectionEnd())) {
        if (run.format.hasProperty(QTextFormat::BackgroundBrush) && run.format.background().style() != Qt::NoBrush) {
            any = true;
            break;
        }
    }
    changeRuns(view, [&](QTextCharFormat& f) {
        if (any) {
            f.clearBackground();
            f.clearProperty(kBackgroundRoleProperty);
        } else {
            f.setBackground(context.palette.highlight);
            f.setProperty(kBackgroundRoleProperty, int(ColorRole::Highlight));
        }
    });
}

void applyTextColor(QStringView value, QTextEdit& view, const FormatContext& context)
{
    const bool reset = value == u"reset";
    const QColor color = reset ? QColor() : colorFromHex(value);
    auto change = [&](QTextCharFormat& f) {
        if (reset) {
            setForegroundRole(f, ColorRole::Body, context.palette);
        } else {
            setForegroundColor(f, color);
        }
    };
    hasSelection(view) ? changeRuns(view, change) : changeTypingFormat(view, change);
}

bool applyFormat(const QString& command, QTextEdit& view, const FormatContext& context)
{
    if (command == u"bold") {
        applyBold(view, context);
    } else if (command == u"italic") {
        applyItalic(view, context);
    } else if (command == u"underline") {
        applyUnderline(view);
    } else if (command == u"strikethrough") {
        applyStrikethrough(view);
    } else if (command == u"highlight") {
        applyHighlight(view, context);
    } else if (command == u"bullet") {
        applyListPrefix(QStringLiteral("\u2022\t"), view);
    } else if (command == u"numbered") {
        applyNumberedList(view);
    } else if (command == u"checklist") {
        applyChecklist(view);
    } else if (command == u"quote") {
        applyQuote(view, context);
    } else if (command == u"indent") {
        applyIndent(view);
    } else if (command == u"outdent") {
        applyOutdent(view);
    } else if (command.startsWith(u"size:")) {
        const std::optional<double> size = parseFontSizeValue(QStringView(command).sliced(5));
        if (!size) {
            return false;
        }
        applyFontSize(*size, view, context);
    } else if (command.startsWith(u"color:")) {
        applyTextColor(QStringView(command).sliced(6), view, context);
    } else {
        return false;
    }
    return true;
}

} // namespace vsp::editor
