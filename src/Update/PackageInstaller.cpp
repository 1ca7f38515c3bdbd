#include "Update/PackageInstaller.h"

#include "Model/FileIO.h"
#include "Platform/SharedLibrary.h"
#include "Update/AppBundle.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QUuid>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vsp::update {

namespace {

UpdateError packageError(const QString& why)
{
    return {UpdateFailure::Package, why};
}

QString upperUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

/// The libarchive functions unpacking calls. The library is opened by the first unpacking rather than
/// linked: it brings libxml2, libacl and nettle into every start, for an update most runs never install.
struct ArchiveLibrary final {
    decltype(&archive_read_new) readNew = nullptr;
    decltype(&archive_read_free) readFree = nullptr;
    decltype(&archive_read_support_format_zip) readSupportFormatZip = nullptr;
    decltype(&archive_read_open_filename) readOpenFilename = nullptr;
    decltype(&archive_read_next_header) readNextHeader = nullptr;
    decltype(&archive_read_data_skip) readDataSkip = nullptr;
    decltype(&archive_read_data_block) readDataBlock = nullptr;
    decltype(&archive_error_string) errorString = nullptr;
    decltype(&archive_entry_pathname) entryPathname = nullptr;
    decltype(&archive_entry_pathname_utf8) entryPathnameUtf8 = nullptr;
    decltype(&archive_entry_set_pathname) entrySetPathname = nullptr;
    decltype(&archive_entry_hardlink) entryHardlink = nullptr;
    decltype(&archive_entry_symlink) entrySymlink = nullptr;
    decltype(&archive_entry_filetype) entryFiletype = nullptr;
    decltype(&archive_entry_perm) entryPerm = nullptr;
    decltype(&archive_entry_set_perm) entrySetPerm = nullptr;
    decltype(&archive_write_disk_new) writeDiskNew = nullptr;
    decltype(&archive_write_disk_set_options) writeDiskSetOptions = nullptr;
    decltype(&archive_write_header) writeHeader = nullptr;
    decltype(&archive_write_data_block) writeDataBlock = nullptr;
    decltype(&archive_write_finish_entry) writeFinishEntry = nullptr;
    decltype(&archive_write_close) writeClose = nullptr;
    decltype(&archive_write_free) writeFree = nullptr;

    static std::unique_ptr<const ArchiveLibrary> open(const char* fileName, QString* error)
    {
        return openTable<ArchiveLibrary>(fileName, error, [error](const SharedLibrary& library, ArchiveLibrary& t) {
            return library.find("archive_read_new", t.readNew, error)
                   && library.find("archive_read_free", t.readFree, error)
                   && library.find("archive_read_support_format_zip", t.readSupportFormatZip, error)
                   && library.find("archive_read_open_filename", t.readOpenFilename, error)
                   && library.find("archive_read_next_header", t.readNextHeader, error)
                   && library.find("archive_read_data_skip", t.readDataSkip, error)
                   && library.find("archive_read_data_block", t.readDataBlock, error)
                   && library.find("archive_error_string", t.errorString, error)
                   && library.find("archive_entry_pathname", t.entryPathname, error)
                   && library.find("archive_entry_pathname_utf8", t.entryPathnameUtf8, error)
                   && library.find("archive_entry_set_pathname", t.entrySetPathname, error)
                   && library.find("archive_entry_hardlink", t.entryHardlink, error)
                   && library.find("archive_entry_symlink", t.entrySymlink, error)
                   && library.find("archive_entry_filetype", t.entryFiletype, error)
                   && library.find("archive_entry_perm", t.entryPerm, error)
                   && library.find("archive_entry_set_perm", t.entrySetPerm, error)
                   && library.find("archive_write_disk_new", t.writeDiskNew, error)
                   && library.find("archive_write_disk_set_options", t.writeDiskSetOptions, error)
                   && library.find("archive_write_header", t.writeHeader, error)
                   && library.find("archive_write_data_block", t.writeDataBlock, error)
                   && library.find("archive_write_finish_entry", t.writeFinishEntry, error)
                   && library.find("archive_write_close", t.writeClose, error)
                   && library.find("archive_write_free", t.writeFree, error);
        });
    }

