#pragma once

#include <QLayout>
#include <QList>
#include <QStringList>
#include <QWidget>

class JournalStore;
class QLineEdit;
class TagChip;
class TagSuggestionChip;

/// A layout that fills rows from left to right and starts a new row when the next item would pass the
/// right edge (see vsp::detail::flowPlacement). Items keep their size hints; a row's items align at
/// their tops. Its height follows its width; asked without a width it answers 680 wide.
class FlowLayout final : public QLayout {
    Q_OBJECT

public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 6);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    QList<QSize> itemSizes() const;
    QList<QLayoutItem*> m_items;
    int m_gap;
};

/// The tag editor of the edit layout: "TAGS", stored tags matching the field (when any), then the
/// chosen tags as "#tag" chips flowing over as many rows as they need, ending with the tag field.
/// The rules are those of the New Entry window (vsp::tags): suggestions begin with the lower-cased
/// field text; Return or a suggestion adds a tag once, trimmed and lower-cased; a chip's cross removes
/// its tag.
class EditableTagsView final : public QWidget {
    Q_OBJECT

public:
    explicit EditableTagsView(JournalStore& store, QWidget* parent = nullptr);

    /// Shows these tags and this field text; emits nothing.
    void setState(const QStringList& tags, const QString& input);
    QStringList tags() const { return m_tags; }
    QString tagInput() const;
    QStringList tagSuggestions() const { return m_suggestions; }
    /// Runs the field's Return.
    void commitTag();

    QLineEdit* tagField() const { return m_field; }
    QList<TagChip*> tagChips() const { return m_chips; }
    QList<TagSuggestionChip*> suggestionChips() const { return m_suggestionChips; }

Q_SIGNALS:
    void tagsEdited(const QStringList& tags);
    void tagInputEdited(const QString& text);

private:
    void rebuildChips();
    void refreshSuggestions();

    JournalStore& m_store;
    QStringList m_tags;
    QStringList m_suggestions;
    QWidget* m_suggestionRow;
    QWidget* m_flowBox;
    FlowLayout* m_flow;
    QWidget* m_fieldCapsule;
    QLineEdit* m_field;
    QList<TagChip*> m_chips;
    QList<TagSuggestionChip*> m_suggestionChips;
};
