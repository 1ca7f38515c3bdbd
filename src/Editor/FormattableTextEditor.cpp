#include "Editor/FormattableTextEditor.h"

#include "Editor/DisplayBlocks.h"
#include "Editor/FormattingCommands.h"
#include "Editor/RichTextHandle.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/SelectionState.h"
#include "Editor/TextAttributes.h"
#include "Editor/VesperlogTextView.h"
#include "Model/AppSettings.h"

#include <QAbstractSpinBox>
#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace vsp::editor;

namespace {

// Space between the document's edge and its text, pixels.
constexpr qreal kTextInset = 8;

bool hasVisibleText(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return !c.isSpace(); });
}

} // namespace

FormattableTextEditor::FormattableTextEditor(QWidget* parent)
    : QWidget(parent),
      m_view(new VesperlogTextView(this)),
      m_fontSize(sanitizedFontSize(AppSettings::instance().writingFontSize()))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);

    m_view->setAutoFormatting(QTextEdit::AutoNone);
    m_view->setUndoRedoEnabled(true);
    m_view->setLineWrapMode(QTextEdit::WidgetWidth);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->viewport()->setAutoFillBackground(false);
    m_view->setEditorPalette(m_palette);
    m_view->installEventFilter(this);
    applyColors();

    // A named child, so tests find it and run it instead of waiting out its interval.
    m_richTextTimer->setObjectName(QStringLiteral("richTextTimer"));
    m_richTextTimer->setSingleShot(true);
    m_richTextTimer->setInterval(kRichTextDelayMs);
    connect(m_richTextTimer, &QTimer::timeout, this, &FormattableTextEditor::emitRichText);
    connect(m_view, &VesperlogTextView::formatRequested, this, &FormattableTextEditor::applyFormat);
    connect(m_view, &QTextEdit::selectionChanged, this, &FormattableTextEditor::updateSelectionState);
    connect(m_view, &QTextEdit::cursorPositionChanged, this, &FormattableTextEditor::updateSelectionState);
    // The selection's rectangle moves with scrolling and re-layout too.
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, &FormattableTextEditor::updateSelectionState);

    // The writing size follows the settings window; like any size change it shows at the next load.
    connect(&AppSettings::instance(), &AppSettings::writingFontSizeChanged, this,
            [this] { setFontSize(AppSettings::instance().writingFontSize()); });

    loadDocument(QString(), std::nullopt);

    // Take the keyboard a moment after being built, unless a text field of the window has it. A named
    // child, as the rich-text timer, so tests run it instead of waiting.
    auto* focusGrab = new QTimer(this);
    focusGrab->setObjectName(QStringLiteral("focusGrabTimer"));
    focusGrab->setSingleShot(true);
    connect(focusGrab, &QTimer::timeout, this, &FormattableTextEditor::grabFocusIfFree);
    focusGrab->start(100);
}

FormattableTextEditor::~FormattableTextEditor()
{
    m_richTextTimer->stop();
    disconnect(m_view->document(), nullptr, this, nullptr);
    disconnect(m_view, nullptr, this, nullptr);
}

void FormattableTextEditor::setContent(const QString& plainText, const std::optional<QByteArray>& richText)
{
    loadDocument(plainText, richText);
}

void FormattableTextEditor::setContent(const QString& plainText, const std::optional<QByteArray>& richText,
                                       const QString& fontDesign)
{
    // The new document is loaded first and in the new design: the old one is never re-fonted or sent.
    const bool designChanged = fontDesign != m_fontDesign;
    m_fontDesign = fontDesign;
    loadDocument(plainText, richText);
    if (designChanged) {
        Q_EMIT fontDesignChanged(m_fontDesign);
    }
}

