#include "Editor/DisplayBlocks.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace vsp::editor {

qsizetype displayBlockEnd(QStringView line, qsizetype from)
{
    const qsizetype limit = from + kDisplayBlockCharacters;
    if (line.size() <= limit) {
        return line.size();
    }
    const qsizetype quarter = limit - kDisplayBlockCharacters / 4;
    qsizetype blank = -1;
    for (qsizetype i = limit - 1; i > from; --i) {
        if (i < quarter && blank > 0) {
            return blank;
        }
        if (!line[i].isSpace()) {
            continue;
        }
        const QChar before = line[i - 1];
        if (i >= quarter && (before == u'.' || before == u'!' || before == u'?')) {
            return i + 1;
        }
        if (blank < 0) {
            blank = i + 1;
        }
    }
    if (blank > 0) {
        return blank;
    }
    return line[limit - 1].isHighSurrogate() ? limit - 1 : limit;
}

bool continuesParagraph(const QTextBlock& block)
{
    return block.isValid() && block.position() > 0 && block.charFormat().boolProperty(kContinuesParagraphProperty);
}

QTextBlock lastBlockOfParagraph(const QTextBlock& block)
{
    QTextBlock last = block;
    while (continuesParagraph(last.next())) {
        last = last.next();
    }
    return last;
}

void splitLongBlocks(QTextDocument& document)
{
    QTextCursor cursor(&document);
    bool editing = false;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.length() - 1 <= kDisplayBlockCharacters) {
            continue;
        }
        const QString text = block.text();
        std::vector<qsizetype> cuts;
        for (qsizetype at = displayBlockEnd(text, 0); at < text.size(); at = displayBlockEnd(text, at)) {
            cuts.push_back(at);
        }
        if (cuts.empty()) {
            continue;
        }
        if (!editing) {
            // One edit: the document is laid out once, after the last cut.
            cursor.beginEditBlock();
            editing = true;
        }
        const QTextBlockFormat whole = block.blockFormat();
        QTextBlockFormat first = whole;
        first.setBottomMargin(0);
        QTextBlockFormat middle = first;
        middle.setTopMargin(0);
        middle.setTextIndent(0);
        QTextBlockFormat last = middle;
        last.setBottomMargin(whole.bottomMargin());
        cursor.setPosition(block.position());
        cursor.setBlockFormat(first);
        const int start = block.position();
        // From the end: the positions of the cuts before stay where they were.
        for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut) {
            cursor.setPosition(start + int(*cut));
            QTextCharFormat separator = cursor.charFormat();
            separator.setProperty(kContinuesParagraphProperty, true);
            cursor.insertBlock(cut == cuts.rbegin() ? last : middle, separator);
        }
        // On after the pieces just made.
        block = document.findBlock(start + int(cuts.back()) + int(cuts.size()));
    }
    if (editing) {
        cursor.endEditBlock();
    }
}

} // namespace vsp::editor
