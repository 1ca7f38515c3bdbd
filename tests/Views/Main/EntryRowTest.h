#pragma once

#include <QObject>

/// The entry row's texts, marks, measurements and painting.
class EntryRowTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void dateLabel_dependsOnDay_data();
    void dateLabel_dependsOnDay();
    void expirationMark_comparesWithToday_data();
    void expirationMark_comparesWithToday();
    void copyTexts_data();
    void copyTexts();
    void height_followsSettingsAndContent();
    void previewLines_data();
    void previewLines();
    void longBody_rowReadsOnlyItsStart();
    void paint_selectionDotOnlyOnSelectedRow();
    void paint_moodReadsInBothAppearances_data();
    void paint_moodReadsInBothAppearances();
};
