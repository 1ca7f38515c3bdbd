#include "LockAndIntroductionTest.h"

#include "common/FakeAuthenticator.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/NotificationCenter.h"
#include "Model/NotificationManager.h"
#include "Settings/IntroWidgets.h"
#include "Settings/LockScreenView.h"
#include "Settings/OnboardingStages.h"
#include "Settings/OnboardingView.h"
#include "Theme/FocusRing.h"
#include "Theme/Spring.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using vsp::test::FakeAuthenticator;
using Stack = FakeAuthenticator::Stack;
using namespace vsp::onboarding;

namespace {

const QString kFailure = QStringLiteral("Authentication failed — try again");

struct Cover {
    JournalStore store{fixtures::fixtureClock().function()};
    std::shared_ptr<FakeAuthenticator::Record> record = std::make_shared<FakeAuthenticator::Record>();
    LockScreenView view{store};

    explicit Cover(Stack stack, bool activate = true)
    {
        view.setAuthenticatorFactory(FakeAuthenticator::factory(stack, record));
        view.resize(900, 600);
        store.setIsLocked(true);
        view.show();
        if (activate) {
            view.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&view));
        }
    }
};

/// The illustration of type T on `page`.
template <typename T>
T* stageOf(const QWidget* page)
{
    return page->findChild<T*>();
}

void setReduceMotion(bool on)
{
    qputenv("VESPERLOG_REDUCE_MOTION", on ? "1" : "0");
}

} // namespace

void LockAndIntroductionTest::init()
{
    vsp::test::resetUserFolders();
    vsp::setAnimationsEnabled(false);
}

void LockAndIntroductionTest::cleanup()
{
    qunsetenv("VESPERLOG_REDUCE_MOTION");
}

void LockAndIntroductionTest::unlockAttempt_endsAsTheStackSays_data()
{
    QTest::addColumn<Stack>("stack");
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("locked");
    QTest::newRow("permitting stack") << Stack::Permit << QByteArray() << false << false;
    QTest::newRow("denying stack") << Stack::Deny << QByteArray() << false << true;
    QTest::newRow("right password") << Stack::Password << QByteArray(FakeAuthenticator::kPassword) << false << false;
    QTest::newRow("wrong password") << Stack::Password << QByteArray("open sesam") << false << true;
    QTest::newRow("dialog cancelled") << Stack::Password << QByteArray("open") << true << true;
    // Only a check that cannot be made on this computer at all lets the journal open unproved.
    QTest::newRow("stack cannot start") << Stack::Unavailable << QByteArray() << false << false;
}

