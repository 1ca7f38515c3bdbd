// Export, import and the daily backup of the journal.

#include "Model/JournalStore.h"

#include "Model/Dates.h"
#include "Model/EntryCodec.h"
#include "Model/FileChooser.h"
#include "Model/FileIO.h"
#include "Model/Log.h"

#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <algorithm>

namespace {

EntryList newestFirst(EntryList entries)
{
    entries.stableSort([](const JournalEntry& a, const JournalEntry& b) { return a.date > b.date; });
    return entries;
}

// The locale's long date and short time, e.g. "Tuesday, December 8, 2026, 9:30 AM".
QString markdownDate(double date)
{
    const QDateTime moment = vsp::toDateTime(date);
    const QLocale locale;
    return locale.toString(moment.date(), QLocale::LongFormat) + QStringLiteral(", ")
           + locale.toString(moment.time(), QLocale::ShortFormat);
}

QString markdownSection(const JournalEntry& e)
{
    QString text = QStringLiteral("# ") + e.title + QStringLiteral("\n\n_") + markdownDate(e.date) + u'_';
    if (!e.tags.isEmpty()) {
        text += QStringLiteral("\n**Tags:** ");
        for (qsizetype i = 0; i < e.tags.size(); ++i) {
            if (i > 0) {
                text += u' ';
            }
            text += u'#' + e.tags[i];
        }
    }
    text += QStringLiteral("\n\n") + e.body.toString();
    return text;
}

// A JSON array of entries, as exported or backed up (ISO 8601 dates) or as entries.json keeps it
// (seconds since 2001); the first form is tried first.
vsp::Decoded<QList<JournalEntry>> decodeImport(const QByteArray& data)
{
    auto iso = vsp::decodeEntries(data, vsp::DateEncoding::ISO8601);
    if (iso.ok()) {
        return iso;
    }
    auto numeric = vsp::decodeEntries(data, vsp::DateEncoding::ReferenceSeconds);
    // Of two failures, report the one that says what is wrong: a file with text dates that fails on
    // another key is better told by the first reading.
    if (!numeric.ok() && !iso.error.contains(QLatin1String("ISO 8601"))) {
        numeric.error = iso.error;
    }
    return numeric;
}

QString markdownExport(const EntryList& entries)
{
    QStringList sections;
    const EntryList sorted = newestFirst(entries);
    sections.reserve(sorted.size());
    for (const JournalEntry& e : sorted) {
        sections.append(markdownSection(e));
    }
    return sections.join(QStringLiteral("\n\n---\n\n"));
}

// True when the path names one of the files the journal keeps in its own folder.
bool isJournalFile(const QString& path)
{
    const QFileInfo target(path);
    const QString folder = QFileInfo(JournalStore::storeFolder()).canonicalFilePath();
    const QString targetFolder = QFileInfo(target.absolutePath()).canonicalFilePath();
    if (folder.isEmpty() || targetFolder != folder) {
        return false;
    }
    static const QStringList names{QStringLiteral("entries.json"), QStringLiteral("trash.json"),
                                   QStringLiteral("moods.json")};
    return names.contains(target.fileName());
}

} // namespace

void JournalStore::exportEntries(ExportFormat format)
{
    if (!m_fileChooser) {
        vsp::logFailure(QStringLiteral("export"), QStringLiteral("no file chooser is set up"));
        return;
    }
    const QString suggested = format == ExportFormat::Markdown ? QStringLiteral("Vesperlog Export.md")
                                                               : QStringLiteral("Vesperlog Export.json");
    const std::optional<QString> destination = m_fileChooser->chooseExportDestination(format, suggested);
    if (!destination || destination->isEmpty()) {
        return;
    }
    if (isJournalFile(*destination)) {
        // Writing an export over entries.json would replace the journal with a file it cannot load.
        vsp::logFailure(
            QStringLiteral("export"),
            QStringLiteral("%1 is one of the journal's own files; choose another destination").arg(*destination));
        return;
    }
    QByteArray bytes;
    if (format == ExportFormat::Markdown) {
        bytes = markdownExport(m_entries).toUtf8();
    } else {
        vsp::Encoded encoded =
            vsp::encodeEntries(m_entries, {.dates = vsp::DateEncoding::ISO8601, .pretty = true, .sortedKeys = true});
        if (!encoded.ok()) {
            vsp::logFailure(QStringLiteral("export"), encoded.error);
            return;
        }
        bytes = std::move(encoded.bytes);
    }
    // Written whole or not at all: a failed export never leaves an empty or partial file behind.
    QString error;
    if (!vsp::writeFileAtomically(*destination, bytes, &error)) {
        vsp::logFailure(QStringLiteral("export"), error);
    }
}

