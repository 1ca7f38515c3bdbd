#include "Model/EntryCodec.h"

#include "Model/AggregateMembers.h"
#include "Model/Dates.h"
#include "Model/JsonWriter.h"
#include "Model/Log.h"
#include "Model/Uuid.h"

#include <QHash>
#include <QIODevice>
#include <QSet>

#include <simdjson.h>

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <future>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <span>

namespace vsp {

namespace {

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

// Makes a field that is missing from writeField() below an error rather than a warning.
#pragma GCC diagnostic error "-Wswitch"

/// The entry's fields, in the order the journal's files write them.
enum Field {
    Id,
    Title,
    Body,
    BodyRTF,
    Date,
    Tags,
    Mood,
    IsFavorite,
    Type,
    ExpirationDate,
    FontDesign,
    IsArchived,
    ImageFilenames,
    AudioClips,
    Latitude,
    Longitude,
    PlaceName,
    WeatherSymbol,
    WeatherTemp,
    WeatherText,
    FieldCount
};

struct FieldKey {
    Field field;
    std::string_view name;
};

/// Every field with its key: the one list the writers, the reader and the sorted export take their keys
/// and their order from. The checks below stop the build when a member of JournalEntry has no field, or
/// a field no key, here.
constexpr FieldKey kFields[] = {
    {Id, "id"},
    {Title, "title"},
    {Body, "body"},
    {BodyRTF, "bodyRTF"},
    {Date, "date"},
    {Tags, "tags"},
    {Mood, "mood"},
    {IsFavorite, "isFavorite"},
    {Type, "type"},
    {ExpirationDate, "expirationDate"},
    {FontDesign, "fontDesign"},
    {IsArchived, "isArchived"},
    {ImageFilenames, "imageFilenames"},
    {AudioClips, "audioClips"},
    {Latitude, "latitude"},
    {Longitude, "longitude"},
    {PlaceName, "placeName"},
    {WeatherSymbol, "weatherSymbol"},
    {WeatherTemp, "weatherTemp"},
    {WeatherText, "weatherText"},
};

static_assert(memberCount<JournalEntry>() == FieldCount, "a member of JournalEntry has no Field");
static_assert(std::size(kFields) == FieldCount, "a Field has no key in kFields");

constexpr bool fieldsInOrderWithDistinctKeys()
{
    for (size_t i = 0; i < std::size(kFields); ++i) {
        if (kFields[i].field != Field(i) || kFields[i].name.empty()) {
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (kFields[j].name == kFields[i].name) {
                return false;
            }
        }
    }
    return true;
}
static_assert(fieldsInOrderWithDistinctKeys(), "kFields lists each Field once, in enum order, with its own key");

constexpr std::array<std::string_view, FieldCount> kFieldNames = [] {
    std::array<std::string_view, FieldCount> names;
    for (const FieldKey& f : kFields) {
        names[size_t(f.field)] = f.name;
    }
    return names;
}();

constexpr std::array<Field, FieldCount> kFieldOrder = [] {
    std::array<Field, FieldCount> order;
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = kFields[i].field;
    }
    return order;
}();

// Code-point order of the key names.
constexpr std::array<Field, FieldCount> kSortedOrder = [] {
    std::array<Field, FieldCount> order = kFieldOrder;
    std::sort(order.begin(), order.end(),
              [](Field a, Field b) { return kFieldNames[size_t(a)] < kFieldNames[size_t(b)]; });
    return order;
}();

int fieldOf(std::string_view key)
{
    for (int i = 0; i < FieldCount; ++i) {
        if (kFieldNames[size_t(i)] == key) {
            return i;
        }
    }
    return -1;
}

QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

QString quoted(std::string_view key)
{
    return u'"' + toQString(key) + u'"';
}

// ---------------------------------------------------------------- writing

void writeDate(JsonWriter& w, double date, DateEncoding dates)
{
    if (dates == DateEncoding::ISO8601) {
        w.value(QStringView(formatISO8601(date)));
    } else {
        w.value(date);
    }
}

bool isStorable(const OptionalNumber& value)
{
    // A value that JSON cannot hold is treated as absent so that it can never block a save.
    return value && std::isfinite(*value);
}

void writeClip(JsonWriter& w, const AudioClip& clip, bool sorted)
{
    const double duration = std::isfinite(clip.duration) ? clip.duration : 0.0;
    w.beginObject();
    auto id = [&] {
        w.key("id");
        w.value(std::string_view(uuidUtf8(clip.id).constData(), 36));
    };
    auto filename = [&] {
        w.key("filename");
        w.value(QStringView(clip.filename));
    };
    auto dur = [&] {
        w.key("duration");
        w.value(duration);
    };
    auto transcript = [&] {
        if (clip.transcript) {
            w.key("transcript");
            w.value(QStringView(*clip.transcript));
        }
    };
    if (sorted) {
        dur();
        filename();
        id();
        transcript();
    } else {
        id();
        filename();
        dur();
        transcript();
    }
    w.endObject();
}

void writeStrings(JsonWriter& w, const QStringList& list)
{
    w.beginArray();
    for (const QString& s : list) {
        w.value(QStringView(s));
    }
    w.endArray();
}

/// Notes where each rich text goes in the file being written, so it can be read from there afterwards.
struct Placing {
    std::vector<StoredPlacement>* placements = nullptr;
    /// The bytes handed on (and discarded by the writer) before its current text.
    qint64 emitted = 0;
};

void writeRichText(JsonWriter& w, const JournalEntry& e, std::string_view name, Placing* placing)
{
    if (!e.bodyRTF) {
        return;
    }
    QString error;
    const std::optional<QByteArray> text = e.bodyRTF.base64(&error);
    if (!text) {
        // The file it was left in no longer holds it (changed by another program): the entry is written
        // with its plain body rather than every save failing from now on.
        logFailure(QStringLiteral("reading the rich text of \"%1\"").arg(e.title.left(60)), error);
        return;
    }
    const std::string_view base64(text->constData(), size_t(text->size()));
    w.key(name);
    w.base64Text(base64);
    if (placing) {
        const qint64 end = placing->emitted + w.bytes().size() - 1;
        placing->placements->push_back({e.bodyRTF, end - text->size(), text->size(), storedCheck(base64)});
    }
}

void writeField(JsonWriter& w, const JournalEntry& e, Field field, const EncodeOptions& o, Placing* placing)
{
    const std::string_view name = kFieldNames[size_t(field)];
    auto optionalText = [&](const std::optional<QString>& v) {
        if (v) {
            w.key(name);
            w.value(QStringView(*v));
        }
    };
    auto optionalNumber = [&](const OptionalNumber& v) {
        if (isStorable(v)) {
            w.key(name);
            w.value(*v);
        }
    };
    switch (field) {
    case Id: {
        const QByteArray id = uuidUtf8(e.id);
        w.key(name);
        w.value(std::string_view(id.constData(), size_t(id.size())));
        break;
    }
    case Title:
        w.key(name);
        w.value(QStringView(e.title));
        break;
    case Body: {
        w.key(name);
        const QString body = e.body.toString();
        w.value(QStringView(body));
        break;
    }
    case BodyRTF: writeRichText(w, e, name, placing); break;
    case Date:
        w.key(name);
        writeDate(w, e.date, o.dates);
        break;
    case Tags:
        w.key(name);
        writeStrings(w, e.tags);
        break;
    case Mood: optionalText(e.mood); break;
    case IsFavorite:
        w.key(name);
        w.value(e.isFavorite);
        break;
    case Type:
        w.key(name);
        w.value(QStringView(entryTypeRawValue(e.type)));
        break;
    case ExpirationDate:
        if (isStorable(e.expirationDate)) {
            w.key(name);
            writeDate(w, *e.expirationDate, o.dates);
        }
        break;
    case FontDesign:
        w.key(name);
        w.value(QStringView(e.fontDesign));
        break;
    case IsArchived:
        w.key(name);
        w.value(e.isArchived);
        break;
    case ImageFilenames:
        w.key(name);
        writeStrings(w, e.imageFilenames);
        break;
    case AudioClips:
        w.key(name);
        w.beginArray();
        for (const AudioClip& clip : e.audioClips) {
            writeClip(w, clip, o.sortedKeys);
        }
        w.endArray();
        break;
    case Latitude: optionalNumber(e.latitude); break;
    case Longitude: optionalNumber(e.longitude); break;
    case PlaceName: optionalText(e.placeName); break;
    case WeatherSymbol: optionalText(e.weatherSymbol); break;
    case WeatherTemp: optionalNumber(e.weatherTemp); break;
    case WeatherText: optionalText(e.weatherText); break;
    case FieldCount: break;
    }
}

void writeEntry(JsonWriter& w, const JournalEntry& e, const EncodeOptions& o, Placing* placing = nullptr)
{
    w.beginObject();
    for (const Field field : o.sortedKeys ? kSortedOrder : kFieldOrder) {
        writeField(w, e, field, o, placing);
    }
    w.endObject();
}

qsizetype estimateSize(const JournalEntry& e)
{
    qsizetype size = 400 + (e.title.size() + e.body.size()) * 11 / 10;
    if (e.bodyRTF) {
        size += e.bodyRTF.size() * 4 / 3 + 4;
    }
    return size;
}

// ---------------------------------------------------------------- reading

// A decoding failure: the message names the key and, for lists, the element.
struct Failure {
    QString message;
};

/// The text being parsed as a piece of a file whose rich text is left there: where each Base64 text
/// lies in the file is found by looking for it in the text, entry after entry.
struct RichTextSource {
    std::shared_ptr<StoredFile> file;
    /// The file offset of the first byte of `text`.
    qint64 fileOffset = 0;
    std::string_view text;
    size_t cursor = 0;

