#pragma once

#include <QByteArray>

class QTextDocument;
class QTextDocumentFragment;
class QFont;

namespace vsp::rtf {

/// Writes the whole document as RTF without document attributes (no page size, margins or view
/// settings). Covers every attribute the editor produces: font family and size, bold, italic,
/// underline, strikethrough, foreground and background colour (with opacity), paragraph indents,
/// spacing, line spacing, alignment and tab stops, and every Unicode character. Runs without a font
/// family or size take the document's default font. Never fails; an empty document gives a valid
/// RTF document without text.
QByteArray writeRtf(const QTextDocument& document);

/// Writes a selection (for the clipboard) as RTF; `defaultFont` stands in for missing families and sizes.
QByteArray writeRtf(const QTextDocumentFragment& fragment, const QFont& defaultFont);

} // namespace vsp::rtf
