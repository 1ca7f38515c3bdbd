#include "Model/JournalSearchIndex.h"

#include <QHash>
#include <QThreadPool>

#include <algorithm>
#include <cstring>
#include <latch>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vsp {

/// Memory handed out front to back from blocks of 1 MB (a text larger than that gets a block of its
/// own); nothing is freed before the whole.
class JournalSearchIndex::Blocks {
public:
    static constexpr size_t kBlockBytes = size_t(1) << 20;

    /// Room for `bound` bytes; `finish` then says how many were used.
    char* reserve(size_t bound)
    {
        if (bound > m_left) {
            const size_t size = std::max(bound, kBlockBytes);
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
            m_at = m_blocks.back().get();
            m_left = size;
        }
        return m_at;
    }
    void finish(size_t used)
    {
        m_at += used;
        m_left -= used;
    }

private:
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_at = nullptr;
    size_t m_left = 0;
};

namespace {

bool sameSource(const QString& a, const QString& b)
{
    // Strings that share one buffer hold the same text; the index's copy of the list keeps that buffer
    // alive, so a matching address cannot belong to a newer string.
    return a.size() == b.size() && (a.isEmpty() || a.constData() == b.constData());
}

bool sameSource(const QStringList& a, const QStringList& b)
{
    if (a.constData() == b.constData() && a.size() == b.size()) {
        return true;
    }
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!sameSource(a[i], b[i])) {
            return false;
        }
    }
    return true;
}

bool sameText(const JournalEntry& a, const JournalEntry& b)
{
    return sameSource(a.title, b.title) && a.body.identity() == b.body.identity() && sameSource(a.tags, b.tags);
}

/// Where `needle` first occurs in the `size` bytes at `haystack`, or -1.
qsizetype findBytes(const char* haystack, size_t size, const QByteArray& needle)
{
    const size_t n = size_t(needle.size());
    const char* const q = needle.constData();
    if (n <= 1) {
        const void* at = n == 0 ? haystack : std::memchr(haystack, q[0], size);
        return at ? static_cast<const char*>(at) - haystack : -1;
    }
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen places at a time: where both the first and the last byte of the query fit, compare the
    // rest. The C library's memmem sets up tables on every call, which costs more than a short text.
    const __m128i first = _mm_set1_epi8(q[0]);
    const __m128i last = _mm_set1_epi8(q[n - 1]);
    for (; i + n - 1 + 16 <= size; i += 16) {
        const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + i));
        const __m128i atLast = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + i + n - 1));
        unsigned mask =
            unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(first, atFirst), _mm_cmpeq_epi8(last, atLast))));
        while (mask != 0) {
            const unsigned bit = unsigned(__builtin_ctz(mask));
            if (std::memcmp(haystack + i + bit + 1, q + 1, n - 2) == 0) {
                return qsizetype(i + bit);
            }
            mask &= mask - 1;
        }
    }
#endif
    const void* at = i + n <= size ? memmem(haystack + i, size - i, q, n) : nullptr;
    return at ? static_cast<const char*>(at) - haystack : -1;
}

/// Runs `work(first, last)` on `count` items in up to `threads` slices, the first on this thread, the
/// others on the global pool when it has threads free (else here too); returns when all are done.
template <typename Work>
void inSlices(qsizetype count, int threads, const Work& work)
{
    // Below this a slice costs more to hand over than to do.
    constexpr qsizetype kSmallest = 2048;
    const qsizetype parts = std::clamp<qsizetype>(count / kSmallest, 1, std::max(threads, 1));
    const qsizetype slice = (count + parts - 1) / parts;
    std::latch done(parts - 1);
    for (qsizetype part = 1; part < parts; ++part) {
        const qsizetype first = part * slice;
        const qsizetype last = std::min(count, first + slice);
        const auto run = [&work, &done, part, first, last] {
            work(part, first, last);
            done.count_down();
        };
        if (!QThreadPool::globalInstance()->tryStart(run)) {
            run();
        }
    }
    work(0, 0, std::min(count, slice));
    done.wait();
}

} // namespace

JournalSearchIndex::JournalSearchIndex(const EntryList& entries, int threads, const std::atomic_bool* cancelled)
    : m_entries(entries),
      m_texts(size_t(entries.size()))
{
    const int parts = std::max(threads, 1);
    for (int part = 0; part < parts; ++part) {
        m_blocks.push_back(std::make_unique<Blocks>());
    }
    // Each slice folds into blocks of its own and writes only its own texts.
    std::vector<qsizetype> bytes(size_t(parts), 0);
    inSlices(m_entries.size(), parts, [&](qsizetype part, qsizetype first, qsizetype last) {
        Blocks& blocks = *m_blocks[size_t(part)];
        for (qsizetype i = first; i < last && !(cancelled && cancelled->load()); ++i) {
            foldAt(i, blocks);
            bytes[size_t(part)] += m_texts[size_t(i)].titleSize + m_texts[size_t(i)].tagsSize;
        }
    });
    for (const qsizetype b : bytes) {
        m_liveBytes += b;
    }
    m_allReady = !(cancelled && cancelled->load());
}

