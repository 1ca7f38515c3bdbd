#pragma once

#include <QObject>

class EditorWidgetTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void newEditor_typesWithDefaultAttributes();
    void pointSizes_showAsLogicalPixels();
    void storedWritingFontSize_data();
    void storedWritingFontSize();
    void fontDesigns_mapToInstalledFamilies_data();
    void fontDesigns_mapToInstalledFamilies();
    void setContent_readableRtfWins_elsePlainText();
    void setContent_emitsNothing_andDropsPendingRtfOfOldDocument();
    void setContentWithDesign_loadsNewDocumentBeforeRefont();
    void fontDesignChange_keepsSizesAndTraits_andWritesRtfOnly();
    void designThenReplace_neverReportsTheOldDocument();
    void keyboardShortcuts_formatTheSelection();
    void loadedColours_adaptToTheme_data();
    void loadedColours_adaptToTheme();
    void savedDocument_reloadsWithTheSameColours();
    void randomEditingSessions_reloadAsShown_andUndoToTheStart();
    void typing_reportsPlainAtOnce_andRtfCoalesced();
    void typing_undoRedo();
    void oneParagraphGiant_editsAsOneParagraph_data();
    void oneParagraphGiant_editsAsOneParagraph();
    void paste_prefersRtf_thenPlain_neverHtmlOrImages();
    void copyPaste_keepsFormatting();
    void selectionState_followsSelection();
    void richTextHandle_givesLiveRtf();
    void autoHeight_reportsContentHeight();
    void focus_takenOnlyWhenNoTextFieldHasIt();
    void placeholder_drawnOnlyWhileEmpty();
    void typing_repaintsTheChangedLine_andThePlaceholderWhenItComesOrGoes();
    void palette_recoloursThemeRuns();
};
