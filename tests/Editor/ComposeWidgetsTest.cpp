#include "ComposeWidgetsTest.h"

#include "common/ComposeParts.h"
#include "common/EditorTestSupport.h"
#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Editor/Compose/ComposeFooter.h"
#include "Editor/Compose/MoodSelectorView.h"
#include "Editor/Compose/PendingAudioPreview.h"
#include "Editor/Compose/PendingImagesPreview.h"
#include "Editor/FloatingFormatBar.h"
#include "Editor/FormatBar.h"
#include "Editor/FormatButton.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/SelectionState.h"
#include "Editor/VesperlogTextView.h"
#include "Media/AudioClipRow.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Model/Uuid.h"
#include "Theme/Spring.h"
#include "Theme/Transitions.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

using vsp::test::writeImage;

using namespace vsp;

namespace {

QStringList commandsOf(const QSignalSpy& spy)
{
    QStringList result;
    for (const QList<QVariant>& call : spy) {
        result.append(call.at(0).toString());
    }
    return result;
}

void click(QWidget* widget)
{
    QVERIFY(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

JournalEntry entryWithTags(const QStringList& tags, bool archived = false)
{
    JournalEntry entry = JournalEntry::create();
    entry.title = QStringLiteral("e");
    entry.tags = tags;
    entry.isArchived = archived;
    return entry;
}

} // namespace

void ComposeWidgetsTest::initTestCase()
{
    setAnimationsEnabled(false);
}

void ComposeWidgetsTest::init()
{
    test::resetUserFolders();
}

void ComposeWidgetsTest::formatBar_buttonsSendTheirCommands()
{
    FormatBar bar(true);
    bar.setWritingFontSize(15.9);
    bar.show();
    QSignalSpy spy(&bar, &FormatBar::formatRequested);
    const QStringList keys = {QStringLiteral("size:26"), QStringLiteral("size:20"),  QStringLiteral("size:body"),
                              QStringLiteral("bullet"),  QStringLiteral("numbered"), QStringLiteral("checklist"),
                              QStringLiteral("quote"),   QStringLiteral("indent"),   QStringLiteral("outdent")};
    for (const QString& key : keys) {
        click(parts::commandButton(&bar, key));
    }
    QCOMPARE(commandsOf(spy),
             (QStringList{QStringLiteral("size:26"), QStringLiteral("size:20"), QStringLiteral("size:15"),
                          QStringLiteral("bullet"), QStringLiteral("numbered"), QStringLiteral("checklist"),
                          QStringLiteral("quote"), QStringLiteral("indent"), QStringLiteral("outdent")}));
    QCOMPARE(parts::commandButton(&bar, QStringLiteral("bullet"))->toolTip(), QStringLiteral("Bullet list"));
    QCOMPARE(parts::commandButton(&bar, QStringLiteral("size:body"))->toolTip(), QStringLiteral("Body text"));
}

void ComposeWidgetsTest::formatBar_save_onlyWhileSavingIsPossible()
{
    QWidget window;
    auto* bar = new FormatBar(true, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QSignalSpy saves(bar, &FormatBar::saveRequested);
    QVERIFY(bar->findChild<FormatSaveButton*>());
    QVERIFY(!parts::saveButton(bar)->isEnabled());
    click(parts::saveButton(bar));
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(saves.count(), 0);

    bar->setCanSave(true);
    QVERIFY(parts::saveButton(bar)->isEnabled());
    click(parts::saveButton(bar));
    QCOMPARE(saves.count(), 1);
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(saves.count(), 2);
    QTest::keyClick(&window, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(saves.count(), 3);
}

void ComposeWidgetsTest::formatBar_designButtons_selectAndNeverDeselect()
{
    FormatBar bar(true);
    bar.show();
    QSignalSpy changes(&bar, &FormatBar::selectedFontDesignChanged);
    QVERIFY(parts::designButton(&bar, QStringLiteral("default"))->isActive());
    click(parts::designButton(&bar, QStringLiteral("serif")));
    QCOMPARE(bar.selectedFontDesign(), QStringLiteral("serif"));
    QVERIFY(parts::designButton(&bar, QStringLiteral("serif"))->isActive());
    QVERIFY(!parts::designButton(&bar, QStringLiteral("default"))->isActive());
    click(parts::designButton(&bar, QStringLiteral("serif")));
    QCOMPARE(bar.selectedFontDesign(), QStringLiteral("serif"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(parts::designButton(&bar, QStringLiteral("rounded"))->toolTip(), QStringLiteral("Round"));

    bar.setSelectedFontDesign(QStringLiteral("Mono"));
    for (const QString& design :
         {QStringLiteral("default"), QStringLiteral("serif"), QStringLiteral("rounded"), QStringLiteral("mono")}) {
        QVERIFY2(!parts::designButton(&bar, design)->isActive(), qPrintable(design));
    }
    QCOMPARE(bar.selectedFontDesign(), QStringLiteral("Mono"));
}

void ComposeWidgetsTest::formatBar_withoutSave_hasNoSaveButton_wrapsWhenNarrow()
{
    QWidget window;
    auto* bar = new FormatBar(false, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy saves(bar, &FormatBar::saveRequested);
    bar->setCanSave(true);
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!bar->findChild<FormatSaveButton*>());
    QCOMPARE(saves.count(), 0);
    // One row where there is room; a column narrower than that wraps the groups, never widens.
    int rowHeight = 0;
    for (QWidget* button : {static_cast<QWidget*>(parts::commandButton(bar, QStringLiteral("size:26"))),
                            static_cast<QWidget*>(parts::commandButton(bar, QStringLiteral("bullet"))),
                            static_cast<QWidget*>(parts::designButton(bar, QStringLiteral("mono")))}) {
        rowHeight = std::max(rowHeight, button->parentWidget()->sizeHint().height());
    }
    const QSize oneRow = bar->sizeHint();
    QCOMPARE(oneRow.height(), rowHeight);
    QCOMPARE(bar->heightForWidth(oneRow.width()), rowHeight);
    QVERIFY(bar->minimumSizeHint().width() < oneRow.width() / 2);
    QVERIFY(bar->heightForWidth(oneRow.width() / 2) > rowHeight);
}

void ComposeWidgetsTest::floatingBar_buttonsSendTheirCommands()
{
    SelectionState state;
    FloatingFormatBar bar(&state);
    bar.show();
    QSignalSpy spy(&bar, &FloatingFormatBar::formatRequested);
    const QStringList commands = {
        QStringLiteral("bold"),          QStringLiteral("italic"),       QStringLiteral("underline"),
        QStringLiteral("strikethrough"), QStringLiteral("highlight"),    QStringLiteral("size:26"),
        QStringLiteral("size:20"),       QStringLiteral("color:reset"),  QStringLiteral("color:F87171"),
        QStringLiteral("color:FB923C"),  QStringLiteral("color:FBBF24"), QStringLiteral("color:4ADE80"),
        QStringLiteral("color:60A5FA"),  QStringLiteral("color:A78BFA")};
    for (const QString& command : commands) {
        click(parts::floatingButton(&bar, command));
    }
    QCOMPARE(commandsOf(spy), commands);
    QCOMPARE(parts::floatingButton(&bar, QStringLiteral("color:reset"))->toolTip(), QStringLiteral("Default"));
    QCOMPARE(parts::floatingButton(&bar, QStringLiteral("color:F87171"))->toolTip(), QStringLiteral("Red"));
    QVERIFY(bar.appeared());
    bar.hide();
    QVERIFY(!bar.appeared());
}

void ComposeWidgetsTest::floatingBar_marksStylesAtSelectionStart()
{
    auto editor = test::makeEditor(QStringLiteral("bold under plain"));
    SelectionState state;
    editor->setSelectionState(&state);
    FloatingFormatBar bar(&state);
    QSignalSpy spy(&bar, &FloatingFormatBar::formatRequested);
    test::select(*editor, 0, 10);
    editor->applyFormat(QStringLiteral("bold"));
    editor->applyFormat(QStringLiteral("underline"));
    test::select(*editor, 0, 4);
    QVERIFY(bar.isMarked(QStringLiteral("bold")));
    QVERIFY(bar.isMarked(QStringLiteral("underline")));
    QVERIFY(!bar.isMarked(QStringLiteral("italic")));
    QVERIFY(!bar.isMarked(QStringLiteral("strikethrough")));
    QVERIFY(!bar.isMarked(QStringLiteral("highlight")));

    // An active button sends the same command as an inactive one.
    click(parts::floatingButton(&bar, QStringLiteral("bold")));
    QCOMPARE(commandsOf(spy), QStringList{QStringLiteral("bold")});

    test::select(*editor, 11, 16);
    QVERIFY(!bar.isMarked(QStringLiteral("bold")));
    QVERIFY(!bar.isMarked(QStringLiteral("underline")));
}

void ComposeWidgetsTest::footer_returnCommitsTrimmedLowerCaseTagOnce()
{
    JournalStore store(fixtures::fixtureClock().function());
    ComposeFooter footer(store);
    footer.show();
    QSignalSpy edits(&footer, &ComposeFooter::tagsEdited);
    QLineEdit* field = footer.tagField();
    QTest::keyClicks(field, QStringLiteral("  Garden "));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(footer.tags(), QStringList{QStringLiteral("garden")});
    QVERIFY(field->text().isEmpty());
    QTest::keyClicks(field, QStringLiteral("GARDEN"));
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClicks(field, QStringLiteral("   "));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(footer.tags(), QStringList{QStringLiteral("garden")});
    QVERIFY(field->text().isEmpty());
    QCOMPARE(edits.count(), 1);
    QCOMPARE(footer.tagChips().size(), 1);
    QCOMPARE(footer.tagChips().first()->tag(), QStringLiteral("garden"));
}

void ComposeWidgetsTest::footer_manyTags_keepTheFieldInSight()
{
    JournalStore store(fixtures::fixtureClock().function());
    ComposeFooter footer(store);
    footer.resize(720, footer.sizeHint().height());
    footer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&footer));
    QLineEdit* field = footer.tagField();
    field->setFocus();
    const auto fieldInSight = [&footer, field] {
        // The part of the field the tag row shows.
        QWidget* viewport = field->parentWidget()->parentWidget();
        const QRect shown = QRect(field->mapTo(viewport, QPoint(0, 0)), field->size()).intersected(viewport->rect());
        return shown.width() == field->width() && footer.rect().contains(viewport->mapTo(&footer, shown.topLeft()));
    };
    for (int i = 0; i < 14; ++i) {
        QTest::keyClicks(field, QStringLiteral("tag number %1").arg(i));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY2(QTest::qWaitFor(fieldInSight, 1000), qPrintable(QStringLiteral("after tag %1").arg(i)));
    }
    QCOMPARE(footer.tags().size(), 14);
}

void ComposeWidgetsTest::footer_suggestions_followFieldAndSkipArchivedAndChosen()
{
    JournalStore store(fixtures::fixtureClock().function());
    store.setEntries({entryWithTags({QStringLiteral("walk"), QStringLiteral("water")}),
                      entryWithTags({QStringLiteral("walks"), QStringLiteral("wander")}),
                      entryWithTags({QStringLiteral("wardrobe")}, true)});
    ComposeFooter footer(store);
    footer.show();
    QVERIFY(parts::suggestionRow(&footer)->isHidden());
    QTest::keyClicks(footer.tagField(), QStringLiteral("Wa"));
    QCOMPARE(footer.tagSuggestions(), (QStringList{QStringLiteral("walk"), QStringLiteral("walks"),
                                                   QStringLiteral("wander"), QStringLiteral("water")}));
    QVERIFY(!parts::suggestionRow(&footer)->isHidden());
    QCOMPARE(footer.suggestionChips().size(), 4);

    footer.setTags({QStringLiteral("walk")});
    QCOMPARE(footer.tagSuggestions(),
             (QStringList{QStringLiteral("walks"), QStringLiteral("wander"), QStringLiteral("water")}));

    // A tag stored meanwhile is offered at once.
    store.addEntry(entryWithTags({QStringLiteral("wave")}));
    QVERIFY(footer.tagSuggestions().contains(QStringLiteral("wave")));

    footer.tagField()->clear();
    QVERIFY(footer.tagSuggestions().isEmpty());
    QVERIFY(parts::suggestionRow(&footer)->isHidden());
}

void ComposeWidgetsTest::footer_lockedJournal_suggestsNoTags()
{
    JournalStore store(fixtures::fixtureClock().function());
    store.setEntries({entryWithTags({QStringLiteral("walk"), QStringLiteral("work")})});
    store.setIsLocked(true);
    ComposeFooter footer(store);
    footer.show();
    QTest::keyClicks(footer.tagField(), QStringLiteral("w"));
    QVERIFY(footer.tagSuggestions().isEmpty());
    QVERIFY(parts::suggestionRow(&footer)->isHidden());
    // Unlocked, the same field offers the journal's tags; locked again, they go.
    store.setIsLocked(false);
    QCOMPARE(footer.tagSuggestions(), (QStringList{QStringLiteral("walk"), QStringLiteral("work")}));
    store.setIsLocked(true);
    QVERIFY(footer.tagSuggestions().isEmpty());
}

void ComposeWidgetsTest::footer_suggestionClick_addsTagAndEmptiesField()
{
    JournalStore store(fixtures::fixtureClock().function());
    store.setEntries({entryWithTags({QStringLiteral("Travel"), QStringLiteral("trip")})});
    ComposeFooter footer(store);
    footer.show();
    QSignalSpy edits(&footer, &ComposeFooter::tagsEdited);
    QTest::keyClicks(footer.tagField(), QStringLiteral("TR"));
    QCOMPARE(footer.tagSuggestions(), QStringList{QStringLiteral("trip")});
    click(footer.suggestionChips().first());
    QCOMPARE(footer.tags(), QStringList{QStringLiteral("trip")});
    QVERIFY(footer.tagInput().isEmpty());
    QVERIFY(parts::suggestionRow(&footer)->isHidden());
    QCOMPARE(edits.count(), 1);
}

void ComposeWidgetsTest::footer_chipCross_removesOnlyThatTag()
{
    JournalStore store(fixtures::fixtureClock().function());
    ComposeFooter footer(store);
    footer.show();
    footer.setTags({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    QSignalSpy edits(&footer, &ComposeFooter::tagsEdited);
    click(footer.tagChips().at(1)->removeButton());
    QCOMPARE(footer.tags(), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    QCOMPARE(edits.count(), 1);
    QTest::qWait(1); // the removed chip is deleted on the next turn
    QCOMPARE(footer.tagChips().size(), 2);
    QCOMPARE(footer.tagChips().at(1)->tag(), QStringLiteral("c"));
}

void ComposeWidgetsTest::moodSelector_clickChoosesAndSecondClickClears()
{
    MoodStore moods;
    MoodSelectorView selector(moods);
    selector.show();
    QSignalSpy chosen(&selector, &MoodSelectorView::moodChosen);
    QCOMPARE(parts::moodChips(&selector).size(), moods.moods().size());
    MoodChip* second = parts::moodChips(&selector).at(1);
    QCOMPARE(second->accessibleName(), QStringLiteral("Mood: ") + moods.moods().at(1).label);
    QCOMPARE(second->toolTip(), moods.moods().at(1).label);
    click(second);
    QCOMPARE(selector.selectedMood(), std::optional<QString>(moods.moods().at(1).emoji));
    QVERIFY(second->isChosen());
    click(parts::moodChips(&selector).at(2));
    QVERIFY(!second->isChosen());
    QCOMPARE(selector.selectedMood(), std::optional<QString>(moods.moods().at(2).emoji));
    click(parts::moodChips(&selector).at(2));
    QCOMPARE(selector.selectedMood(), std::optional<QString>());
    QCOMPARE(chosen.count(), 3);
    QCOMPARE(chosen.last().at(0).value<std::optional<QString>>(), std::optional<QString>());
}

void ComposeWidgetsTest::moodSelector_emptyPalette_showsOnlyCaption()
{
    MoodStore moods;
    moods.setMoods({});
    MoodSelectorView selector(moods);
    selector.show();
    QVERIFY(parts::moodChips(&selector).isEmpty());
    auto* caption = selector.findChild<QLabel*>();
    QVERIFY(caption && caption->isVisible());
    QCOMPARE(caption->text(), QStringLiteral("MOOD"));
}

void ComposeWidgetsTest::moodBadge_unknownEmoji_isItsOwnLabel()
{
    MoodStore moods;
    MoodBadge badge(moods);
    badge.setMood(moods.moods().first().emoji);
    QCOMPARE(badge.label(), moods.moods().first().label);
    badge.setMood(QStringLiteral("🦉"));
    QCOMPARE(badge.label(), QStringLiteral("🦉"));
}

void ComposeWidgetsTest::imagesPreview_captionAndUnreadableFile()
{
    QTemporaryDir dir;
    const QUrl good = QUrl::fromLocalFile(writeImage(dir.path(), QStringLiteral("a.png")));
    const QUrl missing = QUrl::fromLocalFile(dir.path() + QStringLiteral("/gone.png"));
    PendingImagesPreview preview;
    preview.show();
    preview.setUrls({good});
    QCOMPARE(preview.captionText(), QStringLiteral("1 image"));
    preview.setUrls({good, missing});
    QCOMPARE(preview.captionText(), QStringLiteral("2 images"));
    QCOMPARE(preview.thumbs().size(), 2);
    // Decoded on the photo threads: the strip is there before its thumbnails.
    QTRY_VERIFY(!preview.thumbs().at(0)->isLoading() && !preview.thumbs().at(1)->isLoading());
    QVERIFY(preview.thumbs().at(0)->hasThumbnail());
    QVERIFY(!preview.thumbs().at(1)->hasThumbnail());
    QVERIFY(!parts::removeButton(preview.thumbs().at(1))->isHidden());
}

void ComposeWidgetsTest::imagesPreview_remove_takesEveryCopyAndKeepsFile()
{
    QTemporaryDir dir;
    const QString path = writeImage(dir.path(), QStringLiteral("a.png"));
    const QUrl a = QUrl::fromLocalFile(path);
    const QUrl b = QUrl::fromLocalFile(writeImage(dir.path(), QStringLiteral("b.png")));
    PendingImagesPreview preview;
    preview.show();
    preview.setUrls({a, b, a});
    QSignalSpy edits(&preview, &PendingImagesPreview::urlsEdited);
    click(parts::removeButton(preview.thumbs().at(0)));
    QCOMPARE(edits.count(), 1);
    QCOMPARE(edits.first().at(0).value<QList<QUrl>>(), QList<QUrl>{b});
    QCOMPARE(preview.urls(), QList<QUrl>{b});
    QVERIFY(QFile::exists(path));
}

void ComposeWidgetsTest::imagesPreview_manyImages_wheelReachesEveryOne()
{
    QTemporaryDir dir;
    QList<QUrl> urls;
    for (int i = 0; i < 12; ++i) {
        urls.append(QUrl::fromLocalFile(writeImage(dir.path(), QStringLiteral("p%1.png").arg(i))));
    }
    PendingImagesPreview preview;
    preview.resize(664, preview.height());
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    preview.setUrls(urls);
    PendingImageThumb* last = preview.thumbs().last();
    const auto inSight = [&preview](QWidget* thumb) {
        return preview.rect().contains(QRect(thumb->mapTo(&preview, QPoint(0, 0)), thumb->size()));
    };
    // Laid out: every thumbnail has its width, the strip reaching past the visible width.
    for (PendingImageThumb* thumb : preview.thumbs()) {
        QTRY_COMPARE(thumb->parentWidget()->width(), thumb->width());
    }
    QVERIFY(!inSight(last));

    // An ordinary mouse wheel (vertical notches) carries the strip sideways to its last image.
    QWidget* viewport = last->parentWidget()->parentWidget()->parentWidget();
    QVERIFY(viewport);
    for (int notch = 0; notch < 20 && !inSight(last); ++notch) {
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport, &wheel);
    }
    QVERIFY(inSight(last));
    // And back to the first.
    for (int notch = 0; notch < 20 && !inSight(preview.thumbs().first()); ++notch) {
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport, &wheel);
    }
    QVERIFY(inSight(preview.thumbs().first()));
}

void ComposeWidgetsTest::audioPreview_remove_deletesRecordingThenRow()
{
    QTemporaryDir dir;
    QList<PendingAudio> clips;
    for (const QString& name : {QStringLiteral("one.m4a"), QStringLiteral("two.m4a")}) {
        const QString path = dir.path() + u'/' + name;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("audio");
        file.close();
        clips.append({newUuid(), path, 3.5, std::nullopt});
    }
    PendingAudioPreview preview;
    preview.show();
    preview.setClips(clips);
    QCOMPARE(preview.rows().size(), 2);
    QSignalSpy edits(&preview, &PendingAudioPreview::clipsEdited);
    bool fileGoneWhenListChanged = false;
    connect(&preview, &PendingAudioPreview::clipsEdited, this,
            [&] { fileGoneWhenListChanged = !QFile::exists(clips.at(0).path); });
    QToolButton* remove = preview.rows().at(0)->removeButton();
    QVERIFY(remove);
    QCOMPARE(remove->toolTip(), QStringLiteral("Remove voice note"));
    click(remove);
    QCOMPARE(edits.count(), 1);
    QVERIFY(fileGoneWhenListChanged);
    QVERIFY(QFile::exists(clips.at(1).path));
    QCOMPARE(preview.clips().size(), 1);
    QCOMPARE(preview.clips().first().id, clips.at(1).id);
}
