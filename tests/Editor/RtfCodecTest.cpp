#include "RtfCodecTest.h"

#include "Editor/Rtf/RtfReader.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/TextAttributes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace vsp;

namespace {

QString colorText(const QBrush& brush, bool present)
{
    if (!present || brush.style() == Qt::NoBrush) {
        return QStringLiteral("-");
    }
    const QColor c = brush.color();
    return QStringLiteral("%1,%2,%3,%4").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF(), 0, 'f', 3);
}

QString describeChar(const QTextDocument& doc, const QTextCharFormat& f)
{
    const QStringList families = f.fontFamilies().toStringList();
    const QString family = families.isEmpty() ? doc.defaultFont().family() : families.first();
    const double size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : doc.defaultFont().pointSizeF();
    return QStringLiteral("%1 %2pt%3%4%5%6 fg=%7 bg=%8")
        .arg(family)
        .arg(size)
        .arg(editor::isBold(f) ? QStringLiteral(" b") : QString())
        .arg(f.fontItalic() ? QStringLiteral(" i") : QString())
        .arg(f.fontUnderline() ? QStringLiteral(" u") : QString())
        .arg(f.fontStrikeOut() ? QStringLiteral(" s") : QString())
        .arg(colorText(f.foreground(), f.hasProperty(QTextFormat::ForegroundBrush)))
        .arg(colorText(f.background(), f.hasProperty(QTextFormat::BackgroundBrush)));
}

QString describeBlock(const QTextBlockFormat& f)
{
    QStringList tabs;
    for (const QTextOption::Tab& tab : f.tabPositions()) {
        tabs << QStringLiteral("%1/%2").arg(tab.position, 0, 'f', 2).arg(int(tab.type));
    }
    return QStringLiteral("P li=%1 fi=%2 ri=%3 sb=%4 sa=%5 al=%6 lh=%7/%8 tabs=%9")
        .arg(f.leftMargin(), 0, 'f', 2)
        .arg(f.textIndent(), 0, 'f', 2)
        .arg(f.rightMargin(), 0, 'f', 2)
        .arg(f.topMargin(), 0, 'f', 2)
        .arg(f.bottomMargin(), 0, 'f', 2)
        .arg(int(f.alignment() & Qt::AlignHorizontal_Mask))
        .arg(f.lineHeight(), 0, 'f', 2)
        .arg(f.lineHeightType())
        .arg(tabs.join(u','));
}

// One line per paragraph and per run of characters with equal effective attributes.
QStringList describe(const QTextDocument& doc)
{
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        lines << describeBlock(block.blockFormat());
        QString runText;
        QString runFormat;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString format = describeChar(doc, fragment.charFormat());
            if (format != runFormat && !runText.isEmpty()) {
                lines << runFormat + QStringLiteral(" |") + runText + u'|';
                runText.clear();
            }
            runFormat = format;
            runText += fragment.text();
        }
        if (!runText.isEmpty()) {
            lines << runFormat + QStringLiteral(" |") + runText + u'|';
        }
    }
    return lines;
}

