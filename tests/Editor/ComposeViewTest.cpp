#include "ComposeViewTest.h"
#include "common/ComposeParts.h"
#include "common/EditorTestSupport.h"
#include "common/FakeAuthenticator.h"
#include "common/FakePositionSource.h"
#include "common/LocalHttpsServer.h"
#include "common/StoreFixtures.h"

#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "App/ComposeWindow.h"
#include "App/VesperlogApp.h"
#include "Editor/Compose/ComposeFooter.h"
#include "Editor/Compose/ComposeView.h"
#include "Editor/Compose/MoodSelectorView.h"
#include "Editor/Compose/PendingAudioPreview.h"
#include "Editor/Compose/PendingImagesPreview.h"
#include "Editor/Compose/WordCountLabel.h"
#include "Editor/FloatingFormatBar.h"
#include "Editor/FormatBar.h"
#include "Editor/FormatButton.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/SelectionState.h"
#include "Editor/TextAttributes.h"
#include "Editor/VesperlogTextView.h"
#include "Media/AudioClipRow.h"
#include "Media/AudioRecordControl.h"
#include "Media/ImagePickerButton.h"
#include "Media/LocationWeatherManager.h"
#include "Media/SpeechTranscriber.h"
#include "Media/WeatherLocationChips.h"
#include "Model/AppSettings.h"
#include "Model/ComposeDrafts.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"
#include "Theme/Transitions.h"
#include "Views/Main/MainWindow.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

#include <memory>

using fixtures::writeFile;
using vsp::test::writeImage;

using namespace vsp;

namespace {

/// The application on an empty temporary journal with its main window shown; the "New Entry"
/// window holds the composer.
struct Fixture {
    /// The store's: 10:00 on a fixed day until a test moves it.
    vsp::test::ManualClock clock;
    std::unique_ptr<VesperlogApp> app;

    Fixture()
    {
        *clock.now = startOfDay(QDate(2026, 3, 14)) + 10 * 3600;
        VesperlogApp::Options options;
        options.clock = clock.function();
        options.useTray = false;
        options.followDesktopScheme = false;
        // A test that locks the journal answers the cover's check itself: no real password prompt.
        options.authenticator = vsp::test::FakeAuthenticator::factory(vsp::test::FakeAuthenticator::Stack::Silent);
        options.composeContent = [](JournalStore& store, AppSettings& settings, MoodStore& moods,
                                    ComposeWindow::CloseAction close, QWidget* parent) -> QWidget* {
            return new ComposeView(store, settings, moods, std::move(close), parent);
        };
        app = std::make_unique<VesperlogApp>(options);
        QApplication::setQuitOnLastWindowClosed(false);
        app->showMainWindow();
    }

    JournalStore& store() const { return app->store(); }
    ComposeWindow* window() const { return app->composeWindow(); }
    ComposeView* view() const { return window() ? qobject_cast<ComposeView*>(window()->content()) : nullptr; }

    /// Ctrl+N on the main window, as the user opens it.
    ComposeView* open()
    {
        app->showMainWindow();
        if (!QTest::qWaitForWindowActive(app->mainWindow())) {
            return nullptr;
        }
        QTest::keyClick(app->mainWindow(), Qt::Key_N, Qt::ControlModifier);
        if (!window() || !QTest::qWaitForWindowActive(window())) {
            return nullptr;
        }
        return view();
    }

    /// The sidebar's "Continue Draft": raise the request, then open.
    ComposeView* continueDraft()
    {
        store().setRestoreDraftOnCompose(true);
        app->openWindow(composeWindowID());
        if (!window() || !QTest::qWaitForWindowActive(window())) {
            return nullptr;
        }
        return view();
    }
};

/// entries.json once the app's writer has written every change.
QJsonArray entriesFile(JournalStore& store)
{
    return QJsonDocument::fromJson(fixtures::writtenJournalBytes(store)).array();
}

void typeBody(ComposeView* view, const QString& text)
{
    parts::editor(view)->textView()->setFocus();
    QTest::keyClicks(parts::editor(view)->textView(), text);
}

/// Types text that may hold characters beyond Latin-1 (emoji), as one input event, as an input
/// method delivers it.
void typeUnicode(QWidget* widget, const QString& text)
{
    QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, text, Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, text, Qt::NoModifier);
}

