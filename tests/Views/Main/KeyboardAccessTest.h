#pragma once

#include <QObject>

/// The main window from the keyboard alone: what Tab reaches and what a screen reader calls it, the
/// entry list's keys, and Down from the search field.
class KeyboardAccessTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void tabChain_reachesEveryColumnInOrder_withNames();
    void tabChain_calendarTakesTheListsPlace();
    void listKeys_moveSelection_data();
    void listKeys_moveSelection();
    void downFromSearchField_selectsFirstResult();
};