    /// Opened by the first call; nothing when it cannot be, which is printed once.
    static const ArchiveLibrary* installed()
    {
        return openOnce<ArchiveLibrary>(QStringLiteral("unpacking updates"),
                                        [](QString* error) { return open("libarchive.so.13", error); });
    }
};

struct ArchiveReader {
    explicit ArchiveReader(const ArchiveLibrary& library) : a(library), handle(library.readNew()) { }
    ~ArchiveReader() { a.readFree(handle); }
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;
    const ArchiveLibrary& a;
    struct archive* handle;
};

QString archiveText(const ArchiveLibrary& a, struct archive* handle)
{
    const char* text = a.errorString(handle);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
}

/// Opens the zip for one pass over its entries; libarchive's zip reader only (no other formats).
bool openZip(ArchiveReader& reader, const QString& archive, QString* error)
{
    reader.a.readSupportFormatZip(reader.handle);
    if (reader.a.readOpenFilename(reader.handle, QFile::encodeName(archive).constData(), 64 * 1024) != ARCHIVE_OK) {
        *error = archiveText(reader.a, reader.handle);
        return false;
    }
    return true;
}

/// An entry's name as a list of parts without "." and empty ones; nothing when it is absolute or has a
/// ".." part.
std::optional<QStringList> safeParts(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(u'\\') || name.contains(QChar(0))) {
        return std::nullopt;
    }
    QStringList parts;
    for (const QString& part : name.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            return std::nullopt;
        }
        if (part != QLatin1String(".")) {
            parts.append(part);
        }
    }
    if (parts.isEmpty()) {
        return std::nullopt;
    }
    return parts;
}

/// Whether a link at `linkParts` pointing at `target` stays inside the archive's tree.
bool linkStaysInside(const QStringList& linkParts, const QString& target)
{
    if (target.isEmpty() || target.startsWith(u'/')) {
        return false;
    }
    qsizetype depth = linkParts.size() - 1;
    for (const QString& part : target.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (--depth < 0) {
                return false;
            }
        } else if (part != QLatin1String(".")) {
            ++depth;
        }
    }
    return true;
}

QString entryName(const ArchiveLibrary& a, struct archive_entry* entry)
{
    if (const char* utf8 = a.entryPathnameUtf8(entry)) {
        return QString::fromUtf8(utf8);
    }
    const char* raw = a.entryPathname(entry);
    return raw ? QFile::decodeName(raw) : QString();
}

/// The first pass: every entry is looked at before anything is written, so a hostile entry late in the
/// archive cannot follow harmless ones onto the disk.
std::optional<UpdateError> checkEntries(const ArchiveLibrary& a, const QString& archive, const UnpackLimits& limits)
{
    ArchiveReader reader(a);
    QString error;
    if (!openZip(reader, archive, &error)) {
        return packageError(QStringLiteral("the archive cannot be read: %1").arg(error));
    }
    QSet<QString> links;
    QList<QStringList> names;
    struct archive_entry* entry = nullptr;
    int result = ARCHIVE_OK;
    while ((result = a.readNextHeader(reader.handle, &entry)) == ARCHIVE_OK) {
        const QString name = entryName(a, entry);
        const std::optional<QStringList> parts = safeParts(name);
        if (!parts) {
            return packageError(QStringLiteral("the archive holds an unsafe name: %1").arg(name));
        }
        if (a.entryHardlink(entry)) {
            return packageError(QStringLiteral("the archive holds a hard link: %1").arg(name));
        }
        const mode_t type = a.entryFiletype(entry);
        if (type == AE_IFLNK) {
            const char* target = a.entrySymlink(entry);
            if (!target || !linkStaysInside(*parts, QFile::decodeName(target))) {
                return packageError(QStringLiteral("the archive holds a link out of its folder: %1").arg(name));
            }
            links.insert(parts->join(u'/'));
        } else if (type != AE_IFREG && type != AE_IFDIR) {
            return packageError(QStringLiteral("the archive holds a special file: %1").arg(name));
        }
        names.append(*parts);
        if (names.size() > limits.entries) {
            return packageError(QStringLiteral("the archive holds more than %1 entries").arg(limits.entries));
        }
        if (a.readDataSkip(reader.handle) != ARCHIVE_OK) {
            return packageError(QStringLiteral("the archive is damaged: %1").arg(archiveText(a, reader.handle)));
        }
    }
    if (result != ARCHIVE_EOF) {
        return packageError(QStringLiteral("the archive is damaged: %1").arg(archiveText(a, reader.handle)));
    }
    if (names.isEmpty()) {
        return packageError(QStringLiteral("the archive is empty"));
    }
    // A write below a link of the archive would land wherever the link points.
    for (const QStringList& parts : names) {
        for (qsizetype n = 1; n < parts.size(); ++n) {
            if (links.contains(parts.first(n).join(u'/'))) {
                return packageError(QStringLiteral("the archive writes through a link: %1").arg(parts.join(u'/')));
            }
        }
    }
    return std::nullopt;
}

