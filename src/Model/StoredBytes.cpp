#include "Model/StoredBytes.h"

#include "Model/EntryCodec.h"
#include "Model/Log.h"

#include "Model/FileIO.h"

#include <QFile>
#include <QHashFunctions>

#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace vsp {

namespace {

/// Where Base64 text lies in a file, and the check of it.
struct Place {
    std::shared_ptr<StoredFile> file;
    qint64 offset = 0;
    qint64 textSize = 0;
    quint64 check = 0;
};

} // namespace

/// Where a slot's bytes are: held, or in a file (when `place.file` is set). Only changed under the
/// registry's lock.
struct StoredSlot {
    QByteArray bytes;
    Place place;
    qsizetype size = 0;
};

namespace {

std::optional<QByteArray> readText(const Place& place, QString* error)
{
    QByteArray text(place.textSize, Qt::Uninitialized);
    QString why;
    if (!place.file->read(place.offset, text.data(), text.size(), &why)) {
    } else if (storedCheck(std::string_view(text.constData(), size_t(text.size()))) != place.check) {
        why = QStringLiteral("%1 was changed by another program").arg(place.file->path());
    } else {
        return text;
    }
    if (error) {
        *error = why;
    }
    return std::nullopt;
}

std::optional<QByteArray> readBytes(const Place& place, QString* error)
{
    const auto text = readText(place, error);
    if (!text) {
        return std::nullopt;
    }
    return decodeBase64(std::string_view(text->constData(), size_t(text->size())));
}

} // namespace

/// Every open stored file and the lock that guards all slots and the files' lists of them.
struct StoredRegistry {
    static StoredRegistry& instance()
    {
        static StoredRegistry registry;
        return registry;
    }

    std::mutex lock;
    std::vector<std::weak_ptr<StoredFile>> files;

    static std::shared_ptr<StoredFile> make(int fd, const QString& path)
    {
        std::shared_ptr<StoredFile> file(new StoredFile(fd, path));
        StoredRegistry& r = instance();
        const std::lock_guard hold(r.lock);
        std::erase_if(r.files, [](const std::weak_ptr<StoredFile>& f) { return f.expired(); });
        r.files.push_back(file);
        return file;
    }

    static void moveTo(const std::shared_ptr<StoredSlot>& slot, Place place)
    {
        slot->bytes = QByteArray();
        place.file->m_slots.push_back(slot);
        slot->place = std::move(place);
    }

    static void place(const QString& path, const std::vector<StoredPlacement>& placements)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            logFailure(QStringLiteral("reopening %1").arg(path), systemError(errno));
            return;
        }
        const std::shared_ptr<StoredFile> file = make(fd, path);
        StoredRegistry& r = StoredRegistry::instance();
        std::vector<std::pair<std::shared_ptr<StoredSlot>, Place>> left;
        {
            const std::lock_guard hold(r.lock);
            for (const StoredPlacement& p : placements) {
                if (const auto& slot = p.bytes.m_slot) {
                    moveTo(slot, {file, p.offset, p.size, p.check});
                }
            }
            // What the replaced files still hold was not written again (entries kept elsewhere, such as an
            // earlier text of an edited entry): it comes into memory so the old files can go.
            for (const std::weak_ptr<StoredFile>& weak : r.files) {
                const auto old = weak.lock();
                if (!old || old == file || old->m_path != path) {
                    continue;
                }
                for (const std::weak_ptr<StoredSlot>& s : old->m_slots) {
                    if (auto slot = s.lock(); slot && slot->place.file == old) {
                        left.emplace_back(slot, slot->place);
                    }
                }
                old->m_slots.clear();
            }
        }
        for (auto& [slot, place] : left) {
            QString error;
            std::optional<QByteArray> bytes = readBytes(place, &error);
            if (!bytes) {
                // Kept where it is: reading it later fails the same way, and says so then.
                logFailure(QStringLiteral("reading rich text"), error);
                continue;
            }
            const std::lock_guard hold(r.lock);
            if (slot->place.file == place.file) {
                slot->place = {};
                slot->bytes = std::move(*bytes);
            }
        }
    }
};

std::shared_ptr<StoredFile> StoredFile::duplicate(int fd, const QString& path)
{
    const int copy = fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        return {};
    }
    return StoredRegistry::make(copy, path);
}

