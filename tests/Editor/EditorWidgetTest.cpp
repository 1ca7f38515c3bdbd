#include "EditorWidgetTest.h"

#include "common/EditorTestSupport.h"

#include "Editor/DisplayBlocks.h"
#include "Editor/FormattableTextEditor.h"
#include "Editor/RichTextHandle.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/SelectionState.h"
#include "Editor/TextAttributes.h"
#include "Editor/VesperlogTextView.h"
#include "Model/AppSettings.h"
#include "common/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPaintEvent>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>

#include <cmath>
#include <functional>
#include <limits>

using namespace vsp;
using vsp::test::formatAt;
using vsp::test::makeEditor;
using vsp::test::select;

namespace {

using OptionalBytes = std::optional<QByteArray>;

QByteArray rtfOf(const QString& text, const QColor& color, double size = 15, bool bold = false)
{
    QTextDocument doc;
    QTextCharFormat f;
    f.setForeground(color);
    f.setFontPointSize(size);
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    QTextCursor(&doc).insertText(text, f);
    return rtf::writeRtf(doc);
}

int pixelsDifferingFrom(const QImage& image, QRgb background)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) != background ? 1 : 0;
        }
    }
    return count;
}

// Collects the regions a widget is asked to paint.
class PaintRecorder final : public QObject {
public:
    QRegion painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void EditorWidgetTest::init()
{
    vsp::test::resetUserFolders();
    QApplication::clipboard()->clear();
}

void EditorWidgetTest::newEditor_typesWithDefaultAttributes()
{
    auto editor = makeEditor();
    QCOMPARE(editor->plainText(), QString());
    QVERIFY(!editor->richText());
    QSignalSpy plain(editor.get(), &FormattableTextEditor::plainTextChanged);
    QTest::keyClicks(editor->textView(), QStringLiteral("Hi"));
    QCOMPARE(editor->plainText(), QStringLiteral("Hi"));
    QCOMPARE(plain.count(), 2);
    const QTextCharFormat f = formatAt(*editor, 0);
    QCOMPARE(vsp::test::sizeAt(*editor, 0), 15.0);
    QVERIFY(!editor::isBold(f));
    QCOMPARE(f.foreground().color(), EditorPalette().body);
    QCOMPARE(editor->textView()->document()->defaultFont().family(),
             editor::familyForDesign(QStringLiteral("default")));
    const QTextBlockFormat block = editor->textView()->document()->begin().blockFormat();
    QCOMPARE(block.lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
    QCOMPARE(block.lineHeight(), editor::kLineSpacingPoints * editor::kPixelsPerPoint);
}

void EditorWidgetTest::pointSizes_showAsLogicalPixels()
{
    // 15-point body text is as tall as 15-pixel interface text, as on the desktop the journal was
    // designed for, not a third larger.
    auto editor = makeEditor();
    editor->resize(600, 300);
    QTest::keyClicks(editor->textView(), QStringLiteral("Height"));
    QTextBlock block = editor->textView()->document()->begin();
    QVERIFY(block.layout() && block.layout()->lineCount() > 0);
    QFont pixels(editor->textView()->document()->defaultFont());
    pixels.setPixelSize(15);
    QVERIFY(qAbs(block.layout()->lineAt(0).height() - QFontMetricsF(pixels).height()) <= 1.0);
}

void EditorWidgetTest::storedWritingFontSize_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<double>("size");
    QTest::newRow("absent") << QVariant() << 15.0;
    QTest::newRow("18") << QVariant(18.0) << 18.0;
    QTest::newRow("13") << QVariant(13.0) << 13.0;
    QTest::newRow("nan") << QVariant(std::numeric_limits<double>::quiet_NaN()) << 15.0;
    QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity()) << 15.0;
    QTest::newRow("negative") << QVariant(-4.0) << 15.0;
    QTest::newRow("absurd") << QVariant(1e9) << 15.0;
}

