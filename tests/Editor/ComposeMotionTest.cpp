#include "ComposeMotionTest.h"
#include "common/ComposeParts.h"
#include "common/EditorTestSupport.h"
#include "common/StoreFixtures.h"

#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

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
#include "Editor/VesperlogTextView.h"
#include "Media/AudioClipRow.h"
#include "Media/ImagePickerButton.h"
#include "Media/LocationWeatherManager.h"
#include "Media/SpeechTranscriber.h"
#include "Media/WeatherLocationChips.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/Transitions.h"

#include <QDateEdit>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>

#include <memory>

using vsp::test::writeImage;

using namespace vsp;

namespace {

/// Generous: a spring settles within about half a second; slow sanitizer builds need more.
constexpr int kSettle = 5000;

void click(QWidget* widget)
{
    QVERIFY(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

/// A painted block of one colour, for pieces whose pixels are checked.
class Block final : public QWidget {
public:
    Block(QColor color, QSize size) : m_color(color) { setFixedSize(size); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), m_color);
    }

private:
    QColor m_color;
};

/// A shown row: a label, the slot of a 60 × 20 block, another label.
struct Row {
    QWidget window;
    QLabel* before = nullptr;
    TransitionSlot* slot = nullptr;
    QLabel* after = nullptr;

    explicit Row(Transition transition, bool present = false)
    {
        auto* layout = new QHBoxLayout(&window);
        // The window keeps its size: its minimum need not follow the moving slot.
        layout->setSizeConstraint(QLayout::SetNoConstraint);
        layout->setSpacing(6);
        before = new QLabel(QStringLiteral("before"), &window);
        auto* block = new Block(Qt::red, QSize(60, 20));
        block->setVisible(present);
        slot = new TransitionSlot(block, transition, Spring{0.25, 1.0}, &window);
        after = new QLabel(QStringLiteral("after"), &window);
        layout->addWidget(before);
        layout->addWidget(slot);
        layout->addWidget(after);
        layout->addStretch(1);
        window.resize(400, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
};

/// A compose view in a shown window of the compose window's size, with its own store and settings.
struct Compose {
    JournalStore store{fixtures::fixtureClock().function()};
    AppSettings settings;
    MoodStore moods;
    std::unique_ptr<QWidget> window;
    ComposeView* view = nullptr;

    Compose()
    {
        window = std::make_unique<QWidget>();
        window->resize(720, 600);
        view = new ComposeView(
            store, settings, moods, [this] { window->close(); }, window.get());
        auto* layout = new QHBoxLayout(window.get());
        layout->setSizeConstraint(QLayout::SetNoConstraint);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
    }

    /// Shows the window and waits for its entrance to end.
    bool open()
    {
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) {
            return false;
        }
        return QTest::qWaitFor([this] { return !parts::entranceOverlay(view); }, kSettle);
    }
};

void selectText(FormattableTextEditor* editor, const QString& needle)
{
    const qsizetype at = editor->plainText().indexOf(needle);
    QTextCursor cursor(editor->textView()->document());
    cursor.setPosition(int(at));
    cursor.setPosition(int(at + needle.size()), QTextCursor::KeepAnchor);
    editor->textView()->setTextCursor(cursor);
}

} // namespace

void ComposeMotionTest::initTestCase()
{
    setAnimationsEnabled(true);
}

void ComposeMotionTest::cleanupTestCase()
{
    setAnimationsEnabled(false);
}

void ComposeMotionTest::init()
{
    test::resetUserFolders();
    AppearanceManager::instance().refresh();
}

void ComposeMotionTest::cleanup()
{
    LocationWeatherManager::shared().setBackend({});
    SpeechTranscriber::setBackend({});
}

// ------------------------------------------------------------ the slot on its own

void ComposeMotionTest::slot_comesInFromNothingAndRests_data()
{
    QTest::addColumn<double>("scaleFrom");
    QTest::addColumn<int>("anchor");
    QTest::newRow("from nothing, centre") << 0.0 << int(Qt::AlignCenter);
    QTest::newRow("from 85 %, centre") << 0.85 << int(Qt::AlignCenter);
    QTest::newRow("from 80 %, leading edge") << 0.8 << int(Qt::AlignLeft | Qt::AlignVCenter);
}

void ComposeMotionTest::slot_comesInFromNothingAndRests()
{
    QFETCH(double, scaleFrom);
    QFETCH(int, anchor);
    Row row(Transition{scaleFrom, Qt::Alignment(anchor), false, Qt::Horizontal});
    QVERIFY(row.slot->isHidden());
    const int afterAtStart = row.after->x();
    QSignalSpy finished(row.slot, &TransitionSlot::transitionFinished);

    row.slot->setPresent(true);
    // It starts at its beginning: shown, taking no room yet, the piece itself out of sight.
    QVERIFY(row.slot->isVisible());
    QVERIFY(row.slot->isTransitioning());
    QVERIFY(row.slot->progress() < 0.5);
    QVERIFY(!row.slot->rect().intersects(row.slot->content()->geometry()));
    QCOMPARE(row.slot->sizeHint().width(), 0);

    // Its neighbour has not moved by the piece's width yet: it glides aside as the room grows.
    QVERIFY(row.after->x() < afterAtStart + 6 + 60);
    QTRY_VERIFY_WITH_TIMEOUT(!row.slot->isTransitioning(), kSettle);
    QCOMPARE(row.slot->progress(), 1.0);
    QCOMPARE(row.slot->width(), 60);
    QCOMPARE(row.slot->content()->geometry(), row.slot->rect());
    QVERIFY(row.slot->content()->isVisible());
    QCOMPARE(row.after->x(), row.slot->geometry().right() + 1 + 6);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
}

void ComposeMotionTest::slot_leavesThenHides_andReversesMidway()
{
    Row row(Transition{0.0, Qt::AlignCenter, false, Qt::Horizontal}, true);
    QVERIFY(row.slot->isVisible());
    QSignalSpy finished(row.slot, &TransitionSlot::transitionFinished);

    row.slot->setPresent(false);
    // Still there while it leaves, but drawn from its picture: the piece takes no clicks.
    QVERIFY(row.slot->isVisible());
    QVERIFY(row.slot->isTransitioning());
    QVERIFY(!row.slot->rect().intersects(row.slot->content()->geometry()));
    QTRY_VERIFY_WITH_TIMEOUT(row.slot->isHidden(), kSettle);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(row.slot->progress(), 0.0);

    // Called back while coming in: it turns round and ends hidden, with one ending only.
    row.slot->setPresent(true);
    QTRY_VERIFY_WITH_TIMEOUT(row.slot->progress() > 0.2, kSettle);
    finished.clear();
    row.slot->setPresent(false);
    QVERIFY(row.slot->isTransitioning());
    QTRY_VERIFY_WITH_TIMEOUT(row.slot->isHidden(), kSettle);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), false);

    // Without animation a change lands at once, even in the middle of a move.
    row.slot->setPresent(true);
    row.slot->setPresent(false, false);
    QVERIFY(row.slot->isHidden());
    QVERIFY(!row.slot->isTransitioning());
}

