#pragma once

#include "Editor/EditorPalette.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <optional>

class RichTextHandle;
class SelectionState;
class VesperlogTextView;

/// The rich-text editor every writing surface uses (compose window, entry detail, focus mode).
///
/// The host pushes content explicitly (setContent, setFontDesign, setFontSize, setPlaceholder) and
/// hears about every edit through plainTextChanged (at once) and richTextChanged (the RTF of the
/// whole document, coalesced to at most one write per kRichTextDelayMs while typing; flushEdits()
/// or richText() give it at once). Pushed content is never echoed back: setContent emits nothing.
/// Formatting commands arrive one string at a time through applyFormat (vocabulary in
/// FormattingCommands.h). The editor registers its text view in a RichTextHandle and publishes every
/// selection change to a SelectionState.
///
/// Lists, checkboxes and numbers are characters in the text ("•\t", "☐ ", "☑ ", "N.\t"), so the plain
/// text carries them.
class FormattableTextEditor final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormattableTextEditor)
    Q_PROPERTY(QString plainText READ plainText NOTIFY plainTextChanged)
    Q_PROPERTY(QString fontDesign READ fontDesign WRITE setFontDesign NOTIFY fontDesignChanged)
    Q_PROPERTY(double fontSize READ fontSize WRITE setFontSize NOTIFY fontSizeChanged)
    Q_PROPERTY(QString placeholder READ placeholder WRITE setPlaceholder NOTIFY placeholderChanged)
    Q_PROPERTY(int contentHeight READ contentHeight NOTIFY contentHeightChanged)

public:
    /// Longest delay between an edit and its richTextChanged, in milliseconds.
    static constexpr int kRichTextDelayMs = 250;
    /// Smallest content height reported in auto-height mode, in pixels.
    static constexpr int kMinimumContentHeight = 200;

    /// `fontSize` and `fontDesign` start from the writing font size setting (15 when absent or
    /// not a finite positive number up to 400) and "default"; `fontSize` follows later changes of the
    /// setting.
    explicit FormattableTextEditor(QWidget* parent = nullptr);
    ~FormattableTextEditor() override;

    /// Replaces the document. Readable RTF wins; without it (absent, not readable, or holding only
    /// blanks while the plain text has more) the plain text is loaded with the default attributes. Undo history is cleared; nothing is emitted, and a
    /// coalesced RTF write of the previous document is dropped, never delivered.
    void setContent(const QString& plainText, const std::optional<QByteArray>& richText);
    /// Replaces the document, then applies `fontDesign` to the new document. Use this when the host
    /// changes both at once (another entry shown), so the design never touches the old document and
    /// nothing derived from it is emitted.
    void setContent(const QString& plainText, const std::optional<QByteArray>& richText, const QString& fontDesign);

    /// The document's characters, block separators as "\n".
    QString plainText() const;
    /// The whole document as RTF (written now when an edit is pending); nothing when it has no
    /// characters.
    std::optional<QByteArray> richText() const;
    /// Emits a pending richTextChanged at once.
    void flushEdits();

    QString fontDesign() const { return m_fontDesign; }
    /// "default", "serif", "rounded" or "mono" (anything else behaves as "default"). A change re-fonts
    /// the whole document keeping sizes, bold and italic, and emits richTextChanged on the next turn of
    /// the event loop (not at all when the document is replaced before); the characters do not change.
    void setFontDesign(const QString& design);

    double fontSize() const { return m_fontSize; }
    /// Point size of the default font; non-finite, non-positive or above 400 gives 15. Used at the next
    /// setContent or design change and by commands on text without a size.
    void setFontSize(double points);

    QString placeholder() const;
    void setPlaceholder(const QString& text);

    /// Colours of the current appearance; re-colours body, title, quote and highlight text.
    void setEditorPalette(const EditorPalette& palette);

    /// When on, the editor does not scroll: it reports the height its content needs through
    /// contentHeightChanged (at least kMinimumContentHeight) and the host gives it that height.
    void setAutoHeight(bool on);
    int contentHeight() const { return m_contentHeight; }

    /// The handle receives the text view now; it forgets it when the editor is destroyed.
    void setRichTextHandle(RichTextHandle* handle);
    /// Every selection change is published to `state` (null disconnects).
    void setSelectionState(SelectionState* state);

    /// Carries out one formatting command on the selection (or the typing attributes). Returns true
    /// when the command was recognised; unknown commands, "size:" values that are not a finite number
    /// in (0, 400], and a command given while another is being carried out change nothing and
    /// return false. A command that changes the document is one undo step.
    bool applyFormat(const QString& command);

    VesperlogTextView* textView() const { return m_view; }

Q_SIGNALS:
    /// After every edit that changed the characters (typing, paste, Return, paragraph commands,
    /// undo), with the new plain text.
    void plainTextChanged(const QString& plainText);
    /// After edits (coalesced), with the RTF of the whole document; nothing when it is empty.
    void richTextChanged(const std::optional<QByteArray>& richText);
    void fontDesignChanged(const QString& design);
    void fontSizeChanged(double points);
    void placeholderChanged(const QString& text);
    void contentHeightChanged(int height);

protected:
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadDocument(const QString& plainText, const std::optional<QByteArray>& richText);
    void applyDesignToDocument();
    void onContentsChanged();
    void emitRichText();
    void updateSelectionState();
    void updateContentHeight();
    void applyColors();
    void grabFocusIfFree();

    VesperlogTextView* m_view = nullptr;
    QPointer<SelectionState> m_selectionState;
    EditorPalette m_palette;
    QString m_fontDesign = QStringLiteral("default");
    double m_fontSize = 15;
    QString m_lastPlainText;
    QTimer* m_richTextTimer = new QTimer(this);
    bool m_richTextPending = false;
    bool m_loading = false;
    bool m_applyingCommand = false;
    bool m_autoHeight = false;
    int m_contentHeight = kMinimumContentHeight;
};
