#include "JournalBannerTest.h"

#include "common/FixedFileChooser.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/Dates.h"
#include "Model/EntryCodec.h"
#include "Model/FileIO.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Model/NotificationCenter.h"
#include "Views/Main/JournalBanner.h"
#include "Views/Main/MainWindow.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>

#include <sys/stat.h>

namespace {

using fixtures::writeFile;

QString storeFile(const QString& name)
{
    return fixtures::storeFolder() + u'/' + name;
}

// A store whose last change could not be written: files may grow by no more than a few bytes.
void failOneSave(JournalStore& store)
{
    const vsp::test::FileSizeLimit limit(8);
    store.addEntry(viewfixtures::entry(QStringLiteral("kept in memory"), fixtures::fixtureNow()));
}

} // namespace

void JournalBannerTest::init()
{
    viewfixtures::resetState();
}

void JournalBannerTest::failedSave_showsUntilTryAgainWrites()
{
    JournalStore store(fixtures::fixtureClock().function());
    JournalBanner banner(store);
    QVERIFY(banner.isHidden());
    failOneSave(store);
    QVERIFY(!banner.isHidden());
    QCOMPARE(
        banner.messages(),
        QStringList{QStringLiteral("Vesperlog could not save your journal \u2014 File too large. Your changes are kept "
                                   "while the app is open.")});
    vsp::test::child<QAbstractButton>(banner, QStringLiteral("tryAgain"))->click();
    QVERIFY(banner.isHidden());
    QCOMPARE(vsp::decodeEntries(vsp::readWholeFile(storeFile(QStringLiteral("entries.json"))).bytes).value->size(), 1);
}

void JournalBannerTest::saveCopy_writesTheJournal_orTellsWhyNot_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("written");
    QTest::newRow("chosen file") << vsp::test::testHome() + QStringLiteral("/Documents/copy.json") << true;
    QTest::newRow("missing folder") << vsp::test::testHome() + QStringLiteral("/nowhere/copy.json") << false;
}

void JournalBannerTest::saveCopy_writesTheJournal_orTellsWhyNot()
{
    QFETCH(QString, destination);
    QFETCH(bool, written);
    JournalStore store(fixtures::fixtureClock().function());
    vsp::test::FixedFileChooser chooser;
    chooser.exportPath = destination;
    store.setFileChooser(&chooser);
    JournalBanner banner(store);
    failOneSave(store);
    vsp::test::child<QAbstractButton>(banner, QStringLiteral("saveCopy"))->click();
    QCOMPARE(QFileInfo::exists(destination), written);
    const QLabel* note = nullptr;
    for (const QLabel* label : banner.findChildren<QLabel*>()) {
        if (label->text().startsWith(QStringLiteral("The copy could not be saved"))) {
            note = label;
        }
    }
    QCOMPARE(note && !note->isHidden(), !written);
    // A copy is no save: the notice stays until the journal itself is written.
    QVERIFY(!banner.isHidden());
    QVERIFY(store.hasUnsavedChanges());
}

void JournalBannerTest::damagedFile_namesItsCopy_andShowsItInFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("opening");
    QTest::newRow("journal") << QStringLiteral("entries.json")
                             << QStringLiteral("Your journal file could not be read.");
    QTest::newRow("trash") << QStringLiteral("trash.json") << QStringLiteral("Your trash file could not be read.");
    QTest::newRow("moods") << QStringLiteral("moods.json") << QStringLiteral("Your moods file could not be read.");
}

