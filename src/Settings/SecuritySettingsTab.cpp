#include "Settings/SettingsForm.h"
#include "Settings/SettingsTabs.h"

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"

#include <QVBoxLayout>

using namespace vsp::settings;

QString SecuritySettingsTab::privacyText()
{
    // Both optional network uses are named, so the promise is true whichever the user keeps on.
    return tr("Your journal entries are stored locally on this computer and never leave your device. Vesperlog "
              "has no analytics or tracking. It uses the network only for two optional things: looking up the "
              "weather for a new entry — turn off \u201CAdd weather & location\u201D under General — and checking "
              "for new versions — turn off \u201CCheck for updates automatically\u201D under About. With both "
              "off, Vesperlog stays fully offline.");
}

SecuritySettingsTab::SecuritySettingsTab(JournalStore& store, AppSettings& settings, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* page = new FormPage(this);
    layout->addWidget(page);

    FormSection* lock = page->addSection(tr("App lock"));
    QCheckBox* onLaunch =
        bindCheckBox(new QCheckBox(tr("Lock Vesperlog on launch")), settings, &AppSettings::appLockEnabled,
                     &AppSettings::setAppLockEnabled, &AppSettings::appLockEnabledChanged);
    lock->addRow(onLaunch);
    lock->addRow(caption(tr("Requires your login password to unlock the journal."), this));
    QCheckBox* onLeaving =
        bindCheckBox(new QCheckBox(tr("Lock when leaving Vesperlog")), settings, &AppSettings::lockOnBackground,
                     &AppSettings::setLockOnBackground, &AppSettings::lockOnBackgroundChanged);
    lock->addRow(onLeaving);
    lock->addRow(caption(tr("Locks the journal again every time you switch to another app."), this));
    QLabel* lockedNote = caption(tr("Unlock the journal to change the lock."), this);
    lock->addRow(lockedNote);
    // Disabled, it keeps showing its stored value: switching the lock off changes nothing stored. Under
    // the lock neither switch moves, or the next launch would open the journal unasked.
    auto syncEnabled = [onLaunch, onLeaving, lockedNote, &settings, &store] {
        onLaunch->setEnabled(!store.isLocked());
        onLeaving->setEnabled(settings.appLockEnabled() && !store.isLocked());
        lockedNote->setVisible(store.isLocked());
    };
    syncEnabled();
    connect(&settings, &AppSettings::appLockEnabledChanged, this, syncEnabled);
    connect(&store, &JournalStore::isLockedChanged, this, syncEnabled);

    FormSection* privacy = page->addSection(tr("Privacy"));
    QLabel* text = caption(privacyText(), this);
    text->setObjectName(QStringLiteral("privacyText"));
    privacy->addRow(text);
    page->finish();
}
