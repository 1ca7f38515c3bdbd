// Grabs PNGs of the main window showing the entry detail, for looking at its layouts:
//
//   detail_screenshots OUT.png [--appearance=light|dark] [--mode=read|edit|focus|focus-read] [--select]
//                      [--motion=edit|done|focus|focus-done|tag-removed|tag-added|suggestions|expiration|
//                       favorite|photo-added --at=0.5]
//                      [--huge=CHARACTERS] [--photo] [--cycle=edit-done|focus-done] [--scroll=end] [--wait=MS]
//
// The journal is made up here (a temporary data folder): a selected entry with a rich body, tags, a
// mood, an expiration date, weather and related entries. --select also selects a few words so the
// floating format bar shows. --motion starts that change with animations on and holds every motion
// at the fraction --at of its way (0 start, 1 rest) for the picture. focus clicks the toolbar's focus
// button; focus-done the focus overlay's Done (with --mode=focus). --huge makes the body that many
// characters long (paragraphs of about 700); --photo gives the entry a photo; --cycle empties the photo
// cache, then goes through Edit and Done (or focus mode on and off) before the picture; --scroll=end
// scrolls the read page to its end first. The picture is taken --wait milliseconds after the start
// (900 by default).

#include "common/BenchSupport.h"
#include "common/DetailShot.h"
#include "common/JournalGenerator.h"

#include "Editor/Compose/ComposeFooter.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/VesperlogTextView.h"
#include "Media/ImageLoading.h"
#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"
#include "Views/Detail/DetailToolbar.h"
#include "Views/Detail/DetailWidgets.h"
#include "Views/Detail/EditableTagsView.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/MainWindow.h"

#include <QAbstractAnimation>
#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

JournalEntry shownEntry(qsizetype hugeCharacters)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat heading;
    heading.setFontPointSize(20);
    heading.setFontWeight(QFont::Bold);
    QTextCharFormat body;
    body.setFontPointSize(15);
    QTextCharFormat bold = body;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italic = body;
    italic.setFontItalic(true);
    cursor.insertText(QStringLiteral("The river at dawn"), heading);
    cursor.insertText(QStringLiteral("\n\n"), body);
    cursor.insertText(QStringLiteral("Walked down before anyone else was up. The water was "), body);
    cursor.insertText(QStringLiteral("perfectly still"), bold);
    cursor.insertText(QStringLiteral(" and the swifts were already out, low over the surface. I kept thinking about "
                                     "the letter I still owe Anna."),
                      body);
    cursor.insertText(QStringLiteral("\n\n"), body);
    cursor.insertText(QStringLiteral("•\tbring the small notebook next time\n•\tcoffee first, then the bridge"), body);
    cursor.insertText(QStringLiteral("\n\n"), body);
    cursor.insertText(QStringLiteral("Something about the light made the whole morning feel "), body);
    cursor.insertText(QStringLiteral("unhurried"), italic);
    cursor.insertText(QStringLiteral("."), body);
    for (int p = 0; document.characterCount() < hugeCharacters; ++p) {
        cursor.insertText(QStringLiteral("\n\n"), body);
        cursor.insertText(QStringLiteral("Paragraph %1. ").arg(p + 1), bold);
        cursor.insertText(
            QStringLiteral("The swifts were low over the water again and the bridge was empty. ").repeated(10), body);
    }
    JournalEntry e = JournalEntry::create();
    e.title = QStringLiteral("Morning by the river");
    e.body = document.toPlainText();
    e.bodyRTF = vsp::rtf::writeRtf(document);
    e.tags = {QStringLiteral("walks"), QStringLiteral("river"), QStringLiteral("mornings")};
    e.mood = QStringLiteral("🌿");
    e.expirationDate = vsp::addDays(vsp::now(), 12);
    e.weatherSymbol = QStringLiteral("sun.max.fill");
    e.weatherTemp = 14;
    e.weatherText = QStringLiteral("Clear");
    e.placeName = QStringLiteral("Riverside Park");
    e.isFavorite = true;
    return e;
}

/// Holds every running motion of the window at `fraction` of its duration.
void holdMotions(QWidget* window, double fraction)
{
    for (QAbstractAnimation* animation : window->findChildren<QAbstractAnimation*>()) {
        if (animation->state() == QAbstractAnimation::Running) {
            animation->pause();
            animation->setCurrentTime(int(animation->totalDuration() * fraction));
        }
    }
}

/// Starts the named change with animations on.
void startMotion(const QString& motion, EntryDetailView& detail, JournalStore& store)
{
    vsp::setAnimationsEnabled(true);
    auto* tags = detail.findChild<EditableTagsView*>(QStringLiteral("detailTags"));
    if (motion == u"edit") {
        detail.startEditing();
    } else if (motion == u"done") {
        detail.saveEdits();
    } else if (motion == u"tag-removed") {
        tags->tagChips().first()->removeButton()->click();
    } else if (motion == u"tag-added") {
        tags->tagField()->setText(QStringLiteral("evenings"));
        tags->commitTag();
    } else if (motion == u"suggestions") {
        // From five suggestions to the one of them that stays.
        tags->tagField()->insert(QStringLiteral("2"));
    } else if (motion == u"expiration") {
        detail.findChild<GlassChipButton*>(QStringLiteral("expirationToggle"))->click();
    } else if (motion == u"photo-added") {
        QImage photo(1200, 800, QImage::Format_RGB32);
        QPainter painter(&photo);
        QLinearGradient gradient(0, 0, 1200, 800);
        gradient.setColorAt(0, QColor(0x2f, 0x6f, 0x9f));
        gradient.setColorAt(1, QColor(0xe8, 0xb0, 0x4a));
        painter.fillRect(photo.rect(), gradient);
        painter.end();
        const QString path = QDir::temp().filePath(QStringLiteral("detail-shot-photo.jpg"));
        photo.save(path, "JPEG", 85);
        detail.addImages({QUrl::fromLocalFile(path)});
    } else if (motion == u"focus") {
        detail.findChild<vsp::GlassButton*>(QStringLiteral("focusButton"))->click();
    } else if (motion == u"focus-done") {
        detail.findChild<QAbstractButton*>(QStringLiteral("focusDone"))->click();
    } else if (motion == u"favorite") {
        store.toggleFavorite(detail.entry());
    }
}

} // namespace

