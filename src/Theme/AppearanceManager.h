#pragma once

#include "Theme/Palette.h"

#include <QObject>
#include <QPalette>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

/// The application's light or dark appearance, derived from the appearance mode setting ("dark" by
/// default; "light"; anything else follows the desktop). The desktop's colour scheme is handed in by
/// whoever reads it (the desktop portal); without one, the platform palette's lightness decides.
///
/// `apply()` installs a Qt palette built from the theme colours on the whole application, so standard
/// widgets, menus and dialogs follow the appearance too. Main thread only.
///
/// How a widget follows a change of appearance or accent at once (every widget, also new ones):
/// - paint with theme colours resolved while painting (`Color::resolve()` in paintEvent or a
///   delegate's paint): after a change every window of the application is repainted;
/// - leave palette roles that the application palette already has right alone: they follow it;
/// - a role that must differ goes through `vsp::setThemeColor`, which keeps the adaptive colour and
///   resolves it again on every change. Never hand `setPalette` or a style sheet a colour resolved
///   once: Qt keeps it through every later change of the application palette;
/// - whatever else is made from colours (icons, pixmaps, cached pictures) is made again in a
///   `vsp::onThemeChange` handler, or keyed by the appearance and accent.
class AppearanceManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppearanceManager)
    Q_PROPERTY(bool isDark READ isDark NOTIFY appearanceChanged)

public:
    /// The desktop's colour-scheme preference, as the desktop portal reports it.
    enum class DesktopScheme { NoPreference = 0, Dark = 1, Light = 2 };

    static AppearanceManager& instance();

    /// The stored mode, read now.
    QString mode() const;
    /// Light for exactly "light", dark for exactly "dark", nothing (follow the desktop) otherwise.
    static std::optional<vsp::Appearance> preferredScheme(const QString& mode);
    /// The appearance in effect now.
    vsp::Appearance current() const { return m_current; }
    bool isDark() const { return m_current == vsp::Appearance::Dark; }

    /// Records the desktop's preference; takes effect at once when the mode follows the desktop.
    void setDesktopScheme(DesktopScheme scheme);
    DesktopScheme desktopScheme() const { return m_desktop; }

    /// Reads the mode again (after the settings were replaced without change notices, as tests do).
    void refresh() { recompute(); }

    /// Installs the palette of the current appearance and accent on the application (widgets only;
    /// does nothing without a QApplication). Called once at start-up; later changes re-apply it.
    void apply();

    /// The Qt palette of an appearance with the given accent (highlight) colour.
    static QPalette paletteFor(vsp::Appearance appearance, const QColor& accent);

Q_SIGNALS:
    /// The appearance changed (mode, desktop scheme or platform palette).
    void appearanceChanged();
    /// The accent preset changed; colours made earlier by Color::resolvedAccent keep the old preset.
    void accentChanged();
    /// The desktop's colour scheme changed, whether or not the appearance follows it (the desktop's
    /// own panels do).
    void desktopSchemeChanged();

private:
    AppearanceManager();
    void recompute();
    void onAccentChanged();

    vsp::Appearance m_current = vsp::Appearance::Dark;
    DesktopScheme m_desktop = DesktopScheme::NoPreference;
    /// Whether the platform's own palette (before ours was installed) was dark.
    bool m_platformPaletteDark = false;
    bool m_platformPaletteKnown = false;
    bool m_applied = false;
};

namespace vsp {

/// Sets `role` of `widget`'s palette, in every colour group, to `color` resolved for the appearance in
/// effect, now and after every later change of appearance or accent, for as long as the widget lives.
/// Only the roles set so are the widget's own; all others keep following its parent and the
/// application palette. A later call for the same role of the same widget replaces the earlier one.
void setThemeColor(QWidget* widget, QPalette::ColorRole role, const Color& color);
/// The same with a colour made when it is applied, e.g. `[] { return Color::resolvedAccentText(); }`
/// so that a new accent preset shows too.
void setThemeColor(QWidget* widget, QPalette::ColorRole role, std::function<Color()> color);
/// Runs `apply` now and after every change of appearance or accent, until `context` is destroyed.
void onThemeChange(QObject* context, std::function<void()> apply);

} // namespace vsp
