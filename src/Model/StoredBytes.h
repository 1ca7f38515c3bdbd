#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace vsp {
class StoredFile;
struct StoredSlot;
struct StoredRegistry;
} // namespace vsp

/// Optional bytes that are either held in memory or left, as the standard Base64 text they were read
/// from, in a journal file: a rich text body is read from the file when it is shown or written again,
/// so a journal's rich text costs no memory until then. Reads like a `std::optional<QByteArray>`.
///
/// A plain value: copies share one slot, which only ever changes where the same bytes are kept (after a
/// save they are read from the new file; see vsp::placeStoredBytes()). Safe to read from any thread.
class StoredBytes final {
public:
    StoredBytes() = default;
    StoredBytes(std::nullopt_t) { }
    StoredBytes(QByteArray bytes);
    StoredBytes(const std::optional<QByteArray>& bytes);

    /// The bytes of `base64` (canonical standard Base64, see vsp::isCanonicalBase64()), which `file`
    /// holds at `offset`: read from there when asked for, after checking the file still holds that text.
    static StoredBytes inFile(std::shared_ptr<vsp::StoredFile> file, qint64 offset, std::string_view base64);

    bool has_value() const { return bool(m_slot); }
    explicit operator bool() const { return has_value(); }
    void reset() { m_slot.reset(); }

    /// The bytes: empty when there are none, or when the file they were left in no longer holds them
    /// (changed by another program; the failure is printed).
    QByteArray value() const;
    QByteArray operator*() const { return value(); }
    struct Held {
        QByteArray bytes;
        const QByteArray* operator->() const { return &bytes; }
    };
    Held operator->() const { return {value()}; }
    QByteArray value_or(const QByteArray& fallback) const { return has_value() ? value() : fallback; }
    operator std::optional<QByteArray>() const;

    /// The number of bytes, known without reading them.
    qsizetype size() const;
    /// True while the bytes are left in a file rather than held.
    bool isInFile() const;
    /// Their standard Base64 text: as the file holds it, or encoded. Nothing when there are no bytes or
    /// the file no longer holds them; `error` then says why.
    std::optional<QByteArray> base64(QString* error = nullptr) const;

    friend bool operator==(const StoredBytes& a, const StoredBytes& b);
    friend bool operator!=(const StoredBytes& a, const StoredBytes& b) { return !(a == b); }
    friend bool operator==(const StoredBytes& a, const std::optional<QByteArray>& b);
    friend bool operator!=(const StoredBytes& a, const std::optional<QByteArray>& b) { return !(a == b); }

private:
    friend struct vsp::StoredRegistry;
    std::shared_ptr<vsp::StoredSlot> m_slot;
};

size_t qHash(const StoredBytes& bytes, size_t seed = 0) noexcept;

namespace vsp {

/// A journal file kept open for reading the bytes left in it; closed with the last of them.
class StoredFile final {
public:
    /// Keeps a duplicate of the open descriptor `fd` of the file at `path`; nothing when it cannot be
    /// duplicated.
    static std::shared_ptr<StoredFile> duplicate(int fd, const QString& path);
    ~StoredFile();
    StoredFile(const StoredFile&) = delete;
    StoredFile& operator=(const StoredFile&) = delete;

    const QString& path() const { return m_path; }
    /// Reads `size` bytes at `offset` into `out`; false with the reason in `error` when it cannot.
    bool read(qint64 offset, char* out, qsizetype size, QString* error) const;

private:
    StoredFile(int fd, QString path) : m_fd(fd), m_path(std::move(path)) { }
    friend struct StoredRegistry;
    int m_fd;
    QString m_path;
    /// The slots placed in this file (some may since have moved or gone); guarded by the registry.
    std::vector<std::weak_ptr<StoredSlot>> m_slots;
};

/// Where the Base64 text of some bytes went in a file being written.
struct StoredPlacement {
    StoredBytes bytes;
    qint64 offset = 0;
    qint64 size = 0;
    quint64 check = 0;
};

/// The check kept with a text left in a file, to tell that the file still holds it.
quint64 storedCheck(std::string_view base64);

/// Once `path` has been replaced by a file holding each placement's text at its offset: the bytes are
/// read from that file from now on (held ones are let go of), and the bytes still left in the files it
/// replaced are read into memory, so those files are closed and their disk space freed. Nothing changes
/// when the new file cannot be opened.
void placeStoredBytes(const QString& path, const std::vector<StoredPlacement>& placements);

/// The number of files open for stored bytes (for tests).
int openStoredFileCount();

} // namespace vsp
