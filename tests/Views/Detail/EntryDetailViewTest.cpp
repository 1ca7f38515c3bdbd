#include "EntryDetailViewTest.h"

#include "common/EditorTestSupport.h"
#include "common/FakeAuthenticator.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Editor/Compose/ComposeFooter.h"
#include "Editor/FloatingFormatBar.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/TextAttributes.h"
#include "Editor/VesperlogTextView.h"
#include "Media/AudioClipsView.h"
#include "Media/ImageGalleryView.h"
#include "Media/ImageLoading.h"
#include "Media/ImagePickerButton.h"
#include "Media/SpeechTranscriber.h"
#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/EntryCodec.h"
#include "Model/EntryText.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Settings/LockScreenView.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Theme/Transitions.h"
#include "Views/Detail/BodyTextView.h"
#include "Views/Detail/DetailToolbar.h"
#include "Views/Detail/EditableTagsView.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/MainWindow.h"
#include "Widgets/ColumnVisibilityHolder.h"

#include <QAbstractAnimation>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

#include <limits>

namespace {

QString entriesPath()
{
    return JournalStore::storeFolder() + QStringLiteral("/entries.json");
}

QByteArray entriesFile()
{
    QFile file(entriesPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The entry with this id as entries.json holds it.
/// Carries out the layouts asked for, a level at a time, up to the window.
void settleLayouts()
{
    for (int level = 0; level < 4; ++level) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
}

/// The scroll area `body` is read in.
QScrollArea* scrollAreaOf(QWidget* body)
{
    for (QWidget* w = body->parentWidget(); w; w = w->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(w)) {
            return area;
        }
    }
    return nullptr;
}

/// Whether the bottom of `body`, laid out as the layouts ask, is inside the area's viewport.
bool endInView(const QScrollArea& area, const QWidget& body)
{
    settleLayouts();
    const int bottom = body.mapTo(area.viewport(), QPoint(0, body.height())).y();
    return bottom > 0 && bottom <= area.viewport()->height();
}

std::optional<JournalEntry> onDisk(const QUuid& id)
{
    const auto decoded = vsp::decodeEntries(entriesFile());
    if (!decoded.value) {
        return std::nullopt;
    }
    for (const JournalEntry& e : *decoded.value) {
        if (e.id == id) {
            return e;
        }
    }
    return std::nullopt;
}

JournalEntry makeEntry(const QString& title, const QString& body, const QStringList& tags = {}, int daysAgo = 0)
{
    JournalEntry e = JournalEntry::create();
    e.title = title;
    e.body = body;
    e.tags = tags;
    e.date = fixtures::fixtureNow() - daysAgo * vsp::kSecondsPerDay;
    return e;
}

/// A main window over a stored journal of two entries, A selected; the detail as the app has it.
struct Journal {
    JournalStore store{fixtures::fixtureClock().function()};
    MoodStore moods;
    MainWindow window{store, moods, {}};
    JournalEntry a;
    JournalEntry b;

    /// `clock` is the store's.
    explicit Journal(JournalStore::Clock clock = fixtures::fixtureClock().function()) : store(std::move(clock))
    {
        store.setImageCheck(vsp::photos::pictureProblem);
        b = makeEntry(QStringLiteral("Bravo"), QStringLiteral("second body"), {QStringLiteral("walk")}, 1);
        a = makeEntry(QStringLiteral("Alpha"), QStringLiteral("first body"), {QStringLiteral("walk")});
        store.addEntry(b);
        store.addEntry(a);
        store.setSelectedEntryID(a.id);
        window.resize(1300, 850);
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }
    EntryDetailView& detail() const { return *window.contentView()->detail(); }
    /// Stores a JPEG of `size` as entry a's only photo, as the picker would; its stored name, or nothing.
    std::optional<QString> giveAPhoto(QSize size)
    {
        const QString source = vsp::test::testHome() + QStringLiteral("/wide.jpg");
        QFile file(source);
        if (!viewfixtures::writePhoto(source, size) || !file.open(QIODevice::ReadOnly)) {
            return std::nullopt;
        }
        const auto name = store.saveImage(file.readAll(), a.id, QStringLiteral("wide.jpg"));
        if (name) {
            JournalEntry withPhoto = *store.entry(a.id);
            withPhoto.imageFilenames = {*name};
            store.updateEntry(withPhoto);
        }
        return name;
    }
    /// Locks the journal behind a cover whose check never answers.
    void lock()
    {
        window.contentView()->lockScreen()->setAuthenticatorFactory(
            vsp::test::FakeAuthenticator::factory(vsp::test::FakeAuthenticator::Stack::Silent));
        store.setIsLocked(true);
    }
    void typeTitle(const QString& text) const
    {
        const bool focus = detail().layout() == EntryDetailView::Layout::Focus;
        auto* field = vsp::test::child<QLineEdit>(detail(), focus ? QStringLiteral("detailFocusTitleField")
                                                                  : QStringLiteral("detailTitleField"));
        field->setFocus();
        field->end(false);
        QTest::keyClicks(field, text);
    }
    void typeBody(const QString& text) const
    {
        QWidget* view = vsp::test::child<FormattableTextEditor>(detail(), QStringLiteral("detailBody"))->textView();
        view->setFocus();
        QTest::keyClicks(view, text);
    }
    QString storedTitle(const QUuid& id) const { return onDisk(id) ? onDisk(id)->title : QStringLiteral("<none>"); }
};

} // namespace

void EntryDetailViewTest::init()
{
    vsp::test::resetUserFolders();
    AppSettings().setHasCompletedOnboarding(true);
    AppearanceManager::instance().refresh();
    vsp::setAnimationsEnabled(false);
}

void EntryDetailViewTest::cleanup()
{
    SpeechTranscriber::setBackend({});
    vsp::setMotionReduced(false);
    vsp::setAnimationsEnabled(false);
}

void EntryDetailViewTest::typing_writesNothing_untilCommitted_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("editingAfter");
    QTest::newRow("Done") << QStringLiteral("done") << false;
    QTest::newRow("Ctrl+E") << QStringLiteral("toggle") << false;
    QTest::newRow("another entry selected") << QStringLiteral("select") << false;
    QTest::newRow("focus mode off") << QStringLiteral("focusOff") << false;
    QTest::newRow("focus overlay's Done") << QStringLiteral("overlay") << false;
}

void EntryDetailViewTest::typing_writesNothing_untilCommitted()
{
    QFETCH(QString, trigger);
    QFETCH(bool, editingAfter);
    Journal j;
    EntryDetailView& d = j.detail();
    if (trigger == u"focusOff" || trigger == u"overlay") {
        j.store.setFocusMode(true);
        QCOMPARE(d.layout(), EntryDetailView::Layout::Focus);
    } else {
        vsp::test::child<GlassChipButton>(d, QStringLiteral("editButton"))->click();
        QCOMPARE(d.layout(), EntryDetailView::Layout::Edit);
    }
    const QByteArray before = entriesFile();
    j.typeTitle(QStringLiteral(" edited"));
    j.typeBody(QStringLiteral("more words "));
    // The editor's own pause in typing passes; still nothing is written.
    QVERIFY(vsp::test::fireTimer(*vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody")),
                                 QStringLiteral("richTextTimer")));
    QCOMPARE(entriesFile(), before);

    QSignalSpy writes(&j.store, &JournalStore::entriesChanged);
    if (trigger == u"done") {
        vsp::test::child<GlassChipButton>(d, QStringLiteral("editButton"))->click();
    } else if (trigger == u"toggle") {
        Q_EMIT AppNotifications::instance().VspToggleEdit();
    } else if (trigger == u"select") {
        j.store.setSelectedEntryID(j.b.id);
        QCOMPARE(d.entry().id, j.b.id);
    } else if (trigger == u"focusOff") {
        j.store.setFocusMode(false);
    } else {
        vsp::test::child<QAbstractButton>(d, QStringLiteral("focusDone"))->click();
        QVERIFY(!j.store.focusMode());
    }
    QCOMPARE(writes.count(), 1);
    QCOMPARE(d.isEditing(), editingAfter);
    const auto stored = onDisk(j.a.id);
    QVERIFY(stored);
    QCOMPARE(stored->title, QStringLiteral("Alpha edited"));
    QCOMPARE(stored->body, QStringLiteral("more words first body"));
    QVERIFY(stored->bodyRTF && stored->bodyRTF->contains("more words"));
    QCOMPARE(stored->tags, QStringList{QStringLiteral("walk")});
    QCOMPARE(stored->date, j.a.date);
}

void EntryDetailViewTest::focusModeOn_whileEditing_keepsWhatIsTyped()
{
    Journal j;
    EntryDetailView& d = j.detail();
    Q_EMIT AppNotifications::instance().VspToggleEdit();
    j.typeTitle(QStringLiteral(" one"));
    j.typeBody(QStringLiteral("typed "));
    const QByteArray before = entriesFile();
    j.store.setFocusMode(true);
    QCOMPARE(d.layout(), EntryDetailView::Layout::Focus);
    QCOMPARE(vsp::test::child<QLineEdit>(d, QStringLiteral("detailFocusTitleField"))->text(),
             QStringLiteral("Alpha one"));
    QCOMPARE(vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->plainText(),
             QStringLiteral("typed first body"));
    QCOMPARE(vsp::test::child<vsp::detail::FocusOverlay>(d, QStringLiteral("focusOverlay"))->wordCount(), 3);
    QCOMPARE(entriesFile(), before);
    // Ctrl+E in focus mode commits and stays in focus mode, editing.
    Q_EMIT AppNotifications::instance().VspToggleEdit();
    QCOMPARE(d.layout(), EntryDetailView::Layout::Focus);
    QCOMPARE(j.storedTitle(j.a.id), QStringLiteral("Alpha one"));
    j.typeTitle(QStringLiteral(" two"));
    j.store.setFocusMode(false);
    QCOMPARE(d.layout(), EntryDetailView::Layout::Read);
    QCOMPARE(j.storedTitle(j.a.id), QStringLiteral("Alpha one two"));
    QCOMPARE(vsp::test::child<QLabel>(d, QStringLiteral("detailTitle"))->text(), QStringLiteral("Alpha one two"));
}

