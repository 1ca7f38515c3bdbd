#include "Settings/SettingsView.h"

#include "Theme/Palette.h"
#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Model/UserDefaults.h"
#include "Update/Updater.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

/// A check box bound to a boolean settings key with its default, in both directions.
QCheckBox* boolSetting(const QString& text, const QString& key, bool fallback, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    auto& defaults = UserDefaults::instance();
    box->setChecked(defaults.boolean(key, fallback));
    QObject::connect(box, &QCheckBox::toggled, box, [key](bool on) { UserDefaults::instance().setValue(key, on); });
    QObject::connect(&defaults, &UserDefaults::valueChanged, box, [box, key, fallback](const QString& changed) {
        if (changed == key) {
            const QSignalBlocker block(box);
            box->setChecked(UserDefaults::instance().boolean(key, fallback));
        }
    });
    return box;
}

/// A combo box bound to a text settings key; items carry the stored values as data.
QComboBox* textSetting(const QList<std::pair<QString, QString>>& items, const QString& key, const QString& fallback,
                       QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    for (const auto& [label, value] : items) {
        combo->addItem(label, value);
    }
    auto sync = [combo, key, fallback] {
        const QSignalBlocker block(combo);
        const int index = combo->findData(UserDefaults::instance().string(key, fallback));
        combo->setCurrentIndex(std::max(index, 0));
    };
    sync();
    QObject::connect(combo, &QComboBox::activated, combo, [combo, key](int index) {
        UserDefaults::instance().setValue(key, combo->itemData(index).toString());
    });
    QObject::connect(&UserDefaults::instance(), &UserDefaults::valueChanged, combo, [sync, key](const QString& changed) {
        if (changed == key) {
            sync();
        }
    });
    return combo;
}

} // namespace

SettingsView::SettingsView(JournalStore& store, AppSettings& settings, MoodStore& moodStore, Updater& updater,
                           QWidget* parent)
    : QWidget(parent)
{
    Q_UNUSED(store);
    Q_UNUSED(settings);
    Q_UNUSED(moodStore);
    setWindowTitle(tr("Settings"));
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    layout->addWidget(tabs);

    auto* appearance = new QWidget(tabs);
    auto* appearanceForm = new QFormLayout(appearance);
    appearanceForm->addRow(tr("Appearance"),
                           textSetting({{tr("Light"), QStringLiteral("light")},
                                        {tr("Dark"), QStringLiteral("dark")},
                                        {tr("System"), QStringLiteral("system")}},
                                       QStringLiteral("appearanceMode"), QStringLiteral("dark"), appearance));
    QList<std::pair<QString, QString>> accents;
    for (const vsp::AccentPreset& preset : vsp::accentPresets()) {
        QString label = preset.name.toString();
        label[0] = label[0].toUpper();
        accents.append({label, preset.name.toString()});
    }
    appearanceForm->addRow(tr("Accent colour"),
                           textSetting(accents, QStringLiteral("accentColorPreset"), QStringLiteral("yellow"), appearance));
    appearanceForm->addRow(boolSetting(tr("Compact list"), QStringLiteral("compactListView"), false, appearance));
    appearanceForm->addRow(boolSetting(tr("Show entry previews"), QStringLiteral("showEntryPreviews"), true, appearance));
    tabs->addTab(appearance, tr("Appearance"));

    auto* data = new QWidget(tabs);
    auto* dataForm = new QVBoxLayout(data);
    const std::pair<QString, QString> posts[] = {{tr("Export as JSON…"), QStringLiteral("VspExportJSON")},
                                                 {tr("Export as Markdown…"), QStringLiteral("VspExportMarkdown")},
                                                 {tr("Import JSON…"), QStringLiteral("VspImportJSON")}};
    for (const auto& [label, name] : posts) {
        auto* button = new QPushButton(label, data);
        connect(button, &QPushButton::clicked, this, [name] { AppNotifications::instance().post(name); });
        dataForm->addWidget(button);
    }
    dataForm->addWidget(boolSetting(tr("Back up the journal when quitting"), QStringLiteral("autoBackup"), false, data));
    dataForm->addStretch(1);
    tabs->addTab(data, tr("Data"));

    auto* security = new QWidget(tabs);
    auto* securityForm = new QVBoxLayout(security);
    securityForm->addWidget(boolSetting(tr("Lock the journal"), QStringLiteral("appLockEnabled"), false, security));
    securityForm->addWidget(
        boolSetting(tr("Lock when switching to another application"), QStringLiteral("lockOnBackground"), false, security));
    securityForm->addStretch(1);
    tabs->addTab(security, tr("Security"));

    auto* about = new QWidget(tabs);
    auto* aboutForm = new QVBoxLayout(about);
    aboutForm->addWidget(boolSetting(tr("Check for updates automatically"), QStringLiteral("autoUpdates"), true, about));
    auto* check = new QPushButton(tr("Check for Updates…"), about);
    connect(check, &QPushButton::clicked, this, [] { AppNotifications::instance().post(QStringLiteral("VspUpdateRequested")); });
    aboutForm->addWidget(check);
    aboutForm->addStretch(1);
    tabs->addTab(about, tr("About"));
    Q_UNUSED(updater);
    resize(520, 360);
}
