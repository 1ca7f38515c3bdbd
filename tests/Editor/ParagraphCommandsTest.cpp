#include "ParagraphCommandsTest.h"

#include "common/EditorTestSupport.h"

#include "Editor/FormattableTextEditor.h"
#include "Editor/ParagraphCommands.h"
#include "Editor/TextAttributes.h"
#include "Editor/VesperlogTextView.h"
#include "common/TestSupport.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace vsp;
using vsp::test::formatAt;
using vsp::test::makeEditor;
using vsp::test::select;

namespace {
const QString B = QStringLiteral("\u2022\t");
const QString Open = QStringLiteral("\u2610 ");
const QString Done = QStringLiteral("\u2611 ");
} // namespace

void ParagraphCommandsTest::init()
{
    vsp::test::resetUserFolders();
}

void ParagraphCommandsTest::listCommands_rewriteLineStarts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("expected");
    const QStringList bullet{QStringLiteral("bullet")};
    const QStringList numbered{QStringLiteral("numbered")};
    const QStringList checklist{QStringLiteral("checklist")};
    QTest::newRow("bullet toggles off") << B + QStringLiteral("x") << 0 << 0 << bullet << QStringLiteral("x");
    QTest::newRow("bullet drops indentation and trailing blanks")
        << QStringLiteral("  item  ") << 3 << 3 << bullet << B + QStringLiteral("item");
    QTest::newRow("bullet replaces a number") << QStringLiteral("3.\tx") << 0 << 0 << bullet << B + QStringLiteral("x");
    QTest::newRow("bullet inverts mixed lines")
        << B + QStringLiteral("a\nb") << 0 << 5 << bullet << QStringLiteral("a\n") + B + QStringLiteral("b");
    QTest::newRow("blank lines stay empty, bullet")
        << QStringLiteral("a\n   \nb") << 0 << 7 << bullet << B + QStringLiteral("a\n\n") + B + QStringLiteral("b");
    QTest::newRow("blank lines stay empty, numbered")
        << QStringLiteral("a\n\t \nb") << 0 << 6 << numbered << QStringLiteral("1.\ta\n\n2.\tb");
    QTest::newRow("blank lines stay empty, checklist") << QStringLiteral("a\n \nb") << 0 << 5 << checklist
                                                       << Open + QStringLiteral("a\n\n") + Open + QStringLiteral("b");
    QTest::newRow("numbered twice removes")
        << QStringLiteral("a\n\nb") << 0 << 4 << (numbered + numbered) << QStringLiteral("a\n\nb");
    QTest::newRow("numbered renumbers from 1")
        << QStringLiteral("7.\tseven\neight") << 0 << 14 << numbered << QStringLiteral("1.\tseven\n2.\teight");
    QTest::newRow("numbered starts at 1 whatever precedes")
        << QStringLiteral("1.\tone\ntwo") << 7 << 7 << numbered << QStringLiteral("1.\tone\n1.\ttwo");
    QTest::newRow("checklist cycles from bullet")
        << B + QStringLiteral("task") << 0 << 0 << checklist << Open + QStringLiteral("task");
    QTest::newRow("checklist open to done")
        << Open + QStringLiteral("task") << 0 << 0 << checklist << Done + QStringLiteral("task");
    QTest::newRow("checklist done to none")
        << Done + QStringLiteral("task") << 0 << 0 << checklist << QStringLiteral("task");
    // A line holding only a marker is that marker, not text to be marked again.
    QTest::newRow("marker-only bullet line") << B << 2 << 2 << bullet << QString();
    QTest::newRow("bare bullet") << QStringLiteral("\u2022") << 1 << 1 << bullet << QString();
    QTest::newRow("marker-only number line") << QStringLiteral("4.\t") << 3 << 3 << numbered << QString();
    QTest::newRow("marker-only box line") << Open << 2 << 2 << checklist << Done;
    // Digits and a full stop without the tab are typed text (a year, a list written by hand): kept.
    QTest::newRow("numbers without tab are text")
        << QStringLiteral("1.\n2024.") << 0 << 8 << numbered << QStringLiteral("1.\t1.\n2.\t2024.");
    QTest::newRow("bullet keeps a lone number") << QStringLiteral("7.") << 0 << 0 << bullet << B + QStringLiteral("7.");
    QTest::newRow("indent skips empty lines")
        << QStringLiteral("a\n\nb") << 0 << 4 << QStringList{QStringLiteral("indent")} << QStringLiteral("\ta\n\n\tb");
    QTest::newRow("indent keeps markers") << B + QStringLiteral("a") << 0 << 0 << QStringList{QStringLiteral("indent")}
                                          << QStringLiteral("\t") + B + QStringLiteral("a");
    QTest::newRow("indent each soft line") << QStringLiteral("a\u2028b") << 0 << 0
                                           << QStringList{QStringLiteral("indent")} << QStringLiteral("\ta\u2028\tb");
    QTest::newRow("outdent two blanks unchanged")
        << QStringLiteral("  x") << 0 << 0 << QStringList{QStringLiteral("outdent")} << QStringLiteral("  x");
    QTest::newRow("outdent four blanks") << QStringLiteral("     x") << 0 << 0 << QStringList{QStringLiteral("outdent")}
                                         << QStringLiteral(" x");
    QTest::newRow("outdent one of two tabs")
        << QStringLiteral("\t\tx\n\ty") << 0 << 6 << QStringList{QStringLiteral("outdent")} << QStringLiteral("\tx\ny");
}

