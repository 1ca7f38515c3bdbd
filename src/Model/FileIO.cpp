#include "Model/FileIO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vsp {

FileRead readFileBounded(const QString& path, qint64 maxBytes)
{
    FileRead result;
    const auto refuse = [&](const QString& why) {
        result.status = FileRead::Status::Unreadable;
        result.error = why;
        return result;
    };
    // Without O_NONBLOCK, opening a FIFO nobody writes to waits for ever; a regular file reads the same
    // either way, and anything else is refused below before a byte is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int code = errno;
        if (code == ENOENT || code == ENOTDIR) {
            result.status = FileRead::Status::Missing;
            return result;
        }
        return refuse(systemError(code));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status { };
    if (::fstat(fd, &status) != 0) {
        return refuse(systemError(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        return refuse(QStringLiteral("%1 is not a regular file").arg(QFileInfo(path).fileName()));
    }
    const auto tooLarge = [&] {
        return refuse(QStringLiteral("the file is larger than %1").arg(megabytesText(maxBytes)));
    };
    if (status.st_size > maxBytes) {
        return tooLarge();
    }
    constexpr qint64 kPadding = 64;
    QByteArray bytes;
    bytes.reserve(qsizetype(status.st_size + kPadding));
    // The size may be wrong (a file still growing, /proc files report none): read to the end, never
    // holding more than one byte past the limit.
    bytes.resize(qsizetype(std::min(maxBytes + 1, qint64(status.st_size) + 1)));
    qint64 total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > maxBytes) {
                return tooLarge();
            }
            bytes.resize(qsizetype(std::min(maxBytes + 1, total + std::max<qint64>(total, 64 << 10))));
        }
        const ssize_t got = ::read(fd, bytes.data() + total, size_t(bytes.size() - total));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return refuse(systemError(errno));
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    if (total > maxBytes) {
        return tooLarge();
    }
    bytes.resize(qsizetype(total));
    bytes.reserve(qsizetype(total + kPadding));
    result.status = FileRead::Status::Ok;
    result.bytes = std::move(bytes);
    return result;
}

FileRead readWholeFile(const QString& path)
{
    return readFileBounded(path, kMaxReadableFileBytes);
}

QString megabytesText(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(bytes >> 20);
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

namespace {

bool fail(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
    return false;
}

} // namespace

QString resolveLinks(const QString& path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 32; ++hops) {
        const QFileInfo info(current);
        if (!info.isSymLink()) {
            return current;
        }
        current = info.symLinkTarget();
    }
    return {};
}

namespace {

// The reason a resolved target may not be replaced: anything that exists and is no regular file. lstat,
// as the target is the end of its chain of links.
QString targetRefusal(const QString& target)
{
    struct stat status { };
    if (::lstat(QFile::encodeName(target).constData(), &status) != 0 || S_ISREG(status.st_mode)) {
        return {};
    }
    return QStringLiteral("%1 is not a regular file").arg(target);
}

} // namespace

bool writeAll(int fd, const QByteArray& bytes, int* code)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // A write that makes no progress and sets no error: the device is full.
            *code = n < 0 ? errno : ENOSPC;
            return false;
        }
        written += qsizetype(n);
    }
    return true;
}

QString writeRefusal(const QString& path)
{
    const QString target = resolveLinks(path);
    if (target.isEmpty()) {
        return systemError(ELOOP);
    }
    const QFileInfo link(path);
    if (link.isSymLink() && !QFileInfo::exists(target)) {
        // Made to lead somewhere new, the write would put a file wherever the link happens to point.
        return QStringLiteral("%1 is a link to %2, which does not exist").arg(link.fileName(), target);
    }
    return targetRefusal(target);
}

QString foreignLinkBlock(const QString& path, const QString& name, const QString& what)
{
    const QFileInfo link(path);
    if (!link.isSymLink()) {
        return {};
    }
    const QString target = resolveLinks(path);
    return QStringLiteral("%1 is a link to %2, which could not be read as %3; it is left unchanged")
        .arg(name, target.isEmpty() ? link.symLinkTarget() : target, what);
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    return writeFileAtomically(
        path,
        [&](const ByteSink& sink) {
            sink(bytes);
            return QString();
        },
        error);
}