void ComposeMotionTest::slot_startsUnpaintedAndEndsShowingThePiece()
{
    Row row(Transition{0.85, Qt::AlignCenter, false, Qt::Horizontal});
    row.slot->setPresent(true);
    // At its start the piece is at opacity 0: nothing of its red shows.
    const auto redPixels = [&row] {
        const QImage image = row.slot->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.alpha() > 200 && c.red() > 200 && c.green() < 60 ? 1 : 0;
            }
        }
        return count;
    };
    QCOMPARE(redPixels(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!row.slot->isTransitioning(), kSettle);
    QCOMPARE(redPixels(), 60 * 20);
}

// ------------------------------------------------------------ the compose window

void ComposeMotionTest::entrance_overlayDrawsNoBlackAndLeavesWindowInteractive()
{
    Compose c;
    c.window->show();
    // Laid over the content as the window shows, at the entrance's start.
    QWidget* overlay = parts::entranceOverlay(c.view);
    QVERIFY(overlay);
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->geometry(), c.view->rect());
    QVERIFY(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(static_cast<EntranceOverlay*>(overlay)->progress() < 1.0);

    // The picture grown and faded in, and the window as drawn during the entrance, show the empty
    // editor on the window's background, never black, and the title where it will be.
    const QColor background = Color::vspBackground().resolve();
    const auto isBackground = [&background](const QColor& seen) {
        return std::abs(seen.red() - background.red()) < 12 && std::abs(seen.green() - background.green()) < 12
               && std::abs(seen.blue() - background.blue()) < 12;
    };
    const QImage picture = static_cast<EntranceOverlay*>(overlay)->picture().toImage();
    QCOMPARE(picture.size() / picture.devicePixelRatio(), c.view->size());
    const QPoint inEditor = parts::editor(c.view)->mapTo(c.view, parts::editor(c.view)->rect().center());
    QVERIFY2(isBackground(picture.pixelColor(inEditor * picture.devicePixelRatio())),
             qPrintable(picture.pixelColor(inEditor).name()));
    const QImage frame = c.window->grab().toImage();
    QVERIFY(isBackground(frame.pixelColor(inEditor * frame.devicePixelRatio())));
    // The title's placeholder is in the picture: not every pixel of its row is background.
    const QRect title = parts::titleField(c.view)->geometry();
    bool titleDrawn = false;
    for (int x = title.left(); x < title.left() + 200 && !titleDrawn; ++x) {
        titleDrawn = !isBackground(picture.pixelColor(QPoint(x, title.center().y()) * picture.devicePixelRatio()));
    }
    QVERIFY(titleDrawn);

    QVERIFY(QTest::qWaitForWindowExposed(c.window.get()));
    QTRY_VERIFY_WITH_TIMEOUT(!parts::entranceOverlay(c.view), kSettle);
    // At rest the window takes clicks and keys.
    click(parts::typeChips(c.view).at(1));
    QCOMPARE(c.view->selectedType(), JournalEntry::EntryType::Note);
    parts::titleField(c.view)->setFocus();
    QTest::keyClicks(parts::titleField(c.view), QStringLiteral("Morning"));
    QCOMPARE(c.view->title(), QStringLiteral("Morning"));
}

