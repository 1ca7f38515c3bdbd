#include "Editor/VesperlogTextView.h"

#include "Editor/DisplayBlocks.h"
#include "Editor/ParagraphCommands.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/TextAttributes.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

VesperlogTextView::VesperlogTextView(QWidget* parent) : QTextEdit(parent)
{
    setAcceptRichText(true);
    setFrameShape(QFrame::NoFrame);
    // A tab typed by Tab is a gap the reader barely tells from spaces, and it traps keyboard users in
    // the text: Tab leaves the field, Ctrl+Tab types one.
    setTabChangesFocus(true);
    // Text typed into an empty display block would take the format of the break before it, mark and all:
    // a Return typed after it would then stand for nothing.
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        QTextCharFormat format = currentCharFormat();
        if (format.hasProperty(vsp::editor::kContinuesParagraphProperty)) {
            format.clearProperty(vsp::editor::kContinuesParagraphProperty);
            setCurrentCharFormat(format);
        }
    });
}

void VesperlogTextView::setPlaceholderString(const QString& text)
{
    if (text != placeholderText()) {
        setPlaceholderText(text);
        if (document()->isEmpty()) {
            viewport()->update();
        }
    }
}

const QStringList& VesperlogTextView::rtfMimeTypes()
{
    static const QStringList types = {QStringLiteral("text/rtf"), QStringLiteral("application/rtf"),
                                      QStringLiteral("application/x-rtf"), QStringLiteral("text/richtext")};
    return types;
}

namespace {

// The formatting command of a key press, if it is one of the editor's own shortcuts.
QString formatCommandOf(const QKeyEvent* event)
{
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier) {
        return {};
    }
    switch (event->key()) {
    case Qt::Key_B: return QStringLiteral("bold");
    case Qt::Key_I: return QStringLiteral("italic");
    case Qt::Key_U: return QStringLiteral("underline");
    default: return {};
    }
}

/// Ctrl+Tab: the key that types a tab character, now that Tab moves the focus.
bool isTabCharacterKey(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Tab && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

} // namespace

bool VesperlogTextView::event(QEvent* event)
{
    // While the text has the focus these keys format it (or type a tab), whatever the window's shortcuts.
    if (event->type() == QEvent::ShortcutOverride && !isReadOnly()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!formatCommandOf(key).isEmpty() || isTabCharacterKey(key)) {
            event->accept();
            return true;
        }
    }
    return QTextEdit::event(event);
}

void VesperlogTextView::keyPressEvent(QKeyEvent* event)
{
    if (!isReadOnly()) {
        if (const QString command = formatCommandOf(event); !command.isEmpty()) {
            Q_EMIT formatRequested(command);
            event->accept();
            return;
        }
    }
    if (isTabCharacterKey(event) && !isReadOnly()) {
        textCursor().insertText(QStringLiteral("\t"));
        ensureCursorVisible();
        event->accept();
        return;
    }
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (!isReadOnly() && modifiers == Qt::NoModifier && deleteAcrossDisplayBreak(event->key())) {
        event->accept();
        return;
    }
    if (isReturn && modifiers == Qt::NoModifier && !isReadOnly()) {
        insertNewline();
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

bool VesperlogTextView::deleteAcrossDisplayBreak(int key)
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        return false;
    }
    if (key == Qt::Key_Backspace && cursor.atBlockStart() && vsp::editor::continuesParagraph(cursor.block())) {
        cursor.setPosition(cursor.position() - 1);
        cursor.deletePreviousChar();
    } else if (key == Qt::Key_Delete && cursor.atBlockEnd() && vsp::editor::continuesParagraph(cursor.block().next())) {
        cursor.setPosition(cursor.position() + 1);
        cursor.deleteChar();
    } else {
        return false;
    }
    setTextCursor(cursor);
    ensureCursorVisible();
    return true;
}

