#pragma once

#include <QHash>
#include <QLayout>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QWidget>

class JournalStore;
class QLineEdit;
class TagChip;
class TagSuggestionChip;
class TransitionSlot;
namespace vsp {
class SpringValue;
struct Spring;
} // namespace vsp

/// A layout that fills rows from left to right and starts a new row when the next item would pass the
/// right edge (see vsp::detail::flowPlacement). Items keep their size hints; a row's items align at
/// their tops. Its height follows its width; asked without a width it answers 680 wide. Hidden items and
/// items that are leaving take no place. A flow that does not wrap keeps all its items on one row,
/// the ones past the right edge overflowing it.
///
/// After `glide`, items move from where they stand to their new places with the spring instead of
/// jumping there (items that had no place yet start at theirs).
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

    /// Call before changing the items: the next placements glide from the present ones.
    void glide(const vsp::Spring& spring);
    bool isGliding() const;
    /// The widget stays where it is, out of the flow, while it leaves (its own transition plays).
    void setLeaving(QWidget* widget);
    /// Puts the items of these widgets first, in this order; the others keep their order after them.
    void setOrder(const QList<QWidget*>& widgets);
    void setWraps(bool wraps);

private:
    /// The width rows are filled against.
    int rowWidth(int width) const;
    /// The items that take a place, in order.
    QList<QLayoutItem*> placedItems() const;
    QList<QSize> itemSizes() const;
    QList<QLayoutItem*> m_items;
    int m_gap;
    bool m_wraps = true;
    QList<QPointer<QWidget>> m_leaving;
    QHash<QWidget*, QRect> m_glideFrom;
    vsp::SpringValue* m_glide = nullptr;
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
    /// The chips of the chosen tags, in order (not the ones still leaving).
    QList<TagChip*> tagChips() const { return m_chips; }
    /// The suggestions on the row, in order (not the ones still leaving).
    QList<TagSuggestionChip*> suggestionChips() const { return m_suggestionChips; }

Q_SIGNALS:
    void tagsEdited(const QStringList& tags);
    void tagInputEdited(const QString& text);

private:
    /// Keeps the chips of tags still chosen; the others leave and new ones come in, with the flow's
    /// spring when `animate` is true.
    void rebuildChips(bool animate);
    void refreshSuggestions(bool animate);
    /// Shows `m_suggestions` on the row, keeping the chips of suggestions still offered; with
    /// `animate` the others fade out where they stand, new ones fade in and the rest glide.
    void placeSuggestionChips(bool animate);
    /// Whether changes move: the editor is on screen and animations run.
    bool animates() const;

    JournalStore& m_store;
    QStringList m_tags;
    QStringList m_suggestions;
    QWidget* m_suggestionRow;
    /// The row's layout: one row that glides when the number of suggestions changes.
    FlowLayout* m_suggestionFlow;
    /// The suggestion row's place, which brings the row in and out.
    TransitionSlot* m_suggestionSlot;
    QWidget* m_flowBox;
    FlowLayout* m_flow;
    QWidget* m_fieldCapsule;
    QLineEdit* m_field;
    QList<TagChip*> m_chips;
    QList<TagSuggestionChip*> m_suggestionChips;
};
