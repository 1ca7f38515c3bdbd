#pragma once

#include <QObject>

class MoodStoreTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void noFile_givesDefaults_andWritesNothing();
    void defaultMoods_fixedEmojiAndLabels_sameIdsWithinRun();
    void unusableFile_givesDefaults_data();
    void unusableFile_givesDefaults();
    void saveThenLoad_roundTrip();
    void save_writesCompactArrayInPaletteOrder();
    void label_lookup_data();
    void label_lookup();
    void setMoods_announcesEveryAssignment();
    void emptiedPalette_isSaved_andNextLaunchFallsBack();
    void undecodableFile_isCopiedBeforeFirstSave();
    void saveFailure_printsOneLine_andKeepsMoods();
    void fileThatIsNotAMoodsFile_isNeverWritten_data();
    void fileThatIsNotAMoodsFile_isNeverWritten();
};
