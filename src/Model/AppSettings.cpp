#include "Model/AppSettings.h"

#include "Model/EntryCodec.h"
#include "Model/UserDefaults.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaMethod>

#include <algorithm>
#include <array>

namespace {

enum Key {
    DefaultEntryType,
    AutoSaveDraft,
    ShowWordCount,
    ShowMoodSelector,
    UserName,
    JournalName,
    AppearanceMode,
    ReadingFontSize,
    WritingFontSize,
    CompactListView,
    ShowEntryPreviews,
    AccentColorPreset,
    CaptureWeatherLocation,
    AutoBackup,
    HasCompletedOnboarding,
    AppLockEnabled,
    LockOnBackground,
    AutoUpdates,
    DailyWordGoal,
    DailyReminderEnabled,
    DailyReminderHour,
    DailyReminderMinute,
    SortOrder,
    PinnedIDs,
    TagColors,
    TotalSaveCount,
    DraftTitle,
    DraftBody,
    DraftBodyRTF,
    DraftTags,
    DraftType,
    UpdateChecked,
    UpdatePending,
    UpdateFeed,
    MainWindowGeometry,
    ComposeWindowGeometry,
    KeyCount
};

struct KeyInfo {
    const char* key;
    /// The property announced when the key changes.
    const char* property;
};

// The stored names: they are what existing settings files hold, so they never change.
constexpr std::array<KeyInfo, KeyCount> kKeys = {{
    {"defaultEntryType", "defaultEntryType"},
    {"autoSaveDraft", "autoSaveDraft"},
    {"showWordCount", "showWordCount"},
    {"showMoodSelector", "showMoodSelector"},
    {"userName", "userName"},
    {"journalName", "journalName"},
    {"appearanceMode", "appearanceMode"},
    {"readingFontSize", "readingFontSize"},
    {"writingFontSize", "writingFontSize"},
    {"compactListView", "compactListView"},
    {"showEntryPreviews", "showEntryPreviews"},
    {"accentColorPreset", "accentColorPreset"},
    {"captureWeatherLocation", "captureWeatherLocation"},
    {"autoBackup", "autoBackup"},
    {"hasCompletedOnboarding", "hasCompletedOnboarding"},
    {"appLockEnabled", "appLockEnabled"},
    {"lockOnBackground", "lockOnBackground"},
    {"autoUpdates", "autoUpdates"},
    {"dailyWordGoal", "dailyWordGoal"},
    {"dailyReminderEnabled", "dailyReminderEnabled"},
    {"dailyReminderHour", "dailyReminderHour"},
    {"dailyReminderMinute", "dailyReminderMinute"},
    {"sortOrder", "sortOrder"},
    {"pinnedIDs", "pinnedIDs"},
    {"tagColors", "tagColors"},
    {"totalSaveCount", "totalSaveCount"},
    {"draftTitle", "draftTitle"},
    {"draftBody", "draftBody"},
    {"draftBodyRTF", "draftBodyRTF"},
    {"draftTags", "draftTags"},
    {"draftType", "draftType"},
    {"vesperlog.updateChecked", "updateChecked"},
    {"vesperlog.updatePending", "updatePending"},
    {"vesperlog.updateFeed", "updateFeed"},
    {"mainWindowGeometry", "mainWindowGeometry"},
    {"composeWindowGeometry", "composeWindowGeometry"},
}};

QString keyName(Key key)
{
    return QString::fromLatin1(kKeys[key].key);
}

UserDefaults& defaults()
{
    return UserDefaults::instance();
}

QString readString(Key key, const QString& fallback = {})
{
    return defaults().string(keyName(key), fallback);
}

bool readBool(Key key, bool fallback)
{
    return defaults().boolean(keyName(key), fallback);
}

double readDouble(Key key, double fallback)
{
    return defaults().number(keyName(key), fallback);
}

/// The stored whole number when it lies in [low, high], else the fallback.
qint64 readInteger(Key key, qint64 fallback, qint64 low, qint64 high)
{
    const qint64 value = defaults().integer(keyName(key), fallback);
    return value >= low && value <= high ? value : fallback;
}

QByteArray readData(Key key)
{
    return defaults().data(keyName(key)).value_or(QByteArray());
}

// Writes only a real change, so an unchanged value announces nothing.
void write(Key key, const QVariant& value)
{
    const QVariant stored = defaults().value(keyName(key));
    if (stored.isValid() && stored.typeId() == value.typeId() && stored == value) {
        return;
    }
    defaults().setValue(keyName(key), value);
}

void remove(Key key)
{
    defaults().remove(keyName(key));
}

/// Key name → index of the property's change signal, for the announcements.
const QHash<QString, int>& notifySignals()
{
    static const QHash<QString, int> signalIndexes = [] {
        QHash<QString, int> indexes;
        const QMetaObject& meta = AppSettings::staticMetaObject;
        for (const KeyInfo& info : kKeys) {
            const QMetaProperty property = meta.property(meta.indexOfProperty(info.property));
            Q_ASSERT(property.hasNotifySignal());
            indexes.insert(QString::fromLatin1(info.key), property.notifySignalIndex());
        }
        return indexes;
    }();
    return signalIndexes;
}

} // namespace