void ParagraphCommandsTest::listCommands_rewriteLineStarts()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, commands);
    QFETCH(QString, expected);
    auto editor = makeEditor(text);
    select(*editor, from, to);
    for (const QString& command : commands) {
        QVERIFY(editor->applyFormat(command));
    }
    QCOMPARE(editor->plainText(), expected);
    QCOMPARE(editor::plainTextOf(*editor->textView()->document()), expected);
}

void ParagraphCommandsTest::bullet_middleLine_changesOnlyThatLineAndSelectsIt()
{
    auto editor = makeEditor(QStringLiteral("first\nsecond\nthird"));
    vsp::test::caret(*editor, 8);
    QVERIFY(editor->applyFormat(QStringLiteral("bullet")));
    QCOMPARE(editor->plainText(), QStringLiteral("first\n") + B + QStringLiteral("second\nthird"));
    const QTextCursor selection = editor->textView()->textCursor();
    QCOMPARE(selection.selectionStart(), 6);
    QCOMPARE(selection.selectionEnd(), 6 + 8 + 1); // the line and its line break
    QVERIFY(editor->applyFormat(QStringLiteral("bullet")));
    QCOMPARE(editor->plainText(), QStringLiteral("first\nsecond\nthird"));
}

void ParagraphCommandsTest::listPrefix_otherMarker_togglesThatMarker()
{
    // The list-prefix operation serves any line marker, not only the bullet.
    auto editor = makeEditor(Open + QStringLiteral("open\nplain\n") + B + QStringLiteral("bullet"));
    select(*editor, 0, int(editor->plainText().size()));
    editor::applyListPrefix(Open, *editor->textView());
    QCOMPARE(editor->plainText(),
             QStringLiteral("open\n") + Open + QStringLiteral("plain\n") + Open + QStringLiteral("bullet"));
}

void ParagraphCommandsTest::listCommands_keepFormattingInsideLines_data()
{
    QTest::addColumn<QString>("command");
    for (const char* c : {"bullet", "numbered", "checklist", "indent", "outdent"}) {
        QTest::newRow(c) << QString::fromLatin1(c);
    }
}

