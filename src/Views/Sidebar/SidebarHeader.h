#pragma once

#include "Theme/Spring.h"
#include "Widgets/OpenWindow.h"

#include <QColor>
#include <QMargins>
#include <QPixmap>
#include <QWidget>

#include <optional>

class AppSettings;
class JournalStore;
class QLabel;
namespace vsp {
class GlassButton;
} // namespace vsp

/// The top of the sidebar: the book logo, the journal's name (plain text, one line), the streak badge
/// while the streak is at least one day, and the plus button that opens and closes the compose
/// launcher (its symbol turns by 45 degrees while the launcher is open).
class SidebarHeader final : public QWidget {
    Q_OBJECT

public:
    SidebarHeader(JournalStore& store, AppSettings& settings, QWidget* parent = nullptr);

    vsp::GlassButton* plusButton() const { return m_plus; }
    /// The button that hides the sidebar column.
    vsp::GlassButton* hideButton() const { return m_hide; }
    /// The journal's name is the child "journalName".
    /// The streak shown in the badge; 0 when the badge is hidden.
    int shownStreak() const { return m_streak; }
    /// Turns the plus symbol and tints its glass for the launcher's state, gliding with `spring`, or at
    /// once without one (a launcher row closes the panel without motion).
    void setLauncherOpen(bool open, std::optional<vsp::Spring> spring);
    /// 0 (untinted) to 1 (the accent tint of an open launcher) on the plus button's glass.
    qreal plusTint() const;
    /// Follows the streak; the badge grows in or shrinks away only when `animate` and shown.
    void refreshStreak(bool animate);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class SidebarViewTest;

    void refreshName();
    QRectF badgeRect() const;
    /// The badge's width with the fire or with its number alone (pixels).
    qreal badgeWidth(bool withFire) const;
    /// Gives the badge the room the whole name leaves it, dropping the fire when that is too little:
    /// the name is the last to be cut.
    void placeBadge();
    /// The fire of the badge, `height` pixels high, kept between paints.
    QPixmap firePicture(qreal height);

    JournalStore& m_store;
    AppSettings& m_settings;
    QLabel* m_name;
    vsp::GlassButton* m_hide;
    vsp::GlassButton* m_plus;
    bool m_launcherOpen = false;
    vsp::SpringValue* m_plusTint;
    int m_streak = 0;
    /// The badge shows its number without the fire.
    bool m_compactBadge = false;
    vsp::SpringValue* m_badgePresence;
    QPixmap m_fire;
    QColor m_fireColor;
    QSizeF m_fireSize;
};

/// One row of the compose launcher: an accent symbol tile, a title over a subtitle, hover glass.
class LauncherOptionRow final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal entrance READ entrance WRITE setEntrance)

public:
    LauncherOptionRow(const QString& symbol, const QString& title, const QString& subtitle, QWidget* parent = nullptr);
    QString title() const { return m_title; }
    /// 0 (faded out, 14 pixels to the right) to 1 (in place).
    qreal entrance() const { return m_entrance; }
    void setEntrance(qreal value);

Q_SIGNALS:
    void clicked();
    void entranceChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_symbol;
    QString m_title;
    QString m_subtitle;
    qreal m_entrance = 1;
    vsp::SpringValue* m_hover;
};

/// The floating panel under the plus button: "New Entry" always, "Continue Draft" while the New Entry
/// window has a stored draft. A row sets whether the window restores that draft, asks for the panel to
/// close and opens the window. The rows slide in 0.05 s and 0.12 s after the panel appears.
class ComposeLauncherPanel final : public QWidget {
    Q_OBJECT

public:
    ComposeLauncherPanel(JournalStore& store, vsp::OpenWindowAction openWindow, QWidget* parent = nullptr);

    static constexpr int kWidth = 230;
    /// Room around the glass for its shadow (black at 0.35, 22 pixels of blur, 10 down): the widget is
    /// this much larger than the panel it draws.
    static constexpr QMargins kShadowMargins{22, 12, 22, 32};
    /// Where the glass lies in the widget.
    QRect panelRect() const { return rect().marginsRemoved(kShadowMargins); }

    /// Rebuilds the rows for the draft stored now and replays the entrance.
    void present();
    LauncherOptionRow* newEntryRow() const { return m_newEntry; }
    /// Null while no draft is stored.
    LauncherOptionRow* continueDraftRow() const { return m_hasDraft ? m_continueDraft : nullptr; }

Q_SIGNALS:
    void closeRequested();
    /// A press landed on the shadow, outside the glass: it counts as a press beside the panel.
    void pressedOutside();
    /// A row moved on its way in; a picture of the panel taken before is out of date.
    void entranceMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void launch(bool restoreDraft);

    JournalStore& m_store;
    vsp::OpenWindowAction m_openWindow;
    LauncherOptionRow* m_newEntry;
    LauncherOptionRow* m_continueDraft;
    bool m_hasDraft = false;
    /// The blurred shadow for the widget's current size, drawn beneath the glass.
    QPixmap m_shadow;
};
