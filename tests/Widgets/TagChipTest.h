#pragma once

#include <QObject>

/// The tag chip of New Entry, the detail and quick capture: its text, its remove button, and which
/// chips stay when the tags change.
class TagChipTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void chip_showsTheTagAsPlainText_data();
    void chip_showsTheTagAsPlainText();
    void removeButton_asksToRemoveItsTag();
    void chipText_readsOnItsGlass_data();
    void chipText_readsOnItsGlass();
    void keptFor_reusesChipsOfTagsStillChosen_data();
    void keptFor_reusesChipsOfTagsStillChosen();
};