void ComposeMotionTest::entrance_weatherArrivingDuringItWaitsThenComesIn()
{
    LocationWeatherManager::shared().setBackend([](LocationWeatherManager::Completion done) {
        WeatherSnapshot snapshot;
        snapshot.latitude = 1;
        snapshot.longitude = 2;
        snapshot.placeName = QStringLiteral("Here");
        done(snapshot);
    });
    Compose c;
    c.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(c.window.get()));
    // The answer comes on the next turn, while the entrance plays: the entry has it at once, the chips
    // wait.
    QTRY_VERIFY_WITH_TIMEOUT(c.view->weatherSnapshot().has_value(), kSettle);
    if (parts::entranceOverlay(c.view)) {
        QVERIFY(parts::weatherSlot(c.view)->isHidden());
    }
    QTRY_VERIFY_WITH_TIMEOUT(!parts::entranceOverlay(c.view), kSettle);
    QTRY_VERIFY_WITH_TIMEOUT(parts::weatherSlot(c.view)->isVisible() && !parts::weatherSlot(c.view)->isTransitioning(),
                             kSettle);
    QCOMPARE(parts::weatherChips(c.view)->shownTexts(), QStringList{QStringLiteral("Here")});
}

void ComposeMotionTest::typeChip_choiceGlidesOver()
{
    Compose c;
    QVERIFY(c.open());
    TypeChip* journal = parts::typeChips(c.view).at(0);
    TypeChip* link = parts::typeChips(c.view).at(2);
    QCOMPARE(journal->chosenLevel(), 1.0);
    click(link);
    // The choice is made at once; its look follows.
    QVERIFY(link->isChosen());
    QVERIFY(!journal->isChosen());
    QVERIFY(link->chosenLevel() < 1.0);
    QVERIFY(journal->chosenLevel() > 0.0);
    QTRY_COMPARE_WITH_TIMEOUT(link->chosenLevel(), 1.0, kSettle);
    QTRY_COMPARE_WITH_TIMEOUT(journal->chosenLevel(), 0.0, kSettle);
}

