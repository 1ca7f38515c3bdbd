#pragma once

#include "Model/AudioClip.h"
#include "Model/FoldedText.h"
#include "Model/OptionalNumber.h"
#include "Model/StoredBytes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <array>
#include <memory>
#include <optional>

/// One journal entry: a note, idea, link or journal entry. A plain value; copies are independent.
/// Dates are seconds since 2001-01-01 00:00:00 UTC.
struct JournalEntry {
    enum class EntryType { Journal, Note, Link, Idea };

    QUuid id;
    QString title;
    /// The body as plain text: searched, counted and shown when no rich text is available. Kept folded
    /// for search; reads as a QString.
    FoldedText body;
    /// The body as an RTF document, absent for plain entries; read from the journal file when asked for.
    StoredBytes bodyRTF;
    double date = 0;
    QStringList tags;
    /// The emoji of the chosen mood.
    std::optional<QString> mood;
    bool isFavorite = false;
    EntryType type = EntryType::Journal;
    /// The day on which the entry expires.
    OptionalNumber expirationDate;
    /// "default", "serif", "rounded" or "mono".
    QString fontDesign = QStringLiteral("default");
    bool isArchived = false;
    /// File names inside the entry's image folder, in order.
    QStringList imageFilenames;
    QList<AudioClip> audioClips;
    OptionalNumber latitude;
    OptionalNumber longitude;
    std::optional<QString> placeName;
    std::optional<QString> weatherSymbol;
    /// Degrees Celsius.
    OptionalNumber weatherTemp;
    std::optional<QString> weatherText;

    /// A new entry with a fresh random id dated now; every other field at its default.
    static JournalEntry create();

    /// Number of words of the body: pieces between Unicode white space and line breaks. Computed on
    /// each call; the title does not count.
    int wordCount() const;

    /// All 20 fields equal.
    bool operator==(const JournalEntry& other) const;
    bool operator!=(const JournalEntry& other) const { return !(*this == other); }
};

size_t qHash(const JournalEntry& entry, size_t seed = 0) noexcept;

/// The stored raw value of an entry type: "Journal", "Note", "Link", "Idea".
QString entryTypeRawValue(JournalEntry::EntryType type);
/// The type with exactly this raw value (case-sensitive); nothing for any other text.
std::optional<JournalEntry::EntryType> entryTypeFromRawValue(QStringView raw);
/// The four types in picker order.
constexpr std::array<JournalEntry::EntryType, 4> allEntryTypes()
{
    return {JournalEntry::EntryType::Journal, JournalEntry::EntryType::Note, JournalEntry::EntryType::Link,
            JournalEntry::EntryType::Idea};
}

/// A deleted entry with the moment it went to the trash. Identified by its entry's id.
struct TrashedEntry {
    JournalEntry entry;
    double deletedAt = 0;

    QUuid id() const { return entry.id; }
    bool operator==(const TrashedEntry&) const = default;
};