// A document with every attribute the editor's commands produce.
void fillStyledDocument(QTextDocument& doc)
{
    doc.setDefaultFont(editor::resolveFont(15, QStringLiteral("default")));
    const EditorPalette palette;
    QTextCursor c(&doc);
    auto plain = [&] {
        QTextCharFormat f = editor::defaultCharFormat(15, palette);
        return f;
    };
    c.setBlockFormat(editor::defaultBlockFormat());
    QTextCharFormat heading = plain();
    heading.setFontPointSize(26);
    heading.setFontWeight(QFont::Bold);
    editor::setForegroundRole(heading, editor::ColorRole::Title, palette);
    c.insertText(QStringLiteral("Heading one"), heading);
    c.insertBlock(editor::defaultBlockFormat(), plain());
    QTextCharFormat f = plain();
    f.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("bold"), f);
    c.insertText(QStringLiteral(" "), plain());
    f = plain();
    f.setFontItalic(true);
    c.insertText(QStringLiteral("italic"), f);
    c.insertText(QStringLiteral(" "), plain());
    f = plain();
    f.setFontUnderline(true);
    c.insertText(QStringLiteral("under"), f);
    c.insertText(QStringLiteral(" "), plain());
    f = plain();
    f.setFontStrikeOut(true);
    c.insertText(QStringLiteral("strike"), f);
    c.insertText(QStringLiteral(" "), plain());
    f = plain();
    f.setBackground(palette.highlight);
    c.insertText(QStringLiteral("highlighted"), f);
    c.insertText(QStringLiteral(" "), plain());
    f = plain();
    editor::setForegroundColor(f, editor::colorFromHex(u"F87171"));
    c.insertText(QStringLiteral("red"), f);
    c.insertText(QStringLiteral(" "), plain());
    f = plain();
    f.setFontPointSize(20);
    f.setFontWeight(QFont::Bold);
    f.setFontItalic(true);
    f.setFontUnderline(true);
    f.setFontFamilies(QStringList{QStringLiteral("Charis SIL")});
    c.insertText(QStringLiteral("all"), f);
    QTextBlockFormat quote = editor::quoteBlockFormat();
    c.insertBlock(quote, plain());
    f = plain();
    editor::setForegroundRole(f, editor::ColorRole::Quote, palette);
    c.insertText(QStringLiteral("A quoted line"), f);
    QTextBlockFormat tabs = editor::defaultBlockFormat();
    tabs.setTabPositions({QTextOption::Tab(40, QTextOption::LeftTab), QTextOption::Tab(120, QTextOption::RightTab)});
    tabs.setAlignment(Qt::AlignHCenter);
    tabs.setTopMargin(4);
    tabs.setBottomMargin(8);
    c.insertBlock(tabs, plain());
    c.insertText(QStringLiteral("\u2022\tbullet\t{braces} \\back\\slash\u2028soft break \u00A0nbsp"), plain());
    c.insertBlock(editor::defaultBlockFormat(), plain());
    c.insertText(QStringLiteral("\u2610 caf\u00E9 \u4E2D\u6587 \U0001F600 \u05E9\u05DC\u05D5\u05DD"), plain());
    c.insertBlock(editor::defaultBlockFormat(), plain()); // a trailing empty paragraph
}

} // namespace

void RtfCodecTest::roundTrip_keepsTextAndAttributes()
{
    QTextDocument source;
    fillStyledDocument(source);
    const QByteArray rtf = rtf::writeRtf(source);
    QTextDocument read;
    read.setDefaultFont(source.defaultFont());
    QVERIFY(rtf::readRtf(rtf, read));
    QCOMPARE(editor::plainTextOf(read), editor::plainTextOf(source));
    QCOMPARE(describe(read), describe(source));
}

void RtfCodecTest::roundTrip_writesSameBytesAgain()
{
    QTextDocument source;
    fillStyledDocument(source);
    const QByteArray first = rtf::writeRtf(source);
    QTextDocument read;
    read.setDefaultFont(source.defaultFont());
    QVERIFY(rtf::readRtf(first, read));
    QCOMPARE(rtf::writeRtf(read), first);
}

void RtfCodecTest::roundTrip_everyUnicodeCharacter_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii punctuation") << QStringLiteral("!\"#$%&'()*+,-./:;<=>?@[]^_`|~ 0123456789");
    QTest::newRow("rtf specials") << QStringLiteral("{\\}\\par \\u123 \\'41 {\\*\\x}");
    QTest::newRow("latin-1 and cp1252 range") << QStringLiteral("\u0080\u0081\u009F\u00A0\u00AD\u00E9\u00FF\u20AC");
    QTest::newRow("surrogate pairs") << QStringLiteral("\U0001F600\U0001F33F\U00010348\U0010FFFD");
    QTest::newRow("bmp high half") << QStringLiteral("\u7FFF\u8000\uFFFD\uE000\uFEFF");
    QTest::newRow("markers") << QStringLiteral("\u2022\t\u2610 \u2611 12.\tx");
    QTest::newRow("controls") << QStringLiteral("a\u0001b\u001Fc\u007Fd");
    QTest::newRow("right to left") << QStringLiteral("\u0645\u0631\u062D\u0628\u0627 \u05E9\u05DC\u05D5\u05DD");
    QTest::newRow("combining") << QStringLiteral("e\u0301 n\u0303 \u0915\u094D\u0937");
}

