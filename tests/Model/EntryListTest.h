#pragma once

#include <QObject>

class EntryListTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void changes_leaveEarlierCopiesAsTheyWere_data();
    void changes_leaveEarlierCopiesAsTheyWere();
    void edit_copiesOnlyTheChangedEntry();
};
