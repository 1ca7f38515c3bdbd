#pragma once

#include <QFont>
#include <QString>
#include <QStringView>

/// The interface's fonts. Sizes are logical pixels (the journal's layouts are measured in points of
/// 1/72 inch on a 72-dpi grid, which is one logical pixel here), so a layout looks the same at any
/// screen resolution.
namespace vsp::fonts {

/// The four font designs an entry can choose ("default", "serif", "rounded", "mono").
enum class Design { Default, Serif, Rounded, Monospaced };

/// The design of a stored name; "default" for any unknown name.
Design designFromName(QStringView name);

/// The font of a design at `pixelSize` (> 0) with a weight: Inter, Charis SIL, Comfortaa and
/// JetBrains Mono, each falling back to the generic family of its kind when not installed.
QFont font(qreal pixelSize, QFont::Weight weight = QFont::Normal, Design design = Design::Default);
/// Shorthand for the default design ("the system font").
inline QFont system(qreal pixelSize, QFont::Weight weight = QFont::Normal)
{
    return font(pixelSize, weight, Design::Default);
}
inline QFont monospaced(qreal pixelSize, QFont::Weight weight = QFont::Normal)
{
    return font(pixelSize, weight, Design::Monospaced);
}
/// The same font with letter tracking (extra space between letters) in pixels; negative tightens.
QFont tracked(QFont font, qreal tracking);

} // namespace vsp::fonts
