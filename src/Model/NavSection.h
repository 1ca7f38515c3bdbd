#pragma once

#include <QString>

#include <array>
#include <optional>

/// The sidebar's sections. The raw values are the texts "Today", "Journal", "Archive", "Favorites".
enum class NavSection { Today, Journal, Archive, Favorites };

QString navSectionRawValue(NavSection section);
/// The section with exactly this raw value (case-sensitive); nothing for any other text.
std::optional<NavSection> navSectionFromRawValue(QStringView raw);

constexpr std::array<NavSection, 4> allNavSections()
{
    return {NavSection::Today, NavSection::Journal, NavSection::Archive, NavSection::Favorites};
}