void ComposeMotionTest::mood_chipGrowsAndBadgeComesAndGoes()
{
    Compose c;
    QVERIFY(c.open());
    MoodChip* chip = parts::moodChips(parts::moodSelector(c.view)).at(1);
    const QString emoji = chip->emoji();
    QVERIFY(parts::moodBadgeSlot(c.view)->isHidden());

    click(chip);
    QCOMPARE(c.view->selectedMood(), std::optional<QString>(emoji));
    QVERIFY(chip->drawnScale() < 1.08);
    QVERIFY(parts::moodBadgeSlot(c.view)->isTransitioning());
    QVERIFY(parts::moodBadgeSlot(c.view)->width() < parts::moodBadge(c.view)->sizeHint().width());
    QTRY_COMPARE_WITH_TIMEOUT(chip->drawnScale(), 1.08, kSettle);
    QTRY_VERIFY_WITH_TIMEOUT(!parts::moodBadgeSlot(c.view)->isTransitioning(), kSettle);
    QVERIFY(parts::moodBadge(c.view)->isVisible());
    // The slot's last size reaches the layout on a later pass of the event loop, which a loaded machine
    // may not have run yet.
    QTRY_COMPARE_WITH_TIMEOUT(parts::moodBadgeSlot(c.view)->width(), parts::moodBadge(c.view)->sizeHint().width(),
                              kSettle);

    // A second click clears the mood: the badge leaves still showing it, then is gone.
    click(chip);
    QCOMPARE(c.view->selectedMood(), std::optional<QString>());
    QVERIFY(parts::moodBadgeSlot(c.view)->isVisible());
    QVERIFY(parts::moodBadgeSlot(c.view)->isTransitioning());
    QCOMPARE(parts::moodBadge(c.view)->label(), c.moods.label(emoji));
    QTRY_VERIFY_WITH_TIMEOUT(parts::moodBadgeSlot(c.view)->isHidden(), kSettle);
    QTRY_COMPARE_WITH_TIMEOUT(chip->drawnScale(), 1.0, kSettle);
}