void JournalBannerTest::damagedFile_namesItsCopy_andShowsItInFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, opening);
    writeFile(storeFile(file), "{damaged");
    JournalStore store(fixtures::fixtureClock().function());
    MoodStore moods;
    const QString copy = file == QLatin1String("trash.json")   ? store.damagedTrashCopy()
                         : file == QLatin1String("moods.json") ? moods.damagedCopy()
                                                               : store.damagedJournalCopy();
    QVERIFY(QFileInfo::exists(copy));
    // The notice as the main window's list column holds it.
    MainWindow window(store, moods, [](const QString&) {});
    auto* banner = window.findChild<JournalBanner*>();
    QVERIFY(banner);
    QStringList revealed;
    banner->setRevealAction([&](const QString& path) { revealed << path; });
    QVERIFY(!banner->isHidden());
    QCOMPARE(banner->messages(), QStringList{opening + QStringLiteral(" A copy was kept at ") + copy + u'.'});
    const QString name = file == QLatin1String("trash.json")   ? QStringLiteral("showTrashCopy")
                         : file == QLatin1String("moods.json") ? QStringLiteral("showMoodsCopy")
                                                               : QStringLiteral("showJournalCopy");
    auto* show = vsp::test::child<QAbstractButton>(*banner, name);
    QVERIFY(show);
    QCOMPARE(show->text(), QStringLiteral("Show in Files"));
    show->click();
    QCOMPARE(revealed, QStringList{copy});
}

void JournalBannerTest::fileLeftUnchanged_isTold_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("moods.json a FIFO")
        << QStringLiteral("moods.json")
        << QStringLiteral("Your moods file could not be read \u2014 moods.json is not a regular file; no copy of it "
                          "could be kept, so it is left unchanged.");
    QTest::newRow("notifications.json a link to a note")
        << QStringLiteral("notifications.json")
        << QStringLiteral("Your reminders file could not be read \u2014 notifications.json is a link to %1, which "
                          "could not be read as a reminders file; it is left unchanged.");
}

void JournalBannerTest::fileLeftUnchanged_isTold()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    QDir().mkpath(fixtures::storeFolder());
    const QString note = vsp::test::testHome() + QStringLiteral("/notes.txt");
    NotificationCenter& reminders = NotificationCenter::instance();
    const auto restore = qScopeGuard([&] { reminders.setStateFile(QString()); });
    if (file == QLatin1String("moods.json")) {
        QCOMPARE(::mkfifo(QFile::encodeName(storeFile(file)).constData(), 0600), 0);
    } else {
        writeFile(note, "buy milk");
        QVERIFY(QFile::link(note, storeFile(file)));
        reminders.setStateFile(storeFile(file));
        message = message.arg(note);
    }
    JournalStore store(fixtures::fixtureClock().function());
    MoodStore moods;
    MainWindow window(store, moods, [](const QString&) {});
    auto* banner = window.findChild<JournalBanner*>();
    QVERIFY(banner);
    // Read when first needed, which may be after the window is made.
    reminders.pendingRequests();
    QVERIFY(!banner->isHidden());
    QCOMPARE(banner->messages(), QStringList{message});
    QVERIFY(!banner->findChild<QAbstractButton*>(QStringLiteral("showMoodsCopy")));
}

void JournalBannerTest::readOnlyJournalFolder_staysReadOnly_andSavingSaysWhy()
{
    const QString folder = fixtures::storeFolder();
    QDir().mkpath(folder);
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                              | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(folder, readOnly));
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });
    JournalStore store(fixtures::fixtureClock().function());
    // The user's choice holds: the group and others lose their access, the owner gains nothing.
    const QFileDevice::Permissions forThisUser = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    QCOMPARE(QFileInfo(folder).permissions() & ~forThisUser, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    const vsp::test::PermissionsEnforced enforced;
    QVERIFY(enforced.active());
    JournalBanner banner(store);
    store.addEntry(viewfixtures::entry(QStringLiteral("kept in memory"), fixtures::fixtureNow()));
    QVERIFY(store.hasUnsavedChanges());
    QVERIFY2(store.lastSaveError().contains(QStringLiteral("Permission denied")), qPrintable(store.lastSaveError()));
    QVERIFY(!banner.isHidden());
    QCOMPARE(banner.messages(), QStringList{JournalBanner::saveFailureText(store.lastSaveError())});
}

void JournalBannerTest::listColumn_holdsTheBanner()
{
    JournalStore store(fixtures::fixtureClock().function());
    MoodStore moods;
    MainWindow window(store, moods, [](const QString&) {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* banner = window.findChild<JournalBanner*>();
    QVERIFY(banner);
    QVERIFY(!banner->isVisible());
    failOneSave(store);
    QVERIFY(banner->isVisible());
    QVERIFY(banner->width() > 200);
}