void JournalStore::importEntries()
{
    if (!m_fileChooser) {
        vsp::logFailure(QStringLiteral("import"), QStringLiteral("no file chooser is set up"));
        return;
    }
    const std::optional<QString> source = m_fileChooser->chooseImportFile(
        QStringLiteral("Choose a Vesperlog JSON backup to import"), QStringLiteral("Import"));
    if (!source || source->isEmpty()) {
        return;
    }
    // The limit is checked before a byte is read, and a FIFO or a device is refused without waiting.
    const auto fail = [this](const QString& why) {
        vsp::logFailure(QStringLiteral("import"), why);
        Q_EMIT importFailed(why);
    };
    const vsp::FileRead read = vsp::readFileBounded(*source, vsp::kMaxImportBytes);
    if (read.status != vsp::FileRead::Status::Ok) {
        fail(read.status == vsp::FileRead::Status::Missing ? QStringLiteral("the file %1 does not exist").arg(*source)
                                                           : read.error);
        return;
    }
    auto decoded = decodeImport(read.bytes);
    if (!decoded.ok()) {
        fail(decoded.error);
        return;
    }
    QSet<QUuid> known;
    known.reserve(m_entries.size() + decoded.value->size());
    for (const JournalEntry& e : std::as_const(m_entries)) {
        known.insert(e.id);
    }
    QList<JournalEntry> added;
    for (JournalEntry& e : *decoded.value) {
        // Each id once: a file that repeats an id adds its first occurrence only, so the journal never
        // holds two entries that every operation would treat as one.
        if (!known.contains(e.id)) {
            known.insert(e.id);
            added.append(std::move(e));
        }
    }
    if (added.isEmpty()) {
        return;
    }
    for (const JournalEntry& e : std::as_const(added)) {
        countUses(e, 1);
        followStreak(e.date, 1);
    }
    m_entries.append(added);
    sortEntries(true);
    Q_EMIT entriesChanged();
    save();
}

JournalStore::CopyResult JournalStore::saveCopy(QString* error)
{
    const auto failed = [&](const QString& why) {
        vsp::logFailure(QStringLiteral("copy"), why);
        if (error) {
            *error = why;
        }
        return CopyResult::Failed;
    };
    if (!m_fileChooser) {
        return failed(QStringLiteral("no file chooser is set up"));
    }
    const std::optional<QString> destination =
        m_fileChooser->chooseExportDestination(ExportFormat::Json, QStringLiteral("Vesperlog Copy.json"));
    if (!destination || destination->isEmpty()) {
        return CopyResult::Cancelled;
    }
    if (isJournalFile(*destination)) {
        return failed(
            QStringLiteral("%1 is one of the journal's own files; choose another destination").arg(*destination));
    }
    const vsp::Encoded encoded = vsp::encodeEntries(m_entries, {.dates = vsp::DateEncoding::ISO8601});
    QString why = encoded.error;
    if (encoded.ok() && vsp::writeFileAtomically(*destination, encoded.bytes, &why)) {
        return CopyResult::Written;
    }
    return failed(why);
}

void JournalStore::performAutoBackup()
{
    if (!m_loadedCleanly) {
        // This run's journal is not the user's real one: a backup now would replace a good one of today.
        vsp::logFailure(QStringLiteral("backup"),
                        QStringLiteral("the journal did not load cleanly this run; existing backups are kept"));
        return;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        vsp::logFailure(QStringLiteral("backup"), QStringLiteral("there is no Documents folder"));
        return;
    }
    const QString folder = documents + QStringLiteral("/Vesperlog Backups");
    vsp::ensurePrivateFolder(folder);
    const QString path = folder + QStringLiteral("/Vesperlog-") + vsp::formatLocal(now(), QStringLiteral("yyyy-MM-dd"))
                         + QStringLiteral(".json");
    if (m_entries.isEmpty() && QFileInfo::exists(path)) {
        // An empty journal (its folder gone missing, perhaps) must not replace what today's earlier
        // backup may be the last copy of.
        vsp::logFailure(QStringLiteral("backup"), QStringLiteral("the journal is empty; %1 is kept").arg(path));
        return;
    }
    const vsp::Encoded encoded = vsp::encodeEntries(m_entries, {.dates = vsp::DateEncoding::ISO8601});
    QString error = encoded.error;
    if (encoded.ok() && vsp::writeFileAtomically(path, encoded.bytes, &error)) {
        return;
    }
    vsp::logFailure(QStringLiteral("backup"), error);
}
