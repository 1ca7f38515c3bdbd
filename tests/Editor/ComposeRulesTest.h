#pragma once

#include <QObject>

/// The compose window's rules that need no widgets: savability, word count, the derived title, the
/// floating bar's placement, tag entry, the body-text size command, the initial type and the draft keys.
class ComposeRulesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void canSave_data();
    void canSave();
    void wordCount_data();
    void wordCount();
    void derivedTitle_data();
    void derivedTitle();
    void floatingBarOffset_data();
    void floatingBarOffset();
    void tagSuggestions_data();
    void tagSuggestions();
    void commitTag_data();
    void commitTag();
    void bodyTextCommand_data();
    void bodyTextCommand();
    void entryDateText_data();
    void entryDateText();
    void initialEntryType_data();
    void initialEntryType();

    void draft_roundTripsEveryKey();
    void draft_emptyFormOrSettingOff_removesStoredDraft_data();
    void draft_emptyFormOrSettingOff_removesStoredDraft();
    void draft_withoutRichText_removesStoredRichText();
    void draft_keptAgain_rewritesOnlyWhatChanged();
};