void EntryDetailViewTest::focusModeOn_whenReading_editsInTheFocusLayout()
{
    Journal j;
    EntryDetailView& d = j.detail();
    QCOMPARE(d.layout(), EntryDetailView::Layout::Read);
    QVERIFY(vsp::test::child<DetailToolbar>(d, QStringLiteral("detailToolbar"))->isVisible());
    vsp::test::child<vsp::GlassButton>(d, QStringLiteral("focusButton"))->click();
    QVERIFY(j.store.focusMode());
    QCOMPARE(d.layout(), EntryDetailView::Layout::Focus);
    QVERIFY(!vsp::test::child<DetailToolbar>(d, QStringLiteral("detailToolbar"))->isVisible());
    QVERIFY(vsp::test::child<vsp::detail::FocusOverlay>(d, QStringLiteral("focusOverlay"))->isVisible());
    QCOMPARE(vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->plainText(),
             QStringLiteral("first body"));
    // The overlay dims while the pointer is away.
    vsp::test::child<vsp::detail::FocusOverlay>(d, QStringLiteral("focusOverlay"))->setHovered(false);
    QCOMPARE(vsp::test::child<vsp::detail::FocusOverlay>(d, QStringLiteral("focusOverlay"))->opacity(), 0.15);
    vsp::test::child<vsp::detail::FocusOverlay>(d, QStringLiteral("focusOverlay"))->setHovered(true);
    QCOMPARE(vsp::test::child<vsp::detail::FocusOverlay>(d, QStringLiteral("focusOverlay"))->opacity(), 1.0);
}

void EntryDetailViewTest::commit_takesPendingTag_andTrims()
{
    Journal j;
    EntryDetailView& d = j.detail();
    d.startEditing();
    QLineEdit* tagField = vsp::test::child<EditableTagsView>(d, QStringLiteral("detailTags"))->tagField();
    QTest::keyClicks(tagField, QStringLiteral("  Work "));
    vsp::test::child<QLineEdit>(d, QStringLiteral("detailTitleField"))->setText(QString());
    QTest::keyClicks(vsp::test::child<QLineEdit>(d, QStringLiteral("detailTitleField")), QStringLiteral("   "));
    vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))
        ->setContent(QStringLiteral("\n\nbody\n\n"), std::nullopt);
    QTest::keyClicks(vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->textView(),
                     QStringLiteral(" "));
    d.saveEdits();
    auto stored = onDisk(j.a.id);
    QVERIFY(stored);
    QCOMPARE(stored->tags, (QStringList{QStringLiteral("walk"), QStringLiteral("work")}));
    QCOMPARE(stored->title, QString());
    QCOMPARE(stored->body.toString().trimmed(), stored->body.toString());
    QVERIFY(stored->body.toString().contains(QStringLiteral("body")));
    // A tag already chosen is not added twice and stays in the field.
    d.startEditing();
    QCOMPARE(d.m_edit.tagInput, QString());
    QTest::keyClicks(tagField, QStringLiteral("walk"));
    QVERIFY(d.commitEdits(j.a.id));
    QCOMPARE(onDisk(j.a.id)->tags, (QStringList{QStringLiteral("walk"), QStringLiteral("work")}));
    QCOMPARE(d.m_edit.tagInput, QStringLiteral("walk"));
}

void EntryDetailViewTest::delete_asksFirst_andEditingTheDeletedEntryWritesNothing()
{
    Journal j;
    EntryDetailView& d = j.detail();
    QStringList questions;
    bool answer = false;
    d.setConfirmation([&](const QString& question) {
        questions.append(question);
        return answer;
    });
    d.startEditing();
    j.typeTitle(QStringLiteral(" unsaved"));
    auto* menu = vsp::test::child<DetailToolbar>(d, QStringLiteral("detailToolbar"))->buildMenu(&d);
    QAction* remove = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text() == QStringLiteral("Delete Entry")) {
            remove = action;
        }
    }
    QVERIFY(remove);
    remove->trigger();
    QCOMPARE(questions, QStringList{QStringLiteral("Delete this entry?")});
    QVERIFY(onDisk(j.a.id));
    answer = true;
    remove->trigger();
    QVERIFY(!onDisk(j.a.id));
    QVERIFY(!j.store.entry(j.a.id));
    QCOMPARE(j.store.trashedEntries().size(), 1);
    // The trashed entry keeps its stored title: the edit in progress went nowhere.
    QCOMPARE(j.store.trashedEntries().first().entry.title, QStringLiteral("Alpha"));
    QVERIFY(j.store.selectedEntryID() != std::optional<QUuid>(j.a.id));
    QVERIFY(!d.isEditing());
    delete menu;
}

void EntryDetailViewTest::deleteQuestion_titleBarHoldsItsWholeTitle()
{
    Journal j;
    QString title;
    int width = 0;
    QTimer::singleShot(0, &j.detail(), [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            width = box->width();
            box->reject();
        }
    });
    j.detail().requestDelete();
    QCOMPARE(title, QStringLiteral("Delete this entry?"));
    QVERIFY(j.store.entry(j.a.id));
    // The window manager writes the title in bold, beside the window's icon and its three buttons,
    // each a line high and spaced apart (a stock box leaves 50 pixels for all of them).
    QFont bold = QApplication::font("QMdiSubWindowTitleBar");
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    QVERIFY2(width >= metrics.horizontalAdvance(title) + 4 * (metrics.height() + 6),
             qPrintable(QString::number(width)));
}

void EntryDetailViewTest::copies_useTheStoredEntry()
{
    Journal j;
    EntryDetailView& d = j.detail();
    d.startEditing();
    j.typeTitle(QStringLiteral(" not yet saved"));
    std::unique_ptr<QMenu> menu(vsp::test::child<DetailToolbar>(d, QStringLiteral("detailToolbar"))->buildMenu(&d));
    auto trigger = [&](const QString& text) {
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                action->trigger();
                return true;
            }
        }
        return false;
    };
    QVERIFY(trigger(QStringLiteral("Copy as Plain Text")));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Alpha\n\nfirst body"));
    QVERIFY(trigger(QStringLiteral("Copy as Markdown")));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("# Alpha\n\n#walk\n\nfirst body"));
    QCOMPARE(QGuiApplication::clipboard()->text(), vsp::entryMarkdown(*j.store.entry(j.a.id)));
    // A mood is written at once, while the edit goes on.
    QMenu* moods = menu->actions().first()->menu();
    QVERIFY(moods);
    moods->actions().first()->trigger();
    QCOMPARE(onDisk(j.a.id)->mood, j.moods.moods().first().emoji);
    QVERIFY(d.isEditing());
    QCOMPARE(vsp::test::child<QLineEdit>(d, QStringLiteral("detailTitleField"))->text(),
             QStringLiteral("Alpha not yet saved"));
}

void EntryDetailViewTest::tagEditor_suggestsStoredTags_data()
{
    QTest::addColumn<bool>("motion");
    QTest::newRow("at once") << false;
    QTest::newRow("under motion") << true;
}

