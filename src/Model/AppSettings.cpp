#include "Model/AppSettings.h"

#include "Model/UserDefaults.h"

#include <array>

namespace {

enum Key {
    DefaultEntryType, AutoSaveDraft, ShowWordCount, ShowMoodSelector, UserName, JournalName, AppearanceMode,
    ReadingFontSize, WritingFontSize, CompactListView, ShowEntryPreviews, AccentColorPreset,
    CaptureWeatherLocation, KeyCount
};

const QString& keyName(Key key)
{
    return AppSettings::keys().at(key);
}

QString readString(Key key)
{
    return UserDefaults::instance().string(keyName(key), AppSettings::defaultValue(keyName(key)).toString());
}

bool readBool(Key key)
{
    return UserDefaults::instance().boolean(keyName(key), AppSettings::defaultValue(keyName(key)).toBool());
}

double readDouble(Key key)
{
    return UserDefaults::instance().number(keyName(key), AppSettings::defaultValue(keyName(key)).toDouble());
}

// Writes only a real change, so an unchanged value announces nothing.
void write(Key key, const QVariant& value)
{
    UserDefaults& defaults = UserDefaults::instance();
    const QVariant stored = defaults.value(keyName(key));
    if (stored.isValid() && stored.typeId() == value.typeId() && stored == value) {
        return;
    }
    defaults.setValue(keyName(key), value);
}

} // namespace

AppSettings::AppSettings(QObject* parent)
    : QObject(parent)
{
    connect(&UserDefaults::instance(), &UserDefaults::valueChanged, this, &AppSettings::announce);
}

AppSettings::~AppSettings() = default;

const QStringList& AppSettings::keys()
{
    static const QStringList names = {
        QStringLiteral("defaultEntryType"), QStringLiteral("autoSaveDraft"),    QStringLiteral("showWordCount"),
        QStringLiteral("showMoodSelector"), QStringLiteral("userName"),         QStringLiteral("journalName"),
        QStringLiteral("appearanceMode"),   QStringLiteral("readingFontSize"),  QStringLiteral("writingFontSize"),
        QStringLiteral("compactListView"),  QStringLiteral("showEntryPreviews"), QStringLiteral("accentColorPreset"),
        QStringLiteral("captureWeatherLocation"),
    };
    return names;
}

QVariant AppSettings::defaultValue(const QString& key)
{
    static const std::array<QVariant, KeyCount> defaults = {
        QVariant(QStringLiteral("Journal")), QVariant(true),  QVariant(true), QVariant(true),
        QVariant(QString()),                 QVariant(QStringLiteral("Vesperlog")),
        QVariant(QStringLiteral("dark")),    QVariant(15.0),  QVariant(15.0), QVariant(false),
        QVariant(true),                      QVariant(QStringLiteral("yellow")), QVariant(true),
    };
    const qsizetype index = keys().indexOf(key);
    return index < 0 ? QVariant() : defaults[size_t(index)];
}

void AppSettings::announce(const QString& key)
{
    switch (keys().indexOf(key)) {
    case DefaultEntryType: Q_EMIT defaultEntryTypeChanged(); break;
    case AutoSaveDraft: Q_EMIT autoSaveDraftChanged(); break;
    case ShowWordCount: Q_EMIT showWordCountChanged(); break;
    case ShowMoodSelector: Q_EMIT showMoodSelectorChanged(); break;
    case UserName: Q_EMIT userNameChanged(); break;
    case JournalName: Q_EMIT journalNameChanged(); break;
    case AppearanceMode: Q_EMIT appearanceModeChanged(); break;
    case ReadingFontSize: Q_EMIT readingFontSizeChanged(); break;
    case WritingFontSize: Q_EMIT writingFontSizeChanged(); break;
    case CompactListView: Q_EMIT compactListViewChanged(); break;
    case ShowEntryPreviews: Q_EMIT showEntryPreviewsChanged(); break;
    case AccentColorPreset: Q_EMIT accentColorPresetChanged(); break;
    case CaptureWeatherLocation: Q_EMIT captureWeatherLocationChanged(); break;
    default: break;
    }
}

QString AppSettings::defaultEntryType() const { return readString(DefaultEntryType); }
void AppSettings::setDefaultEntryType(const QString& value) { write(DefaultEntryType, value); }

JournalEntry::EntryType AppSettings::resolvedDefaultEntryType() const
{
    return entryTypeFromRawValue(defaultEntryType()).value_or(JournalEntry::EntryType::Journal);
}

bool AppSettings::autoSaveDraft() const { return readBool(AutoSaveDraft); }
void AppSettings::setAutoSaveDraft(bool value) { write(AutoSaveDraft, value); }
bool AppSettings::showWordCount() const { return readBool(ShowWordCount); }
void AppSettings::setShowWordCount(bool value) { write(ShowWordCount, value); }
bool AppSettings::showMoodSelector() const { return readBool(ShowMoodSelector); }
void AppSettings::setShowMoodSelector(bool value) { write(ShowMoodSelector, value); }
QString AppSettings::userName() const { return readString(UserName); }
void AppSettings::setUserName(const QString& value) { write(UserName, value); }
QString AppSettings::journalName() const { return readString(JournalName); }
void AppSettings::setJournalName(const QString& value) { write(JournalName, value); }
QString AppSettings::appearanceMode() const { return readString(AppearanceMode); }
void AppSettings::setAppearanceMode(const QString& value) { write(AppearanceMode, value); }
double AppSettings::readingFontSize() const { return readDouble(ReadingFontSize); }
void AppSettings::setReadingFontSize(double points) { write(ReadingFontSize, points); }
double AppSettings::writingFontSize() const { return readDouble(WritingFontSize); }
void AppSettings::setWritingFontSize(double points) { write(WritingFontSize, points); }
bool AppSettings::compactListView() const { return readBool(CompactListView); }
void AppSettings::setCompactListView(bool value) { write(CompactListView, value); }
bool AppSettings::showEntryPreviews() const { return readBool(ShowEntryPreviews); }
void AppSettings::setShowEntryPreviews(bool value) { write(ShowEntryPreviews, value); }
QString AppSettings::accentColorPreset() const { return readString(AccentColorPreset); }
void AppSettings::setAccentColorPreset(const QString& value) { write(AccentColorPreset, value); }
bool AppSettings::captureWeatherLocation() const { return readBool(CaptureWeatherLocation); }
void AppSettings::setCaptureWeatherLocation(bool value) { write(CaptureWeatherLocation, value); }