void EditorWidgetTest::storedWritingFontSize()
{
    QFETCH(QVariant, stored);
    QFETCH(double, size);
    if (stored.isValid()) {
        AppSettings::instance().setWritingFontSize(stored.toDouble());
    }
    auto editor = makeEditor(QStringLiteral("x"));
    QCOMPARE(editor->fontSize(), size);
    QCOMPARE(vsp::test::sizeAt(*editor, 0), size);
    editor->setFontSize(std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(editor->fontSize(), 15.0);
    // A change in the settings window is followed; the text shows it at the next load.
    AppSettings::instance().setWritingFontSize(19.0);
    QCOMPARE(editor->fontSize(), 19.0);
    QCOMPARE(vsp::test::sizeAt(*editor, 0), size);
    editor->setContent(QStringLiteral("y"), std::nullopt);
    QCOMPARE(vsp::test::sizeAt(*editor, 0), 19.0);
}

void EditorWidgetTest::fontDesigns_mapToInstalledFamilies_data()
{
    QTest::addColumn<QString>("design");
    QTest::addColumn<QString>("family");
    QTest::newRow("default") << QStringLiteral("default") << QStringLiteral("Inter");
    QTest::newRow("serif") << QStringLiteral("serif") << QStringLiteral("Charis SIL");
    QTest::newRow("rounded") << QStringLiteral("rounded") << QStringLiteral("Comfortaa");
    QTest::newRow("mono") << QStringLiteral("mono") << QStringLiteral("JetBrains Mono");
    QTest::newRow("other case") << QStringLiteral("Mono") << QStringLiteral("Inter");
    QTest::newRow("empty") << QString() << QStringLiteral("Inter");
}

void EditorWidgetTest::fontDesigns_mapToInstalledFamilies()
{
    QFETCH(QString, design);
    QFETCH(QString, family);
    if (!QFontDatabase::hasFamily(family)) {
        QSKIP("font package not installed");
    }
    QCOMPARE(editor::familyForDesign(design), family);
    auto editor = makeEditor(QStringLiteral("x"));
    editor->setFontDesign(design);
    QCOMPARE(editor->textView()->document()->defaultFont().family(), family);
    QCOMPARE(QFontInfo(editor->textView()->document()->defaultFont()).family(), family);
}

void EditorWidgetTest::setContent_readableRtfWins_elsePlainText()
{
    auto editor = makeEditor();
    editor->setContent(QStringLiteral("plain body"), rtfOf(QStringLiteral("rich body"), QColor(255, 0, 0), 22, true));
    QCOMPARE(editor->plainText(), QStringLiteral("rich body"));
    QCOMPARE(formatAt(*editor, 0).fontPointSize(), 22.0);
    QVERIFY(editor::isBold(formatAt(*editor, 0)));
    QCOMPARE(formatAt(*editor, 0).foreground().color(), QColor(255, 0, 0));
    QVERIFY(!editor->textView()->document()->isUndoAvailable());

    editor->setContent(QStringLiteral("plain\nbody"), QByteArray("not rtf at all"));
    QCOMPARE(editor->plainText(), QStringLiteral("plain\nbody"));
    QCOMPARE(vsp::test::sizeAt(*editor, 7), 15.0);
    QCOMPARE(editor->textView()->document()->lastBlock().blockFormat().lineHeight(),
             editor::kLineSpacingPoints * editor::kPixelsPerPoint);

    editor->setContent(QStringLiteral("deep"), QByteArray("{\\rtf1 ") + QByteArray(10000, '{'));
    QCOMPARE(editor->plainText(), QStringLiteral("deep"));

    // RTF without any text (cut short, or all of it in parts that are not text) is not the body beside
    // a plain text that has words: the plain text shows, so that an edit never saves the body away.
    for (const QByteArray& textless : {QByteArray("{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}"),
                                       QByteArray("{\\rtf1 {\\*\\unknown the body}\\par  }")}) {
        editor->setContent(QStringLiteral("kept body"), textless);
        QCOMPARE(editor->plainText(), QStringLiteral("kept body"));
    }
    editor->setContent(QString(), QByteArray("{\\rtf1 \\par }"));
    QCOMPARE(editor->plainText(), QStringLiteral("\n"));
}

void EditorWidgetTest::setContent_emitsNothing_andDropsPendingRtfOfOldDocument()
{
    auto editor = makeEditor(QStringLiteral("old"));
    QSignalSpy plain(editor.get(), &FormattableTextEditor::plainTextChanged);
    QSignalSpy rich(editor.get(), &FormattableTextEditor::richTextChanged);
    vsp::test::caret(*editor, 3);
    QTest::keyClicks(editor->textView(), QStringLiteral("er"));
    QCOMPARE(plain.count(), 2);
    editor->setContent(QStringLiteral("new entry"), std::nullopt);
    QVERIFY(vsp::test::fireTimer(*editor, QStringLiteral("richTextTimer")));
    editor->flushEdits();
    QCOMPARE(rich.count(), 0);
    QCOMPARE(plain.count(), 2);
    QCOMPARE(editor->plainText(), QStringLiteral("new entry"));
}

void EditorWidgetTest::setContentWithDesign_loadsNewDocumentBeforeRefont()
{
    auto editor = makeEditor(QStringLiteral("first entry"));
    QSignalSpy rich(editor.get(), &FormattableTextEditor::richTextChanged);
    QSignalSpy design(editor.get(), &FormattableTextEditor::fontDesignChanged);
    QTest::keyClicks(editor->textView(), QStringLiteral("!"));
    // The second entry was written in the serif design.
    QTextDocument secondDoc;
    secondDoc.setDefaultFont(editor::resolveFont(18, QStringLiteral("serif")));
    QTextCursor(&secondDoc).insertText(QStringLiteral("second entry"));
    const QByteArray second = rtf::writeRtf(secondDoc);
    editor->setContent(QStringLiteral("second entry"), second, QStringLiteral("serif"));
    QVERIFY(vsp::test::fireTimer(*editor, QStringLiteral("richTextTimer")));
    editor->flushEdits();
    QCOMPARE(rich.count(), 0);
    QCOMPARE(design.count(), 1);
    QCOMPARE(editor->plainText(), QStringLiteral("second entry"));
    QCOMPARE(editor->textView()->document()->defaultFont().family(), editor::familyForDesign(QStringLiteral("serif")));
    QCOMPARE(formatAt(*editor, 0).fontPointSize(), 18.0);
    // What the editor writes now is the second entry in the new design.
    const QByteArray written = *editor->richText();
    QVERIFY(written.contains("second entry"));
    QVERIFY(!written.contains("first"));
    QVERIFY(written.contains(editor::familyForDesign(QStringLiteral("serif")).toLatin1()));
}

void EditorWidgetTest::fontDesignChange_keepsSizesAndTraits_andWritesRtfOnly()
{
    QTextDocument source;
    QTextCursor c(&source);
    auto add = [&](const QString& text, double size, int weight, bool italic, const QString& family = {}) {
        QTextCharFormat f;
        f.setFontPointSize(size);
        f.setFontWeight(weight);
        f.setFontItalic(italic);
        if (!family.isEmpty()) {
            f.setFontFamilies(QStringList{family});
        }
        c.insertText(text, f);
    };
    add(QStringLiteral("Title "), 26, QFont::Bold, false);
    add(QStringLiteral("slanted "), 15, QFont::Normal, true);
    add(QStringLiteral("semibold "), 15, QFont::DemiBold, false);
    add(QStringLiteral("pasted"), 13, QFont::Bold, true, QStringLiteral("DejaVu Serif"));
    auto editor = makeEditor();
    editor->setContent(QStringLiteral("ignored"), rtf::writeRtf(source));
    QSignalSpy plain(editor.get(), &FormattableTextEditor::plainTextChanged);
    QSignalSpy rich(editor.get(), &FormattableTextEditor::richTextChanged);
    editor->setFontDesign(QStringLiteral("mono"));
    QVERIFY(vsp::test::fireTimer(*editor, QStringLiteral("richTextTimer")));
    QCOMPARE(plain.count(), 0);
    QCOMPARE(rich.count(), 1);
    const QByteArray written = *rich.takeFirst().at(0).value<OptionalBytes>();
    QVERIFY(written.contains(editor::familyForDesign(QStringLiteral("mono")).toLatin1()));
    QVERIFY(!written.contains("DejaVu Serif"));

    QTextDocument read;
    QVERIFY(rtf::readRtf(written, read));
    const QString text = editor::plainTextOf(read);
    const auto at = [&](const char* word) {
        return editor::charFormatAt(read, int(text.indexOf(QLatin1String(word))));
    };
    QCOMPARE(at("Title").fontPointSize(), 26.0);
    QVERIFY(editor::isBold(at("Title")));
    QVERIFY(at("slanted").fontItalic());
    QCOMPARE(at("semibold").fontWeight(), int(QFont::Normal));
    QCOMPARE(at("pasted").fontPointSize(), 13.0);
    QVERIFY(editor::isBold(at("pasted")));
    QVERIFY(at("pasted").fontItalic());
    const QString mono = editor::familyForDesign(QStringLiteral("mono"));
    for (const char* word : {"Title", "slanted", "semibold", "pasted"}) {
        QCOMPARE(at(word).fontFamilies().toStringList(), QStringList{mono});
    }
}

void EditorWidgetTest::designThenReplace_neverReportsTheOldDocument()
{
    auto editor = makeEditor(QStringLiteral("entry A"));
    QSignalSpy rich(editor.get(), &FormattableTextEditor::richTextChanged);
    // A host switching entries may set the new design before it replaces the document.
    editor->setFontDesign(QStringLiteral("serif"));
    editor->setContent(QStringLiteral("entry B"), std::nullopt);
    QVERIFY(vsp::test::fireTimer(*editor, QStringLiteral("richTextTimer")));
    editor->flushEdits();
    QCOMPARE(rich.count(), 0);
    QCOMPARE(editor->plainText(), QStringLiteral("entry B"));
    QCOMPARE(editor->textView()->document()->defaultFont().family(), editor::familyForDesign(QStringLiteral("serif")));
}

void EditorWidgetTest::keyboardShortcuts_formatTheSelection()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* editor = new FormattableTextEditor(&window);
    layout->addWidget(editor);
    // A window shortcut on the same key must not take it from the focused editor.
    QAction clash(QStringLiteral("Import"), &window);
    clash.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    window.addAction(&clash);
    QSignalSpy clashed(&clash, &QAction::triggered);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    editor->setContent(QStringLiteral("one two"), std::nullopt);
    editor->textView()->setFocus();
    select(*editor, 0, 3);
    QTest::keyClick(editor->textView(), Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(editor->textView(), Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(editor->textView(), Qt::Key_U, Qt::ControlModifier);
    QVERIFY(editor::isBold(formatAt(*editor, 0)));
    QVERIFY(formatAt(*editor, 1).fontItalic());
    QVERIFY(formatAt(*editor, 2).fontUnderline());
    QVERIFY(!editor::isBold(formatAt(*editor, 4)));
    QCOMPARE(clashed.count(), 0);
    QCOMPARE(editor->plainText(), QStringLiteral("one two"));
}

void EditorWidgetTest::loadedColours_adaptToTheme_data()
{
    const EditorPalette palette;
    QTest::addColumn<QColor>("stored");
    QTest::addColumn<QColor>("shown");
    QTest::newRow("white is title") << QColor(255, 255, 255) << palette.title;
    QTest::newRow("black is title") << QColor(0, 0, 0) << palette.title;
    QTest::newRow("mid grey is body") << QColor(128, 128, 128) << palette.body;
    QTest::newRow("just above 0.78 is title") << QColor(199, 199, 199) << palette.title;
    QTest::newRow("just below 0.78 is body") << QColor(198, 198, 198) << palette.body;
    QTest::newRow("just above 0.22 is body") << QColor(57, 57, 57) << palette.body;
    QTest::newRow("just below 0.22 is title") << QColor(56, 56, 56) << palette.title;
    QTest::newRow("spread below 0.08 is grey") << QColor(120, 140, 130) << palette.body;
    QTest::newRow("spread above 0.08 keeps") << QColor(120, 141, 130) << QColor(120, 141, 130);
    QTest::newRow("red keeps") << QColor(255, 0, 0) << QColor(255, 0, 0);
    QTest::newRow("light quote colour follows") << QColor(0x82, 0x69, 0x28) << palette.quote;
    // Body text saved in either appearance comes back as body text, not in the title colour.
    QTest::newRow("dark body colour stays body") << EditorPalette::dark().body << palette.body;
    QTest::newRow("light body colour stays body") << EditorPalette::light().body << palette.body;
}

void EditorWidgetTest::loadedColours_adaptToTheme()
{
    QFETCH(QColor, stored);
    QFETCH(QColor, shown);
    auto editor = makeEditor();
    editor->setContent(QStringLiteral("x"), rtfOf(QStringLiteral("word"), stored));
    QCOMPARE(formatAt(*editor, 0).foreground().color(), shown);
}

void EditorWidgetTest::savedDocument_reloadsWithTheSameColours()
{
    auto editor = makeEditor(QStringLiteral("Heading\nbody text\nquoted\nred"));
    select(*editor, 0, 7);
    QVERIFY(editor->applyFormat(QStringLiteral("size:26")));
    vsp::test::caret(*editor, 20);
    QVERIFY(editor->applyFormat(QStringLiteral("quote")));
    select(*editor, 25, 28);
    QVERIFY(editor->applyFormat(QStringLiteral("color:F87171")));
    auto reloaded = makeEditor();
    reloaded->setContent(editor->plainText(), editor->richText());
    QCOMPARE(reloaded->plainText(), editor->plainText());
    for (const EditorPalette& palette : {EditorPalette::dark(), EditorPalette::light()}) {
        editor->setEditorPalette(palette);
        reloaded->setEditorPalette(palette);
        const QString text = editor->plainText();
        for (int i = 0; i < int(text.size()); ++i) {
            if (text[i] == u'\n') {
                continue;
            }
            QCOMPARE(formatAt(*reloaded, i).foreground().color(), formatAt(*editor, i).foreground().color());
        }
    }
}

void EditorWidgetTest::randomEditingSessions_reloadAsShown_andUndoToTheStart()
{
    // Sessions of commands, Return, typing, Backspace, copy and paste and undo on random selections:
    // the saved RTF must bring back every character with the styles it showed, and undoing every step
    // must give back the starting text.
    const QStringList commands = QStringLiteral("bold,italic,underline,strikethrough,highlight,bullet,numbered,"
                                                "checklist,quote,indent,outdent,size:26,size:20,size:15,"
                                                "color:F87171,color:reset")
                                     .split(u',');
    const QString start = QStringLiteral("Alpha beta\n\t\u2022\tgamma\n1.\tdelta \U0001F600\n\n\u2610 eps\u2028zeta  ");
    QRandomGenerator random(7);
    auto style = [](const FormattableTextEditor& editor, int i) {
        const QTextCharFormat f = formatAt(editor, i);
        return QStringLiteral("%1 %2%3%4%5 %6 %7")
            .arg(f.foreground().color().name(QColor::HexArgb))
            .arg(editor::isBold(f))
            .arg(f.fontItalic())
            .arg(f.fontUnderline())
            .arg(f.fontStrikeOut())
            .arg(vsp::test::sizeAt(editor, i))
            .arg(f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name(QColor::HexArgb)
                                                             : QString());
    };
    for (int session = 0; session < 40; ++session) {
        auto editor = makeEditor(start);
        QStringList steps;
        // A position where the caret can stand (never inside a surrogate pair).
        auto position = [&] {
            const QString text = editor->plainText();
            int at = int(random.bounded(int(text.size()) + 1));
            if (at > 0 && at < text.size() && text[at].isLowSurrogate()) {
                --at;
            }
            return at;
        };
        for (int step = 0; step < 25; ++step) {
            const int anchor = position();
            const int to = position();
            select(*editor, anchor, to);
            const int kind = int(random.bounded(10));
            QString name;
            if (kind < 5) {
                name = commands[int(random.bounded(commands.size()))];
                editor->applyFormat(name);
            } else if (kind < 7) {
                name = QStringLiteral("Return");
                QTest::keyClick(editor->textView(), Qt::Key_Return);
            } else if (kind < 8) {
                name = QStringLiteral("typing");
                QTest::keyClicks(editor->textView(), QStringLiteral("xy"));
            } else if (kind < 9) {
                name = QStringLiteral("Backspace");
                QTest::keyClick(editor->textView(), Qt::Key_Backspace);
            } else if (random.bounded(2) == 0) {
                name = QStringLiteral("undo");
                QTest::keySequence(editor->textView(), QKeySequence::Undo);
            } else {
                QTest::keySequence(editor->textView(), QKeySequence::Copy);
                const int at = position();
                vsp::test::caret(*editor, at);
                QTest::keySequence(editor->textView(), QKeySequence::Paste);
                name = QStringLiteral("paste at %1").arg(at);
            }
            steps << QStringLiteral("%1 [%2,%3]").arg(name).arg(anchor).arg(to);
            QCOMPARE(editor->plainText(), editor::plainTextOf(*editor->textView()->document()));
        }
        const QByteArray trail = steps.join(QStringLiteral("; ")).toUtf8();
        const QString text = editor->plainText();
        auto reloaded = makeEditor();
        reloaded->setContent(text, editor->richText());
        QVERIFY2(reloaded->plainText() == text, trail.constData());
        for (int i = 0; i < int(text.size()); ++i) {
            if (text[i] != u'\n') {
                QVERIFY2(style(*reloaded, i) == style(*editor, i),
                         QByteArray(QByteArray::number(i) + ": " + trail).constData());
            }
        }
        // An empty document has no RTF, so the paragraph style of its one empty line is not kept.
        QTextBlock shown = editor->textView()->document()->begin();
        for (QTextBlock block = reloaded->textView()->document()->begin();
             !text.isEmpty() && block.isValid() && shown.isValid(); block = block.next(), shown = shown.next()) {
            QVERIFY2(block.blockFormat().leftMargin() == shown.blockFormat().leftMargin(), trail.constData());
            QVERIFY2(block.blockFormat().lineHeight() == shown.blockFormat().lineHeight(), trail.constData());
        }
        while (editor->textView()->document()->isUndoAvailable()) {
            editor->textView()->document()->undo();
        }
        QVERIFY2(editor->plainText() == start, trail.constData());
    }
}

void EditorWidgetTest::typing_reportsPlainAtOnce_andRtfCoalesced()
{
    auto editor = makeEditor();
    QSignalSpy plain(editor.get(), &FormattableTextEditor::plainTextChanged);
    QSignalSpy rich(editor.get(), &FormattableTextEditor::richTextChanged);
    QTest::keyClicks(editor->textView(), QStringLiteral("abc"));
    QCOMPARE(plain.count(), 3);
    QCOMPARE(plain.last().at(0).toString(), QStringLiteral("abc"));
    QCOMPARE(editor->textView()->textCursor().position(), 3);
    QCOMPARE(rich.count(), 0);
    QVERIFY(vsp::test::fireTimer(*editor, QStringLiteral("richTextTimer")));
    QCOMPARE(rich.count(), 1);
    QTextDocument read;
    QVERIFY(rtf::readRtf(*rich.last().at(0).value<OptionalBytes>(), read));
    QCOMPARE(editor::plainTextOf(read), QStringLiteral("abc"));

    QTest::keyClicks(editor->textView(), QStringLiteral("d"));
    QCOMPARE(rich.count(), 1);
    editor->flushEdits();
    QCOMPARE(rich.count(), 2);
    // Losing the focus delivers what is pending too.
    QTest::keyClicks(editor->textView(), QStringLiteral("e"));
    QLineEdit other(editor.get());
    other.show();
    other.setFocus();
    QCoreApplication::processEvents();
    QCOMPARE(rich.count(), 3);
}

void EditorWidgetTest::typing_undoRedo()
{
    auto editor = makeEditor(QStringLiteral("start"));
    vsp::test::caret(*editor, 5);
    QTest::keyClicks(editor->textView(), QStringLiteral(" more"));
    QCOMPARE(editor->plainText(), QStringLiteral("start more"));
    QTest::keySequence(editor->textView(), QKeySequence::Undo);
    QCOMPARE(editor->plainText(), QStringLiteral("start"));
    QTest::keySequence(editor->textView(), QKeySequence::Redo);
    QCOMPARE(editor->plainText(), QStringLiteral("start more"));
}

void EditorWidgetTest::oneParagraphGiant_editsAsOneParagraph_data()
{
    QTest::addColumn<bool>("rich");
    QTest::newRow("plain") << false;
    QTest::newRow("rich") << true;
}

void EditorWidgetTest::oneParagraphGiant_editsAsOneParagraph()
{
    QFETCH(bool, rich);
    const QString body = vsp::test::oneLineOfSentences(3 * editor::kDisplayBlockCharacters + 100);
    OptionalBytes stored;
    if (rich) {
        QTextDocument written;
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        QTextCursor cursor(&written);
        cursor.insertText(body.left(3), bold);
        cursor.insertText(body.mid(3), QTextCharFormat());
        stored = rtf::writeRtf(written);
    }
    auto editor = makeEditor();
    editor->setContent(body, stored);
    QTextDocument& document = *editor->textView()->document();
    // Held in display blocks that each lay out quickly, cut after a sentence.
    QCOMPARE(document.blockCount(), 4);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        QVERIFY(text.size() <= editor::kDisplayBlockCharacters);
        QVERIFY(QStringLiteral(".!?").contains(block.next().isValid() && text.endsWith(u' ') ? text[text.size() - 2]
                                                                                             : text.back()));
    }
    QCOMPARE(editor->plainText(), body);
    // The RTF is that of the one paragraph, not split: the same document with the breaks taken out.
    std::unique_ptr<QTextDocument> joined(document.clone());
    for (QTextBlock block = joined->lastBlock(); block.position() > 0; block = block.previous()) {
        QTextCursor separator(joined.get());
        separator.setPosition(block.position() - 1);
        separator.deleteChar();
    }
    QCOMPARE(joined->blockCount(), 1);
    QCOMPARE(*editor->richText(), rtf::writeRtf(*joined));

    // Words land in the body where they are typed; Backspace and Delete at a break take a character.
    QString expected = body;
    const int second = document.findBlockByNumber(1).position();
    vsp::test::caret(*editor, second);
    QTest::keyClicks(editor->textView(), QStringLiteral("Here "));
    expected.insert(second - 1, QStringLiteral("Here "));
    QCOMPARE(editor->plainText(), expected);
    const int third = document.findBlockByNumber(2).position();
    vsp::test::caret(*editor, third);
    QTest::keyClick(editor->textView(), Qt::Key_Backspace);
    expected.remove(third - 2 - 1, 1);
    QCOMPARE(editor->plainText(), expected);
    const int fourth = document.findBlockByNumber(3).position();
    vsp::test::caret(*editor, fourth - 1);
    QTest::keyClick(editor->textView(), Qt::Key_Delete);
    expected.remove(fourth - 3, 1);
    QCOMPARE(editor->plainText(), expected);
    // Return there is a line break of the body; the display block after it is no paragraph of its own.
    QTest::keyClick(editor->textView(), Qt::Key_Return);
    expected.insert(fourth - 3, u'\n');
    QCOMPARE(editor->plainText(), expected);
    QTextDocument reread;
    QVERIFY(rtf::readRtf(*editor->richText(), reread));
    QCOMPARE(editor::plainTextOf(reread), expected);
}

void EditorWidgetTest::paste_prefersRtf_thenPlain_neverHtmlOrImages()
{
    auto editor = makeEditor(QStringLiteral("[]"));
    auto pasteAt1 = [&](QMimeData* data) {
        QApplication::clipboard()->setMimeData(data);
        vsp::test::caret(*editor, 1);
        QTest::keySequence(editor->textView(), QKeySequence::Paste);
    };

    auto* both = new QMimeData;
    both->setData(QStringLiteral("text/rtf"), rtfOf(QStringLiteral("RICH"), QColor(255, 0, 0), 20, true));
    both->setText(QStringLiteral("plain"));
    both->setHtml(QStringLiteral("<b>html</b>"));
    pasteAt1(both);
    QCOMPARE(editor->plainText(), QStringLiteral("[RICH]"));
    QVERIFY(editor::isBold(formatAt(*editor, 1)));
    QCOMPARE(formatAt(*editor, 1).foreground().color(), QColor(255, 0, 0));

    editor->setContent(QStringLiteral("[]"), std::nullopt);
    auto* broken = new QMimeData;
    broken->setData(QStringLiteral("text/rtf"), QByteArray("garbage"));
    broken->setText(QStringLiteral("fallback\r\ntext"));
    pasteAt1(broken);
    QCOMPARE(editor->plainText(), QStringLiteral("[fallback\ntext]"));
    QCOMPARE(vsp::test::sizeAt(*editor, 2), 15.0);

    editor->setContent(QStringLiteral("[]"), std::nullopt);
    auto* htmlOnly = new QMimeData;
    htmlOnly->setHtml(QStringLiteral("<img src=\"https://example.invalid/x.png\"><b>bold</b>"));
    pasteAt1(htmlOnly);
    auto* image = new QMimeData;
    image->setImageData(QImage(4, 4, QImage::Format_RGB32));
    pasteAt1(image);
    auto* urls = new QMimeData;
    urls->setUrls({QUrl(QStringLiteral("https://example.invalid/picture.png"))});
    urls->removeFormat(QStringLiteral("text/plain"));
    pasteAt1(urls);
    QCOMPARE(editor->plainText(), QStringLiteral("[]"));
}

void EditorWidgetTest::copyPaste_keepsFormatting()
{
    auto editor = makeEditor(QStringLiteral("copy me: "));
    select(*editor, 0, 4);
    QVERIFY(editor->applyFormat(QStringLiteral("bold")));
    QVERIFY(editor->applyFormat(QStringLiteral("highlight")));
    select(*editor, 0, 4);
    QTest::keySequence(editor->textView(), QKeySequence::Copy);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    QVERIFY(copied->hasFormat(QStringLiteral("text/rtf")));
    QCOMPARE(copied->text(), QStringLiteral("copy"));
    QVERIFY(!copied->hasHtml());

    vsp::test::caret(*editor, 9);
    QTest::keySequence(editor->textView(), QKeySequence::Paste);
    QCOMPARE(editor->plainText(), QStringLiteral("copy me: copy"));
    QVERIFY(editor::isBold(formatAt(*editor, 9)));
    QCOMPARE(formatAt(*editor, 12).background().color(), EditorPalette().highlight);
    // The editor's own family is not pinned on the pasted text: it follows the font design.
    QVERIFY(formatAt(*editor, 9).fontFamilies().toStringList().isEmpty());
}

void EditorWidgetTest::selectionState_followsSelection()
{
    auto editor = makeEditor(QStringLiteral("bold plain under"));
    SelectionState state;
    editor->setSelectionState(&state);
    select(*editor, 0, 1);
    QVERIFY(editor->applyFormat(QStringLiteral("bold")));
    select(*editor, 11, 16);
    QVERIFY(editor->applyFormat(QStringLiteral("underline")));
    QVERIFY(editor->applyFormat(QStringLiteral("highlight")));

    QSignalSpy hasSelection(&state, &SelectionState::hasSelectionChanged);
    select(*editor, 0, 4); // bold first character, the rest plain
    QVERIFY(state.hasSelection());
    QVERIFY(state.isBold());
    QVERIFY(!state.isUnderline());
    const QRectF rect = state.selectionRect();
    QVERIFY(rect.width() > 5);
    QVERIFY(rect.height() > 5);
    QVERIFY(editor->rect().contains(rect.toRect()));

    select(*editor, 5, 16); // plain into underlined
    QVERIFY(!state.isBold());
    QVERIFY(!state.isUnderline());
    QVERIFY(state.selectionRect().left() > rect.right());
    select(*editor, 11, 13);
    QVERIFY(state.isUnderline());
    QVERIFY(state.isHighlighted());
    const QRectF last = state.selectionRect();

    vsp::test::caret(*editor, 2);
    QVERIFY(!state.hasSelection());
    QVERIFY(state.isUnderline());
    QCOMPARE(state.selectionRect(), last);
    QCOMPARE(hasSelection.count(), 1);

    // Selecting with the keyboard publishes too.
    QTest::keyClick(editor->textView(), Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(state.hasSelection());
    QCOMPARE(hasSelection.count(), 2);
}

void EditorWidgetTest::richTextHandle_givesLiveRtf()
{
    RichTextHandle neverShown;
    QVERIFY(!neverShown.currentRTF());

    RichTextHandle handle;
    {
        auto editor = makeEditor();
        editor->setRichTextHandle(&handle);
        QCOMPARE(handle.textView(), editor->textView());
        QVERIFY(!handle.currentRTF());
        QTest::keyClicks(editor->textView(), QStringLiteral(" "));
        QVERIFY(handle.currentRTF());
        QTest::keyClicks(editor->textView(), QStringLiteral("live"));
        // Read at once, without waiting for the coalesced signal.
        QTextDocument read;
        QVERIFY(rtf::readRtf(*handle.currentRTF(), read));
        QCOMPARE(editor::plainTextOf(read), QStringLiteral(" live"));
    }
    QVERIFY(!handle.textView());
    QVERIFY(!handle.currentRTF());
}

void EditorWidgetTest::autoHeight_reportsContentHeight()
{
    auto editor = makeEditor(QStringLiteral("one line"));
    QSignalSpy height(editor.get(), &FormattableTextEditor::contentHeightChanged);
    editor->setAutoHeight(true);
    QCOMPARE(editor->contentHeight(), FormattableTextEditor::kMinimumContentHeight);
    vsp::test::caret(*editor, 8);
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(editor->textView(), Qt::Key_Return);
        QTest::keyClicks(editor->textView(), QStringLiteral("line %1").arg(i));
    }
    QVERIFY(editor->contentHeight() > 600);
    QVERIFY(height.count() >= 1);
    QCOMPARE(height.last().at(0).toInt(), editor->contentHeight());
}

void EditorWidgetTest::focus_takenOnlyWhenNoTextFieldHasIt()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* title = new QLineEdit(&window);
    layout->addWidget(title);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    title->setFocus();
    auto* editor = new FormattableTextEditor(&window);
    layout->addWidget(editor);
    editor->show();
    QVERIFY(vsp::test::fireTimer(*editor, QStringLiteral("focusGrabTimer")));
    QCOMPARE(QApplication::focusWidget(), title);

    QWidget plainWindow;
    auto* plainLayout = new QVBoxLayout(&plainWindow);
    plainWindow.show();
    QVERIFY(QTest::qWaitForWindowActive(&plainWindow));
    auto* second = new FormattableTextEditor(&plainWindow);
    plainLayout->addWidget(second);
    second->show();
    QVERIFY(vsp::test::fireTimer(*second, QStringLiteral("focusGrabTimer")));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(second->textView()));
}