void ComposeMotionTest::expiration_pickerGrowsAndNeighboursGlide()
{
    Compose c;
    QVERIFY(c.open());
    GlassChipButton* chip = parts::expirationChip(c.view);
    QWidget* images = parts::imagePicker(c.view);
    const int imagesAtStart = images->x();

    click(chip);
    QVERIFY(c.view->hasExpiration());
    QCOMPARE(chip->text(), QStringLiteral("Expires"));
    QVERIFY(chip->isChangingLook());
    QVERIFY(parts::expirationSlot(c.view)->isTransitioning());
    QVERIFY(!parts::expirationPicker(c.view)->isVisible()
            || !parts::expirationSlot(c.view)->rect().intersects(parts::expirationPicker(c.view)->geometry()));
    QTRY_VERIFY_WITH_TIMEOUT(!chip->isChangingLook() && !parts::expirationSlot(c.view)->isTransitioning(), kSettle);
    QTRY_VERIFY_WITH_TIMEOUT(images->x() > parts::expirationSlot(c.view)->geometry().right(), kSettle);
    QVERIFY(images->x() > imagesAtStart);
    QCOMPARE(chip->width(), chip->sizeHint().width());
    // At rest the picker is the real, working editor.
    QVERIFY(parts::expirationPicker(c.view)->isVisible());
    QCOMPARE(parts::expirationPicker(c.view)->geometry(), parts::expirationSlot(c.view)->rect());

    click(chip);
    QVERIFY(!c.view->hasExpiration());
    QVERIFY(parts::expirationSlot(c.view)->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(parts::expirationSlot(c.view)->isHidden(), kSettle);
    QTRY_COMPARE_WITH_TIMEOUT(images->x(), imagesAtStart, kSettle);
}

void ComposeMotionTest::wordCount_rollsFromOldToNewCount()
{
    Compose c;
    QVERIFY(c.open());
    WordCountLabel* count = parts::wordCountLabel(c.view);
    QCOMPARE(count->text(), QStringLiteral("0w"));
    QVERIFY(!count->isRolling());
    parts::editor(c.view)->textView()->setFocus();
    QTest::keyClicks(parts::editor(c.view)->textView(), QStringLiteral("river "));
    // The text is the new one at once; the old one rolls away.
    QCOMPARE(count->text(), QStringLiteral("1w"));
    QVERIFY(count->isRolling());
    QCOMPARE(count->previousText(), QStringLiteral("0w"));
    QTRY_VERIFY_WITH_TIMEOUT(!count->isRolling(), kSettle);
    QVERIFY(count->previousText().isEmpty());
}

void ComposeMotionTest::images_stripSlidesInThumbnailsComeAndGo()
{
    QTemporaryDir folder;
    const QUrl a = QUrl::fromLocalFile(writeImage(folder.path(), QStringLiteral("a.png")));
    const QUrl b = QUrl::fromLocalFile(writeImage(folder.path(), QStringLiteral("b.png")));
    Compose c;
    QVERIFY(c.open());
    TransitionSlot* strip = parts::imagesSlot(c.view);
    PendingImagesPreview* preview = parts::imagesPreview(c.view);

    c.view->addPendingImages({a});
    QVERIFY(strip->isTransitioning());
    // The strip takes its room at once and rises into it.
    QVERIFY(strip->height() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!strip->isTransitioning(), kSettle);
    QVERIFY(preview->isVisible());
    // The first thumbnail came with the strip, at rest.
    QCOMPARE(preview->slots().size(), 1);
    QVERIFY(!preview->slots().first()->isTransitioning());

    c.view->addPendingImages({b});
    QCOMPARE(preview->thumbs().size(), 2);
    TransitionSlot* second = preview->slots().at(1);
    QVERIFY(second->isTransitioning());
    QTRY_VERIFY_WITH_TIMEOUT(!second->isTransitioning(), kSettle);
    // As for the mood badge: the last size reaches the layout on a later pass.
    QTRY_COMPARE_WITH_TIMEOUT(second->width(), 80, kSettle);

    // Removed, a thumbnail leaves the list at once and the strip after its transition.
    click(parts::removeButton(preview->thumbs().at(1)));
    QCOMPARE(c.view->pendingImageURLs(), QList<QUrl>{a});
    QCOMPARE(preview->thumbs().size(), 1);
    QCOMPARE(preview->slots().size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(preview->slots().size(), 1, kSettle);

    // The last one takes the strip with it: it slides out, then hides.
    click(parts::removeButton(preview->thumbs().at(0)));
    QVERIFY(c.view->pendingImageURLs().isEmpty());
    QVERIFY(strip->isVisible());
    QVERIFY(strip->isTransitioning());
    QTRY_VERIFY_WITH_TIMEOUT(strip->isHidden(), kSettle);
    QVERIFY(QFile::exists(a.toLocalFile()));
}

void ComposeMotionTest::images_addedWhileTheStripLeaves_comesBackShowingTheNewImage()
{
    QTemporaryDir folder;
    const auto solid = [&folder](const QString& name, QColor color) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(color);
        const QString path = folder.path() + u'/' + name;
        image.save(path);
        return QUrl::fromLocalFile(path);
    };
    const QUrl red = solid(QStringLiteral("red.png"), QColor(230, 20, 20));
    const QUrl blue = solid(QStringLiteral("blue.png"), QColor(20, 20, 230));
    Compose c;
    QVERIFY(c.open());
    TransitionSlot* strip = parts::imagesSlot(c.view);
    c.view->addPendingImages({red});
    QTRY_VERIFY_WITH_TIMEOUT(!strip->isTransitioning(), kSettle);

    // The only image is taken back, and another comes before the strip has gone.
    click(parts::removeButton(parts::imagesPreview(c.view)->thumbs().at(0)));
    QVERIFY(strip->isTransitioning());
    c.view->addPendingImages({blue});
    QVERIFY(strip->isTransitioning());
    const auto count = [strip](bool wantRed) {
        const QImage image = strip->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor p = image.pixelColor(x, y);
                const bool isRed = p.red() > 150 && p.blue() < 100;
                const bool isBlue = p.blue() > 150 && p.red() < 100;
                n += p.alpha() > 60 && (wantRed ? isRed : isBlue) ? 1 : 0;
            }
        }
        return n;
    };
    // While it comes back, the strip shows the image it now holds (beside the one taken back, which
    // fades on its own), not only a picture of the strip as it was: the thumbnail, decoded on the photo
    // threads, is drawn into the moving picture when it arrives.
    QTRY_VERIFY_WITH_TIMEOUT(count(false) > 0 || !strip->isTransitioning(), kSettle);
    QVERIFY(strip->isTransitioning());
    QVERIFY(count(false) > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!strip->isTransitioning(), kSettle);
    QTRY_COMPARE_WITH_TIMEOUT(parts::imagesPreview(c.view)->slots().size(), 1, kSettle);
    QCOMPARE(parts::imagesPreview(c.view)->thumbs().at(0)->url(), blue);
    QCOMPARE(count(true), 0);
    QVERIFY(count(false) > 0);
}