JournalSearchIndex::~JournalSearchIndex() = default;

void JournalSearchIndex::foldAt(qsizetype i, Blocks& blocks)
{
    // Read through constData(): the list is shared with the store, and a detaching read from several
    // threads at once would free it under the others.
    const JournalEntry& e = m_entries[i];
    size_t bound = size_t(foldedSizeBound(e.title)) + 2;
    for (const QString& tag : e.tags) {
        bound += size_t(foldedSizeBound(tag)) + 1;
    }
    char* const start = blocks.reserve(bound);
    char* o = foldForSearch(e.title, start);
    *o++ = '\0';
    const auto titleSize = std::uint32_t(o - start);
    *o++ = '\0';
    for (const QString& tag : e.tags) {
        o = foldForSearch(tag, o);
        *o++ = '\0';
    }
    const size_t used = size_t(o - start);
    blocks.finish(used);
    const QByteArrayView body = e.body.folded();
    m_texts[size_t(i)] = {
        start, body.constData(), titleSize, std::uint32_t(body.size()), std::uint32_t(used) - titleSize,
        true,  e.isArchived,     e.date};
}

void JournalSearchIndex::follow(const EntryList& entries)
{
    if (entries.constData() == m_entries.constData() && entries.size() == m_entries.size()) {
        return;
    }
    if (followFewChanged(entries)) {
        return;
    }
    const EntryList before = std::exchange(m_entries, entries);
    std::vector<Text> texts(size_t(entries.size()));
    // Most changes keep the entries in place or shift them by one (an entry added at the top or
    // removed): look there first, by id only when that fails.
    QHash<QUuid, qsizetype> at;
    qsizetype shift = 0;
    const auto placeBefore = [&](const JournalEntry& e, qsizetype i) -> qsizetype {
        for (const qsizetype j : {i + shift, i, i + 1, i - 1}) {
            if (j >= 0 && j < before.size() && before[j].id == e.id) {
                shift = j - i;
                return j;
            }
        }
        if (at.isEmpty()) {
            at.reserve(before.size());
            for (qsizetype j = 0; j < before.size(); ++j) {
                at.insert(before[j].id, j);
            }
        }
        return at.value(e.id, -1);
    };
    std::vector<bool> kept(m_texts.size(), false);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const JournalEntry& e = entries[i];
        const qsizetype j = placeBefore(e, i);
        if (j >= 0 && !kept[size_t(j)] && m_texts[size_t(j)].ready && sameText(before[j], e)) {
            texts[size_t(i)] = m_texts[size_t(j)];
            texts[size_t(i)].archived = e.isArchived;
            texts[size_t(i)].date = e.date;
            kept[size_t(j)] = true;
        }
    }
    for (size_t j = 0; j < m_texts.size(); ++j) {
        if (!kept[j]) {
            dropText(j);
        }
    }
    m_texts = std::move(texts);
    Blocks& blocks = *m_blocks.back();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!m_texts[size_t(i)].ready) {
            foldAt(i, blocks);
            m_liveBytes += m_texts[size_t(i)].titleSize + m_texts[size_t(i)].tagsSize;
        }
    }
    m_allReady = true;
    compactIfWasteful();
}

bool JournalSearchIndex::followFewChanged(const EntryList& entries)
{
    const qsizetype newCount = entries.size();
    const qsizetype oldCount = m_entries.size();
    // The entries both lists share at their start and at their end are compared by address alone: a
    // change of one entry reads that entry only, not the journal.
    qsizetype head = 0;
    while (head < newCount && head < oldCount && entries.sharesEntry(head, m_entries, head)) {
        ++head;
    }
    qsizetype tail = 0;
    while (tail < newCount - head && tail < oldCount - head
           && entries.sharesEntry(newCount - 1 - tail, m_entries, oldCount - 1 - tail)) {
        ++tail;
    }
    const qsizetype added = newCount - head - tail;
    const qsizetype removed = oldCount - head - tail;
    // Entries a cancelled folding left out are folded by the walk over every entry.
    if (added > kFewChanged || removed > kFewChanged || !m_allReady) {
        return false;
    }
    const EntryList before = std::exchange(m_entries, entries);
    // Entries changed in place (a favourite, an archive) keep their texts when those are the same strings.
    std::vector<Text> middle(static_cast<size_t>(added));
    for (qsizetype k = 0; k < added && added == removed; ++k) {
        const size_t j = size_t(head + k);
        const JournalEntry& e = entries[head + k];
        if (m_texts[j].ready && before[head + k].id == e.id && sameText(before[head + k], e)) {
            middle[size_t(k)] = m_texts[j];
            middle[size_t(k)].archived = e.isArchived;
            middle[size_t(k)].date = e.date;
            m_texts[j].ready = false;
        }
    }
    for (qsizetype k = 0; k < removed; ++k) {
        dropText(size_t(head + k));
    }
    const auto at = m_texts.begin() + head;
    if (added == removed) {
        std::copy(middle.cbegin(), middle.cend(), at);
    } else {
        m_texts.insert(m_texts.erase(at, at + removed), middle.cbegin(), middle.cend());
    }
    Blocks& blocks = *m_blocks.back();
    for (qsizetype i = head; i < head + added; ++i) {
        if (!m_texts[size_t(i)].ready) {
            foldAt(i, blocks);
            m_liveBytes += m_texts[size_t(i)].titleSize + m_texts[size_t(i)].tagsSize;
        }
    }
    compactIfWasteful();
    return true;
}

