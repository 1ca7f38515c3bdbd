#pragma once

#include "Model/EntryList.h"
#include "Model/JournalEntry.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

#include <functional>
#include <memory>
#include <optional>
#include <vector>

/// Reading and writing the JSON form of entries, trash records and lists of them.
///
/// The form is fixed: keys in field order (or sorted, for the export), absent optionals left out (never
/// null), ids as upper-case UUID text, bodyRTF as standard Base64, dates as seconds since 2001-01-01 UTC
/// or as ISO 8601 text. Reading ignores unknown keys; one entry that fails fails the whole list, and the
/// error names the offending key.
namespace vsp {

enum class DateEncoding {
    /// A JSON number of seconds since 2001-01-01 00:00:00 UTC (the journal's own files).
    ReferenceSeconds,
    /// ISO 8601 text in UTC without fraction (export and backup).
    ISO8601,
};

struct EncodeOptions {
    DateEncoding dates = DateEncoding::ReferenceSeconds;
    bool pretty = false;
    bool sortedKeys = false;
};

/// The outcome of a write: the bytes, or the reason they could not be made.
struct Encoded {
    QByteArray bytes;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

/// The outcome of a read: the value, or an error that names the key that failed.
template <typename T>
struct Decoded {
    std::optional<T> value;
    QString error;
    bool ok() const { return value.has_value(); }
};

Encoded encodeEntries(const EntryList& entries, const EncodeOptions& options = {});
/// `placements`, when given, is told where each rich text went (see placeStoredBytes()).
Encoded encodeTrash(const QList<TrashedEntry>& records, std::vector<StoredPlacement>* placements = nullptr);

/// Appends the journal form of one entry to `out`, the bytes encodeEntries() makes of it within its list.
/// `at` is where `out` starts in the file being written; `placements`, when given, is told where the
/// rich text went. Returns the encoding error, or empty.
QString appendEncodedEntry(QByteArray& out, const JournalEntry& entry, qint64 at,
                           std::vector<StoredPlacement>* placements = nullptr);

/// Reads a JSON array of entries. The bytes need not be padded.
Decoded<QList<JournalEntry>> decodeEntries(const QByteArray& json, DateEncoding dates = DateEncoding::ReferenceSeconds);
Decoded<QList<TrashedEntry>> decodeTrash(const QByteArray& json);

/// Reads a JSON array of entries from `device`, from its position to its end, `pieceBytes` at a time,
/// and parses the entries on the global thread pool a batch of about `pieceBytes` each: only the
/// entries read so far and the text of the batches being parsed are held, never the whole text or a
/// tree of it (a journal of 200 MB loads in the memory its entries take). Accepts exactly what
/// decodeEntries() accepts for the same bytes and makes the same entries. On failure the error says
/// only roughly where reading stopped: decodeEntries() on the bytes names the offending key.
///
/// With `richTextFile`, the file the device reads (a position in the device being the same in the
/// file), rich text stored in its usual form is left there and read when asked for (StoredBytes).
Decoded<EntryList> decodeEntries(QIODevice& device, DateEncoding dates = DateEncoding::ReferenceSeconds,
                                 qsizetype pieceBytes = 64 << 10, std::shared_ptr<StoredFile> richTextFile = {});

/// Values kept in the settings as JSON data.
QByteArray encodeUuidArray(const QList<QUuid>& ids);
std::optional<QList<QUuid>> decodeUuidArray(const QByteArray& json);
QByteArray encodeStringMap(const QList<std::pair<QString, QString>>& pairs);
std::optional<QList<std::pair<QString, QString>>> decodeStringMap(const QByteArray& json);

/// The JSON text without a leading UTF-8 byte order mark, which some text editors write; the readers
/// above and the mood reader skip it, as JSON readers may.
std::string_view withoutByteOrderMark(const QByteArray& json);

/// Standard Base64 with padding, and its strict reader (nothing for malformed text).
QByteArray encodeBase64(const QByteArray& bytes);
std::optional<QByteArray> decodeBase64(std::string_view text);
/// True for standard Base64 with padding in the one form that encoding its bytes gives (no stray bits
/// in the last character): such a text can be copied instead of decoded and encoded again.
bool isCanonicalBase64(std::string_view text);

} // namespace vsp
