#include "QuickCaptureTest.h"

#include "common/CaptureParts.h"
#include "common/SoundFixtures.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "App/AppCommands.h"
#include "App/QuickCapture.h"
#include "App/QuickCaptureView.h"
#include "App/VesperlogApp.h"
#include "Media/AudioClipRow.h"
#include "Media/AudioRecordControl.h"
#include "Media/AudioRecorder.h"
#include "Media/SpeechTranscriber.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"
#include "Views/Main/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using fixtures::writeFile;

namespace {

/// The application without a tray, its quick capture opened from the File menu.
struct Capture {
    std::unique_ptr<VesperlogApp> app;

    Capture()
    {
        VesperlogApp::Options options = VesperlogApp::Options::withoutDesktop();
        options.endEventLoop = [] {};
        app = std::make_unique<VesperlogApp>(options);
        QApplication::setQuitOnLastWindowClosed(false);
        open();
    }
    void open() const
    {
        vsp::test::child<QAction>(*app->mainWindow()->menuBar(), QStringLiteral("quickCapture"))->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(app->quickCapture()));
    }
    QuickCapturePanel* panel() const { return app->quickCapture(); }
    QuickCaptureView* view() const { return app->quickCapture()->view(); }
    JournalStore& store() const { return app->store(); }
    void ctrlReturn() const { QTest::keyClick(parts::bodyEditor(view()), Qt::Key_Return, Qt::ControlModifier); }
    /// entries.json as written.
    QList<JournalEntry> journal() const
    {
        if (!store().waitForSaves(10000)) {
            return {};
        }
        return fixtures::readJournal();
    }
};

} // namespace

void QuickCaptureTest::initTestCase()
{
    vsp::setAnimationsEnabled(false);
}

void QuickCaptureTest::init()
{
    vsp::test::resetUserFolders();
    AppSettings::instance().setHasCompletedOnboarding(true);
    AppearanceManager::instance().refresh();
}

void QuickCaptureTest::cleanup()
{
    SpeechTranscriber::setBackend({});
}

void QuickCaptureTest::capture_typeTagRecordCtrlReturn_intoJournalAndAudioFolder()
{
    QTemporaryDir dir;
    QList<std::pair<QString, SpeechTranscriber::Completion>> requests;
    SpeechTranscriber::setBackend([&](const QString& path, SpeechTranscriber::Completion done) {
        requests.append({path, std::move(done)});
    });
    const QString first = writeFile(dir.path() + QStringLiteral("/vsp-rec-1.m4a"), "first recording");
    const QString second = writeFile(dir.path() + QStringLiteral("/vsp-rec-2.m4a"), "second recording");
    Capture c;
    QuickCaptureView* view = c.view();
    QCOMPARE(QApplication::focusWidget(), parts::titleField(view));
    QCOMPARE(view->selectedType(), JournalEntry::EntryType::Note);
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Harbour"));
    QTest::keyClicks(parts::bodyEditor(view), QStringLiteral("Gulls over the water"));
    QTest::mouseClick(parts::typeChips(view).at(2), Qt::LeftButton);
    QTest::keyClicks(parts::tagField(view), QStringLiteral("  Sea "));
    QTest::keyClick(parts::tagField(view), Qt::Key_Return);
    // Typed but never submitted: Ctrl+Return takes it along.
    QTest::keyClicks(parts::tagField(view), QStringLiteral("Evening"));
    parts::recordControl(view)->completeRecording(first, 3.25);
    parts::recordControl(view)->completeRecording(second, 1.5);
    QCOMPARE(view->clipRows().size(), 2);
    QTRY_COMPARE(requests.size(), 2);
    requests[0].second(QStringLiteral("the tide is out"));

    c.ctrlReturn();
    QVERIFY(!c.panel()->isVisible());
    const QList<JournalEntry> journal = c.journal();
    QVERIFY(!journal.isEmpty());
    const JournalEntry& saved = journal.first();
    QCOMPARE(saved.title, QStringLiteral("Harbour"));
    QCOMPARE(saved.body, QStringLiteral("Gulls over the water"));
    QCOMPARE(saved.type, JournalEntry::EntryType::Link);
    QCOMPARE(saved.tags, QStringList({QStringLiteral("sea"), QStringLiteral("evening")}));
    QCOMPARE(saved.bodyRTF, std::optional<QByteArray>());
    QCOMPARE(saved.fontDesign, QStringLiteral("default"));
    QCOMPARE(c.store().selectedEntryID(), std::optional<QUuid>(saved.id));
    QCOMPARE(saved.audioClips.size(), 2);
    QCOMPARE(saved.audioClips.at(0).duration, 3.25);
    QCOMPARE(saved.audioClips.at(0).transcript, std::optional<QString>(QStringLiteral("the tide is out")));
    // Captured before its transcription finished: no text, and the late one changes nothing.
    QCOMPARE(saved.audioClips.at(1).transcript, std::optional<QString>());
    requests[1].second(QStringLiteral("too late"));
    QCOMPARE(c.store().entries().first().audioClips.at(1).transcript, std::optional<QString>());
    const QByteArray expected[] = {"first recording", "second recording"};
    for (int i = 0; i < 2; ++i) {
        const auto path = JournalStore::audioFilePath(saved.id, saved.audioClips.at(i).filename);
        QVERIFY(path);
        QCOMPARE(fixtures::readFile(*path), expected[i]);
        QVERIFY(saved.audioClips.at(i).filename.endsWith(QStringLiteral(".m4a")));
    }
    QVERIFY(!QFile::exists(first));
    QVERIFY(!QFile::exists(second));

    // The next capture starts empty, with the type chosen last.
    c.open();
    QCOMPARE(view->title(), QString());
    QCOMPARE(view->bodyText(), QString());
    QVERIFY(view->tags().isEmpty());
    QVERIFY(view->tagChips().isEmpty());
    QVERIFY(view->pendingAudio().isEmpty());
    QCOMPARE(view->selectedType(), JournalEntry::EntryType::Link);
    // The panel's own focus: the offscreen platform does not make a window shown again active.
    QCOMPARE(c.panel()->focusWidget(), parts::titleField(view));
}