void RtfCodecTest::roundTrip_everyUnicodeCharacter()
{
    QFETCH(QString, text);
    QTextDocument source;
    QTextCursor(&source).insertText(text);
    QTextDocument read;
    QVERIFY(rtf::readRtf(rtf::writeRtf(source), read));
    QCOMPARE(editor::plainTextOf(read), editor::plainTextOf(source));
}

void RtfCodecTest::roundTrip_keepsEveryLineSpacing_data()
{
    // Pasted paragraphs bring the spacing kinds of other writers; saving must not drop them.
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("height");
    QTest::newRow("extra leading") << int(QTextBlockFormat::LineDistanceHeight) << 6.0;
    QTest::newRow("proportional 115%") << int(QTextBlockFormat::ProportionalHeight) << 115.0;
    QTest::newRow("double") << int(QTextBlockFormat::ProportionalHeight) << 200.0;
    QTest::newRow("at least 18 pt") << int(QTextBlockFormat::MinimumHeight) << 18.0;
    QTest::newRow("exactly 24 pt") << int(QTextBlockFormat::FixedHeight) << 24.0;
}

void RtfCodecTest::roundTrip_keepsEveryLineSpacing()
{
    QFETCH(int, type);
    QFETCH(double, height);
    QTextDocument source;
    QTextCursor cursor(&source);
    QTextBlockFormat spaced;
    spaced.setLineHeight(height, type);
    cursor.setBlockFormat(spaced);
    cursor.insertText(QStringLiteral("spaced"));
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(QStringLiteral("single"));
    QTextDocument read;
    QVERIFY(rtf::readRtf(rtf::writeRtf(source), read));
    QCOMPARE(read.begin().blockFormat().lineHeightType(), type);
    QCOMPARE(read.begin().blockFormat().lineHeight(), height);
    QCOMPARE(read.lastBlock().blockFormat().lineHeightType(), int(QTextBlockFormat::SingleHeight));
}

void RtfCodecTest::writer_escapesSpecialCharactersAndFontNames()
{
    QTextDocument doc;
    QTextCharFormat f;
    f.setFontFamilies(QStringList{QStringLiteral("Odd;Name{}\\ \u00E9")});
    QTextCursor(&doc).insertText(QStringLiteral("x"), f);
    const QByteArray rtf = rtf::writeRtf(doc);
    QVERIFY(!rtf.contains("Odd;"));
    QTextDocument read;
    QVERIFY(rtf::readRtf(rtf, read));
    QCOMPARE(read.begin().begin().fragment().charFormat().fontFamilies().toStringList(),
             QStringList{QStringLiteral("Odd;Name{}\\ \u00E9")});
    // Only ASCII leaves the writer.
    for (const char c : rtf) {
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, rtf.constData());
    }
}

void RtfCodecTest::writer_emptyDocument_isValidRtf()
{
    QTextDocument doc;
    const QByteArray rtf = rtf::writeRtf(doc);
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(rtf.endsWith('}'));
    QTextDocument read;
    QVERIFY(rtf::readRtf(rtf, read));
    QCOMPARE(editor::plainTextOf(read), QString());
}

