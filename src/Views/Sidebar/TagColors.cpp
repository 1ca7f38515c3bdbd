#include "Views/Sidebar/TagColors.h"

#include "Theme/Palette.h"

#include <cstdlib>

namespace vsp::tags {

const std::array<PaletteColor, 9>& palette()
{
    // Function-local statics are built once even when first used from two threads.
    static const std::array<PaletteColor, 9> rows = {{
        {QStringLiteral("Red"), QStringLiteral("#F87171"), QColor(248, 113, 113)},
        {QStringLiteral("Orange"), QStringLiteral("#FB923C"), QColor(251, 146, 60)},
        {QStringLiteral("Yellow"), QStringLiteral("#FBBF24"), QColor(251, 191, 36)},
        {QStringLiteral("Green"), QStringLiteral("#34D399"), QColor(52, 211, 153)},
        {QStringLiteral("Teal"), QStringLiteral("#2DD4BF"), QColor(45, 212, 191)},
        {QStringLiteral("Blue"), QStringLiteral("#60A5FA"), QColor(96, 165, 250)},
        {QStringLiteral("Purple"), QStringLiteral("#A78BFA"), QColor(167, 139, 250)},
        {QStringLiteral("Pink"), QStringLiteral("#F472B6"), QColor(244, 114, 182)},
        {QStringLiteral("Gray"), QStringLiteral("#9CA3AF"), QColor(156, 163, 175)},
    }};
    return rows;
}

int seededIndex(const QString& name)
{
    qint64 sum = 0;
    for (const char32_t scalar : name.toUcs4()) {
        sum += qint64(scalar);
    }
    return int(std::llabs(sum) % qint64(palette().size()));
}

QColor seededColor(const QString& name)
{
    return palette()[size_t(seededIndex(name))].color;
}

QColor colorOf(const QString& name, const QHash<QString, QString>& stored)
{
    const auto it = stored.constFind(name);
    if (it != stored.constEnd()) {
        return vsp::Color::hex(*it).resolve(vsp::Appearance::Dark);
    }
    return seededColor(name);
}

} // namespace vsp::tags
