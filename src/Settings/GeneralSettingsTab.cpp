#include "Settings/SettingsForm.h"
#include "Settings/SettingsTabs.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalEntry.h"
#include "Model/JournalStore.h"
#include "Model/NotificationManager.h"
#include "Settings/MoodEditorSection.h"

#include <QComboBox>
#include <QLocale>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

using namespace vsp::settings;

namespace {

/// The daily word goal's stepper: 0-5000 in steps of 50, reading "250 words" or "Off".
class GoalStepper final : public QSpinBox {
public:
    explicit GoalStepper(QWidget* parent) : QSpinBox(parent)
    {
        setObjectName(QStringLiteral("wordGoal"));
        setRange(0, 5000);
        setSingleStep(50);
        // A typed goal is written once, when it is complete, not digit by digit.
        setKeyboardTracking(false);
        setMinimumWidth(120);
    }

protected:
    QString textFromValue(int value) const override { return GeneralSettingsTab::goalText(value); }
    int valueFromText(const QString& text) const override
    {
        QString digits;
        for (const QChar c : text) {
            if (c.isDigit()) {
                digits.append(c);
            }
        }
        return digits.toInt();
    }
    QValidator::State validate(QString& text, int&) const override
    {
        return text.isEmpty() || text == GeneralSettingsTab::goalText(0) || text.front().isDigit()
                   ? QValidator::Acceptable
                   : QValidator::Intermediate;
    }
};

/// A combo box of (shown text, stored value) items bound to a text property.
QComboBox* choice(const QList<std::pair<QString, QString>>& items, AppSettings& settings,
                  QString (AppSettings::*get)() const, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    for (const auto& [text, value] : items) {
        combo->addItem(text, value);
    }
    const int index = combo->findData((settings.*get)());
    // A stored value no option has (another version's) shows the first option and stays stored.
    combo->setCurrentIndex(std::max(index, 0));
    return combo;
}

void syncChoice(QComboBox* combo, const QString& value)
{
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(std::max(combo->findData(value), 0));
}

} // namespace

QString GeneralSettingsTab::goalText(int words)
{
    return words == 0 ? tr("Off") : tr("%1 words").arg(words);
}

QString GeneralSettingsTab::goalCaption(int words)
{
    return words == 0 ? tr("Set a target to see progress in the sidebar.")
                      : tr("You'll see a progress bar in the sidebar each day.");
}

GeneralSettingsTab::GeneralSettingsTab(JournalStore& store, AppSettings& settings, MoodStore& moods, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_settings(settings)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* page = new FormPage(this);
    layout->addWidget(page);

    buildEntriesSection(page);
    buildGoalSection(page);
    buildReminderSection(page);
    buildComposerSections(page);
    FormSection* moodSection = page->addSection(tr("Moods"));
    moodSection->addRow(new MoodEditorSection(moods, this));
    page->finish();
}

void GeneralSettingsTab::buildEntriesSection(FormPage* page)
{
    FormSection* entries = page->addSection(tr("Entries"));
    QList<std::pair<QString, QString>> types;
    for (const JournalEntry::EntryType type : allEntryTypes()) {
        types.append({entryTypeRawValue(type), entryTypeRawValue(type)});
    }
    QComboBox* type = choice(types, m_settings, &AppSettings::defaultEntryType, this);
    type->setObjectName(QStringLiteral("entryTypePicker"));
    connect(type, &QComboBox::activated, this,
            [this, type](int index) { m_settings.setDefaultEntryType(type->itemData(index).toString()); });
    connect(&m_settings, &AppSettings::defaultEntryTypeChanged, type,
            [this, type] { syncChoice(type, m_settings.defaultEntryType()); });
    entries->addLabelledRow(tr("Default entry type"), type);

    QComboBox* sort =
        choice({{tr("Newest first"), QStringLiteral("newest")}, {tr("Oldest first"), QStringLiteral("oldest")}},
               m_settings, &AppSettings::sortOrder, this);
    sort->setObjectName(QStringLiteral("sortOrderPicker"));
    connect(sort, &QComboBox::activated, this, [this, sort](int index) {
        const QString order = sort->itemData(index).toString();
        m_settings.setSortOrder(order);
        // The list re-sorts now, and the list header's arrow turns with it.
        m_store.setSortNewestFirst(order == QLatin1String("newest"));
    });
    // The list header's toggle changes the order too: show what the list shows.
    auto syncSort = [this, sort] {
        syncChoice(sort, m_store.sortNewestFirst() ? QStringLiteral("newest") : QStringLiteral("oldest"));
    };
    connect(&m_store, &JournalStore::sortNewestFirstChanged, sort, syncSort);
    connect(&m_settings, &AppSettings::sortOrderChanged, sort,
            [this, sort] { syncChoice(sort, m_settings.sortOrder()); });
    entries->addLabelledRow(tr("Sort entries by"), sort);
}

