#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHashFunctions>
#include <QString>
#include <QStringBuilder>
#include <QStringView>

#include <span>
#include <string_view>

/// Folds text for case-insensitive containment tests, as UTF-8.
QByteArray foldForSearch(QStringView text);
/// The most bytes folding `text` can give: one per ASCII code unit, three per other unit.
qsizetype foldedSizeBound(QStringView text);
/// Folds `text` into `out`, which has room for `foldedSizeBound(text)` bytes; returns one past the last
/// byte written.
char* foldForSearch(QStringView text, char* out);

/// A text kept the way search reads it: case-folded (as `foldForSearch` folds) and in UTF-8, with the
/// few characters folding changed noted beside it, so the text itself comes back exactly. A body is
/// held once, in about half the memory of a QString, and searched where it lies.
///
/// One implicitly shared buffer: copies are cheap and share it until one of them is given a new text.
/// `toString()` rebuilds the QString on each call; reading many times a second wants `left()` or a copy.
class FoldedText final {
public:
    FoldedText() = default;
    // Implicit on purpose: a body is assigned and read as a QString everywhere.
    FoldedText(const QString& text) : FoldedText(QStringView(text)) { }
    explicit FoldedText(QStringView text);
    FoldedText(const char16_t* text) : FoldedText(QStringView(text)) { }
    template <typename A, typename B>
    FoldedText(const QStringBuilder<A, B>& text) : FoldedText(QString(text))
    { }

    /// The text of the UTF-8 in `utf8` (which need not be valid: invalid bytes read as QString::fromUtf8
    /// reads them), folded straight from it.
    static FoldedText fromUtf8(std::string_view utf8);
    /// Moves the texts that `texts` point at into one buffer they share, as texts kept together for long
    /// (a journal's bodies) want: one allocation for all rather than one each. Each reads, compares and
    /// hashes as before and gets a new identity(); one given a new text leaves the buffer, which is freed
    /// with the last of its texts (until then it keeps the bytes of those that left).
    static void shareBuffer(std::span<FoldedText* const> texts);

    QString toString() const;
    operator QString() const { return toString(); }
    /// The first `n` UTF-16 code units, as QString::left gives them; only those are rebuilt.
    QString left(qsizetype n) const;

    bool isEmpty() const { return m_data.isEmpty(); }
    /// Length in UTF-16 code units, as the QString's.
    qsizetype size() const;
    void clear() { m_data.clear(); }

    /// Pieces between Unicode white space (QChar::isSpace), counted in the folded text: folding only
    /// changes letters, so the count is the text's own.
    int wordCount() const;

    /// The folded UTF-8 text, what a search looks in.
    QByteArrayView folded() const;
    /// The same for copies that share one text, different for texts given apart (equal or not): a
    /// cheap test that a text has not been replaced since it was last looked at.
    const void* identity() const { return m_data.constData(); }

    friend bool operator==(const FoldedText& a, const FoldedText& b) { return a.m_data == b.m_data; }
    friend bool operator!=(const FoldedText& a, const FoldedText& b) { return !(a == b); }
    friend bool operator==(const FoldedText& a, const QString& b) { return a.size() == b.size() && a.toString() == b; }
    friend bool operator!=(const FoldedText& a, const QString& b) { return !(a == b); }
    friend bool operator==(const QString& a, const FoldedText& b) { return b == a; }
    friend bool operator!=(const QString& a, const FoldedText& b) { return !(b == a); }
    friend size_t qHash(const FoldedText& text, size_t seed = 0) noexcept
    {
        return qHashBits(text.m_data.constData(), size_t(text.m_data.size()), seed);
    }

private:
    QString decode(qsizetype units) const;

    /// Empty for an empty text; otherwise a header (UTF-16 length, folded byte count; four bytes each),
    /// the folded bytes, then one record per changed character: the folded bytes since the last one
    /// and the original code point (or lone surrogate), each as an unsigned LEB128 number.
    QByteArray m_data;
};
