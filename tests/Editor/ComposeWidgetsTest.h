#pragma once

#include <QObject>

/// The pieces of the "New Entry" window on their own, driven with the mouse and keyboard: both format
/// bars, the footer's tag entry, the mood picker and the pending image and voice-note previews.
class ComposeWidgetsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void formatBar_buttonsSendTheirCommands();
    void formatBar_save_onlyWhileSavingIsPossible();
    void formatBar_designButtons_selectAndNeverDeselect();
    void formatBar_withoutSave_hasNoSaveButton_wrapsWhenNarrow();
    void floatingBar_buttonsSendTheirCommands();
    void floatingBar_marksStylesAtSelectionStart();

    void footer_returnCommitsTrimmedLowerCaseTagOnce();
    void footer_manyTags_keepTheFieldInSight();
    void footer_suggestions_followFieldAndSkipArchivedAndChosen();
    void footer_lockedJournal_suggestsNoTags();
    void footer_suggestionClick_addsTagAndEmptiesField();
    void footer_chipCross_removesOnlyThatTag();

    void moodSelector_clickChoosesAndSecondClickClears();
    void moodSelector_emptyPalette_showsOnlyCaption();
    void moodBadge_unknownEmoji_isItsOwnLabel();

    void imagesPreview_captionAndUnreadableFile();
    void imagesPreview_remove_takesEveryCopyAndKeepsFile();
    void imagesPreview_manyImages_wheelReachesEveryOne();
    void audioPreview_remove_deletesRecordingThenRow();
};
