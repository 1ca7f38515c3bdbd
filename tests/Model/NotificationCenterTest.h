#pragma once

#include <QObject>

class NotificationCenterTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void nextMatchingTime_data();
    void nextMatchingTime();
    void nextMatchingTime_acrossDaylightSavingChanges_data();
    void nextMatchingTime_acrossDaylightSavingChanges();

    void dailyReminder_scheduledTwice_leavesOneWithTheSecondTime();
    void dailyReminder_removal_keepsExpirationReminders();
    void expiration_request_hasTitleBodyUserInfoAndMorningTrigger();
    void expiration_movedToAnotherDay_leavesOneRequest();
    void expiration_withoutDate_changesNothing();
    void expiration_cancel_removesOnlyThatEntry();
    void expiration_alreadyPastToday_isAddedButNeverFires();
    void store_keepsExpirationRemindersInStep();

    void requests_surviveRestart_inTheStateFolder();
    void timer_firesDueRequests_keepsRepeatingOnes();
    void launch_handlesRequestsMissedWhileNotRunning_data();
    void launch_handlesRequestsMissedWhileNotRunning();
    void damagedStateFile_startsEmpty_withOneLine();
    void linkToAnotherProgramsFile_isNeverWritten();
    void clockSetBack_remindersKeepFiring_data();
    void clockSetBack_remindersKeepFiring();

    void authorization_data();
    void authorization();
    void presentationOptions_data();
    void presentationOptions();
    void firing_withoutDelivery_printsOneLine();
};