bool runTool(const QString& program, const QStringList& arguments, int timeoutMs, QString* error)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        *error = process.error() == QProcess::Timedout ? QStringLiteral("%1 took too long").arg(program)
                                                       : process.errorString();
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = QString::fromLocal8Bit(process.readAll()).trimmed();
        return false;
    }
    return true;
}

bool isWritableHere(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace

QString workFolderBase()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Vesperlog");
}

QString makeWorkFolder(const QString& base, QString* error)
{
    if (!QDir().mkpath(base)) {
        *error = QStringLiteral("cannot make %1").arg(base);
        return {};
    }
    const QString folder = base + u'/' + workFolderPrefix() + upperUuid();
    // Made with its mode at once: nobody else may look into it, not even for a moment.
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0) {
        *error = QStringLiteral("cannot make %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    return folder;
}

QString sha256Of(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    constexpr qint64 kChunk = 1024 * 1024;
    for (;;) {
        const QByteArray chunk = file.read(kChunk);
        if (chunk.isEmpty()) {
            break;
        }
        hash.addData(chunk);
    }
    if (file.error() != QFileDevice::NoError) {
        return {};
    }
    return QString::fromLatin1(hash.result().toHex());
}

std::optional<UpdateError> verifyArchive(const QString& archive, const QString& sha256)
{
    QFile file(archive);
    if (!file.open(QIODevice::ReadOnly)) {
        return UpdateError{UpdateFailure::Download, file.errorString()};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    constexpr qint64 kChunk = 1024 * 1024;
    for (;;) {
        const QByteArray chunk = file.read(kChunk);
        if (chunk.isEmpty()) {
            break;
        }
        hash.addData(chunk);
    }
    if (file.error() != QFileDevice::NoError) {
        return UpdateError{UpdateFailure::Other, file.errorString()};
    }
    const QString digest = QString::fromLatin1(hash.result().toHex());
    if (digest != sha256) {
        return UpdateError{UpdateFailure::Integrity,
                           QStringLiteral("the archive's SHA-256 is %1, the feed gives %2").arg(digest, sha256)};
    }
    return std::nullopt;
}

std::optional<UpdateError> unpackArchive(const QString& archive, const QString& folder, const UnpackLimits& limits)
{
    // Without libarchive nothing can be unpacked; why is printed once when it is first looked for.
    const ArchiveLibrary* library = ArchiveLibrary::installed();
    if (!library) {
        return UpdateError{UpdateFailure::Other, QStringLiteral("the archive library cannot be opened")};
    }
    const ArchiveLibrary& a = *library;
    if (std::optional<UpdateError> refused = checkEntries(a, archive, limits)) {
        return refused;
    }
    // The folder's own path is resolved, so the check for links applies to the archive's entries only.
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty()) {
        return UpdateError{UpdateFailure::Other, QStringLiteral("the unpack folder is missing")};
    }
    ArchiveReader reader(a);
    QString error;
    if (!openZip(reader, archive, &error)) {
        return packageError(QStringLiteral("the archive cannot be read: %1").arg(error));
    }
    std::unique_ptr<struct archive, int (*)(struct archive*)> disk(a.writeDiskNew(), a.writeFree);
    a.writeDiskSetOptions(disk.get(), ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_SYMLINKS
                                          | ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_NO_OVERWRITE);
    struct archive_entry* entry = nullptr;
    int result = ARCHIVE_OK;
    qint64 total = 0;
    while ((result = a.readNextHeader(reader.handle, &entry)) == ARCHIVE_OK) {
        const QString name = safeParts(entryName(a, entry))->join(u'/');
        a.entrySetPathname(entry, QFile::encodeName(root + u'/' + name).constData());
        // No set-user-id or sticky bits from a download; folders stay enterable for their owner.
        mode_t mode = a.entryPerm(entry) & 0777;
        if (a.entryFiletype(entry) == AE_IFDIR) {
            mode |= 0700;
        }
        a.entrySetPerm(entry, mode);
        if (a.writeHeader(disk.get(), entry) != ARCHIVE_OK) {
            return packageError(QStringLiteral("%1 cannot be unpacked: %2").arg(name, archiveText(a, disk.get())));
        }
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        int read = ARCHIVE_OK;
        while ((read = a.readDataBlock(reader.handle, &block, &size, &offset)) == ARCHIVE_OK) {
            // The sizes the archive's headers announce may lie: what is unpacked is counted, before it
            // is written.
            total += qint64(size);
            if (qint64(offset) + qint64(size) > limits.fileBytes) {
                return packageError(
                    QStringLiteral("%1 unpacks to more than %2").arg(name, vsp::megabytesText(limits.fileBytes)));
            }
            if (total > limits.totalBytes) {
                return packageError(
                    QStringLiteral("the archive unpacks to more than %1").arg(vsp::megabytesText(limits.totalBytes)));
            }
            if (a.writeDataBlock(disk.get(), block, size, offset) != ARCHIVE_OK) {
                return packageError(QStringLiteral("%1 cannot be unpacked: %2").arg(name, archiveText(a, disk.get())));
            }
        }
        if (read != ARCHIVE_EOF) {
            return packageError(QStringLiteral("%1 is damaged: %2").arg(name, archiveText(a, reader.handle)));
        }
        if (a.writeFinishEntry(disk.get()) != ARCHIVE_OK) {
            return packageError(QStringLiteral("%1 cannot be unpacked: %2").arg(name, archiveText(a, disk.get())));
        }
    }
    if (result != ARCHIVE_EOF) {
        return packageError(QStringLiteral("the archive is damaged: %1").arg(archiveText(a, reader.handle)));
    }
    if (a.writeClose(disk.get()) != ARCHIVE_OK) {
        return packageError(QStringLiteral("the archive cannot be unpacked: %1").arg(archiveText(a, disk.get())));
    }
    return std::nullopt;
}

std::optional<FoundBundle> findBundle(const QString& folder, const QString& identifier, UpdateError* error)
{
    const QFileInfoList items =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& item : items) {
        if (!item.fileName().endsWith(QLatin1String(".app"))) {
            continue;
        }
        if (item.isSymLink() || !item.isDir()) {
            break;
        }
        const std::optional<bundle::BundleManifest> manifest = bundle::readManifest(item.filePath());
        if (!manifest || manifest->identifier != identifier) {
            *error = packageError(QStringLiteral("%1 is not a Vesperlog bundle").arg(item.fileName()));
            return std::nullopt;
        }
        const QString program = item.filePath() + u'/' + manifest->executable;
        struct stat status { };
        // lstat: the program itself, never what a link would name.
        if (::lstat(QFile::encodeName(program).constData(), &status) != 0 || !S_ISREG(status.st_mode)
            || (status.st_mode & S_IXUSR) == 0) {
            *error = packageError(QStringLiteral("%1 is not an executable file").arg(manifest->executable));
            return std::nullopt;
        }
        return FoundBundle{item.filePath(), manifest->executable};
    }
    *error = packageError(QStringLiteral("the archive holds no .app folder"));
    return std::nullopt;
}