void click(QWidget* widget)
{
    QVERIFY(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

bool sendDrop(QWidget* target, QMimeData* mime)
{
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

void ComposeViewTest::initTestCase()
{
    setAnimationsEnabled(false);
}

void ComposeViewTest::init()
{
    test::resetUserFolders();
    AppSettings::instance().setHasCompletedOnboarding(true);
    AppearanceManager::instance().refresh();
}

void ComposeViewTest::cleanup()
{
    LocationWeatherManager::shared().setBackend({});
    LocationWeatherManager::shared().setServices({});
    SpeechTranscriber::setBackend({});
}

void ComposeViewTest::ctrlN_opensTheSingleWindowWithAnEmptyForm()
{
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    QCOMPARE(f.window()->windowTitle(), QStringLiteral("New Entry"));
    QVERIFY(view->appeared());
    QVERIFY(view->title().isEmpty());
    QVERIFY(view->bodyPlain().isEmpty());
    QCOMPARE(parts::wordCountLabel(view)->text(), QStringLiteral("0w"));
    QVERIFY(!parts::saveButton(parts::footer(view)->formatBar())->isEnabled());
    QCOMPARE(parts::titleField(view)->placeholderText(), QStringLiteral("Title your entry…"));
    QVERIFY(compose::writingPrompts().at(std::size_t(view->promptIndex())) == parts::editor(view)->placeholder());
    QVERIFY(parts::typeChips(view).at(0)->isChosen());
    QCOMPARE(parts::expirationChip(view)->text(), QStringLiteral("Add expiration"));
    QVERIFY(parts::expirationSlot(view)->isHidden());
    QVERIFY(!parts::expirationPicker(view)->isVisible());
    QVERIFY(!parts::imagesPreview(view)->isVisible());
    QVERIFY(!parts::audioPreview(view)->isVisible());
    // The expiration waits a week ahead.
    QCOMPARE(localDate(view->expirationDate()), localDate(view->entryDate()).addDays(7));

    QTest::keyClick(f.app->mainWindow(), Qt::Key_N, Qt::ControlModifier);
    f.app->openWindow(composeWindowID());
    const QWidgetList tops = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(tops.cbegin(), tops.cend(), [](QWidget* w) { return qobject_cast<ComposeWindow*>(w); }), 1);
    QCOMPARE(f.view(), view);
    QVERIFY(vsp::test::fireTimer(*view, QStringLiteral("titleFocusTimer")));
    QTRY_VERIFY(parts::titleField(view)->hasFocus());
}

void ComposeViewTest::defaultEntryType_choosesTheInitialChip()
{
    AppSettings::instance().setDefaultEntryType(QStringLiteral("Idea"));
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    QCOMPARE(view->selectedType(), JournalEntry::EntryType::Idea);
    QVERIFY(parts::typeChips(view).at(3)->isChosen());
    click(parts::typeChips(view).at(1));
    QCOMPARE(view->selectedType(), JournalEntry::EntryType::Note);
    click(parts::typeChips(view).at(1));
    QCOMPARE(view->selectedType(), JournalEntry::EntryType::Note);
    QVERIFY(!parts::typeChips(view).at(3)->isChosen());
}

void ComposeViewTest::keyboard_tabLeavesBodyOnward_ctrlTabTypesTab()
{
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    QWidget* body = parts::editor(view)->textView();
    typeBody(view, QStringLiteral("one"));
    QTest::keyClick(body, Qt::Key_Tab);
    QCOMPARE(view->bodyPlain(), QStringLiteral("one"));
    QVERIFY2(parts::footer(view)->isAncestorOf(QApplication::focusWidget()),
             qPrintable(viewfixtures::describe(QApplication::focusWidget())));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(body->hasFocus());
    QTest::keyClick(body, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(view->bodyPlain(), QStringLiteral("one\t"));
    QVERIFY(body->hasFocus());

    // A tag added: its chip's cross comes before the field it stands in front of.
    QTest::keyClicks(parts::footer(view)->tagField(), QStringLiteral("walk"));
    QTest::keyClick(parts::footer(view)->tagField(), Qt::Key_Return);
    QCOMPARE(parts::footer(view)->tagChips().size(), 1);
    body->setFocus(Qt::TabFocusReason);

    // Round the form from the body: tags and the footer, the mood, the type, the attachments, the title.
    const QList<QWidget*> chain = viewfixtures::tabChain(view->window());
    for (QWidget* w : chain) {
        QVERIFY2(!viewfixtures::accessibleName(w).trimmed().isEmpty(), qPrintable(viewfixtures::describe(w)));
    }
    const auto at = [&chain](QWidget* w) { return chain.indexOf(w); };
    ComposeFooter* footer = parts::footer(view);
    QVERIFY(at(footer->tagField()) >= 0);
    QVERIFY(at(footer->tagChips().first()->removeButton()) >= 0);
    QVERIFY(at(footer->tagChips().first()->removeButton()) < at(footer->tagField()));
    // The tags line sits above the format bar: it comes first.
    QVERIFY(at(footer->tagField()) < at(parts::commandButton(footer->formatBar(), QStringLiteral("bullet"))));
    QVERIFY(at(footer->tagField()) < at(parts::moodChips(parts::moodSelector(view)).first()));
    QVERIFY(at(parts::moodChips(parts::moodSelector(view)).first()) < at(parts::typeChips(view).first()));
    QVERIFY(at(parts::typeChips(view).last()) < at(parts::imagePicker(view)));
    // Round to the title, whose next stop is the body again.
    QCOMPARE(chain.last(), static_cast<QWidget*>(parts::titleField(view)));
    // The frameless fields Tab reaches show the ring.
    for (QWidget* field : {static_cast<QWidget*>(parts::titleField(view)), static_cast<QWidget*>(footer->tagField())}) {
        field->setFocus(Qt::TabFocusReason);
        QVERIFY2(vsp::shownFocusRing(), qPrintable(viewfixtures::describe(field)));
    }
}

void ComposeViewTest::writeFormatTagAndSave_storesEntryAndClosesWindow()
{
    QTemporaryDir pictures;
    const QString first = writeImage(pictures.path(), QStringLiteral("first.png"));
    const QString second = writeImage(pictures.path(), QStringLiteral("second.JPG"));
    Fixture f;
    f.store().addEntry([] {
        JournalEntry e = JournalEntry::create();
        e.title = QStringLiteral("Older");
        e.tags = {QStringLiteral("river")};
        return e;
    }());
    ComposeView* view = f.open();
    QVERIFY(view);

    click(parts::typeChips(view).at(2)); // Link
    QTest::keyClicks(parts::titleField(view), QStringLiteral("  Morning walk  "));
    typeBody(view, QStringLiteral("Herons in the shallows"));
    test::select(*parts::editor(view), QStringLiteral("Herons"));
    QVERIFY(parts::floatingBar(view)->isVisible());
    click(parts::floatingButton(parts::floatingBar(view), QStringLiteral("bold")));
    QVERIFY(editor::isBold(editor::charFormatAt(*parts::editor(view)->textView()->document(), 0)));
    click(parts::commandButton(parts::footer(view)->formatBar(), QStringLiteral("bullet")));
    QCOMPARE(view->bodyPlain(), QStringLiteral("•\tHerons in the shallows"));
    click(parts::designButton(parts::footer(view)->formatBar(), QStringLiteral("serif")));
    QCOMPARE(parts::editor(view)->fontDesign(), QStringLiteral("serif"));

    QLineEdit* tagField = parts::footer(view)->tagField();
    QTest::keyClicks(tagField, QStringLiteral("Ri"));
    QCOMPARE(parts::footer(view)->tagSuggestions(), QStringList{QStringLiteral("river")});
    click(parts::footer(view)->suggestionChips().first());
    QTest::keyClicks(tagField, QStringLiteral(" Birds "));
    QTest::keyClick(tagField, Qt::Key_Return);
    QTest::keyClicks(tagField, QStringLiteral("unfinished"));

    MoodStore& moods = f.app->moodStore();
    click(parts::moodChips(parts::moodSelector(view)).at(1));
    QVERIFY(parts::moodBadge(view)->isVisible());
    QCOMPARE(parts::moodBadge(view)->label(), moods.moods().at(1).label);
    click(parts::expirationChip(view));
    QVERIFY(parts::expirationPicker(view)->isVisible());
    QCOMPARE(parts::expirationChip(view)->text(), QStringLiteral("Expires"));
    // A day picked in the date field keeps the time of day; switching the chip off and on keeps it.
    const QTime timeOfDay = toDateTime(view->expirationDate()).time();
    const QDate picked = f.store().today().addDays(10);
    parts::expirationPicker(view)->setDate(picked);
    click(parts::expirationChip(view));
    QVERIFY(!parts::expirationPicker(view)->isVisible());
    click(parts::expirationChip(view));
    QCOMPARE(parts::expirationPicker(view)->date(), picked);
    const double expiration = view->expirationDate();
    QCOMPARE(localDate(expiration), picked);
    QCOMPARE(toDateTime(expiration).time(), timeOfDay);

    parts::imagePicker(view)->setChooser([&](QWidget*) {
        return QList<QUrl>{QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)};
    });
    click(parts::imagePicker(view));
    QVERIFY(parts::imagesPreview(view)->isVisible());
    QCOMPARE(parts::imagesPreview(view)->captionText(), QStringLiteral("2 images"));

    QSignalSpy saved(&f.store(), &JournalStore::entriesChanged);
    QTest::keyClick(parts::editor(view)->textView(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(saved.count(), 1);
    QVERIFY(!f.window()->isVisible());

    const JournalEntry entry = f.store().entries().first();
    QCOMPARE(f.store().selectedEntryID(), std::optional<QUuid>(entry.id));
    QCOMPARE(f.store().selectedSection(), NavSection::Today);
    QCOMPARE(entry.title, QStringLiteral("Morning walk"));
    QCOMPARE(entry.body, QStringLiteral("•\tHerons in the shallows"));
    QCOMPARE(entry.type, JournalEntry::EntryType::Link);
    QCOMPARE(entry.tags, (QStringList{QStringLiteral("river"), QStringLiteral("birds")}));
    QCOMPARE(entry.mood, std::optional<QString>(moods.moods().at(1).emoji));
    QCOMPARE(entry.expirationDate, std::optional<double>(expiration));
    QCOMPARE(entry.fontDesign, QStringLiteral("serif"));
    QVERIFY(entry.bodyRTF && entry.bodyRTF->startsWith("{\\rtf"));
    QCOMPARE(entry.imageFilenames.size(), 2);
    QVERIFY(entry.imageFilenames.at(0).endsWith(QStringLiteral(".png")));
    QVERIFY(entry.imageFilenames.at(1).endsWith(QStringLiteral(".jpg")));
    for (const QString& name : entry.imageFilenames) {
        QVERIFY(QFile::exists(JournalStore::imagesDirectory(entry.id) + u'/' + name));
    }
    // The user's own pictures stay where they were.
    QVERIFY(QFile::exists(first) && QFile::exists(second));

    const QJsonArray stored = entriesFile(f.store());
    QCOMPARE(stored.size(), 2);
    const QJsonObject top = stored.at(0).toObject();
    QCOMPARE(top.value(QStringLiteral("title")).toString(), QStringLiteral("Morning walk"));
    QCOMPARE(top.value(QStringLiteral("type")).toString(), QStringLiteral("Link"));
    QCOMPARE(top.value(QStringLiteral("tags")).toArray().size(), 2);
    QCOMPARE(top.value(QStringLiteral("imageFilenames")).toArray().size(), 2);
    QVERIFY(top.contains(QStringLiteral("bodyRTF")));
    const AppSettings& settings = AppSettings::instance();
    QVERIFY(settings.draftTitle().isEmpty() && settings.draftBody().isEmpty() && settings.draftTags().isEmpty());
}

void ComposeViewTest::save_derivesTitleAndLeavesOutWhatWasNotChosen()
{
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    QTest::keyClicks(parts::titleField(view), QStringLiteral("   "));
    QVERIFY(!view->canSave());
    const QString flags = QString(QStringLiteral("🇦🇹")).repeated(85);
    typeBody(view, QStringLiteral("  "));
    QTest::keyClick(parts::editor(view)->textView(), Qt::Key_Return);
    QTest::keyClicks(parts::editor(view)->textView(), QStringLiteral("  "));
    typeUnicode(parts::editor(view)->textView(), flags);
    QTest::keyClick(parts::editor(view)->textView(), Qt::Key_Return);
    QTest::keyClicks(parts::editor(view)->textView(), QStringLiteral("Second line"));
    QVERIFY(parts::saveButton(parts::footer(view)->formatBar())->isEnabled());
    // An expiration chosen and then switched off again is not the entry's.
    click(parts::expirationChip(view));
    click(parts::expirationChip(view));
    QTest::keyClicks(parts::footer(view)->tagField(), QStringLiteral("typed but not added"));
    // Ctrl+Return in the tag field saves; it is not the field's own Return.
    QTest::keyClick(parts::footer(view)->tagField(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!f.window()->isVisible());

    const JournalEntry entry = f.store().entries().first();
    QCOMPARE(entry.title, QString(QStringLiteral("🇦🇹")).repeated(80));
    QCOMPARE(entry.body.toString(), flags + QStringLiteral("\nSecond line"));
    QCOMPARE(entry.tags, QStringList());
    QCOMPARE(entry.expirationDate, std::optional<double>());
    QCOMPARE(entry.mood, std::optional<QString>());
    QVERIFY(!entry.latitude && !entry.longitude && !entry.placeName && !entry.weatherSymbol && !entry.weatherTemp
            && !entry.weatherText);
    QVERIFY(entry.imageFilenames.isEmpty() && entry.audioClips.isEmpty());
    QVERIFY(view->didSave());
}

void ComposeViewTest::save_withWeather_copiesPlaceAndWeather()
{
    WeatherSnapshot snapshot;
    snapshot.latitude = 48.21;
    snapshot.longitude = 16.37;
    snapshot.symbol = QStringLiteral("cloud.rain");
    snapshot.temp = -2.5;
    LocationWeatherManager::shared().setBackend(
        [snapshot](LocationWeatherManager::Completion done) { done(snapshot); });
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    QTRY_VERIFY(view->weatherSnapshot().has_value());
    QVERIFY(parts::weatherChips(view)->isVisible());
    QCOMPARE(parts::weatherChips(view)->shownTexts(), QStringList{QStringLiteral("-3°")});
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Rain"));
    view->saveEntry();
    const JournalEntry entry = f.store().entries().first();
    QCOMPARE(entry.latitude, std::optional<double>(48.21));
    QCOMPARE(entry.longitude, std::optional<double>(16.37));
    QCOMPARE(entry.weatherSymbol, std::optional<QString>(QStringLiteral("cloud.rain")));
    QCOMPARE(entry.weatherTemp, std::optional<double>(-2.5));
    QCOMPARE(entry.placeName, std::optional<QString>());
    QCOMPARE(entry.weatherText, std::optional<QString>());
}

void ComposeViewTest::wordCount_followsBodyAndSetting()
{
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    typeBody(view, QStringLiteral("one  two"));
    QTest::keyClick(parts::editor(view)->textView(), Qt::Key_Return);
    QTest::keyClick(parts::editor(view)->textView(), Qt::Key_Return);
    QTest::keyClicks(parts::editor(view)->textView(), QStringLiteral("three "));
    QCOMPARE(parts::wordCountLabel(view)->text(), QStringLiteral("3w"));
    QVERIFY(parts::wordCountLabel(view)->isVisible());
    f.app->appSettings().setShowWordCount(false);
    QVERIFY(parts::wordCountLabel(view)->isHidden());
    f.app->appSettings().setShowMoodSelector(false);
    QVERIFY(parts::moodSelector(view)->isHidden());
}

void ComposeViewTest::floatingBar_isAChildThatFollowsTheSelection()
{
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    typeBody(view, QStringLiteral("Some words to select and a few more to follow"));
    FloatingFormatBar* bar = parts::floatingBar(view);
    QVERIFY(!bar->isVisible());
    QVERIFY(!bar->isWindow());
    QVERIFY(parts::editor(view)->isAncestorOf(bar) || bar->parentWidget()->isAncestorOf(parts::editor(view)));

    test::select(*parts::editor(view), QStringLiteral("words"));
    QVERIFY(bar->isVisible());
    const QRectF rect = parts::selectionState(view)->selectionRect();
    // The selection is on the first line, too close to the top: the bar goes below it.
    QVERIFY(rect.top() < 44);
    QCOMPARE(bar->anchor().y(), int(std::lround(rect.bottom() + 8)));
    const QPoint firstAnchor = bar->anchor();
    // Entirely inside the editor area.
    QVERIFY(bar->anchor().x() >= 0);
    QVERIFY(bar->anchor().x() + bar->width() - 2 * FloatingFormatBar::kShadowMargin <= bar->parentWidget()->width());

    test::select(*parts::editor(view), QStringLiteral("follow"));
    QVERIFY(bar->isVisible());
    QVERIFY(bar->anchor() != firstAnchor);

    QTextCursor caret = parts::editor(view)->textView()->textCursor();
    caret.clearSelection();
    parts::editor(view)->textView()->setTextCursor(caret);
    QVERIFY(!bar->isVisible());
    QVERIFY(!bar->appeared());
}

void ComposeViewTest::floatingBar_staysInsideTheEditorForATallSelection()
{
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    QStringList lines;
    for (int i = 1; i <= 60; ++i) {
        lines.append(QStringLiteral("Line %1 of a long entry").arg(i));
    }
    parts::editor(view)->setContent(lines.join(u'\n'), std::nullopt);
    FloatingFormatBar* bar = parts::floatingBar(view);
    const QWidget* area = bar->parentWidget();
    const int glassHeight = bar->height() - 2 * FloatingFormatBar::kShadowMargin;

    // Select All from the top: the selection runs far below the editor's lower edge.
    parts::editor(view)->textView()->setFocus();
    QTest::keyClick(parts::editor(view)->textView(), Qt::Key_A, Qt::ControlModifier);
    QVERIFY(parts::selectionState(view)->selectionRect().bottom() > area->height());
    QVERIFY(bar->isVisible());
    QVERIFY(bar->anchor().y() >= 0);
    QVERIFY(bar->anchor().y() + glassHeight <= area->height());

    // Scrolled to the end with the selection still standing: its top is far above the editor.
    parts::editor(view)->textView()->verticalScrollBar()->setValue(
        parts::editor(view)->textView()->verticalScrollBar()->maximum());
    QVERIFY(parts::selectionState(view)->selectionRect().top() < 0);
    QVERIFY(bar->anchor().y() >= 0);
    QVERIFY(bar->anchor().y() + glassHeight <= area->height());

    // A selection with room above it keeps its place 8 pixels above the text.
    test::select(*parts::editor(view), QStringLiteral("Line 60 "));
    const QRectF rect = parts::selectionState(view)->selectionRect();
    QVERIFY(rect.top() >= 8 + glassHeight);
    QCOMPARE(bar->anchor().y(), int(std::lround(rect.top() - 8 - glassHeight)));
}

void ComposeViewTest::escape_keepsDraft_continueDraftResumesIt()
{
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    click(parts::typeChips(view).at(3)); // Idea
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Half a thought "));
    typeBody(view, QStringLiteral("to finish later"));
    test::select(*parts::editor(view), QStringLiteral("finish"));
    view->onFormat(QStringLiteral("italic"));
    QTest::keyClicks(parts::footer(view)->tagField(), QStringLiteral("ideas"));
    QTest::keyClick(parts::footer(view)->tagField(), Qt::Key_Return);
    click(parts::moodChips(parts::moodSelector(view)).at(0));
    click(parts::expirationChip(view));

    QTest::keyClick(parts::titleField(view), Qt::Key_Escape);
    QVERIFY(!f.window()->isVisible());
    QVERIFY(f.store().entries().isEmpty());
    const AppSettings& settings = AppSettings::instance();
    QCOMPARE(settings.draftTitle(), QStringLiteral("Half a thought "));
    QCOMPARE(settings.draftBody(), QStringLiteral("to finish later"));
    QVERIFY(!settings.draftBodyRTF().isEmpty());
    QCOMPARE(settings.draftType(), QStringLiteral("Idea"));
    QCOMPARE(compose::readDraft()->tags, QStringList{QStringLiteral("ideas")});

    // "Continue Draft" brings back title, rich body, tags and type; mood and expiration are not kept.
    view = f.continueDraft();
    QVERIFY(view && view->isVisible());
    QVERIFY(!f.store().restoreDraftOnCompose());
    QCOMPARE(view->title(), QStringLiteral("Half a thought "));
    QCOMPARE(view->bodyPlain(), QStringLiteral("to finish later"));
    QCOMPARE(view->tags(), QStringList{QStringLiteral("ideas")});
    QCOMPARE(view->selectedType(), JournalEntry::EntryType::Idea);
    QVERIFY(editor::charFormatAt(*parts::editor(view)->textView()->document(), 3).fontItalic());
    QVERIFY(!editor::charFormatAt(*parts::editor(view)->textView()->document(), 0).fontItalic());
    QCOMPARE(view->selectedMood(), std::optional<QString>());
    QVERIFY(!view->hasExpiration());
    QTest::keyClick(parts::titleField(view), Qt::Key_Escape);
    QVERIFY(compose::hasDraft());

    // Opening through the menu starts empty; the draft stays stored while the window is open.
    view = f.open();
    QVERIFY(view);
    QVERIFY(view->title().isEmpty());
    QVERIFY(view->bodyPlain().isEmpty());
    QVERIFY(view->tags().isEmpty());
    QCOMPARE(view->selectedType(), JournalEntry::EntryType::Journal);
    QCOMPARE(settings.draftTitle(), QStringLiteral("Half a thought "));
}

void ComposeViewTest::escape_withSettingOffOrEmptiedDraft_leavesNoDraft()
{
    Fixture f;
    // The draft taken up, emptied down to a tag and closed: the tag is not kept and the draft is gone.
    compose::saveDraft({QStringLiteral("old"), QString(), std::nullopt, {}, QStringLiteral("Note")}, true);
    ComposeView* view = f.continueDraft();
    QVERIFY(view);
    QCOMPARE(view->title(), QStringLiteral("old"));
    parts::titleField(view)->selectAll();
    QTest::keyClick(parts::titleField(view), Qt::Key_Backspace);
    QTest::keyClicks(parts::footer(view)->tagField(), QStringLiteral("lonely"));
    QTest::keyClick(parts::footer(view)->tagField(), Qt::Key_Return);
    f.window()->close();
    QVERIFY(AppSettings::instance().draftTitle().isEmpty());
    QVERIFY(AppSettings::instance().draftTags().isEmpty());

    // With the setting off, a filled form is not kept and an earlier draft goes too.
    compose::saveDraft({QStringLiteral("earlier"), QString(), std::nullopt, {}, QStringLiteral("Note")}, true);
    f.app->appSettings().setAutoSaveDraft(false);
    view = f.open();
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Not kept"));
    f.window()->close();
    QVERIFY(!compose::hasDraft());
}

void ComposeViewTest::escape_onAnEmptyNewForm_keepsTheEarlierDraft()
{
    Fixture f;
    compose::saveDraft(
        {QStringLiteral("Half a letter"), QStringLiteral("Dear"), std::nullopt, {}, QStringLiteral("Note")}, true);
    // New Entry opened and closed again, with nothing written or with a tag alone.
    ComposeView* view = f.open();
    QVERIFY(view && view->title().isEmpty());
    QTest::keyClick(parts::titleField(view), Qt::Key_Escape);
    QVERIFY(!f.window()->isVisible());
    view = f.open();
    QTest::keyClicks(parts::footer(view)->tagField(), QStringLiteral("lonely"));
    QTest::keyClick(parts::footer(view)->tagField(), Qt::Key_Return);
    f.window()->close();

    const std::optional<compose::ComposeDraft> kept = compose::readDraft();
    QVERIFY(kept);
    QCOMPARE(kept->title, QStringLiteral("Half a letter"));
    QCOMPARE(kept->body, QStringLiteral("Dear"));
    QVERIFY(kept->tags.isEmpty());
    view = f.continueDraft();
    QCOMPARE(view->title(), QStringLiteral("Half a letter"));
}

void ComposeViewTest::saveUnderTheLock_leavesTheStoredDraftAlone_data()
{
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("save"); // else closed with Escape
    QTest::addColumn<QString>("keptTitle"); // empty: no stored draft
    QTest::newRow("saved under the lock") << true << true << "Half a letter";
    QTest::newRow("closed under the lock") << true << false << "Half a letter";
    QTest::newRow("saved unlocked") << false << true << "";
    QTest::newRow("closed unlocked") << false << false << "Left at the desk";
}

void ComposeViewTest::saveUnderTheLock_leavesTheStoredDraftAlone()
{
    QFETCH(bool, locked);
    QFETCH(bool, save);
    QFETCH(QString, keptTitle);
    Fixture f;
    compose::saveDraft(
        {QStringLiteral("Half a letter"), QStringLiteral("Dear"), std::nullopt, {}, QStringLiteral("Note")}, true);
    f.store().setIsLocked(locked);
    // File ▸ New Entry.
    f.app->openWindow(composeWindowID());
    QVERIFY(f.window() && QTest::qWaitForWindowActive(f.window()));
    ComposeView* view = f.view();
    QVERIFY(view && view->title().isEmpty());
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Left at the desk"));
    if (save) {
        QTest::keyClick(parts::titleField(view), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(f.store().entries().first().title, QStringLiteral("Left at the desk"));
    } else {
        QTest::keyClick(parts::titleField(view), Qt::Key_Escape);
    }
    QVERIFY(!f.window()->isVisible());

    const std::optional<compose::ComposeDraft> kept = compose::readDraft();
    QCOMPARE(kept ? kept->title : QString(), keptTitle);
}

void ComposeViewTest::continueDraft_withSettingOff_restoresNothing()
{
    Fixture f;
    compose::saveDraft(
        {QStringLiteral("Kept"), QStringLiteral("body"), std::nullopt, {QStringLiteral("t")}, QStringLiteral("Poem")},
        true);
    f.app->appSettings().setAutoSaveDraft(false);
    ComposeView* view = f.continueDraft();
    QVERIFY(view && view->isVisible());
    QVERIFY(view->title().isEmpty());
    QVERIFY(!f.store().restoreDraftOnCompose());
    f.window()->close();

    // With the setting on again, an unknown stored type leaves the type as it was.
    f.app->appSettings().setAutoSaveDraft(true);
    compose::saveDraft(
        {QStringLiteral("Kept"), QStringLiteral("body"), std::nullopt, {QStringLiteral("t")}, QStringLiteral("Poem")},
        true);
    view = f.continueDraft();
    QCOMPARE(view->title(), QStringLiteral("Kept"));
    QCOMPARE(view->bodyPlain(), QStringLiteral("body"));
    QCOMPARE(view->tags(), QStringList{QStringLiteral("t")});
    QCOMPARE(view->selectedType(), JournalEntry::EntryType::Journal);
    QVERIFY(!f.store().restoreDraftOnCompose());
}

void ComposeViewTest::reopening_startsAFreshForm()
{
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    click(parts::typeChips(view).at(1));
    click(parts::designButton(parts::footer(view)->formatBar(), QStringLiteral("mono")));
    QTest::keyClicks(parts::footer(view)->tagField(), QStringLiteral("half typed"));
    click(parts::expirationChip(view));
    f.window()->close();
    view = f.open();
    QCOMPARE(view->selectedType(), JournalEntry::EntryType::Journal);
    QCOMPARE(view->selectedFontDesign(), QStringLiteral("default"));
    QVERIFY(view->tagInput().isEmpty());
    QVERIFY(!view->hasExpiration());
    QCOMPARE(parts::editor(view)->fontDesign(), QStringLiteral("default"));
}

void ComposeViewTest::quitting_withWindowOpen_keepsTheDraft()
{
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Written before quitting"));
    // The application's quit signal comes when its event loop ends.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    QCOMPARE(AppSettings::instance().draftTitle(), QStringLiteral("Written before quitting"));
    // Closing the window afterwards writes nothing more.
    compose::clearDraft();
    f.window()->close();
    QVERIFY(!compose::hasDraft());
}

void ComposeViewTest::writing_keepsTheDraftOnDiskWhileTheWindowIsOpen()
{
    Fixture f;
    const AppSettings& settings = AppSettings::instance();
    const auto onDisk = [] {
        QFile file(AppSettings::fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    ComposeView* view = f.open();
    QVERIFY(view);
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Not lost"));
    typeBody(view, QStringLiteral("if the machine goes down"));
    click(parts::typeChips(view).at(1)); // Note
    QTest::keyClicks(parts::footer(view)->tagField(), QStringLiteral("safe"));
    QTest::keyClick(parts::footer(view)->tagField(), Qt::Key_Return);
    QVERIFY(!compose::hasDraft());

    // A moment later the draft is in the settings file, the window still open: a crash keeps it.
    f.clock.advance(f.store(), ComposeView::kDraftKeepMs / 1000.0 - 0.25);
    QVERIFY(!compose::hasDraft());
    f.clock.advance(f.store(), 0.25);
    QVERIFY(onDisk().contains("=if the machine goes down"));
    QVERIFY(f.window()->isVisible());
    const std::optional<compose::ComposeDraft> kept = compose::readDraft();
    QVERIFY(kept);
    QCOMPARE(kept->title, QStringLiteral("Not lost"));
    QCOMPARE(kept->type, QStringLiteral("Note"));
    QCOMPARE(kept->tags, QStringList{QStringLiteral("safe")});
    QVERIFY(kept->bodyRTF.has_value());

    // Saving right after an edit: the edit's pending draft write never brings the draft back.
    typeBody(view, QStringLiteral(" again"));
    QTest::keyClick(parts::titleField(view), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(f.store().entries().size(), 1);
    QVERIFY(!compose::hasDraft());
    f.clock.advance(f.store(), ComposeView::kDraftKeepMs / 1000.0);
    QVERIFY(!compose::hasDraft());

    // Opened through the menu, an emptied form leaves an earlier draft for the closing to decide on.
    compose::saveDraft({QStringLiteral("Earlier"), QString(), std::nullopt, {}, QStringLiteral("Journal")}, true);
    view = f.open();
    QVERIFY(view);
    QTest::keyClicks(parts::titleField(view), QStringLiteral("x"));
    QTest::keyClick(parts::titleField(view), Qt::Key_Backspace);
    f.clock.advance(f.store(), ComposeView::kDraftKeepMs / 1000.0);
    QCOMPARE(settings.draftTitle(), QStringLiteral("Earlier"));
}

void ComposeViewTest::drops_takeOnlyLocalReadableImages()
{
    QTemporaryDir dir;
    const QString image = writeImage(dir.path(), QStringLiteral("photo.png"));
    const QString text = writeFile(dir.path() + QStringLiteral("/notes.png"), "not an image");
    const QString image2 = writeImage(dir.path(), QStringLiteral("second.png"));
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);

    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.com/picture.png"))});
    QVERIFY(!sendDrop(view, &remote));
    QMimeData plain;
    plain.setText(QStringLiteral("just words"));
    QVERIFY(!sendDrop(view, &plain));
    QMimeData fake;
    fake.setUrls({QUrl::fromLocalFile(text), QUrl::fromLocalFile(dir.path() + QStringLiteral("/missing.png"))});
    QVERIFY(!sendDrop(view, &fake));
    QVERIFY(view->pendingImageURLs().isEmpty());

    QMimeData mixed;
    mixed.setUrls({QUrl::fromLocalFile(image), QUrl(QStringLiteral("https://example.com/x.png")),
                   QUrl::fromLocalFile(text), QUrl::fromLocalFile(image2)});
    QVERIFY(sendDrop(view, &mixed));
    QCOMPARE(view->pendingImageURLs(), (QList<QUrl>{QUrl::fromLocalFile(image), QUrl::fromLocalFile(image2)}));
    QVERIFY(parts::imagesPreview(view)->isVisible());

    // Dropped on the text fields, an image is an attachment, not text.
    QMimeData onEditor;
    onEditor.setUrls({QUrl::fromLocalFile(image)});
    QVERIFY(sendDrop(parts::editor(view)->textView()->viewport(), &onEditor));
    QVERIFY(sendDrop(parts::titleField(view), &onEditor));
    QCOMPARE(view->pendingImageURLs().size(), 4);
    QVERIFY(view->title().isEmpty());
    QVERIFY(view->bodyPlain().isEmpty());

    // Removing every thumbnail of a file hides the strip once nothing waits.
    click(parts::removeButton(parts::imagesPreview(view)->thumbs().at(0)));
    QCOMPARE(view->pendingImageURLs(), QList<QUrl>{QUrl::fromLocalFile(image2)});
    click(parts::removeButton(parts::imagesPreview(view)->thumbs().at(0)));
    QVERIFY(view->pendingImageURLs().isEmpty());
    QVERIFY(parts::imagesSlot(view)->isHidden());
}

void ComposeViewTest::pickedImages_missingOneIsLeftOut()
{
    QTemporaryDir dir;
    const QString gone = writeImage(dir.path(), QStringLiteral("gone.png"));
    const QString kept = writeImage(dir.path(), QStringLiteral("kept.jpeg"));
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    parts::imagePicker(view)->setChooser([&](QWidget*) {
        return QList<QUrl>{QUrl::fromLocalFile(gone), QUrl::fromLocalFile(kept)};
    });
    click(parts::imagePicker(view));
    QVERIFY(QFile::remove(gone));
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Pictures"));
    view->saveEntry();
    const JournalEntry entry = f.store().entries().first();
    QCOMPARE(entry.imageFilenames.size(), 1);
    QVERIFY(entry.imageFilenames.first().endsWith(QStringLiteral(".jpeg")));

    // A cancelled picker adds nothing.
    view = f.open();
    parts::imagePicker(view)->setChooser([](QWidget*) { return QList<QUrl>{}; });
    click(parts::imagePicker(view));
    QVERIFY(view->pendingImageURLs().isEmpty());
}

void ComposeViewTest::pickedImages_refusedOnesAreToldAtOnce()
{
    QTemporaryDir dir;
    const QString fifo = vsp::test::makeHostileFile(vsp::test::HostileFile::Fifo);
    const QString empty = writeFile(dir.path() + QStringLiteral("/empty.png"), "");
    const QString kept = writeImage(dir.path(), QStringLiteral("kept.png"));
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    parts::imagePicker(view)->setChooser([&](QWidget*) {
        return QList<QUrl>{QUrl::fromLocalFile(fifo), QUrl::fromLocalFile(empty), QUrl::fromLocalFile(kept)};
    });
    vsp::test::StdoutCapture out;
    click(parts::imagePicker(view));
    QCOMPARE(view->pendingImageURLs(), QList<QUrl>{QUrl::fromLocalFile(kept)});
    auto* notice = view->findChild<QLabel*>(QStringLiteral("imageNotice"));
    QVERIFY(notice && notice->isVisible());
    const QString fifoName = QFileInfo(fifo).fileName();
    QCOMPARE(notice->text(), QStringLiteral("“%1” was not added: %1 is not a regular file.\n"
                                            "“empty.png” was not added: the file is empty.")
                                 .arg(fifoName));
    QCOMPARE(
        out.lines(),
        (QStringList{QStringLiteral("Vesperlog: image save failed — %1: %2 is not a regular file").arg(fifo, fifoName),
                     QStringLiteral("Vesperlog: image save failed — %1: the file is empty").arg(empty)}));
}

void ComposeViewTest::voiceNotes_transcriptFindsItsNoteAndClosingDeletesRecordings()
{
    QTemporaryDir dir;
    QList<std::pair<QString, SpeechTranscriber::Completion>> requests;
    SpeechTranscriber::setBackend([&](const QString& path, SpeechTranscriber::Completion done) {
        requests.append({path, std::move(done)});
    });
    const QString one = writeFile(dir.path() + QStringLiteral("/one.m4a"), "a");
    const QString two = writeFile(dir.path() + QStringLiteral("/two.m4a"), "b");
    const QString three = writeFile(dir.path() + QStringLiteral("/three.m4a"), "c");
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    parts::recordControl(view)->completeRecording(one, 4);
    parts::recordControl(view)->completeRecording(two, 6.5);
    parts::recordControl(view)->completeRecording(three, 1);
    QVERIFY(parts::audioPreview(view)->isVisible());
    QTRY_COMPARE(requests.size(), 3);

    // Answers in another order than the requests: each finds its own note.
    requests[1].second(QStringLiteral("second note"));
    requests[0].second(std::nullopt);
    QCOMPARE(view->pendingAudio().at(1).transcript, std::optional<QString>(QStringLiteral("second note")));
    QCOMPARE(view->pendingAudio().at(0).transcript, std::optional<QString>());
    // The third is removed before its text arrives: no other note takes it.
    click(parts::audioPreview(view)->rows().at(2)->removeButton());
    QVERIFY(!QFile::exists(three));
    requests[2].second(QStringLiteral("late text"));
    QCOMPARE(view->pendingAudio().size(), 2);
    for (const PendingAudio& clip : view->pendingAudio()) {
        QVERIFY(clip.transcript != std::optional<QString>(QStringLiteral("late text")));
    }

    f.window()->close();
    QVERIFY(!QFile::exists(one));
    QVERIFY(!QFile::exists(two));
}

void ComposeViewTest::voiceNote_whoseCopyFails_keepsRecordingAndNamesIt()
{
    QTemporaryDir dir;
    const QString good = writeFile(dir.path() + QStringLiteral("/good.m4a"), "audio");
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    view->addRecording(good, 2);
    QTest::keyClicks(parts::titleField(view), QStringLiteral("With a voice note"));
    view->saveEntry();
    JournalEntry entry = f.store().entries().first();
    QCOMPARE(entry.audioClips.size(), 1);
    QCOMPARE(entry.audioClips.first().duration, 2.0);
    QVERIFY(QFile::exists(JournalStore::audioDirectory(entry.id) + u'/' + entry.audioClips.first().filename));
    QVERIFY(!QFile::exists(good));

    // No folder can be made for the copy: the audio folder's place is taken by a file.
    const QString audioBase = JournalStore::storeFolder() + QStringLiteral("/audio");
    QDir(audioBase).removeRecursively();
    writeFile(audioBase, "in the way");
    const QString precious = writeFile(dir.path() + QStringLiteral("/precious.m4a"), "only copy");
    view = f.open();
    view->addRecording(precious, 9);
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Copy fails"));
    test::StdoutCapture out;
    view->saveEntry();
    const QStringList lines = out.lines();
    entry = f.store().entries().first();
    QCOMPARE(entry.title, QStringLiteral("Copy fails"));
    QVERIFY(entry.audioClips.isEmpty());
    QVERIFY(QFile::exists(precious));
    QVERIFY(!f.window()->isVisible());
    QVERIFY(QFile::exists(precious));
    const qsizetype naming =
        std::count_if(lines.cbegin(), lines.cend(), [&](const QString& line) { return line.contains(precious); });
    QCOMPARE(naming, qsizetype(1));
    QVERIFY(lines.filter(QStringLiteral("Vesperlog: audio store failed — ")).size() == 1);
}

void ComposeViewTest::weather_fromAnEarlierOpening_isDropped()
{
    QList<LocationWeatherManager::Completion> pending;
    LocationWeatherManager::shared().setBackend(
        [&](LocationWeatherManager::Completion done) { pending.append(std::move(done)); });
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    QTRY_COMPARE(pending.size(), 1);
    f.window()->close();
    view = f.open();
    QTRY_COMPARE(pending.size(), 2);
    WeatherSnapshot old;
    old.placeName = QStringLiteral("Yesterday's town");
    pending[0](old);
    QVERIFY(!view->weatherSnapshot());
    QVERIFY(parts::weatherSlot(view)->isHidden());
    WeatherSnapshot now;
    now.placeName = QStringLiteral("Here");
    pending[1](now);
    QCOMPARE(view->weatherSnapshot(), std::optional<WeatherSnapshot>(now));
    QCOMPARE(parts::weatherChips(view)->shownTexts(), QStringList{QStringLiteral("Here")});

    // Weather capture switched off: nothing is asked.
    f.window()->close();
    f.app->appSettings().setCaptureWeatherLocation(false);
    view = f.open();
    // A request would reach the backend on the next turn of the event loop.
    QCoreApplication::processEvents();
    QCOMPARE(pending.size(), 2);
}

void ComposeViewTest::weather_stalledForecast_timesOutOnceWhileTheWindowWorks()
{
    test::LocalHttpsServer server;
    QVERIFY(server.start());
    server.route(QStringLiteral("/v1/forecast"), {200, "application/json", {}, true});
    LocationWeatherManager::Services services;
    services.positionSource = [](QObject* parent) {
        auto* source = new test::FakePositionSource(parent);
        source->fixOnRequest = QGeoCoordinate(48.21, 16.37);
        return source;
    };
    services.placeName = [](double, double) { return std::optional<QString>(QStringLiteral("Vienna")); };
    services.forecastHost = QStringLiteral("127.0.0.1");
    services.forecastPort = server.port();
    services.sslConfiguration = server.sslConfiguration();
    services.transferTimeoutMs = 2000;
    LocationWeatherManager::shared().setServices(services);
    test::StdoutCapture out;
    Fixture f;
    ComposeView* view = f.open();
    QVERIFY(view);
    QTRY_COMPARE(server.requests().size(), 1);

    // The forecast hangs; the window answers all the same.
    QTest::keyClicks(parts::titleField(view), QStringLiteral("Waiting"));
    QCOMPARE(view->title(), QStringLiteral("Waiting"));
    QVERIFY(parts::saveButton(parts::footer(view)->formatBar())->isEnabled());
    QVERIFY(!view->weatherSnapshot());

    // Given up after its time-out: the place without the weather, and one line saying why.
    QTRY_VERIFY_WITH_TIMEOUT(view->weatherSnapshot().has_value(), 10000);
    QCOMPARE(parts::weatherChips(view)->shownTexts(), QStringList{QStringLiteral("Vienna")});
    QCOMPARE(out.lines().filter(QStringLiteral("Vesperlog: weather fetch failed — ")),
             QStringList{QStringLiteral("Vesperlog: weather fetch failed — no answer from 127.0.0.1 within 2 s")});
    view->saveEntry();
    const JournalEntry entry = f.store().entries().first();
    QCOMPARE(entry.title, QStringLiteral("Waiting"));
    QCOMPARE(entry.placeName, std::optional<QString>(QStringLiteral("Vienna")));
    QCOMPARE(entry.weatherTemp, std::optional<double>());
}