void ComposeMotionTest::images_slowDecode_stripMovesWithAPlaceholderThenTheThumbnail()
{
    QTemporaryDir folder;
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(QColor(230, 20, 20));
    const QString path = folder.path() + QStringLiteral("/red.png");
    QVERIFY(red.save(path));
    Compose c;
    QVERIFY(c.open());
    TransitionSlot* strip = parts::imagesSlot(c.view);
    // Red pixels in the strip's moving picture.
    const auto reds = [strip] {
        const QImage image = strip->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor p = image.pixelColor(x, y);
                n += p.alpha() > 60 && p.red() > 150 && p.green() < 100 ? 1 : 0;
            }
        }
        return n;
    };

    viewfixtures::PhotoThreadsHeld held;
    c.view->addPendingImages({QUrl::fromLocalFile(path)});
    // The decode waits on the photo threads, not on this one: the strip already moves, its thumbnail
    // pictured as a frame that keeps its place.
    PendingImageThumb* thumb = parts::imagesPreview(c.view)->thumbs().at(0);
    QVERIFY(thumb->isLoading());
    QVERIFY(strip->isTransitioning());
    QCOMPARE(reds(), 0);
    const QImage waiting = thumb->grab().toImage();
    QCOMPARE(waiting.pixelColor(waiting.rect().center()).rgb(), Color::vspMuted().resolve().rgb());

    // Ready while the strip still moves, the thumbnail is drawn into its picture.
    held.release();
    QTRY_VERIFY_WITH_TIMEOUT(thumb->hasThumbnail() || !strip->isTransitioning(), kSettle);
    QVERIFY(thumb->hasThumbnail());
    QTRY_VERIFY_WITH_TIMEOUT(reds() > 0 || !strip->isTransitioning(), kSettle);
    QVERIFY(strip->isTransitioning());
    QTRY_VERIFY_WITH_TIMEOUT(!strip->isTransitioning(), kSettle);
    QVERIFY(reds() > 0);
}