void EntryDetailViewTest::tagEditor_suggestsStoredTags()
{
    QFETCH(bool, motion);
    Journal j;
    JournalEntry other =
        makeEntry(QStringLiteral("Other"), QString(), {QStringLiteral("walking"), QStringLiteral("wine")}, 3);
    j.store.addEntry(other);
    j.store.setSelectedEntryID(j.a.id);
    EntryDetailView& d = j.detail();
    d.startEditing();
    EditableTagsView* tags = vsp::test::child<EditableTagsView>(d, QStringLiteral("detailTags"));
    auto* suggestionFlow = vsp::test::child<FlowLayout>(*tags, QStringLiteral("suggestionFlow"));
    auto* suggestionSlot = vsp::test::child<TransitionSlot>(*tags, QStringLiteral("suggestionSlot"));
    vsp::setAnimationsEnabled(motion);
    QTest::keyClicks(tags->tagField(), QStringLiteral("W"));
    viewfixtures::finishAnimations(&j.window);
    QCOMPARE(tags->suggestionChips().size(), 2);
    QPointer<QWidget> walking = tags->suggestionChips().at(0)->parentWidget();
    QWidget* wine = tags->suggestionChips().at(1)->parentWidget();
    QVERIFY(wine->x() > 0);
    // Fewer suggestions: the one that goes fades where it stands while the other glides to its place.
    QTest::keyClicks(tags->tagField(), QStringLiteral("i"));
    QCOMPARE(tags->tagSuggestions(), (QStringList{QStringLiteral("wine")}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCOMPARE(suggestionFlow->isGliding(), motion);
    QCOMPARE(walking && walking->isVisible(), motion);
    QCOMPARE(wine->x() > 0, motion);
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(!walking);
    QCOMPARE(wine->x(), 0);
    // As many suggestions as before: the new one takes the place at once.
    QTest::keyClick(tags->tagField(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClicks(tags->tagField(), QStringLiteral("a"));
    QCOMPARE(tags->tagSuggestions(), (QStringList{QStringLiteral("walking")}));
    QVERIFY(!suggestionFlow->isGliding());
    QVERIFY(wine->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCOMPARE(tags->suggestionChips().first()->parentWidget()->pos(), QPoint(0, 0));
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(suggestionSlot->isVisible());
    tags->suggestionChips().first()->click();
    QCOMPARE(tags->tagInput(), QString());
    QCOMPARE(tags->tagSuggestions(), QStringList{});
    QCOMPARE(tags->tagChips().size(), 2);
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(suggestionSlot->isHidden());
    QVERIFY(tags->tagChips().last()->isVisible());
    tags->tagChips().first()->removeButton()->click();
    d.saveEdits();
    QCOMPARE(onDisk(j.a.id)->tags, QStringList{QStringLiteral("walking")});
}

void EntryDetailViewTest::relatedEntries_clickSelects()
{
    Journal j;
    EntryDetailView& d = j.detail();
    QCOMPARE(vsp::test::child<vsp::detail::RelatedEntriesView>(d, QStringLiteral("relatedEntries"))->rows().size(), 1);
    QCOMPARE(
        vsp::test::child<vsp::detail::RelatedEntriesView>(d, QStringLiteral("relatedEntries"))->rows().first()->title(),
        QStringLiteral("Bravo"));
    vsp::test::child<vsp::detail::RelatedEntriesView>(d, QStringLiteral("relatedEntries"))->rows().first()->click();
    QCOMPARE(j.store.selectedEntryID(), std::optional<QUuid>(j.b.id));
    QCOMPARE(d.entry().id, j.b.id);
    QCOMPARE(
        vsp::test::child<vsp::detail::RelatedEntriesView>(d, QStringLiteral("relatedEntries"))->rows().first()->title(),
        QStringLiteral("Alpha"));
}

void EntryDetailViewTest::expirationBadge_followsTheClockAcrossMidnight()
{
    const vsp::test::ManualClock clock = fixtures::fixtureClock();
    Journal j(clock.function());
    EntryDetailView& d = j.detail();
    auto* list = j.window.findChild<EntryListView*>();
    QVERIFY(list);
    // As at each midnight: the list looks at the date and the detail follows.
    const auto moveClock = [&](double moment) {
        *clock.now = moment;
        list->showDay(j.store.today());
    };
    const QDate day = j.store.today().addDays(5);
    JournalEntry expiring = *j.store.entry(j.a.id);
    expiring.expirationDate = vsp::startOfDay(day) + 9 * 3600;
    j.store.updateEntry(expiring);
    moveClock(vsp::startOfDay(day) - 60); // 23:59 the evening before
    QVERIFY(vsp::test::child<vsp::detail::ExpirationBadge>(d, QStringLiteral("expirationBadge"))->isVisibleTo(&d));
    QCOMPARE(vsp::test::child<vsp::detail::ExpirationBadge>(d, QStringLiteral("expirationBadge"))->status(),
             vsp::Expiration::Later);
    QVERIFY(vsp::test::child<vsp::detail::ExpirationBadge>(d, QStringLiteral("expirationBadge"))
                ->text()
                .startsWith(QStringLiteral("Expires ")));
    moveClock(vsp::startOfDay(day) + 60);
    QCOMPARE(vsp::test::child<vsp::detail::ExpirationBadge>(d, QStringLiteral("expirationBadge"))->text(),
             QStringLiteral("Expires today"));
    moveClock(vsp::startOfDay(day.addDays(1)) + 1);
    QCOMPARE(vsp::test::child<vsp::detail::ExpirationBadge>(d, QStringLiteral("expirationBadge"))->text(),
             QStringLiteral("Expired"));
    QCOMPARE(vsp::test::child<vsp::detail::ExpirationBadge>(d, QStringLiteral("expirationBadge"))->symbol(),
             QStringLiteral("bell.slash.fill"));
}

void EntryDetailViewTest::expirationBadge_readsInBothAppearances_data()
{
    QTest::addColumn<vsp::Expiration>("status");
    QTest::addColumn<QString>("accent");
    QTest::newRow("later, gold") << vsp::Expiration::Later << QStringLiteral("yellow");
    QTest::newRow("later, cream") << vsp::Expiration::Later << QStringLiteral("cream");
    QTest::newRow("today, orange") << vsp::Expiration::Today << QStringLiteral("yellow");
    QTest::newRow("past, grey") << vsp::Expiration::Past << QStringLiteral("yellow");
}

void EntryDetailViewTest::expirationBadge_readsInBothAppearances()
{
    QFETCH(vsp::Expiration, status);
    QFETCH(QString, accent);
    AppSettings::instance().setAccentColorPreset(accent);
    for (const vsp::Appearance appearance : {vsp::Appearance::Light, vsp::Appearance::Dark}) {
        QColor glass = vsp::detail::ExpirationBadge::tint(status, appearance);
        glass.setAlphaF(0.1f);
        const QColor ink = vsp::detail::ExpirationBadge::color(status, appearance);
        for (const vsp::Color* window : {&vsp::Color::vspBackground(), &vsp::Color::vspSurface()}) {
            const QColor ground = vsp::composite(glass, window->resolve(appearance));
            const double ratio = vsp::contrastRatio(ink, ground);
            QVERIFY2(ratio >= vsp::kTextContrast, qPrintable(QString::number(ratio)));
        }
    }
}

void EntryDetailViewTest::doneText_readsOnItsGlass()
{
    for (const vsp::AccentPreset& preset : vsp::accentPresets()) {
        AppSettings::instance().setAccentColorPreset(preset.name.toString());
        for (const char* mode : {"light", "dark"}) {
            AppSettings::instance().setAppearanceMode(QString::fromLatin1(mode));
            AppearanceManager::instance().refresh();
            const QColor ink = DetailToolbar::doneTextColor();
            const QColor tint = vsp::Color::resolvedAccent(0.18).resolve();
            for (const vsp::Color* window : {&vsp::Color::vspBackground(), &vsp::Color::vspSurface()}) {
                const double ratio = vsp::contrastRatio(ink, vsp::composite(tint, window->resolve()));
                QVERIFY2(ratio >= vsp::kTextContrast,
                         qPrintable(preset.name.toString() + u' ' + QString::number(ratio)));
            }
        }
    }
}

void EntryDetailViewTest::pastExpiration_isKeptAsStored()
{
    Journal j;
    EntryDetailView& d = j.detail();
    JournalEntry expired = *j.store.entry(j.a.id);
    const double past = vsp::addDays(fixtures::fixtureNow(), -10);
    expired.expirationDate = past;
    j.store.updateEntry(expired);
    d.startEditing();
    QCOMPARE(vsp::test::child<QDateEdit>(d, QStringLiteral("expirationDate"))->date(), vsp::localDate(past));
    d.saveEdits();
    QCOMPARE(onDisk(j.a.id)->expirationDate, std::optional<double>(past));
    // Switched off, the entry has none; switched on again, the day is seven days ahead for a new one.
    d.startEditing();
    vsp::test::child<GlassChipButton>(d, QStringLiteral("expirationToggle"))->click();
    d.saveEdits();
    QCOMPARE(onDisk(j.a.id)->expirationDate, std::nullopt);
    d.startEditing();
    vsp::test::child<GlassChipButton>(d, QStringLiteral("expirationToggle"))->click();
    QCOMPARE(vsp::localDate(d.m_edit.expirationDate), j.store.today().addDays(7));
}

void EntryDetailViewTest::focusModeRead_columnSitsInTheMiddle()
{
    Journal j;
    EntryDetailView& d = j.detail();
    j.window.resize(1800, 850);
    // Read before, then read in focus mode once its edit ends with nothing changed: in focus mode's own
    // column, in the middle.
    j.store.setFocusMode(true);
    d.commitEdits();
    QCOMPARE(d.layout(), EntryDetailView::Layout::Read);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    auto* column = d.findChild<QWidget*>(QStringLiteral("detailReadColumn"));
    QVERIFY(column);
    QWidget* viewport = column->parentWidget()->parentWidget();
    QVERIFY(viewport->width() > column->width() + 200);
    const int middle = column->mapTo(viewport, QPoint(column->width() / 2, 0)).x();
    QVERIFY2(std::abs(middle - viewport->width() / 2) <= 2,
             qPrintable(QStringLiteral("%1 of %2").arg(middle).arg(viewport->width())));
    // And back at the side, with its status line, once focus mode ends.
    j.store.setFocusMode(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCOMPARE(column->mapTo(viewport, QPoint(0, 0)).x(), 0);
}

void EntryDetailViewTest::anotherEntryWhileEditingInFocus_loadsItsDocument()
{
    Journal j;
    EntryDetailView& d = j.detail();
    j.store.setFocusMode(true);
    j.typeBody(QStringLiteral("alpha only "));
    j.store.setSelectedEntryID(j.b.id);
    QCOMPARE(d.layout(), EntryDetailView::Layout::Focus);
    QCOMPARE(vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->plainText(),
             QStringLiteral("second body"));
    QVERIFY(onDisk(j.a.id)->body.toString().startsWith(QStringLiteral("alpha only")));
    j.typeTitle(QStringLiteral("!"));
    j.store.setFocusMode(false);
    const auto b = onDisk(j.b.id);
    QCOMPARE(b->title, QStringLiteral("Bravo!"));
    QCOMPARE(b->body, QStringLiteral("second body"));
    QVERIFY(!b->bodyRTF || !b->bodyRTF->contains("alpha only"));
    // An entry saved from New Entry is selected and shown as it is.
    JournalEntry fresh = makeEntry(QStringLiteral("Fresh"), QStringLiteral("new words"));
    j.store.addEntry(fresh);
    QCOMPARE(d.entry().id, fresh.id);
    QCOMPARE(vsp::test::child<QLabel>(d, QStringLiteral("detailTitle"))->text(), QStringLiteral("Fresh"));
}

void EntryDetailViewTest::transcriptAfterEditingEnded_reachesTheStoredEntry()
{
    Journal j;
    EntryDetailView& d = j.detail();
    SpeechTranscriber::Completion pending;
    SpeechTranscriber::setBackend(
        [&](const QString&, SpeechTranscriber::Completion done) { pending = std::move(done); });
    const QString recording = vsp::test::testHome() + QStringLiteral("/note.m4a");
    QFile file(recording);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("audio");
    file.close();
    d.startEditing();
    d.addRecording(recording, 3.5);
    QVERIFY(!QFile::exists(recording));
    QCOMPARE(d.m_edit.audioClips.size(), 1);
    d.saveEdits();
    QTRY_VERIFY(pending);
    pending(QStringLiteral("hello there"));
    const auto stored = onDisk(j.a.id);
    QCOMPARE(stored->audioClips.size(), 1);
    QCOMPARE(stored->audioClips.first().transcript, std::optional<QString>(QStringLiteral("hello there")));
    QCOMPARE(stored->audioClips.first().duration, 3.5);
}

void EntryDetailViewTest::recordingThatCannotBeStored_isKeptAndNamed()
{
    Journal j;
    EntryDetailView& d = j.detail();
    const QString recording = vsp::test::testHome() + QStringLiteral("/kept.m4a");
    QFile file(recording);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(64 * 1024, 'a'));
    file.close();
    d.startEditing();
    vsp::test::StdoutCapture out;
    {
        // The copy into the journal fails part way; the printed lines stay far below the limit.
        vsp::test::FileSizeLimit limit(8 * 1024);
        d.addRecording(recording, 2);
    }
    QVERIFY(QFile::exists(recording));
    QCOMPARE(QFileInfo(recording).size(), 64 * 1024);
    QVERIFY(d.m_edit.audioClips.isEmpty());
    QCOMPARE(out.lines().filter(QStringLiteral("voice note attach failed")),
             QStringList{QStringLiteral("Vesperlog: voice note attach failed — recording kept at ") + recording});
}

void EntryDetailViewTest::removedPhoto_isDeletedOnlyOnCommit_data()
{
    QTest::addColumn<bool>("motion");
    QTest::newRow("at once") << false;
    QTest::newRow("under motion") << true;
}

void EntryDetailViewTest::removedPhoto_isDeletedOnlyOnCommit()
{
    QFETCH(bool, motion);
    Journal j;
    EntryDetailView& d = j.detail();
    const auto name = j.store.saveImage(QByteArrayLiteral("png"), j.a.id, QStringLiteral("a.png"));
    QVERIFY(name);
    JournalEntry withPhoto = *j.store.entry(j.a.id);
    withPhoto.imageFilenames = {*name};
    j.store.updateEntry(withPhoto);
    const QString path = *JournalStore::imageFilePath(j.a.id, *name);
    d.startEditing();
    vsp::setAnimationsEnabled(motion);
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(vsp::test::child<QWidget>(d, QStringLiteral("editPhotoSection"))->isVisible());
    d.removeImage(*name);
    QVERIFY(QFile::exists(path));
    QCOMPARE(onDisk(j.a.id)->imageFilenames, QStringList{*name});
    // The strip closes once its last photo has gone.
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(vsp::test::child<QWidget>(d, QStringLiteral("editPhotoSection"))->isHidden());
    d.saveEdits();
    QVERIFY(!QFile::exists(path));
    QCOMPARE(onDisk(j.a.id)->imageFilenames, QStringList{});
}

void EntryDetailViewTest::photoClicked_opensLightbox_escapeClosesIt_data()
{
    QTest::addColumn<bool>("editing");
    QTest::newRow("reading") << false;
    QTest::newRow("editing") << true;
}

void EntryDetailViewTest::photoClicked_opensLightbox_escapeClosesIt()
{
    QFETCH(bool, editing);
    Journal j;
    EntryDetailView& d = j.detail();
    const auto name = j.store.saveImage(QByteArrayLiteral("not decodable"), j.a.id, QStringLiteral("a.heic"));
    QVERIFY(name);
    JournalEntry withPhoto = *j.store.entry(j.a.id);
    withPhoto.imageFilenames = {*name};
    j.store.updateEntry(withPhoto);
    if (editing) {
        d.startEditing();
    }
    ImageGalleryView* gallery = nullptr;
    QTRY_VERIFY((gallery = [&]() -> ImageGalleryView* {
        for (ImageGalleryView* g : d.findChildren<ImageGalleryView*>()) {
            if (g->isVisible() && !g->thumbnails().isEmpty()) {
                return g;
            }
        }
        return nullptr;
    }()));
    QTest::mouseClick(gallery->thumbnails().first(), Qt::LeftButton);
    auto* box = d.findChild<ImageLightbox*>();
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->filename(), *name);
    QCOMPARE(box->geometry(), d.rect());
    QTest::keyClick(box, Qt::Key_Escape);
    QTRY_VERIFY(!d.findChild<ImageLightbox*>());
    QCOMPARE(d.isEditing(), editing);
    // Locking the journal closes the photo too.
    QTest::mouseClick(gallery->thumbnails().first(), Qt::LeftButton);
    QVERIFY(d.findChild<ImageLightbox*>());
    j.lock();
    QTRY_VERIFY(!d.findChild<ImageLightbox*>());
}

void EntryDetailViewTest::photoAddedToADeletedEntry_isRemoved()
{
    Journal j;
    EntryDetailView& d = j.detail();
    d.setConfirmation([](const QString&) { return true; });
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString source = vsp::test::testHome() + QStringLiteral("/red.png");
    QVERIFY(image.save(source));
    d.startEditing();
    d.addImages({QUrl::fromLocalFile(source), QUrl::fromLocalFile(source + QStringLiteral(".missing"))});
    QCOMPARE(d.m_edit.imageFilenames.size(), 1);
    const QString stored = *JournalStore::imageFilePath(j.a.id, d.m_edit.imageFilenames.first());
    QVERIFY(QFile::exists(stored));
    d.requestDelete();
    QVERIFY(!QFile::exists(stored));
    QVERIFY(j.store.trashedEntries().first().entry.imageFilenames.isEmpty());
}

void EntryDetailViewTest::addImages_refusedFile_isExplainedOnScreen_data()
{
    using vsp::test::HostileFile;
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("why");
    const QString text = vsp::test::testHome() + QStringLiteral("/notes.png");
    const QString empty = vsp::test::testHome() + QStringLiteral("/empty.png");
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("Dear diary") > 0);
    file.close();
    QFile zero(empty);
    QVERIFY(zero.open(QIODevice::WriteOnly));
    zero.close();
    QTest::newRow("text") << text << QStringLiteral("the file is not a picture Vesperlog can read");
    QTest::newRow("empty") << empty << QStringLiteral("the file is empty");
    const QString fifo = vsp::test::makeHostileFile(HostileFile::Fifo);
    QTest::newRow("FIFO") << fifo << QFileInfo(fifo).fileName() + QStringLiteral(" is not a regular file");
    QTest::newRow("/dev/zero") << QStringLiteral("/dev/zero") << QStringLiteral("zero is not a regular file");
}

void EntryDetailViewTest::addImages_refusedFile_isExplainedOnScreen()
{
    QFETCH(QString, path);
    QFETCH(QString, why);
    Journal j;
    EntryDetailView& d = j.detail();
    d.startEditing();
    vsp::test::StdoutCapture out;
    d.addImages({QUrl::fromLocalFile(path)});
    QVERIFY(d.m_edit.imageFilenames.isEmpty());
    QCOMPARE(QDir(JournalStore::imagesDirectory(j.a.id)).entryList(QDir::Files), QStringList());
    auto* notice = d.findChild<QLabel*>(QStringLiteral("imageNotice"));
    QVERIFY(notice && notice->isVisible());
    QCOMPARE(notice->text(), QStringLiteral("“%1” was not added: %2.").arg(QFileInfo(path).fileName(), why));
    QCOMPARE(out.lines(), QStringList{QStringLiteral("Vesperlog: image save failed — ") + path + u": " + why});
    // The next pick that goes through clears it.
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString picture = vsp::test::testHome() + QStringLiteral("/red.png");
    QVERIFY(image.save(picture));
    d.addImages({QUrl::fromLocalFile(picture)});
    QCOMPARE(d.m_edit.imageFilenames.size(), 1);
    QVERIFY(notice->isHidden());
}

void EntryDetailViewTest::photosAddedWhileEditing_sectionComesInPicturingThemAsTheyArrive()
{
    Journal j;
    EntryDetailView& d = j.detail();
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(QColor(230, 20, 20));
    const QString source = vsp::test::testHome() + QStringLiteral("/red.png");
    QVERIFY(image.save(source));
    d.startEditing();
    viewfixtures::finishAnimations(&j.window);
    vsp::setAnimationsEnabled(true);
    auto* section = qobject_cast<TransitionSlot*>(vsp::test::child<QWidget>(d, QStringLiteral("editPhotoSection")));
    QVERIFY(section);
    const auto reds = [section] {
        const QImage shot = section->grab().toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QColor p = shot.pixelColor(x, y);
                n += p.alpha() > 60 && p.red() > 150 && p.green() < 100 ? 1 : 0;
            }
        }
        return n;
    };
    // The photo decodes slowly: the section comes in pictured with the placeholder, and shows the
    // photo as soon as it is there, before the motion ends.
    viewfixtures::PhotoThreadsHeld held;
    d.addImages({QUrl::fromLocalFile(source)});
    QVERIFY(section->isTransitioning());
    // The section's motion stands still half-way until the photo is there, however late the decoding
    // thread gets its turn on a loaded machine; the motion's own clock is not what is tested.
    auto* progress = section->findChild<vsp::SpringValue*>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(progress);
    const QList<QAbstractAnimation*> motion = progress->findChildren<QAbstractAnimation*>();
    QVERIFY(!motion.isEmpty());
    for (QAbstractAnimation* animation : motion) {
        animation->pause();
        animation->setCurrentTime(animation->duration() / 2);
    }
    QCOMPARE(reds(), 0);
    held.release();
    QTRY_VERIFY(reds() > 0);
    QVERIFY(section->isTransitioning());
    for (QAbstractAnimation* animation : motion) {
        animation->resume();
    }
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(!section->isTransitioning());
    QVERIFY(reds() > 0);
}

void EntryDetailViewTest::editPhotos_fitTheWindow_withoutAnEmptyBandAbove()
{
    Journal j;
    EntryDetailView& d = j.detail();
    const std::optional<QString> name = j.giveAPhoto(QSize(1200, 800));
    QVERIFY(name);
    d.startEditing();
    viewfixtures::finishAnimations(&j.window);
    QWidget* section = vsp::test::child<QWidget>(d, QStringLiteral("editPhotoSection"));
    auto* gallery = section->findChild<ImageGalleryView*>();
    QVERIFY(gallery);
    QTRY_VERIFY(!gallery->thumbnailViews().isEmpty() && !gallery->thumbnailViews().first()->imageView()->isLoading());
    for (int round = 0; round < 6; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    // A full-width photo is taller than the strip may be.
    QVERIFY(gallery->contentHeight() > section->height());

    // The whole section, its Images button included, shows in the window without scrolling the page.
    QWidget* photos = section->parentWidget();
    QScrollArea* page = nullptr;
    for (QScrollArea* area : d.findChildren<QScrollArea*>()) {
        if (area->widget()->isAncestorOf(photos)) {
            page = area;
        }
    }
    QVERIFY(page);
    const int bottom = photos->mapTo(page->viewport(), QPoint(0, photos->height())).y();
    QVERIFY2(bottom <= page->viewport()->height(),
             qPrintable(QStringLiteral("%1 below %2").arg(bottom).arg(page->viewport()->height())));
    // While the photos are cut, the editor above keeps no room beyond its least height.
    QWidget* editorArea = d.findChild<QWidget*>(QStringLiteral("detailEditorArea"));
    QCOMPARE(editorArea->height(), editorArea->minimumHeight());

    // Without photos the section is its button alone, and the editor takes the room.
    d.removeImage(*name);
    viewfixtures::finishAnimations(&j.window);
    for (int round = 0; round < 6; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    QCOMPARE(photos->height(), photos->sizeHint().height());
    QVERIFY(editorArea->height() > 2 * editorArea->minimumHeight());
}

void EntryDetailViewTest::readPhoto_afterLeavingEditingWithAColdCache_keepsItsHeight_data()
{
    QTest::addColumn<bool>("focus");
    QTest::newRow("Edit, Done") << false;
    QTest::newRow("focus mode on, off") << true;
}

void EntryDetailViewTest::readPhoto_afterLeavingEditingWithAColdCache_keepsItsHeight()
{
    QFETCH(bool, focus);
    Journal j;
    EntryDetailView& d = j.detail();
    const std::optional<QString> name = j.giveAPhoto(QSize(1200, 900));
    QVERIFY(name);
    // The read page's thumbnail heights once its photo has arrived and the page has laid out again.
    const auto settledHeights = [&d] {
        ImageGalleryView* gallery = nullptr;
        for (ImageGalleryView* g : d.findChildren<ImageGalleryView*>()) {
            gallery = g->isVisible() && !g->thumbnailViews().isEmpty() ? g : gallery;
        }
        if (!gallery) {
            return QList<int>{};
        }
        ImageThumbnail* thumb = gallery->thumbnailViews().first();
        if (!QTest::qWaitFor([thumb] { return !thumb->imageView()->isLoading(); })) {
            return QList<int>{};
        }
        // Each layout that holds the gallery settles in a round of its own.
        for (int round = 0; round < 6; ++round) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        }
        // The place the thumbnail stands in is what shows of it.
        return QList<int>{thumb->parentWidget()->height(), thumb->height(), thumb->imageView()->height()};
    };
    const QList<int> before = settledHeights();
    QCOMPARE(before.size(), 3);
    QVERIFY(before[2] > 300);
    vsp::photos::cache().clear();
    const QString path = *JournalStore::imageFilePath(j.a.id, *name);
    if (focus) {
        j.store.setFocusMode(true);
    } else {
        d.startEditing();
    }
    // The edit layout's own thumbnail fills the cache again before Done.
    (void)QTest::qWaitFor([&path] { return !vsp::photos::cachedThumbnail(path).isNull(); });
    if (focus) {
        j.store.setFocusMode(false);
    } else {
        d.saveEdits();
    }
    QCOMPARE(d.layout(), EntryDetailView::Layout::Read);
    QCOMPARE(settledHeights(), before);
}

void EntryDetailViewTest::hugeBody_firstPaintLaysOutItsStart_laterTheWholeHeight()
{
    Journal j;
    EntryDetailView& d = j.detail();
    // Paragraphs of a thousand characters, and one of short lines longer than a slice.
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (int p = 0; p < 160; ++p) {
        cursor.insertText(QStringLiteral("Heading %1 ").arg(p), bold);
        cursor.insertText(QStringLiteral("one more quiet morning by the river ").repeated(27), QTextCharFormat());
        cursor.insertText(p == 80 ? QStringLiteral("\nshort line of a long list").repeated(1000) : QString());
        cursor.insertText(QStringLiteral("\n\n"));
    }
    JournalEntry huge = makeEntry(QStringLiteral("Huge"), document.toPlainText());
    huge.bodyRTF = vsp::rtf::writeRtf(document);
    QVERIFY(huge.body.size() > 10 * BodyTextView::kSliceCharacters);
    j.store.addEntry(huge);
    j.store.setSelectedEntryID(huge.id);
    BodyTextView* body = vsp::test::child<BodyTextView>(d, QStringLiteral("detailBodyText"));
    QVERIFY(body->isRich());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    j.window.repaint();
    QVERIFY(body->laidOutCharacters() > 0);
    QVERIFY(body->laidOutCharacters() < body->characterCount() / 4);

    // The rest comes between frames.
    for (int turn = 0; turn < 10000 && body->laidOutCharacters() < body->characterCount(); ++turn) {
        QCoreApplication::processEvents();
    }
    QCOMPARE(body->laidOutCharacters(), body->characterCount());
    settleLayouts();
    BodyTextView whole;
    whole.setSliceCharacters(std::numeric_limits<int>::max());
    AppSettings settings;
    whole.setContent(huge.body, huge.bodyRTF, huge.fontDesign, settings.readingFontSize(), settings.writingFontSize());
    QCOMPARE(body->height(), whole.heightForWidth(body->width()));
}

void EntryDetailViewTest::narrowWindow_readPage_prefersItsHeightAtTheWidthItHas()
{
    Journal j;
    EntryDetailView& d = j.detail();
    j.window.resize(j.window.minimumSize());
    settleLayouts();
    BodyTextView* body = vsp::test::child<BodyTextView>(d, QStringLiteral("detailBodyText"));
    QVERIFY(body->width() < 680);
    // The layouts ask the page's and the body's preferred heights on every change: at the width they
    // have, so a long body is not laid out again at the 680 pixels it is not shown at.
    const JournalEntry longer =
        makeEntry(QStringLiteral("Longer"), QStringLiteral("one more quiet morning by the river ").repeated(60));
    BodyTextView alone;
    alone.resize(300, 100);
    AppSettings settings;
    alone.setContent(longer.body, std::nullopt, longer.fontDesign, settings.readingFontSize(),
                     settings.writingFontSize());
    const int preferred = alone.sizeHint().height();
    QCOMPARE(preferred, alone.heightForWidth(300));
    j.store.addEntry(longer);
    j.store.setSelectedEntryID(longer.id);
    settleLayouts();
    QWidget* page = scrollAreaOf(body)->widget();
    const int pagePreferred = page->sizeHint().height();
    QCOMPARE(pagePreferred, page->heightForWidth(page->width()));
    QCOMPARE(body->height(), body->heightForWidth(body->width()));
}

void EntryDetailViewTest::tallBody_scrolledToTheEnd_showsItsLastLine()
{
    Journal j;
    EntryDetailView& d = j.detail();
    // Lines of one character: cheap to lay out, yet taller than the 524,287 pixels a layout gives an item
    // aligned within it, which a body of about a million characters reaches.
    JournalEntry tall = makeEntry(QStringLiteral("Tall"), QStringLiteral("x\n").repeated(20000) + u'z');
    j.store.addEntry(tall);
    j.store.setSelectedEntryID(tall.id);
    BodyTextView* body = vsp::test::child<BodyTextView>(d, QStringLiteral("detailBodyText"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    for (int turn = 0; turn < 10000 && body->laidOutCharacters() < body->characterCount(); ++turn) {
        QCoreApplication::processEvents();
    }
    QCOMPARE(body->laidOutCharacters(), body->characterCount());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QVERIFY(body->height() > QLAYOUTSIZE_MAX);
    QCOMPARE(body->height(), body->heightForWidth(body->width()));

    QScrollArea* area = scrollAreaOf(body);
    QVERIFY(area);
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    // The body's last line sits inside the viewport, above the related entries below it.
    QVERIFY2(endInView(*area, *body), qPrintable(QString::number(body->height())));
}

void EntryDetailViewTest::longBody_scrolledToTheEnd_staysThereWhileItIsLaidOut()
{
    Journal j;
    EntryDetailView& d = j.detail();
    BodyTextView* body = vsp::test::child<BodyTextView>(d, QStringLiteral("detailBodyText"));
    body->setSliceCharacters(2000);
    // One line, narrow letters first and wide ones at the end: the first slice tells little of the rest.
    const JournalEntry giant = makeEntry(QStringLiteral("Wide end"), QStringLiteral("il ").repeated(8000)
                                                                         + QStringLiteral("WM ").repeated(8000) + u'.');
    j.store.addEntry(giant);
    j.store.setSelectedEntryID(giant.id);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QVERIFY(body->laidOutCharacters() < body->characterCount());
    QScrollArea* area = scrollAreaOf(body);
    QVERIFY(area);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    QVERIFY(endInView(*area, *body));
    // As what is drawn and then the rest are laid out, the end stays where the user went.
    for (int turn = 0; turn < 10000 && body->laidOutCharacters() < body->characterCount(); ++turn) {
        area->viewport()->repaint();
        QVERIFY2(endInView(*area, *body), qPrintable(QString::number(turn)));
        QCoreApplication::processEvents();
    }
    QCOMPARE(body->laidOutCharacters(), body->characterCount());
    QVERIFY(endInView(*area, *body));
}

void EntryDetailViewTest::oneParagraphGiant_readsAndEditsAsStored()
{
    Journal j;
    EntryDetailView& d = j.detail();
    // No line break at all, over two slices long: a pasted transcript.
    JournalEntry giant = makeEntry(QStringLiteral("Transcript"),
                                   vsp::test::oneLineOfSentences(2 * BodyTextView::kSliceCharacters + 100));
    const QString text = giant.body.toString();
    QTextDocument written;
    written.setPlainText(text);
    giant.bodyRTF = vsp::rtf::writeRtf(written);
    j.store.addEntry(giant);
    j.store.setSelectedEntryID(giant.id);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    BodyTextView* body = vsp::test::child<BodyTextView>(d, QStringLiteral("detailBodyText"));
    QVERIFY(body->isRich());
    QCOMPARE(body->paragraphTexts(), QStringList{text});
    // Read a slice at a time, in display blocks, the text as it is.
    const QString first = vsp::editor::plainTextOf(body->document());
    QVERIFY(body->document().blockCount() > 1);
    QVERIFY(first.size() <= BodyTextView::kSliceCharacters && text.startsWith(first));

    // Edited and left untouched, the entry keeps its stored body and RTF to the byte.
    d.startEditing();
    d.saveEdits();
    QCOMPARE(onDisk(giant.id)->body.toString(), text);
    QCOMPARE(onDisk(giant.id)->bodyRTF, giant.bodyRTF);

    // Words typed at the start of a display block land there in the body and in its RTF.
    d.startEditing();
    QTextEdit* view = vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->textView();
    const int at = view->document()->findBlockByNumber(2).position();
    QTextCursor caret = view->textCursor();
    caret.setPosition(at);
    view->setTextCursor(caret);
    QTest::keyClicks(view, QStringLiteral("Typed here. "));
    d.saveEdits();
    QString expected = text;
    // Two display breaks before it, which stand for nothing.
    expected.insert(at - 2, QStringLiteral("Typed here. "));
    QCOMPARE(onDisk(giant.id)->body.toString(), expected);
    QTextDocument reread;
    QVERIFY(vsp::rtf::readRtf(*onDisk(giant.id)->bodyRTF, reread));
    QCOMPARE(reread.blockCount(), 1);
    QCOMPARE(vsp::editor::plainTextOf(reread), expected);
}

void EntryDetailViewTest::storedTab_drawsAsAGap_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("rich");
    QTest::newRow("read, plain") << false << false;
    QTest::newRow("read, rich") << false << true;
    QTest::newRow("edit, plain") << true << false;
    QTest::newRow("edit, rich") << true << true;
}

void EntryDetailViewTest::storedTab_drawsAsAGap()
{
    QFETCH(bool, editing);
    QFETCH(bool, rich);
    Journal j;
    EntryDetailView& d = j.detail();
    JournalEntry tabbed = makeEntry(QStringLiteral("Tabbed"), QStringLiteral("a\tb"));
    if (rich) {
        QTextDocument document;
        document.setPlainText(tabbed.body);
        tabbed.bodyRTF = vsp::rtf::writeRtf(document);
    }
    j.store.addEntry(tabbed);
    j.store.setSelectedEntryID(tabbed.id);
    if (editing) {
        d.startEditing();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QTextDocument& document =
        editing ? *vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->textView()->document()
                : vsp::test::child<BodyTextView>(d, QStringLiteral("detailBodyText"))->document();
    QCOMPARE(document.firstBlock().text(), QStringLiteral("a\tb"));
    (void)document.size();
    const QTextLine line = document.firstBlock().layout()->lineAt(0);
    QVERIFY(line.isValid());
    // Out to the next tab stop: wider than two spaces, where a tab drawn as nothing or as one glyph is not.
    const qreal gap = line.cursorToX(2) - line.cursorToX(1);
    const qreal space = QFontMetricsF(document.defaultFont()).horizontalAdvance(u' ');
    QVERIFY2(gap > 2 * space, qPrintable(QStringLiteral("%1 against a space of %2").arg(gap).arg(space)));
}

void EntryDetailViewTest::imageDrop_onlyWhileEditing_onlyReadableImages()
{
    Journal j;
    EntryDetailView& d = j.detail();
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const QString picture = vsp::test::testHome() + QStringLiteral("/blue.png");
    QVERIFY(image.save(picture));
    const QString text = vsp::test::testHome() + QStringLiteral("/notes.png");
    QFile fake(text);
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write("not an image at all");
    fake.close();
    QMimeData mime;
    mime.setUrls(
        {QUrl::fromLocalFile(text), QUrl::fromLocalFile(picture), QUrl(QStringLiteral("https://example.org/x.png"))});
    QCOMPARE(EntryDetailView::acceptableImageFiles(&mime), QStringList{picture});
    auto drop = [&] { return d.takeDrop(&mime); };
    QVERIFY(!drop());
    QVERIFY(d.m_edit.imageFilenames.isEmpty());
    d.startEditing();
    QVERIFY(drop());
    QCOMPARE(d.m_edit.imageFilenames.size(), 1);
    d.saveEdits();
    QCOMPARE(onDisk(j.a.id)->imageFilenames, d.m_edit.imageFilenames);
}

void EntryDetailViewTest::editLayout_tabLeavesBodyForAttachments_ctrlTabTypesTab()
{
    Journal j;
    EntryDetailView& d = j.detail();
    d.startEditing();
    QApplication::setActiveWindow(&j.window);
    QVERIFY(QTest::qWaitForWindowActive(&j.window));
    QWidget* body = vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->textView();
    body->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(body, Qt::Key_End, Qt::ControlModifier);
    // Tab leaves the text for what lies below it (the photos' button), not for the fields above.
    QTest::keyClick(body, Qt::Key_Tab);
    QCOMPARE(vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->plainText(),
             QStringLiteral("first body"));
    QVERIFY2(qobject_cast<ImagePickerButton*>(QApplication::focusWidget()),
             qPrintable(viewfixtures::describe(QApplication::focusWidget())));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(body->hasFocus());
    QTest::keyClick(body, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->plainText(),
             QStringLiteral("first body\t"));
    // Round the window from the body: the column's fields from the top (the title, the tag's cross, the
    // tag field, the format bar), and the body again after the format bar.
    const QList<QWidget*> chain = viewfixtures::tabChain(&j.window);
    const auto at = [&chain](const QString& name) {
        for (qsizetype i = 0; i < chain.size(); ++i) {
            if (chain[i]->objectName() == name || viewfixtures::accessibleName(chain[i]) == name) {
                return int(i);
            }
        }
        return -1;
    };
    QVERIFY(at(QStringLiteral("Add expiration")) >= 0);
    QVERIFY(at(QStringLiteral("Add expiration")) < at(QStringLiteral("detailTitleField")));
    QVERIFY(at(QStringLiteral("detailTitleField")) < at(QStringLiteral("Remove tag walk")));
    QVERIFY(at(QStringLiteral("Remove tag walk")) < at(QStringLiteral("detailTagField")));
    QVERIFY(at(QStringLiteral("detailTagField")) < at(QStringLiteral("format:size:26")));
    QCOMPARE(chain.last()->objectName(), QStringLiteral("design:mono"));
    // The frameless fields Tab reaches show the ring.
    for (const QString& name : {QStringLiteral("detailTitleField"), QStringLiteral("detailTagField")}) {
        chain.at(at(name))->setFocus(Qt::TabFocusReason);
        QVERIFY2(vsp::shownFocusRing(), qPrintable(name));
    }
}

void EntryDetailViewTest::ctrlBackspaceInATextField_deletesAWord_notTheEntry()
{
    Journal j;
    EntryDetailView& d = j.detail();
    int asked = 0;
    d.setConfirmation([&](const QString&) {
        ++asked;
        return false;
    });
    // The menu's command, as the application installs it.
    QAction remove(QStringLiteral("Delete Entry"), &j.window);
    remove.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Backspace));
    j.window.addAction(&remove);
    QObject::connect(&remove, &QAction::triggered, [] { Q_EMIT AppNotifications::instance().VspRequestDelete(); });
    d.startEditing();
    j.window.activateWindow();
    QLineEdit* title = vsp::test::child<QLineEdit>(d, QStringLiteral("detailTitleField"));
    title->setFocus();
    title->setText(QStringLiteral("Alpha beta"));
    title->end(false);
    QTest::keyClick(title, Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(title->text(), QStringLiteral("Alpha "));
    QWidget* body = vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->textView();
    body->setFocus();
    QTest::keyClick(body, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(body, Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->plainText(),
             QStringLiteral("first "));
    QCOMPARE(asked, 0);
    d.saveEdits();
    vsp::test::child<DetailToolbar>(d, QStringLiteral("detailToolbar"))->setFocus();
    QTest::keyClick(vsp::test::child<DetailToolbar>(d, QStringLiteral("detailToolbar")), Qt::Key_Backspace,
                    Qt::ControlModifier);
    QCOMPARE(asked, 1);
}

void EntryDetailViewTest::windowClosing_andTeardown_commit()
{
    {
        Journal j;
        j.detail().startEditing();
        j.typeTitle(QStringLiteral(" closed"));
        j.window.close();
        QCOMPARE(j.storedTitle(j.a.id), QStringLiteral("Alpha closed"));
    }
    QUuid shownID;
    {
        // A shown window destroyed with a tag left in the field.
        Journal j;
        shownID = j.a.id;
        j.detail().startEditing();
        QTest::keyClicks(vsp::test::child<EditableTagsView>(j.detail(), QStringLiteral("detailTags"))->tagField(),
                         QStringLiteral("left"));
    }
    QCOMPARE(onDisk(shownID)->tags, (QStringList{QStringLiteral("walk"), QStringLiteral("left")}));
    JournalStore store(fixtures::fixtureClock().function());
    MoodStore moods;
    const JournalEntry stored = *store.entry(store.entries().first().id);
    {
        EntryDetailView detail(store, moods, stored);
        detail.startEditing();
        vsp::test::child<QLineEdit>(detail, QStringLiteral("detailTitleField"))->setText(QString());
        QTest::keyClicks(vsp::test::child<QLineEdit>(detail, QStringLiteral("detailTitleField")),
                         QStringLiteral("Torn down"));
    }
    QCOMPARE(onDisk(stored.id)->title, QStringLiteral("Torn down"));
}

void EntryDetailViewTest::readLayout_showsPiecesOfTheStoredEntry()
{
    Journal j;
    EntryDetailView& d = j.detail();
    QCOMPARE(vsp::test::child<QLabel>(d, QStringLiteral("detailTitle"))->text(), QStringLiteral("Alpha"));
    QVERIFY(vsp::test::child<vsp::detail::StatusLineView>(d, QStringLiteral("detailStatus"))
                ->text()
                .contains(QStringLiteral("2 words")));
    QVERIFY(vsp::test::child<vsp::detail::StatusLineView>(d, QStringLiteral("detailStatus"))
                ->text()
                .contains(QStringLiteral("~1 min")));
    QVERIFY(!vsp::test::child<vsp::detail::ExpirationBadge>(d, QStringLiteral("expirationBadge"))->isVisibleTo(&d));
    QVERIFY(vsp::test::child<QWidget>(d, QStringLiteral("detailReadTags"))->isVisibleTo(&d));
    auto* chip = vsp::test::child<QWidget>(d, QStringLiteral("detailReadTags"))->findChild<GlassChipButton*>();
    QCOMPARE(chip->text(), QStringLiteral("#walk"));
    chip->click();
    QCOMPARE(j.store.selectedTag(), std::optional<QString>(QStringLiteral("walk")));
    // In focus mode without editing the tags, status line and related entries leave.
    QCOMPARE(vsp::test::child<BodyTextView>(d, QStringLiteral("detailBodyText"))->paragraphTexts(),
             QStringList{QStringLiteral("first body")});

    // A favourite leaves photos, voice notes (a playing one plays on) and tags in their widgets.
    JournalEntry withMedia = *j.store.entry(j.a.id);
    withMedia.imageFilenames = {QStringLiteral("a.jpg")};
    withMedia.audioClips = {AudioClip{QUuid::createUuid(), QStringLiteral("a.m4a"), 3, QString()}};
    j.store.updateEntry(withMedia);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<QPointer<QWidget>> shown = {
        d.findChild<ImageGalleryView*>(), d.findChild<AudioClipsView*>(),
        vsp::test::child<QWidget>(d, QStringLiteral("detailReadTags"))->findChild<GlassChipButton*>()};
    QVERIFY(!shown.contains(nullptr));
    j.store.toggleFavorite(*j.store.entry(j.a.id));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!shown.contains(nullptr));
}

void EntryDetailViewTest::editUnderMotion_savesAtOnce_keepsTypedText_data()
{
    QTest::addColumn<bool>("reduced");
    QTest::newRow("motion") << false;
    QTest::newRow("reduced motion") << true;
}

void EntryDetailViewTest::editUnderMotion_savesAtOnce_keepsTypedText()
{
    QFETCH(bool, reduced);
    Journal j;
    EntryDetailView& d = j.detail();
    vsp::setAnimationsEnabled(true);
    vsp::setMotionReduced(reduced);
    auto* edit = vsp::test::child<GlassChipButton>(d, QStringLiteral("editButton"));
    QTest::mouseClick(edit, Qt::LeftButton);
    QCOMPARE(d.layout(), EntryDetailView::Layout::Edit);
    QCOMPARE(!d.m_pageTransition.isNull(), !reduced);
    QCOMPARE(edit->isChangingLook(), !reduced);
    // Typed while the layouts still cross-fade: the words go into the field under the picture.
    j.typeTitle(QStringLiteral(" typed"));
    // Into focus mode while that still moves: the window's columns carry the old layout's picture away.
    j.store.setFocusMode(true);
    QCOMPARE(d.layout(), EntryDetailView::Layout::Focus);
    QVERIFY(!d.takeFocusChange());
    j.typeTitle(QStringLiteral(" more"));
    j.store.setFocusMode(false);
    QCOMPARE(j.storedTitle(j.a.id), QStringLiteral("Alpha typed more"));
    QCOMPARE(d.layout(), EntryDetailView::Layout::Read);
    QTest::mouseClick(edit, Qt::LeftButton);
    j.typeTitle(QStringLiteral("!"));
    QTest::mouseClick(edit, Qt::LeftButton);
    // Saved before anything has moved.
    QCOMPARE(j.storedTitle(j.a.id), QStringLiteral("Alpha typed more!"));
    QCOMPARE(d.layout(), EntryDetailView::Layout::Read);
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(d.m_pageTransition.isNull());
    QVERIFY(!edit->isChangingLook());
    QCOMPARE(edit->text(), QStringLiteral("Edit"));
    QCOMPARE(vsp::test::child<QLabel>(d, QStringLiteral("detailTitle"))->text(), QStringLiteral("Alpha typed more!"));
    // A change that leaves the layout as it is starts no motion.
    d.setEntry(*j.store.entry(j.a.id));
    QVERIFY(d.m_pageTransition.isNull());
}

void EntryDetailViewTest::focusModeUnderMotion_partsMoveWithTheirOwnSprings_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("columnsMove");
    QTest::addColumn<QList<double>>("springs"); // toolbar, overlay, page out, page in: response, damping
    QTest::newRow("toolbar, reading") << "toolbar" << false << true
                                      << QList<double>{0.4, 1, 0.4, 1, 0.45, 0.82, 0.3, 1};
    QTest::newRow("menu, editing, detail alone")
        << "menu on" << true << false << QList<double>{0.35, 1, 0.35, 1, 0.35, 1, 0.3, 1};
    QTest::newRow("overlay done") << "overlay" << true << true
                                  << QList<double>{0.35, 0.78, 0.35, 0.78, 0.3, 1, 0.25, 1};
    QTest::newRow("menu off, detail alone")
        << "menu off" << true << false << QList<double>{0.35, 1, 0.35, 1, 0.3, 1, 0.25, 1};
}

void EntryDetailViewTest::focusModeUnderMotion_partsMoveWithTheirOwnSprings()
{
    QFETCH(QString, trigger);
    QFETCH(bool, editing);
    QFETCH(bool, columnsMove);
    QFETCH(QList<double>, springs);
    Journal j;
    EntryDetailView& d = j.detail();
    ContentView& content = *j.window.contentView();
    if (!columnsMove) {
        vsp::test::child<ColumnVisibilityHolder>(content, QStringLiteral("columnVisibility"))
            ->setVisibility(ColumnVisibilityHolder::Visibility::DetailOnly);
    }
    if (editing) {
        d.startEditing();
    }
    const bool leaving = trigger == u"overlay" || trigger == u"menu off";
    j.store.setFocusMode(leaving);
    viewfixtures::finishAnimations(&j.window);
    vsp::setAnimationsEnabled(true);
    if (trigger == u"toolbar") {
        vsp::test::child<vsp::GlassButton>(d, QStringLiteral("focusButton"))->click();
    } else if (trigger == u"overlay") {
        vsp::test::child<QAbstractButton>(d, QStringLiteral("focusDone"))->click();
    } else {
        j.store.setFocusMode(!leaving);
    }
    // The store has the change and the layout stands at once; the parts move over it.
    QCOMPARE(d.layout(), leaving ? EntryDetailView::Layout::Read : EntryDetailView::Layout::Focus);
    QCOMPARE(!content.m_columnTransition.isNull(), columnsMove);
    QCOMPARE(!d.m_focusTransition.isNull(), !columnsMove);
    // Painted by whichever shows it: with the columns, the window carries it on its own.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto motion = d.m_lastFocusChange.lock();
    QVERIFY(motion);
    using Part = vsp::detail::FocusChangeMotion::Part;
    const QList<vsp::Spring> expected{
        {springs[0], springs[1]}, {springs[2], springs[3]}, {springs[4], springs[5]}, {springs[6], springs[7]}};
    const QList<vsp::Spring> actual{motion->outSpring(Part::Toolbar), motion->outSpring(Part::Overlay),
                                    motion->outSpring(Part::Page), motion->inSpring(Part::Page)};
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QCOMPARE(actual[i].response, expected[i].response);
        QCOMPARE(actual[i].dampingFraction, expected[i].dampingFraction);
    }
    // Midway the layout that goes and the one that comes each stand where their own spring has them.
    QTRY_VERIFY(columnsMove ? content.m_columnTransition->isMoving() : d.m_focusTransition->isMoving());
    QVERIFY(motion->oldOpacity(Part::Page, 150) != 1.0 - motion->newOpacity(Part::Page, 150));
    motion.reset();
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(content.m_columnTransition.isNull());
    QVERIFY(d.m_focusTransition.isNull());
    QVERIFY(!d.m_lastFocusChange.lock());
    QCOMPARE(vsp::test::child<DetailToolbar>(d, QStringLiteral("detailToolbar"))->isVisible(), leaving);
    QCOMPARE(vsp::test::child<vsp::detail::FocusOverlay>(d, QStringLiteral("focusOverlay"))->isVisible(), !leaving);
}

void EntryDetailViewTest::floatingBar_sitsAboveTheSelection_elseWhereItsLayoutSays_data()
{
    QTest::addColumn<bool>("focus");
    QTest::addColumn<int>("line");
    QTest::newRow("column, first line") << false << 0;
    QTest::newRow("column, third line") << false << 2;
    QTest::newRow("focus mode, first line") << true << 0;
    QTest::newRow("focus mode, third line") << true << 2;
}

void EntryDetailViewTest::floatingBar_sitsAboveTheSelection_elseWhereItsLayoutSays()
{
    QFETCH(bool, focus);
    QFETCH(int, line);
    Journal j;
    EntryDetailView& d = j.detail();
    JournalEntry lines =
        makeEntry(QStringLiteral("Lines"), QStringLiteral("one two\nthree four\nfive six\nseven eight"));
    j.store.addEntry(lines);
    j.store.setSelectedEntryID(lines.id);
    d.startEditing();
    j.store.setFocusMode(focus);
    viewfixtures::finishAnimations(&j.window);
    QTextEdit* view = vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->textView();
    view->setFocus();
    QTextCursor cursor(view->document()->findBlockByNumber(line));
    cursor.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    FloatingFormatBar* bar = vsp::test::child<FloatingFormatBar>(d, QStringLiteral("floatingFormatBar"));
    QTRY_VERIFY(bar->isVisible());
    viewfixtures::finishAnimations(&j.window);
    // The selected line's vertical span in the bar's host.
    const QRect r = view->cursorRect(QTextCursor(view->document()->findBlockByNumber(line)));
    const int top = view->viewport()->mapTo(bar->parentWidget(), r.topLeft()).y();
    const int bottom = top + r.height();
    const int glassTop = bar->anchor().y();
    const int glassBottom = glassTop + bar->glassHeight();
    const auto near = [](int a, int b) { return std::abs(a - b) <= 2; };
    const QString where = QStringLiteral("glass %1-%2, line %3-%4").arg(glassTop).arg(glassBottom).arg(top).arg(bottom);
    if (top - 8 - bar->glassHeight() >= 0) {
        // With room above, 8 pixels above the selection, by the glass's real height.
        QVERIFY2(near(glassBottom, top - 8), qPrintable(where));
    } else if (focus) {
        // Focus mode (as New Entry): 8 pixels below the selection.
        QVERIFY2(near(glassTop, bottom + 8), qPrintable(where));
    } else {
        // The column: at the top, over the text.
        QVERIFY2(glassTop == 0, qPrintable(where));
    }
    QCOMPARE(line == 0, top - 8 - bar->glassHeight() < 0);
}

void EntryDetailViewTest::floatingBar_columnScalesItsWayOut_focusTakesItAtOnce_data()
{
    QTest::addColumn<bool>("focus");
    QTest::newRow("column") << false;
    QTest::newRow("focus mode") << true;
}

void EntryDetailViewTest::floatingBar_columnScalesItsWayOut_focusTakesItAtOnce()
{
    QFETCH(bool, focus);
    Journal j;
    EntryDetailView& d = j.detail();
    d.startEditing();
    j.store.setFocusMode(focus);
    viewfixtures::finishAnimations(&j.window);
    vsp::setAnimationsEnabled(true);
    QTextEdit* view = vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->textView();
    view->setFocus();
    const auto select = [view](int from, int to) {
        QTextCursor cursor = view->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        view->setTextCursor(cursor);
    };
    select(0, 5);
    QTRY_VERIFY(vsp::test::child<FloatingFormatBar>(d, QStringLiteral("floatingFormatBar"))->isVisible());
    QCOMPARE(vsp::test::child<FloatingFormatBar>(d, QStringLiteral("floatingFormatBar"))->hostScale() < 1.0, !focus);
    viewfixtures::finishAnimations(&j.window);
    QCOMPARE(vsp::test::child<FloatingFormatBar>(d, QStringLiteral("floatingFormatBar"))->hostScale(), 1.0);
    select(3, 3);
    QTRY_VERIFY(vsp::test::child<FloatingFormatBar>(d, QStringLiteral("floatingFormatBar"))->isLeaving()
                || vsp::test::child<FloatingFormatBar>(d, QStringLiteral("floatingFormatBar"))->isHidden());
    QCOMPARE(vsp::test::child<FloatingFormatBar>(d, QStringLiteral("floatingFormatBar"))->isHidden(), focus);
    if (!focus) {
        QTRY_VERIFY(vsp::test::child<FloatingFormatBar>(d, QStringLiteral("floatingFormatBar"))->hostScale() < 1.0);
        viewfixtures::finishAnimations(&j.window);
        QVERIFY(vsp::test::child<FloatingFormatBar>(d, QStringLiteral("floatingFormatBar"))->isHidden());
    }
}

void EntryDetailViewTest::picturedLook_pieceComesDownFromTheTopEdge_data()
{
    QTest::addColumn<double>("progress");
    QTest::addColumn<int>("pieceTop"); // -1: out of sight
    QTest::addColumn<bool>("pieceOnly");
    QTest::newRow("above the edge") << 0.0 << -1 << false;
    QTest::newRow("halfway") << 0.5 << 10 << false;
    QTest::newRow("in place") << 1.0 << 40 << false;
    // Only the piece pictured, for a layout that paints itself beneath.
    QTest::newRow("piece only, halfway") << 0.5 << 10 << true;
    QTest::newRow("piece only, in place") << 1.0 << 40 << true;
}

void EntryDetailViewTest::picturedLook_pieceComesDownFromTheTopEdge()
{
    // A format bar 20 high standing 40 below the layout's top travels its whole reach, 60, above it.
    QFETCH(double, progress);
    QFETCH(int, pieceTop);
    QFETCH(bool, pieceOnly);
    QWidget page;
    page.resize(100, 100);
    auto* piece = new QWidget(&page);
    piece->setGeometry(10, 40, 30, 20);
    piece->setStyleSheet(QStringLiteral("background: red;"));
    piece->setAttribute(Qt::WA_StyledBackground);
    page.show();
    const auto look = pieceOnly ? vsp::detail::PicturedLook::pieceOf(&page, piece->geometry())
                                : vsp::detail::PicturedLook::of(&page, piece->geometry());
    QImage frame(page.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    {
        QPainter p(&frame);
        look.paint(p, QPointF(0, 0), 1.0, progress);
    }
    for (const int y : {5, 15, 45, 55}) {
        const bool red = pieceTop >= 0 && y >= pieceTop && y < pieceTop + 20;
        QCOMPARE(frame.pixelColor(20, y) == QColor(Qt::red), red);
    }
}

namespace {

/// A page in one colour that counts its paints.
class CountedPage final : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

    QColor colour = Qt::blue;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        QPainter(this).fillRect(rect(), colour);
    }
};

} // namespace

