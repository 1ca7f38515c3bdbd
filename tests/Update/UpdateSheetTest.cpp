#include "UpdateSheetTest.h"

#include "UpdateTestRig.h"

#include "Model/AppNotifications.h"
#include "Theme/Spring.h"
#include "Update/UpdateBadge.h"

#include "Update/UpdateSheet.h"
#include <QGraphicsOpacityEffect>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTextDocumentFragment>

using namespace vsp::test::update;
using Phase = Updater::Phase;

namespace {

QString labelText(QWidget* sheet, const char* name)
{
    auto* label = sheet->findChild<QLabel*>(QLatin1String(name));
    return label && label->isVisibleTo(sheet) ? label->text() : QString();
}

QAbstractButton* button(QWidget* sheet, const char* name)
{
    for (auto* b : sheet->findChildren<QAbstractButton*>(QLatin1String(name))) {
        if (b->isVisibleTo(sheet)) {
            return b;
        }
    }
    return nullptr;
}

} // namespace

void UpdateSheetTest::init()
{
    vsp::setAnimationsEnabled(false);
    vsp::test::resetUserFolders();
    QDir(vsp::test::testHome() + QStringLiteral("/cache/Vesperlog")).removeRecursively();
    QDir(vsp::test::testHome() + QStringLiteral("/Downloads")).removeRecursively();
}

void UpdateSheetTest::percentText_truncates_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0.0 << "0%";
    QTest::newRow("half a percent") << 0.005 << "0%";
    QTest::newRow("0.29 is just below 29") << 0.29 << "28%";
    QTest::newRow("nearly done") << 0.999 << "99%";
    QTest::newRow("done") << 1.0 << "100%";
}

void UpdateSheetTest::percentText_truncates()
{
    QFETCH(double, fraction);
    QFETCH(QString, text);
    QCOMPARE(UpdateSheet::percentText(fraction), text);
}

void UpdateSheetTest::detail_listsWhatIsKnown_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("parts");
    QTest::newRow("nothing known") << qint64(0) << QDate() << 1;
    QTest::newRow("size only") << qint64(4200000) << QDate() << 2;
    QTest::newRow("size and date") << qint64(4200000) << QDate(2026, 12, 9) << 3;
}

void UpdateSheetTest::detail_listsWhatIsKnown()
{
    QFETCH(qint64, bytes);
    QFETCH(QDate, date);
    QFETCH(int, parts);
    UpdateRelease release;
    release.bytes = bytes;
    release.date = date;
    const QStringList got = UpdateSheet::detail(release, QStringLiteral("1.0")).split(QStringLiteral(" · "));
    QCOMPARE(got.size(), parts);
    QCOMPARE(got.first(), QStringLiteral("you have 1.0"));
    if (parts > 1) {
        QVERIFY2(got.at(1).contains(QLatin1String("MB")), qPrintable(got.at(1)));
    }
}

