#pragma once

#include <QObject>

/// The motion of the "New Entry" window, with animations on: each piece starts where its transition
/// begins, comes to rest where it belongs, and takes clicks again once it rests. Nothing here depends
/// on exact timing: every wait is a generous QTRY_.
class ComposeMotionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void slot_comesInFromNothingAndRests_data();
    void slot_comesInFromNothingAndRests();
    void slot_leavesThenHides_andReversesMidway();
    void slot_startsUnpaintedAndEndsShowingThePiece();

    void entrance_overlayDrawsNoBlackAndLeavesWindowInteractive();
    void entrance_weatherArrivingDuringItWaitsThenComesIn();
    void typeChip_choiceGlidesOver();
    void mood_chipGrowsAndBadgeComesAndGoes();
    void expiration_pickerGrowsAndNeighboursGlide();
    void wordCount_rollsFromOldToNewCount();
    void images_stripSlidesInThumbnailsComeAndGo();
    void images_addedWhileTheStripLeaves_comesBackShowingTheNewImage();
    void images_slowDecode_stripMovesWithAPlaceholderThenTheThumbnail();
    void voiceNotes_removedRowLeavesThenColumnClosesUp();
    void floatingBar_entersTakesClicksAtRestAndFadesAway();
    void floatingBar_windowClosedWhileItFades_isGoneOnReopening();
    void footer_chipsAndSuggestionRowComeAndGo();
    void formatBar_designMarkGlides();
};