void FormattableTextEditor::loadDocument(const QString& plainText, const std::optional<QByteArray>& richText)
{
    // Anything still pending belongs to the document being replaced.
    m_richTextTimer->stop();
    m_richTextPending = false;
    m_loading = true;

    // The new document is built away from the view (no layout while it fills) and then shown; it
    // starts with an empty undo history.
    const QFont font = resolveFont(m_fontSize, m_fontDesign);
    auto* document = new QTextDocument(this);
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(font);
    document->setDocumentMargin(kTextInset);
    QTextOption option = document->defaultTextOption();
    option.setTabStopDistance(kTabStopPoints * kPixelsPerPoint);
    document->setDefaultTextOption(option);
    // With the view's width known when the view makes the layout, only what is shown first is laid
    // out at once; without it the whole text would be.
    document->setTextWidth(m_view->viewport()->width());

    const QTextCharFormat typing = defaultCharFormat(m_fontSize, m_palette);
    QString text; // the loaded document's characters
    bool loaded = false;
    if (richText && !richText->isEmpty()) {
        const QString family = font.family();
        loaded = vsp::rtf::readRtf(*richText, *document, {}, [&](QTextCharFormat& format) {
            adaptColors(format, m_palette);
            // Text in the design's own family follows later design changes without an edit.
            clearFamily(format, family);
        });
        // RTF without a single visible character beside a plain text with words is damaged (cut
        // short, or its text hidden in parts the reader skips): showing it would let the next edit
        // save the body away.
        if (loaded) {
            text = plainTextOf(*document);
            loaded = hasVisibleText(text) || !hasVisibleText(plainText);
        }
    }
    if (!loaded) {
        document->clear();
        QTextCursor cursor(document);
        cursor.setBlockFormat(defaultBlockFormat());
        cursor.setBlockCharFormat(typing);
        cursor.insertText(plainText, typing);
        text = plainTextOf(*document);
    }
    // A paragraph of a million characters in one block would take seconds a key.
    splitLongBlocks(*document);
    document->setUndoRedoEnabled(true);
    // The layout comes last: made before the text is in, it would lay out every piece as it arrives.
    document->documentLayout()->setPaintDevice(vsp::editor::layoutDevice());

    // The view deletes the document it made itself; the ones made here are deleted here.
    QTextDocument* previous = m_view->document();
    const bool ownPrevious = previous && previous->parent() == this;
    if (previous) {
        disconnect(previous, nullptr, this, nullptr);
    }
    m_view->setDocument(document);
    if (m_view->font() != font) {
        m_view->setFont(font);
    }
    // Setting the same font again would lay the document out once more.
    if (document->defaultFont() != font) {
        document->setDefaultFont(font);
    }
    connect(document, &QTextDocument::contentsChanged, this, &FormattableTextEditor::onContentsChanged);
    if (ownPrevious) {
        // Freeing a large document takes a while: not on the way to showing the new one.
        previous->deleteLater();
    }

    m_view->setCurrentCharFormat(typing);
    m_lastPlainText = std::move(text);
    m_loading = false;

    m_view->viewport()->update();
    updateContentHeight();
    updateSelectionState();
}

QString FormattableTextEditor::plainText() const
{
    return m_lastPlainText;
}

std::optional<QByteArray> FormattableTextEditor::richText() const
{
    const QTextDocument& document = *m_view->document();
    if (document.characterCount() <= 1) {
        return std::nullopt;
    }
    return vsp::rtf::writeRtf(document);
}

void FormattableTextEditor::flushEdits()
{
    if (m_richTextPending) {
        emitRichText();
    }
}

void FormattableTextEditor::emitRichText()
{
    m_richTextTimer->stop();
    m_richTextPending = false;
    Q_EMIT richTextChanged(richText());
}

void FormattableTextEditor::setFontDesign(const QString& design)
{
    if (design == m_fontDesign) {
        return;
    }
    m_fontDesign = design;
    applyDesignToDocument();
    Q_EMIT fontDesignChanged(m_fontDesign);
    // Reported on the next turn: a host that replaces the document in the same turn (in either
    // order) never receives RTF of the document it is leaving.
    m_richTextPending = true;
    QTimer::singleShot(0, this, &FormattableTextEditor::flushEdits);
}

void FormattableTextEditor::applyDesignToDocument()
{
    QTextDocument& document = *m_view->document();
    const QFont font = resolveFont(m_fontSize, m_fontDesign);
    m_view->setFont(font);
    document.setDefaultFont(font);
    // Runs with a family of their own (pasted text) take the design too; weights other than regular
    // and bold become regular.
    rewriteCharFormats(document, [](QTextCharFormat& format) {
        bool changed = false;
        if (format.hasProperty(QTextFormat::FontFamilies) || format.hasProperty(QTextFormat::FontFamily)) {
            format.clearProperty(QTextFormat::FontFamilies);
            format.clearProperty(QTextFormat::FontFamily);
            changed = true;
        }
        if (format.hasProperty(QTextFormat::FontWeight)) {
            const int weight = format.fontWeight();
            if (weight != QFont::Normal && weight != QFont::Bold) {
                format.setFontWeight(weight >= QFont::Bold ? QFont::Bold : QFont::Normal);
                changed = true;
            }
        }
        return changed;
    });
    if (!m_view->textCursor().hasSelection()) {
        m_view->setCurrentCharFormat(defaultCharFormat(m_fontSize, m_palette));
    }
    updateContentHeight();
    updateSelectionState();
}

