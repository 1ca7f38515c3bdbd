#pragma once

#include "Model/AudioClip.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <array>
#include <memory>
#include <optional>

struct EntrySearchText;

/// One journal entry: a note, idea, link or journal entry. A plain value; copies are independent.
/// Dates are seconds since 2001-01-01 00:00:00 UTC.
struct JournalEntry {
    enum class EntryType { Journal, Note, Link, Idea };

    QUuid id;
    QString title;
    /// The body as plain text: searched, counted and shown when no rich text is available.
    QString body;
    /// The body as an RTF document, absent for plain entries.
    std::optional<QByteArray> bodyRTF;
    double date = 0;
    QStringList tags;
    /// The emoji of the chosen mood.
    std::optional<QString> mood;
    bool isFavorite = false;
    EntryType type = EntryType::Journal;
    /// The day on which the entry expires.
    std::optional<double> expirationDate;
    /// "default", "serif", "rounded" or "mono".
    QString fontDesign = QStringLiteral("default");
    bool isArchived = false;
    /// File names inside the entry's image folder, in order.
    QStringList imageFilenames;
    QList<AudioClip> audioClips;
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::optional<QString> placeName;
    std::optional<QString> weatherSymbol;
    /// Degrees Celsius.
    std::optional<double> weatherTemp;
    std::optional<QString> weatherText;

    /// A new entry with a fresh random id dated now; every other field at its default.
    static JournalEntry create();

    /// Number of words of the body: pieces between Unicode white space and line breaks. Computed on
    /// each call; the title does not count.
    int wordCount() const;

    /// All 20 fields equal.
    bool operator==(const JournalEntry& other) const;
    bool operator!=(const JournalEntry& other) const { return !(*this == other); }

    /// Case-folded title, body and tags for searching, made on first use and shared by copies. Rebuilt
    /// when any of the three has been changed since.
    const EntrySearchText& searchText() const;
    /// Takes a search form made by `makeSearchText` (on any thread) from a copy of this entry; ignored
    /// when the title, body or tags have been changed since.
    void adoptSearchText(std::shared_ptr<const EntrySearchText> text) const;

private:
    mutable std::shared_ptr<const EntrySearchText> m_searchText;
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

/// The case-folded search form of an entry. Folding keeps the UTF-8 text, so containment of a folded
/// query is a byte search.
struct EntrySearchText {
    QString titleSource;
    QString bodySource;
    QStringList tagsSource;
    QByteArray title;
    QByteArray body;
    QList<QByteArray> tags;
};

/// A deleted entry with the moment it went to the trash. Identified by its entry's id.
struct TrashedEntry {
    JournalEntry entry;
    double deletedAt = 0;

    QUuid id() const { return entry.id; }
    bool operator==(const TrashedEntry&) const = default;
};

/// Folds text for case-insensitive containment tests, as UTF-8.
QByteArray foldForSearch(QStringView text);

/// The search form of an entry, made without touching the entry's own cache: safe on another thread
/// while the entry is only read.
std::shared_ptr<const EntrySearchText> makeSearchText(const JournalEntry& entry);
