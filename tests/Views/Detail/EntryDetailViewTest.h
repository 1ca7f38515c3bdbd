#pragma once

#include <QObject>

/// The entry detail driven end to end over a temporary journal: every trigger of the edit cycle, focus
/// mode, deletion, copying, tags, related entries, expiration and attachments, each checked in
/// entries.json.
class EntryDetailViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void typing_writesNothing_untilCommitted_data();
    void typing_writesNothing_untilCommitted();
    void focusModeOn_whileEditing_keepsWhatIsTyped();
    void focusModeOn_whenReading_editsInTheFocusLayout();
    void focusModeRead_columnSitsInTheMiddle();
    void commit_takesPendingTag_andTrims();
    void delete_asksFirst_andEditingTheDeletedEntryWritesNothing();
    void deleteQuestion_titleBarHoldsItsWholeTitle();
    void copies_useTheStoredEntry();
    void tagEditor_suggestsStoredTags_data();
    void tagEditor_suggestsStoredTags();
    void relatedEntries_clickSelects();
    void expirationBadge_followsTheClockAcrossMidnight();
    void expirationBadge_readsInBothAppearances_data();
    void expirationBadge_readsInBothAppearances();
    void doneText_readsOnItsGlass();
    void pastExpiration_isKeptAsStored();
    void anotherEntryWhileEditingInFocus_loadsItsDocument();
    void transcriptAfterEditingEnded_reachesTheStoredEntry();
    void recordingThatCannotBeStored_isKeptAndNamed();
    void removedPhoto_isDeletedOnlyOnCommit_data();
    void removedPhoto_isDeletedOnlyOnCommit();
    void photoClicked_opensLightbox_escapeClosesIt_data();
    void photoClicked_opensLightbox_escapeClosesIt();
    void photoAddedToADeletedEntry_isRemoved();
    void addImages_refusedFile_isExplainedOnScreen_data();
    void addImages_refusedFile_isExplainedOnScreen();
    void photosAddedWhileEditing_sectionComesInPicturingThemAsTheyArrive();
    void editPhotos_fitTheWindow_withoutAnEmptyBandAbove();
    void readPhoto_afterLeavingEditingWithAColdCache_keepsItsHeight_data();
    void readPhoto_afterLeavingEditingWithAColdCache_keepsItsHeight();
    void hugeBody_firstPaintLaysOutItsStart_laterTheWholeHeight();
    void tallBody_scrolledToTheEnd_showsItsLastLine();
    void narrowWindow_readPage_prefersItsHeightAtTheWidthItHas();
    void oneParagraphGiant_readsAndEditsAsStored();
    void longBody_scrolledToTheEnd_staysThereWhileItIsLaidOut();
    void storedTab_drawsAsAGap_data();
    void storedTab_drawsAsAGap();
    void imageDrop_onlyWhileEditing_onlyReadableImages();
    void ctrlBackspaceInATextField_deletesAWord_notTheEntry();
    void editLayout_tabLeavesBodyForAttachments_ctrlTabTypesTab();
    void windowClosing_andTeardown_commit();
    void readLayout_showsPiecesOfTheStoredEntry();
    void unchangedEdit_leavesTheJournalFileAlone();
    void leavingAnUntouchedEdit_neverRewritesTheEntry_data();
    void leavingAnUntouchedEdit_neverRewritesTheEntry();
    void focusModeUnderTheLock_neitherEditsNorWrites();
    void keysWhileReading_neverReachTheEditor();
    void doneByKeyboard_givesTheKeyboardToEdit_data();
    void doneByKeyboard_givesTheKeyboardToEdit();
    void editUnderMotion_savesAtOnce_keepsTypedText_data();
    void editUnderMotion_savesAtOnce_keepsTypedText();
    void focusModeUnderMotion_partsMoveWithTheirOwnSprings_data();
    void focusModeUnderMotion_partsMoveWithTheirOwnSprings();
    void floatingBar_sitsAboveTheSelection_elseWhereItsLayoutSays_data();
    void floatingBar_sitsAboveTheSelection_elseWhereItsLayoutSays();
    void floatingBar_columnScalesItsWayOut_focusTakesItAtOnce_data();
    void floatingBar_columnScalesItsWayOut_focusTakesItAtOnce();
    void picturedLook_pieceComesDownFromTheTopEdge_data();
    void picturedLook_pieceComesDownFromTheTopEdge();
    void picturedLookShown_copiesTheFrameWithoutPainting_data();
    void picturedLookShown_copiesTheFrameWithoutPainting();
    void picturedLookShown_keptBuffer_neverOverwritesAHeldLook();
    void tagRemovedUnderMotion_restOfTheFlowTakesItsPlace();
    void expirationUnderMotion_dayEditorEndsShownThenGone_data();
    void expirationUnderMotion_dayEditorEndsShownThenGone();
};