AppSettings::Batch::Batch()
{
    defaults().beginBatch();
}

AppSettings::Batch::~Batch()
{
    defaults().endBatch();
}

AppSettings::AppSettings(QObject* parent) : QObject(parent)
{
    connect(&defaults(), &UserDefaults::valueChanged, this, &AppSettings::announce);
}

AppSettings::~AppSettings() = default;

AppSettings& AppSettings::instance()
{
    static AppSettings* settings = new AppSettings;
    return *settings;
}

QString AppSettings::fileName()
{
    return defaults().fileName();
}

void AppSettings::clearAll()
{
    defaults().clearAll();
}

void AppSettings::announce(const QString& key)
{
    const auto it = notifySignals().constFind(key);
    if (it != notifySignals().cend()) {
        metaObject()->method(*it).invoke(this, Qt::DirectConnection);
    }
}

QString AppSettings::defaultEntryType() const
{
    return readString(DefaultEntryType, QStringLiteral("Journal"));
}
void AppSettings::setDefaultEntryType(const QString& value)
{
    write(DefaultEntryType, value);
}

JournalEntry::EntryType AppSettings::resolvedDefaultEntryType() const
{
    return entryTypeFromRawValue(defaultEntryType()).value_or(JournalEntry::EntryType::Journal);
}

bool AppSettings::autoSaveDraft() const
{
    return readBool(AutoSaveDraft, true);
}
void AppSettings::setAutoSaveDraft(bool value)
{
    write(AutoSaveDraft, value);
}
bool AppSettings::showWordCount() const
{
    return readBool(ShowWordCount, true);
}
void AppSettings::setShowWordCount(bool value)
{
    write(ShowWordCount, value);
}
bool AppSettings::showMoodSelector() const
{
    return readBool(ShowMoodSelector, true);
}
void AppSettings::setShowMoodSelector(bool value)
{
    write(ShowMoodSelector, value);
}
QString AppSettings::userName() const
{
    return readString(UserName);
}
void AppSettings::setUserName(const QString& value)
{
    write(UserName, value);
}
QString AppSettings::journalName() const
{
    return readString(JournalName, QStringLiteral("Vesperlog"));
}
void AppSettings::setJournalName(const QString& value)
{
    write(JournalName, value);
}
QString AppSettings::appearanceMode() const
{
    return readString(AppearanceMode, QStringLiteral("dark"));
}
void AppSettings::setAppearanceMode(const QString& value)
{
    write(AppearanceMode, value);
}
double AppSettings::readingFontSize() const
{
    return readDouble(ReadingFontSize, 15.0);
}
void AppSettings::setReadingFontSize(double points)
{
    write(ReadingFontSize, points);
}
double AppSettings::writingFontSize() const
{
    return readDouble(WritingFontSize, 15.0);
}
void AppSettings::setWritingFontSize(double points)
{
    write(WritingFontSize, points);
}
bool AppSettings::compactListView() const
{
    return readBool(CompactListView, false);
}
void AppSettings::setCompactListView(bool value)
{
    write(CompactListView, value);
}
bool AppSettings::showEntryPreviews() const
{
    return readBool(ShowEntryPreviews, true);
}
void AppSettings::setShowEntryPreviews(bool value)
{
    write(ShowEntryPreviews, value);
}
QString AppSettings::accentColorPreset() const
{
    return readString(AccentColorPreset, QStringLiteral("yellow"));
}
void AppSettings::setAccentColorPreset(const QString& value)
{
    write(AccentColorPreset, value);
}
bool AppSettings::captureWeatherLocation() const
{
    return readBool(CaptureWeatherLocation, true);
}
void AppSettings::setCaptureWeatherLocation(bool value)
{
    write(CaptureWeatherLocation, value);
}

bool AppSettings::autoBackup() const
{
    return readBool(AutoBackup, false);
}
void AppSettings::setAutoBackup(bool value)
{
    write(AutoBackup, value);
}
bool AppSettings::hasCompletedOnboarding() const
{
    return readBool(HasCompletedOnboarding, false);
}
void AppSettings::setHasCompletedOnboarding(bool value)
{
    write(HasCompletedOnboarding, value);
}
bool AppSettings::appLockEnabled() const
{
    return readBool(AppLockEnabled, false);
}
void AppSettings::setAppLockEnabled(bool value)
{
    write(AppLockEnabled, value);
}
bool AppSettings::lockOnBackground() const
{
    return readBool(LockOnBackground, false);
}
void AppSettings::setLockOnBackground(bool value)
{
    write(LockOnBackground, value);
}
bool AppSettings::autoUpdates() const
{
    return readBool(AutoUpdates, true);
}
void AppSettings::setAutoUpdates(bool value)
{
    write(AutoUpdates, value);
}

