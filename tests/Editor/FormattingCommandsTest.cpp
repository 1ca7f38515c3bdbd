#include "FormattingCommandsTest.h"

#include "common/EditorTestSupport.h"

#include "Editor/FormattableTextEditor.h"
#include "Editor/FormattingCommands.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/TextAttributes.h"
#include "Editor/VesperlogTextView.h"
#include "common/TestSupport.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

using namespace vsp;
using vsp::test::formatAt;
using vsp::test::makeEditor;
using vsp::test::select;

void FormattingCommandsTest::init()
{
    vsp::test::resetUserFolders();
}

void FormattingCommandsTest::unknownOrInvalidCommands_changeNothing_data()
{
    QTest::addColumn<QString>("command");
    for (const char* command :
         {"Bold", "bold ", " bold", "size", "size:", "size:abc", "size: 18", "size:18 ", "size:nan", "size:inf",
          "size:-3", "size:0", "size:401", "size:1e400", "size:0x12", "colour:red", "", "BULLET", "quote!"}) {
        QTest::newRow(command[0] ? command : "empty") << QString::fromLatin1(command);
    }
}

void FormattingCommandsTest::unknownOrInvalidCommands_changeNothing()
{
    QFETCH(QString, command);
    auto editor = makeEditor(QStringLiteral("some text"));
    select(*editor, 0, 4);
    const QByteArray before = *editor->richText();
    const QTextCharFormat typing = editor->textView()->currentCharFormat();
    QSignalSpy rich(editor.get(), &FormattableTextEditor::richTextChanged);
    QVERIFY(!editor->applyFormat(command));
    QCOMPARE(*editor->richText(), before);
    QCOMPARE(editor->textView()->currentCharFormat(), typing);
    QVERIFY(!editor->textView()->document()->isUndoAvailable());
    editor->flushEdits();
    QCOMPARE(rich.count(), 0);
}

void FormattingCommandsTest::size_headingsAreBoldInTitleColour_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<double>("size");
    QTest::addColumn<bool>("heading");
    QTest::newRow("18 body") << QStringLiteral("size:18") << 18.0 << false;
    QTest::newRow("19.5 body") << QStringLiteral("size:19.5") << 19.5 << false;
    QTest::newRow("20 heading") << QStringLiteral("size:20") << 20.0 << true;
    QTest::newRow("26 heading") << QStringLiteral("size:26") << 26.0 << true;
    QTest::newRow("400 largest") << QStringLiteral("size:400") << 400.0 << true;
}

void FormattingCommandsTest::size_headingsAreBoldInTitleColour()
{
    QFETCH(QString, command);
    QFETCH(double, size);
    QFETCH(bool, heading);
    auto editor = makeEditor(QStringLiteral("one two"));
    // Start from bold text in red, so both the weight and the colour must change for body sizes.
    select(*editor, 0, 7);
    QVERIFY(editor->applyFormat(QStringLiteral("bold")));
    QVERIFY(editor->applyFormat(QStringLiteral("color:FF0000")));
    QVERIFY(editor->applyFormat(command));
    const EditorPalette palette;
    for (int i : {0, 4}) {
        const QTextCharFormat f = formatAt(*editor, i);
        QCOMPARE(f.fontPointSize(), size);
        QCOMPARE(editor::isBold(f), heading);
        QCOMPARE(f.foreground().color(), heading ? palette.title : palette.body);
    }
    // With a caret only the typing attributes change.
    vsp::test::caret(*editor, 7);
    QVERIFY(editor->applyFormat(QStringLiteral("size:30")));
    QCOMPARE(formatAt(*editor, 4).fontPointSize(), size);
    QTest::keyClicks(editor->textView(), QStringLiteral("X"));
    QCOMPARE(formatAt(*editor, 7).fontPointSize(), 30.0);
    QVERIFY(editor::isBold(formatAt(*editor, 7)));
}

