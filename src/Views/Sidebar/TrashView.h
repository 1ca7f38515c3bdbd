#pragma once

#include "Model/JournalEntry.h"

#include <QAbstractListModel>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStyledItemDelegate>

#include <optional>

class GlassChipButton;
class JournalStore;
class QListView;
class QStackedWidget;
namespace vsp {
class GlassButton;
}

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

private:
    int m_hoveredRow = -1;
    int m_hoveredButton = 0;
};

/// "Recently Deleted": the trash as a window-modal sheet of 460 by 520 pixels. Each record can be
/// restored or, after "Delete permanently?", deleted for good; "Empty Trash" asks first too. Every
/// change goes through the store, which keeps the photo and voice-note folders of an id that a live
/// entry still uses. The sheet follows the store while it is open.
class TrashView final : public QDialog {
    Q_OBJECT

public:
    TrashView(JournalStore& store, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }
    TrashListModel* model() const { return m_model; }
    GlassChipButton* emptyTrashButton() const { return m_emptyButton; }
    vsp::GlassButton* closeButton() const { return m_close; }
    /// Whether the empty state ("Trash is empty") shows.
    bool showsEmptyState() const;

    void restore(int row);
    /// Asks "Delete permanently?" for the row's record.
    void requestDelete(int row);
    /// Asks "Empty Trash?".
    void requestEmptyTrash();
    /// The question asked now, or null.
    QMessageBox* pendingQuestion() const { return m_question; }
    std::optional<TrashedEntry> pendingPermanentDelete() const { return m_pendingDelete; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    QMessageBox* ask(const QString& title, const QString& message, const QString& destructive);

    JournalStore& m_store;
    TrashListModel* m_model;
    TrashRowDelegate* m_delegate;
    QStackedWidget* m_pages;
    QListView* m_list;
    GlassChipButton* m_emptyButton;
    vsp::GlassButton* m_close;
    QPointer<QMessageBox> m_question;
    std::optional<TrashedEntry> m_pendingDelete;
};