void GeneralSettingsTab::buildGoalSection(FormPage* page)
{
    FormSection* goal = page->addSection(tr("Writing goal"));
    auto* stepper = new GoalStepper(this);
    stepper->setValue(m_settings.dailyWordGoal());
    goal->addLabelledRow(tr("Daily word goal"), stepper);
    QLabel* goalNote = caption(goalCaption(m_settings.dailyWordGoal()), this);
    goalNote->setObjectName(QStringLiteral("goalCaption"));
    goal->addRow(goalNote);
    connect(stepper, &QSpinBox::valueChanged, this, [this](int words) { m_settings.setDailyWordGoal(words); });
    connect(&m_settings, &AppSettings::dailyWordGoalChanged, this, [this, stepper, goalNote] {
        const int words = m_settings.dailyWordGoal();
        goalNote->setText(goalCaption(words));
        const QSignalBlocker block(stepper);
        stepper->setValue(words);
    });
}

void GeneralSettingsTab::buildReminderSection(FormPage* page)
{
    FormSection* reminder = page->addSection(tr("Daily reminder"));
    auto* remind = new QCheckBox(tr("Remind me to write daily"));
    remind->setObjectName(QStringLiteral("reminderToggle"));
    remind->setChecked(m_settings.dailyReminderEnabled());
    reminder->addRow(remind);
    auto* time = new QTimeEdit(this);
    time->setObjectName(QStringLiteral("reminderTime"));
    time->setDisplayFormat(vsp::shortTimeFormat(QLocale()));
    time->setTime(QTime(m_settings.dailyReminderHour(), m_settings.dailyReminderMinute()));
    time->setKeyboardTracking(false);
    QWidget* timeRow = reminder->addLabelledRow(tr("Reminder time"), time);
    QLabel* reminderNote = caption(tr("You'll get a gentle nudge if you haven't opened Vesperlog yet."), this);
    reminder->addRow(reminderNote);
    auto syncReminder = [this, remind, time, timeRow, reminderNote] {
        const bool on = m_settings.dailyReminderEnabled();
        {
            const QSignalBlocker block(remind);
            remind->setChecked(on);
        }
        timeRow->setVisible(on);
        reminderNote->setVisible(on);
        const QSignalBlocker block(time);
        time->setTime(QTime(m_settings.dailyReminderHour(), m_settings.dailyReminderMinute()));
    };
    syncReminder();
    connect(remind, &QCheckBox::toggled, this, &GeneralSettingsTab::reminderToggled);
    connect(time, &QTimeEdit::timeChanged, this, [this](QTime value) {
        {
            const AppSettings::Batch oneWrite;
            m_settings.setDailyReminderHour(value.hour());
            m_settings.setDailyReminderMinute(value.minute());
        }
        reminderTimeEdited();
    });
    for (auto signal : {&AppSettings::dailyReminderEnabledChanged, &AppSettings::dailyReminderHourChanged,
                        &AppSettings::dailyReminderMinuteChanged}) {
        connect(&m_settings, signal, this, syncReminder);
    }
}

void GeneralSettingsTab::buildComposerSections(FormPage* page)
{
    FormSection* composer = page->addSection(tr("Composer"));
    composer->addRow(bindCheckBox(new QCheckBox(tr("Auto-save draft")), m_settings, &AppSettings::autoSaveDraft,
                                  &AppSettings::setAutoSaveDraft, &AppSettings::autoSaveDraftChanged));
    composer->addRow(bindCheckBox(new QCheckBox(tr("Show word count")), m_settings, &AppSettings::showWordCount,
                                  &AppSettings::setShowWordCount, &AppSettings::showWordCountChanged));
    composer->addRow(bindCheckBox(new QCheckBox(tr("Show mood selector")), m_settings, &AppSettings::showMoodSelector,
                                  &AppSettings::setShowMoodSelector, &AppSettings::showMoodSelectorChanged));

    FormSection* context = page->addSection(tr("Context"));
    context->addRow(bindCheckBox(new QCheckBox(tr("Add weather && location to new entries")), m_settings,
                                 &AppSettings::captureWeatherLocation, &AppSettings::setCaptureWeatherLocation,
                                 &AppSettings::captureWeatherLocationChanged));
    context->addRow(caption(tr("When on, Vesperlog quietly notes the place and weather as you start an entry. It uses "
                               "your location and a weather service over the network — turn it off to keep entries "
                               "fully offline."),
                            this));
}

void GeneralSettingsTab::reminderToggled(bool on)
{
    m_settings.setDailyReminderEnabled(on);
    if (on) {
        NotificationManager::requestPermission();
        NotificationManager::scheduleReminder(m_settings.dailyReminderHour(), m_settings.dailyReminderMinute());
    } else {
        NotificationManager::removeDailyReminder();
    }
}

void GeneralSettingsTab::reminderTimeEdited()
{
    // While the reminder is off the new time only waits for it to be switched on.
    if (m_settings.dailyReminderEnabled()) {
        NotificationManager::scheduleReminder(m_settings.dailyReminderHour(), m_settings.dailyReminderMinute());
    }
}