void EditorWidgetTest::placeholder_drawnOnlyWhileEmpty()
{
    auto editor = makeEditor();
    const QRgb background = editor->grab().toImage().pixel(300, 200);
    const int blank = pixelsDifferingFrom(editor->grab().toImage(), background);
    editor->setPlaceholder(QStringLiteral("What is on your mind?"));
    QCOMPARE(editor->textView()->placeholderString(), QStringLiteral("What is on your mind?"));
    const int withPlaceholder = pixelsDifferingFrom(editor->grab().toImage(), background);
    QVERIFY(withPlaceholder > blank + 50);
    QTest::keyClicks(editor->textView(), QStringLiteral("."));
    const int typed = pixelsDifferingFrom(editor->grab().toImage(), background);
    QVERIFY(typed < withPlaceholder);
}

void EditorWidgetTest::typing_repaintsTheChangedLine_andThePlaceholderWhenItComesOrGoes()
{
    auto editor = makeEditor();
    editor->setPlaceholder(QStringLiteral("What is on your mind? A placeholder long enough to need a few lines "
                                          "of the view, so that it reaches well below the first line of text."));
    QWidget* viewport = editor->textView()->viewport();
    PaintRecorder recorder;
    viewport->installEventFilter(&recorder);
    auto paintedBy = [&](const std::function<void()>& edit) {
        QApplication::processEvents();
        recorder.painted = QRegion();
        edit();
        QApplication::processEvents();
        return recorder.painted;
    };
    const QRegion whole(viewport->rect());
    // The first character removes the placeholder, all of it.
    QVERIFY((whole - paintedBy([&] { QTest::keyClicks(editor->textView(), QStringLiteral("F")); })).isEmpty());
    // Further typing repaints about its own line only.
    editor->setContent(QStringLiteral("First line\n").repeated(20), std::nullopt);
    vsp::test::caret(*editor, 5);
    const QRegion typed = paintedBy([&] { QTest::keyClicks(editor->textView(), QStringLiteral("x")); });
    QVERIFY(!typed.isEmpty());
    QVERIFY2(typed.boundingRect().height() < viewport->height() / 4,
             qPrintable(QString::number(typed.boundingRect().height())));
    // Emptying the document brings the placeholder back.
    QVERIFY((whole - paintedBy([&] {
                 QTest::keySequence(editor->textView(), QKeySequence::SelectAll);
                 QTest::keyClick(editor->textView(), Qt::Key_Delete);
             })).isEmpty());
    QVERIFY(editor->plainText().isEmpty());
}

void EditorWidgetTest::palette_recoloursThemeRuns()
{
    auto editor = makeEditor(QStringLiteral("body heading red"));
    select(*editor, 5, 12);
    QVERIFY(editor->applyFormat(QStringLiteral("size:26")));
    select(*editor, 13, 16);
    QVERIFY(editor->applyFormat(QStringLiteral("color:FF0000")));
    editor->setEditorPalette(EditorPalette::light());
    QCOMPARE(formatAt(*editor, 0).foreground().color(), EditorPalette::light().body);
    QCOMPARE(formatAt(*editor, 5).foreground().color(), EditorPalette::light().title);
    QCOMPARE(formatAt(*editor, 13).foreground().color(), QColor(255, 0, 0));
}
