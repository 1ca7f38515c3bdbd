#pragma once

#include <QString>
#include <QTextCharFormat>

#include <memory>

class FormattableTextEditor;
class QTextDocument;

namespace vsp::test {

/// Sentences one after another on one line, at least `characters` long (UTF-16 units), ending with a
/// sentence's end: a pasted transcript, longer than a display block when asked to be.
QString oneLineOfSentences(qsizetype characters);

/// A shown editor of 600 × 400 pixels holding `text` (plain, default attributes).
std::unique_ptr<FormattableTextEditor> makeEditor(const QString& text = {});

/// Selects [anchor, position) in the editor's text view.
void select(FormattableTextEditor& editor, int anchor, int position);
/// Selects the first occurrence of `needle`.
void select(FormattableTextEditor& editor, const QString& needle);
/// Puts the caret at `position`.
void caret(FormattableTextEditor& editor, int position);
/// Position of the first occurrence of `needle` in the editor's text.
int indexOf(const FormattableTextEditor& editor, const QString& needle);
/// The format of the character at `position`.
QTextCharFormat formatAt(const FormattableTextEditor& editor, int position);
/// Effective font size of the character at `position` (the document default when unset).
double sizeAt(const FormattableTextEditor& editor, int position);

/// Writes a small one-colour image file `name` (its suffix picks the format) into `folder`; returns its path.
QString writeImage(const QString& folder, const QString& name);

} // namespace vsp::test
