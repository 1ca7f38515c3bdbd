#pragma once

#include "Widgets/EntryActions.h"

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class VesperlogApp;

/// The menu bar's commands and their shortcuts:
///
/// - "Vesperlog": About Vesperlog, Check for Updates…, Settings… (Ctrl+,), Quit (Ctrl+Q);
/// - "File": New Entry (Ctrl+N), Quick Capture (Ctrl+Shift+N), Close Window (Ctrl+W);
/// - "View": Enter / Exit Focus Mode (F11), Toggle Search (Ctrl+K, disabled while the journal is locked);
/// - "Entry", acting on the selected entry and disabled while the journal is locked: Edit Entry (Ctrl+E),
///   Toggle Favorite (Ctrl+Shift+F), Duplicate Entry (Ctrl+Shift+D), Copy as Plain Text (Ctrl+Shift+C),
///   Delete Entry (Ctrl+Backspace).
///
/// Commands that belong to a view post an application notification instead of calling it. The entry
/// commands are the shared EntryActions bound to the selection: when one runs it checks again that an
/// entry is selected and the journal is unlocked, and the lock disables them there.
///
/// The menu bar lives in the main window, but Settings…, Quit, New Entry and Quick Capture are the
/// application's: their shortcuts work in every top-level window of ours (the New Entry window, the
/// settings, sheets and dialogs), which each get them as they first take the focus.
///
/// Each action's object name is its member's without the "m_" (e.g. "editEntry"); the menus hold them.
class AppCommands final : public QObject {
    Q_OBJECT

public:
    AppCommands(VesperlogApp& app, QMenuBar* menuBar);

    /// The commands whose shortcuts work in every window of the application.
    QList<QAction*> appWideActions() const { return {m_settings, m_quit, m_newEntry, m_quickCapture}; }

    /// "Enter Focus Mode" or "Exit Focus Mode".
    static QString focusModeTitle(bool focusMode);

    // The entry commands on the selected entry; each does nothing without one or while the journal is
    // locked.
    void runToggleFavorite();
    void runDuplicateEntry();
    void runCopyPlainText();
    void runDeleteEntry();

private:
    /// About, updates, settings and quit.
    void buildAppMenu(QMenuBar* menuBar);
    void buildFileMenu(QMenuBar* menuBar);
    /// Focus mode, its title following the store, and the search toggle.
    void buildViewMenu(QMenuBar* menuBar);
    /// The commands on the selected entry, which wait for the unlock.
    void buildEntryMenu(QMenuBar* menuBar);
    void runOnSelection(EntryActions::Command command);
    void refreshFocusTitle();
    /// Gives a top-level window the application-wide commands (once).
    void reachFrom(QWidget* window);

    VesperlogApp& m_app;
    QAction* m_about;
    QAction* m_checkForUpdates;
    QAction* m_settings;
    QAction* m_quit;
    QAction* m_newEntry;
    QAction* m_quickCapture;
    QAction* m_closeWindow;
    QAction* m_focusMode;
    QAction* m_toggleSearch;
    QAction* m_editEntry;
    QAction* m_toggleFavorite;
    QAction* m_duplicateEntry;
    QAction* m_copyPlainText;
    QAction* m_deleteEntry;
    QMenu* m_entryMenu;
    QMenu* m_viewMenu;
};