void UpdateSheetTest::sheet_followsEveryPhase()
{
    Rig rig;
    QVERIFY(rig.server.start());
    const QStringList notes{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                            QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")};
    rig.publish(QStringLiteral("1.0"));
    Updater updater(rig.options());
    UpdateSheet sheet(updater);
    sheet.show();
    QCOMPARE(sheet.statusText(), QStringLiteral("Looking for a new version…"));
    updater.open();
    QCOMPARE(sheet.statusText(), QStringLiteral("Looking for a new version…"));
    QVERIFY(waitForCheck(updater));
    QCOMPARE(sheet.statusText(), QStringLiteral("You're up to date"));
    QVERIFY(button(&sheet, "done"));

    rig.publish(QStringLiteral("1.1"), releaseArchive(), {}, notes);
    button(&sheet, "done")->click();
    QVERIFY(!sheet.isVisible());
    updater.dismiss();
    sheet.show();
    updater.open();
    QVERIFY(waitForCheck(updater));
    QCOMPARE(sheet.statusText(), QStringLiteral("Vesperlog 1.1 is ready"));
    QCOMPARE(sheet.findChildren<QLabel*>(QStringLiteral("note")).size(), UpdateSheet::kMostNotes);
    QVERIFY2(labelText(&sheet, "detail").startsWith(QStringLiteral("you have 1.0 · ")),
             qPrintable(labelText(&sheet, "detail")));

    QStringList headlines;
    QStringList percents;
    connect(&updater, &Updater::phaseChanged, this, [&] {
        if (headlines.isEmpty() || headlines.last() != sheet.statusText()) {
            headlines.append(sheet.statusText());
        }
        percents.append(labelText(&sheet, "percent"));
    });
    button(&sheet, "updateNow")->click();
    QTRY_COMPARE(updater.phase(), Phase::Manual);
    QCOMPARE(headlines, (QStringList{QStringLiteral("Downloading the new version…"), QStringLiteral("Installing…"),
                                     QStringLiteral("It's already downloaded")}));
    QVERIFY(percents.contains(QStringLiteral("100%")));
    button(&sheet, "showInFiles")->click();
    button(&sheet, "showInFiles")->click();
    QCOMPARE(rig.revealed.size(), 3);
    QVERIFY(sheet.isVisible());

    // The parked release is still the one offered when the sheet opens again.
    updater.dismiss();
    updater.open();
    QCOMPARE(sheet.statusText(), QStringLiteral("Vesperlog 1.1 is ready"));
    rig.server.route(QStringLiteral("/Vesperlog.zip"), {404, "text/plain", ""});
    button(&sheet, "updateNow")->click();
    QTRY_COMPARE(updater.phase(), Phase::Failed);
    QCOMPARE(sheet.statusText(), QStringLiteral("The download was cut short. Try again."));
    QVERIFY(button(&sheet, "website"));
    rig.server.route(QStringLiteral("/update.json"), {500, "text/plain", ""});
    button(&sheet, "tryAgain")->click();
    QVERIFY(waitForCheck(updater));
    QCOMPARE(sheet.statusText(),
             QStringLiteral("Couldn't check for a new version. Check your connection and try again."));
    // With motion, each new panel fades in and ends fully drawn.
    vsp::setAnimationsEnabled(true);
    button(&sheet, "tryAgain")->click();
    QVERIFY(waitForCheck(updater));
    QVERIFY(sheet.findChild<QGraphicsOpacityEffect*>());
    QTRY_VERIFY(!sheet.findChild<QGraphicsOpacityEffect*>());
    vsp::setAnimationsEnabled(false);
    button(&sheet, "close")->click();
    QVERIFY(!sheet.isVisible());
}

void UpdateSheetTest::sheet_showsFeedTextsAsPlainText()
{
    Rig rig;
    QVERIFY(rig.server.start());
    // A version with markup is refused by the feed's rules; the notes may hold any text.
    rig.publish(QStringLiteral("2.1"), {}, {}, {QStringLiteral("<img src=x>"), QStringLiteral("a & b")});
    Updater updater(rig.options());
    UpdateSheet sheet(updater);
    updater.open();
    QVERIFY(waitForCheck(updater));
    const QList<QLabel*> labels = sheet.findChildren<QLabel*>();
    QVERIFY(!labels.isEmpty());
    for (QLabel* label : labels) {
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    QCOMPARE(sheet.statusText(), QStringLiteral("Vesperlog 2.1 is ready"));
    QStringList notes;
    for (QLabel* note : sheet.findChildren<QLabel*>(QStringLiteral("note"))) {
        notes.append(note->text());
    }
    QCOMPARE(notes, (QStringList{QStringLiteral("<img src=x>"), QStringLiteral("a & b")}));
}

void UpdateSheetTest::sheet_returnKey_data()
{
    QTest::addColumn<QString>("published");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<Phase>("after");
    QTest::newRow("found starts the installation") << "1.1" << false << Phase::Downloading;
    QTest::newRow("current closes") << "1.0" << true << Phase::Current;
}

void UpdateSheetTest::sheet_returnKey()
{
    QFETCH(QString, published);
    QFETCH(bool, closes);
    QFETCH(Phase, after);
    Rig rig;
    QVERIFY(rig.server.start());
    rig.publish(published, releaseArchive());
    rig.server.route(QStringLiteral("/Vesperlog.zip"), {200, "application/zip", "", true});
    Updater updater(rig.options());
    UpdateSheet sheet(updater);
    sheet.show();
    sheet.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&sheet));
    updater.open();
    QVERIFY(waitForCheck(updater));
    // The button Return presses has the keyboard, and shows it, from the start.
    QVERIFY(button(&sheet, closes ? "done" : "updateNow")->hasFocus());
    QTest::keyClick(&sheet, Qt::Key_Return);
    QCOMPARE(sheet.isVisible(), !closes);
    QCOMPARE(updater.phase(), after);
}

void UpdateSheetTest::badge_showsTheAvailableRelease_andPostsTheRequest()
{
    Rig rig;
    QVERIFY(rig.server.start());
    // The feed's version is shown as it is, never read as markup.
    const QString version = QStringLiteral("2.<b>1</b>");
    rig.publish(version);
    Updater updater(rig.options());
    QWidget footer;
    auto* badge = new UpdateBadge(updater, &footer);
    footer.show();
    QVERIFY(!badge->isVisible());

    updater.check(false);
    QVERIFY(waitForCheck(updater));
    QVERIFY(badge->isVisible());
    QCOMPARE(badge->text(), version);
    QCOMPARE(QTextDocumentFragment::fromHtml(badge->toolTip()).toPlainText(),
             QStringLiteral("Vesperlog 2.<b>1</b> is available"));
    QCOMPARE(badge->accessibleName(), QStringLiteral("Update to Vesperlog 2.<b>1</b>"));
    QSignalSpy requested(&AppNotifications::instance(), &AppNotifications::VspUpdateRequested);
    QTest::mouseClick(badge, Qt::LeftButton);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(updater.phase(), Phase::Idle);

    // With motion, a release known at start is simply there; a leaving badge shrinks before it goes.
    vsp::setAnimationsEnabled(true);
    UpdateBadge known(updater, &footer);
    QCOMPARE(known.presence(), 1.0);
    rig.publish(QStringLiteral("1.0"));
    updater.check(false);
    QVERIFY(waitForCheck(updater));
    QVERIFY(badge->isVisible());
    QVERIFY(!badge->isEnabled());
    QTRY_VERIFY(!badge->isVisible());
    QCOMPARE(badge->presence(), 0.0);
    vsp::setAnimationsEnabled(false);
}
