#pragma once

#include <QObject>

/// The main window's root: columns, focus mode, the lock cover, the introduction and the empty detail.
class ContentViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void focusMode_needsASelectedEntry();
    void lock_coversAndDisablesEverything();
    void firstShow_locksAtOnce_thenPresentsIntroduction();
    void emptyDetail_textsDependOnJournal();
    void detail_followsSelection();
    void sidebar_hidesAndReturns();
    void accentChange_closesSearch_keepsSidebarState();
};
