#pragma once

#include <QObject>

/// The lock cover with scripted device-owner checks, and the first-run introduction walked page by
/// page with and without reduced motion.
class LockAndIntroductionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void unlockAttempt_endsAsTheStackSays_data();
    void unlockAttempt_endsAsTheStackSays();
    void retryAfterFailure_clearsTheMessage_thenUnlocks();
    void unlockPressedWhileAsking_startsNoSecondAttempt();

    void introduction_walkedPageByPage_data();
    void introduction_walkedPageByPage();
    void introduction_offersNoCloseButton();
    void introduction_lastPage_takesTypingInTheNameField();
    void introduction_finish_storesWhatWasChosen_data();
    void introduction_finish_storesWhatWasChosen();
};
