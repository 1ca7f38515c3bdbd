#pragma once

#include "Theme/Glass.h"

class JournalStore;
class QLineEdit;

/// The search box under the list header, bound directly to `JournalStore::searchQuery`: every keystroke
/// changes the query and so the list at once. A clear button shows while the query is not empty; it
/// empties the query and leaves the field open. Showing the field puts the caret in it. Down in the
/// field asks to go on to the results (downFromField). Escape empties the query first and, in an empty
/// field, asks for the field to close (closeRequested).
class SearchField final : public vsp::GlassPanel {
    Q_OBJECT

public:
    explicit SearchField(JournalStore& store, QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return m_edit; }
    // The clear button is the child "clearSearch".

Q_SIGNALS:
    /// Down was pressed in the field: the results below should take the focus.
    void downFromField();
    /// Escape was pressed in the empty field: it should close.
    void closeRequested();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void syncFromStore();

    JournalStore& m_store;
    QLineEdit* m_edit;
    vsp::GlassButton* m_clear;
};