void ComposeMotionTest::voiceNotes_removedRowLeavesThenColumnClosesUp()
{
    QTemporaryDir folder;
    const QString one = folder.path() + QStringLiteral("/one.m4a");
    const QString two = folder.path() + QStringLiteral("/two.m4a");
    for (const QString& path : {one, two}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Compose c;
    QVERIFY(c.open());
    c.view->addRecording(one, 3);
    QVERIFY(parts::audioSlot(c.view)->isTransitioning());
    QTRY_VERIFY_WITH_TIMEOUT(!parts::audioSlot(c.view)->isTransitioning(), kSettle);
    c.view->addRecording(two, 4);
    PendingAudioPreview* preview = parts::audioPreview(c.view);
    QCOMPARE(preview->slots().size(), 2);
    QVERIFY(preview->slots().at(1)->isTransitioning());
    QTRY_VERIFY_WITH_TIMEOUT(!preview->slots().at(1)->isTransitioning(), kSettle);
    const int columnHeight = preview->height();

    // The file goes at once; the row leaves and the column closes up after.
    preview->rows().at(0)->removeButton()->click();
    QVERIFY(!QFile::exists(one));
    QCOMPARE(c.view->pendingAudio().size(), 1);
    QCOMPARE(preview->rows().size(), 1);
    QCOMPARE(preview->slots().size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(preview->slots().size(), 1, kSettle);
    QTRY_VERIFY_WITH_TIMEOUT(preview->height() < columnHeight, kSettle);
    QCOMPARE(preview->rows().at(0)->path(), two);
}

void ComposeMotionTest::floatingBar_entersTakesClicksAtRestAndFadesAway()
{
    Compose c;
    QVERIFY(c.open());
    parts::editor(c.view)->textView()->setFocus();
    QTest::keyClicks(parts::editor(c.view)->textView(), QStringLiteral("Some words to select"));
    FloatingFormatBar* bar = parts::floatingBar(c.view);
    QSignalSpy commands(bar, &FloatingFormatBar::formatRequested);

    selectText(parts::editor(c.view), QStringLiteral("words"));
    QVERIFY(bar->isVisible());
    QVERIFY(bar->appeared());
    // Entering: drawn from its picture, its buttons out of reach.
    QVERIFY(bar->isMoving());
    QVERIFY(bar->entranceProgress() < 1.0);
    QVERIFY(!parts::floatingButton(bar, QStringLiteral("bold"))->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!bar->isMoving(), kSettle);
    QCOMPARE(bar->entranceProgress(), 1.0);
    QVERIFY(parts::floatingButton(bar, QStringLiteral("bold"))->isVisible());
    click(parts::floatingButton(bar, QStringLiteral("bold")));
    QCOMPARE(commands.count(), 1);

    // The selection collapses: the bar fades, then hides.
    QTextCursor caret = parts::editor(c.view)->textView()->textCursor();
    caret.clearSelection();
    parts::editor(c.view)->textView()->setTextCursor(caret);
    QVERIFY(bar->isVisible());
    QVERIFY(bar->isLeaving());
    QTRY_VERIFY_WITH_TIMEOUT(bar->isHidden(), kSettle);
    QVERIFY(!bar->appeared());

    // A new selection while it fades brings it back with its entrance.
    selectText(parts::editor(c.view), QStringLiteral("select"));
    QTRY_VERIFY_WITH_TIMEOUT(!bar->isMoving(), kSettle);
    caret = parts::editor(c.view)->textView()->textCursor();
    caret.clearSelection();
    parts::editor(c.view)->textView()->setTextCursor(caret);
    QVERIFY(bar->isLeaving());
    selectText(parts::editor(c.view), QStringLiteral("Some"));
    QVERIFY(!bar->isLeaving());
    QVERIFY(bar->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!bar->isMoving(), kSettle);
    QVERIFY(bar->isVisible());
    QVERIFY(parts::floatingButton(bar, QStringLiteral("italic"))->isVisible());
}

void ComposeMotionTest::floatingBar_windowClosedWhileItFades_isGoneOnReopening()
{
    Compose c;
    QVERIFY(c.open());
    parts::editor(c.view)->textView()->setFocus();
    QTest::keyClicks(parts::editor(c.view)->textView(), QStringLiteral("Some words to select"));
    FloatingFormatBar* bar = parts::floatingBar(c.view);
    selectText(parts::editor(c.view), QStringLiteral("words"));
    QTRY_VERIFY_WITH_TIMEOUT(!bar->isMoving(), kSettle);

    // Typing over the selection starts the fade; Escape closes the window before it ends.
    QTest::keyClicks(parts::editor(c.view)->textView(), QStringLiteral("x"));
    QVERIFY(bar->isLeaving());
    QTest::keyClick(parts::editor(c.view)->textView(), Qt::Key_Escape);
    QVERIFY(!c.window->isVisible());

    // The next opening has no selection, so no bar over its empty editor.
    QVERIFY(c.open());
    QVERIFY(!parts::selectionState(c.view)->hasSelection());
    QVERIFY(!bar->isVisible());
    // Nor when the old fade would have ended.
    viewfixtures::finishAnimations(bar);
    viewfixtures::finishAnimations(c.window.get());
    QVERIFY(!bar->isVisible());
}

void ComposeMotionTest::footer_chipsAndSuggestionRowComeAndGo()
{
    JournalStore store(fixtures::fixtureClock().function());
    JournalEntry entry = JournalEntry::create();
    entry.title = QStringLiteral("e");
    entry.tags = {QStringLiteral("walks"), QStringLiteral("weather")};
    store.setEntries({entry});
    QWidget window;
    auto* footer = new ComposeFooter(store, &window);
    auto* layout = new QHBoxLayout(&window);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(footer);
    window.resize(700, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TransitionSlot* suggestions = parts::suggestionRow(footer);

    QTest::keyClicks(footer->tagField(), QStringLiteral("w"));
    QCOMPARE(footer->suggestionChips().size(), 2);
    QVERIFY(suggestions->isVisible());
    QVERIFY(suggestions->isTransitioning());
    QVERIFY(suggestions->height() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!suggestions->isTransitioning(), kSettle);

    // Taking a suggestion: its chip grows in, the row sinks away.
    click(footer->suggestionChips().first());
    QCOMPARE(footer->tags(), QStringList{QStringLiteral("walks")});
    QCOMPARE(footer->chipSlots().size(), 1);
    QVERIFY(footer->chipSlots().first()->isTransitioning());
    QVERIFY(suggestions->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(suggestions->isHidden(), kSettle);
    QTRY_VERIFY_WITH_TIMEOUT(!footer->chipSlots().first()->isTransitioning(), kSettle);
    QTRY_COMPARE_WITH_TIMEOUT(footer->chipSlots().first()->width(), footer->tagChips().first()->sizeHint().width(),
                              kSettle);

    // A removed chip leaves, then is gone; the tag is gone at once.
    click(footer->tagChips().first()->removeButton());
    QVERIFY(footer->tags().isEmpty());
    QCOMPARE(footer->chipSlots().size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(footer->chipSlots().isEmpty(), kSettle);

    // Tags set from outside land at once.
    footer->setTags({QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(footer->chipSlots().size(), 2);
    QVERIFY(!footer->chipSlots().at(0)->isTransitioning());
    QVERIFY(footer->tagChips().at(1)->isVisible());
}

void ComposeMotionTest::formatBar_designMarkGlides()
{
    QWidget window;
    auto* bar = new FormatBar(true, &window);
    auto* layout = new QHBoxLayout(&window);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(bar);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* sans = qobject_cast<FormatButton*>(bar->findChild<QWidget*>(QStringLiteral("design:default")));
    auto* serif = qobject_cast<FormatButton*>(bar->findChild<QWidget*>(QStringLiteral("design:serif")));
    QVERIFY(sans && serif);
    QCOMPARE(sans->activeLevel(), 1.0);
    QCOMPARE(serif->activeLevel(), 0.0);
    click(serif);
    QCOMPARE(bar->selectedFontDesign(), QStringLiteral("serif"));
    QVERIFY(serif->isActive());
    QVERIFY(serif->activeLevel() < 1.0);
    QTRY_COMPARE_WITH_TIMEOUT(serif->activeLevel(), 1.0, kSettle);
    QTRY_COMPARE_WITH_TIMEOUT(sans->activeLevel(), 0.0, kSettle);
}