void RtfCodecTest::reader_cocoaDialect_readsListsColoursAndEscapes()
{
    const QByteArray cocoa =
        "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2761\n"
        "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;\\f1\\fswiss\\fcharset0 "
        "Helvetica-Bold;\\f2\\fnil\\fcharset0 .SFNS-Regular;}\n"
        "{\\colortbl;\\red255\\green255\\blue255;\\red251\\green2\\blue7;\\red255\\green219\\blue0;}\n"
        "{\\*\\expandedcolortbl;;\\cssrgb\\c100000\\c14913\\c0;\\csgenericrgb\\c100000\\c85882\\c0\\c22000;}\n"
        "{\\*\\listtable{\\list\\listtemplateid1\\listhybrid{\\listlevel\\levelnfc23\\levelnfcn23\\leveljc0"
        "\\leveljcn0\\levelfollow0\\levelstartat1\\levelspace360\\levelindent0{\\*\\levelmarker \\{disc\\}}"
        "{\\leveltext\\leveltemplateid1\\'01\\uc0\\u8226 ;}{\\levelnumbers;}\\fi-360\\li720\\lin720 }{\\listname ;}"
        "\\listid1}}\n"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\n"
        "\\paperw11900\\paperh16840\\margl1440\\margr1440\\vieww11520\\viewh8400\\viewkind0\n"
        "\\pard\\tx566\\tx1133\\pardirnatural\\partightenfactor0\n\n"
        "\\f0\\fs24 \\cf0 Hello \n"
        "\\f1\\b world\n"
        "\\f0\\b0 \\\n"
        "\\pard\\tx220\\tx720\\li720\\fi-720\\pardirnatural\\partightenfactor0\n"
        "\\ls1\\ilvl0\\cf0 {\\listtext\t\\uc0\\u8226 \t}Item one\\\n"
        "{\\listtext\t\\uc0\\u8226 \t}Item \\cf2 two\\cf0 \\\n"
        "\\pard\\pardirnatural\\slleading120\\partightenfactor0\n"
        "\\f2\\cf0 caf\\'e9 \\uc0\\u8212  {\\cb3 marked} \\uc0\\u55357\\u56832 end}";
    QTextDocument doc;
    doc.setDefaultFont(editor::resolveFont(15, QStringLiteral("default")));
    QVERIFY(rtf::readRtf(cocoa, doc));
    QCOMPARE(
        editor::plainTextOf(doc),
        QStringLiteral("Hello world\n\t\u2022\tItem one\n\t\u2022\tItem two\ncaf\u00E9 \u2014 marked \U0001F600end"));
    const int world = int(editor::plainTextOf(doc).indexOf(u"world"));
    const QTextCharFormat worldFormat = editor::charFormatAt(doc, world);
    QVERIFY(editor::isBold(worldFormat));
    QCOMPARE(worldFormat.fontFamilies().toStringList(), QStringList{QStringLiteral("Helvetica")});
    QCOMPARE(worldFormat.fontPointSize(), 12.0);
    const int two = int(editor::plainTextOf(doc).indexOf(u"two"));
    QCOMPARE(editor::charFormatAt(doc, two).foreground().color(), QColor(251, 2, 7));
    QVERIFY(!editor::charFormatAt(doc, two - 2).hasProperty(QTextFormat::ForegroundBrush));
    const int marked = int(editor::plainTextOf(doc).indexOf(u"marked"));
    const QColor background = editor::charFormatAt(doc, marked).background().color();
    QCOMPARE(background.rgb(), QColor(255, 219, 0).rgb());
    QVERIFY(std::abs(background.alphaF() - 0.22f) < 0.001f);
    // The system font name gives no family: the editor's design shows.
    QVERIFY(editor::charFormatAt(doc, marked).fontFamilies().toStringList().isEmpty());
    const QTextBlock item = doc.findBlock(two);
    QCOMPARE(item.blockFormat().leftMargin(), 720 / editor::kTwipsPerPixel);
    QCOMPARE(item.blockFormat().textIndent(), -720 / editor::kTwipsPerPixel);
    QCOMPARE(doc.lastBlock().blockFormat().lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
    QCOMPARE(doc.lastBlock().blockFormat().lineHeight(), editor::kLineSpacingPoints * editor::kPixelsPerPoint);
}

void RtfCodecTest::reader_backgroundOne_offOnlyInCocoaDialect_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("plainBackground");
    // The other desktop keeps white as colour 1 and ends a highlight with \cb1.
    QTest::newRow("cocoa") << QByteArray("{\\rtf1\\ansi\\ansicpg1252\\cocoartf2761\n") << QStringLiteral("-");
    // Our own writer (and office suites) number real colours from 1.
    QTest::newRow("ours") << QByteArray("{\\rtf1\\ansi\\ansicpg1252\\uc0\\deff0\n")
                          << QStringLiteral("255,255,255,1.000");
}

