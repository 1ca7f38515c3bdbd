#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>

namespace vsp {
class SpringValue;
}

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
    /// The emoji of a mood row.
    void setEmoji(const QString& emoji);
    /// The dot colour of a tag row, asked for at every paint.
    void setDotColor(std::function<QColor()> color);
    void setTitle(const QString& title);
    QString title() const { return m_title; }
    /// The number at the trailing edge; below 0 shows none.
    void setCount(int count);
    int count() const { return m_count; }
    /// Sections and moods are highlighted in the accent colour, tags in a neutral one.
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

    QSize sizeHint() const override;

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
    QString m_emoji;
    std::function<QColor()> m_dotColor;
    QString m_title;
    int m_count = -1;
    bool m_selected = false;
    bool m_pressed = false;
    vsp::SpringValue* m_hover;
    vsp::SpringValue* m_selection;
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
