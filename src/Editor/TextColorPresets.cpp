#include "Editor/TextColorPresets.h"

#include <QCoreApplication>

const QList<TextColorPreset>& textColorPresets()
{
    static const QList<TextColorPreset> presets = [] {
        auto tr = [](const char* text) { return QCoreApplication::translate("TextColorPresets", text); };
        auto opaque = [](quint32 rgb) { return vsp::Color(vsp::rgb(rgb)); };
        return QList<TextColorPreset>{
            {QStringLiteral("reset"), tr("Default"), vsp::Color::vspFgMuted()},
            {QStringLiteral("F87171"), tr("Red"), opaque(0xF87171)},
            {QStringLiteral("FB923C"), tr("Orange"), opaque(0xFB923C)},
            {QStringLiteral("FBBF24"), tr("Yellow"), opaque(0xFBBF24)},
            {QStringLiteral("4ADE80"), tr("Green"), opaque(0x4ADE80)},
            {QStringLiteral("60A5FA"), tr("Blue"), opaque(0x60A5FA)},
            {QStringLiteral("A78BFA"), tr("Purple"), opaque(0xA78BFA)},
        };
    }();
    return presets;
}
