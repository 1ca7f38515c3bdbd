#pragma once

#include "Model/JournalEntry.h"

#include <QList>
#include <QSharedData>
#include <QSharedDataPointer>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

/// Entries in order, each one implicitly shared on its own.
///
/// The journal is held by the store, the writer's snapshot, the search index and the views at once.
/// As a flat list, the first change after any of them took its copy copied every entry (about 400
/// bytes each); here a copy of the list shares its entries, and changing an entry copies that entry
/// alone. The entries are owned in runs of neighbours (`kRun`), each run shared as one: the first
/// change after a copy copies the run it touches (a few hundred counts) and the plain list of where
/// the entries lie (one memory copy), not one count per entry of the journal. Reading works as with a
/// QList; entries are changed only through `edit`, `replace` and the operations that add, remove or
/// reorder them, never through an iterator.
class EntryList final {
    struct Node : QSharedData {
        explicit Node(JournalEntry e) : entry(std::move(e)) { }
        JournalEntry entry;
    };
    using NodeRef = QSharedDataPointer<Node>;
    /// Neighbouring entries, owned together.
    struct Run : QSharedData {
        QList<NodeRef> nodes;
    };
    using RunRef = QSharedDataPointer<Run>;
    using Order = QList<const Node*>;

public:
    using value_type = JournalEntry;
    using size_type = qsizetype;

    /// Entries a run holds when made; one that grows to twice as many is split.
    static constexpr qsizetype kRun = 256;

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = JournalEntry;
        using difference_type = qsizetype;
        using pointer = const JournalEntry*;
        using reference = const JournalEntry&;