    /// The bytes of `base64` left in the file, or nothing when the text does not hold it as it is (a
    /// string with escapes, or a form that encoding its bytes would not give).
    StoredBytes find(std::string_view base64)
    {
        if (!isCanonicalBase64(base64)) {
            return {};
        }
        for (const size_t from : {cursor, size_t(0)}) {
            const void* at = memmem(text.data() + from, text.size() - from, base64.data(), base64.size());
            if (at) {
                const size_t pos = size_t(static_cast<const char*>(at) - text.data());
                cursor = pos + base64.size();
                return StoredBytes::inFile(file, fileOffset + qint64(pos), base64);
            }
        }
        return {};
    }
};

/// Short texts that repeat across entries (tags, mood, font, weather), each held once, and lists of
/// tags, each list once: read into one table by every batch a loading thread reads, so the entries of
/// a whole journal share them.
struct SharedTexts {
    QHash<QByteArray, QString> texts;
    QSet<QStringList> tagLists;
};

class EntryReader {
public:
    explicit EntryReader(DateEncoding dates, RichTextSource* richText = nullptr, SharedTexts* shared = nullptr)
        : m_dates(dates),
          m_richText(richText),
          m_shared(shared ? *shared : m_ownShared)
    { }
    Q_DISABLE_COPY_MOVE(EntryReader)

