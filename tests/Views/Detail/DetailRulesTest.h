#pragma once

#include <QObject>

/// The entry detail's rules without widgets: reading time, dates, expiration, related entries,
/// paragraphs, the flow of chips and the floating bar's place; and the body's rendering rules.
class DetailRulesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readingMinutes_data();
    void readingMinutes();
    void metaDate_showsTheYearOnlyForAnotherYear();
    void metaDate_writesWhatIcuWrites_data();
    void metaDate_writesWhatIcuWrites();
    void metaDate_keepsPatternsForTheNextRun();
    void statusLine_data();
    void statusLine();
    void statusLine_tooNarrow_endsInsideTheWidth();
    void statusLine_otherPieces_areMeasuredAgain();
    void expiration_eitherSideOfMidnight_data();
    void expiration_eitherSideOfMidnight();
    void relatedEntries_data();
    void relatedEntries();
    void paragraphs_data();
    void paragraphs();
    void flowPlacement_data();
    void flowPlacement();
    void editBarOffset_data();
    void editBarOffset();
    void body_scalesRichTextToTheReadingSize();
    void body_blankRichText_showsThePlainBody();
    void body_heightFollowsNewContent_atWidthsAskedBefore();
};
