#include "Editor/EditorPalette.h"

EditorPalette EditorPalette::dark()
{
    return EditorPalette{};
}

EditorPalette EditorPalette::light()
{
    EditorPalette p;
    p.body = QColor(50, 48, 45);
    p.title = QColor(30, 28, 25);
    p.highlight = QColor::fromRgbF(1.0f, 235.0f / 255.0f, 0.0f, 0.30f);
    p.quote = QColor(0x82, 0x69, 0x28);
    p.placeholder = QColor(0, 0, 0, 64);
    p.selection = QColor(204, 171, 0, 70);
    p.caret = QColor(204, 171, 0);
    return p;
}
