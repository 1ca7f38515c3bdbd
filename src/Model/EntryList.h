#pragma once

#include "Model/JournalEntry.h"

#include <QList>
#include <QSharedData>
#include <QSharedDataPointer>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

/// Entries in order, each one implicitly shared on its own.
///
/// The journal is held by the store, the writer's snapshot, the search index and the views at once.
/// As a flat list, the first change after any of them took its copy copied every entry (about 400
/// bytes each); here a copy of the list is one pointer per entry, and changing an entry copies that
/// entry alone. Reading works as with a QList; entries are changed only through `edit`, `replace`
/// and the operations that add, remove or reorder them, never through an iterator.
class EntryList final {
    struct Node : QSharedData {
        explicit Node(JournalEntry e) : entry(std::move(e)) { }
        JournalEntry entry;
    };
    using Nodes = QList<QSharedDataPointer<Node>>;

public:
    using value_type = JournalEntry;
    using size_type = qsizetype;

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
        explicit const_iterator(Nodes::const_iterator at) : m_at(at) { }
        Nodes::const_iterator m_at;
    };
    using iterator = const_iterator;

    EntryList() = default;
    // Implicit on purpose: lists of entries built elsewhere (imports, tests) become the journal's.
    EntryList(const QList<JournalEntry>& entries)
    {
        m_nodes.reserve(entries.size());
        for (const JournalEntry& entry : entries) {
            append(entry);
        }
    }
    EntryList(QList<JournalEntry>&& entries)
    {
        m_nodes.reserve(entries.size());
        for (JournalEntry& entry : entries) {
            append(std::move(entry));
        }
    }
    EntryList(std::initializer_list<JournalEntry> entries) : EntryList(QList<JournalEntry>(entries)) { }

    qsizetype size() const { return m_nodes.size(); }
    bool isEmpty() const { return m_nodes.isEmpty(); }

    const JournalEntry& at(qsizetype i) const { return m_nodes.at(i)->entry; }
    const JournalEntry& operator[](qsizetype i) const { return at(i); }
    const JournalEntry& first() const { return at(0); }
    const JournalEntry& last() const { return at(size() - 1); }

    const_iterator begin() const { return const_iterator(m_nodes.cbegin()); }
    const_iterator end() const { return const_iterator(m_nodes.cend()); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    /// The `i`th entry for changing it; only that entry is copied when others share it.
    JournalEntry& edit(qsizetype i) { return m_nodes[i]->entry; }
    void replace(qsizetype i, JournalEntry entry) { m_nodes[i] = QSharedDataPointer(new Node(std::move(entry))); }
    void append(JournalEntry entry) { m_nodes.append(QSharedDataPointer(new Node(std::move(entry)))); }
    void append(const EntryList& other) { m_nodes.append(other.m_nodes); }
    void prepend(JournalEntry entry) { m_nodes.prepend(QSharedDataPointer(new Node(std::move(entry)))); }
    template <typename Predicate>
    qsizetype removeIf(Predicate pred)
    {
        return m_nodes.removeIf([&](const QSharedDataPointer<Node>& node) { return pred(std::as_const(node)->entry); });
    }
    void reserve(qsizetype n) { m_nodes.reserve(n); }
    /// Reorders the entries (stably) without copying any of them.
    template <typename Less>
    void stableSort(Less less)
    {
        std::stable_sort(m_nodes.begin(), m_nodes.end(),
                         [&](const QSharedDataPointer<Node>& a, const QSharedDataPointer<Node>& b) {
                             return less(std::as_const(a)->entry, std::as_const(b)->entry);
                         });
    }

    QList<JournalEntry> toList() const { return QList<JournalEntry>(begin(), end()); }

    /// The same for copies of one list until either changes: a cheap test that nothing changed.
    const void* constData() const { return m_nodes.constData(); }

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
        explicit Hold(const QSharedDataPointer<Node>& node) : m_node(node) { }
        QSharedDataPointer<Node> m_node;
    };
    Hold hold(qsizetype i) const { return Hold(m_nodes.at(i)); }
    /// Whether the `i`th entry is the very entry `held` holds (so certainly equal); reads neither entry.
    bool holds(qsizetype i, const Hold& held) const
    {
        return std::as_const(m_nodes[i]).constData() == std::as_const(held.m_node).constData()
               && held.m_node.constData();
    }
    /// What tells the `i`th entry apart from every other entry alive: the same for the same entry in
    /// copies of the list.
    const void* identity(qsizetype i) const { return std::as_const(m_nodes[i]).constData(); }
    static const void* identity(const Hold& held) { return held.m_node.constData(); }

    /// Whether the `i`th entry of this list and the `j`th of `other` are one shared entry (so certainly
    /// equal); reads neither entry.
    bool sharesEntry(qsizetype i, const EntryList& other, qsizetype j) const
    {
        return std::as_const(m_nodes[i]).constData() == std::as_const(other.m_nodes[j]).constData();
    }

private:
    Nodes m_nodes;
};
