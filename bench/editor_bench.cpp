// The rich-text editor on a styled document of 20,000 words: load of its RTF into the editor, writing
// its RTF, and the editor's work for one keystroke (alone, and with its repaint). Targets: load ≤ 50 ms,
// write ≤ 20 ms, keystroke ≤ 4 ms.
// The journal size argument of scripts/run-bench.sh does not apply; the document is always 20,000 words.

#include "common/BenchSupport.h"

#include "Editor/FormattableTextEditor.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/TextAttributes.h"
#include "Editor/VesperlogTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kWords = 20000;

QByteArray g_rtf;
QString g_plain;

// A journal-like document: headings, paragraphs of 60-140 words with bold, italic, underlined,
// highlighted and coloured words, bullet and numbered lists, quotes.
void buildDocument(QTextDocument& doc)
{
    static const QStringList words = {
        QStringLiteral("morning"), QStringLiteral("coffee"),  QStringLiteral("walked"),  QStringLiteral("river"),
        QStringLiteral("thought"), QStringLiteral("about"),   QStringLiteral("the"),     QStringLiteral("project"),
        QStringLiteral("and"),     QStringLiteral("café"),    QStringLiteral("quiet"),   QStringLiteral("evening"),
        QStringLiteral("wrote"),   QStringLiteral("letters"), QStringLiteral("friends"), QStringLiteral("rain"),
        QStringLiteral("light"),   QStringLiteral("garden"),  QStringLiteral("日記"),    QStringLiteral("books")};
    const EditorPalette palette;
    doc.setDefaultFont(vsp::editor::resolveFont(15, QStringLiteral("default")));
    QRandomGenerator random(42);
    QTextCursor c(&doc);
    const QTextCharFormat body = vsp::editor::defaultCharFormat(15, palette);
    c.setBlockFormat(vsp::editor::defaultBlockFormat());
    int written = 0;
    int paragraph = 0;
    while (written < kWords) {
        if (paragraph > 0) {
            c.insertBlock(paragraph % 9 == 4 ? vsp::editor::quoteBlockFormat() : vsp::editor::defaultBlockFormat(),
                          body);
        }
        if (paragraph % 12 == 0) {
            QTextCharFormat heading = body;
            heading.setFontPointSize(26);
            heading.setFontWeight(QFont::Bold);
            vsp::editor::setForegroundRole(heading, vsp::editor::ColorRole::Title, palette);
            c.insertText(QStringLiteral("Day %1").arg(paragraph / 12 + 1), heading);
            written += 2;
            ++paragraph;
            continue;
        }
        if (paragraph % 7 == 3) {
            c.insertText(QStringLiteral("\u2022\t"), body);
        } else if (paragraph % 7 == 5) {
            c.insertText(QStringLiteral("%1.\t").arg(paragraph % 20), body);
        }
        const int length = 60 + int(random.bounded(80));
        for (int i = 0; i < length && written < kWords; ++i, ++written) {
            QTextCharFormat f = body;
            switch (random.bounded(14)) {
            case 0: f.setFontWeight(QFont::Bold); break;
            case 1: f.setFontItalic(true); break;
            case 2: f.setFontUnderline(true); break;
            case 3: f.setBackground(palette.highlight); break;
            case 4: vsp::editor::setForegroundColor(f, QColor(0xF8, 0x71, 0x71)); break;
            default: break;
            }
            c.insertText(words[random.bounded(words.size())], f);
            c.insertText(QStringLiteral(" "), body);
        }
        ++paragraph;
    }
}

FormattableTextEditor& sharedEditor()
{
    static FormattableTextEditor* editor = [] {
        auto* e = new FormattableTextEditor;
        e->resize(720, 600);
        e->show();
        QApplication::processEvents();
        return e;
    }();
    return *editor;
}

void BM_LoadRtfIntoEditor(benchmark::State& state)
{
    FormattableTextEditor& editor = sharedEditor();
    for (auto _ : state) {
        editor.setContent(g_plain, g_rtf);
        state.PauseTiming();
        // The replaced document is freed on the next turn of the event loop, outside the load.
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["rtf_KB"] = double(g_rtf.size()) / 1024;
}

// The same, with the whole document laid out as well (the editor lays out lazily on screen).
void BM_LoadRtfIntoEditorAndLayOut(benchmark::State& state)
{
    FormattableTextEditor& editor = sharedEditor();
    for (auto _ : state) {
        editor.setContent(g_plain, g_rtf);
        benchmark::DoNotOptimize(editor.textView()->document()->documentLayout()->documentSize());
        state.PauseTiming();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

void BM_ReadRtfOnly(benchmark::State& state)
{
    for (auto _ : state) {
        QTextDocument doc;
        doc.setUndoRedoEnabled(false); // as the editor loads
        vsp::rtf::readRtf(g_rtf, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
}

void BM_WriteRtf(benchmark::State& state)
{
    FormattableTextEditor& editor = sharedEditor();
    editor.setContent(g_plain, g_rtf);
    for (auto _ : state) {
        benchmark::DoNotOptimize(editor.richText());
    }
}

// The shared editor holding the document, its caret in the middle and shown there.
FormattableTextEditor& editorWithCaretInTheMiddle()
{
    FormattableTextEditor& editor = sharedEditor();
    editor.setContent(g_plain, g_rtf);
    QTextCursor cursor(editor.textView()->document());
    cursor.setPosition(editor.textView()->document()->characterCount() / 2);
    editor.textView()->setTextCursor(cursor);
    editor.textView()->ensureCursorVisible();
    QApplication::processEvents();
    return editor;
}

// One typed character in the middle of the document, through the text view's key handling: the
// insertion, the layout of its paragraph, the plain text sent to the host and the selection state.
// The RTF of the whole document is written later, coalesced (BM_WriteRtf).
void BM_Keystroke(benchmark::State& state)
{
    FormattableTextEditor& editor = editorWithCaretInTheMiddle();
    int typed = 0;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(editor.textView(), &press);
        ++typed;
    }
    state.counters["typed"] = typed;
}

// The same keystroke and the repaint it asks for, as the user waits for it.
void BM_KeystrokeAndPaint(benchmark::State& state)
{
    FormattableTextEditor& editor = editorWithCaretInTheMiddle();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(editor.textView(), &press);
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_LoadRtfIntoEditor)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LoadRtfIntoEditorAndLayOut)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReadRtfOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_KeystrokeAndPaint)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

int main(int argc, char** argv)
{
    vsp::bench::takeJournalSize(argc, argv, 0);
    QApplication app(argc, argv);
    QTextDocument doc;
    buildDocument(doc);
    g_rtf = vsp::rtf::writeRtf(doc);
    g_plain = vsp::editor::plainTextOf(doc);
    std::printf("document: %d words, %lld characters, RTF %.0f KB\n", kWords, (long long)g_plain.size(),
                double(g_rtf.size()) / 1024);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
