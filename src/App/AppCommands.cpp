#include "App/AppCommands.h"

#include "App/VesperlogApp.h"
#include "Model/AppNotifications.h"
#include "Model/JournalStore.h"
#include "Update/Updater.h"
#include "Widgets/EntryActions.h"
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
    buildAppMenu(menuBar);
    buildFileMenu(menuBar);
    buildViewMenu(menuBar);
    buildEntryMenu(menuBar);

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

void AppCommands::buildAppMenu(QMenuBar* menuBar)
{
    QMenu* appMenu = menuBar->addMenu(tr("Vesper&log"));
    m_about = addAction(appMenu, QStringLiteral("about"), tr("About Vesperlog"));
    m_about->setMenuRole(QAction::AboutRole);
    m_checkForUpdates = addAction(appMenu, QStringLiteral("checkForUpdates"), tr("Check for Updates…"));
    // The package manager updates a copy it installed.
    m_checkForUpdates->setVisible(!m_app.updater().packageManaged());
    appMenu->addSeparator();
    m_settings =
        addAction(appMenu, QStringLiteral("settings"), tr("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_settings->setMenuRole(QAction::PreferencesRole);
    appMenu->addSeparator();
    m_quit = addAction(appMenu, QStringLiteral("quit"), tr("Quit Vesperlog"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setMenuRole(QAction::QuitRole);

    connect(m_about, &QAction::triggered, this, [this] { m_app.showAbout(); });
    connect(m_checkForUpdates, &QAction::triggered, this,
            [] { Q_EMIT AppNotifications::instance().VspUpdateRequested(); });
    connect(m_settings, &QAction::triggered, this, [this] { m_app.openWindow(QStringLiteral("settings")); });
    // Queued: the menu closes before the windows go.
    connect(
        m_quit, &QAction::triggered, this, [this] { m_app.quit(); }, Qt::QueuedConnection);
}

void AppCommands::buildFileMenu(QMenuBar* menuBar)
{
    QMenu* fileMenu = menuBar->addMenu(tr("&File"));
    m_newEntry = addAction(fileMenu, QStringLiteral("newEntry"), tr("New Entry"), QKeySequence(Qt::CTRL | Qt::Key_N));
    m_quickCapture = addAction(fileMenu, QStringLiteral("quickCapture"), tr("Quick Capture"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    fileMenu->addSeparator();
    m_closeWindow =
        addAction(fileMenu, QStringLiteral("closeWindow"), tr("Close Window"), QKeySequence(Qt::CTRL | Qt::Key_W));

    connect(m_newEntry, &QAction::triggered, this, [this] { m_app.openWindow(vsp::composeWindowID()); });
    connect(m_quickCapture, &QAction::triggered, this, [this] { m_app.openWindow(QStringLiteral("quick-capture")); });
    connect(m_closeWindow, &QAction::triggered, this, [] {
        if (QWidget* window = QApplication::activeWindow()) {
            window->close();
        }
    });
}

void AppCommands::buildViewMenu(QMenuBar* menuBar)
{
    m_viewMenu = menuBar->addMenu(tr("&View"));
    m_focusMode = addAction(m_viewMenu, QStringLiteral("focusMode"), focusModeTitle(false), QKeySequence(Qt::Key_F11));
    m_viewMenu->addSeparator();
    m_toggleSearch =
        addAction(m_viewMenu, QStringLiteral("toggleSearch"), tr("Toggle Search"), QKeySequence(Qt::CTRL | Qt::Key_K));

    connect(m_focusMode, &QAction::triggered, this, [this] { m_app.store().setFocusMode(!m_app.store().focusMode()); });
    connect(m_toggleSearch, &QAction::triggered, this, [] { Q_EMIT AppNotifications::instance().VspToggleSearch(); });
    connect(&m_app.store(), &JournalStore::focusModeChanged, this, &AppCommands::refreshFocusTitle);
    refreshFocusTitle();
}

void AppCommands::buildEntryMenu(QMenuBar* menuBar)
{
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

    connect(m_editEntry, &QAction::triggered, this, [] { Q_EMIT AppNotifications::instance().VspToggleEdit(); });
    EntryActions& actions = EntryActions::of(m_app.store());
    actions.bind(m_toggleFavorite, EntryActions::Command::ToggleFavorite, actions.selection());
    actions.bind(m_duplicateEntry, EntryActions::Command::Duplicate, actions.selection());
    actions.bind(m_copyPlainText, EntryActions::Command::CopyPlainText, actions.selection());
    connect(m_deleteEntry, &QAction::triggered, this, &AppCommands::runDeleteEntry);
    // Editing and deleting ask the detail; search opens in the list under the cover: they wait for the
    // unlock like the entry commands.
    for (QAction* action : {m_editEntry, m_deleteEntry, m_toggleSearch}) {
        actions.guard(action);
    }
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

void AppCommands::runToggleFavorite()
{
    runOnSelection(EntryActions::Command::ToggleFavorite);
}

void AppCommands::runDuplicateEntry()
{
    runOnSelection(EntryActions::Command::Duplicate);
}

void AppCommands::runCopyPlainText()
{
    runOnSelection(EntryActions::Command::CopyPlainText);
}

void AppCommands::runDeleteEntry()
{
    JournalStore& store = m_app.store();
    if (EntryActions::of(store).enabled() && store.selectedEntry()) {
        Q_EMIT AppNotifications::instance().VspRequestDelete();
    }
}

void AppCommands::runOnSelection(EntryActions::Command command)
{
    JournalStore& store = m_app.store();
    if (const auto id = store.selectedEntryID()) {
        EntryActions::of(store).run(command, *id);
    }
}
