#pragma once

#include <QCache>
#include <QColor>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

namespace vsp {
class SpringValue;
} // namespace vsp

/// One painted row of the sidebar's groups: a section (symbol, title, Today's count), a mood (emoji,
/// label, count) or a tag (colour dot, name, count). Texts are drawn as plain text. Hover and selection
/// glide with springs (0.15 and 0.25); colours are read from the theme at every paint.
class SidebarRow final : public QWidget {
    Q_OBJECT

public:
    enum class Kind { Section, Mood, Tag };

    explicit SidebarRow(Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    /// The filter value the row stands for: the section's raw value, the mood emoji or the tag name.
    void setValue(const QString& value) { m_value = value; }
    QString value() const { return m_value; }
    /// The symbol of a section row.
    void setSymbol(const QString& symbol);
    /// The dot colour of a tag row, asked for at every paint.
    void setDotColor(std::function<QColor()> color);
    void setTitle(const QString& title);
    QString title() const { return m_title; }
    /// The number at the trailing edge; below 0 shows none. On a section row a shown number changing to
    /// another rolls: the new one rises from below as the old one leaves upwards (spring 0.4).
    void setCount(int count);
    int count() const { return m_count; }
    /// Whether the number is rolling from an old value to the new one.
    bool isCountRolling() const;
    /// Sections and moods are highlighted in the accent colour, tags in a neutral one.
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

    QSize sizeHint() const override;

    /// What one row shows, for painting it outside a SidebarRow too.
    struct Look {
        Kind kind = Kind::Section;
        QString symbol;
        QString emoji;
        /// Tag rows: the dot's colour.
        QColor dot;
        QString title;
        int count = -1;
        bool selected = false;
        /// 0 to 1: how far the selection highlight and the hover glass have come in.
        qreal selection = 0;
        qreal hover = 0;
        /// The number leaving while `roll` goes from 0 to 1; below 0 none.
        int previousCount = -1;
        qreal roll = 1;
    };
    /// Paints a row filling `rect` (its outer padding included).
    static void paintRow(QPainter& painter, const QRectF& rect, const Look& look);
    /// The two layers of a row: the highlight and hover glass, then the symbol, title and number.
    static void paintChrome(QPainter& painter, const QRectF& rect, const Look& look);
    static void paintContent(QPainter& painter, const QRectF& rect, const Look& look);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Kind m_kind;
    QString m_value;
    QString m_symbol;
    std::function<QColor()> m_dotColor;
    QString m_title;
    int m_count = -1;
    int m_previousCount = -1;
    bool m_selected = false;
    bool m_pressed = false;
    vsp::SpringValue* m_hover;
    vsp::SpringValue* m_selection;
    vsp::SpringValue* m_roll;
};

/// A group's title ("CAPTURE", "MOODS", "TAGS"): small tracked capitals in the tertiary colour.
class SidebarCaption final : public QWidget {
    Q_OBJECT

public:
    SidebarCaption(const QString& text, QWidget* parent = nullptr);
    QString text() const { return m_text; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

/// The rows of a long group (moods, tags) painted by one widget, so a journal of hundreds of tags
/// costs one widget rather than hundreds. Rows are 28 pixels high, 4 apart, and look like SidebarRow.
/// From the keyboard the list is one Tab stop: Up, Down, Home and End move the focus ring from row to
/// row (starting on the highlighted row), Space and Return click the ringed row; the accessible name
/// is the ringed row's title.
class SidebarRowList final : public QWidget {
    Q_OBJECT

public:
    struct Item {
        /// The mood emoji or the tag name.
        QString value;
        QString title;
        int count = 0;
        bool operator==(const Item&) const = default;
    };
    static constexpr int kRowHeight = 28;
    static constexpr int kRowSpacing = 4;

    explicit SidebarRowList(SidebarRow::Kind kind, QWidget* parent = nullptr);

    /// Rows whose title, number, highlight and colours stay as they were keep their pictures. With
    /// `animate` (and animations on, the list shown), rows that went fade out where they were, new ones
    /// fade in, and the others glide to their new places (spring 0.3).
    void setItems(const QList<Item>& items, bool animate = false);
    /// Whether rows are on their way to or from their places.
    bool isChangingRows() const;
    const QList<Item>& items() const { return m_items; }
    /// The row whose value is highlighted; none for no highlight.
    void setSelectedValue(const std::optional<QString>& value);
    int selectedIndex() const;
    /// Tag rows: the dot colour of a tag, asked for at every paint.
    void setDotColor(std::function<QColor(const QString&)> color) { m_dotColor = std::move(color); }
    QRect rowRect(int index) const;
    int indexAt(const QPoint& pos) const;
    /// The row the keyboard is on; -1 before the list first had the focus.
    int keyRow() const { return m_keyRow; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void rowClicked(const QString& value);
    void rowContextMenuRequested(const QString& value, const QPoint& globalPos);
    /// Rows that were on their way have reached their places, and the list its resting height.
    void rowsSettled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void setKeyRow(int row);

    /// The row's symbol, title and number as last drawn for this look (width, scale and colours
    /// included): a click repaints a few hundred rows, and laying out their text is the costly part.
    QPixmap contentPicture(const SidebarRow::Look& look, QSize size, qreal dpr) const;

    SidebarRow::Kind m_kind;
    QList<Item> m_items;
    mutable QCache<QString, QPixmap> m_pictures{4 * 1024};
    int indexOf(const std::optional<QString>& value) const;
    void finishRowChange();

    std::optional<QString> m_selected;
    /// The row whose highlight fades while the selected one's comes in.
    std::optional<QString> m_previousSelected;
    std::function<QColor(const QString&)> m_dotColor;
    int m_hovered = -1;
    int m_previousHovered = -1;
    int m_pressed = -1;
    int m_keyRow = -1;
    /// The focus came from the keyboard, not a click: the ring shows.
    bool m_keyboardFocus = false;
    vsp::SpringValue* m_hover;
    vsp::SpringValue* m_selection;
    /// A change of rows under way: each row's place before it (none for a new row), and the rows that
    /// went with theirs.
    QList<int> m_placeBefore;
    QList<std::pair<Item, int>> m_leaving;
    vsp::SpringValue* m_rowChange;
};