    bool read(element value, JournalEntry& out, QString& error);

private:
    bool fail(QString& error, std::string_view key, const QString& what)
    {
        error = QStringLiteral("key %1 %2").arg(quoted(key), what);
        return false;
    }
    bool missing(QString& error, std::string_view key) { return fail(error, key, QStringLiteral("is missing")); }
    bool wrongType(QString& error, std::string_view key, const char* expected)
    {
        return fail(error, key, QStringLiteral("is not %1").arg(QLatin1String(expected)));
    }

    bool readString(element v, std::string_view key, QString& out, QString& error, bool share = false);
    bool readNumber(element v, std::string_view key, double& out, QString& error);
    bool readBool(element v, std::string_view key, bool& out, QString& error);
    bool readDate(element v, std::string_view key, double& out, QString& error);
    bool readStrings(element v, std::string_view key, QStringList& out, QString& error, bool share = false);
    bool readClips(element v, std::string_view key, QList<AudioClip>& out, QString& error);

    /// One text for all equal short values of the keys that repeat across entries (tags, mood, font,
    /// weather), as the entries of a journal share them: each copy would cost an allocation per entry.
    QString shared(std::string_view text);

    DateEncoding m_dates;
    RichTextSource* m_richText;
    SharedTexts m_ownShared;
    SharedTexts& m_shared;
};

QString EntryReader::shared(std::string_view text)
{
    constexpr size_t kLongestShared = 48;
    constexpr qsizetype kMostShared = 4096;
    if (text.size() > kLongestShared) {
        return toQString(text);
    }
    const auto it = m_shared.texts.constFind(QByteArray::fromRawData(text.data(), qsizetype(text.size())));
    if (it != m_shared.texts.cend()) {
        return *it;
    }
    QString value = toQString(text);
    if (m_shared.texts.size() < kMostShared) {
        m_shared.texts.insert(QByteArray(text.data(), qsizetype(text.size())), value);
    }
    return value;
}

bool EntryReader::readString(element v, std::string_view key, QString& out, QString& error, bool share)
{
    std::string_view text;
    if (v.get_string().get(text)) {
        return wrongType(error, key, "text");
    }
    out = share ? shared(text) : toQString(text);
    return true;
}

bool EntryReader::readNumber(element v, std::string_view key, double& out, QString& error)
{
    if (!v.is_number() || v.get_double().get(out)) {
        return wrongType(error, key, "a number");
    }
    return true;
}

bool EntryReader::readBool(element v, std::string_view key, bool& out, QString& error)
{
    if (v.get_bool().get(out)) {
        return wrongType(error, key, "true or false");
    }
    return true;
}

bool EntryReader::readDate(element v, std::string_view key, double& out, QString& error)
{
    if (m_dates == DateEncoding::ReferenceSeconds) {
        return readNumber(v, key, out, error);
    }
    std::string_view text;
    if (v.get_string().get(text)) {
        return wrongType(error, key, "an ISO 8601 date");
    }
    const auto parsed = parseISO8601(toQString(text));
    if (!parsed) {
        return wrongType(error, key, "an ISO 8601 date");
    }
    out = *parsed;
    return true;
}

bool EntryReader::readStrings(element v, std::string_view key, QStringList& out, QString& error, bool share)
{
    array items;
    if (v.get_array().get(items)) {
        return wrongType(error, key, "a list of texts");
    }
    out.reserve(qsizetype(items.size()));
    for (element item : items) {
        std::string_view text;
        if (item.get_string().get(text)) {
            return wrongType(error, key, "a list of texts");
        }
        out.append(share ? shared(text) : toQString(text));
    }
    if (share && !out.isEmpty()) {
        // Entries often carry the same few tags: each list of them is held once too (a list costs an
        // allocation of its own, some 80 bytes for two tags).
        constexpr qsizetype kMostLists = 16384;
        if (const auto it = m_shared.tagLists.constFind(out); it != m_shared.tagLists.cend()) {
            out = *it;
        } else if (m_shared.tagLists.size() < kMostLists) {
            m_shared.tagLists.insert(out);
        }
    }
    return true;
}

bool EntryReader::readClips(element v, std::string_view key, QList<AudioClip>& out, QString& error)
{
    array items;
    if (v.get_array().get(items)) {
        return wrongType(error, key, "a list of voice notes");
    }
    int index = 0;
    for (element item : items) {
        object clipObject;
        if (item.get_object().get(clipObject)) {
            return fail(error, key, QStringLiteral("holds a voice note that is not an object (item %1)").arg(index));
        }
        AudioClip clip;
        bool hasId = false, hasName = false, hasDuration = false;
        for (auto [k, value] : clipObject) {
            QString inner;
            bool ok = true;
            if (k == "id") {
                std::string_view text;
                std::optional<QUuid> id;
                if (value.get_string().get(text) || !(id = parseUuid(text))) {
                    inner = QStringLiteral("key \"id\" is not a UUID");
                    ok = false;
                } else {
                    clip.id = *id;
                    hasId = true;
                }
            } else if (k == "filename") {
                std::string_view text;
                if (value.get_string().get(text)) {
                    inner = QStringLiteral("key \"filename\" is not text");
                    ok = false;
                } else {
                    clip.filename = toQString(text);
                    hasName = true;
                }
            } else if (k == "duration") {
                double d = 0;
                if (!value.is_number() || value.get_double().get(d)) {
                    inner = QStringLiteral("key \"duration\" is not a number");
                    ok = false;
                } else {
                    clip.duration = d;
                    hasDuration = true;
                }
            } else if (k == "transcript") {
                std::string_view text;
                if (value.is_null()) {
                    clip.transcript.reset();
                } else if (value.get_string().get(text)) {
                    inner = QStringLiteral("key \"transcript\" is not text");
                    ok = false;
                } else {
                    clip.transcript = toQString(text);
                }
            }
            if (!ok) {
                return fail(error, key, QStringLiteral("item %1: %2").arg(index).arg(inner));
            }
        }
        const char* absent = !hasId ? "id" : !hasName ? "filename" : !hasDuration ? "duration" : nullptr;
        if (absent) {
            return fail(error, key,
                        QStringLiteral("item %1: key \"%2\" is missing").arg(index).arg(QLatin1String(absent)));
        }
        out.append(std::move(clip));
        ++index;
    }
    return true;
}

bool EntryReader::read(element value, JournalEntry& e, QString& error)
{
    object obj;
    if (value.get_object().get(obj)) {
        error = QStringLiteral("an entry is not an object");
        return false;
    }
    std::array<std::optional<element>, FieldCount> found;
    for (auto [key, v] : obj) {
        const int field = fieldOf(key);
        if (field >= 0) {
            found[size_t(field)] = v;
        }
    }
    auto present = [&](Field f) -> std::optional<element> {
        const auto& v = found[size_t(f)];
        if (!v || v->is_null()) {
            return std::nullopt;
        }
        return v;
    };
    auto name = [](Field f) { return kFieldNames[size_t(f)]; };

    // Required keys, in field order.
    if (auto v = present(Id)) {
        std::string_view text;
        std::optional<QUuid> id;
        if (v->get_string().get(text) || !(id = parseUuid(text))) {
            return wrongType(error, name(Id), "a UUID");
        }
        e.id = *id;
    } else {
        return missing(error, name(Id));
    }
    auto requiredString = [&](Field f, QString& out) {
        if (auto v = present(f)) {
            return readString(*v, name(f), out, error);
        }
        return missing(error, name(f));
    };
    // Mood, place and weather repeat across entries: their texts are shared.
    auto optionalString = [&](Field f, std::optional<QString>& out) {
        if (auto v = present(f)) {
            QString text;
            if (!readString(*v, name(f), text, error, true)) {
                return false;
            }
            out = std::move(text);
        }
        return true;
    };
    auto optionalNumber = [&](Field f, OptionalNumber& out) {
        if (auto v = present(f)) {
            double number = 0;
            if (!readNumber(*v, name(f), number, error)) {
                return false;
            }
            out = number;
        }
        return true;
    };

    if (!requiredString(Title, e.title)) {
        return false;
    }
    // The body is folded straight from the file's UTF-8, never held as a QString.
    if (auto v = present(Body)) {
        std::string_view text;
        if (v->get_string().get(text)) {
            return wrongType(error, name(Body), "text");
        }
        e.body = FoldedText::fromUtf8(text);
    } else {
        return missing(error, name(Body));
    }
    if (auto v = present(BodyRTF)) {
        std::string_view text;
        if (v->get_string().get(text)) {
            return wrongType(error, name(BodyRTF), "Base64 text");
        }
        if (m_richText) {
            e.bodyRTF = m_richText->find(text);
        }
        if (!e.bodyRTF) {
            auto bytes = decodeBase64(text);
            if (!bytes) {
                return wrongType(error, name(BodyRTF), "valid Base64 text");
            }
            e.bodyRTF = std::move(*bytes);
        }
    }
    if (auto v = present(Date)) {
        if (!readDate(*v, name(Date), e.date, error)) {
            return false;
        }
    } else {
        return missing(error, name(Date));
    }
    if (auto v = present(Tags)) {
        if (!readStrings(*v, name(Tags), e.tags, error, true)) {
            return false;
        }
    } else {
        return missing(error, name(Tags));
    }
    if (!optionalString(Mood, e.mood)) {
        return false;
    }
    if (auto v = present(IsFavorite)) {
        if (!readBool(*v, name(IsFavorite), e.isFavorite, error)) {
            return false;
        }
    } else {
        return missing(error, name(IsFavorite));
    }
    if (auto v = present(Type)) {
        QString raw;
        if (!readString(*v, name(Type), raw, error)) {
            return false;
        }
        const auto type = entryTypeFromRawValue(raw);
        if (!type) {
            return fail(error, name(Type), QStringLiteral("has the unknown value %1").arg(u'"' + raw.left(40) + u'"'));
        }
        e.type = *type;
    } else {
        return missing(error, name(Type));
    }
    if (auto v = present(ExpirationDate)) {
        double date = 0;
        if (!readDate(*v, name(ExpirationDate), date, error)) {
            return false;
        }
        e.expirationDate = date;
    }
    if (auto v = present(FontDesign)) {
        if (!readString(*v, name(FontDesign), e.fontDesign, error, true)) {
            return false;
        }
    }
    if (auto v = present(IsArchived)) {
        if (!readBool(*v, name(IsArchived), e.isArchived, error)) {
            return false;
        }
    }
    if (auto v = present(ImageFilenames)) {
        if (!readStrings(*v, name(ImageFilenames), e.imageFilenames, error)) {
            return false;
        }
    }
    if (auto v = present(AudioClips)) {
        if (!readClips(*v, name(AudioClips), e.audioClips, error)) {
            return false;
        }
    }
    return optionalNumber(Latitude, e.latitude) && optionalNumber(Longitude, e.longitude)
           && optionalString(PlaceName, e.placeName) && optionalString(WeatherSymbol, e.weatherSymbol)
           && optionalNumber(WeatherTemp, e.weatherTemp) && optionalString(WeatherText, e.weatherText);
}

// Parses bytes into a DOM without copying them when they already carry simdjson's padding.
simdjson::error_code parse(simdjson::dom::parser& parser, const QByteArray& json, element& root)
{
    const std::string_view text = withoutByteOrderMark(json);
    // Skipping the mark leaves the room after the text as it was.
    if (size_t(json.capacity()) >= size_t(json.size()) + simdjson::SIMDJSON_PADDING) {
        return parser.parse(text.data(), text.size(), false).get(root);
    }
    return parser.parse(text.data(), text.size(), true).get(root);
}

QString describe(simdjson::error_code code)
{
    return QStringLiteral("the data is not valid JSON (%1)").arg(QString::fromUtf8(simdjson::error_message(code)));
}

} // namespace

