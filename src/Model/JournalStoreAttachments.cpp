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
    vsp::ensurePrivateFolder(folder);
    return folder;
}

QString JournalStore::audioDirectory(const QUuid& id)
{
    const QString folder = audioBasePath() + u'/' + vsp::uuidText(id);
    vsp::ensurePrivateFolder(folder);
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

QString JournalStore::imageFileProblem(const QString& path, QByteArray* bytes) const
{
    vsp::FileRead read = vsp::readFileBounded(path, vsp::kMaxPhotoBytes);
    if (read.status == vsp::FileRead::Status::Missing) {
        return QStringLiteral("the file does not exist");
    }
    if (read.status != vsp::FileRead::Status::Ok) {
        return read.error;
    }
    if (read.bytes.isEmpty()) {
        return QStringLiteral("the file is empty");
    }
    if (m_imageCheck) {
        if (QString problem = m_imageCheck(read.bytes); !problem.isEmpty()) {
            return problem;
        }
    }
    if (bytes) {
        *bytes = std::move(read.bytes);
    }
    return {};
}

std::optional<QString> JournalStore::attachImageFile(const QString& path, const QUuid& entryID, QString* why)
{
    QByteArray bytes;
    QString problem = imageFileProblem(path, &bytes);
    if (problem.isEmpty()) {
        if (auto name = saveImage(bytes, entryID, QFileInfo(path).fileName())) {
            return name;
        }
        // saveImage() printed its own line.
        problem = QStringLiteral("it could not be stored");
    } else {
        vsp::logFailure(QStringLiteral("image save"), path + QStringLiteral(": ") + problem);
    }
    if (why) {
        *why = problem;
    }
    return std::nullopt;
}

std::optional<QString> JournalStore::storeAudio(const QString& sourcePath, const QUuid& entryID)
{
    QString ext = pathExtension(sourcePath);
    if (ext.isEmpty()) {
        ext = QStringLiteral("m4a");
    }
    const vsp::FileRead read = vsp::readFileBounded(sourcePath, vsp::kMaxRecordingBytes);
    if (read.status != vsp::FileRead::Status::Ok) {
        vsp::logFailure(QStringLiteral("audio store"), read.status == vsp::FileRead::Status::Missing
                                                           ? QStringLiteral("no recording at %1").arg(sourcePath)
                                                           : read.error);
        return std::nullopt;
    }
    const QString name = vsp::uuidText(vsp::newUuid()) + u'.' + ext;
    // Written as the journal's files are: whole or not at all, readable by its owner only.
    QString error;
    if (!vsp::writeFileAtomically(audioDirectory(entryID) + u'/' + name, read.bytes, &error)) {
        vsp::logFailure(QStringLiteral("audio store"), error);
        return std::nullopt;
    }
    return name;
}

std::optional<AudioClip> JournalStore::attachVoiceNote(const PendingAudio& note, const QUuid& entryID)
{
    const auto name = storeAudio(note.path, entryID);
    if (!name) {
        // The recording is the only copy of what was said: it stays where it is, and the user can find
        // it from this line.
        vsp::logFailure(QStringLiteral("voice note attach"), QStringLiteral("recording kept at %1").arg(note.path));
        return std::nullopt;
    }
    QFile::remove(note.path);
    return AudioClip{vsp::newUuid(), *name, note.duration, note.transcript};
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
                                       const QList<PendingAudio>& voiceNotes, QList<PendingAudio>* keptVoiceNotes,
                                       const CompleteNewEntry& complete)
{
    if (keptVoiceNotes) {
        keptVoiceNotes->clear();
    }
    for (const QString& path : imagePaths) {
        if (const auto name = attachImageFile(path, entry.id)) {
            entry.imageFilenames.append(*name);
        }
    }
    for (const PendingAudio& pending : voiceNotes) {
        if (const auto clip = attachVoiceNote(pending, entry.id)) {
            entry.audioClips.append(*clip);
        } else if (keptVoiceNotes) {
            keptVoiceNotes->append(pending);
        }
    }
    if (complete && !complete(entry)) {
        // No entry will name these files: no orphans, and no empty folders left behind.
        deleteAllImages(entry.id);
        deleteAllAudio(entry.id);
        return entry;
    }
    addEntry(entry);
    return m_entries.first();
}