void LockAndIntroductionTest::unlockAttempt_endsAsTheStackSays()
{
    QFETCH(Stack, stack);
    QFETCH(QByteArray, typed);
    QFETCH(bool, cancel);
    QFETCH(bool, locked);
    AppSettings::instance().setJournalName(QStringLiteral("Night Notes"));
    Cover cover(stack);
    // Showing the cover starts the attempt.
    QCOMPARE(cover.record->started, 1);
    if (stack == Stack::Password) {
        // The button waits for the attempt.
        QVERIFY(cover.view.isAuthenticating());
        QVERIFY(!vsp::test::child<QAbstractButton>(cover.view, QStringLiteral("unlockButton"))->isEnabled());
        PasswordDialog* dialog = cover.view.m_dialog;
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        QCOMPARE(dialog->heading(), QStringLiteral("Unlock Night Notes"));
        QCOMPARE(dialog->lines(), QStringLiteral("Place your finger on the reader"));
        QVERIFY(vsp::test::child<QLineEdit>(*dialog, QStringLiteral("passwordField"))->isEnabled());
        QCOMPARE(vsp::test::child<QLineEdit>(*dialog, QStringLiteral("passwordField"))->echoMode(),
                 QLineEdit::Password);
        QTest::keyClicks(vsp::test::child<QLineEdit>(*dialog, QStringLiteral("passwordField")),
                         QString::fromUtf8(typed));
        if (cancel) {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else {
            QTest::mouseClick(vsp::test::child<QAbstractButton>(*dialog, QStringLiteral("passwordUnlock")),
                              Qt::LeftButton);
            // The typed password leaves the field as it is handed over.
            QVERIFY(vsp::test::child<QLineEdit>(*dialog, QStringLiteral("passwordField"))->text().isEmpty());
        }
    }
    QTRY_VERIFY(!cover.view.isAuthenticating());
    QCOMPARE(cover.store.isLocked(), locked);
    QCOMPARE(cover.view.failMessage(), locked ? kFailure : QString());
    QVERIFY(!cover.view.m_dialog);
    QVERIFY(vsp::test::child<QAbstractButton>(cover.view, QStringLiteral("unlockButton"))->isEnabled());
    QCOMPARE(cover.record->cancels, cancel ? 1 : 0);
    QCOMPARE(cover.record->answers, (typed.isEmpty() || cancel) ? QList<QByteArray>() : QList<QByteArray>{typed});
}

void LockAndIntroductionTest::retryAfterFailure_clearsTheMessage_thenUnlocks()
{
    Cover cover(Stack::Deny);
    QTRY_COMPARE(cover.view.failMessage(), kFailure);
    QVERIFY(cover.store.isLocked());
    cover.view.setAuthenticatorFactory(FakeAuthenticator::factory(Stack::Permit, cover.record));
    QTest::mouseClick(vsp::test::child<QAbstractButton>(cover.view, QStringLiteral("unlockButton")), Qt::LeftButton);
    // The old failure goes as soon as the new attempt starts.
    QCOMPARE(cover.record->started, 2);
    QCOMPARE(cover.view.failMessage(), QString());
    QVERIFY(cover.store.isLocked());
    QTRY_VERIFY(!cover.store.isLocked());
    QCOMPARE(cover.view.failMessage(), QString());
}

void LockAndIntroductionTest::unlockPressedWhileAsking_startsNoSecondAttempt()
{
    Cover cover(Stack::Silent);
    QCOMPARE(cover.record->started, 1);
    QTest::mouseClick(vsp::test::child<QAbstractButton>(cover.view, QStringLiteral("unlockButton")), Qt::LeftButton);
    cover.view.authenticate();
    QCOMPARE(cover.record->started, 1);
    QVERIFY(cover.store.isLocked());
}

void LockAndIntroductionTest::introduction_walkedPageByPage_data()
{
    QTest::addColumn<bool>("reduce");
    QTest::newRow("with motion") << false;
    QTest::newRow("reduced motion") << true;
}

void LockAndIntroductionTest::introduction_walkedPageByPage()
{
    QFETCH(bool, reduce);
    setReduceMotion(reduce);
    OnboardingView view(fixtures::today());
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.size(), QSize(640, 560));

    // Welcome: no way back, the logo breathes unless motion is reduced.
    QCOMPARE(view.step(), 0);
    QVERIFY(!vsp::test::child<QAbstractButton>(view, QStringLiteral("introBack"))->isEnabled());
    QCOMPARE(vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward"))->text(), QStringLiteral("Next"));
    QCOMPARE(view.isBreathing(), !reduce);
    QTest::keyClick(&view, Qt::Key_Escape);
    QVERIFY(view.isVisible());
    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(view.step(), 1);

    // Writing: the demo types itself one character a tick, or stands finished.
    auto* compose = stageOf<ComposeStage>(view.m_page);
    QVERIFY(compose);
    QCOMPARE(compose->typed(), reduce ? ComposeStage::kTotalLength : 0);
    QCOMPARE(compose->showsTags(), reduce);
    compose->tick();
    QCOMPARE(compose->typed(), reduce ? ComposeStage::kTotalLength : 1);
    if (!reduce) {
        // Reduced motion asked for mid-way stops the typing where it is, until it is switched off.
        setReduceMotion(true);
        compose->tick();
        QCOMPARE(compose->typed(), 1);
        setReduceMotion(false);
        for (int i = 1; i < ComposeStage::kTotalLength + 5; ++i) {
            compose->tick();
        }
        QCOMPARE(compose->typed(), ComposeStage::kTotalLength);
        QCOMPARE(compose->titleShown(), QStringLiteral("Morning, slowly"));
        QVERIFY(compose->showsMood() && compose->showsTags());
    }

    QTest::mouseClick(vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward")), Qt::LeftButton);
    auto* library = stageOf<LibraryStage>(view.m_page);
    QVERIFY(library);
    QCOMPARE(library->active(), 1);
    library->tick();
    library->tick();
    QCOMPARE(library->active(), reduce ? 1 : 0);

    QTest::mouseClick(vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward")), Qt::LeftButton);
    auto* focus = stageOf<FocusStage>(view.m_page);
    QVERIFY(focus);
    focus->tick();
    QCOMPARE(focus->isFocused(), !reduce);

    QTest::mouseClick(vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward")), Qt::LeftButton);
    auto* capture = stageOf<CaptureStage>(view.m_page);
    QVERIFY(capture);
    QCOMPARE(capture->isOpen(), reduce);
    if (!reduce) {
        QTRY_VERIFY(capture->isOpen());
    }
    capture->tick();
    QCOMPARE(capture->levels().size(), CaptureStage::kBars);
    for (qreal level : capture->levels()) {
        QVERIFY(level >= 0.15 && level <= 1.0);
        if (reduce) {
            QCOMPARE(level, 0.3);
        }
    }
    capture->swing();
    QCOMPARE(capture->isOpen(), reduce);

    QTest::mouseClick(vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward")), Qt::LeftButton);
    auto* privacy = stageOf<PrivacyStage>(view.m_page);
    QVERIFY(privacy);
    QCOMPARE(privacy->isPulsing(), !reduce);
    QCOMPARE(PrivacyStage::folderText(), QStringLiteral("~/data/Vesperlog"));

    // Back makes the page anew: its stage starts over.
    QTest::mouseClick(vsp::test::child<QAbstractButton>(view, QStringLiteral("introBack")), Qt::LeftButton);
    QCOMPARE(view.step(), 4);
    QVERIFY(!view.isForward());
    QVERIFY(stageOf<CaptureStage>(view.m_page) != capture);
    QCOMPARE(stageOf<CaptureStage>(view.m_page)->isOpen(), reduce);

    QTest::mouseClick(vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward")), Qt::LeftButton);
    QTest::mouseClick(vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward")), Qt::LeftButton);
    QCOMPARE(view.step(), OnboardingView::kLast);
    QVERIFY(view.isForward());
    QCOMPARE(vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward"))->text(),
             QStringLiteral("Start writing"));
    QCOMPARE(view.findChildren<QAbstractButton*>(QStringLiteral("accentSwatch")).size(), 6);
    QVERIFY(view.m_nameField);
    // Nothing is stored by walking.
    QCOMPARE(AppSettings::instance().userName(), QString());
    QVERIFY(!AppSettings::instance().hasCompletedOnboarding());
}

void LockAndIntroductionTest::introduction_offersNoCloseButton()
{
    OnboardingView view(fixtures::today());
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Closing does not end it, so it has no title bar whose close button would do nothing.
    QVERIFY(view.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!(view.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!view.close());
    QVERIFY(view.isVisible());
}

void LockAndIntroductionTest::introduction_lastPage_takesTypingInTheNameField()
{
    OnboardingView view(fixtures::today());
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    auto* forward = vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward"));
    for (int i = 0; i < OnboardingView::kLast; ++i) {
        forward->setFocus(Qt::TabFocusReason);
        QTest::keyClick(forward, Qt::Key_Space);
    }
    QCOMPARE(view.step(), OnboardingView::kLast);
    QVERIFY(view.m_nameField->hasFocus());
    QVERIFY(vsp::shownFocusRing());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Ada"));
    QCOMPARE(view.m_nameField->text(), QStringLiteral("Ada"));
}

void LockAndIntroductionTest::introduction_finish_storesWhatWasChosen_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("reminder");
    QTest::addColumn<QString>("storedName");
    QTest::newRow("name with spaces, reminder on") << QStringLiteral("  Ada \t") << true << QStringLiteral("Ada");
    QTest::newRow("blank name, reminder off") << QStringLiteral(" \t ") << false << QStringLiteral("Earlier");
}

void LockAndIntroductionTest::introduction_finish_storesWhatWasChosen()
{
    QFETCH(QString, typed);
    QFETCH(bool, reminder);
    QFETCH(QString, storedName);
    AppSettings& settings = AppSettings::instance();
    settings.setUserName(QStringLiteral("Earlier"));
    // The reminder follows the stored time, not a fixed 20:00.
    settings.setDailyReminderHour(7);
    settings.setDailyReminderMinute(45);
    NotificationManager::removeDailyReminder();
    OnboardingView view(fixtures::today());
    QSignalSpy accepted(&view, &QDialog::accepted);
    view.show();
    for (int i = 0; i < OnboardingView::kLast; ++i) {
        QTest::mouseClick(vsp::test::child<QAbstractButton>(view, QStringLiteral("introForward")), Qt::LeftButton);
    }
    QTest::keyClicks(view.m_nameField, typed);
    QAbstractButton* violet = view.findChildren<QAbstractButton*>(QStringLiteral("accentSwatch")).value(3);
    QVERIFY(violet);
    QTest::mouseClick(violet, Qt::LeftButton, {}, violet->rect().center());
    QCOMPARE(settings.accentColorPreset(), QStringLiteral("violet"));
    if (reminder) {
        QTest::mouseClick(vsp::test::child<QAbstractButton>(view, QStringLiteral("reminderSwitch")), Qt::LeftButton);
        QVERIFY(settings.dailyReminderEnabled());
    }
    QCOMPARE(settings.userName(), QStringLiteral("Earlier"));
    QTest::keyClick(view.m_nameField, Qt::Key_Return);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(!view.isVisible());
    QCOMPARE(settings.userName(), storedName);
    QCOMPARE(settings.dailyReminderEnabled(), reminder);
    const QList<NotificationRequest> pending = NotificationCenter::instance().pendingRequests();
    const auto daily = std::find_if(pending.begin(), pending.end(), [](const NotificationRequest& r) {
        return r.identifier == NotificationManager::dailyReminderIdentifier();
    });
    QCOMPARE(daily != pending.end(), reminder);
    if (reminder) {
        QCOMPARE(daily->trigger.hour, std::optional(7));
        QCOMPARE(daily->trigger.minute, std::optional(45));
        QVERIFY(daily->repeats);
    }
}
