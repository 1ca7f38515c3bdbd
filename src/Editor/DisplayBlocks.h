#pragma once

#include <QStringView>
#include <QTextFormat>

class QTextBlock;
class QTextDocument;

/// Display blocks: a paragraph too long to lay out quickly in one piece (a pasted log, a dictated
/// transcript, imported text, often all on one line) is held in a document as several blocks. Qt lays a
/// block out whole on every change to it, so a block of a million characters takes seconds per key;
/// blocks of a few thousand take a millisecond.
///
/// The block separator between two display blocks of one paragraph stands for no character: it carries
/// kContinuesParagraphProperty in its character format (the char format of the block after it), and
/// plainTextOf(), the RTF writer and so the stored body skip it. The text is cut after a sentence or a
/// blank where one is near the size, so a reader sees the break where the lines would break anyway.
namespace vsp::editor {

/// The most characters (UTF-16 units) a block holds before it is split.
inline constexpr qsizetype kDisplayBlockCharacters = 4000;
/// Char-format property (bool) of a block separator that stands for no character.
inline constexpr int kContinuesParagraphProperty = QTextFormat::UserProperty + 3;

/// Where the display block of `line` (text without line breaks) that starts at `from` ends: the line's
/// end when the rest is at most kDisplayBlockCharacters long; else after the last sentence end (".",
/// "!" or "?" and a blank) in the block's last quarter, else after its last blank, else at the size
/// (moved back by one rather than part a surrogate pair). Always past `from`.
qsizetype displayBlockEnd(QStringView line, qsizetype from);

/// Whether `block` goes on the paragraph of the block before it.
bool continuesParagraph(const QTextBlock& block);

/// The last display block of the paragraph `block` is in (`block` itself when nothing continues it).
QTextBlock lastBlockOfParagraph(const QTextBlock& block);

/// Splits every block of `document` longer than kDisplayBlockCharacters into display blocks, in one edit
/// block. The characters and their formats stay; the first block keeps the paragraph's format but its
/// space below, the last keeps that space but neither the space above nor the first-line indent, the
/// ones between have none of them. plainTextOf() and the RTF writer give what they gave before.
void splitLongBlocks(QTextDocument& document);

} // namespace vsp::editor
