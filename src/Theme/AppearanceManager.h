#pragma once

#include "Theme/Palette.h"

#include <QObject>
#include <QString>

#include <optional>

/// The application's light or dark appearance, derived from the setting "appearanceMode" ("dark" by
/// default; "light"; anything else follows the desktop). The desktop's colour scheme is handed in by
/// whoever reads it (the desktop portal); without one, the platform palette's lightness decides.
///
/// `apply()` installs a Qt palette built from the theme colours on the whole application, so standard
/// widgets, menus and dialogs follow the appearance too. Main thread only.
class AppearanceManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppearanceManager)
    Q_PROPERTY(bool isDark READ isDark NOTIFY appearanceChanged)

public:
    /// The desktop's colour-scheme preference, as the desktop portal reports it.
    enum class DesktopScheme { NoPreference = 0, Dark = 1, Light = 2 };

    static AppearanceManager& instance();

    /// The settings key and its default.
    static QString modeKey() { return QStringLiteral("appearanceMode"); }
    static QString defaultMode() { return QStringLiteral("dark"); }

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

private:
    AppearanceManager();
    void recompute();
    void onSettingChanged(const QString& key);

    vsp::Appearance m_current = vsp::Appearance::Dark;
    DesktopScheme m_desktop = DesktopScheme::NoPreference;
    /// Whether the platform's own palette (before ours was installed) was dark.
    bool m_platformPaletteDark = false;
    bool m_platformPaletteKnown = false;
    bool m_applied = false;
};
