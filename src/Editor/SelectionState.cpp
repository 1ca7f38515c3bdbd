#include "Editor/SelectionState.h"

#include "Editor/TextAttributes.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

namespace {

// Union of the line segments that [start, end) covers, in document coordinates.
QRectF selectionBounds(const QTextDocument& document, int start, int end)
{
    QRectF bounds;
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        const QTextLayout* textLayout = block.layout();
        if (!textLayout) {
            continue;
        }
        const QPointF origin = layout->blockBoundingRect(block).topLeft();
        const int blockStart = block.position();
        for (int i = 0; i < textLayout->lineCount(); ++i) {
            const QTextLine line = textLayout->lineAt(i);
            const int lineStart = blockStart + line.textStart();
            const int lineEnd = lineStart + line.textLength();
            const int from = std::max(start, lineStart);
            const int to = std::min(end, lineEnd);
            if (from > to || (from == to && !(from == lineStart && to < end))) {
                continue;
            }
            const qreal x1 = line.cursorToX(from - blockStart);
            qreal x2 = line.cursorToX(to - blockStart);
            if (to >= lineEnd && end > lineEnd) {
                x2 = std::max(x2, line.naturalTextRect().right());
            }
            const QRectF segment(origin.x() + std::min(x1, x2), origin.y() + line.y(), std::abs(x2 - x1),
                                 line.height());
            bounds = bounds.isNull() ? segment : bounds.united(segment);
        }
    }
    return bounds;
}

} // namespace

SelectionState::SelectionState(QObject* parent) : QObject(parent)
{ }

void SelectionState::update(const QTextEdit& view, const QWidget* coordinateSpace)
{
    const QTextCursor cursor = view.textCursor();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    const int length = end - start;
    const QTextDocument& document = *view.document();
    if (length >= 1) {
        if (coordinateSpace) {
            QRectF rect = selectionBounds(document, start, end);
            const QPoint offset = view.viewport()->mapTo(view.window(), QPoint(0, 0))
                                  - coordinateSpace->mapTo(coordinateSpace->window(), QPoint(0, 0))
                                  - QPoint(view.horizontalScrollBar()->value(), view.verticalScrollBar()->value());
            rect.translate(offset);
            if (rect != m_selectionRect) {
                m_selectionRect = rect;
                Q_EMIT selectionRectChanged(rect);
            }
        }
        const QTextCharFormat format = vsp::editor::charFormatAt(document, start);
        auto set = [this](bool& field, bool value, void (SelectionState::*signal)(bool)) {
            if (field != value) {
                field = value;
                Q_EMIT(this->*signal)(value);
            }
        };
        set(m_isBold, vsp::editor::isBold(format), &SelectionState::isBoldChanged);
        set(m_isItalic, format.fontItalic(), &SelectionState::isItalicChanged);
        set(m_isUnderline, format.fontUnderline(), &SelectionState::isUnderlineChanged);
        set(m_isStrikethrough, format.fontStrikeOut(), &SelectionState::isStrikethroughChanged);
        set(m_isHighlighted,
            format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush,
            &SelectionState::isHighlightedChanged);
    }
    const bool has = length > 0;
    if (has != m_hasSelection) {
        m_hasSelection = has;
        Q_EMIT hasSelectionChanged(has);
    }
}