void QuickCaptureTest::capture_fromTheMicrophone_intoAudioFolder()
{
    if (!vsp::test::hasSoundServer()) {
        QSKIP("needs the test sound server that scripts/run-tests.sh starts");
    }
    QTemporaryDir dir;
    const QString tone = dir.path() + QStringLiteral("/tone.wav");
    QVERIFY(vsp::test::writeTone(tone, 2));
    Capture c;
    QuickCaptureView* view = c.view();
    AudioRecordControl* control = parts::recordControl(view);
    QTest::keyClicks(parts::tagField(view), QStringLiteral("heard"));
    const std::unique_ptr<QProcess> player(vsp::test::playIntoSpeaker(tone));
    QTest::mouseClick(control->voiceButton(), Qt::LeftButton);
    QTRY_VERIFY(control->recorder()->isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(control->recorder()->elapsed() >= 0.5, 15000);
    QTest::mouseClick(vsp::test::child<QAbstractButton>(*control, QStringLiteral("stopAndSave")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(view->pendingAudio().size(), 1, 15000);
    const PendingAudio recorded = view->pendingAudio().first();
    const QByteArray recording = fixtures::readFile(recorded.path);
    QVERIFY(!recording.isEmpty());
    QVERIFY(recorded.duration >= 0.5);
    QVERIFY(parts::captureButton(view)->isEnabled());

    c.ctrlReturn();
    const QList<JournalEntry> journal = c.journal();
    QCOMPARE(journal.size(), 1);
    QCOMPARE(journal.first().title, QStringLiteral("Voice Note"));
    QCOMPARE(journal.first().body, QString());
    QCOMPARE(journal.first().tags, QStringList{QStringLiteral("heard")});
    QCOMPARE(journal.first().audioClips.size(), 1);
    QCOMPARE(journal.first().audioClips.first().duration, recorded.duration);
    const auto stored = JournalStore::audioFilePath(journal.first().id, journal.first().audioClips.first().filename);
    QVERIFY(stored);
    QCOMPARE(fixtures::readFile(*stored), recording);
    QVERIFY(!QFile::exists(recorded.path));
}

void QuickCaptureTest::capture_derivesTitleAndTrimsBody_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("voiceNote");
    QTest::addColumn<QString>("savedTitle");
    QTest::addColumn<QString>("savedBody");
    QTest::newRow("blank title") << QStringLiteral("   ") << QStringLiteral("word") << false
                                 << QStringLiteral("Quick Note") << QStringLiteral("word");
    QTest::newRow("voice note only") << QString() << QString() << true << QStringLiteral("Voice Note") << QString();
    QTest::newRow("body and voice note") << QString() << QStringLiteral("said and written") << true
                                         << QStringLiteral("Voice Note") << QStringLiteral("said and written");
    QTest::newRow("100 characters") << QString(100, u'x') << QStringLiteral("b") << false << QString(80, u'x')
                                    << QStringLiteral("b");
    // The title field takes one line: a pasted line break arrives as text.
    QTest::newRow("blanks around") << QStringLiteral(" \t Dusk \n") << QStringLiteral("b") << false
                                   << QStringLiteral("Dusk") << QStringLiteral("b");
    QTest::newRow("inner spacing kept") << QString() << QStringLiteral("  one two\n  three ") << false
                                        << QStringLiteral("Quick Note") << QStringLiteral("one two\n  three");
    // Flags are single characters the user sees: never cut in half.
    QTest::newRow("flags") << QString(79, u'a') + QStringLiteral("\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA")
                           << QStringLiteral("b") << false << QString(79, u'a') + QStringLiteral("\U0001F1EB\U0001F1F7")
                           << QStringLiteral("b");
}

void QuickCaptureTest::capture_derivesTitleAndTrimsBody()
{
    QFETCH(QString, title);
    QFETCH(QString, body);
    QFETCH(bool, voiceNote);
    QFETCH(QString, savedTitle);
    QFETCH(QString, savedBody);
    QTemporaryDir dir;
    Capture c;
    QuickCaptureView* view = c.view();
    view->setTitle(title);
    view->setBodyText(body);
    if (voiceNote) {
        view->addRecording(writeFile(dir.path() + QStringLiteral("/note.m4a"), "audio"), 2);
    }
    QVERIFY(parts::captureButton(view)->isEnabled());
    QTest::mouseClick(parts::captureButton(view), Qt::LeftButton);
    const QList<JournalEntry> journal = c.journal();
    QCOMPARE(journal.size(), 1);
    QCOMPARE(journal.first().title, savedTitle);
    QCOMPARE(journal.first().body, savedBody);
    QCOMPARE(journal.first().audioClips.size(), voiceNote ? 1 : 0);
}

void QuickCaptureTest::countsTagsAndClosing_keepWhatWasTyped()
{
    QTemporaryDir dir;
    Capture c;
    QuickCaptureView* view = c.view();
    QCOMPARE(parts::wordCountLabel(view)->text(), QStringLiteral("0w"));
    QTest::keyClicks(parts::bodyEditor(view), QStringLiteral("  one two"));
    QTest::keyClick(parts::bodyEditor(view), Qt::Key_Return);
    QTest::keyClicks(parts::bodyEditor(view), QStringLiteral("  three "));
    QCOMPARE(parts::wordCountLabel(view)->text(), QStringLiteral("3w"));
    QVERIFY(parts::wordCountLabel(view)->isVisible());
    c.app->appSettings().setShowWordCount(false);
    QVERIFY(!parts::wordCountLabel(view)->isVisible());

    // One chip per tag, lower case, once whatever its case.
    for (const QString& typed : {QStringLiteral(" Travel  "), QStringLiteral("TRAVEL"), QStringLiteral("  ")}) {
        QTest::keyClicks(parts::tagField(view), typed);
        QTest::keyClick(parts::tagField(view), Qt::Key_Return);
        QCOMPARE(view->tagInput(), QString());
    }
    QCOMPARE(view->tags(), QStringList{QStringLiteral("travel")});
    QCOMPARE(view->tagChips().size(), 1);
    QTest::mouseClick(view->tagChips().first()->removeButton(), Qt::LeftButton);
    QVERIFY(view->tags().isEmpty());

    QCOMPARE(parts::voiceNoteLabel(view)->text(), QStringLiteral("Keep this open while recording"));
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        paths.append(writeFile(dir.path() + QStringLiteral("/r%1.m4a").arg(i), "audio"));
        view->addRecording(paths.last(), i + 1);
    }
    QCOMPARE(parts::voiceNoteLabel(view)->text(), QStringLiteral("3 voice notes"));
    QTest::mouseClick(view->clipRows().at(1)->removeButton(), Qt::LeftButton);
    QTest::mouseClick(view->clipRows().at(1)->removeButton(), Qt::LeftButton);
    QCOMPARE(parts::voiceNoteLabel(view)->text(), QStringLiteral("1 voice note"));
    QVERIFY(!QFile::exists(paths.at(1)));
    QVERIFY(!QFile::exists(paths.at(2)));

    // Closed without capturing, by Escape or by turning to another window: all of it is there next time.
    QTest::keyClick(parts::titleField(view), Qt::Key_Escape);
    QVERIFY(!c.panel()->isVisible());
    c.app->showMainWindow();
    for (int opening = 0; opening < 2; ++opening) {
        c.open();
        QCOMPARE(view->bodyText(), QStringLiteral("  one two\n  three "));
        QCOMPARE(view->pendingAudio().size(), 1);
        QVERIFY(QFile::exists(paths.at(0)));
        QVERIFY(QTest::qWaitForWindowActive(c.panel()));
        c.app->showMainWindow();
        QTRY_VERIFY(!c.panel()->isVisible());
    }
    QVERIFY(c.store().entries().isEmpty());
}

void QuickCaptureTest::nothingToCapture_ctrlReturnChangesNothing()
{
    Capture c;
    QuickCaptureView* view = c.view();
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Only a title"));
    view->setBodyText(QStringLiteral(" \n\t "));
    QTest::keyClicks(parts::tagField(view), QStringLiteral("left"));
    QVERIFY(!view->canSave());
    QVERIFY(!parts::captureButton(view)->isEnabled());
    c.ctrlReturn();
    QTest::keyClick(parts::tagField(view), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(c.panel()->isVisible());
    QCOMPARE(view->tagInput(), QStringLiteral("left"));
    QVERIFY(c.store().entries().isEmpty());
    QVERIFY(!QFile::exists(fixtures::entriesPath()));
}

void QuickCaptureTest::recordingTheJournalCannotTake_isKeptAndSaidSo()
{
    QTemporaryDir dir;
    // No folder can be made for the copy: the audio folder's place is taken by a file.
    const QString audioBase = JournalStore::storeFolder() + QStringLiteral("/audio");
    QDir(audioBase).removeRecursively();
    writeFile(audioBase, "in the way");
    const QString precious = writeFile(dir.path() + QStringLiteral("/precious.m4a"), "only copy");
    Capture c;
    QuickCaptureView* view = c.view();

    // Only the recording: nothing could be stored, so no empty entry is made.
    view->addRecording(precious, 9);
    QSignalSpy announced(&c.store(), &JournalStore::entriesChanged);
    {
        vsp::test::StdoutCapture out;
        c.ctrlReturn();
        QCOMPARE(out.lines()
                     .filter(QStringLiteral("Vesperlog: voice note attach failed — recording kept at ") + precious)
                     .size(),
                 1);
    }
    QVERIFY(c.store().entries().isEmpty());
    QCOMPARE(announced.size(), 0);
    QVERIFY(c.panel()->isVisible());
    QVERIFY(parts::keptRecordingsLabel(view)->isVisible());
    QVERIFY(parts::keptRecordingsLabel(view)->text().startsWith(QStringLiteral("1 recording could not be copied")));

    // With words: they are saved, the recording stays with its file, and the panel says so.
    QTest::keyClicks(parts::bodyEditor(view), QStringLiteral("Said at the pier"));
    c.ctrlReturn();
    // Saved in one store step.
    QCOMPARE(announced.size(), 1);
    QList<JournalEntry> journal = c.journal();
    QCOMPARE(journal.size(), 1);
    QCOMPARE(journal.first().body, QStringLiteral("Said at the pier"));
    QVERIFY(journal.first().audioClips.isEmpty());
    // Not called a voice note, since it holds none.
    QCOMPARE(journal.first().title, QStringLiteral("Quick Note"));
    QCOMPARE(view->bodyText(), QString());
    QCOMPARE(view->pendingAudio().size(), 1);
    QCOMPARE(fixtures::readFile(precious), QByteArray("only copy"));
    QVERIFY(c.panel()->isVisible());
    QVERIFY(parts::keptRecordingsLabel(view)->isVisible());

    // Once the journal can take it, capturing again stores it and the note goes away.
    QVERIFY(QFile::remove(audioBase));
    c.ctrlReturn();
    journal = c.journal();
    QCOMPARE(journal.size(), 2);
    QCOMPARE(journal.first().title, QStringLiteral("Voice Note"));
    QCOMPARE(journal.first().audioClips.size(), 1);
    QVERIFY(!QFile::exists(precious));
    QVERIFY(!parts::keptRecordingsLabel(view)->isVisible());
    QVERIFY(!c.panel()->isVisible());
}

void QuickCaptureTest::whileLocked_showsAndCapturesNothing()
{
    Capture c;
    QuickCaptureView* view = c.view();
    QTest::keyClicks(parts::bodyEditor(view), QStringLiteral("Private words"));
    c.store().setIsLocked(true);
    QVERIFY(parts::lockedFace(view)->isVisible());
    QVERIFY(!parts::bodyEditor(view)->isVisible());
    QVERIFY(!parts::titleField(view)->isVisible());
    QVERIFY(!view->canSave());
    view->save();
    QVERIFY(c.store().entries().isEmpty());

    // Opened while locked, it still shows only the locked face; "Unlock…" brings the main window.
    c.panel()->hide();
    c.open();
    QVERIFY(!parts::bodyEditor(view)->isVisible());
    auto* unlock = parts::lockedFace(view)->findChild<QAbstractButton*>(QStringLiteral("captureUnlock"));
    QVERIFY(unlock);
    QTest::mouseClick(unlock, Qt::LeftButton);
    QVERIFY(!c.panel()->isVisible());
    QVERIFY(c.app->mainWindow()->isVisible());

    c.store().setIsLocked(false);
    c.open();
    QCOMPARE(view->bodyText(), QStringLiteral("Private words"));
    c.ctrlReturn();
    QCOMPARE(c.store().entries().size(), 1);
}
