#pragma once

#include <QByteArray>

#include <functional>

class QTextCharFormat;
class QTextDocument;

namespace vsp::rtf {

/// Limits that keep the reader safe on hostile input (clipboard contents, imported files).
struct ReadLimits {
    /// Deepest nesting of groups; deeper input is not read.
    int maxDepth = 200;
    /// Largest input read, in bytes.
    qsizetype maxBytes = 64 * 1024 * 1024;
};

/// Reads an RTF document into `document`, replacing its content, as one edit block.
///
/// Reads what our writer writes, the dialect of the macOS text system (\cocoartf, its colour tables,
/// expanded colour tables with opacity, list text, Unicode escapes) and RTF of office suites. Takes
/// text, paragraphs, fonts and sizes (clamped to 0.5…400 points), bold, italic, underline,
/// strikethrough, foreground and background colours, indents, paragraph spacing, line spacing,
/// alignment and tab stops. Field results (link texts) are kept as plain text; pictures, objects,
/// style sheets, headers, footnotes and unknown ignorable destinations are skipped. Numbers are
/// clamped, \bin data skipped, and the work is linear in the input size.
///
/// Returns false, leaving `document` empty, when the data is not RTF (it must start with "{\rtf"),
/// is larger than `limits.maxBytes`, or nests groups deeper than `limits.maxDepth`; the caller then
/// falls back to the plain text.
///
/// `adjust`, when given, is applied once to every distinct character format before it is used, so a
/// reader of the document can map colours or fonts without a second pass.
bool readRtf(const QByteArray& data, QTextDocument& document, const ReadLimits& limits = {},
             const std::function<void(QTextCharFormat&)>& adjust = {});

/// True when `data` starts like an RTF document (after blanks and a UTF-8 byte-order mark).
bool looksLikeRtf(const QByteArray& data);

} // namespace vsp::rtf