void FormattingCommandsTest::bold_mixedSelection_swapsRunsAndBack()
{
    auto editor = makeEditor(QStringLiteral("bold plain"));
    // Select the first word with the keyboard, as a user would.
    QTest::keyClick(editor->textView(), Qt::Key_Home);
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(editor->textView(), Qt::Key_Right, Qt::ShiftModifier);
    }
    QCOMPARE(editor->textView()->textCursor().selectedText(), QStringLiteral("bold"));
    QVERIFY(editor->applyFormat(QStringLiteral("bold")));
    select(*editor, 0, 10);
    QVERIFY(editor->applyFormat(QStringLiteral("bold")));
    QVERIFY(!editor::isBold(formatAt(*editor, 0)));
    QVERIFY(!editor::isBold(formatAt(*editor, 3)));
    QVERIFY(editor::isBold(formatAt(*editor, 4)));
    QVERIFY(editor::isBold(formatAt(*editor, 9)));
    QVERIFY(editor->applyFormat(QStringLiteral("bold")));
    QVERIFY(editor::isBold(formatAt(*editor, 0)));
    QVERIFY(!editor::isBold(formatAt(*editor, 5)));
    // The selection stays where it was.
    QCOMPARE(editor->textView()->textCursor().selectionStart(), 0);
    QCOMPARE(editor->textView()->textCursor().selectionEnd(), 10);
}

void FormattingCommandsTest::italic_emptySelection_changesOnlyTypingAttributes()
{
    auto editor = makeEditor(QStringLiteral("abc"));
    vsp::test::caret(*editor, 3);
    QSignalSpy rich(editor.get(), &FormattableTextEditor::richTextChanged);
    for (const QString& command : {QStringLiteral("italic"), QStringLiteral("bold"), QStringLiteral("underline"),
                                   QStringLiteral("strikethrough"), QStringLiteral("color:60A5FA")}) {
        QVERIFY(editor->applyFormat(command));
    }
    editor->flushEdits();
    QCOMPARE(rich.count(), 0);
    QVERIFY(!formatAt(*editor, 2).fontItalic());
    QTest::keyClicks(editor->textView(), QStringLiteral("d"));
    const QTextCharFormat typed = formatAt(*editor, 3);
    QVERIFY(typed.fontItalic());
    QVERIFY(editor::isBold(typed));
    QVERIFY(typed.fontUnderline());
    QVERIFY(typed.fontStrikeOut());
    QCOMPARE(typed.foreground().color(), QColor(0x60, 0xA5, 0xFA));
    QCOMPARE(typed.fontPointSize(), 15.0);
}

void FormattingCommandsTest::lineStyles_anyStyledRunSwitchesWholeSelectionOff_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("underline") << QStringLiteral("underline");
    QTest::newRow("strikethrough") << QStringLiteral("strikethrough");
}

void FormattingCommandsTest::lineStyles_anyStyledRunSwitchesWholeSelectionOff()
{
    QFETCH(QString, command);
    const bool underline = command == u"underline";
    auto styled = [&](FormattableTextEditor& e, int i) {
        return underline ? formatAt(e, i).fontUnderline() : formatAt(e, i).fontStrikeOut();
    };
    auto editor = makeEditor(QStringLiteral("one two three"));
    select(*editor, 4, 7);
    QVERIFY(editor->applyFormat(command));
    QVERIFY(styled(*editor, 4));
    QVERIFY(!styled(*editor, 0));
    select(*editor, 0, 13);
    QVERIFY(editor->applyFormat(command));
    for (int i = 0; i < 13; ++i) {
        QVERIFY(!styled(*editor, i));
    }
    QVERIFY(editor->applyFormat(command));
    for (int i = 0; i < 13; ++i) {
        QVERIFY(styled(*editor, i));
    }
}

void FormattingCommandsTest::highlight_togglesAnyBackground_andIgnoresEmptySelection()
{
    auto editor = makeEditor(QStringLiteral("one two three"));
    const EditorPalette palette;
    vsp::test::caret(*editor, 3);
    const QTextCharFormat typing = editor->textView()->currentCharFormat();
    QVERIFY(editor->applyFormat(QStringLiteral("highlight")));
    QCOMPARE(editor->textView()->currentCharFormat(), typing);
    QVERIFY(!editor->textView()->document()->isUndoAvailable());

    // A background of another colour, even fully transparent, counts as highlighted.
    QTextCursor cursor(editor->textView()->document());
    cursor.setPosition(8);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    QTextCharFormat clear;
    clear.setBackground(QColor(0, 0, 255, 0));
    cursor.mergeCharFormat(clear);
    select(*editor, 0, 13);
    QVERIFY(editor->applyFormat(QStringLiteral("highlight")));
    for (int i = 0; i < 13; ++i) {
        QVERIFY(!formatAt(*editor, i).hasProperty(QTextFormat::BackgroundBrush));
    }
    QVERIFY(editor->applyFormat(QStringLiteral("highlight")));
    for (int i = 0; i < 13; ++i) {
        QCOMPARE(formatAt(*editor, i).background().color(), palette.highlight);
    }
}

