#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTextEdit>

#include <optional>

class EditorWidgetTest;

/// A host's handle on its editor's live document, read when the host saves (without waiting for the
/// editor's coalesced change signals). Created empty by the host and given to the editor, which
/// registers its text view; the handle forgets the view when the view is destroyed.
class RichTextHandle final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RichTextHandle)

public:
    explicit RichTextHandle(QObject* parent = nullptr);

    void setTextView(QTextEdit* view) { m_textView = view; }

    /// The whole document as RTF; nothing when there is no live text view or its document is empty
    /// (no characters at all; a single space gives RTF). Never fails otherwise.
    std::optional<QByteArray> currentRTF() const;

private:
    friend class EditorWidgetTest;

    // Read by its tests alone.
    /// The registered text view, or null when none is registered or it was destroyed.
    QTextEdit* textView() const { return m_textView; }

    QPointer<QTextEdit> m_textView;
};
