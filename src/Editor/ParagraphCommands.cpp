#include "Editor/ParagraphCommands.h"

#include "Editor/DisplayBlocks.h"
#include "Editor/TextAttributes.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <limits>
#include <vector>

namespace vsp::editor {

namespace {

const QString kBullet = QStringLiteral("\u2022\t");
const QString kUnchecked = QStringLiteral("\u2610 ");
const QString kChecked = QStringLiteral("\u2611 ");

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

int leadingBlanks(QStringView text)
{
    int n = 0;
    while (n < text.size() && isBlank(text[n])) {
        ++n;
    }
    return n;
}

int trailingStart(QStringView text, int floor)
{
    int end = int(text.size());
    while (end > floor && isBlank(text[end - 1])) {
        --end;
    }
    return end;
}

qint64 numberOf(QStringView digits)
{
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') {
            return 0; // digits of another script
        }
        const int digit = c.unicode() - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10) {
            return 0;
        }
        value = value * 10 + digit;
    }
    return value;
}

// The paragraphs the selection touches: first and last block.
std::pair<QTextBlock, QTextBlock> selectedBlocks(const QTextEdit& view)
{
    const QTextCursor cursor = view.textCursor();
    const QTextDocument& document = *view.document();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    QTextBlock first = document.findBlock(start);
    // A paragraph held in display blocks is one paragraph.
    while (vsp::editor::continuesParagraph(first)) {
        first = first.previous();
    }
    const QTextBlock last = vsp::editor::lastBlockOfParagraph(document.findBlock(end > start ? end - 1 : start));
    return {first, last};
}

std::vector<QTextBlock> blocksBetween(const QTextBlock& first, const QTextBlock& last)
{
    std::vector<QTextBlock> blocks;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        // A display block goes on the line before it: lines start only at paragraph starts.
        if (!vsp::editor::continuesParagraph(block)) {
            blocks.push_back(block);
        }
        if (block == last) {
            break;
        }
    }
    return blocks;
}

// The format a new marker takes: that of the text it stands before, without line decorations.
QTextCharFormat markerFormat(const QTextDocument& document, const QTextBlock& block, int offset)
{
    QTextCharFormat format =
        offset < block.length() - 1 ? charFormatAt(document, block.position() + offset) : block.charFormat();
    format.setFontUnderline(false);
    format.setFontStrikeOut(false);
    format.clearBackground();
    format.clearProperty(kBackgroundRoleProperty);
    format.setAnchor(false);
    format.clearProperty(QTextFormat::AnchorHref);
    return format;
}

struct LineParts {
    int lead = 0; // indentation length
    QStringView content; // the line after its indentation (valid while the line's text lives)
    LineMarker marker; // marker after the indentation
    int restStart = 0; // offset of the text after the marker
    int restEnd = 0; // offset where the trailing blanks start
    bool emptyAfterTrim = false;
};

LineParts partsOf(QStringView text)
{
    LineParts parts;
    parts.lead = leadingBlanks(text);
    parts.emptyAfterTrim = parts.lead == text.size();
    parts.content = text.sliced(parts.lead);
    parts.marker = markerAt(parts.content);
    parts.restStart = parts.lead + parts.marker.length;
    parts.restEnd = trailingStart(text, parts.restStart);
    return parts;
}

