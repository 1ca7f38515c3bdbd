#include "Model/NavSection.h"

QString navSectionRawValue(NavSection section)
{
    switch (section) {
    case NavSection::Today: return QStringLiteral("Today");
    case NavSection::Journal: return QStringLiteral("Journal");
    case NavSection::Archive: return QStringLiteral("Archive");
    case NavSection::Favorites: return QStringLiteral("Favorites");
    }
    return QStringLiteral("Today");
}

std::optional<NavSection> navSectionFromRawValue(QStringView raw)
{
    for (const auto section : allNavSections()) {
        if (raw == navSectionRawValue(section)) {
            return section;
        }
    }
    return std::nullopt;
}
