// Attachment folders: images/<entry id>/ and audio/<entry id>/ beside the journal files.

#include "Model/FileIO.h"
#include "Model/ImageCache.h"
#include "Model/JournalStore.h"
#include "Model/Log.h"
#include "Model/Uuid.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QStringList kImageExtensions = {QStringLiteral("jpg"),  QStringLiteral("jpeg"), QStringLiteral("png"),
                                      QStringLiteral("heic"), QStringLiteral("webp"), QStringLiteral("gif"),
                                      QStringLiteral("tiff")};

// The text after the last full stop of the last path component; empty when there is none, or when the
// only full stop starts a hidden file's name.
QString pathExtension(const QString& path)
{
    const QString name = path.section(u'/', -1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1) {
        return {};
    }
    return name.mid(dot + 1);
}

} // namespace

QString JournalStore::imagesBasePath()
{
    const QString folder = storeFolder() + QStringLiteral("/images");
    vsp::ensurePrivateFolder(folder);
    return folder;
}

QString JournalStore::audioBasePath()
{
    const QString folder = storeFolder() + QStringLiteral("/audio");
    vsp::ensurePrivateFolder(folder);
    return folder;
}

QString JournalStore::imagesDirectory(const QUuid& id)
{
    const QString folder = imagesBasePath() + u'/' + vsp::uuidText(id);
    vsp::ensureFolder(folder);
    return folder;
}

QString JournalStore::audioDirectory(const QUuid& id)
{
    const QString folder = audioBasePath() + u'/' + vsp::uuidText(id);
    vsp::ensureFolder(folder);
    return folder;
}

std::optional<QString> JournalStore::imageFilePath(const QUuid& id, const QString& filename)
{
    if (!vsp::isPlainFileName(filename)) {
        return std::nullopt;
    }
    return imagesDirectory(id) + u'/' + filename;
}

std::optional<QString> JournalStore::audioFilePath(const QUuid& id, const QString& filename)
{
    if (!vsp::isPlainFileName(filename)) {
        return std::nullopt;
    }
    return audioDirectory(id) + u'/' + filename;
}

std::optional<QString> JournalStore::saveImage(const QByteArray& data, const QUuid& entryID,
                                               const QString& originalName)
{
    QString ext = pathExtension(originalName).toLower();
    if (!kImageExtensions.contains(ext)) {
        ext = QStringLiteral("png");
    }
    const QString name = vsp::uuidText(vsp::newUuid()) + u'.' + ext;
    QString error;
    if (!vsp::writeFileAtomically(imagesDirectory(entryID) + u'/' + name, data, &error)) {
        vsp::logFailure(QStringLiteral("image save"), error);
        return std::nullopt;
    }
    return name;
}

std::optional<QString> JournalStore::storeAudio(const QString& sourcePath, const QUuid& entryID)
{
    QString ext = pathExtension(sourcePath);
    if (ext.isEmpty()) {
        ext = QStringLiteral("m4a");
    }
    const QString name = vsp::uuidText(vsp::newUuid()) + u'.' + ext;
    const QString target = audioDirectory(entryID) + u'/' + name;
    QFile source(sourcePath);
    if (!QFileInfo(sourcePath).isFile()) {
        vsp::logFailure(QStringLiteral("audio store"), QStringLiteral("no recording at %1").arg(sourcePath));
        return std::nullopt;
    }
    if (!source.copy(target)) {
        vsp::logFailure(QStringLiteral("audio store"), source.errorString());
        QFile::remove(target);
        return std::nullopt;
    }
    // The copy keeps the recording's mode; the journal's files are its owner's alone.
    vsp::makePrivate(target);
    return name;
}

void JournalStore::deleteImage(const QString& filename, const QUuid& entryID)
{
    const auto path = imageFilePath(entryID, filename);
    if (!path) {
        return;
    }
    ImageCache::shared().evict(*path);
    QFile::remove(*path);
}

void JournalStore::deleteAudio(const QString& filename, const QUuid& entryID)
{
    if (const auto path = audioFilePath(entryID, filename)) {
        QFile::remove(*path);
    }
}

JournalEntry JournalStore::addNewEntry(JournalEntry entry, const QStringList& imagePaths,
                                       const QList<PendingAudio>& voiceNotes)
{
    for (const QString& path : imagePaths) {
        const vsp::FileRead read = vsp::readWholeFile(path);
        if (read.status != vsp::FileRead::Status::Ok) {
            vsp::logFailure(QStringLiteral("image save"), read.status == vsp::FileRead::Status::Missing
                                                              ? QStringLiteral("no image at %1").arg(path)
                                                              : read.error);
            continue;
        }
        if (const auto name = saveImage(read.bytes, entry.id, QFileInfo(path).fileName())) {
            entry.imageFilenames.append(*name);
        }
    }
    for (const PendingAudio& pending : voiceNotes) {
        if (const auto name = storeAudio(pending.path, entry.id)) {
            entry.audioClips.append(AudioClip{vsp::newUuid(), *name, pending.duration, pending.transcript});
            QFile::remove(pending.path);
        } else {
            // The recording is the only copy of what was said: it stays where it is, and the user can
            // find it from this line.
            vsp::logFailure(QStringLiteral("voice note attach"),
                            QStringLiteral("recording kept at %1").arg(pending.path));
        }
    }
    addEntry(entry);
    return m_entries.first();
}