// Rewrites the start of every selected line: `markerFor` gives the new marker of a line (empty for
// none); indentation, old marker and trailing blanks go. Selects the rewritten lines afterwards.
void rewriteLineStarts(QTextEdit& view, const std::function<QString(const LineParts&)>& markerFor)
{
    QTextDocument& document = *view.document();
    const auto [first, last] = selectedBlocks(view);
    const std::vector<QTextBlock> blocks = blocksBetween(first, last);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    // Last line first, so the positions of the lines before stay put.
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
        const QTextBlock& block = *it;
        const QString text = block.text();
        const LineParts parts = partsOf(text);
        const int position = block.position();
        if (parts.emptyAfterTrim) {
            if (!text.isEmpty()) {
                cursor.setPosition(position);
                cursor.setPosition(position + int(text.size()), QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
            }
            continue;
        }
        const QString marker = markerFor(parts);
        // The trailing blanks of a paragraph held in display blocks are at the end of its last one.
        if (parts.restEnd < text.size() && !vsp::editor::continuesParagraph(block.next())) {
            cursor.setPosition(position + parts.restEnd);
            cursor.setPosition(position + int(text.size()), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        const QTextCharFormat format = markerFormat(document, block, parts.restStart);
        const bool unchanged = parts.lead == 0 && text.sliced(0, parts.marker.length) == marker;
        if (unchanged) {
            continue;
        }
        cursor.setPosition(position);
        cursor.setPosition(position + parts.restStart, QTextCursor::KeepAnchor);
        if (marker.isEmpty()) {
            cursor.removeSelectedText();
        } else {
            cursor.insertText(marker, format);
        }
    }
    cursor.endEditBlock();

    // The whole rewritten text, through the line break of the last line when there is one.
    QTextCursor selection(&document);
    selection.setPosition(first.position());
    const int end = last.position() + last.length() - (last.next().isValid() ? 0 : 1);
    selection.setPosition(end, QTextCursor::KeepAnchor);
    view.setTextCursor(selection);
}

// Line starts of the selected paragraphs: block starts and the starts after line separators.
std::vector<int> lineStartsOf(const std::vector<QTextBlock>& blocks)
{
    std::vector<int> starts;
    for (const QTextBlock& block : blocks) {
        starts.push_back(block.position());
        const QString text = block.text();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == QChar::LineSeparator || text[i] == u'\r' || text[i] == QChar(0x0B) || text[i] == QChar(0x0C)
                || text[i] == QChar(0x85)) {
                starts.push_back(block.position() + int(i) + 1);
            }
        }
    }
    return starts;
}

bool isLineBreak(QChar c)
{
    return c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == u'\n' || c == u'\r' || c == QChar(0x0B)
           || c == QChar(0x0C) || c == QChar(0x85);
}

} // namespace

LineMarker markerAt(QStringView text)
{
    LineMarker marker;
    if (text.startsWith(kBullet)) {
        return {LineMarker::Kind::Bullet, 2, 0};
    }
    if (text.startsWith(kUnchecked)) {
        return {LineMarker::Kind::Unchecked, 2, 0};
    }
    if (text.startsWith(kChecked)) {
        return {LineMarker::Kind::Checked, 2, 0};
    }
    int digits = 0;
    while (digits < text.size() && text[digits].isDigit()) {
        ++digits;
    }
    if (digits > 0 && text.size() >= digits + 2 && text[digits] == u'.' && text[digits + 1] == u'\t') {
        return {LineMarker::Kind::Number, digits + 2, numberOf(text.first(digits))};
    }
    // A line holding only a bullet or box whose separator was trimmed away still carries that marker.
    // Digits and a full stop alone are not one: "2024." is text the user typed.
    const QStringView bare = text.first(trailingStart(text, 0));
    if (bare == u"\u2022") {
        return {LineMarker::Kind::Bullet, 1, 0};
    }
    if (bare == u"\u2610") {
        return {LineMarker::Kind::Unchecked, 1, 0};
    }
    if (bare == u"\u2611") {
        return {LineMarker::Kind::Checked, 1, 0};
    }
    return marker;
}

void applyListPrefix(const QString& prefix, QTextEdit& view)
{
    // A bare "•" (its tab gone) still counts as the bullet.
    const LineMarker::Kind kind = markerAt(prefix).kind;
    rewriteLineStarts(view, [&](const LineParts& parts) {
        const bool carries =
            parts.content.startsWith(prefix) || (kind == LineMarker::Kind::Bullet && parts.marker.kind == kind);
        return carries ? QString() : prefix;
    });
}