void RtfCodecTest::reader_backgroundOne_offOnlyInCocoaDialect()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, plainBackground);
    const QByteArray rtf = header
                           + "{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n"
                             "{\\colortbl;\\red255\\green255\\blue255;\\red255\\green251\\blue0;}\n"
                             "\\f0\\fs24 \\cf0 \\cb2 marked\\cb1  plain}";
    QTextDocument doc;
    QVERIFY(rtf::readRtf(rtf, doc));
    QCOMPARE(editor::plainTextOf(doc), QStringLiteral("marked plain"));
    const QTextCharFormat marked = editor::charFormatAt(doc, 1);
    QCOMPARE(colorText(marked.background(), marked.hasProperty(QTextFormat::BackgroundBrush)),
             QStringLiteral("255,251,0,1.000"));
    const QTextCharFormat plain = editor::charFormatAt(doc, int(editor::plainTextOf(doc).indexOf(u"plain")) + 1);
    QCOMPARE(colorText(plain.background(), plain.hasProperty(QTextFormat::BackgroundBrush)), plainBackground);
}

void RtfCodecTest::reader_officeDialect_skipsWhatItDoesNotKnow()
{
    const QByteArray office =
        "{\\rtf1\\ansi\\deff3\\adeflang1025\n"
        "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f3\\fswiss\\fprq2\\fcharset0 Liberation Sans"
        "{\\*\\falt Arial};}}\n"
        "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red200\\green30\\blue30;}\n"
        "{\\stylesheet{\\s0\\snext0 Normal;}{\\s1 Heading 1;}}\n"
        "{\\*\\generator LibreOffice/7.4}{\\info{\\title Secret title}{\\author Someone}}\n"
        "{\\*\\pgdsctbl{\\pgdsc0\\pgdscuse451 Default;}}\n"
        "\\paperh15840\\paperw12240\\margl1134\n"
        "\\pard\\plain \\s0\\ql\\sb0\\sa140\\sl276\\slmult1 {\\rtlch \\ltrch\\loch\\f3\\fs28 First }"
        "{\\b\\i\\f3\\fs28 strong}{\\f3\\fs28\\~and\\_more}\n"
        "\\par \\pard\\plain \\qc {\\field{\\*\\fldinst HYPERLINK \"https://example.invalid/\"}{\\fldrslt "
        "{\\ul\\cf2 a link}}}{\\*\\bkmkstart mark}{\\*\\bkmkend mark}"
        "{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a0000}{\\object{\\*\\objdata 0102}{\\result fallback}}"
        "{\\highlight3 lit}\\tab{\\strike gone}\\line next\n"
        "\\par \\pard {\\footnote not here}{\\header top}{\\*\\unknowndest hidden}{\\v invisible}visible"
        "\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\cell end\\par }";
    QTextDocument doc;
    QVERIFY(rtf::readRtf(office, doc));
    const QString text = editor::plainTextOf(doc);
    QCOMPARE(text, QStringLiteral("First strong\u00A0and\u2011more\na linklit\tgone\u2028next\nvisible"
                                  "\u2014\u2013\u2022\u2018\u2019\u201C\u201D\tend\n"));
    const QTextCharFormat strong = editor::charFormatAt(doc, int(text.indexOf(u"strong")));
    QVERIFY(editor::isBold(strong));
    QVERIFY(strong.fontItalic());
    QCOMPARE(strong.fontPointSize(), 14.0);
    QCOMPARE(strong.fontFamilies().toStringList(), QStringList{QStringLiteral("Liberation Sans")});
    const QTextCharFormat link = editor::charFormatAt(doc, int(text.indexOf(u"link")));
    QVERIFY(link.fontUnderline());
    QVERIFY(!link.isAnchor());
    QCOMPARE(link.foreground().color(), QColor(0, 0, 255));
    QCOMPARE(editor::charFormatAt(doc, int(text.indexOf(u"lit"))).background().color(), QColor(200, 30, 30));
    QVERIFY(editor::charFormatAt(doc, int(text.indexOf(u"gone"))).fontStrikeOut());
    QCOMPARE(doc.findBlock(int(text.indexOf(u"link"))).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    const QTextBlockFormat first = doc.begin().blockFormat();
    QCOMPARE(first.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
    QCOMPARE(first.lineHeight(), 115.0);
    QCOMPARE(first.bottomMargin(), 140 / editor::kTwipsPerPixel);
}

void RtfCodecTest::reader_codePagesAndFontCharsets_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("cp1252 high half") << QByteArray("{\\rtf1\\ansi\\ansicpg1252 \\'80\\'93q\\'94\\'e9}")
                                      << QStringLiteral("\u20AC\u201Cq\u201D\u00E9");
    QTest::newRow("cp1251 document") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}")
                                     << QStringLiteral("\u041F\u0440\u0438");
    QTest::newRow("font charset 204") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset204 X;}}\\f1 \\'cf}")
                                      << QStringLiteral("\u041F");
    QTest::newRow("shift-jis double byte")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}") << QStringLiteral("\u3042");
    QTest::newRow("unicode with fallback skipped")
        << QByteArray("{\\rtf1\\ansi\\uc1 a\\u8364?b\\uc2\\u8212\\'97\\'97c}") << QStringLiteral("a\u20ACb\u2014c");
    QTest::newRow("skip count stops at group end")
        << QByteArray("{\\rtf1\\ansi\\uc3 {\\u8364}xyz}") << QStringLiteral("\u20ACxyz");
    QTest::newRow("raw high bytes") << QByteArray("{\\rtf1\\ansi caf\xe9}") << QStringLiteral("caf\u00E9");
    QTest::newRow("lone surrogates replaced")
        << QByteArray("{\\rtf1\\ansi\\uc0 a\\u-10179 b\\u-8704 c}") << QStringLiteral("a\uFFFDb\uFFFDc");
}