void ParagraphCommandsTest::listCommands_keepFormattingInsideLines()
{
    QFETCH(QString, command);
    auto editor = makeEditor(QStringLiteral("\tplain bold red\nnext big"));
    select(*editor, 7, 11);
    QVERIFY(editor->applyFormat(QStringLiteral("bold")));
    select(*editor, 12, 15);
    QVERIFY(editor->applyFormat(QStringLiteral("color:F87171")));
    select(*editor, 21, 24);
    QVERIFY(editor->applyFormat(QStringLiteral("size:26")));
    select(*editor, 0, 24);
    QVERIFY(editor->applyFormat(command));

    const QString text = editor->plainText();
    const int bold = int(text.indexOf(u"bold"));
    const int red = int(text.indexOf(u"red"));
    const int big = int(text.indexOf(u"big"));
    QVERIFY(!editor::isBold(formatAt(*editor, bold - 1)));
    QVERIFY(editor::isBold(formatAt(*editor, bold)));
    QVERIFY(editor::isBold(formatAt(*editor, bold + 3)));
    QCOMPARE(formatAt(*editor, red).foreground().color(), QColor(0xF8, 0x71, 0x71));
    QCOMPARE(formatAt(*editor, big).fontPointSize(), 26.0);
    QCOMPARE(formatAt(*editor, big - 1).fontPointSize(), 15.0);
}

void ParagraphCommandsTest::quote_indentsAndColours_notAToggle()
{
    auto editor = makeEditor(QStringLiteral("before\nquoted one\nquoted two\nafter"));
    select(*editor, 9, 20);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(editor->applyFormat(QStringLiteral("quote")));
        const QTextDocument& doc = *editor->textView()->document();
        QCOMPARE(doc.findBlockByNumber(0).blockFormat().leftMargin(), 0.0);
        for (int n : {1, 2}) {
            const QTextBlockFormat f = doc.findBlockByNumber(n).blockFormat();
            QCOMPARE(f.leftMargin(), editor::kQuoteIndentPoints * editor::kPixelsPerPoint);
            QCOMPARE(f.textIndent(), 0.0);
            QCOMPARE(f.lineHeight(), editor::kLineSpacingPoints * editor::kPixelsPerPoint);
        }
        QCOMPARE(doc.findBlockByNumber(3).blockFormat().leftMargin(), 0.0);
        QCOMPARE(formatAt(*editor, 7).foreground().color(), EditorPalette().quote);
        QCOMPARE(formatAt(*editor, 20).foreground().color(), EditorPalette().quote);
        QCOMPARE(formatAt(*editor, 0).foreground().color(), EditorPalette().body);
        QCOMPARE(editor->plainText(), QStringLiteral("before\nquoted one\nquoted two\nafter"));
    }
}

void ParagraphCommandsTest::paragraphCommand_isOneUndoStep_andReportsShownText()
{
    auto editor = makeEditor(QStringLiteral("a\nb\nc"));
    QSignalSpy plain(editor.get(), &FormattableTextEditor::plainTextChanged);
    QSignalSpy rich(editor.get(), &FormattableTextEditor::richTextChanged);
    select(*editor, 0, 5);
    QVERIFY(editor->applyFormat(QStringLiteral("numbered")));
    const QString numbered = QStringLiteral("1.\ta\n2.\tb\n3.\tc");
    QCOMPARE(plain.count(), 1);
    QCOMPARE(plain.takeFirst().at(0).toString(), numbered);
    editor->flushEdits();
    QCOMPARE(rich.count(), 1);
    QVERIFY(rich.takeFirst().at(0).value<std::optional<QByteArray>>()->contains("3.\\tab c"));

    QTest::keySequence(editor->textView(), QKeySequence::Undo);
    QCOMPARE(editor->plainText(), QStringLiteral("a\nb\nc"));
    QCOMPARE(plain.count(), 1);
    QCOMPARE(plain.takeFirst().at(0).toString(), QStringLiteral("a\nb\nc"));
    QVERIFY(!editor->textView()->document()->isUndoAvailable());
}