void JournalSearchIndex::dropText(size_t i)
{
    if (m_texts[i].ready) {
        m_deadBytes += m_texts[i].titleSize + m_texts[i].tagsSize;
        m_liveBytes -= m_texts[i].titleSize + m_texts[i].tagsSize;
    }
}

void JournalSearchIndex::compactIfWasteful()
{
    if (m_deadBytes < qsizetype(Blocks::kBlockBytes) || m_deadBytes < m_liveBytes) {
        return;
    }
    auto fresh = std::make_unique<Blocks>();
    for (Text& text : m_texts) {
        const size_t size = text.titleSize + text.tagsSize;
        char* to = fresh->reserve(size);
        std::memcpy(to, text.head, size);
        fresh->finish(size);
        text.head = to;
    }
    m_blocks.clear();
    m_blocks.push_back(std::move(fresh));
    m_deadBytes = 0;
}

qsizetype JournalSearchIndex::find(qsizetype i, const QByteArray& q, std::uint32_t from) const
{
    const Text& text = m_texts[size_t(i)];
    if (!q.contains('\0')) {
        // The three pieces in the order of "title\0body\0tag\0…", with where each starts in it; a
        // query without a zero byte cannot run from one into the next.
        const struct {
            const char* data;
            std::uint32_t size;
            std::uint32_t start;
        } pieces[] = {{text.head, text.titleSize, 0},
                      {text.body, text.bodySize, text.titleSize},
                      {text.head + text.titleSize, text.tagsSize, text.titleSize + text.bodySize}};
        for (const auto& piece : pieces) {
            if (piece.size == 0 || from >= piece.start + piece.size) {
                continue;
            }
            const std::uint32_t skip = from > piece.start ? from - piece.start : 0;
            const qsizetype at = findBytes(piece.data + skip, piece.size - skip, q);
            if (at >= 0) {
                return at + piece.start + skip;
            }
        }
        return -1;
    }
    // A query with a zero byte could run across two fields: look at each on its own.
    const JournalEntry& e = m_entries[i];
    const std::string_view query(q.constData(), size_t(q.size()));
    const auto holds = [&](QByteArrayView folded) {
        return std::string_view(folded.constData(), size_t(folded.size())).find(query) != std::string_view::npos;
    };
    const auto fieldHolds = [&](const QString& field) { return holds(foldForSearch(field)); };
    return fieldHolds(e.title) || holds(e.body.folded()) || std::any_of(e.tags.cbegin(), e.tags.cend(), fieldHolds)
               ? 0
               : -1;
}

JournalSearchIndex::Matches JournalSearchIndex::matches(const QByteArray& foldedQuery, bool withArchived,
                                                        const Matches* within, qsizetype back, int threads) const
{
    const qsizetype count = within ? within->positions.size() : m_entries.size();
    std::vector<Matches> found(size_t(std::max(threads, 1)));
    inSlices(count, threads, [&](qsizetype part, qsizetype first, qsizetype last) {
        Matches& out = found[size_t(part)];
        out.positions.reserve(last - first);
        out.offsets.reserve(size_t(last - first));
        const auto positionAt = [&](qsizetype k) { return within ? within->positions.at(k) : k; };
        for (qsizetype k = first; k < last; ++k) {
            // The texts lie far apart: ask for the ones a few entries on while this one is read.
            constexpr qsizetype kAhead = 8;
            if (k + kAhead < last) {
                const Text& ahead = m_texts[size_t(positionAt(k + kAhead))];
                const std::uint32_t offset = within ? within->offsets[size_t(k + kAhead)] : 0;
                __builtin_prefetch(offset > ahead.titleSize && offset - ahead.titleSize < ahead.bodySize
                                       ? ahead.body + (offset - ahead.titleSize)
                                       : ahead.body);
            }
            const qsizetype i = positionAt(k);
            if (!withArchived && m_texts[size_t(i)].archived) {
                continue;
            }
            const std::uint32_t from =
                within ? std::uint32_t(std::max<qsizetype>(0, qsizetype(within->offsets[size_t(k)]) - back)) : 0;
            const qsizetype at = find(i, foldedQuery, from);
            if (at >= 0) {
                out.positions.append(i);
                out.offsets.push_back(std::uint32_t(at));
            }
        }
    });
    Matches result = std::move(found[0]);
    qsizetype total = 0;
    for (const Matches& part : found) {
        total += part.positions.size();
    }
    result.positions.reserve(total);
    result.offsets.reserve(size_t(total));
    for (size_t part = 1; part < found.size(); ++part) {
        result.positions.append(found[part].positions);
        result.offsets.insert(result.offsets.end(), found[part].offsets.cbegin(), found[part].offsets.cend());
    }
    return result;
}

} // namespace vsp