bool writeFileAtomically(const QString& path, const std::function<QString(const ByteSink& sink)>& produce,
                         QString* error)
{
    if (const QString refusal = writeRefusal(path); !refusal.isEmpty()) {
        return fail(error, refusal);
    }
    const QString target = resolveLinks(path);
    const QFileInfo info(target);
    // Beside the target, so the rename stays on one file system and replaces it in one step.
    QByteArray pattern = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()) + ".XXXXXX";
    // mkostemp creates the file with mode 0600, which stays: journal files are private.
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return fail(error, systemError(errno));
    }
    const auto abandon = [&](int code) {
        ::close(fd);
        ::unlink(pattern.constData());
        return fail(error, systemError(code));
    };
    int writeError = 0;
    // The disk is set to work on each few megabytes as soon as they are written, so the fsync at the end
    // waits only for the last of them rather than for the whole file (a journal can be 100 MB).
    constexpr off_t kWritebackBytes = 4 << 20;
    off_t written = 0;
    off_t handedToDisk = 0;
    const ByteSink sink = [&](const QByteArray& bytes) {
        if (writeError != 0 || !writeAll(fd, bytes, &writeError)) {
            return false;
        }
        written += off_t(bytes.size());
        if (written - handedToDisk >= kWritebackBytes) {
            ::sync_file_range(fd, handedToDisk, written - handedToDisk, SYNC_FILE_RANGE_WRITE);
            handedToDisk = written;
        }
        return true;
    };
    const QString produceError = produce(sink);
    if (writeError != 0) {
        return abandon(writeError);
    }
    if (!produceError.isEmpty()) {
        ::close(fd);
        ::unlink(pattern.constData());
        return fail(error, produceError);
    }
    if (::fsync(fd) != 0) {
        return abandon(errno);
    }
    // Some file systems report a failed write only when the file is closed.
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(pattern.constData());
        return fail(error, systemError(code));
    }
    // Looked at again: a FIFO or device put there while the bytes were written is not replaced either.
    if (const QString refusal = targetRefusal(target); !refusal.isEmpty()) {
        ::unlink(pattern.constData());
        return fail(error, refusal);
    }
    if (::rename(pattern.constData(), QFile::encodeName(target).constData()) != 0) {
        const int code = errno;
        ::unlink(pattern.constData());
        return fail(error, systemError(code));
    }
    // The rename itself reaches the disk with the folder: best effort, the file is already complete.
    const int folder = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

int removeStaleTemporaries(const QString& path)
{
    const QString target = resolveLinks(path);
    if (target.isEmpty()) {
        return 0;
    }
    const QFileInfo info(target);
    const QString prefix = u'.' + info.fileName() + u'.';
    QDir folder(info.absolutePath());
    int removed = 0;
    const QStringList candidates =
        folder.entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : candidates) {
        // mkostemp's six characters: anything else of this shape is not ours.
        const bool ours = std::all_of(name.cbegin() + prefix.size(), name.cend(), [](QChar c) {
            return c.unicode() < 128 && std::isalnum(static_cast<unsigned char>(c.unicode()));
        });
        if (ours && folder.remove(name)) {
            ++removed;
        }
    }
    return removed;
}

void ensureFolder(const QString& path)
{
    QDir().mkpath(path);
}

void ensurePrivateFolder(const QString& path)
{
    QDir().mkpath(path);
    restrictToOwner(path);
}

bool restrictToOwner(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info { };
    if (::stat(name.constData(), &info) != 0) {
        return false;
    }
    const mode_t mode = info.st_mode & 07777;
    // Only ever bits taken away: owner bits the user cleared stay cleared.
    return (mode & (S_IRWXG | S_IRWXO)) == 0 || ::chmod(name.constData(), mode & ~mode_t(S_IRWXG | S_IRWXO)) == 0;
}

bool makePrivate(const QString& path)
{
    return ::chmod(QFile::encodeName(path).constData(), S_IRUSR | S_IWUSR) == 0;
}

bool isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        return false;
    }
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c == QChar(0)) {
            return false;
        }
    }
    return true;
}

QString uniquePath(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        return path;
    }
    const QFileInfo info(path);
    const QString folder = info.path();
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    for (int n = 2; n < 10000; ++n) {
        const QString candidate = folder + u'/' + base + u'-' + QString::number(n) + suffix;
        if (!QFileInfo::exists(candidate)) {
            return candidate;
        }
    }
    return {};
}

} // namespace vsp