// ---------------------------------------------------------------- public

std::string_view withoutByteOrderMark(const QByteArray& json)
{
    const std::string_view text(json.constData(), size_t(json.size()));
    return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

Encoded encodeEntries(const EntryList& entries, const EncodeOptions& options)
{
    qsizetype estimate = 16;
    for (const JournalEntry& e : entries) {
        estimate += estimateSize(e);
    }
    JsonWriter w(options.pretty ? JsonWriter::Style::Pretty : JsonWriter::Style::Compact, estimate);
    w.beginArray();
    for (const JournalEntry& e : entries) {
        writeEntry(w, e, options);
    }
    w.endArray();
    if (w.failed()) {
        return {{}, w.error()};
    }
    return {w.take(), {}};
}

QString appendEncodedEntry(QByteArray& out, const JournalEntry& entry, qint64 at,
                           std::vector<StoredPlacement>* placements)
{
    JsonWriter w(JsonWriter::Style::Compact, estimateSize(entry));
    Placing placing{placements, at + out.size()};
    writeEntry(w, entry, {}, placements ? &placing : nullptr);
    if (w.failed()) {
        return w.error();
    }
    out.append(w.bytes());
    return {};
}

Encoded encodeTrash(const QList<TrashedEntry>& records, std::vector<StoredPlacement>* placements)
{
    qsizetype estimate = 16;
    for (const TrashedEntry& r : records) {
        estimate += estimateSize(r.entry) + 40;
    }
    JsonWriter w(JsonWriter::Style::Compact, estimate);
    const EncodeOptions options;
    Placing placing{placements, 0};
    w.beginArray();
    for (const TrashedEntry& r : records) {
        w.beginObject();
        w.key("entry");
        writeEntry(w, r.entry, options, placements ? &placing : nullptr);
        w.key("deletedAt");
        w.value(r.deletedAt);
        w.endObject();
    }
    w.endArray();
    if (w.failed()) {
        return {{}, w.error()};
    }
    return {w.take(), {}};
}

namespace {

/// Moves the strings that `texts` point at into one buffer they share (as FoldedText::shareBuffer does
/// for folded texts): each reads and compares as before, and one that is changed detaches first.
void shareBuffer(std::span<QString* const> texts)
{
    qsizetype total = 0;
    for (const QString* text : texts) {
        if (!text->isEmpty()) {
            total += text->size() + 1;
        }
    }
    if (total == 0) {
        return;
    }
    QString buffer(total, Qt::Uninitialized);
    char16_t* const base = reinterpret_cast<char16_t*>(buffer.data());
    qsizetype at = 0;
    for (QString* text : texts) {
        const qsizetype n = text->size();
        if (n == 0) {
            continue;
        }
        std::memcpy(base + at, text->utf16(), size_t(n) * sizeof(char16_t));
        // Followed by a zero, as every QString's own text is.
        base[at + n] = u'\0';
        QString slice = buffer;
        slice.data_ptr().ptr = base + at;
        slice.data_ptr().size = n;
        *text = std::move(slice);
        at += n + 1;
    }
}

// Reads a JSON array whole: each element through `readItem`, which returns an error text (empty on
// success). The first failing element fails the list.
template <typename T, typename ReadItem>
Decoded<QList<T>> decodeList(simdjson::dom::parser& parser, const QByteArray& json, const char* what, ReadItem readItem)
{
    element root;
    if (const auto code = parse(parser, json, root)) {
        return {std::nullopt, describe(code)};
    }
    array items;
    if (root.get_array().get(items)) {
        return {std::nullopt, QStringLiteral("the data is not a list of %1").arg(QLatin1String(what))};
    }
    QList<T> list;
    list.reserve(qsizetype(items.size()));
    int index = 0;
    for (element item : items) {
        T value;
        const QString error = readItem(item, index, value);
        if (!error.isEmpty()) {
            return {std::nullopt, error};
        }
        list.append(std::move(value));
        ++index;
    }
    return {std::move(list), {}};
}

} // namespace

namespace {

Decoded<QList<JournalEntry>> decodeEntries(simdjson::dom::parser& parser, const QByteArray& json, DateEncoding dates,
                                           RichTextSource* richText = nullptr, SharedTexts* shared = nullptr)
{
    EntryReader reader(dates, richText, shared);
    auto decoded = decodeList<JournalEntry>(parser, json, "entries", [&](element item, int index, JournalEntry& entry) {
        QString error;
        if (!reader.read(item, entry, error)) {
            return QStringLiteral("entry %1: %2").arg(index).arg(error);
        }
        return QString();
    });
    if (decoded.ok()) {
        // Titles and bodies stay for as long as the entries: one buffer of each for the batch rather than
        // one allocation per entry.
        std::vector<FoldedText*> bodies;
        std::vector<QString*> titles;
        bodies.reserve(size_t(decoded.value->size()));
        titles.reserve(size_t(decoded.value->size()));
        for (JournalEntry& e : *decoded.value) {
            bodies.push_back(&e.body);
            titles.push_back(&e.title);
        }
        FoldedText::shareBuffer(bodies);
        shareBuffer(titles);
    }
    return decoded;
}

} // namespace

Decoded<QList<JournalEntry>> decodeEntries(const QByteArray& json, DateEncoding dates)
{
    simdjson::dom::parser parser;
    return decodeEntries(parser, json, dates);
}

namespace {

bool isJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

/// The text of a device taken in pieces: a window of bytes that grows at its end by reading and
/// drops what has been consumed.
class PieceSource {
public:
    PieceSource(QIODevice& device, qsizetype pieceBytes) : m_device(device), m_piece(std::max<qsizetype>(1, pieceBytes))
    { }

    const char* data() const { return m_bytes.constData(); }
    qsizetype size() const { return m_bytes.size(); }
    /// How many bytes came before data().
    qint64 dropped() const { return m_dropped; }
    const QString& error() const { return m_error; }

    /// Reads the next piece onto the end; false at the end of the text or on a read error (see error()).
    bool more()
    {
        const qsizetype had = m_bytes.size();
        m_bytes.resize(had + m_piece);
        const qint64 got = m_device.read(m_bytes.data() + had, m_piece);
        m_bytes.resize(had + std::max<qint64>(0, got));
        if (got < 0) {
            m_error = m_device.errorString();
        }
        return got > 0;
    }
    /// Forgets the bytes before `at` once they make up half a piece (moving the rest down costs a copy);
    /// returns how far the bytes after `at` moved down.
    qsizetype drop(qsizetype at)
    {
        if (at < m_piece / 2 && at < m_bytes.size()) {
            return 0;
        }
        m_bytes.remove(0, at);
        m_dropped += at;
        return at;
    }

private:
    QIODevice& m_device;
    qsizetype m_piece;
    QByteArray m_bytes;
    qint64 m_dropped = 0;
    QString m_error;
};

/// Finds the end of the JSON value starting at `at` (not space), reading more as needed: one past its
/// last byte, or -1 when the text ends first. Strings are skipped whole (a quote counts when an even
/// number of backslashes precede it); only brackets outside strings nest. The value itself is checked by
/// the parser afterwards.
qsizetype endOfValue(PieceSource& source, qsizetype at)
{
    const char first = source.data()[at];
    const bool container = first == '{' || first == '[';
    const bool string = first == '"';
    int depth = 0;
    bool inString = false;
    qsizetype i = at;
    for (;;) {
        if (i >= source.size() && !source.more()) {
            // A number or literal may end with the text; anything else is cut short.
            return container || string || inString ? -1 : i;
        }
        const char* d = source.data();
        const qsizetype n = source.size();
        if (inString) {
            const void* quote = std::memchr(d + i, '"', size_t(n - i));
            if (!quote) {
                i = n;
                continue;
            }
            const qsizetype q = static_cast<const char*>(quote) - d;
            qsizetype slashes = 0;
            while (q - slashes - 1 > at && d[q - slashes - 1] == '\\') {
                ++slashes;
            }
            i = q + 1;
            if (slashes % 2 == 0) {
                inString = false;
                if (string || depth == 0) {
                    return i;
                }
            }
            continue;
        }
        if (!container && !string) {
            // A number or literal: up to the next separator.
            while (i < n && !isJsonSpace(d[i]) && d[i] != ',' && d[i] != ']') {
                ++i;
            }
            if (i < n) {
                return i;
            }
            continue;
        }
        for (; i < n; ++i) {
            const char c = d[i];
            if (c == '"') {
                inString = true;
                ++i;
                break;
            }
            if (c == '{' || c == '[') {
                ++depth;
            } else if ((c == '}' || c == ']') && --depth == 0) {
                return i + 1;
            }
        }
    }
}

} // namespace

Decoded<EntryList> decodeEntries(QIODevice& device, DateEncoding dates, qsizetype pieceBytes,
                                 std::shared_ptr<StoredFile> richTextFile)
{
    const qint64 start = device.pos();
    PieceSource source(device, pieceBytes);
    qsizetype at = 0;
    // The next byte that is not space, reading on as needed; -1 at the end of the text.
    const auto nextByte = [&]() -> int {
        for (;;) {
            while (at < source.size() && isJsonSpace(source.data()[at])) {
                ++at;
            }
            if (at < source.size()) {
                return static_cast<unsigned char>(source.data()[at]);
            }
            if (!source.more()) {
                return -1;
            }
        }
    };
    const auto invalid = [&](const QString& where) -> Decoded<EntryList> {
        if (!source.error().isEmpty()) {
            return {std::nullopt, QStringLiteral("the data could not be read (%1)").arg(source.error())};
        }
        return {std::nullopt, QStringLiteral("the data is not valid JSON (%1)").arg(where)};
    };

    // A byte order mark may come first, as decodeEntries() allows.
    while (source.size() < 3 && source.more()) {
    }
    if (source.size() >= 3 && std::memcmp(source.data(), "\xEF\xBB\xBF", 3) == 0) {
        at = 3;
    }
    if (nextByte() != '[') {
        return invalid(QStringLiteral("no list at the start"));
    }
    ++at;

    // The entries are parsed on other threads a batch of about a piece at a time, each batch as the list
    // of its entries (so the parser checks it exactly as it checks the whole text); this thread only
    // finds where the entries end. Batches are taken back in order.
    struct Batch {
        std::future<Decoded<QList<JournalEntry>>> result;
    };
    std::deque<Batch> pending;
    QList<QList<JournalEntry>> done;
    QString failure;
    const auto takeOldest = [&] {
        Decoded<QList<JournalEntry>> batch = pending.front().result.get();
        pending.pop_front();
        if (!batch.ok() && failure.isEmpty()) {
            failure = batch.error;
        }
        if (batch.ok()) {
            done.append(std::move(*batch.value));
        }
    };
    // A few threads make most of the gain; every parser holds about ten times the text it parses.
    const int inFlight = std::clamp(QThread::idealThreadCount() - 1, 2, 4);
    // One parser per batch in flight, reused: making one per batch left dozens of them alive at once,
    // and parsers kept by the threads held megabytes for the rest of the run. These go with the load.
    // Each keeps the short texts its batches read, so equal ones share one string across batches.
    struct Worker {
        simdjson::dom::parser parser;
        SharedTexts shared;
    };
    struct Parsers {
        std::mutex lock;
        std::vector<std::unique_ptr<Worker>> idle;
    };
    const auto parsers = std::make_shared<Parsers>();
    const auto submit = [&](QByteArray text, qint64 fileOffset) {
        auto promise = std::make_shared<std::promise<Decoded<QList<JournalEntry>>>>();
        pending.push_back({promise->get_future()});
        auto parse = [promise, parsers, text = std::move(text), dates, richTextFile, fileOffset]() mutable {
            std::unique_ptr<Worker> parser;
            {
                const std::lock_guard hold(parsers->lock);
                if (!parsers->idle.empty()) {
                    parser = std::move(parsers->idle.back());
                    parsers->idle.pop_back();
                }
            }
            if (!parser) {
                parser = std::make_unique<Worker>();
            }
            RichTextSource richText{richTextFile, fileOffset, std::string_view(text.constData(), size_t(text.size()))};
            auto decoded =
                decodeEntries(parser->parser, text, dates, richTextFile ? &richText : nullptr, &parser->shared);
            richText = {};
            text = QByteArray();
            {
                const std::lock_guard hold(parsers->lock);
                parsers->idle.push_back(std::move(parser));
            }
            // Set last: the load may end (and free the parsers) as soon as the last batch is in.
            promise->set_value(std::move(decoded));
        };
        // Inline when the pool is busy: the text is parsed either way.
        if (!QThreadPool::globalInstance()->tryStart(parse)) {
            parse();
        }
        while (int(pending.size()) > inFlight) {
            takeOldest();
        }
    };
    const auto batchOf = [&](qsizetype first, qsizetype end) {
        QByteArray text;
        text.reserve(end - first + 2 + qsizetype(simdjson::SIMDJSON_PADDING));
        text.append('[');
        text.append(source.data() + first, end - first);
        text.append(']');
        return text;
    };
    const auto finish = [&]() -> Decoded<EntryList> {
        while (!pending.empty()) {
            takeOldest();
        }
        {
            // Every parser is back by now: free them here, before the heap is trimmed below.
            const std::lock_guard hold(parsers->lock);
            parsers->idle.clear();
        }
        if (!failure.isEmpty()) {
            return {std::nullopt, failure};
        }
        qsizetype total = 0;
        for (const QList<JournalEntry>& batch : std::as_const(done)) {
            total += batch.size();
        }
        EntryList list;
        list.reserve(total);
        for (QList<JournalEntry>& batch : done) {
            for (JournalEntry& e : batch) {
                list.append(std::move(e));
            }
            batch = QList<JournalEntry>();
        }
        return {std::move(list), {}};
    };

    if (nextByte() == ']') {
        ++at;
    } else {
        qsizetype batchStart = at;
        for (int index = 0;; ++index) {
            if (nextByte() < 0) {
                finish();
                return invalid(QStringLiteral("the list ends early"));
            }
            const qsizetype end = endOfValue(source, at);
            if (end < 0) {
                finish();
                return invalid(QStringLiteral("entry %1 ends early").arg(index));
            }
            if (end == at) {
                // A comma or bracket where an entry belongs ("[,", ",]").
                finish();
                return invalid(QStringLiteral("entry %1 is missing").arg(index));
            }
            at = end;
            const int separator = nextByte();
            if (separator != ']' && separator != ',') {
                finish();
                return invalid(QStringLiteral("no comma after entry %1").arg(index));
            }
            if (separator == ']' || at - batchStart >= pieceBytes) {
                // The batch's text starts with the '[' put before the entries.
                submit(batchOf(batchStart, end), start + source.dropped() + batchStart - 1);
                ++at;
                at -= source.drop(at);
                batchStart = at;
            } else {
                ++at;
            }
            if (separator == ']') {
                break;
            }
        }
    }
    auto decoded = finish();
    // The threads' parse buffers and the batches' texts were freed in pieces across the allocator's
    // per-thread arenas: hand those pages back rather than carry them for the process's life. Trimming
    // walks every arena and flushes the processor caches of every thread (tens of milliseconds at
    // 10,000 entries), so it runs beside the caller, who goes on to show what was read.
    QThreadPool::globalInstance()->start([] { malloc_trim(0); });
    if (!decoded.ok()) {
        return decoded;
    }
    if (nextByte() >= 0) {
        return invalid(QStringLiteral("text after the list"));
    }
    if (!source.error().isEmpty()) {
        return invalid(QString());
    }
    return decoded;
}

Decoded<QList<TrashedEntry>> decodeTrash(const QByteArray& json)
{
    EntryReader reader(DateEncoding::ReferenceSeconds);
    simdjson::dom::parser parser;
    return decodeList<TrashedEntry>(parser, json, "trash records", [&](element item, int index, TrashedEntry& record) {
        object obj;
        if (item.get_object().get(obj)) {
            return QStringLiteral("record %1 is not an object").arg(index);
        }
        element entryValue, deletedValue;
        if (obj["entry"].get(entryValue) || entryValue.is_null()) {
            return QStringLiteral("record %1: key \"entry\" is missing").arg(index);
        }
        if (obj["deletedAt"].get(deletedValue) || deletedValue.is_null()) {
            return QStringLiteral("record %1: key \"deletedAt\" is missing").arg(index);
        }
        QString error;
        if (!reader.read(entryValue, record.entry, error)) {
            return QStringLiteral("record %1: entry: %2").arg(index).arg(error);
        }
        if (!deletedValue.is_number() || deletedValue.get_double().get(record.deletedAt)) {
            return QStringLiteral("record %1: key \"deletedAt\" is not a number").arg(index);
        }
        return QString();
    });
}

QByteArray encodeUuidArray(const QList<QUuid>& ids)
{
    JsonWriter w;
    w.beginArray();
    for (const QUuid& id : ids) {
        const QByteArray text = uuidUtf8(id);
        w.value(std::string_view(text.constData(), size_t(text.size())));
    }
    w.endArray();
    return w.take();
}

std::optional<QList<QUuid>> decodeUuidArray(const QByteArray& json)
{
    simdjson::dom::parser parser;
    element root;
    array items;
    if (parse(parser, json, root) || root.get_array().get(items)) {
        return std::nullopt;
    }
    QList<QUuid> ids;
    for (element item : items) {
        std::string_view text;
        std::optional<QUuid> id;
        if (item.get_string().get(text) || !(id = parseUuid(text))) {
            return std::nullopt;
        }
        ids.append(*id);
    }
    return ids;
}

QByteArray encodeStringMap(const QList<std::pair<QString, QString>>& pairs)
{
    JsonWriter w;
    w.beginObject();
    for (const auto& [key, value] : pairs) {
        const QByteArray k = key.toUtf8();
        w.key(std::string_view(k.constData(), size_t(k.size())));
        w.value(QStringView(value));
    }
    w.endObject();
    return w.take();
}

std::optional<QList<std::pair<QString, QString>>> decodeStringMap(const QByteArray& json)
{
    simdjson::dom::parser parser;
    element root;
    object obj;
    if (parse(parser, json, root) || root.get_object().get(obj)) {
        return std::nullopt;
    }
    QList<std::pair<QString, QString>> pairs;
    for (auto [key, value] : obj) {
        std::string_view text;
        if (value.get_string().get(text)) {
            return std::nullopt;
        }
        pairs.append({toQString(key), toQString(text)});
    }
    return pairs;
}

// ---------------------------------------------------------------- Base64

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> makeDecodeTable()
{
    std::array<int8_t, 256> table{};
    for (auto& v : table) {
        v = -1;
    }
    for (int i = 0; i < 64; ++i) {
        table[size_t(static_cast<unsigned char>(kAlphabet[i]))] = int8_t(i);
    }
    return table;
}
constexpr auto kDecodeTable = makeDecodeTable();
} // namespace

