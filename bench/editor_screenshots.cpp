// Writes PNG pictures of the rich-text editor showing every style, driven through its commands as a
// user would: editor_screenshots <output folder>. Run under xvfb-run or the offscreen platform.

#include "Editor/FormattableTextEditor.h"
#include "Editor/SelectionState.h"
#include "Editor/VesperlogTextView.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <cstdio>

namespace {

void select(FormattableTextEditor& editor, const QString& needle, int occurrence = 0)
{
    qsizetype at = -1;
    for (int i = 0; i <= occurrence; ++i) {
        at = editor.plainText().indexOf(needle, at + 1);
    }
    QTextCursor cursor(editor.textView()->document());
    cursor.setPosition(int(at));
    cursor.setPosition(int(at + needle.size()), QTextCursor::KeepAnchor);
    editor.textView()->setTextCursor(cursor);
}

void format(FormattableTextEditor& editor, const QString& needle, const QString& command)
{
    select(editor, needle);
    editor.applyFormat(command);
}

void fill(FormattableTextEditor& editor)
{
    editor.setContent(
        QStringLiteral("A quiet Sunday\n"
                       "Morning walk\n"
                       "The river was high after the rain. Bold words, italic words, underlined words and "
                       "struck words sit beside highlighted ones.\n"
                       "Colours: red orange yellow green blue purple default\n"
                       "Things to pack\n"
                       "Things to do\n"
                       "Steps\n"
                       "Memory is a way of holding onto the things you love.\n"
                       "An indented thought\n"
                       "Unicode: café, 日本語, Ελληνικά, emoji 🌿"),
        std::nullopt);
    format(editor, QStringLiteral("A quiet Sunday"), QStringLiteral("size:26"));
    format(editor, QStringLiteral("Morning walk"), QStringLiteral("size:20"));
    format(editor, QStringLiteral("Bold words"), QStringLiteral("bold"));
    format(editor, QStringLiteral("italic words"), QStringLiteral("italic"));
    format(editor, QStringLiteral("underlined words"), QStringLiteral("underline"));
    format(editor, QStringLiteral("struck words"), QStringLiteral("strikethrough"));
    format(editor, QStringLiteral("highlighted ones"), QStringLiteral("highlight"));
    format(editor, QStringLiteral("red"), QStringLiteral("color:F87171"));
    format(editor, QStringLiteral("orange"), QStringLiteral("color:FB923C"));
    format(editor, QStringLiteral("yellow"), QStringLiteral("color:FBBF24"));
    format(editor, QStringLiteral("green"), QStringLiteral("color:4ADE80"));
    format(editor, QStringLiteral("blue"), QStringLiteral("color:60A5FA"));
    format(editor, QStringLiteral("purple"), QStringLiteral("color:A78BFA"));
    format(editor, QStringLiteral("default"), QStringLiteral("color:reset"));

    // Lists through their commands and the Return key.
    auto typeList = [&](const QString& line, const QString& command, const QStringList& items) {
        select(editor, line);
        editor.applyFormat(command);
        QTextCursor cursor = editor.textView()->textCursor();
        cursor.setPosition(cursor.selectionEnd() - 1);
        editor.textView()->setTextCursor(cursor);
        for (const QString& item : items) {
            editor.textView()->insertNewline();
            editor.textView()->insertPlainText(item);
        }
    };
    typeList(QStringLiteral("Things to pack"), QStringLiteral("bullet"),
             {QStringLiteral("Warm jacket"), QStringLiteral("Notebook")});
    typeList(QStringLiteral("Things to do"), QStringLiteral("checklist"),
             {QStringLiteral("Water the plants"), QStringLiteral("Call Anna")});
    format(editor, QStringLiteral("Things to do"), QStringLiteral("checklist"));
    typeList(QStringLiteral("Steps"), QStringLiteral("numbered"),
             {QStringLiteral("Boil water"), QStringLiteral("Wait")});
    format(editor, QStringLiteral("Memory is a way"), QStringLiteral("quote"));
    format(editor, QStringLiteral("An indented thought"), QStringLiteral("indent"));
    format(editor, QStringLiteral("Warm jacket"), QStringLiteral("indent"));
    select(editor, QStringLiteral("river was high"));
}

void shoot(const EditorPalette& palette, const QColor& background, const QString& design, const QString& path)
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette p = window.palette();
    p.setColor(QPalette::Window, background);
    window.setPalette(p);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(28, 16, 28, 16);
    auto* editor = new FormattableTextEditor(&window);
    SelectionState selection;
    editor->setSelectionState(&selection);
    editor->setEditorPalette(palette);
    editor->setPlaceholder(QStringLiteral("What made today different?"));
    layout->addWidget(editor);
    window.resize(720, 860);
    window.show();
    fill(*editor);
    editor->setFontDesign(design);
    QApplication::processEvents();
    QImage image = window.grab().toImage();
    // Mark where the host would float its format bar.
    QPainter painter(&image);
    painter.setPen(QPen(palette.caret, 1, Qt::DashLine));
    painter.drawRect(selection.selectionRect().translated(editor->pos()).adjusted(-2, -2, 2, 2));
    painter.end();
    image.save(path);
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(folder);
    shoot(EditorPalette::dark(), QColor(0x1E, 0x1E, 0x1E), QStringLiteral("default"),
          folder + QStringLiteral("/editor-dark.png"));
    shoot(EditorPalette::light(), QColor(0xF5, 0xF4, 0xF1), QStringLiteral("serif"),
          folder + QStringLiteral("/editor-light-serif.png"));
    shoot(EditorPalette::dark(), QColor(0x1E, 0x1E, 0x1E), QStringLiteral("rounded"),
          folder + QStringLiteral("/editor-dark-rounded.png"));
    shoot(EditorPalette::dark(), QColor(0x1E, 0x1E, 0x1E), QStringLiteral("mono"),
          folder + QStringLiteral("/editor-dark-mono.png"));
    {
        QWidget window;
        window.setAutoFillBackground(true);
        QPalette p = window.palette();
        p.setColor(QPalette::Window, QColor(0x1E, 0x1E, 0x1E));
        window.setPalette(p);
        auto* layout = new QVBoxLayout(&window);
        auto* editor = new FormattableTextEditor(&window);
        editor->setPlaceholder(QStringLiteral("What made today different?"));
        layout->addWidget(editor);
        window.resize(720, 200);
        window.show();
        QApplication::processEvents();
        window.grab().save(folder + QStringLiteral("/editor-placeholder.png"));
    }
    return 0;
}