        const_iterator() = default;
        reference operator*() const { return (*m_at)->entry; }
        pointer operator->() const { return &(*m_at)->entry; }
        reference operator[](difference_type n) const { return m_at[n]->entry; }
        const_iterator& operator++()
        {
            ++m_at;
            return *this;
        }
        const_iterator operator++(int) { return const_iterator(m_at++); }
        const_iterator& operator--()
        {
            --m_at;
            return *this;
        }
        const_iterator operator--(int) { return const_iterator(m_at--); }
        const_iterator& operator+=(difference_type n)
        {
            m_at += n;
            return *this;
        }
        const_iterator& operator-=(difference_type n)
        {
            m_at -= n;
            return *this;
        }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const_iterator a, const_iterator b) { return a.m_at - b.m_at; }
        friend auto operator<=>(const const_iterator&, const const_iterator&) = default;

    private:
        friend class EntryList;
        explicit const_iterator(Order::const_iterator at) : m_at(at) { }
        Order::const_iterator m_at;
    };
    using iterator = const_iterator;

    EntryList() = default;
    // Implicit on purpose: lists of entries built elsewhere (imports, tests) become the journal's.
    EntryList(const QList<JournalEntry>& entries)
    {
        reserve(entries.size());
        for (const JournalEntry& entry : entries) {
            append(entry);
        }
    }
    EntryList(QList<JournalEntry>&& entries)
    {
        reserve(entries.size());
        for (JournalEntry& entry : entries) {
            append(std::move(entry));
        }
    }
    EntryList(std::initializer_list<JournalEntry> entries) : EntryList(QList<JournalEntry>(entries)) { }

    qsizetype size() const { return m_order.size(); }
    bool isEmpty() const { return m_order.isEmpty(); }

    const JournalEntry& at(qsizetype i) const { return m_order.at(i)->entry; }
    const JournalEntry& operator[](qsizetype i) const { return at(i); }
    const JournalEntry& first() const { return at(0); }
    const JournalEntry& last() const { return at(size() - 1); }

    const_iterator begin() const { return const_iterator(m_order.cbegin()); }
    const_iterator end() const { return const_iterator(m_order.cend()); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    /// The `i`th entry for changing it; only that entry (and its run's list of owners) is copied when
    /// others share it.
    JournalEntry& edit(qsizetype i)
    {
        NodeRef& node = nodeAt(i);
        Node* own = node.data(); // copies the entry when another list still holds it
        m_order[i] = own;
        return own->entry;
    }
    void replace(qsizetype i, JournalEntry entry)
    {
        NodeRef& node = nodeAt(i);
        node = NodeRef(new Node(std::move(entry)));
        m_order[i] = node.constData();
    }
    void append(JournalEntry entry) { insert(size(), std::move(entry)); }
    void append(const EntryList& given)
    {
        // The other list's runs are shared as they are.
        const EntryList other = given;
        for (qsizetype r = 0; r < other.m_runs.size(); ++r) {
            m_starts.append(size() + other.m_starts.at(r));
        }
        m_runs.append(other.m_runs);
        m_order.append(other.m_order);
    }
    void prepend(JournalEntry entry) { insert(0, std::move(entry)); }
    /// Puts the entry at place `i` (0 to size()).
    void insert(qsizetype i, JournalEntry entry)
    {
        NodeRef node(new Node(std::move(entry)));
        const Node* raw = node.constData();
        if (m_runs.isEmpty()) {
            m_runs.append(RunRef(new Run));
            m_starts.append(0);
        }
        const qsizetype r = i == size() ? m_runs.size() - 1 : runOf(i);
        QList<NodeRef>& nodes = m_runs[r]->nodes;
        nodes.insert(i - m_starts.at(r), std::move(node));
        for (qsizetype k = r + 1; k < m_starts.size(); ++k) {
            ++m_starts[k];
        }
        m_order.insert(i, raw);
        if (nodes.size() >= 2 * kRun) {
            RunRef second(new Run);
            second->nodes = nodes.mid(kRun);
            nodes.resize(kRun);
            m_runs.insert(r + 1, std::move(second));
            m_starts.insert(r + 1, m_starts.at(r) + kRun);
        }
    }
    /// Removes the entries `pred` holds for, asked of each entry from place `from` on once, in order
    /// (the entries before `from` stay).
    template <typename Predicate>
    qsizetype removeIf(Predicate pred, qsizetype from = 0)
    {
        std::vector<qsizetype> gone;
        for (qsizetype i = std::max(from, qsizetype(0)); i < size(); ++i) {
            if (pred(at(i))) {
                gone.push_back(i);
            }
        }
        if (gone.empty()) {
            return 0;
        }
        // Only the runs that lose entries are copied or changed.
        auto next = gone.cbegin();
        qsizetype removed = 0;
        for (qsizetype r = 0; r < m_runs.size(); ++r) {
            const qsizetype start = m_starts.at(r);
            const qsizetype end = start + std::as_const(m_runs).at(r)->nodes.size();
            m_starts[r] = start - removed;
            if (next == gone.cend() || *next >= end) {
                continue;
            }
            QList<NodeRef>& nodes = m_runs[r]->nodes;
            for (qsizetype k = nodes.size() - 1; k >= 0; --k) {
                if (std::binary_search(next, gone.cend(), start + k)) {
                    nodes.remove(k);
                }
            }
            const auto after = std::lower_bound(next, gone.cend(), end);
            removed += after - next;
            next = after;
        }
        qsizetype at = 0;
        auto skip = gone.cbegin();
        m_order.removeIf([&](const Node*) {
            const bool out = skip != gone.cend() && *skip == at;
            skip += out ? 1 : 0;
            ++at;
            return out;
        });
        for (qsizetype r = m_runs.size() - 1; r >= 0; --r) {
            if (std::as_const(m_runs).at(r)->nodes.isEmpty()) {
                m_runs.remove(r);
                m_starts.remove(r);
            }
        }
        return qsizetype(gone.size());
    }
    void reserve(qsizetype n) { m_order.reserve(n); }
    /// Reorders the entries (stably) without copying any of them; nothing changes when they are in
    /// order already.
    template <typename Less>
    void stableSort(Less less)
    {
        const auto lessNode = [&](const Node* a, const Node* b) { return less(a->entry, b->entry); };
        if (std::is_sorted(m_order.cbegin(), m_order.cend(), lessNode)) {
            return;
        }
        QList<NodeRef> nodes;
        nodes.reserve(size());
        for (const RunRef& run : std::as_const(m_runs)) {
            nodes.append(run->nodes);
        }
        std::stable_sort(nodes.begin(), nodes.end(),
                         [&](const NodeRef& a, const NodeRef& b) { return lessNode(a.constData(), b.constData()); });
        m_runs.clear();
        m_starts.clear();
        m_order.clear();
        for (qsizetype i = 0; i < nodes.size(); i += kRun) {
            RunRef run(new Run);
            run->nodes = nodes.mid(i, kRun);
            m_runs.append(std::move(run));
            m_starts.append(i);
        }
        for (const NodeRef& node : std::as_const(nodes)) {
            m_order.append(node.constData());
        }
    }

    QList<JournalEntry> toList() const { return QList<JournalEntry>(begin(), end()); }

    /// The same for copies of one list until either changes: a cheap test that nothing changed.
    const void* constData() const { return m_order.constData(); }

    friend bool operator==(const EntryList& a, const EntryList& b)
    {
        if (a.size() != b.size()) {
            return false;
        }
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!a.sharesEntry(i, b, i) && a.at(i) != b.at(i)) {
                return false;
            }
        }
        return true;
    }
    friend bool operator!=(const EntryList& a, const EntryList& b) { return !(a == b); }

    /// A hold on one entry of a list: it keeps that very entry alive, so no other entry can take its
    /// place in memory, and tells whether a list still holds it unchanged. Holds nothing by default.
    class Hold {
    public:
        Hold() = default;
        const JournalEntry& entry() const { return m_node->entry; }

    private:
        friend class EntryList;
        explicit Hold(const Node* node) : m_node(const_cast<Node*>(node)) { }
        NodeRef m_node;
    };
    Hold hold(qsizetype i) const { return Hold(m_order.at(i)); }
    /// Whether the `i`th entry is the very entry `held` holds (so certainly equal); reads neither entry.
    bool holds(qsizetype i, const Hold& held) const
    {
        return m_order.at(i) == std::as_const(held.m_node).constData() && held.m_node.constData();
    }
    /// What tells the `i`th entry apart from every other entry alive: the same for the same entry in
    /// copies of the list.
    const void* identity(qsizetype i) const { return m_order.at(i); }
    static const void* identity(const Hold& held) { return held.m_node.constData(); }

    /// Whether the `i`th entry of this list and the `j`th of `other` are one shared entry (so certainly
    /// equal); reads neither entry.
    bool sharesEntry(qsizetype i, const EntryList& other, qsizetype j) const
    {
        return m_order.at(i) == other.m_order.at(j);
    }

private:
    /// The run that holds place `i` (below size()).
    qsizetype runOf(qsizetype i) const
    {
        return qsizetype(std::upper_bound(m_starts.cbegin(), m_starts.cend(), i) - m_starts.cbegin()) - 1;
    }
    /// The owner of the `i`th entry, in a run of this list alone.
    NodeRef& nodeAt(qsizetype i)
    {
        const qsizetype r = runOf(i);
        return m_runs[r]->nodes[i - m_starts.at(r)];
    }

    /// Owners of the entries in order, run by run, and where each run starts.
    QList<RunRef> m_runs;
    QList<qsizetype> m_starts;
    /// Every entry in order (owned by the runs).
    Order m_order;
};
