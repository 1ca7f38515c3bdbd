#pragma once

#include "Model/EntryList.h"
#include "Model/FileIO.h"
#include "Model/StoredBytes.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

namespace vsp {

/// The journal file as this process last wrote it, entry by entry: which entry each stretch of its bytes
/// holds. The next write encodes only the entries that changed since and copies the bytes of the others
/// from that file, making the very bytes encodeEntries() makes of the whole list. Nothing of the text is
/// held in memory; the file is copied from only while it is still the one written (same file, size and
/// modification time). Used by one thread at a time.
class EncodedJournal final {
public:
    EncodedJournal() = default;
    ~EncodedJournal();
    EncodedJournal(const EncodedJournal&) = delete;
    EncodedJournal& operator=(const EncodedJournal&) = delete;

    /// Hands the journal form of `entries` to `sink` in pieces of about `pieceBytes`, in order, and tells
    /// `placements` where each rich text goes. Stops at the first piece the sink refuses. Returns why the
    /// bytes could not be made (an entry that cannot be encoded, the file copied from that cannot be
    /// read), or empty.
    QString produce(const EntryList& entries, qsizetype pieceBytes, const ByteSink& sink,
                    std::vector<StoredPlacement>* placements);
    /// The bytes last produced are now the file at `path`: the next write copies from it.
    void written(const QString& path);
    /// Forgets the file written: the next write encodes every entry. True when one was kept.
    bool forget();

    /// The entries the last produce() encoded rather than copied.
    qsizetype encodedCount() const { return m_encodedCount; }

private:
    /// One entry's bytes in a file: `size` bytes at `offset`, its rich text's Base64 (if any)
    /// `richOffset` bytes further on.
    struct Stretch {
        EntryList::Hold entry;
        qint64 offset = 0;
        qint64 size = 0;
        qint64 richOffset = -1;
        qint64 richSize = 0;
        quint64 richCheck = 0;
    };
    struct FileIdentity {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const FileIdentity&) const = default;
    };
    /// Whether the file written is still there as it was written.
    bool sourceIsIntact() const;
    /// The stretch of the file written that holds the entry `entries[i]`, or -1. `expected` is the
    /// stretch after the one found last.
    qsizetype findStretch(const EntryList& entries, qsizetype i, qsizetype expected);

    std::vector<Stretch> m_file;
    std::vector<Stretch> m_made;
    /// m_file's stretches by entry, made once entries are looked for away from where they were.
    QHash<const void*, qsizetype> m_byEntry;
    int m_misses = 0;
    int m_fd = -1;
    QString m_path;
    FileIdentity m_identity;
    qint64 m_madeSize = 0;
    qsizetype m_encodedCount = 0;
};

} // namespace vsp