void ParagraphCommandsTest::returnKey_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedCaret");
    QTest::newRow("indented bullet continues") << QStringLiteral("\t") + B + QStringLiteral("Item") << 7
                                               << QStringLiteral("\t") + B + QStringLiteral("Item\n\t") + B << 11;
    QTest::newRow("done box continues open")
        << Done + QStringLiteral("done") << 6 << Done + QStringLiteral("done\n") + Open << 9;
    QTest::newRow("nine becomes ten") << QStringLiteral("9.\tnine") << 7 << QStringLiteral("9.\tnine\n10.\t") << 12;
    QTest::newRow("largest number starts again")
        << QStringLiteral("9223372036854775807.\tmax") << 24 << QStringLiteral("9223372036854775807.\tmax\n1.\t") << 28;
    QTest::newRow("digits of another script")
        << QStringLiteral("\u0663.\tx") << 4 << QStringLiteral("\u0663.\tx\n1.\t") << 8;
    QTest::newRow("rest moves behind the marker")
        << B + QStringLiteral("abcd") << 4 << B + QStringLiteral("ab\n") + B + QStringLiteral("cd") << 7;
    QTest::newRow("plain line") << QStringLiteral("plain") << 5 << QStringLiteral("plain\n") << 6;
    QTest::newRow("year with full stop is text") << QStringLiteral("2024.") << 5 << QStringLiteral("2024.\n") << 6;
    QTest::newRow("caret in indentation")
        << QStringLiteral("\t") + B + QStringLiteral("x") << 1 << QStringLiteral("\t\n") + B + QStringLiteral("x") << 2;
    QTest::newRow("caret inside marker") << QStringLiteral("12.\tx") << 2 << QStringLiteral("12\n.\tx") << 3;
    QTest::newRow("caret before marker") << B + QStringLiteral("x") << 0
                                         << QStringLiteral("\n") + B + QStringLiteral("x") << 1;
    QTest::newRow("soft line inside a paragraph")
        << QStringLiteral("intro\u2028") + B + QStringLiteral("x") << 9
        << QStringLiteral("intro\u2028") + B + QStringLiteral("x\n") + B << 12;
}

void ParagraphCommandsTest::returnKey()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, expected);
    QFETCH(int, expectedCaret);
    auto editor = makeEditor(text);
    vsp::test::caret(*editor, caret);
    QTest::keyClick(editor->textView(), Qt::Key_Return);
    QCOMPARE(editor->plainText(), expected);
    QCOMPARE(editor->textView()->textCursor().position(), expectedCaret);
}

void ParagraphCommandsTest::returnKey_markerOnlyLine_endsListThenOrdinaryNewline()
{
    for (const QString& marker : {B, Open, Done, QStringLiteral("3.\t"), QStringLiteral("\u2022")}) {
        auto editor = makeEditor(QStringLiteral("  ") + marker);
        vsp::test::caret(*editor, int(2 + marker.size()));
        QTest::keyClick(editor->textView(), Qt::Key_Return);
        QCOMPARE(editor->plainText(), QStringLiteral("  "));
        QCOMPARE(editor->textView()->textCursor().position(), 2);
        QTest::keyClick(editor->textView(), Qt::Key_Return);
        QCOMPARE(editor->plainText(), QStringLiteral("  \n"));
    }
    // With a selection Return is the ordinary one.
    auto editor = makeEditor(B + QStringLiteral("abc"));
    select(*editor, 3, 4);
    QTest::keyClick(editor->textView(), Qt::Key_Return);
    QCOMPARE(editor->plainText(), B + QStringLiteral("a\nc"));
}

void ParagraphCommandsTest::returnKey_isOneUndoStep()
{
    auto editor = makeEditor(B + QStringLiteral("one"));
    vsp::test::caret(*editor, 5);
    QTest::keyClick(editor->textView(), Qt::Key_Return);
    QCOMPARE(editor->plainText(), B + QStringLiteral("one\n") + B);
    QTest::keySequence(editor->textView(), QKeySequence::Undo);
    QCOMPARE(editor->plainText(), B + QStringLiteral("one"));
    QVERIFY(!editor->textView()->document()->isUndoAvailable());
}