void RtfCodecTest::reader_codePagesAndFontCharsets()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QTextDocument doc;
    QVERIFY(rtf::readRtf(rtf, doc));
    QCOMPARE(editor::plainTextOf(doc), text);
}

void RtfCodecTest::reader_badInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << false << QString();
    QTest::newRow("plain text") << QByteArray("just text") << false << QString();
    QTest::newRow("html") << QByteArray("<html><b>x</b></html>") << false << QString();
    QTest::newRow("header only") << QByteArray("{\\rtf") << true << QString();
    QTest::newRow("unterminated") << QByteArray("{\\rtf1 abc {\\b def") << true << QStringLiteral("abc def");
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 abc}}}} tail") << true << QStringLiteral("abc");
    QTest::newRow("dangling backslash") << QByteArray("{\\rtf1 abc\\") << true << QStringLiteral("abc");
    QTest::newRow("dangling hex escape") << QByteArray("{\\rtf1 abc\\'") << true << QStringLiteral("abc");
    QTest::newRow("half hex escape") << QByteArray("{\\rtf1 abc\\'4") << true << QStringLiteral("abc");
    QTest::newRow("huge bin") << QByteArray("{\\rtf1 a\\bin999999999999 b}") << true << QStringLiteral("a");
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << true << QStringLiteral("ab");
    QTest::newRow("long control word") << (QByteArray("{\\rtf1 a\\") + QByteArray(5000, 'x') + " b}") << true
                                       << QStringLiteral("ab");
    QTest::newRow("long number") << (QByteArray("{\\rtf1 a\\fs") + QByteArray(5000, '9') + " b}") << true
                                 << QStringLiteral("ab");
    QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b}", 11) << true << QStringLiteral("ab");
    QTest::newRow("bom and blanks") << QByteArray("\xEF\xBB\xBF \r\n{\\rtf1 ok}") << true << QStringLiteral("ok");
    QTest::newRow("too deep") << (QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "x") << false << QString();
    QTest::newRow("deep but allowed") << (QByteArray("{\\rtf1 ") + QByteArray(150, '{') + "x" + QByteArray(150, '}'))
                                      << true << QStringLiteral("x");
    QTest::newRow("unicode out of range")
        << QByteArray("{\\rtf1\\uc0 \\u99999999999 \\u-99999999 x}") << true << QStringLiteral("\uFFFD\uFFFDx");
}

void RtfCodecTest::reader_badInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(bool, readable);
    QFETCH(QString, text);
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("old content"));
    QCOMPARE(rtf::readRtf(rtf, doc), readable);
    if (readable) {
        QCOMPARE(editor::plainTextOf(doc), text);
    } else {
        QCOMPARE(editor::plainTextOf(doc), QString());
    }
}

