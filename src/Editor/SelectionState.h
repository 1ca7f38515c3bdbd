#pragma once

#include <QObject>
#include <QRectF>
#include <QString>

#include <optional>

class QTextEdit;
class QWidget;

/// Where an editor's selection is and which character styles hold at its start. A host owns one per
/// editor and reads `hasSelection` and `selectionRect` to place its floating format bar; the bars read
/// the style flags to mark their active buttons. Every field announces its own change.
class SelectionState final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectionState)
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY hasSelectionChanged)
    Q_PROPERTY(QRectF selectionRect READ selectionRect NOTIFY selectionRectChanged)
    Q_PROPERTY(bool isBold READ isBold NOTIFY isBoldChanged)
    Q_PROPERTY(bool isItalic READ isItalic NOTIFY isItalicChanged)
    Q_PROPERTY(bool isUnderline READ isUnderline NOTIFY isUnderlineChanged)
    Q_PROPERTY(bool isStrikethrough READ isStrikethrough NOTIFY isStrikethroughChanged)
    Q_PROPERTY(bool isHighlighted READ isHighlighted NOTIFY isHighlightedChanged)

public:
    explicit SelectionState(QObject* parent = nullptr);

    /// The selection is at least one character long.
    bool hasSelection() const { return m_hasSelection; }
    /// Bounding rectangle of the selected text in the coordinates of the editor widget (the
    /// FormattableTextEditor), in pixels. Kept from the last non-empty selection while only a caret shows.
    QRectF selectionRect() const { return m_selectionRect; }
    /// Styles of the first selected character (kept from the last non-empty selection).
    bool isBold() const { return m_isBold; }
    bool isItalic() const { return m_isItalic; }
    bool isUnderline() const { return m_isUnderline; }
    bool isStrikethrough() const { return m_isStrikethrough; }
    /// The first selected character has any background colour.
    bool isHighlighted() const { return m_isHighlighted; }

    /// Reads the selection of `view`. With a selection of at least one character the rectangle (mapped
    /// into `coordinateSpace`, left as it was when that is null) and the style flags are updated; in
    /// every case `hasSelection` follows the selection length. Called by the editor on every
    /// selection change.
    void update(const QTextEdit& view, const QWidget* coordinateSpace);

Q_SIGNALS:
    void hasSelectionChanged(bool hasSelection);
    void selectionRectChanged(const QRectF& rect);
    void isBoldChanged(bool value);
    void isItalicChanged(bool value);
    void isUnderlineChanged(bool value);
    void isStrikethroughChanged(bool value);
    void isHighlightedChanged(bool value);

private:
    bool m_hasSelection = false;
    QRectF m_selectionRect;
    bool m_isBold = false;
    bool m_isItalic = false;
    bool m_isUnderline = false;
    bool m_isStrikethrough = false;
    bool m_isHighlighted = false;
};
