#pragma once

#include <QObject>

/// The entry commands every menu binds: by id through the store, and shut by the lock in one place.
class EntryActionsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void boundItem_actsOnTheStoredEntry_data();
    void boundItem_actsOnTheStoredEntry();
    void lock_disablesEveryBoundItemAndRunsNothing();
    void goneEntry_runsNothing();
};