void RtfCodecTest::reader_clampsNumbers()
{
    QTextDocument doc;
    QVERIFY(rtf::readRtf("{\\rtf1{\\colortbl;\\red9999\\green-5\\blue256;}\\fs99999 \\cf1 \\li-99999999 \\sb99999 "
                         "\\slleading-4 big\\par\\fs0 zero\\par\\fs-8 neg\\par\\cf999 \\cb-3 far}",
                         doc));
    QCOMPARE(editor::charFormatAt(doc, 0).fontPointSize(), editor::kMaxFontSize);
    QCOMPARE(editor::charFormatAt(doc, 0).foreground().color(), QColor(255, 0, 255));
    QVERIFY(doc.begin().blockFormat().leftMargin() >= -31680 / editor::kTwipsPerPixel);
    QVERIFY(doc.begin().blockFormat().topMargin() <= 31680 / editor::kTwipsPerPixel);
    QCOMPARE(doc.begin().blockFormat().lineHeight(), 0.0);
    const QString text = editor::plainTextOf(doc);
    QCOMPARE(editor::charFormatAt(doc, int(text.indexOf(u"zero"))).fontPointSize(), 12.0);
    QCOMPARE(editor::charFormatAt(doc, int(text.indexOf(u"neg"))).fontPointSize(), 12.0);
    const QTextCharFormat far = editor::charFormatAt(doc, int(text.indexOf(u"far")));
    QVERIFY(!far.hasProperty(QTextFormat::ForegroundBrush));
    QVERIFY(!far.hasProperty(QTextFormat::BackgroundBrush));
}

void RtfCodecTest::reader_mutatedDocuments_neverCrashOrCorrupt()
{
    QTextDocument styled;
    fillStyledDocument(styled);
    const QList<QByteArray> seeds = {
        rtf::writeRtf(styled),
        QByteArray("{\\rtf1\\ansi\\ansicpg1252\\cocoartf2761{\\fonttbl\\f0\\fswiss Helvetica;}{\\colortbl;\\red1"
                   "\\green2\\blue3;}{\\*\\expandedcolortbl;;\\csgray\\c5\\c6;}\\f0\\fs24 \\cf1 {\\listtext\t"
                   "\\uc0\\u8226 \t}x\\\n\\uc2\\u-10179\\'aa\\'bb\\u-8704 y\\bin3 {}}z}"),
        QByteArray("{\\rtf1{\\field{\\*\\fldinst x}{\\fldrslt {\\ul y}}}{\\pict\\bin4 {{{{}\\par\\tab\\'e9}")};
    QRandomGenerator random(20260101);
    const QByteArray alphabet = "{}\\*';0123456789-abcuz \t\n\x80\xff";
    int readable = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray data = seeds[round % seeds.size()];
        const int edits = 1 + int(random.bounded(8));
        for (int e = 0; e < edits && !data.isEmpty(); ++e) {
            const int at = int(random.bounded(data.size()));
            switch (random.bounded(4)) {
            case 0: data[at] = alphabet[random.bounded(alphabet.size())]; break;
            case 1: data.insert(at, alphabet[random.bounded(alphabet.size())]); break;
            case 2: data.remove(at, 1 + int(random.bounded(6))); break;
            default: data.insert(at, data.mid(int(random.bounded(data.size())), int(random.bounded(40)))); break;
            }
        }
        QTextDocument doc;
        if (!rtf::readRtf(data, doc)) {
            QCOMPARE(doc.characterCount(), 1);
            continue;
        }
        ++readable;
        // No lone surrogate ever reaches the document, and what was read writes back readably.
        const QString text = editor::plainTextOf(doc);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate()) {
                QVERIFY2(i + 1 < text.size() && text[i + 1].isLowSurrogate(), data.constData());
                ++i;
            } else {
                QVERIFY2(!text[i].isLowSurrogate(), data.constData());
            }
        }
        QTextDocument again;
        QVERIFY(rtf::readRtf(rtf::writeRtf(doc), again));
        QCOMPARE(editor::plainTextOf(again), text);
    }
    QVERIFY(readable > 1000);
}