void FormattableTextEditor::setFontSize(double points)
{
    const double size = sanitizedFontSize(points);
    if (size == m_fontSize) {
        return;
    }
    m_fontSize = size;
    Q_EMIT fontSizeChanged(m_fontSize);
}

QString FormattableTextEditor::placeholder() const
{
    return m_view->placeholderString();
}

void FormattableTextEditor::setPlaceholder(const QString& text)
{
    if (text == m_view->placeholderString()) {
        return;
    }
    m_view->setPlaceholderString(text);
    Q_EMIT placeholderChanged(text);
}

void FormattableTextEditor::setEditorPalette(const EditorPalette& palette)
{
    if (palette == m_palette) {
        return;
    }
    m_palette = palette;
    m_view->setEditorPalette(palette);
    applyColors();
    recolorRoles(*m_view->document(), palette);
}

void FormattableTextEditor::applyColors()
{
    QPalette p = m_view->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Base, Qt::transparent);
        p.setColor(group, QPalette::Text, m_palette.body);
        p.setColor(group, QPalette::PlaceholderText, m_palette.placeholder);
        p.setColor(group, QPalette::Highlight, m_palette.selection);
        p.setColor(group, QPalette::HighlightedText, m_palette.title);
    }
    m_view->setPalette(p);
}

void FormattableTextEditor::setAutoHeight(bool on)
{
    m_autoHeight = on;
    m_view->setVerticalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    updateContentHeight();
}

void FormattableTextEditor::setRichTextHandle(RichTextHandle* handle)
{
    if (handle) {
        handle->setTextView(m_view);
    }
}

void FormattableTextEditor::setSelectionState(SelectionState* state)
{
    m_selectionState = state;
    updateSelectionState();
}

bool FormattableTextEditor::applyFormat(const QString& command)
{
    if (m_applyingCommand) {
        return false;
    }
    m_applyingCommand = true;
    const FormatContext context{m_fontSize, m_fontDesign, m_palette};
    const bool taken = vsp::editor::applyFormat(command, *m_view, context);
    m_applyingCommand = false;
    updateSelectionState();
    return taken;
}

void FormattableTextEditor::onContentsChanged()
{
    if (m_loading) {
        return;
    }
    QString plain = plainTextOf(*m_view->document());
    if (plain != m_lastPlainText) {
        // The text view repaints what an edit changed; the placeholder lies outside that, so the whole
        // view is repainted only when the document becomes empty or stops being empty.
        if (plain.isEmpty() != m_lastPlainText.isEmpty()) {
            m_view->viewport()->update();
        }
        m_lastPlainText = std::move(plain);
        Q_EMIT plainTextChanged(m_lastPlainText);
    }
    m_richTextPending = true;
    if (!m_richTextTimer->isActive()) {
        m_richTextTimer->start();
    }
    updateContentHeight();
}

void FormattableTextEditor::updateSelectionState()
{
    if (m_selectionState && !m_loading) {
        m_selectionState->update(*m_view, this);
    }
}

void FormattableTextEditor::updateContentHeight()
{
    if (!m_autoHeight) {
        return;
    }
    const QTextDocument& document = *m_view->document();
    const int height = std::max(kMinimumContentHeight, int(std::ceil(document.size().height())) + 20);
    if (height != m_contentHeight) {
        m_contentHeight = height;
        Q_EMIT contentHeightChanged(height);
    }
}

void FormattableTextEditor::grabFocusIfFree()
{
    if (!isVisible()) {
        return;
    }
    QWidget* focus = window()->focusWidget();
    if (focus
        && (qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus)
            || qobject_cast<QAbstractSpinBox*>(focus))) {
        return;
    }
    m_view->setFocus(Qt::OtherFocusReason);
}

void FormattableTextEditor::hideEvent(QHideEvent* event)
{
    flushEdits();
    QWidget::hideEvent(event);
}

void FormattableTextEditor::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateContentHeight();
}

void FormattableTextEditor::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateContentHeight();
    updateSelectionState();
}

bool FormattableTextEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::FocusOut) {
        flushEdits();
    }
    return QWidget::eventFilter(watched, event);
}
