#include "Theme/AppearanceManager.h"

#include "Model/UserDefaults.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

using vsp::Appearance;
using vsp::Color;

AppearanceManager& AppearanceManager::instance()
{
    static AppearanceManager* manager = new AppearanceManager;
    return *manager;
}

AppearanceManager::AppearanceManager()
{
    connect(&UserDefaults::instance(), &UserDefaults::valueChanged, this, &AppearanceManager::onSettingChanged);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QColor window = QGuiApplication::palette().color(QPalette::Window);
        m_platformPaletteDark = window.lightnessF() < 0.5;
        m_platformPaletteKnown = true;
    }
    recompute();
}

QString AppearanceManager::mode() const
{
    return UserDefaults::instance().string(modeKey(), defaultMode());
}

std::optional<Appearance> AppearanceManager::preferredScheme(const QString& mode)
{
    if (mode == QLatin1String("light")) {
        return Appearance::Light;
    }
    if (mode == QLatin1String("dark")) {
        return Appearance::Dark;
    }
    return std::nullopt;
}

void AppearanceManager::setDesktopScheme(DesktopScheme scheme)
{
    if (m_desktop == scheme) {
        return;
    }
    m_desktop = scheme;
    recompute();
}

void AppearanceManager::onSettingChanged(const QString& key)
{
    if (key == modeKey()) {
        recompute();
    } else if (key == vsp::kAccentPresetKey) {
        if (m_applied) {
            apply();
        }
        Q_EMIT accentChanged();
    }
}

void AppearanceManager::recompute()
{
    Appearance next = Appearance::Light;
    if (const auto preferred = preferredScheme(mode())) {
        next = *preferred;
    } else if (m_desktop == DesktopScheme::Dark) {
        next = Appearance::Dark;
    } else if (m_desktop == DesktopScheme::Light) {
        next = Appearance::Light;
    } else {
        next = m_platformPaletteDark ? Appearance::Dark : Appearance::Light;
    }
    if (next == m_current && m_applied) {
        return;
    }
    const bool changed = next != m_current;
    m_current = next;
    if (m_applied) {
        apply();
    }
    if (changed) {
        Q_EMIT appearanceChanged();
    }
}

QPalette AppearanceManager::paletteFor(Appearance appearance, const QColor& accent)
{
    const auto c = [appearance](const Color& color) { return color.resolve(appearance); };
    const bool dark = appearance == Appearance::Dark;
    QPalette p;
    p.setColor(QPalette::Window, c(Color::vspBackground()));
    p.setColor(QPalette::WindowText, c(Color::vspForeground()));
    p.setColor(QPalette::Base, c(Color::vspSurface()));
    p.setColor(QPalette::AlternateBase, c(Color::vspSurfaceAlt()));
    p.setColor(QPalette::ToolTipBase, c(Color::vspSurfaceAlt()));
    p.setColor(QPalette::ToolTipText, c(Color::vspForeground()));
    p.setColor(QPalette::PlaceholderText, c(Color::vspFgDim()));
    p.setColor(QPalette::Text, c(Color::vspForeground()));
    p.setColor(QPalette::Button, c(Color::vspSurfaceAlt()));
    p.setColor(QPalette::ButtonText, c(Color::vspForeground()));
    p.setColor(QPalette::BrightText, dark ? QColor(255, 255, 255) : QColor(0, 0, 0));
    p.setColor(QPalette::Light, c(Color::vspMuted()).lighter(120));
    p.setColor(QPalette::Midlight, c(Color::vspMuted()));
    p.setColor(QPalette::Mid, c(Color::vspSurfaceAlt()));
    p.setColor(QPalette::Dark, c(Color::vspSurface()).darker(130));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0, dark ? 160 : 60));
    QColor highlight = accent;
    highlight.setAlphaF(1.0f);
    p.setColor(QPalette::Highlight, highlight);
    // The accent presets are bright in the dark appearance: dark text reads best on them there.
    p.setColor(QPalette::HighlightedText, highlight.lightnessF() > 0.6f ? QColor(0x1E, 0x1C, 0x19) : QColor(255, 255, 255));
    p.setColor(QPalette::Link, highlight);
    p.setColor(QPalette::LinkVisited, highlight.darker(120));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, c(Color::vspFgDim()));
    }
    return p;
}

void AppearanceManager::apply()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) {
        return;
    }
    if (!m_platformPaletteKnown) {
        m_platformPaletteDark = QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
        m_platformPaletteKnown = true;
        recompute();
    }
    if (!m_applied) {
        // Fusion draws every standard control from the palette alone, so both appearances look alike
        // on every desktop.
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
            QApplication::setStyle(fusion);
        }
        m_applied = true;
    }
    QApplication::setPalette(paletteFor(m_current, Color::resolvedAccent(1.0).resolve(m_current)));
    // Views that paint with the theme colours read them on every paint; make sure every window repaints.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->update();
    }
}
