#pragma once

#include "Theme/Spring.h"
#include "Views/Sidebar/TrashView.h"
#include "Widgets/OpenWindow.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class AppSettings;
class ColumnVisibilityHolder;
class ComposeLauncherPanel;
class JournalStore;
class MoodStore;
class QMenu;
class QVBoxLayout;
class SidebarCaption;
class SidebarFooter;
class SidebarHeader;
class SidebarRow;
class SidebarRowList;
class SidebarStats;
class TransitionSlot;
enum class NavSection;

/// The main window's left column: the header with the compose launcher, the groups "CAPTURE" (the four
/// sections, Today with its count), "MOODS" (moods in use) and "TAGS" (every tag with its colour), the
/// daily word goal and the footer with the trash and settings buttons.
///
/// A click on a section, mood or tag closes the calendar, empties the search and selects the first
/// entry of the new list, writing the store's navigation state in one fixed order. While the launcher
/// is open, a click anywhere else on the column only closes it.
class SidebarView final : public QWidget {
    Q_OBJECT

public:
    SidebarView(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns,
                vsp::OpenWindowAction openWindow, QWidget* parent = nullptr);
    SidebarView(JournalStore& store, MoodStore& moodStore, ColumnVisibilityHolder& columns, QWidget* parent = nullptr);
    ~SidebarView() override;

    SidebarFooter* footer() const { return m_footer; }
    // The four section rows are the children "sectionRow", in order.

    /// Follows a new day: Today's count, the streak and today's words are worked out again.
    void refreshDay();

    /// The context menu of a tag row: "Set color" (the nine colours, "Reset to default"), "Remove tag
    /// from all entries". The caller owns it.
    QMenu* makeTagMenu(const QString& tag, QWidget* parent);

    void setLauncherOpen(bool open);
    bool isLauncherOpen() const { return m_launcherOpen; }
    /// Opens the "Recently Deleted" sheet over the window (window-modal); returns it.
    TrashView* openTrash();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// The scrolling column of the capture, moods and tags groups.
    QWidget* buildGroups();
    QWidget* buildCaptureGroup();
    QWidget* buildMoodsGroup();
    /// The tags group inside the slot that fades it out with its last row.
    QWidget* buildTagsGroup();
    /// The hidden launcher, its slot, and the shield that catches presses beside it.
    void buildLauncher();
    void rebuildGroups();
    void refreshSelection();
    void placeLauncher();
    /// Opens or closes the launcher with `spring`; without one it comes or goes at once (a row's action).
    void setLauncherOpen(bool open, std::optional<vsp::Spring> spring);
    /// A press beside the open launcher closes it with the spring of 0.25.
    void closeLauncherBeside();

    JournalStore& m_store;
    MoodStore& m_moodStore;
    ColumnVisibilityHolder& m_columns;
    vsp::OpenWindowAction m_openWindow;
    AppSettings& m_settings;
    SidebarHeader* m_header;
    QWidget* m_groups;
    QWidget* m_moodsGroup = nullptr;
    QWidget* m_tagsGroup = nullptr;
    SidebarCaption* m_moodsCaption = nullptr;
    SidebarCaption* m_tagsCaption = nullptr;
    /// The four section rows, in order.
    QList<SidebarRow*> m_sectionRows;
    /// The rows of the moods in use and of the tags.
    SidebarRowList* m_moodList = nullptr;
    SidebarRowList* m_tagList = nullptr;
    SidebarStats* m_stats;
    SidebarFooter* m_footer;
    QWidget* m_shield;
    ComposeLauncherPanel* m_launcher;
    /// Brings the launcher in grown from 0.6 and takes it out shrunk to 0.85, about its top-trailing
    /// corner, fading either way.
    TransitionSlot* m_launcherSlot = nullptr;
    TransitionSlot* m_tagsSlot = nullptr;
    bool m_launcherOpen = false;
    /// The groups' rows glide to their new places (set while a tag is removed from every entry).
    bool m_rowsGlide = false;
    QPointer<TrashView> m_trash;
};