void VesperlogTextView::ordinaryNewline()
{
    QTextCursor cursor = textCursor();
    cursor.insertBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void VesperlogTextView::insertNewline()
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        ordinaryNewline();
        return;
    }
    const QTextBlock block = cursor.block();
    const QString text = block.text();
    const int caret = cursor.position() - block.position();
    // The line is the part of the paragraph between soft line breaks around the caret.
    int lineStart = caret;
    while (lineStart > 0 && text[lineStart - 1] != QChar::LineSeparator) {
        --lineStart;
    }
    int lineEnd = caret;
    while (lineEnd < text.size() && text[lineEnd] != QChar::LineSeparator) {
        ++lineEnd;
    }
    const vsp::editor::ReturnAction action =
        vsp::editor::returnActionFor(QStringView(text).sliced(lineStart, lineEnd - lineStart), caret - lineStart);
    switch (action.kind) {
    case vsp::editor::ReturnAction::Kind::Newline: ordinaryNewline(); return;
    case vsp::editor::ReturnAction::Kind::Continue:
        cursor.beginEditBlock();
        cursor.insertBlock();
        cursor.insertText(action.insertion);
        cursor.endEditBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        return;
    case vsp::editor::ReturnAction::Kind::EndList: {
        const int start = block.position() + lineStart + action.removeOffset;
        QTextCursor removal(document());
        removal.setPosition(start);
        removal.setPosition(start + action.removeLength, QTextCursor::KeepAnchor);
        removal.removeSelectedText();
        return;
    }
    }
}

namespace {

// Real text only: QMimeData::hasText() also answers for URL lists, which are never pasted.
bool hasPlainText(const QMimeData* source)
{
    return source->hasFormat(QStringLiteral("text/plain"));
}

} // namespace

bool VesperlogTextView::canInsertFromMimeData(const QMimeData* source) const
{
    if (!source) {
        return false;
    }
    for (const QString& type : rtfMimeTypes()) {
        if (source->hasFormat(type)) {
            return true;
        }
    }
    return hasPlainText(source);
}

void VesperlogTextView::insertFromMimeData(const QMimeData* source)
{
    if (!source || isReadOnly()) {
        return;
    }
    for (const QString& type : rtfMimeTypes()) {
        if (!source->hasFormat(type)) {
            continue;
        }
        QTextDocument pasted;
        pasted.setDefaultFont(document()->defaultFont());
        if (!vsp::rtf::readRtf(source->data(type), pasted)) {
            continue;
        }
        // Pasted text is shown as it will look once saved and opened again: near-greys take the
        // editor's colours, and the editor's own family follows the font design.
        vsp::editor::adaptiveColors(pasted, m_palette);
        vsp::editor::clearFamily(pasted, document()->defaultFont().family());
        vsp::editor::rewriteCharFormats(pasted, [](QTextCharFormat& format) {
            if (!format.isAnchor() && !format.hasProperty(QTextFormat::AnchorHref)) {
                return false;
            }
            format.setAnchor(false);
            format.clearProperty(QTextFormat::AnchorHref);
            format.clearProperty(QTextFormat::AnchorName);
            return true;
        });
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        cursor.insertFragment(QTextDocumentFragment(&pasted));
        vsp::editor::splitLongBlocks(*document());
        cursor.endEditBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        return;
    }
    if (hasPlainText(source)) {
        QString text = source->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        cursor.insertText(text);
        vsp::editor::splitLongBlocks(*document());
        cursor.endEditBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
    }
}

QMimeData* VesperlogTextView::createMimeDataFromSelection() const
{
    auto* data = new QMimeData;
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        return data;
    }
    const QTextDocumentFragment fragment(cursor);
    const QByteArray rtf = vsp::rtf::writeRtf(fragment, document()->defaultFont());
    data->setData(QStringLiteral("text/rtf"), rtf);
    data->setData(QStringLiteral("application/rtf"), rtf);
    QTextDocument copied;
    QTextCursor(&copied).insertFragment(fragment);
    data->setText(vsp::editor::plainTextOf(copied));
    return data;
}
