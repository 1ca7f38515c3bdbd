#pragma once

#include "Editor/EditorPalette.h"

#include <QColor>
#include <QString>
#include <QTextEdit>

class QMimeData;

/// The text view inside FormattableTextEditor: a QTextEdit that draws a placeholder while empty,
/// pastes RTF (then plain text) and nothing else, copies RTF and plain text, and continues lists
/// when Return is pressed. A paragraph held in display blocks (DisplayBlocks.h) edits as one. Tab and
/// Shift+Tab move the focus on and back, as in every other field, so the keyboard can leave the text;
/// Ctrl+Tab types a tab character.
class VesperlogTextView final : public QTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VesperlogTextView)

public:
    explicit VesperlogTextView(QWidget* parent = nullptr);

    /// Text drawn while the document is empty.
    QString placeholderString() const { return placeholderText(); }
    void setPlaceholderString(const QString& text);

    /// Return: continues a list on the next line ("•\t", "☐ " for any box, the next number), ends the
    /// list when the line holds only its marker (the marker goes, no new line), else an ordinary new
    /// line. A selection, or a caret inside the indentation or marker, gives an ordinary new line. One
    /// undo step.
    void insertNewline();

    /// Colours that pasted near-grey text takes (the editor sets them with its palette).
    void setEditorPalette(const EditorPalette& palette) { m_palette = palette; }

    /// MIME types read as RTF when pasting, in order of preference.
    static const QStringList& rtfMimeTypes();

Q_SIGNALS:
    /// Ctrl+B, Ctrl+I and Ctrl+U ask for "bold", "italic" and "underline".
    void formatRequested(const QString& command);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    /// Backspace at the start of a display block (DisplayBlocks.h) or Delete at the end of one that the
    /// next continues takes the character beyond the break, which itself stands for nothing. Whether
    /// the key was taken.
    bool deleteAcrossDisplayBreak(int key);
    void ordinaryNewline();

    EditorPalette m_palette;
};
