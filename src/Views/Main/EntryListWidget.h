#pragma once

#include <QAbstractItemView>
#include <QUuid>

#include <vector>

class EntryListDelegate;
class EntryListModel;
class EntryListMotion;
class JournalStore;

/// The scrolling list of the entry column: one column of rows of EntryListModel painted by
/// EntryListDelegate. A click on an entry row selects its entry in the store; a click on the On This Day
/// header folds the block, one on its rows selects that entry; the context menu of a row acts on the
/// row's entry; from the keyboard (the Menu key, Shift+F10) it is the selected row's, opened at that
/// row. It never scrolls by itself. It takes the keyboard focus (Tab or a click): Up and Down
/// select the entry row before or after the selected one, Home and End the first and last, Page Up and
/// Page Down the entry a view's height away, each as a click on that row would, and bring it into view;
/// the selected row has the focus ring while the focus came from the keyboard. When the listed rows
/// change, they move into their new places with the list's spring (EntryListMotion).
///
/// Rows are laid out lazily: only the rows in view and half a screen above and below it are measured
/// (the delegate's sizeHint). Every other row keeps the height it was last measured at, or, never
/// measured, the average height of the first rows measured, so a change of a 50,000-row list costs the
/// rows on screen only. As rows get measured, the list keeps the first row in view where it was on
/// screen; the scroll bar's length follows the measured and estimated heights.
class EntryListWidget final : public QAbstractItemView {
    Q_OBJECT

public:
    EntryListWidget(JournalStore& store, QWidget* parent = nullptr);

    EntryListModel* listModel() const { return m_model; }
    EntryListDelegate* listDelegate() const { return m_delegate; }
    EntryListMotion* motion() const { return m_motion; }

    /// Selects the first entry row (as a click on it) and brings it into view; false when none is listed.
    bool selectFirstEntry();
    /// Whether the focus ring shows around the selected row.
    bool showsFocusRing() const;

    /// Measures the rows again as they come into view (their heights changed: width, row settings).
    void relayout();

    /// The rectangle of the row showing this entry, in viewport coordinates; empty when not listed.
    QRect rectOf(const QUuid& id) const;
    /// How many rows have been measured at least once since the model last reset.
    int measuredRowCount() const;
    /// The total height of the rows in pixels, measured and estimated.
    int contentHeight() const;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;
    void reset() override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect&, QItemSelectionModel::SelectionFlags) override { }
    QRegion visualRegionForSelection(const QItemSelection&) const override { return {}; }
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex& parent, int first, int last) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    /// A row's height in pixels: -1 until first measured; `fresh` false when it must be measured again
    /// once it comes near the view (meanwhile the old height stands in).
    struct RowHeight {
        int height = -1;
        bool fresh = false;
    };

    /// No frame, selection or edit triggers; per-pixel scrolling under a slim transparent scroll bar.
    void setUpLook();
    /// Repaints the row of entry `id` when it is in sight; every visible row for a null id or while
    /// the rows are in motion or being refreshed.
    void repaintRow(const QUuid& id);
    /// Repaints the rows whose selection changed with the store's.
    void followSelection();
    /// Keeps the row heights in step with the model's removals, moves, layout changes and refreshes.
    void followModel();
    void updateHover(const QPoint& pos);
    /// The entry row a navigation key leads to from the selected one; -1 for none or another key.
    int keyTargetRow(int key);
    /// The selected row's context menu, as the Menu key opens it.
    void openKeyboardContextMenu();
    void selectRow(int row);
    void onRowClicked(const QPoint& pos);

    /// Row heights for every row of the model, all unknown.
    void resetHeights();
    /// Marks rows [first, last] for measuring again.
    void staleRows(int first, int last);
    /// Measures the rows in and around the view that need it, keeping the first row in view in its
    /// place; true when what the view shows moved or changed height.
    bool layoutRows();
    int measure(int row) const;
    int heightOf(int row) const;
    /// Row tops in content pixels, worked out again when a height changed.
    const std::vector<int>& tops() const;
    /// The row at content pixel `y`, clamped to the rows (-1 when there are none).
    int rowAtContentY(int y) const;
    void updateScrollRange();
    void setScrollValue(int value);

    JournalStore& m_store;
    EntryListModel* m_model;
    EntryListDelegate* m_delegate;
    EntryListMotion* m_motion;
    QPersistentModelIndex m_pressed;

    std::vector<RowHeight> m_heights;
    mutable std::vector<int> m_tops;
    mutable bool m_topsDirty = true;
    /// The stand-in height of rows never measured: the average of the first rows measured (0: none yet).
    int m_estimate = 0;
    /// The rows' heights changed as a whole: the next rows measured give the estimate anew.
    bool m_estimateStale = false;
    /// The scroll bar is being moved by the layout, not by the user.
    bool m_adjustingScroll = false;
    bool m_layingOut = false;
    /// The focus came from the keyboard (or a key moved the selection) rather than a click.
    bool m_keyboardFocus = false;
    /// The entry selected when the rows were last told (null: none).
    QUuid m_paintedSelection;
};
