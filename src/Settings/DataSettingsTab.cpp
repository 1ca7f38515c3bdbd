#include "Settings/SettingsForm.h"
#include "Settings/SettingsTabs.h"

#include "Model/AppNotifications.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Theme/Fonts.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace vsp::settings;

namespace {

/// A path under the home folder written with "~", as a terminal would show it.
QString shortened(const QString& path)
{
    const QString home = QDir::homePath();
    if (path == home) {
        return QStringLiteral("~");
    }
    if (path.startsWith(home + u'/')) {
        return u'~' + path.mid(home.size());
    }
    return path;
}

/// Why the last import took nothing in; the printed line alone would leave the user guessing.
QLabel* importFailureNotice(JournalStore& store, QPushButton* importButton, QWidget* parent)
{
    QLabel* importNotice = caption(QString(), parent, 12);
    importNotice->setObjectName(QStringLiteral("importNotice"));
    importNotice->setWordWrap(true);
    importNotice->hide();
    // Hidden before the import runs (the button's own post comes after this), shown again if it fails.
    QObject::connect(importButton, &QPushButton::pressed, importNotice, &QWidget::hide);
    QObject::connect(&store, &JournalStore::importFailed, importNotice, [importNotice](const QString& why) {
        importNotice->setText(DataSettingsTab::tr("Nothing was imported: %1.").arg(why));
        importNotice->show();
    });
    return importNotice;
}

} // namespace

QString DataSettingsTab::journalPath()
{
    return shortened(JournalStore::storeFolder() + QStringLiteral("/entries.json"));
}

QString DataSettingsTab::backupFolder()
{
    // Where JournalStore::performAutoBackup writes.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return shortened(documents + QStringLiteral("/Vesperlog Backups")) + u'/';
}

DataSettingsTab::DataSettingsTab(JournalStore& store, AppSettings& settings, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* page = new FormPage(this);
    layout->addWidget(page);

    QList<QPushButton*> buttons;
    auto postButton = [&buttons, this](const QString& text, AppNotifications::Notification notification) {
        auto* button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this,
                [notification] { AppNotifications::instance().post(notification); });
        buttons.append(button);
        return button;
    };

    FormSection* exportSection = page->addSection(tr("Export"));
    exportSection->addRow(caption(tr("Export all journal entries to a file on this computer."), this, 12));
    auto* exportRow = new QWidget;
    auto* exportLayout = new QHBoxLayout(exportRow);
    exportLayout->setContentsMargins(0, 0, 0, 0);
    exportLayout->setSpacing(10);
    exportLayout->addWidget(postButton(tr("Export as JSON"), &AppNotifications::VspExportJSON));
    exportLayout->addWidget(postButton(tr("Export as Markdown"), &AppNotifications::VspExportMarkdown));
    exportLayout->addStretch(1);
    exportSection->addRow(exportRow);

    FormSection* importSection = page->addSection(tr("Import"));
    importSection->addRow(
        caption(tr("Import entries from a Vesperlog JSON backup. Duplicate entries (same ID) are skipped."), this, 12));
    auto* importRow = new QWidget;
    auto* importLayout = new QHBoxLayout(importRow);
    importLayout->setContentsMargins(0, 0, 0, 0);
    QPushButton* importButton = postButton(tr("Import from JSON…"), &AppNotifications::VspImportJSON);
    importLayout->addWidget(importButton);
    importLayout->addStretch(1);
    importSection->addRow(importRow);
    importSection->addRow(importFailureNotice(store, importButton, this));

    // A locked journal hands nothing to files and takes nothing in; the application refuses too.
    QLabel* lockedNote = caption(tr("Unlock the journal to export, import or change the backup."), this);
    importSection->addRow(lockedNote);

    FormSection* backup = page->addSection(tr("Backup"));
    QCheckBox* autoBackup = bindCheckBox(new QCheckBox(tr("Auto-backup on quit")), settings, &AppSettings::autoBackup,
                                         &AppSettings::setAutoBackup, &AppSettings::autoBackupChanged);
    autoBackup->setObjectName(QStringLiteral("autoBackupSwitch"));
    backup->addRow(autoBackup);
    backup->addRow(caption(tr("Saves a copy to %1 when you close the app.").arg(backupFolder()), this));

    // Switched on under the lock, the backup would write the whole journal to Documents at quit.
    auto syncLocked = [buttons, autoBackup, lockedNote, &store] {
        for (QPushButton* button : buttons) {
            button->setEnabled(!store.isLocked());
        }
        autoBackup->setEnabled(!store.isLocked());
        lockedNote->setVisible(store.isLocked());
    };
    syncLocked();
    connect(&store, &JournalStore::isLockedChanged, this, syncLocked);

    buildStorageSection(page);
    page->finish();
}

void DataSettingsTab::buildStorageSection(FormPage* page)
{
    FormSection* storage = page->addSection(tr("Storage"));
    storage->addRow(caption(tr("Entries are saved locally on this computer in:"), this));
    QLabel* path = plainLabel(journalPath(), this);
    path->setObjectName(QStringLiteral("journalPath"));
    path->setFont(vsp::fonts::monospaced(11));
    path->setWordWrap(true);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    tintText(path, [] { return vsp::Color::resolvedAccentText(); });
    storage->addRow(path);
}
