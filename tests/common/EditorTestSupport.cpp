#include "common/EditorTestSupport.h"

#include "Editor/FormattableTextEditor.h"
#include "Editor/TextAttributes.h"
#include "Editor/VesperlogTextView.h"

#include <QImage>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace vsp::test {

QString oneLineOfSentences(qsizetype characters)
{
    static const QStringList sentences = {QStringLiteral("The river ran on past the mill."),
                                          QStringLiteral("Nobody had asked the miller, and he said so twice!"),
                                          QStringLiteral("Was it the wind or the water that kept him awake?")};
    QString text;
    for (int i = 0; text.size() < characters; ++i) {
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + sentences[i % sentences.size()];
    }
    return text;
}

std::unique_ptr<FormattableTextEditor> makeEditor(const QString& text)
{
    auto editor = std::make_unique<FormattableTextEditor>();
    editor->resize(600, 400);
    editor->setContent(text, std::nullopt);
    editor->show();
    if (!QTest::qWaitForWindowExposed(editor.get())) {
        qWarning("editor window not exposed");
    }
    return editor;
}

void select(FormattableTextEditor& editor, int anchor, int position)
{
    QTextCursor cursor(editor.textView()->document());
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    editor.textView()->setTextCursor(cursor);
}

void select(FormattableTextEditor& editor, const QString& needle)
{
    const int at = indexOf(editor, needle);
    select(editor, at, at + int(needle.size()));
}

void caret(FormattableTextEditor& editor, int position)
{
    select(editor, position, position);
}

int indexOf(const FormattableTextEditor& editor, const QString& needle)
{
    return int(editor.plainText().indexOf(needle));
}

QTextCharFormat formatAt(const FormattableTextEditor& editor, int position)
{
    return vsp::editor::charFormatAt(*editor.textView()->document(), position);
}

double sizeAt(const FormattableTextEditor& editor, int position)
{
    const QTextCharFormat format = formatAt(editor, position);
    return format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                                                          : editor.textView()->document()->defaultFont().pointSizeF();
}

QString writeImage(const QString& folder, const QString& name)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    const QString path = folder + u'/' + name;
    image.save(path);
    return path;
}

} // namespace vsp::test