void RtfCodecTest::libreOffice_opensOurRtfWithTheSameFormatting()
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        QSKIP("soffice (libreoffice-writer-nogui) is not installed");
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QTextDocument doc;
    fillStyledDocument(doc);
    QFile file(dir.filePath(QStringLiteral("styles.rtf")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(rtf::writeRtf(doc));
    file.close();

    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                            QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("html"),
                            QStringLiteral("--outdir"), dir.path(), file.fileName()});
    QVERIFY(process.waitForFinished(180000));
    QFile html(dir.filePath(QStringLiteral("styles.html")));
    QVERIFY2(html.open(QIODevice::ReadOnly), process.readAllStandardError().constData());
    // LibreOffice breaks long lines anywhere; join them.
    QString out = QString::fromUtf8(html.readAll());
    out.replace(u'\n', u' ');

    // The markup between the previous word (or the paragraph start) and `word`.
    auto spanBefore = [&](const QString& word, const QString& previous = QString()) {
        const qsizetype at = out.indexOf(word + u'<');
        if (at < 0) {
            return QString();
        }
        qsizetype from = out.lastIndexOf(u"<p", at);
        if (!previous.isEmpty()) {
            from = std::max(from, out.lastIndexOf(previous, at) + previous.size());
        }
        return out.mid(from, at - from);
    };
    const QString heading = spanBefore(QStringLiteral("Heading one"));
    QVERIFY2(heading.contains(u"font-size: 26pt") && heading.contains(u"<b>"), qPrintable(heading));
    QVERIFY(heading.contains(u"#f0efe8"));
    const QString bold = spanBefore(QStringLiteral("bold"));
    QVERIFY2(bold.endsWith(u"<b>") && bold.contains(u"font-size: 15pt"), qPrintable(bold));
    QVERIFY2(spanBefore(QStringLiteral("italic"), QStringLiteral("bold")).contains(u"<i>"), qPrintable(out));
    QVERIFY(!spanBefore(QStringLiteral("italic"), QStringLiteral("bold")).contains(u"<b>"));
    QVERIFY(spanBefore(QStringLiteral("under"), QStringLiteral("italic")).contains(u"<u>"));
    QVERIFY(!spanBefore(QStringLiteral("under"), QStringLiteral("italic")).contains(u"<i>"));
    QVERIFY(spanBefore(QStringLiteral("strike"), QStringLiteral("under")).contains(u"<strike>"));
    QVERIFY(!spanBefore(QStringLiteral("strike"), QStringLiteral("under")).contains(u"<u>"));
    QVERIFY(spanBefore(QStringLiteral("highlighted"), QStringLiteral("strike")).contains(u"background: #ffdb00"));
    QVERIFY(!spanBefore(QStringLiteral("highlighted"), QStringLiteral("strike")).contains(u"<strike>"));
    QVERIFY2(!spanBefore(QStringLiteral("red"), QStringLiteral("highlighted")).contains(u"#ffdb00"),
             qPrintable(spanBefore(QStringLiteral("red"), QStringLiteral("highlighted"))));
    QVERIFY(spanBefore(QStringLiteral("red"), QStringLiteral("highlighted")).contains(u"#f87171"));
    const QString all = spanBefore(QStringLiteral("all"), QStringLiteral("red"));
    QVERIFY2(all.contains(u"Charis SIL") && all.contains(u"font-size: 20pt") && all.contains(u"<i>")
                 && all.contains(u"<u>") && all.contains(u"<b>"),
             qPrintable(all));
    const QString quote = spanBefore(QStringLiteral("A quoted line"));
    QVERIFY2(quote.contains(u"margin-left: 0.19in") && quote.contains(u"#dcc882"), qPrintable(quote));
    QString textOnly = out;
    textOnly.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    QVERIFY2(textOnly.contains(QStringLiteral("caf\u00E9 \u4E2D\u6587 \U0001F600")), qPrintable(textOnly));
    QVERIFY(textOnly.contains(QStringLiteral("\u2022\tbullet")));
    QVERIFY(textOnly.contains(QStringLiteral("{braces} \\back\\slash")));
}