void applyNumberedList(QTextEdit& view)
{
    const auto [first, last] = selectedBlocks(view);
    bool allNumbered = true;
    for (const QTextBlock& block : blocksBetween(first, last)) {
        const LineParts parts = partsOf(block.text());
        if (!parts.emptyAfterTrim && parts.marker.kind != LineMarker::Kind::Number) {
            allNumbered = false;
            break;
        }
    }
    if (allNumbered) {
        rewriteLineStarts(view, [](const LineParts&) { return QString(); });
        return;
    }
    // Lines are rewritten last to first: count the non-empty lines to number from the end.
    int count = 0;
    for (const QTextBlock& block : blocksBetween(first, last)) {
        count += partsOf(block.text()).emptyAfterTrim ? 0 : 1;
    }
    int n = count;
    rewriteLineStarts(view, [&](const LineParts&) -> QString { return QString::number(n--) + QStringLiteral(".\t"); });
}

void applyChecklist(QTextEdit& view)
{
    rewriteLineStarts(view, [](const LineParts& parts) {
        switch (parts.marker.kind) {
        case LineMarker::Kind::Checked: return QString();
        case LineMarker::Kind::Unchecked: return kChecked;
        default: return kUnchecked;
        }
    });
}

void applyQuote(QTextEdit& view, const FormatContext& context)
{
    QTextDocument& document = *view.document();
    const auto [first, last] = selectedBlocks(view);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.setPosition(first.position());
    cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    cursor.setBlockFormat(quoteBlockFormat());
    QTextCharFormat colour;
    setForegroundRole(colour, ColorRole::Quote, context.palette);
    cursor.mergeCharFormat(colour);
    cursor.endEditBlock();
}

void applyIndent(QTextEdit& view)
{
    QTextDocument& document = *view.document();
    const auto [first, last] = selectedBlocks(view);
    const std::vector<QTextBlock> blocks = blocksBetween(first, last);
    const std::vector<int> starts = lineStartsOf(blocks);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        const int start = *it;
        const QChar c = document.characterAt(start);
        const bool empty = c == QChar::ParagraphSeparator || isLineBreak(c) || c.isNull();
        if (empty) {
            continue;
        }
        const QTextBlock block = document.findBlock(start);
        cursor.setPosition(start);
        cursor.insertText(QStringLiteral("\t"), markerFormat(document, block, start - block.position()));
    }
    cursor.endEditBlock();
}

void applyOutdent(QTextEdit& view)
{
    QTextDocument& document = *view.document();
    const auto [first, last] = selectedBlocks(view);
    const std::vector<int> starts = lineStartsOf(blocksBetween(first, last));
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        const int start = *it;
        int remove = 0;
        if (document.characterAt(start) == u'\t') {
            remove = 1;
        } else if (document.characterAt(start) == u' ' && document.characterAt(start + 1) == u' '
                   && document.characterAt(start + 2) == u' ' && document.characterAt(start + 3) == u' ') {
            remove = 4;
        }
        if (remove > 0) {
            cursor.setPosition(start);
            cursor.setPosition(start + remove, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    }
    cursor.endEditBlock();
}

ReturnAction returnActionFor(QStringView line, int caretOffset)
{
    ReturnAction action;
    if (caretOffset < 0 || caretOffset > line.size()) {
        return action;
    }
    const int lead = leadingBlanks(line);
    const QStringView content = line.sliced(lead);
    const LineMarker marker = markerAt(content);
    if (marker.kind == LineMarker::Kind::None || caretOffset < lead + marker.length) {
        return action;
    }
    const QStringView rest = content.sliced(marker.length);
    if (trailingStart(rest, 0) == 0) {
        action.kind = ReturnAction::Kind::EndList;
        action.removeOffset = lead;
        action.removeLength = marker.length;
        return action;
    }
    QString continuation;
    switch (marker.kind) {
    case LineMarker::Kind::Bullet: continuation = kBullet; break;
    case LineMarker::Kind::Unchecked:
    case LineMarker::Kind::Checked: continuation = kUnchecked; break;
    case LineMarker::Kind::Number: {
        // Beyond the largest 64-bit number the list starts again at 1.
        const qint64 next = marker.number < std::numeric_limits<qint64>::max() ? marker.number + 1 : 1;
        continuation = QString::number(next) + QStringLiteral(".\t");
        break;
    }
    case LineMarker::Kind::None: break;
    }
    action.kind = ReturnAction::Kind::Continue;
    action.insertion = line.first(lead).toString() + continuation;
    return action;
}

} // namespace vsp::editor