int main(int argc, char** argv)
{
    qsizetype huge = 0;
    for (int i = 1; i < argc; ++i) {
        if (qstrncmp(argv[i], "--huge=", 7) == 0) {
            huge = QByteArray(argv[i] + 7).toLongLong();
        }
    }
    QList<JournalEntry> journal = vsp::bench::generateJournal(40);
    const JournalEntry shown = shownEntry(huge);
    for (int i = 0; i < 4; ++i) {
        journal[i * 3].tags.append(QStringLiteral("walks"));
    }
    journal.prepend(shown);
    vsp::bench::installJournal(journal);
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const vsp::bench::ToolArguments tool(
        args, "detail_screenshots OUT.png [--appearance=light|dark] [--mode=...] [--select]");
    if (!tool.ok()) {
        return 2;
    }
    auto option = [&](const QString& name) { return tool.option(name); };
    vsp::bench::DetailShot shot(option(QStringLiteral("appearance")).value_or(QStringLiteral("dark")), shown.id);
    JournalStore& store = shot.store;
    MainWindow& window = shot.window;
    EntryDetailView& detail = shot.detail();
    if (option(QStringLiteral("photo"))) {
        QImage photo(1200, 800, QImage::Format_RGB32);
        QPainter painter(&photo);
        QLinearGradient gradient(0, 0, 1200, 800);
        gradient.setColorAt(0, QColor(0x2f, 0x6f, 0x9f));
        gradient.setColorAt(1, QColor(0xe8, 0xb0, 0x4a));
        painter.fillRect(photo.rect(), gradient);
        painter.end();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        photo.save(&buffer, "JPEG", 85);
        JournalEntry withPhoto = *store.entry(shown.id);
        withPhoto.imageFilenames = {store.saveImage(bytes, shown.id, QStringLiteral("river.jpg")).value_or(QString())};
        store.updateEntry(withPhoto);
    }
    if (const auto cycle = option(QStringLiteral("cycle"))) {
        QTimer::singleShot(300, &app, [&detail, &store, cycle = *cycle] {
            vsp::photos::cache().clear();
            if (cycle == u"focus-done") {
                store.setFocusMode(true);
                store.setFocusMode(false);
            } else {
                detail.startEditing();
                detail.saveEdits();
            }
        });
    }
    if (option(QStringLiteral("scroll")).value_or(QString()) == u"end") {
        QTimer::singleShot(600, &app, [&detail] {
            for (QScrollArea* area : detail.findChildren<QScrollArea*>()) {
                if (area->isVisible()) {
                    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
                }
            }
        });
    }
    const QString mode = option(QStringLiteral("mode")).value_or(QStringLiteral("read"));
    if (mode == u"edit") {
        detail.startEditing();
    } else if (mode == u"focus") {
        store.setFocusMode(true);
    } else if (mode == u"focus-read") {
        store.setFocusMode(true);
        detail.commitEdits();
    }
    if (option(QStringLiteral("select")) && detail.isEditing()) {
        QTimer::singleShot(300, &app, [&detail] {
            QTextEdit* view = detail.findChild<FormattableTextEditor*>(QStringLiteral("detailBody"))->textView();
            view->setFocus();
            QTextCursor cursor = view->textCursor();
            cursor.setPosition(60);
            cursor.setPosition(75, QTextCursor::KeepAnchor);
            view->setTextCursor(cursor);
        });
    }
    if (const auto motion = option(QStringLiteral("motion"))) {
        const bool editing = *motion != u"edit" && *motion != u"favorite" && *motion != u"focus";
        if (editing && !detail.isEditing()) {
            detail.startEditing();
        }
        if (*motion == u"suggestions") {
            detail.findChild<EditableTagsView*>(QStringLiteral("detailTags"))
                ->tagField()
                ->insert(QStringLiteral("tag2"));
        }
        const double at = option(QStringLiteral("at")).value_or(QStringLiteral("0.5")).toDouble();
        QTimer::singleShot(500, &app, [&, motion = *motion] { startMotion(motion, detail, store); });
        // Motions that take their new picture on the next turn have started by then.
        QTimer::singleShot(560, &app, [&window, at] { holdMotions(&window, at); });
    }
    const QString out = tool.out();
    const int grabAt = option(QStringLiteral("wait")).value_or(QStringLiteral("900")).toInt();
    QTimer::singleShot(grabAt, &app, [&window, out] {
        const bool ok = window.grab().save(out);
        std::printf("%s %s\n", ok ? "wrote" : "failed", qPrintable(out));
        QCoreApplication::exit(ok ? 0 : 1);
    });
    return QApplication::exec();
}
