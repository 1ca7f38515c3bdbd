#pragma once

#include <QColor>

/// The few theme colours the rich-text editor draws with. The host sets them (from the theme palette);
/// the defaults are the dark appearance, which is the application's default.
struct EditorPalette {
    /// Body text (dark #C8C8C8, light #32302D).
    QColor body = QColor(200, 200, 200);
    /// Title-sized and heading text (dark #F0EFE8, light #1E1C19).
    QColor title = QColor(240, 239, 232);
    /// Background of highlighted text, translucent yellow.
    QColor highlight = QColor::fromRgbF(1.0f, 219.0f / 255.0f, 0.0f, 0.22f);
    /// Text colour of quoted paragraphs (dark #DCC882, light #826928).
    QColor quote = QColor(0xDC, 0xC8, 0x82);
    /// Placeholder text drawn while the document is empty.
    QColor placeholder = QColor(255, 255, 255, 64);
    /// Background of selected text.
    QColor selection = QColor(255, 219, 0, 70);
    /// The caret.
    QColor caret = QColor(255, 219, 0);

    static EditorPalette dark();
    static EditorPalette light();

    bool operator==(const EditorPalette&) const = default;
};
