#include "Model/JournalEntry.h"

#include "Model/Dates.h"
#include "Model/Uuid.h"

#include <QHash>

namespace {

template <typename T>
size_t hashOptional(const std::optional<T>& value, size_t seed)
{
    return value ? qHash(*value, seed) : qHash(0x5bd1e995u, seed);
}

} // namespace

size_t qHash(const AudioClip& clip, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, clip.id);
    seed = combine(seed, clip.filename);
    seed = combine(seed, clip.duration);
    return hashOptional(clip.transcript, seed);
}

JournalEntry JournalEntry::create()
{
    JournalEntry entry;
    entry.id = vsp::newUuid();
    entry.date = vsp::now();
    return entry;
}

int JournalEntry::wordCount() const
{
    return body.wordCount();
}

bool JournalEntry::operator==(const JournalEntry& o) const
{
    return id == o.id && title == o.title && body == o.body && bodyRTF == o.bodyRTF && date == o.date && tags == o.tags
           && mood == o.mood && isFavorite == o.isFavorite && type == o.type && expirationDate == o.expirationDate
           && fontDesign == o.fontDesign && isArchived == o.isArchived && imageFilenames == o.imageFilenames
           && audioClips == o.audioClips && latitude == o.latitude && longitude == o.longitude
           && placeName == o.placeName && weatherSymbol == o.weatherSymbol && weatherTemp == o.weatherTemp
           && weatherText == o.weatherText;
}

size_t qHash(const JournalEntry& e, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, e.id);
    seed = combine(seed, e.title);
    seed = combine(seed, e.body);
    seed = combine(seed, e.bodyRTF);
    seed = combine(seed, e.date);
    seed = combine(seed, e.tags);
    seed = hashOptional(e.mood, seed);
    seed = combine(seed, e.isFavorite);
    seed = combine(seed, int(e.type));
    seed = qHash(e.expirationDate, seed);
    seed = combine(seed, e.fontDesign);
    seed = combine(seed, e.isArchived);
    seed = combine(seed, e.imageFilenames);
    seed = combine(seed, e.audioClips);
    seed = qHash(e.latitude, seed);
    seed = qHash(e.longitude, seed);
    seed = hashOptional(e.placeName, seed);
    seed = hashOptional(e.weatherSymbol, seed);
    seed = qHash(e.weatherTemp, seed);
    return hashOptional(e.weatherText, seed);
}

QString entryTypeRawValue(JournalEntry::EntryType type)
{
    switch (type) {
    case JournalEntry::EntryType::Journal: return QStringLiteral("Journal");
    case JournalEntry::EntryType::Note: return QStringLiteral("Note");
    case JournalEntry::EntryType::Link: return QStringLiteral("Link");
    case JournalEntry::EntryType::Idea: return QStringLiteral("Idea");
    }
    return QStringLiteral("Journal");
}

std::optional<JournalEntry::EntryType> entryTypeFromRawValue(QStringView raw)
{
    for (const auto type : allEntryTypes()) {
        if (raw == entryTypeRawValue(type)) {
            return type;
        }
    }
    return std::nullopt;
}
