#include "Theme/Palette.h"

#include "Model/AppSettings.h"
#include "Model/HexColor.h"
#include "Theme/AppearanceManager.h"

#include <algorithm>
#include <cmath>

namespace vsp {

QColor rgb(quint32 value, double alpha)
{
    QColor color(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
    color.setAlphaF(float(alpha));
    return color;
}

std::optional<quint32> Color::parseHex(QStringView text)
{
    return parseHexColor(text);
}

Color Color::hex(QStringView text)
{
    const quint32 value = parseHex(text).value_or(0);
    return Color(rgb(value & 0xFFFFFF));
}

Color Color::adaptive(quint32 dark, quint32 light, double alpha)
{
    return Color(rgb(dark, alpha), rgb(light, alpha));
}

Color Color::adaptiveBorder(double darkAlpha, double lightAlpha)
{
    QColor white(255, 255, 255);
    white.setAlphaF(float(darkAlpha));
    QColor black(0, 0, 0);
    black.setAlphaF(float(lightAlpha));
    return Color(white, black);
}

const Color& Color::vspBackground()
{
    static const Color c = adaptive(0x1E1E1E, 0xF5F4F1);
    return c;
}

const Color& Color::vspSurface()
{
    static const Color c = adaptive(0x262626, 0xECEAE4);
    return c;
}

const Color& Color::vspSurfaceAlt()
{
    static const Color c = adaptive(0x2E2E2E, 0xE4E1D8);
    return c;
}

const Color& Color::vspMuted()
{
    static const Color c = adaptive(0x363636, 0xDAD7CE);
    return c;
}

const Color& Color::vspForeground()
{
    static const Color c = adaptive(0xF0EFE8, 0x1E1C19);
    return c;
}

const Color& Color::vspFgMuted()
{
    static const Color c = adaptive(0xA8A8A8, 0x5C5A56);
    return c;
}

const Color& Color::vspFgDim()
{
    // The tertiary text (counts, dates, status lines, section captions) still reads at 4.5:1 on every
    // surface text is drawn on; it stays the faintest of the greys.
    static const Color c = adaptive(0x959595, 0x65635F);
    return c;
}

const Color& Color::vspFgSubtle()
{
    static const Color c = adaptive(0x9C9C9C, 0x61605C);
    return c;
}

const Color& Color::vspBorder()
{
    static const Color c = adaptiveBorder(0.08, 0.10);
    return c;
}

const Color& Color::vspBorderEmphasis()
{
    static const Color c = adaptiveBorder(0.15, 0.18);
    return c;
}

const Color& Color::vspEditorBody()
{
    static const Color c = adaptive(0xC8C8C8, 0x32302D);
    return c;
}

const Color& Color::vspEditorTitle()
{
    static const Color c = adaptive(0xF0EFE8, 0x1E1C19);
    return c;
}

const std::array<AccentPreset, 21>& accentPresets()
{
    static const std::array<AccentPreset, 21> presets = {{
        {u"amber", 0xD97706, 0xFBBF24},  {u"orange", 0xEA580C, 0xFB923C},  {u"red", 0xDC2626, 0xF87171},
        {u"rose", 0xE11D48, 0xFB7185},   {u"pink", 0xDB2777, 0xF472B6},    {u"fuchsia", 0xC026D3, 0xE879F9},
        {u"purple", 0x7C3AED, 0xA78BFA}, {u"violet", 0x6D28D9, 0x8B5CF6},  {u"indigo", 0x4F46E5, 0x818CF8},
        {u"blue", 0x2563EB, 0x4DA6FF},   {u"sky", 0x0284C7, 0x38BDF8},     {u"cyan", 0x0891B2, 0x22D3EE},
        {u"teal", 0x0D9488, 0x2DD4BF},   {u"emerald", 0x059669, 0x34D399}, {u"green", 0x16A34A, 0x4ADE80},
        {u"lime", 0x65A30D, 0xA3E635},   {u"stone", 0x78716C, 0xA8A29E},   {u"slate", 0x475569, 0x94A3B8},
        {u"zinc", 0x52525B, 0xA1A1AA},   {u"cream", 0xCA8A04, 0xFDE68A},   {u"yellow", 0xCCAB00, 0xFFDB00},
    }};
    return presets;
}

const AccentPreset& accentPreset(QStringView name)
{
    const auto& presets = accentPresets();
    for (const AccentPreset& preset : presets) {
        if (preset.name == name) {
            return preset;
        }
    }
    return presets.back();
}

Color Color::accent(QStringView preset, double alpha)
{
    const AccentPreset& p = accentPreset(preset);
    return adaptive(p.dark, p.light, alpha);
}

Color Color::accentText(QStringView preset, double alpha)
{
    const AccentPreset& p = accentPreset(preset);
    const auto readable = [alpha](quint32 value, Appearance appearance) {
        return withContrast(rgb(value, alpha), {vspBackground().resolve(appearance), vspSurface().resolve(appearance)});
    };
    return Color(readable(p.dark, Appearance::Dark), readable(p.light, Appearance::Light));
}

Color Color::resolvedAccentText(double alpha)
{
    return accentText(AppSettings::instance().accentColorPreset(), alpha);
}

Color Color::resolvedAccent(double alpha)
{
    return accent(AppSettings::instance().accentColorPreset(), alpha);
}

QColor Color::resolve() const
{
    return resolve(AppearanceManager::instance().current());
}

Color Color::withOpacity(double factor) const
{
    QColor dark = m_dark;
    dark.setAlphaF(float(dark.alphaF() * factor));
    QColor light = m_light;
    light.setAlphaF(float(light.alphaF() * factor));
    return Color(dark, light);
}

double relativeLuminance(const QColor& color)
{
    const auto linear = [](float channel) {
        return channel <= 0.04045f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor c = color.toRgb();
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor mixed(const QColor& from, const QColor& to, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    const auto lerp = [t](float a, float b) { return float(a + (b - a) * t); };
    return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                            lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

QColor composite(const QColor& top, const QColor& bottom)
{
    const float a = top.alphaF();
    const auto mixed = [a](float t, float b) { return t * a + b * (1.0f - a); };
    return QColor::fromRgbF(mixed(top.redF(), bottom.redF()), mixed(top.greenF(), bottom.greenF()),
                            mixed(top.blueF(), bottom.blueF()));
}

QColor withContrast(const QColor& color, std::initializer_list<QColor> backgrounds, double ratio)
{
    const auto enough = [&](const QColor& c) {
        return std::all_of(backgrounds.begin(), backgrounds.end(),
                           [&](const QColor& bg) { return contrastRatio(composite(c, bg), bg) >= ratio; });
    };
    if (enough(color)) {
        return color;
    }
    double darkest = 1.0;
    for (const QColor& bg : backgrounds) {
        darkest = std::min(darkest, relativeLuminance(bg));
    }
    // Away from the backgrounds: light ones (above the middle grey's contrast point) call for darker text.
    const bool darken = darkest > 0.18;
    const QColor hsl = color.toHsl();
    const float hue = hsl.hslHueF();
    const float saturation = hsl.hslSaturationF();
    float lightness = hsl.lightnessF();
    QColor result = color;
    // Steps of 1 % find the nearest lightness that reads, at most a hundred tries.
    while (!enough(result)) {
        lightness += darken ? -0.01f : 0.01f;
        if (lightness <= 0.0f || lightness >= 1.0f) {
            result = darken ? QColor(0, 0, 0) : QColor(255, 255, 255);
            break;
        }
        result = QColor::fromHslF(hue < 0 ? 0.0f : hue, saturation, lightness, color.alphaF()).toRgb();
    }
    result.setAlphaF(color.alphaF());
    return result;
}

QColor textColorOn(const QColor& fill)
{
    const QColor nearBlack = Color::vspForeground().light();
    const QColor white(255, 255, 255);
    const double onDark = contrastRatio(nearBlack, fill);
    const double onWhite = contrastRatio(white, fill);
    const QColor best = onDark >= onWhite ? nearBlack : white;
    if (std::max(onDark, onWhite) >= kTextContrast) {
        return best;
    }
    // Fills of middle lightness: only the extremes reach it, and the better of them is the answer.
    return contrastRatio(QColor(0, 0, 0), fill) >= onWhite ? QColor(0, 0, 0) : white;
}

} // namespace vsp
