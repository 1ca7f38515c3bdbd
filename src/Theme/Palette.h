#pragma once

#include <QColor>
#include <QString>
#include <QStringView>

#include <array>
#include <initializer_list>
#include <optional>

/// The colours every view draws with: ten interface colours and two editor colours, each holding a dark
/// and a light value and resolved against the current appearance when it is drawn; the accent colour
/// chosen from named presets; and hex parsing for tag colours.
namespace vsp {

/// Whether an appearance counts as dark. Everything that is not dark counts as light.
enum class Appearance { Light, Dark };

/// A colour with one value for the dark and one for the light appearance. A plain value: resolving it
/// never changes it, so one object serves both appearances.
class Color final {
public:
    /// A colour that is the same in both appearances (fully opaque black when default-constructed).
    Color() = default;
    explicit Color(const QColor& both) : m_dark(both), m_light(both) { }
    Color(const QColor& dark, const QColor& light) : m_dark(dark), m_light(light) { }

    /// The colour of a hex text, the same in both appearances. Every "#" at either end is removed; the
    /// rest is read as an unsigned 32-bit hexadecimal number (an optional leading "+" is allowed) whose
    /// bits 16-23, 8-15 and 0-7 give red, green and blue; bits 24-31 are ignored. Empty text, any other
    /// character (white space included) or a value above 0xFFFFFFFF gives opaque black.
    static Color hex(QStringView text);
    /// The parsed value of a hex text as above, or nothing when it does not parse.
    static std::optional<quint32> parseHex(QStringView text);

    /// Dark and light 24-bit RGB values (0xRRGGBB) with one opacity in [0, 1].
    static Color adaptive(quint32 dark, quint32 light, double alpha = 1.0);
    /// White at `darkAlpha` in the dark appearance, black at `lightAlpha` in the light one.
    static Color adaptiveBorder(double darkAlpha, double lightAlpha);

    // The interface colours (created once, shared).
    static const Color& vspBackground();
    static const Color& vspSurface();
    static const Color& vspSurfaceAlt();
    static const Color& vspMuted();
    static const Color& vspForeground();
    static const Color& vspFgMuted();
    static const Color& vspFgDim();
    static const Color& vspFgSubtle();
    static const Color& vspBorder();
    static const Color& vspBorderEmphasis();
    // The text colours of the rich-text editor: body and title.
    static const Color& vspEditorBody();
    static const Color& vspEditorTitle();

    /// Text styles of the interface: primary (vspForeground), secondary (vspFgMuted) and tertiary
    /// (vspFgDim), for labels drawn "in the secondary style" and so on.
    static const Color& primaryStyle() { return vspForeground(); }
    static const Color& secondaryStyle() { return vspFgMuted(); }
    static const Color& tertiaryStyle() { return vspFgDim(); }

    /// The accent colour of the stored accent preset (read at this call; "yellow" when absent) with
    /// opacity `alpha` in [0, 1]. The returned value keeps that preset; ask again to follow a change of
    /// the setting.
    static Color resolvedAccent(double alpha = 1.0);
    /// The accent colour of a named preset; unknown names (a capitalised one included) give "yellow".
    static Color accent(QStringView preset, double alpha = 1.0);
    /// The accent for text and symbols on the interface's surfaces: the preset's colour, darkened in the
    /// light appearance and lightened in the dark one just enough (hue and saturation kept) to reach
    /// kTextContrast against vspBackground and vspSurface. Fills and tints keep resolvedAccent.
    static Color resolvedAccentText(double alpha = 1.0);
    static Color accentText(QStringView preset, double alpha = 1.0);

    /// The value for an appearance.
    QColor resolve(Appearance appearance) const { return appearance == Appearance::Dark ? m_dark : m_light; }
    /// The value for the application's current appearance (see AppearanceManager).
    QColor resolve() const;
    /// The same colour with its opacity multiplied by `factor` in [0, 1] in both appearances.
    Color withOpacity(double factor) const;

    QColor dark() const { return m_dark; }
    QColor light() const { return m_light; }
    bool operator==(const Color&) const = default;

private:
    QColor m_dark = QColor(0, 0, 0);
    QColor m_light = QColor(0, 0, 0);
};

/// One accent preset: its stored name and its light and dark 24-bit RGB values.
struct AccentPreset {
    QStringView name;
    quint32 light;
    quint32 dark;
};

/// The 21 accent presets in the order the settings offer them; "yellow", the default, comes last.
const std::array<AccentPreset, 21>& accentPresets();
/// The preset with exactly this name; the "yellow" row for any other name.
const AccentPreset& accentPreset(QStringView name);

/// A QColor from 24-bit RGB (0xRRGGBB) with an opacity in [0, 1].
QColor rgb(quint32 value, double alpha = 1.0);

/// The least contrast ratio of text against what it is drawn on (WCAG 2, level AA for body text).
inline constexpr double kTextContrast = 4.5;
/// WCAG 2 relative luminance of a colour's sRGB value, 0 (black) to 1 (white); opacity is ignored.
double relativeLuminance(const QColor& color);
/// WCAG 2 contrast ratio of two colours (opacity ignored), from 1 (the same) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
/// The colour `t` of the way from `from` to `to`, alpha included; `t` is held to 0…1 (a spring that
/// overshoots never leaves the two).
QColor mixed(const QColor& from, const QColor& to, double t);
/// `top` painted with its opacity over an opaque `bottom`: the opaque colour that shows.
QColor composite(const QColor& top, const QColor& bottom);
/// `color` with its HSL lightness moved away from every one of `backgrounds` (towards black when they
/// are light, white when dark) until, painted with its opacity over each, its contrast with each reaches
/// `ratio`; hue, saturation and opacity are kept. Unchanged when it already reaches it; black or white
/// when nothing less does.
QColor withContrast(const QColor& color, std::initializer_list<QColor> backgrounds, double ratio = kTextContrast);
/// The colour for text on an opaque `fill` (a highlight, a selected item, an accent button): the
/// interface's near-black or white, whichever contrasts more; pure black or white when that is still
/// below kTextContrast. The fill's opacity is ignored.
QColor textColorOn(const QColor& fill);

} // namespace vsp
