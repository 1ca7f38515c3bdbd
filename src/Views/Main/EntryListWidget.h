#pragma once

#include <QListView>
#include <QUuid>

class EntryListDelegate;
class EntryListModel;
class EntryListMotion;
class JournalStore;

/// The scrolling list of the entry column: a QListView over EntryListModel painted by
/// EntryListDelegate. A click on an entry row selects its entry in the store; a click on the On This Day
/// header folds the block, one on its rows selects that entry; the context menu of a row acts on the
/// row's entry. It never scrolls by itself and has no keyboard handling of its own. When the listed
/// rows change, they move into their new places with the list's spring (EntryListMotion).
class EntryListWidget final : public QListView {
    Q_OBJECT

public:
    EntryListWidget(JournalStore& store, QWidget* parent = nullptr);

    EntryListModel* listModel() const { return m_model; }
    EntryListDelegate* listDelegate() const { return m_delegate; }
    EntryListMotion* motion() const { return m_motion; }

    /// Lays the rows out again (row heights changed) on the next turn of the event loop.
    void relayout() { scheduleDelayedItemsLayout(); }

    /// The rectangle of the row showing this entry, in viewport coordinates; empty when not listed.
    QRect rectOf(const QUuid& id) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateHover(const QPoint& pos);
    void onRowClicked(const QPoint& pos);

    JournalStore& m_store;
    EntryListModel* m_model;
    EntryListDelegate* m_delegate;
    EntryListMotion* m_motion;
    QPersistentModelIndex m_pressed;
};