int AppSettings::dailyWordGoal() const
{
    return int(readInteger(DailyWordGoal, 0, INT_MIN, INT_MAX));
}
void AppSettings::setDailyWordGoal(int words)
{
    write(DailyWordGoal, words);
}
bool AppSettings::dailyReminderEnabled() const
{
    return readBool(DailyReminderEnabled, false);
}
void AppSettings::setDailyReminderEnabled(bool value)
{
    write(DailyReminderEnabled, value);
}
int AppSettings::dailyReminderHour() const
{
    return int(readInteger(DailyReminderHour, 20, 0, 23));
}
void AppSettings::setDailyReminderHour(int hour)
{
    write(DailyReminderHour, hour);
}
int AppSettings::dailyReminderMinute() const
{
    return int(readInteger(DailyReminderMinute, 0, 0, 59));
}
void AppSettings::setDailyReminderMinute(int minute)
{
    write(DailyReminderMinute, minute);
}

QString AppSettings::sortOrder() const
{
    return readString(SortOrder, QStringLiteral("newest"));
}
void AppSettings::setSortOrder(const QString& value)
{
    write(SortOrder, value);
}

QList<QUuid> AppSettings::pinnedIDs() const
{
    return vsp::decodeUuidArray(readData(PinnedIDs)).value_or(QList<QUuid>());
}

void AppSettings::setPinnedIDs(const QList<QUuid>& ids)
{
    write(PinnedIDs, vsp::encodeUuidArray(ids));
}

QHash<QString, QString> AppSettings::tagColors() const
{
    QHash<QString, QString> colors;
    if (const auto pairs = vsp::decodeStringMap(readData(TagColors))) {
        for (const auto& [tag, color] : *pairs) {
            colors.insert(tag, color);
        }
    }
    return colors;
}

void AppSettings::setTagColors(const QHash<QString, QString>& colors)
{
    QList<std::pair<QString, QString>> pairs;
    pairs.reserve(colors.size());
    for (auto it = colors.cbegin(); it != colors.cend(); ++it) {
        pairs.append({it.key(), it.value()});
    }
    // In tag order, so the same colours always store the same bytes and a rewrite of them is no change.
    std::sort(pairs.begin(), pairs.end());
    write(TagColors, vsp::encodeStringMap(pairs));
}

qint64 AppSettings::totalSaveCount() const
{
    return readInteger(TotalSaveCount, 0, 0, INT64_MAX);
}
void AppSettings::setTotalSaveCount(qint64 count)
{
    write(TotalSaveCount, count);
}

QString AppSettings::draftTitle() const
{
    return readString(DraftTitle);
}
void AppSettings::setDraftTitle(const QString& value)
{
    write(DraftTitle, value);
}
QString AppSettings::draftBody() const
{
    return readString(DraftBody);
}
void AppSettings::setDraftBody(const QString& value)
{
    write(DraftBody, value);
}
QByteArray AppSettings::draftBodyRTF() const
{
    return readData(DraftBodyRTF);
}

void AppSettings::setDraftBodyRTF(const QByteArray& rtf)
{
    if (rtf.isEmpty()) {
        remove(DraftBodyRTF);
    } else {
        write(DraftBodyRTF, rtf);
    }
}

QStringList AppSettings::draftTags() const
{
    const QVariant value = defaults().value(keyName(DraftTags));
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList();
    }
    if (value.typeId() != QMetaType::QByteArray) {
        return {};
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(value.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return {};
    }
    QStringList tags;
    for (const QJsonValue& item : document.array()) {
        if (!item.isString()) {
            return {};
        }
        tags.append(item.toString());
    }
    return tags;
}

void AppSettings::setDraftTags(const QStringList& tags)
{
    write(DraftTags, QJsonDocument(QJsonArray::fromStringList(tags)).toJson(QJsonDocument::Compact));
}

QString AppSettings::draftType() const
{
    return readString(DraftType);
}
void AppSettings::setDraftType(const QString& value)
{
    write(DraftType, value);
}

void AppSettings::clearDraft()
{
    const Batch batch;
    for (const Key key : {DraftTitle, DraftBody, DraftBodyRTF, DraftTags, DraftType}) {
        remove(key);
    }
}

QDateTime AppSettings::updateChecked() const
{
    const QVariant value = defaults().value(keyName(UpdateChecked));
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
}

void AppSettings::setUpdateChecked(const QDateTime& moment)
{
    if (moment.isValid()) {
        write(UpdateChecked, moment);
    } else {
        remove(UpdateChecked);
    }
}

QString AppSettings::updatePending() const
{
    return readString(UpdatePending);
}

void AppSettings::setUpdatePending(const QString& version)
{
    if (version.isEmpty()) {
        remove(UpdatePending);
    } else {
        write(UpdatePending, version);
    }
}

QString AppSettings::updateFeed() const
{
    return readString(UpdateFeed);
}

QByteArray AppSettings::mainWindowGeometry() const
{
    return readData(MainWindowGeometry);
}
void AppSettings::setMainWindowGeometry(const QByteArray& geometry)
{
    write(MainWindowGeometry, geometry);
}
QByteArray AppSettings::composeWindowGeometry() const
{
    return readData(ComposeWindowGeometry);
}
void AppSettings::setComposeWindowGeometry(const QByteArray& geometry)
{
    write(ComposeWindowGeometry, geometry);
}
