#pragma once

#include "Editor/FormattingCommands.h"

#include <QString>

class QTextEdit;

/// Paragraph commands and list continuation. Lists are characters at the start of a line, after any
/// indentation of tabs and blanks: "•\t" (bullet), "☐ " and "☑ " (checklist), digits + ".\t"
/// (numbered). A line that holds nothing but a bullet or box without its separator ("•", "☐") also
/// counts as carrying that marker; digits with a full stop and no tab ("7.") are text.
///
/// Each command works on every paragraph that the selection touches (the caret's paragraph when the
/// selection is empty), edits only the start (and trailing blanks) of each line so the formatting
/// inside the lines stays, and is one undo step.
namespace vsp::editor {

/// The list marker at the start of `text` (already stripped of its indentation).
struct LineMarker {
    enum class Kind { None, Bullet, Unchecked, Checked, Number };
    Kind kind = Kind::None;
    /// UTF-16 length of the marker in the line (0 for None).
    int length = 0;
    /// For numbers: the value when the digits are ASCII and fit a 64-bit integer, else 0.
    qint64 number = 0;
};
LineMarker markerAt(QStringView text);

/// Toggles `prefix`, one of the line markers ("•\t", "☐ ", "☑ "), per line: lines carrying it lose it,
/// the others lose any other marker and their indentation and get it; lines empty after trimming become
/// empty. Selects the rewritten lines.
void applyListPrefix(const QString& prefix, QTextEdit& view);
/// Numbers the lines 1, 2, … (empty lines skipped), or removes the numbers when every non-empty line
/// is numbered. Selects the rewritten lines.
void applyNumberedList(QTextEdit& view);
/// Cycles each line: no box → "☐ " → "☑ " → no box. Selects the rewritten lines.
void applyChecklist(QTextEdit& view);
/// Gives the paragraphs the quote paragraph style and the quote colour. Not a toggle.
void applyQuote(QTextEdit& view, const FormatContext& context);
/// A tab before every non-empty line.
void applyIndent(QTextEdit& view);
/// Removes one leading tab, else four leading blanks, from every line.
void applyOutdent(QTextEdit& view);

/// What Return does on a line: nothing special (an ordinary new line), continue the list with
/// `insertion` after the new line, or end the list by removing `removeLength` characters at
/// `removeOffset` of the line (no new line).
struct ReturnAction {
    enum class Kind { Newline, Continue, EndList };
    Kind kind = Kind::Newline;
    QString insertion;
    int removeOffset = 0;
    int removeLength = 0;
};

/// Decides Return for the caret at `caretOffset` (UTF-16) inside `line` (without its line break).
/// A caret inside the indentation or the marker gives an ordinary new line.
ReturnAction returnActionFor(QStringView line, int caretOffset);

} // namespace vsp::editor