void FormattingCommandsTest::color_parsesHexOrResets_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QColor>("color");
    QTest::newRow("six digits") << QStringLiteral("F87171") << QColor(0xF8, 0x71, 0x71);
    QTest::newRow("leading hash") << QStringLiteral("#F87171") << QColor(0xF8, 0x71, 0x71);
    QTest::newRow("hashes both ends") << QStringLiteral("##f87171#") << QColor(0xF8, 0x71, 0x71);
    QTest::newRow("plus sign") << QStringLiteral("+4ADE80") << QColor(0x4A, 0xDE, 0x80);
    QTest::newRow("eight digits use last six") << QStringLiteral("80A78BFA") << QColor(0xA7, 0x8B, 0xFA);
    QTest::newRow("above 32 bits") << QStringLiteral("1FFFFFFFF") << QColor(0, 0, 0);
    QTest::newRow("empty") << QString() << QColor(0, 0, 0);
    QTest::newRow("hash only") << QStringLiteral("#") << QColor(0, 0, 0);
    QTest::newRow("non-hex letter") << QStringLiteral("F8717G") << QColor(0, 0, 0);
    QTest::newRow("leading space") << QStringLiteral(" F87171") << QColor(0, 0, 0);
    QTest::newRow("inner hash") << QStringLiteral("F8#171") << QColor(0, 0, 0);
    QTest::newRow("reset") << QStringLiteral("reset") << EditorPalette().body;
}

void FormattingCommandsTest::color_parsesHexOrResets()
{
    QFETCH(QString, value);
    QFETCH(QColor, color);
    auto editor = makeEditor(QStringLiteral("word"));
    select(*editor, 0, 4);
    QVERIFY(editor->applyFormat(QStringLiteral("color:00FF00")));
    QVERIFY(editor->applyFormat(QStringLiteral("color:") + value));
    QCOMPARE(formatAt(*editor, 0).foreground().color(), color);
    QCOMPARE(formatAt(*editor, 3).foreground().color(), color);
    const bool reset = value == u"reset";
    QCOMPARE(formatAt(*editor, 0).intProperty(editor::kForegroundRoleProperty),
             reset ? int(editor::ColorRole::Body) : int(editor::ColorRole::None));
}

void FormattingCommandsTest::characterCommand_isOneUndoStep_andReportsNewRtf()
{
    auto editor = makeEditor(QStringLiteral("alpha beta"));
    QSignalSpy plain(editor.get(), &FormattableTextEditor::plainTextChanged);
    QSignalSpy rich(editor.get(), &FormattableTextEditor::richTextChanged);
    select(*editor, 0, 10);
    QVERIFY(editor->applyFormat(QStringLiteral("size:26")));
    editor->flushEdits();
    QCOMPARE(plain.count(), 0);
    QCOMPARE(rich.count(), 1);
    const auto reported = rich.takeFirst().at(0).value<std::optional<QByteArray>>();
    QVERIFY(reported && reported->contains("\\fs52"));
    QCOMPARE(*reported, *editor->richText());

    QTest::keySequence(editor->textView(), QKeySequence::Undo);
    QCOMPARE(formatAt(*editor, 0).fontPointSize(), 15.0);
    QCOMPARE(formatAt(*editor, 9).fontPointSize(), 15.0);
    QVERIFY(!editor->textView()->document()->isUndoAvailable());
    editor->flushEdits();
    QCOMPARE(rich.count(), 1);
    QVERIFY(!rich.takeFirst().at(0).value<std::optional<QByteArray>>()->contains("\\fs52"));
}