void EntryDetailViewTest::picturedLookShown_copiesTheFrameWithoutPainting_data()
{
    QTest::addColumn<bool>("covered");
    QTest::addColumn<bool>("withPiece");
    QTest::newRow("as shown") << false << false;
    QTest::newRow("piece travels apart") << false << true;
    // A picture of the frame would hold the widget over it: there is none.
    QTest::newRow("under another widget") << true << false;
}

void EntryDetailViewTest::picturedLookShown_copiesTheFrameWithoutPainting()
{
    QFETCH(bool, covered);
    QFETCH(bool, withPiece);
    QWidget window;
    window.resize(200, 160);
    auto* page = new CountedPage(&window);
    page->setGeometry(20, 30, 100, 100);
    auto* piece = new QWidget(page);
    piece->setGeometry(10, 40, 30, 20);
    piece->setStyleSheet(QStringLiteral("background: red;"));
    piece->setAttribute(Qt::WA_StyledBackground);
    auto* above = new QWidget(&window);
    above->setGeometry(100, 0, 50, 50);
    above->setVisible(covered);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(page->paints > 0);
    const int paints = page->paints;
    const auto look =
        vsp::detail::PicturedLook::shownOf(page, withPiece ? std::optional<QRect>(piece->geometry()) : std::nullopt);
    QCOMPARE(look.isNull(), covered);
    if (covered) {
        return;
    }
    // Only a travelling piece is painted afresh, over transparency.
    QCOMPARE(page->paints, paints + (withPiece ? 1 : 0));
    QVERIFY(look.opaque);
    QCOMPARE(look.at, page->pos());
    QCOMPARE(look.rest.size() / look.rest.devicePixelRatio(), page->size());
    const QImage rest = look.rest.toImage();
    const qreal dpr = look.rest.devicePixelRatio();
    const auto at = [&](int x, int y) { return rest.pixelColor(QPoint(x, y) * dpr); };
    QCOMPARE(at(5, 5), QColor(Qt::blue));
    // The piece's place in the picture: the frame's red, or a hole with the piece pictured apart.
    QCOMPARE(at(20, 50), withPiece ? QColor(Qt::transparent) : QColor(Qt::red));
    QCOMPARE(look.piece.isNull(), !withPiece);
    if (withPiece) {
        QCOMPARE(look.pieceRect, piece->geometry());
        QCOMPARE(look.piece.toImage().pixelColor(QPoint(5, 5) * dpr), QColor(Qt::red));
    }
}

