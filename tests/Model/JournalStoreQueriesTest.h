#pragma once

#include <QObject>

/// The filtered list, On This Day, tags, statistics and calendar queries.
class JournalStoreQueriesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void filter_precedence_data();
    void filter_precedence();
    void filter_askedAgain_followsChangesInPlace_data();
    void filter_askedAgain_followsChangesInPlace();
    void filter_followingChanges_equalsAFreshFilter_data();
    void filter_followingChanges_equalsAFreshFilter();
    void search_isCaseInsensitiveOverTitleBodyTags_data();
    void search_isCaseInsensitiveOverTitleBodyTags();
    void search_followsEditedText();
    void search_followsAddedAndDeletedEntries();
    void search_narrowing_seesChangesAndPreparedText();
    void search_typedQueries_matchAFreshSearch_data();
    void search_typedQueries_matchAFreshSearch();
    void today_excludesArchivedAndYesterday();
    void sort_isStableInBothDirections();
    void onThisDay_earlierYearsOnlyNewestFirst_data();
    void onThisDay_earlierYearsOnlyNewestFirst();
    void allTags_countsExactNamesInCodePointOrder();
    void countsAndStreak_afterChange_equalAFullCount_data();
    void countsAndStreak_afterChange_equalAFullCount();
    void selectedEntry_findsArchivedEntry();
    void emptyJournal_statistics();
    void streak_countsDaysEndingToday();
    void streak_longerThanTwoMonths_data();
    void streak_longerThanTwoMonths();
    void streak_afterRedates_equalsARecount();
    void counts_leaveArchivedOutExceptStreakAndWords();
    void entriesOn_listsDayOldestFirst();
    void entryDayCounts_countsOneMonth();
};
