#pragma once

#include "Editor/EditorPalette.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextFormat>

#include <functional>

class QPaintDevice;
class QTextDocument;
class QTextCursor;

/// The attributes the rich-text editor writes into a QTextDocument, and the helpers that read them.
///
/// Units: font sizes are points (QTextCharFormat::fontPointSize). Documents are laid out for a device
/// of 72 dots per inch (layoutDevice()), so a point is one document pixel, which the text view shows as
/// one logical pixel: 15-point text is as large as the 15-pixel type of the rest of the interface. Block
/// measures (indents, line spacing, tab stops) are document pixels; RTF twips are points × 20.
namespace vsp::editor {

inline constexpr double kPixelsPerPoint = 1.0;
inline constexpr double kTwipsPerPixel = 20.0 / kPixelsPerPoint;
/// Extra space between the lines of every paragraph, in points.
inline constexpr double kLineSpacingPoints = 6;
/// First-line and head indent of a quoted paragraph, in points.
inline constexpr double kQuoteIndentPoints = 14;
/// Distance between default tab stops, in points.
inline constexpr double kTabStopPoints = 28;
/// Sizes at or above this many points are headings: bold, in the title colour.
inline constexpr double kHeadingThreshold = 20;
/// The largest font size a command or an imported document may set, in points.
inline constexpr double kMaxFontSize = 400;
/// The writing font size when nothing usable is stored.
inline constexpr double kDefaultFontSize = 15;

/// The device every editor document is laid out for (72 dots per inch). Give it to a document with
/// `document->documentLayout()->setPaintDevice(layoutDevice())` before the document is shown.
QPaintDevice* layoutDevice();

/// Colours that follow the appearance: a run tagged with a role is re-coloured when the palette changes.
enum class ColorRole : int { None = 0, Body = 1, Title = 2, Quote = 3, Highlight = 4 };

/// Char-format properties holding the ColorRole of the foreground and of the background.
inline constexpr int kForegroundRoleProperty = QTextFormat::UserProperty + 1;
inline constexpr int kBackgroundRoleProperty = QTextFormat::UserProperty + 2;

/// The installed family of a font design: "default" Inter, "serif" Charis SIL, "rounded" Comfortaa,
/// "mono" JetBrains Mono; DejaVu Sans, Serif or Sans Mono when that family is missing. Any other
/// design name (also another letter case) means "default".
QString familyForDesign(const QString& design);

/// The font of `design` at `size` points (non-finite or non-positive sizes give kDefaultFontSize,
/// larger than kMaxFontSize give kMaxFontSize) and `weight`.
QFont resolveFont(double size, const QString& design, QFont::Weight weight = QFont::Normal);

/// A usable font size: `size` when finite and in (0, kMaxFontSize], else `fallback`.
double sanitizedFontSize(double size, double fallback = kDefaultFontSize);

/// The typing attributes of a fresh document: `size` points, body colour, no family (the family
/// comes from the document's default font, so a design change needs no edit of the runs).
QTextCharFormat defaultCharFormat(double size, const EditorPalette& palette);

/// The paragraph style of every paragraph: line spacing kLineSpacingPoints.
QTextBlockFormat defaultBlockFormat();

/// The quote paragraph style: line spacing, first-line and head indent kQuoteIndentPoints.
QTextBlockFormat quoteBlockFormat();

/// The colour a role has in `palette`; invalid for ColorRole::None.
QColor colorForRole(ColorRole role, const EditorPalette& palette);

/// Sets the foreground to the colour of `role` and remembers the role.
void setForegroundRole(QTextCharFormat& format, ColorRole role, const EditorPalette& palette);
/// Sets a fixed foreground colour (no role).
void setForegroundColor(QTextCharFormat& format, const QColor& color);

/// Parses a hex colour text: "#" trimmed from both ends, then an unsigned 32-bit base-16 number
/// (optional leading "+"); red, green and blue are bits 16-23, 8-15 and 0-7, alpha is 1. Empty text,
/// any other character or a value above 32 bits give opaque black. Never fails.
QColor colorFromHex(QStringView text);

/// Effective bold trait of a format: weight of at least QFont::Bold.
bool isBold(const QTextCharFormat& format);

/// Maps stored near-grey text colours to the editor's colours: a foreground whose largest channel
/// difference is below 0.08 becomes the title colour when its average is above 0.78 or below 0.22,
/// else the body colour. The body colour of either appearance stays the body colour, and backgrounds
/// and text of the highlight or quote colour (either appearance) take those roles, so they follow the
/// palette. Other colours stay. Edits `document` in place.
void adaptiveColors(QTextDocument& document, const EditorPalette& palette);
/// The rule of adaptiveColors applied to one format; true when it changed the format.
bool adaptColors(QTextCharFormat& format, const EditorPalette& palette);

/// Re-colours every run that carries a colour role with the colour of that role in `palette`,
/// as one edit block (an undo step when the document records undo).
void recolorRoles(QTextDocument& document, const EditorPalette& palette);

/// Calls `change` once per distinct char format of the document; where it returns true, the changed
/// format replaces the runs of that format. All replacements form one edit block.
void rewriteCharFormats(QTextDocument& document, const std::function<bool(QTextCharFormat&)>& change);

/// Removes the font family from runs whose family is `family`, so that they follow the document's
/// default font (the editor's font design).
void clearFamily(QTextDocument& document, const QString& family);
/// The rule of clearFamily applied to one format; true when it changed the format.
bool clearFamily(QTextCharFormat& format, const QString& family);

/// The char format of the character at `position` (the one that starts there), or the block's
/// char format at a block end.
QTextCharFormat charFormatAt(const QTextDocument& document, int position);

/// The document's characters with block separators as "\n" (non-breaking spaces and line separators
/// kept as they are, unlike QTextDocument::toPlainText()); a separator between display blocks of one
/// paragraph (DisplayBlocks.h) gives nothing.
QString plainTextOf(const QTextDocument& document);

} // namespace vsp::editor
