#include "App/AppCommands.h"

#include "App/VesperlogApp.h"
#include "Model/AppNotifications.h"
#include "Model/EntryText.h"
#include "Model/JournalStore.h"
#include "Update/Updater.h"
#include "Views/Main/EntryContextMenu.h"
#include "Widgets/OpenWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

namespace {

QAction* addAction(QMenu* menu, const QString& name, const QString& text, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
    }
    return action;
}

} // namespace

AppCommands::AppCommands(VesperlogApp& app, QMenuBar* menuBar) : QObject(menuBar), m_app(app)
{
    setObjectName(QStringLiteral("appCommands"));
    JournalStore& store = app.store();

    QMenu* appMenu = menuBar->addMenu(tr("Vesper&log"));
    m_about = addAction(appMenu, QStringLiteral("about"), tr("About Vesperlog"));
    m_about->setMenuRole(QAction::AboutRole);
    m_checkForUpdates = addAction(appMenu, QStringLiteral("checkForUpdates"), tr("Check for Updates…"));
    // The package manager updates a copy it installed.
    m_checkForUpdates->setVisible(!app.updater().packageManaged());
    appMenu->addSeparator();
    m_settings =
        addAction(appMenu, QStringLiteral("settings"), tr("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_settings->setMenuRole(QAction::PreferencesRole);
    appMenu->addSeparator();
    m_quit = addAction(appMenu, QStringLiteral("quit"), tr("Quit Vesperlog"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setMenuRole(QAction::QuitRole);

    QMenu* fileMenu = menuBar->addMenu(tr("&File"));
    m_newEntry = addAction(fileMenu, QStringLiteral("newEntry"), tr("New Entry"), QKeySequence(Qt::CTRL | Qt::Key_N));
    m_quickCapture = addAction(fileMenu, QStringLiteral("quickCapture"), tr("Quick Capture"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    fileMenu->addSeparator();
    m_closeWindow =
        addAction(fileMenu, QStringLiteral("closeWindow"), tr("Close Window"), QKeySequence(Qt::CTRL | Qt::Key_W));

    m_viewMenu = menuBar->addMenu(tr("&View"));
    m_focusMode = addAction(m_viewMenu, QStringLiteral("focusMode"), focusModeTitle(false), QKeySequence(Qt::Key_F11));
    m_viewMenu->addSeparator();
    m_toggleSearch =
        addAction(m_viewMenu, QStringLiteral("toggleSearch"), tr("Toggle Search"), QKeySequence(Qt::CTRL | Qt::Key_K));

    m_entryMenu = menuBar->addMenu(tr("&Entry"));
    m_editEntry =
        addAction(m_entryMenu, QStringLiteral("editEntry"), tr("Edit Entry"), QKeySequence(Qt::CTRL | Qt::Key_E));
    m_toggleFavorite = addAction(m_entryMenu, QStringLiteral("toggleFavorite"), tr("Toggle Favorite"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    m_duplicateEntry = addAction(m_entryMenu, QStringLiteral("duplicateEntry"), tr("Duplicate Entry"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    m_entryMenu->addSeparator();
    m_copyPlainText = addAction(m_entryMenu, QStringLiteral("copyPlainText"), tr("Copy as Plain Text"),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    m_entryMenu->addSeparator();
    // The Delete key of the other desktop's keyboards is Backspace here.
    m_deleteEntry = addAction(m_entryMenu, QStringLiteral("deleteEntry"), tr("Delete Entry"),
                              QKeySequence(Qt::CTRL | Qt::Key_Backspace));

    connect(m_about, &QAction::triggered, this, [this] { m_app.showAbout(); });
    connect(m_checkForUpdates, &QAction::triggered, this,
            [] { Q_EMIT AppNotifications::instance().VspUpdateRequested(); });
    connect(m_settings, &QAction::triggered, this, [this] { m_app.openWindow(QStringLiteral("settings")); });
    // Queued: the menu closes before the windows go.
    connect(
        m_quit, &QAction::triggered, this, [this] { m_app.quit(); }, Qt::QueuedConnection);
    connect(m_newEntry, &QAction::triggered, this, [this] { m_app.openWindow(vsp::composeWindowID()); });
    connect(m_quickCapture, &QAction::triggered, this, [this] { m_app.openWindow(QStringLiteral("quick-capture")); });
    connect(m_closeWindow, &QAction::triggered, this, [] {
        if (QWidget* window = QApplication::activeWindow()) {
            window->close();
        }
    });
    connect(m_focusMode, &QAction::triggered, this, [&store] { store.setFocusMode(!store.focusMode()); });
    connect(m_toggleSearch, &QAction::triggered, this, [] { Q_EMIT AppNotifications::instance().VspToggleSearch(); });
    connect(m_editEntry, &QAction::triggered, this, [] { Q_EMIT AppNotifications::instance().VspToggleEdit(); });
    connect(m_toggleFavorite, &QAction::triggered, this, &AppCommands::runToggleFavorite);
    connect(m_duplicateEntry, &QAction::triggered, this, &AppCommands::runDuplicateEntry);
    connect(m_copyPlainText, &QAction::triggered, this, &AppCommands::runCopyPlainText);
    connect(m_deleteEntry, &QAction::triggered, this, &AppCommands::runDeleteEntry);

    connect(&store, &JournalStore::focusModeChanged, this, &AppCommands::refreshFocusTitle);
    connect(&store, &JournalStore::isLockedChanged, this, &AppCommands::refreshLocked);
    refreshFocusTitle();
    refreshLocked();

    // A shortcut of the menu bar only reaches the window that holds it; the others get the
    // application's commands when they first take the focus.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focused) {
        if (!focused) {
            return;
        }
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->windowHandle() == focused) {
                reachFrom(window);
                return;
            }
        }
    });
}

void AppCommands::reachFrom(QWidget* window)
{
    // Popups (menus, combo lists) pass their keys on to the window they belong to; the main window
    // has the menu bar.
    const auto* menuBar = qobject_cast<QWidget*>(parent());
    if (window->windowType() == Qt::Popup || (menuBar && menuBar->window() == window)
        || window->actions().contains(m_quit)) {
        return;
    }
    window->addActions(appWideActions());
}

QString AppCommands::focusModeTitle(bool focusMode)
{
    return focusMode ? tr("Exit Focus Mode") : tr("Enter Focus Mode");
}

void AppCommands::refreshFocusTitle()
{
    m_focusMode->setText(focusModeTitle(m_app.store().focusMode()));
}

void AppCommands::refreshLocked()
{
    const bool enabled = !m_app.store().isLocked();
    // Search opens in the list under the cover: it waits for the unlock like the entry commands.
    for (QAction* action :
         {m_editEntry, m_toggleFavorite, m_duplicateEntry, m_copyPlainText, m_deleteEntry, m_toggleSearch}) {
        action->setEnabled(enabled);
    }
}

std::optional<JournalEntry> AppCommands::entryToActOn() const
{
    const JournalStore& store = m_app.store();
    const auto entry = store.selectedEntry();
    if (!entry || store.isLocked()) {
        return std::nullopt;
    }
    return entry;
}

void AppCommands::runToggleFavorite()
{
    if (const auto entry = entryToActOn()) {
        m_app.store().toggleFavorite(*entry);
    }
}

void AppCommands::runDuplicateEntry()
{
    if (const auto entry = entryToActOn()) {
        m_app.store().duplicateEntry(*entry);
    }
}

void AppCommands::runCopyPlainText()
{
    if (const auto entry = entryToActOn()) {
        EntryContextMenu::copyToClipboard(vsp::entryPlainText(*entry));
    }
}

void AppCommands::runDeleteEntry()
{
    if (entryToActOn()) {
        Q_EMIT AppNotifications::instance().VspRequestDelete();
    }
}