QByteArray encodeBase64(const QByteArray& bytes)
{
    QByteArray out;
    appendBase64(out, bytes);
    return out;
}

std::optional<QByteArray> decodeBase64(std::string_view text)
{
    const size_t n = text.size();
    if (n % 4 != 0) {
        return std::nullopt;
    }
    if (n == 0) {
        return QByteArray("");
    }
    size_t padding = 0;
    if (text[n - 1] == '=') {
        padding = text[n - 2] == '=' ? 2 : 1;
    }
    QByteArray out(qsizetype(n / 4 * 3 - padding), Qt::Uninitialized);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const size_t fullBlocks = padding ? n / 4 - 1 : n / 4;
    for (size_t b = 0; b < fullBlocks; ++b) {
        const int a = kDecodeTable[in[0]], c1 = kDecodeTable[in[1]], c2 = kDecodeTable[in[2]], c3 = kDecodeTable[in[3]];
        if ((a | c1 | c2 | c3) < 0) {
            return std::nullopt;
        }
        const uint32_t v = (uint32_t(a) << 18) | (uint32_t(c1) << 12) | (uint32_t(c2) << 6) | uint32_t(c3);
        o[0] = static_cast<unsigned char>(v >> 16);
        o[1] = static_cast<unsigned char>(v >> 8);
        o[2] = static_cast<unsigned char>(v);
        o += 3;
        in += 4;
    }
    if (padding) {
        const int a = kDecodeTable[in[0]], c1 = kDecodeTable[in[1]];
        const int c2 = padding == 1 ? kDecodeTable[in[2]] : 0;
        if ((a | c1 | c2) < 0) {
            return std::nullopt;
        }
        const uint32_t v = (uint32_t(a) << 18) | (uint32_t(c1) << 12) | (uint32_t(c2) << 6);
        o[0] = static_cast<unsigned char>(v >> 16);
        if (padding == 1) {
            o[1] = static_cast<unsigned char>(v >> 8);
        }
    }
    return out;
}

bool isCanonicalBase64(std::string_view text)
{
    const size_t n = text.size();
    if (n == 0 || n % 4 != 0) {
        return false;
    }
    const size_t padding = text[n - 1] != '=' ? 0 : text[n - 2] == '=' ? 2 : 1;
    int8_t any = 0;
    for (size_t i = 0; i < n - padding; ++i) {
        any |= kDecodeTable[static_cast<unsigned char>(text[i])];
    }
    if (any < 0) {
        return false;
    }
    // The bits past the last byte must be zero: "QR==" reads as "QQ==" but is written as the latter.
    const int last = kDecodeTable[static_cast<unsigned char>(text[n - 1 - padding])];
    return padding == 0 || (last & (padding == 1 ? 0x03 : 0x0f)) == 0;
}

} // namespace vsp
