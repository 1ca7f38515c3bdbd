#include "Theme/AppearanceManager.h"

#include "Model/AppSettings.h"
#include "Theme/SymbolIcons.h"

#include <QApplication>
#include <QPalette>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>
#include <QWidget>

#include <algorithm>
#include <vector>

using vsp::Appearance;
using vsp::Color;

namespace {

/// Fusion, with the menu bar's overflow arrows drawn as symbols. Qt's own are image files, and reading
/// the first image file makes Qt load every image-format plugin with its libraries (over a megabyte),
/// which the main window would otherwise do at start for a button that is rarely shown.
class AppStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (icon) {
        case SP_ToolBarHorizontalExtensionButton: return vsp::symbols::icon(u"chevron.right", QColor());
        case SP_ToolBarVerticalExtensionButton: return vsp::symbols::icon(u"chevron.down", QColor());
        default: return QProxyStyle::standardIcon(icon, option, widget);
        }
    }
};

} // namespace

AppearanceManager& AppearanceManager::instance()
{
    static AppearanceManager* manager = new AppearanceManager;
    return *manager;
}

AppearanceManager::AppearanceManager()
{
    connect(&AppSettings::instance(), &AppSettings::appearanceModeChanged, this, &AppearanceManager::recompute);
    connect(&AppSettings::instance(), &AppSettings::accentColorPresetChanged, this,
            &AppearanceManager::onAccentChanged);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QColor window = QGuiApplication::palette().color(QPalette::Window);
        m_platformPaletteDark = window.lightnessF() < 0.5;
        m_platformPaletteKnown = true;
    }
    recompute();
}

QString AppearanceManager::mode() const
{
    return AppSettings::instance().appearanceMode();
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
    Q_EMIT desktopSchemeChanged();
}

void AppearanceManager::onAccentChanged()
{
    if (m_applied) {
        apply();
    }
    Q_EMIT accentChanged();
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
    // Menus, combo lists, file dialogs and selected text all write on the highlight: dark text on the
    // bright presets, white on the deep ones.
    p.setColor(QPalette::HighlightedText, vsp::textColorOn(highlight));
    // Links are accent text on the window and on fields.
    const QColor link = vsp::withContrast(highlight, {p.color(QPalette::Window), p.color(QPalette::Base)});
    p.setColor(QPalette::Link, link);
    p.setColor(QPalette::LinkVisited, link);
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
            QApplication::setStyle(new AppStyle(fusion));
        }
        m_applied = true;
    }
    const QPalette palette = paletteFor(m_current, Color::resolvedAccent(1.0).resolve(m_current));
    QApplication::setPalette(palette);
    // Tooltips keep a palette of their own, copied from the application's at their first use.
    QToolTip::setPalette(palette);
    // Polishing a widget that has a style sheet makes every role of its palette its own, so it would
    // keep the colours of the appearance it was polished in: polish those again. Roles set on them
    // through setThemeColor come back with the change signals that follow.
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets) {
        if (widget->testAttribute(Qt::WA_StyleSheet)) {
            QStyle* style = widget->style();
            style->unpolish(widget);
            style->polish(widget);
        }
    }
    // Views that paint with the theme colours read them on every paint; make sure every window repaints.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->update();
    }
}

namespace vsp {

namespace {

/// The theme colours bound to one widget's palette; a child of the widget, so it goes with it.
class ThemeColors final : public QObject {
public:
    explicit ThemeColors(QWidget* widget) : QObject(widget), m_widget(widget)
    {
        setObjectName(QStringLiteral("vsp-theme-colors"));
        const auto reapply = [this] { apply(); };
        connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, reapply);
        connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, reapply);
    }

    static ThemeColors& of(QWidget* widget)
    {
        for (QObject* child : widget->children()) {
            if (auto* colors = dynamic_cast<ThemeColors*>(child)) {
                return *colors;
            }
        }
        return *new ThemeColors(widget);
    }

    void bind(QPalette::ColorRole role, std::function<Color()> color)
    {
        const auto same =
            std::find_if(m_roles.begin(), m_roles.end(), [role](const auto& r) { return r.first == role; });
        if (same != m_roles.end()) {
            same->second = std::move(color);
        } else {
            m_roles.emplace_back(role, std::move(color));
        }
        apply();
    }

private:
    void apply()
    {
        // The widget's palette holds only its own roles (Qt resolves the rest from the parent), so
        // changing it here freezes nothing else.
        QPalette palette = m_widget->palette();
        for (const auto& [role, color] : m_roles) {
            palette.setColor(role, color().resolve());
        }
        m_widget->setPalette(palette);
    }

    QWidget* m_widget;
    std::vector<std::pair<QPalette::ColorRole, std::function<Color()>>> m_roles;
};

} // namespace

void setThemeColor(QWidget* widget, QPalette::ColorRole role, const Color& color)
{
    setThemeColor(widget, role, [color] { return color; });
}

void setThemeColor(QWidget* widget, QPalette::ColorRole role, std::function<Color()> color)
{
    ThemeColors::of(widget).bind(role, std::move(color));
}

void onThemeChange(QObject* context, std::function<void()> apply)
{
    apply();
    QObject::connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, context, apply);
    QObject::connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, context, apply);
}

} // namespace vsp
