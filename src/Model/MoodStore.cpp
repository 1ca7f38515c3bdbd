#include "Model/MoodStore.h"

#include "Model/DamagedFiles.h"
#include "Model/Dates.h"
#include "Model/EntryCodec.h"
#include "Model/FileIO.h"
#include "Model/JournalStore.h"
#include "Model/JsonWriter.h"
#include "Model/Log.h"
#include "Model/Uuid.h"

#include <QHashFunctions>

#include <simdjson.h>

size_t qHash(const MoodItem& mood, size_t seed) noexcept
{
    return qHashMulti(seed, mood.id, mood.emoji, mood.label);
}

namespace vsp {

QByteArray encodeMoods(const QList<MoodItem>& moods)
{
    JsonWriter w(JsonWriter::Style::Compact, 64 * (moods.size() + 1));
    w.beginArray();
    for (const MoodItem& mood : moods) {
        const QByteArray id = uuidUtf8(mood.id);
        w.beginObject();
        w.key("id");
        w.value(std::string_view(id.constData(), size_t(id.size())));
        w.key("emoji");
        w.value(QStringView(mood.emoji));
        w.key("label");
        w.value(QStringView(mood.label));
        w.endObject();
    }
    w.endArray();
    return w.take();
}

std::optional<QList<MoodItem>> decodeMoods(const QByteArray& json, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<QList<MoodItem>> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    const std::string_view text = withoutByteOrderMark(json);
    if (const auto code = parser.parse(text.data(), text.size(), true).get(root)) {
        return fail(
            QStringLiteral("the data is not valid JSON (%1)").arg(QString::fromUtf8(simdjson::error_message(code))));
    }
    simdjson::dom::array items;
    if (root.get_array().get(items)) {
        return fail(QStringLiteral("the data is not a list of moods"));
    }
    QList<MoodItem> moods;
    moods.reserve(qsizetype(items.size()));
    int index = 0;
    for (simdjson::dom::element item : items) {
        simdjson::dom::object object;
        if (item.get_object().get(object)) {
            return fail(QStringLiteral("mood %1 is not an object").arg(index));
        }
        auto text = [&](const char* key, std::string_view& out) { return !object.at_key(key).get_string().get(out); };
        std::string_view id;
        std::string_view emoji;
        std::string_view label;
        if (!text("id", id)) {
            return fail(QStringLiteral("mood %1: key \"id\" is missing or not text").arg(index));
        }
        const auto uuid = parseUuid(id);
        if (!uuid) {
            return fail(QStringLiteral("mood %1: key \"id\" is not a UUID").arg(index));
        }
        if (!text("emoji", emoji)) {
            return fail(QStringLiteral("mood %1: key \"emoji\" is missing or not text").arg(index));
        }
        if (!text("label", label)) {
            return fail(QStringLiteral("mood %1: key \"label\" is missing or not text").arg(index));
        }
        moods.append({*uuid, QString::fromUtf8(emoji.data(), qsizetype(emoji.size())),
                      QString::fromUtf8(label.data(), qsizetype(label.size()))});
        ++index;
    }
    return moods;
}

} // namespace vsp

MoodStore::MoodStore(QObject* parent) : QObject(parent)
{
    load();
}

MoodStore::~MoodStore() = default;

const QList<MoodItem>& MoodStore::defaultMoods()
{
    static const QList<MoodItem> moods = {
        {vsp::newUuid(), QStringLiteral("\u26A1"), QStringLiteral("Energized")},
        {vsp::newUuid(), QStringLiteral("\U0001F33F"), QStringLiteral("Calm")},
        {vsp::newUuid(), QStringLiteral("\U0001F3AF"), QStringLiteral("Focused")},
        {vsp::newUuid(), QStringLiteral("\U0001F319"), QStringLiteral("Tired")},
    };
    return moods;
}

QString MoodStore::filePath()
{
    return JournalStore::storeFolder() + QStringLiteral("/moods.json");
}

void MoodStore::load()
{
    const QString path = filePath();
    // Left by a copy of the app killed while saving (the journal's lock is held by now).
    vsp::removeStaleTemporaries(path);
    m_moods = defaultMoods();
    const vsp::FileRead read = vsp::readFileBounded(path, vsp::kMaxStateFileBytes);
    if (read.status == vsp::FileRead::Status::Missing) {
        return;
    }
    if (read.status == vsp::FileRead::Status::Unreadable) {
        // A FIFO, a device, a folder or a file past its cap: none of it can be copied, and a save would
        // replace what may be the only copy of the user's palette.
        m_leftUnchanged = read.error + QStringLiteral("; no copy of it could be kept, so it is left unchanged");
        vsp::logFailure(QStringLiteral("mood load"), m_leftUnchanged);
        return;
    }
    auto decoded = vsp::decodeMoods(read.bytes);
    if (decoded) {
        if (!decoded->isEmpty()) {
            m_moods = std::move(*decoded);
        }
        return;
    }
    // What a link leads to may be another program's file: only a moods file is ever replaced.
    m_leftUnchanged = vsp::foreignLinkBlock(path, QStringLiteral("moods.json"), QStringLiteral("a moods file"));
    if (read.bytes.trimmed().isEmpty()) {
        return;
    }
    // The user's own palette may be in there: kept now, so it can be named on screen and no save can
    // replace the only copy.
    QString error;
    if (const auto copy = vsp::keepDamagedCopy(JournalStore::storeFolder(), read.bytes,
                                               QStringLiteral("moods-corrupt-"), vsp::now(), &error)) {
        vsp::logLine(QStringLiteral("moods.json could not be decoded \u2014 copy preserved at ") + *copy);
        m_damagedCopy = *copy;
    } else {
        vsp::logFailure(
            QStringLiteral("mood load"),
            QStringLiteral("moods.json could not be decoded and no copy of it could be made (%1)").arg(error));
        m_preserveBeforeSave = true;
    }
}

void MoodStore::setMoods(const QList<MoodItem>& moods)
{
    m_moods = moods;
    Q_EMIT moodsChanged();
}

QString MoodStore::label(const QString& emoji) const
{
    for (const MoodItem& mood : m_moods) {
        if (mood.emoji == emoji) {
            return mood.label;
        }
    }
    return emoji;
}

void MoodStore::save()
{
    if (!m_leftUnchanged.isEmpty()) {
        vsp::logFailure(QStringLiteral("mood save"), m_leftUnchanged);
        return;
    }
    const QString path = filePath();
    if (m_preserveBeforeSave) {
        const vsp::FileRead read = vsp::readFileBounded(path, vsp::kMaxStateFileBytes);
        QString error = read.error;
        std::optional<QString> copy;
        if (read.status == vsp::FileRead::Status::Ok) {
            copy = vsp::keepDamagedCopy(JournalStore::storeFolder(), read.bytes, QStringLiteral("moods-corrupt-"),
                                        vsp::now(), &error);
        }
        if (read.status != vsp::FileRead::Status::Missing && !copy) {
            // Without a copy the old palette would be lost for good: leave the file alone.
            vsp::logFailure(QStringLiteral("mood save"),
                            QStringLiteral("moods.json could not be decoded and no copy of it could be made (%1); "
                                           "it is left unchanged")
                                .arg(error));
            return;
        }
        if (copy) {
            vsp::logLine(QStringLiteral("moods.json could not be decoded \u2014 copy preserved at ") + *copy);
            m_damagedCopy = *copy;
        }
    }
    m_preserveBeforeSave = false;
    QString error;
    if (!vsp::writeFileAtomically(path, vsp::encodeMoods(m_moods), &error)) {
        vsp::logFailure(QStringLiteral("mood save"), error);
    }
}
