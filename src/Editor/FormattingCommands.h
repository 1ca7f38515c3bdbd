#pragma once

#include "Editor/EditorPalette.h"

#include <QString>

#include <optional>

class QTextEdit;

/// The formatting commands of the rich-text editor: plain strings that the format bars hand to their
/// host, which passes them to FormattableTextEditor::applyFormat one at a time.
///
/// Vocabulary (exact, case-sensitive): "bold", "italic", "underline", "strikethrough", "highlight",
/// "bullet", "numbered", "checklist", "quote", "indent", "outdent", "size:" + points, "color:" + hex
/// colour or "reset". Anything else is ignored.
///
/// Character commands act on the selection, or with an empty selection on the typing attributes
/// (highlight then does nothing). Every command that changes the document is one undo step.
namespace vsp::editor {

/// What the commands need to know of their editor.
struct FormatContext {
    /// Size of the default font, points.
    double fontSize = 15;
    /// "default", "serif", "rounded" or "mono".
    QString fontDesign = QStringLiteral("default");
    EditorPalette palette;
};

/// Carries out one command on `view`. Returns true when the command belongs to the vocabulary and
/// was carried out (also when it left the text as it was); false for anything else, which changes
/// nothing.
bool applyFormat(const QString& command, QTextEdit& view, const FormatContext& context);

/// The point size of a "size:" command's value: a whole decimal number (no blanks), finite, above 0
/// and at most 400. Nothing otherwise, and the command then changes nothing.
std::optional<double> parseFontSizeValue(QStringView text);

/// Per-run toggle of bold: bold runs become regular and the others bold.
void applyBold(QTextEdit& view, const FormatContext& context);
/// Per-run toggle of italic.
void applyItalic(QTextEdit& view, const FormatContext& context);
/// `size` points; 20 and above also bold in the title colour, below regular in the body colour.
void applyFontSize(double size, QTextEdit& view, const FormatContext& context);
/// Underline over the selection: off everywhere when any run is underlined, else on everywhere.
void applyUnderline(QTextEdit& view);
/// Strikethrough, by the same rule as underline.
void applyStrikethrough(QTextEdit& view);
/// Highlight background on a non-empty selection: removed everywhere when any run has a background,
/// else added everywhere. Does nothing with an empty selection.
void applyHighlight(QTextEdit& view, const FormatContext& context);
/// Text colour from a hex text (see colorFromHex), or the body colour for "reset".
void applyTextColor(QStringView value, QTextEdit& view, const FormatContext& context);

} // namespace vsp::editor
