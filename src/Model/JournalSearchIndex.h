#pragma once

#include "Model/EntryList.h"
#include "Model/JournalEntry.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace vsp {

/// The case-folded title, body and tags of every entry of one list. Bodies are searched where the
/// entries keep them (already folded); titles and tags are folded into large blocks of memory rather
/// than small allocations per entry. Each entry's text reads as "title\0body\0tag\0tag\0…" (folded by
/// `foldForSearch`), and offsets count in it: a query without a zero byte that occurs in it occurs in
/// one of the fields.
///
/// The index keeps a shared copy of the list it was made for; `follow()` brings it to another list,
/// keeping the text of every entry whose title, body and tags are still the same strings and folding
/// only the others. Not thread-safe: one thread at a time (building uses several of its own).
class JournalSearchIndex final {
public:
    /// Folds every entry of `entries`, a slice on each of up to `threads` threads (the caller's among
    /// them) and returns when all are done. Stops early, leaving the rest unfolded, once `cancelled` is
    /// set; `follow()` folds those later.
    JournalSearchIndex(const EntryList& entries, int threads, const std::atomic_bool* cancelled = nullptr);
    ~JournalSearchIndex();
    JournalSearchIndex(const JournalSearchIndex&) = delete;
    JournalSearchIndex& operator=(const JournalSearchIndex&) = delete;

    /// The list the positions of `matches` refer to.
    const EntryList& entries() const { return m_entries; }
    /// The `date` of entry i of `entries()`, from the index's own compact records.
    double dateAt(qsizetype i) const { return m_texts[size_t(i)].date; }

    /// Makes the index describe `entries`: texts are taken over by entry id where the entry's title, body
    /// and tags are unchanged, everything else is folded now. Cheap when `entries` shares the list held.
    void follow(const EntryList& entries);

    /// The entries a query was found in: positions in `entries()`, ascending, and for each the byte
    /// offset in its folded text ("title\0body\0tags…") where the query first occurs.
    struct Matches {
        QList<qsizetype> positions;
        std::vector<std::uint32_t> offsets;
    };

    /// The entries whose folded title, body or one tag contains `foldedQuery` (every entry for an empty
    /// one), archived ones only when `withArchived`. With `within`, the matches of a query that occurs in
    /// `foldedQuery` at byte `back` and no earlier, only those entries are looked at, each from its
    /// offset less `back` on (no occurrence can start before). Large searches are split over up to
    /// `threads` threads.
    Matches matches(const QByteArray& foldedQuery, bool withArchived, const Matches* within = nullptr,
                    qsizetype back = 0, int threads = 1) const;

private:
    struct Text {
        /// "title\0" and then "\0tag\0tag\0…", in the blocks.
        const char* head = nullptr;
        /// The folded body, in the entry's own buffer (which the index's copy of the list keeps).
        const char* body = nullptr;
        std::uint32_t titleSize = 0;
        std::uint32_t bodySize = 0;
        std::uint32_t tagsSize = 0;
        /// Whether `data` holds the entry's text (false until folded).
        bool ready = false;
        /// The entry's `isArchived`, kept here so a search reads nothing but the texts.
        bool archived = false;
        /// The entry's `date`, kept here so ordering the matches reads no entry either.
        double date = 0;
    };
    class Blocks;

    /// Where the query first occurs in entry i's text at or after byte `from`; -1 when it does not.
    qsizetype find(qsizetype i, const QByteArray& foldedQuery, std::uint32_t from) const;
    void foldAt(qsizetype i, Blocks& blocks);
    /// `follow()` for a list that differs from the one held in at most `kFewChanged` consecutive
    /// entries, the others shared with it (one entry changed, added or removed); false, changing
    /// nothing, for any other list.
    bool followFewChanged(const EntryList& entries);
    static constexpr qsizetype kFewChanged = 64;
    /// Counts the text of entry i as no longer used.
    void dropText(size_t i);
    /// Copies the live texts into fresh blocks once changed entries have left as much dead text.
    void compactIfWasteful();

    EntryList m_entries;
    std::vector<Text> m_texts;
    std::vector<std::unique_ptr<Blocks>> m_blocks;
    qsizetype m_liveBytes = 0;
    qsizetype m_deadBytes = 0;
    /// Every entry's text is folded (no folding was cancelled part-way).
    bool m_allReady = false;
};

} // namespace vsp