StoredFile::~StoredFile()
{
    ::close(m_fd);
}

bool StoredFile::read(qint64 offset, char* out, qsizetype size, QString* error) const
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::pread(m_fd, out + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (error) {
                *error = n < 0 ? systemError(errno) : QStringLiteral("%1 is shorter than it was").arg(m_path);
            }
            return false;
        }
        done += qsizetype(n);
    }
    return true;
}

quint64 storedCheck(std::string_view base64)
{
    return quint64(qHashBits(base64.data(), base64.size(), 0x9e3779b97f4a7c15ull));
}

void placeStoredBytes(const QString& path, const std::vector<StoredPlacement>& placements)
{
    StoredRegistry::place(path, placements);
}

int openStoredFileCount()
{
    StoredRegistry& r = StoredRegistry::instance();
    const std::lock_guard hold(r.lock);
    int count = 0;
    for (const auto& f : r.files) {
        count += f.expired() ? 0 : 1;
    }
    return count;
}

} // namespace vsp

using vsp::StoredRegistry;
using vsp::StoredSlot;

StoredBytes::StoredBytes(QByteArray bytes) : m_slot(new StoredSlot)
{
    m_slot->size = bytes.size();
    m_slot->bytes = std::move(bytes);
}

StoredBytes::StoredBytes(const std::optional<QByteArray>& bytes)
{
    if (bytes) {
        *this = StoredBytes(*bytes);
    }
}

StoredBytes StoredBytes::inFile(std::shared_ptr<vsp::StoredFile> file, qint64 offset, std::string_view base64)
{
    StoredBytes stored;
    stored.m_slot.reset(new StoredSlot);
    const size_t n = base64.size();
    stored.m_slot->size = qsizetype(n / 4 * 3) - (n > 0 && base64[n - 1] == '=') - (n > 1 && base64[n - 2] == '=');
    const std::lock_guard hold(StoredRegistry::instance().lock);
    StoredRegistry::moveTo(stored.m_slot, {std::move(file), offset, qint64(n), vsp::storedCheck(base64)});
    return stored;
}

QByteArray StoredBytes::value() const
{
    if (!m_slot) {
        return {};
    }
    vsp::Place place;
    {
        const std::lock_guard hold(StoredRegistry::instance().lock);
        if (!m_slot->place.file) {
            return m_slot->bytes;
        }
        place = m_slot->place;
    }
    QString error;
    std::optional<QByteArray> bytes = vsp::readBytes(place, &error);
    if (!bytes) {
        vsp::logFailure(QStringLiteral("reading rich text"), error);
        return {};
    }
    return std::move(*bytes);
}

StoredBytes::operator std::optional<QByteArray>() const
{
    if (!m_slot) {
        return std::nullopt;
    }
    return value();
}

qsizetype StoredBytes::size() const
{
    return m_slot ? m_slot->size : 0;
}

bool StoredBytes::isInFile() const
{
    if (!m_slot) {
        return false;
    }
    const std::lock_guard hold(StoredRegistry::instance().lock);
    return bool(m_slot->place.file);
}

std::optional<QByteArray> StoredBytes::base64(QString* error) const
{
    if (!m_slot) {
        return std::nullopt;
    }
    vsp::Place place;
    QByteArray held;
    {
        const std::lock_guard hold(StoredRegistry::instance().lock);
        place = m_slot->place;
        held = m_slot->bytes;
    }
    if (!place.file) {
        return vsp::encodeBase64(held);
    }
    return vsp::readText(place, error);
}

bool operator==(const StoredBytes& a, const StoredBytes& b)
{
    if (a.m_slot == b.m_slot) {
        return true;
    }
    if (!a.m_slot || !b.m_slot || a.size() != b.size()) {
        return false;
    }
    return a.value() == b.value();
}

bool operator==(const StoredBytes& a, const std::optional<QByteArray>& b)
{
    if (!a.has_value() || !b) {
        return a.has_value() == b.has_value();
    }
    return a.size() == b->size() && a.value() == *b;
}

size_t qHash(const StoredBytes& bytes, size_t seed) noexcept
{
    return bytes ? qHash(bytes.value(), seed) : qHash(0x5bd1e995u, seed);
}
