#include "Model/EncodedJournal.h"

#include "Model/EntryCodec.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vsp {

namespace {

/// Entries looked for away from the place they had before, past which they are found through a table.
constexpr int kMissesBeforeTable = 8;

} // namespace

EncodedJournal::~EncodedJournal()
{
    forget();
}

bool EncodedJournal::forget()
{
    const bool kept = m_fd >= 0 || !m_file.empty();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_file.clear();
    m_byEntry.clear();
    return kept;
}

bool EncodedJournal::sourceIsIntact() const
{
    if (m_fd < 0) {
        return false;
    }
    // The file open here must still be the one at the path, unchanged since it was written: another
    // program that replaced or edited it made other bytes, which must not be copied into the journal.
    struct stat open { };
    struct stat named { };
    if (::fstat(m_fd, &open) != 0 || ::stat(QFile::encodeName(m_path).constData(), &named) != 0) {
        return false;
    }
    const auto identity = [](const struct stat& st) {
        return FileIdentity{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                            qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    };
    return identity(open) == m_identity && identity(named) == m_identity;
}

qsizetype EncodedJournal::findStretch(const EntryList& entries, qsizetype i, qsizetype expected)
{
    const qsizetype count = qsizetype(m_file.size());
    // Most writes follow one change: every entry but one or two sits where it sat, or one place away.
    for (qsizetype k = expected; k < std::min(expected + 2, count); ++k) {
        if (entries.holds(i, m_file[size_t(k)].entry)) {
            return k;
        }
    }
    if (m_byEntry.isEmpty() && ++m_misses <= kMissesBeforeTable) {
        return -1;
    }
    if (m_byEntry.isEmpty()) {
        m_byEntry.reserve(count);
        for (qsizetype k = 0; k < count; ++k) {
            m_byEntry.insert(EntryList::identity(m_file[size_t(k)].entry), k);
        }
    }
    return m_byEntry.value(entries.identity(i), -1);
}

QString EncodedJournal::produce(const EntryList& entries, qsizetype pieceBytes, const ByteSink& sink,
                                std::vector<StoredPlacement>* placements)
{
    m_made.clear();
    m_made.reserve(size_t(entries.size()));
    m_byEntry.clear();
    m_misses = 0;
    m_encodedCount = 0;
    if (!sourceIsIntact()) {
        forget();
    }
    QByteArray out;
    out.reserve(pieceBytes + pieceBytes / 4);
    qint64 emitted = 0; // bytes handed to the sink before `out`
    bool refused = false;
    const auto handOn = [&] {
        if (out.size() < pieceBytes) {
            return true;
        }
        if (!sink(out)) {
            refused = true;
            return false;
        }
        emitted += out.size();
        out.resize(0);
        return true;
    };
    // A run of stretches that lie one after the other in the file written, commas between them
    // included, is copied as one.
    qsizetype runFirst = -1;
    qsizetype runLast = -1;
    const auto copyRun = [&]() -> QString {
        if (runFirst < 0) {
            return {};
        }
        const qint64 start = m_file[size_t(runFirst)].offset;
        const qint64 at = emitted + out.size();
        for (qsizetype k = runFirst; k <= runLast; ++k) {
            Stretch moved = m_file[size_t(k)];
            moved.offset = at + (moved.offset - start);
            if (placements && moved.richOffset >= 0) {
                placements->push_back(
                    {moved.entry.entry().bodyRTF, moved.offset + moved.richOffset, moved.richSize, moved.richCheck});
            }
            m_made.push_back(std::move(moved));
        }
        qint64 from = start;
        const qint64 end = m_file[size_t(runLast)].offset + m_file[size_t(runLast)].size;
        runFirst = runLast = -1;
        while (from < end) {
            const qsizetype length = qsizetype(std::min<qint64>(end - from, pieceBytes));
            const qsizetype before = out.size();
            out.resize(before + length);
            const ssize_t read = ::pread(m_fd, out.data() + before, size_t(length), off_t(from));
            if (read != ssize_t(length)) {
                return read < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                : QStringLiteral("The journal file ended early");
            }
            from += length;
            if (!handOn()) {
                return {};
            }
        }
        return {};
    };

    out.append('[');
    qsizetype expected = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const qsizetype k = m_fd >= 0 ? findStretch(entries, i, expected) : -1;
        if (k >= 0 && runFirst >= 0 && k == runLast + 1) {
            runLast = k;
        } else {
            if (QString error = copyRun(); !error.isEmpty() || refused) {
                return error;
            }
            if (i > 0) {
                out.append(',');
            }
            if (k >= 0) {
                runFirst = runLast = k;
            } else {
                const qint64 at = emitted + out.size();
                const size_t placed = placements ? placements->size() : 0;
                if (QString error = appendEncodedEntry(out, entries[i], emitted, placements); !error.isEmpty()) {
                    return error;
                }
                Stretch made{entries.hold(i), at, emitted + out.size() - at};
                if (placements && placements->size() > placed) {
                    const StoredPlacement& rich = placements->back();
                    made.richOffset = rich.offset - at;
                    made.richSize = rich.size;
                    made.richCheck = rich.check;
                }
                m_made.push_back(std::move(made));
                ++m_encodedCount;
                if (!handOn()) {
                    return {};
                }
            }
        }
        if (k >= 0) {
            expected = k + 1;
        }
    }
    if (QString error = copyRun(); !error.isEmpty() || refused) {
        return error;
    }
    out.append(']');
    m_madeSize = emitted + out.size();
    sink(out);
    return {};
}

void EncodedJournal::written(const QString& path)
{
    forget();
    // Only the file's owner writes it, and only this way: opened without following a link or waiting
    // on anything, and kept only when it holds exactly what was made.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    struct stat st { };
    if (fd < 0) {
        m_made.clear();
        return;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || qint64(st.st_size) != m_madeSize) {
        ::close(fd);
        m_made.clear();
        return;
    }
    m_fd = fd;
    m_path = path;
    m_identity = {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                  qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    m_file = std::move(m_made);
    m_made.clear();
}

} // namespace vsp