QString replaceableBundle(const QString& runningBundle)
{
    if (runningBundle.isEmpty() || qEnvironmentVariableIsSet("APPIMAGE")) {
        return {};
    }
    const QString parent = QFileInfo(runningBundle).absolutePath();
    if (!isWritableHere(runningBundle) || !isWritableHere(parent)) {
        return {};
    }
    return runningBundle;
}

QString fileNameSafeVersion(const QString& version)
{
    QString safe = version;
    safe.replace(u'/', u'-');
    safe.replace(QChar(0), u'-');
    while (safe.startsWith(u'.')) {
        safe.remove(0, 1);
    }
    safe.truncate(64);
    return safe.isEmpty() ? QStringLiteral("unknown") : safe;
}

QString downloadsFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!folder.isEmpty() && folder != QDir::homePath()) {
        return folder;
    }
    return QDir::homePath() + QStringLiteral("/Downloads");
}

QString parkBundle(const QString& bundle, const QString& version, const QString& downloads, QString* error)
{
    if (!QDir().mkpath(downloads)) {
        *error = QStringLiteral("cannot make %1").arg(downloads);
        return {};
    }
    const QString home = QFileInfo(downloads).canonicalFilePath();
    const QString stem = QStringLiteral("Vesperlog ") + fileNameSafeVersion(version);
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? stem + QStringLiteral(".app") : stem + QStringLiteral(" (%1).app").arg(n);
        const QString target = home + u'/' + name;
        const QFileInfo info(target);
        // The name came from the feed: whatever it holds, the result lies directly in Downloads.
        if (QFileInfo(info.absolutePath()).canonicalFilePath() != home) {
            *error = QStringLiteral("%1 is not in %2").arg(target, home);
            return {};
        }
        if (info.exists() || info.isSymLink()) {
            continue;
        }
        const QByteArray from = QFile::encodeName(bundle);
        const QByteArray to = QFile::encodeName(target);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
            return target;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (errno != EXDEV) {
            *error = QStringLiteral("cannot move %1 to %2: %3")
                         .arg(bundle, target, QString::fromLocal8Bit(std::strerror(errno)));
            return {};
        }
        // Another file system: copy, and delete the original only once the copy is whole.
        QString copyError;
        if (!runTool(QStringLiteral("cp"), {QStringLiteral("-a"), QStringLiteral("--"), bundle, target}, 120000,
                     &copyError)) {
            QDir(target).removeRecursively();
            *error = QStringLiteral("cannot copy %1 to %2: %3").arg(bundle, target, copyError);
            return {};
        }
        QDir(bundle).removeRecursively();
        return target;
    }
    *error = QStringLiteral("no free name for %1 in %2").arg(stem, home);
    return {};
}