void EntryDetailViewTest::picturedLookShown_keptBuffer_neverOverwritesAHeldLook()
{
    QWidget window;
    window.resize(200, 160);
    auto* page = new CountedPage(&window);
    page->setGeometry(20, 30, 100, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(page->paints > 0);
    QPixmap buffer;
    auto held = std::make_optional(vsp::detail::PicturedLook::shownOf(page, std::nullopt, &buffer));
    const auto colourOf = [](const vsp::detail::PicturedLook& look) {
        return look.rest.toImage().pixelColor(QPoint(5, 5) * look.rest.devicePixelRatio());
    };
    QCOMPARE(colourOf(*held), QColor(Qt::blue));
    const int paints = page->paints;
    page->colour = Qt::green;
    page->update();
    QTRY_VERIFY(page->paints > paints);
    // The first look still moves: the second is copied elsewhere.
    auto second = std::make_optional(vsp::detail::PicturedLook::shownOf(page, std::nullopt, &buffer));
    QCOMPARE(colourOf(*held), QColor(Qt::blue));
    QCOMPARE(colourOf(*second), QColor(Qt::green));
    const uchar* secondPixels = second->rest.toImage().constBits();
    QVERIFY(held->rest.toImage().constBits() != secondPixels);
    // Once no look holds the kept picture, the next one is copied into it.
    held.reset();
    second.reset();
    const vsp::detail::PicturedLook third = vsp::detail::PicturedLook::shownOf(page, std::nullopt, &buffer);
    QCOMPARE(third.rest.toImage().constBits(), secondPixels);
    QCOMPARE(colourOf(third), QColor(Qt::green));
}

void EntryDetailViewTest::tagRemovedUnderMotion_restOfTheFlowTakesItsPlace()
{
    Journal j;
    EntryDetailView& d = j.detail();
    d.startEditing();
    EditableTagsView* tags = vsp::test::child<EditableTagsView>(d, QStringLiteral("detailTags"));
    auto* flow = vsp::test::child<FlowLayout>(*tags, QStringLiteral("tagFlow"));
    vsp::setAnimationsEnabled(true);
    QTest::keyClicks(tags->tagField(), QStringLiteral("garden"));
    QTest::keyClick(tags->tagField(), Qt::Key_Return);
    viewfixtures::finishAnimations(&j.window);
    QCOMPARE(tags->tagChips().size(), 2);
    QWidget* second = tags->tagChips().at(1)->parentWidget();
    const QPoint firstPlace = tags->tagChips().at(0)->parentWidget()->pos();
    QVERIFY(second->x() > firstPlace.x());
    tags->tagChips().first()->removeButton()->click();
    // The copies change at once; the chip leaves and the others glide.
    QCOMPARE(d.m_edit.tags, QStringList{QStringLiteral("garden")});
    QCOMPARE(tags->tagChips().size(), 1);
    QVERIFY(flow->isGliding());
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(!flow->isGliding());
    QCOMPARE(flow->count(), 2);
    QCOMPARE(second->pos(), firstPlace);
    d.saveEdits();
    QCOMPARE(onDisk(j.a.id)->tags, QStringList{QStringLiteral("garden")});
}

void EntryDetailViewTest::expirationUnderMotion_dayEditorEndsShownThenGone_data()
{
    QTest::addColumn<bool>("reduced");
    QTest::newRow("motion") << false;
    QTest::newRow("reduced motion") << true;
}

void EntryDetailViewTest::expirationUnderMotion_dayEditorEndsShownThenGone()
{
    QFETCH(bool, reduced);
    Journal j;
    EntryDetailView& d = j.detail();
    d.startEditing();
    vsp::setAnimationsEnabled(true);
    vsp::setMotionReduced(reduced);
    auto* toggle = vsp::test::child<GlassChipButton>(d, QStringLiteral("expirationToggle"));
    auto* dateSlot = vsp::test::child<TransitionSlot>(d, QStringLiteral("expirationDateSlot"));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(d.m_edit.hasExpiration);
    QCOMPARE(dateSlot->isTransitioning(), !reduced);
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(vsp::test::child<QDateEdit>(d, QStringLiteral("expirationDate"))->isVisible());
    QVERIFY(!dateSlot->isTransitioning());
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(!d.m_edit.hasExpiration);
    viewfixtures::finishAnimations(&j.window);
    QVERIFY(dateSlot->isHidden());
    QCOMPARE(toggle->text(), QStringLiteral("Add expiration"));
}

void EntryDetailViewTest::unchangedEdit_leavesTheJournalFileAlone()
{
    Journal j;
    EntryDetailView& d = j.detail();
    d.startEditing();
    j.typeTitle(QStringLiteral("!"));
    d.saveEdits();
    QCOMPARE(j.storedTitle(j.a.id), QStringLiteral("Alpha!"));
    const QByteArray before = entriesFile();
    QSignalSpy changes(&j.store, &JournalStore::entriesChanged);
    // Edited and saved again without a change, by Done and by moving to another entry.
    d.startEditing();
    d.saveEdits();
    d.startEditing();
    j.store.setSelectedEntryID(j.b.id);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(entriesFile(), before);
    // A tag is a change like any other.
    d.startEditing();
    QTest::keyClicks(vsp::test::child<EditableTagsView>(d, QStringLiteral("detailTags"))->tagField(),
                     QStringLiteral("new"));
    d.saveEdits();
    QCOMPARE(onDisk(j.b.id)->tags, (QStringList{QStringLiteral("walk"), QStringLiteral("new")}));
}

void EntryDetailViewTest::leavingAnUntouchedEdit_neverRewritesTheEntry_data()
{
    QTest::addColumn<bool>("focusMode");
    QTest::newRow("Edit, Done") << false;
    QTest::newRow("focus mode on and off") << true;
}

void EntryDetailViewTest::leavingAnUntouchedEdit_neverRewritesTheEntry()
{
    QFETCH(bool, focusMode);
    Journal j;
    EntryDetailView& d = j.detail();
    QSignalSpy changes(&j.store, &JournalStore::entriesChanged);
    // A plain entry, as quick capture or an import leaves it: the editor makes RTF for it on loading.
    QVERIFY(!j.store.entry(j.a.id)->bodyRTF);
    if (focusMode) {
        j.store.setFocusMode(true);
        QVERIFY(d.isEditing());
        j.store.setFocusMode(false);
    } else {
        d.startEditing();
        d.saveEdits();
    }
    QVERIFY(!d.isEditing());
    QCOMPARE(changes.count(), 0);
    QCOMPARE(*j.store.entry(j.a.id), j.a);
}

void EntryDetailViewTest::focusModeUnderTheLock_neitherEditsNorWrites()
{
    Journal j;
    EntryDetailView& d = j.detail();
    QSignalSpy changes(&j.store, &JournalStore::entriesChanged);
    j.lock();
    // F11 twice under the cover: the covered detail is neither opened for editing nor committed.
    j.store.setFocusMode(true);
    QVERIFY(!d.isEditing());
    QCOMPARE(d.layout(), EntryDetailView::Layout::Read);
    j.store.setFocusMode(false);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(*j.store.entry(j.a.id), j.a);
    // Focus mode chosen under the cover takes effect once the journal is open.
    j.store.setFocusMode(true);
    QVERIFY(!d.isEditing());
    j.store.setIsLocked(false);
    QVERIFY(d.isEditing());
    QCOMPARE(d.layout(), EntryDetailView::Layout::Focus);
}

void EntryDetailViewTest::doneByKeyboard_givesTheKeyboardToEdit_data()
{
    QTest::addColumn<bool>("fromButton");
    QTest::newRow("Done pressed") << true;
    QTest::newRow("Ctrl+E in the text") << false;
}

void EntryDetailViewTest::doneByKeyboard_givesTheKeyboardToEdit()
{
    QFETCH(bool, fromButton);
    Journal j;
    EntryDetailView& d = j.detail();
    j.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&j.window));
    auto* edit = vsp::test::child<QAbstractButton>(d, QStringLiteral("editButton"));
    edit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(edit, Qt::Key_Space);
    QVERIFY(d.isEditing());
    viewfixtures::finishAnimations(&j.window);
    if (fromButton) {
        edit->setFocus(Qt::TabFocusReason);
        QTest::keyClick(edit, Qt::Key_Space);
    } else {
        QTextEdit* text = vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->textView();
        text->setFocus(Qt::TabFocusReason);
        d.toggleEdit();
    }
    QVERIFY(!d.isEditing());
    viewfixtures::finishAnimations(&j.window);
    // Not the read page's photo or tag: the page does not scroll away from where it was.
    QVERIFY(edit->hasFocus());
}

void EntryDetailViewTest::keysWhileReading_neverReachTheEditor()
{
    Journal j;
    EntryDetailView& d = j.detail();
    j.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&j.window));
    QVERIFY(!vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->isVisible());
    // Keys go wherever the window's focus is: never into the body of the next edit.
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return, Qt::Key_X}) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &j.window, key);
    }
    d.startEditing();
    QCOMPARE(vsp::test::child<FormattableTextEditor>(d, QStringLiteral("detailBody"))->plainText(), j.a.body);
    d.saveEdits();
    QCOMPARE(onDisk(j.a.id)->body, j.a.body);
}
