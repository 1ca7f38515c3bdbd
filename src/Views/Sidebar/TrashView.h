#pragma once

#include "Model/JournalEntry.h"

#include <QAbstractListModel>
#include <QDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QStyledItemDelegate>

#include <optional>

class GlassChipButton;
class JournalStore;
class QListView;
class QStackedWidget;
class TransitionSlot;
namespace vsp {
class GlassButton;
class SpringValue;
class TransitionOverlay;
} // namespace vsp

/// The trash's records as list rows, most recent deletion first, following the store with row
/// inserts and removes (a record is known by its entry id and its deletion date).
class TrashListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { DaysLeftRole = Qt::UserRole + 1 };

    explicit TrashListModel(JournalStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    const TrashedEntry& record(int row) const { return m_rows.at(row); }

private:
    void sync();

    JournalStore& m_store;
    QList<TrashedEntry> m_rows;
};

class TrashRowDelegate;

/// The rows' comings and goings in the trash list (spring 0.3): a record restored or deleted for good
/// shrinks to 0.95 and fades where it was while the rows below close up; a record added grows in from
/// 0.95 as the rows below make room. A leaving row is painted from a picture taken before it went, the
/// others by the delegate at their moving place. With animations off nothing moves.
class TrashRowMotion final : public QObject {
    Q_OBJECT

public:
    TrashRowMotion(QListView* list, TrashRowDelegate* delegate);

    bool isRunning() const;
    /// Ends the motion at once, every row at its place.
    void finish();
    /// How far a row is drawn below its place now, in pixels (negative: above).
    qreal offset(int row) const;
    /// 0 to 1: how far an entering row has come in; 1 for every other row.
    qreal presence(int row) const;
    /// Paints the leaving rows over the list's viewport.
    void paintLeaving(QPainter& painter) const;

private:
    void aboutToRemove(int first, int last);
    void inserted(int first, int last);
    void start();

    struct Leaving {
        QPixmap picture;
        QRect rect;
    };
    QListView* m_list;
    TrashRowDelegate* m_delegate;
    QList<Leaving> m_leaving;
    /// Rows from this one on start `m_shift` pixels from their place.
    int m_shiftFrom = -1;
    qreal m_shift = 0;
    int m_enterFirst = -1;
    int m_enterLast = -1;
    vsp::SpringValue* m_progress;
};

/// Paints one trash record: title ("Untitled" when empty), the body's line, the countdown, "Restore" and
/// the delete button, on glass.
class TrashRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int kRowHeight = 78;
    static constexpr int kSpacing = 8;

    /// Where the two buttons of a row lie within its item rectangle.
    static QRectF restoreRect(const QRect& item);
    static QRectF deleteRect(const QRect& item);
    /// "Deletes in 3 days", "Deletes in 1 day", "Deletes today".
    static QString countdownText(int days);
    /// Orange at 3 days or fewer.
    static bool isUrgent(int days) { return days <= 3; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    /// The row and button under the pointer, for their hover glass.
    void setHovered(int row, int button)
    {
        m_hoveredRow = row;
        m_hoveredButton = button;
    }
    /// The row and button (1 Restore, 2 delete) the keyboard is on; the focus ring is drawn round that
    /// button while `ringShown`.
    void setKeyFocus(int row, int button, bool ringShown)
    {
        m_keyRow = row;
        m_keyButton = button;
        m_ringShown = ringShown;
    }
    int keyRow() const { return m_keyRow; }
    int keyButton() const { return m_keyButton; }
    /// Rows are drawn where the motion has them; none: at their place.
    void setMotion(const TrashRowMotion* motion) { m_motion = motion; }
    /// A row at rest, at `option.rect`.
    void paintRecord(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

private:
    const TrashRowMotion* m_motion = nullptr;
    int m_hoveredRow = -1;
    int m_hoveredButton = 0;
    int m_keyRow = -1;
    int m_keyButton = 1;
    bool m_ringShown = false;
};

/// "Recently Deleted": the trash as a window-modal sheet of 460 by 520 pixels. Each record can be
/// restored or, after "Delete permanently?", deleted for good; "Empty Trash" asks first too. Every
/// change goes through the store, which keeps the photo and voice-note folders of an id that a live
/// entry still uses. The sheet follows the store while it is open. From the keyboard the list is one Tab
/// stop after the header's buttons: Up and Down choose the row, Left and Right its Restore or delete
/// button, Space and Return press it; the list's accessible name says which.
class TrashView final : public QDialog {
    Q_OBJECT

public:
    TrashView(JournalStore& store, QWidget* parent = nullptr);

    // Its buttons are the children "emptyTrash" and "closeTrash", its list "trashList" (model
    // "trashModel", row motion "trashRowMotion"), and each question it asks "trashQuestion".
    /// Whether the empty state ("Trash is empty") shows.
    bool showsEmptyState() const;

    void restore(int row);
    /// Asks "Delete permanently?" for the row's record.
    void requestDelete(int row);
    /// Asks "Empty Trash?".
    void requestEmptyTrash();
    std::optional<TrashedEntry> pendingPermanentDelete() const { return m_pendingDelete; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's parts: the header with its buttons, and the page shown while the trash is empty.
    QWidget* buildHeader();
    QWidget* buildEmptyPage();
    void refresh();
    /// Moves the keyboard to a row and button (clamped to the rows) and names them for screen readers.
    void setKeyFocus(int row, int button);
    bool listKeyEvent(QEvent* event);
    QMessageBox* ask(const QString& title, const QString& message, const QString& destructive);

    JournalStore& m_store;
    TrashListModel* m_model;
    TrashRowDelegate* m_delegate;
    QStackedWidget* m_pages;
    QListView* m_list;
    TrashRowMotion* m_motion = nullptr;
    /// The list as it looked before its last rows went, for fading into the empty state.
    QPixmap m_beforeEmpty;
    QPointer<vsp::TransitionOverlay> m_pageTransition;
    GlassChipButton* m_emptyButton;
    TransitionSlot* m_emptySlot = nullptr;
    vsp::GlassButton* m_close;
    /// The question asked now, or null.
    QPointer<QMessageBox> m_question;
    std::optional<TrashedEntry> m_pendingDelete;
};