QString installScript()
{
    return QStringLiteral(R"SH(#!/bin/sh
# Hands Vesperlog over to its new version: waits for the running copy to end, moves it aside, copies
# the new one into its place (putting the old one back when that fails), starts whichever is in place,
# and removes the update's work folder.
# Arguments: pid, new bundle, bundle to replace, work folder holding the new bundle, executable path.
set -u
[ "$#" -eq 5 ] || exit 2
pid=$1 fresh=$2 target=$3 work=$4 program=$5
case $pid in '' | *[!0-9]*) exit 2 ;; esac
for path in "$fresh" "$target" "$work"; do
    case $path in '' | / | *//* | */ | */./* | */../* | */.. | [!/]*) exit 2 ;; esac
done
case $target in *.app) ;; *) exit 2 ;; esac
case ${work##*/} in vesperlog-update-?*) ;; *) exit 2 ;; esac
case $fresh in "$work"/*) ;; *) exit 2 ;; esac
case $program in '' | /* | ../* | */../* | */..) exit 2 ;; esac

wait_for() {
    n=0
    while kill -0 "$pid" 2>/dev/null && [ "$n" -lt "$1" ]; do
        sleep 0.1
        n=$((n + 1))
    done
}
# Replacing a copy that still runs is pointless: it would go on running the old version.
wait_for 100
if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait_for 100
    if kill -0 "$pid" 2>/dev/null; then exit 1; fi
fi

old=$(dirname -- "$target")/.Vesperlog-previous-$$.app
rm -rf -- "$old"
if ! mv -- "$target" "$old"; then
    setsid -f -- "$target/$program" </dev/null >/dev/null 2>&1
    exit 1
fi
if cp -a -- "$fresh" "$target"; then
    rm -rf -- "$old"
else
    rm -rf -- "$target"
    mv -- "$old" "$target"
fi
setsid -f -- "$target/$program" </dev/null >/dev/null 2>&1
rm -rf -- "$work")SH");
}

bool startHandOver(const QString& workFolder, qint64 pid, const QString& fresh, const QString& target,
                   const QString& executable, QString* error)
{
    const QString script = workFolder + QStringLiteral("/vesperlog-install-") + upperUuid() + QStringLiteral(".sh");
    if (QString why; !writeFileAtomically(script, installScript().toUtf8(), &why)) {
        *error = QStringLiteral("cannot write %1: %2").arg(script, why);
        return false;
    }
    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({script, QString::number(pid), fresh, target, workFolder, executable});
    // Out of the work folder, which the script removes at its end.
    process.setWorkingDirectory(QStringLiteral("/"));
    if (!process.startDetached()) {
        *error = QStringLiteral("cannot start the install script: %1").arg(process.errorString());
        return false;
    }
    return true;
}

} // namespace vsp::update
