#pragma once

#include <QObject>

/// The list column driven as a user would: rows, context menu, header buttons, search field, empty
/// states and the On This Day block.
class EntryListViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void clickingRow_selectsItsEntry();
    void pointerMovingWithinRow_repaintsNothing();
    void favourite_repaintsItsRowAlone();
    void clickOnAnotherRow_repaintsTheTwoRowsAlone();
    void selectionChange_drawsNoRowContentAgain();
    void newDay_isNoticedWithinAMinute();
    void contextMenu_actsOnRowEntry_data();
    void contextMenu_actsOnRowEntry();
    void contextMenuFromKeyboard_isTheSelectedRowsAtThatRow_data();
    void contextMenuFromKeyboard_isTheSelectedRowsAtThatRow();
    void searchButton_opensFieldThatFiltersAsYouType();
    void toggleSearch_leavesCalendar_thenClosesAndClears();
    void escapeInSearch_clearsThenCloses();
    void navigationChange_closesSearchAndClearsQuery_data();
    void navigationChange_closesSearchAndClearsQuery();
    void emptyState_saysWhy_data();
    void emptyState_saysWhy();
    void emptyState_neverHidesOnThisDay();
    void header_titleAndSubtitle_data();
    void header_titleAndSubtitle();
    void header_subtitleLeavesTheYearOutInEveryLocale_data();
    void header_subtitleLeavesTheYearOutInEveryLocale();
    void sortButton_flipsOrderAndLabels();
    void calendarButton_opensCalendarAtToday();
    void showSidebarButton_onlyWhileSidebarHidden();
    void list_neverScrollsByItself();
    void longList_measuresOnlyRowsNearTheView_data();
    void longList_measuresOnlyRowsNearTheView();
    void refresh_laysOutComingRowsAtOnce();
    void onThisDay_foldsAndSelects();
    void onThisDay_tallBlock_keepsOnlyWhatIsShown();
    void rowSettings_changeRowsAtOnce();
    void searchField_slidesInFromTopEdgeAndFades();
    void calendarAndList_fadeIntoEachOther();
    void showSidebarButton_growsInAndShrinksAway();
};
