#pragma once

#include "Model/JournalEntry.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

/// The thirteen preferences shared across the application, over the one settings file (UserDefaults).
///
/// Each property reads its key live: the stored value, or the default when the key is absent or holds a
/// value of another type. A setter writes at once; every AppSettings object and every UserDefaults reader
/// in the process sees the write immediately, and each AppSettings object emits the key's change signal
/// once per write. Constructing one reads and writes nothing; defaults are never written. Main thread only.
class AppSettings final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppSettings)

    /// An entry type raw value ("Journal", "Note", "Link", "Idea") for new entries.
    Q_PROPERTY(QString defaultEntryType READ defaultEntryType WRITE setDefaultEntryType NOTIFY defaultEntryTypeChanged)
    Q_PROPERTY(bool autoSaveDraft READ autoSaveDraft WRITE setAutoSaveDraft NOTIFY autoSaveDraftChanged)
    Q_PROPERTY(bool showWordCount READ showWordCount WRITE setShowWordCount NOTIFY showWordCountChanged)
    Q_PROPERTY(bool showMoodSelector READ showMoodSelector WRITE setShowMoodSelector NOTIFY showMoodSelectorChanged)
    Q_PROPERTY(QString userName READ userName WRITE setUserName NOTIFY userNameChanged)
    Q_PROPERTY(QString journalName READ journalName WRITE setJournalName NOTIFY journalNameChanged)
    /// "light", "dark" or "system"; any other text follows the system.
    Q_PROPERTY(QString appearanceMode READ appearanceMode WRITE setAppearanceMode NOTIFY appearanceModeChanged)
    /// Points.
    Q_PROPERTY(double readingFontSize READ readingFontSize WRITE setReadingFontSize NOTIFY readingFontSizeChanged)
    /// Points.
    Q_PROPERTY(double writingFontSize READ writingFontSize WRITE setWritingFontSize NOTIFY writingFontSizeChanged)
    Q_PROPERTY(bool compactListView READ compactListView WRITE setCompactListView NOTIFY compactListViewChanged)
    Q_PROPERTY(bool showEntryPreviews READ showEntryPreviews WRITE setShowEntryPreviews NOTIFY showEntryPreviewsChanged)
    /// An accent preset name; unknown names resolve like "yellow".
    Q_PROPERTY(QString accentColorPreset READ accentColorPreset WRITE setAccentColorPreset NOTIFY accentColorPresetChanged)
    Q_PROPERTY(bool captureWeatherLocation READ captureWeatherLocation WRITE setCaptureWeatherLocation NOTIFY captureWeatherLocationChanged)

public:
    explicit AppSettings(QObject* parent = nullptr);
    ~AppSettings() override;

    /// The thirteen keys, in declaration order.
    static const QStringList& keys();
    /// The default of one of the keys; invalid for any other key.
    static QVariant defaultValue(const QString& key);

    QString defaultEntryType() const;
    void setDefaultEntryType(const QString& value);
    /// The type a new entry gets: the stored raw value, or Journal for any text that is none.
    JournalEntry::EntryType resolvedDefaultEntryType() const;
    bool autoSaveDraft() const;
    void setAutoSaveDraft(bool value);
    bool showWordCount() const;
    void setShowWordCount(bool value);
    bool showMoodSelector() const;
    void setShowMoodSelector(bool value);
    QString userName() const;
    void setUserName(const QString& value);
    QString journalName() const;
    void setJournalName(const QString& value);
    QString appearanceMode() const;
    void setAppearanceMode(const QString& value);
    double readingFontSize() const;
    void setReadingFontSize(double points);
    double writingFontSize() const;
    void setWritingFontSize(double points);
    bool compactListView() const;
    void setCompactListView(bool value);
    bool showEntryPreviews() const;
    void setShowEntryPreviews(bool value);
    QString accentColorPreset() const;
    void setAccentColorPreset(const QString& value);
    bool captureWeatherLocation() const;
    void setCaptureWeatherLocation(bool value);

Q_SIGNALS:
    void defaultEntryTypeChanged();
    void autoSaveDraftChanged();
    void showWordCountChanged();
    void showMoodSelectorChanged();
    void userNameChanged();
    void journalNameChanged();
    void appearanceModeChanged();
    void readingFontSizeChanged();
    void writingFontSizeChanged();
    void compactListViewChanged();
    void showEntryPreviewsChanged();
    void accentColorPresetChanged();
    void captureWeatherLocationChanged();

private:
    void announce(const QString& key);
};
