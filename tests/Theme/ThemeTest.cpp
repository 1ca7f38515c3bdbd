#include "ThemeTest.h"

#include "common/TestSupport.h"
#include "common/ViewFixtures.h"

#include "Model/AppSettings.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"
#include "Theme/TransitionOverlay.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QPointer>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWidget>

#include <memory>

using vsp::Appearance;
using vsp::Color;

Q_DECLARE_METATYPE(Appearance)
Q_DECLARE_METATYPE(AppearanceManager::DesktopScheme)

void ThemeTest::init()
{
    vsp::test::resetUserFolders();
    AppearanceManager::instance().setDesktopScheme(AppearanceManager::DesktopScheme::NoPreference);
    AppearanceManager::instance().refresh();
}

void ThemeTest::cleanupTestCase()
{
    vsp::test::resetUserFolders();
    AppearanceManager::instance().setDesktopScheme(AppearanceManager::DesktopScheme::NoPreference);
}

void ThemeTest::hexText_givesColour_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("with #") << "#F87171"
                            << "#f87171";
    QTest::newRow("without #") << "F87171"
                               << "#f87171";
    QTest::newRow("several # at both ends") << "##F87171##"
                                            << "#f87171";
    QTest::newRow("lower case") << "#f87171"
                                << "#f87171";
    QTest::newRow("plus sign") << "+F87171"
                               << "#f87171";
    QTest::newRow("eight digits ignore the first two") << "80F87171"
                                                       << "#f87171";
    QTest::newRow("leading zeros") << "0000000000F87171"
                                   << "#f87171";
    QTest::newRow("short value") << "FF"
                                 << "#0000ff";
    QTest::newRow("leading space is black") << " F87171"
                                            << "#000000";
    QTest::newRow("inner # is black") << "F8#7171"
                                      << "#000000";
    QTest::newRow("empty is black") << ""
                                    << "#000000";
    QTest::newRow("colour name is black") << "red"
                                          << "#000000";
    QTest::newRow("above 32 bits is black") << "1FFFFFFFF"
                                            << "#000000";
    QTest::newRow("only a sign is black") << "+"
                                          << "#000000";
}

void ThemeTest::hexText_givesColour()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const Color c = Color::hex(text);
    QCOMPARE(c.resolve(Appearance::Dark).name(), expected);
    QCOMPARE(c.resolve(Appearance::Light).name(), expected);
    QCOMPARE(c.resolve(Appearance::Light).alpha(), 255);
}

void ThemeTest::interfaceColours_resolvePerAppearance_data()
{
    QTest::addColumn<QColor>("dark");
    QTest::addColumn<QColor>("light");
    QTest::addColumn<QColor>("expectedDark");
    QTest::addColumn<QColor>("expectedLight");
    auto row = [](const char* name, const Color& c, QColor dark, QColor light) {
        QTest::newRow(name) << c.resolve(Appearance::Dark) << c.resolve(Appearance::Light) << dark << light;
    };
    row("vspBackground", Color::vspBackground(), QColor(0x1E1E1E), QColor(0xF5F4F1));
    row("vspSurface", Color::vspSurface(), QColor(0x262626), QColor(0xECEAE4));
    row("vspSurfaceAlt", Color::vspSurfaceAlt(), QColor(0x2E2E2E), QColor(0xE4E1D8));
    row("vspMuted", Color::vspMuted(), QColor(0x363636), QColor(0xDAD7CE));
    row("vspForeground", Color::vspForeground(), QColor(0xF0EFE8), QColor(0x1E1C19));
    row("vspFgMuted", Color::vspFgMuted(), QColor(0xA8A8A8), QColor(0x5C5A56));
    row("vspFgDim", Color::vspFgDim(), QColor(0x959595), QColor(0x65635F));
    row("vspFgSubtle", Color::vspFgSubtle(), QColor(0x9C9C9C), QColor(0x61605C));
    row("vspEditorBody", Color::vspEditorBody(), QColor(200, 200, 200), QColor(50, 48, 45));
    row("vspEditorTitle", Color::vspEditorTitle(), QColor(240, 239, 232), QColor(30, 28, 25));
    QColor white(255, 255, 255);
    QColor black(0, 0, 0);
    white.setAlphaF(0.08f);
    black.setAlphaF(0.10f);
    row("vspBorder", Color::vspBorder(), white, black);
    white.setAlphaF(0.15f);
    black.setAlphaF(0.18f);
    row("vspBorderEmphasis", Color::vspBorderEmphasis(), white, black);
}

void ThemeTest::interfaceColours_resolvePerAppearance()
{
    QFETCH(QColor, dark);
    QFETCH(QColor, light);
    QFETCH(QColor, expectedDark);
    QFETCH(QColor, expectedLight);
    QCOMPARE(dark.rgba(), expectedDark.rgba());
    QCOMPARE(light.rgba(), expectedLight.rgba());
}

void ThemeTest::accent_followsStoredPreset_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QColor>("light");
    QTest::addColumn<QColor>("dark");
    QTest::newRow("teal") << QVariant(QStringLiteral("teal")) << QColor(0x0D9488) << QColor(0x2DD4BF);
    QTest::newRow("cream") << QVariant(QStringLiteral("cream")) << QColor(0xCA8A04) << QColor(0xFDE68A);
    QTest::newRow("absent is yellow") << QVariant() << QColor(0xCCAB00) << QColor(0xFFDB00);
    QTest::newRow("capitalised is yellow") << QVariant(QStringLiteral("Teal")) << QColor(0xCCAB00) << QColor(0xFFDB00);
    QTest::newRow("empty is yellow") << QVariant(QString()) << QColor(0xCCAB00) << QColor(0xFFDB00);
    QTest::newRow("unknown is yellow") << QVariant(QStringLiteral("mauve")) << QColor(0xCCAB00) << QColor(0xFFDB00);
}

void ThemeTest::accent_followsStoredPreset()
{
    QFETCH(QVariant, stored);
    QFETCH(QColor, light);
    QFETCH(QColor, dark);
    if (stored.isValid()) {
        AppSettings::instance().setAccentColorPreset(stored.toString());
    }
    const Color accent = Color::resolvedAccent(0.5);
    QCOMPARE(accent.resolve(Appearance::Light).rgb(), light.rgb());
    QCOMPARE(accent.resolve(Appearance::Dark).rgb(), dark.rgb());
    QCOMPARE(qRound(accent.resolve(Appearance::Light).alphaF() * 100), 50);
    QCOMPARE(qRound(accent.resolve(Appearance::Dark).alphaF() * 100), 50);
}

void ThemeTest::accent_keepsPresetOfItsMoment()
{
    AppSettings::instance().setAccentColorPreset(QStringLiteral("red"));
    const Color before = Color::resolvedAccent(1.0);
    QSignalSpy changed(&AppearanceManager::instance(), &AppearanceManager::accentChanged);
    AppSettings::instance().setAccentColorPreset(QStringLiteral("blue"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(before.resolve(Appearance::Dark).rgb(), QColor(0xF87171).rgb());
    QCOMPARE(Color::resolvedAccent(1.0).resolve(Appearance::Dark).rgb(), QColor(0x4DA6FF).rgb());
}

void ThemeTest::accentPresets_tableIsComplete()
{
    const auto& presets = vsp::accentPresets();
    QSet<QString> names;
    for (const vsp::AccentPreset& p : presets) {
        names.insert(p.name.toString());
        QCOMPARE(vsp::accentPreset(p.name).light, p.light);
    }
    QCOMPARE(names.size(), 21);
    QCOMPARE(presets.back().name, QStringView(u"yellow"));
}

void ThemeTest::contrastRatio_matchesWcag_data()
{
    QTest::addColumn<QColor>("a");
    QTest::addColumn<QColor>("b");
    QTest::addColumn<double>("ratio");
    QTest::newRow("black on white") << QColor(0, 0, 0) << QColor(255, 255, 255) << 21.0;
    QTest::newRow("same colour") << QColor(0x2563EB) << QColor(0x2563EB) << 1.0;
    // The lightest grey that passes AA on white, and the one just above it that fails.
    QTest::newRow("#767676 on white") << QColor(0x767676) << QColor(255, 255, 255) << 4.54;
    QTest::newRow("white on #777777") << QColor(255, 255, 255) << QColor(0x777777) << 4.48;
}

void ThemeTest::contrastRatio_matchesWcag()
{
    QFETCH(QColor, a);
    QFETCH(QColor, b);
    QFETCH(double, ratio);
    QVERIFY2(std::abs(vsp::contrastRatio(a, b) - ratio) < 0.01, qPrintable(QString::number(vsp::contrastRatio(a, b))));
}

void ThemeTest::textColours_readOnTheirBackgrounds_data()
{
    QTest::addColumn<Color>("text");
    QTest::addColumn<Color>("background");
    QTest::addColumn<double>("least");
    // Text read for its content keeps AA on every surface it is drawn on; the tertiary grey also serves
    // for section captions, which keep 3:1 on the muted fills of chips and placeholders.
    const std::pair<const char*, Color> texts[] = {
        {"primary", Color::primaryStyle()},      {"secondary", Color::secondaryStyle()},
        {"tertiary", Color::tertiaryStyle()},    {"subtle", Color::vspFgSubtle()},
        {"editor body", Color::vspEditorBody()}, {"editor title", Color::vspEditorTitle()},
    };
    const std::pair<const char*, Color> grounds[] = {
        {"background", Color::vspBackground()},
        {"surface", Color::vspSurface()},
        {"surfaceAlt", Color::vspSurfaceAlt()},
    };
    for (const auto& [textName, text] : texts) {
        for (const auto& [groundName, ground] : grounds) {
            QTest::addRow("%s on %s", textName, groundName) << text << ground << vsp::kTextContrast;
        }
    }
    QTest::newRow("tertiary caption on muted") << Color::tertiaryStyle() << Color::vspMuted() << 3.0;
    QTest::newRow("subtle caption on muted") << Color::vspFgSubtle() << Color::vspMuted() << 3.0;
}

void ThemeTest::textColours_readOnTheirBackgrounds()
{
    QFETCH(Color, text);
    QFETCH(Color, background);
    QFETCH(double, least);
    for (const Appearance appearance : {Appearance::Dark, Appearance::Light}) {
        const QColor ground = background.resolve(appearance);
        const double ratio = vsp::contrastRatio(vsp::composite(text.resolve(appearance), ground), ground);
        QVERIFY2(ratio >= least, qPrintable(QStringLiteral("%1 in the %2 appearance")
                                                .arg(ratio, 0, 'f', 2)
                                                .arg(appearance == Appearance::Dark ? u"dark" : u"light")));
    }
}

void ThemeTest::accentPresets_readableInBothAppearances_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<Appearance>("appearance");
    for (const vsp::AccentPreset& p : vsp::accentPresets()) {
        for (const Appearance appearance : {Appearance::Light, Appearance::Dark}) {
            const QString name = p.name.toString();
            QTest::addRow("%s %s", qPrintable(name), appearance == Appearance::Dark ? "dark" : "light")
                << name << appearance;
        }
    }
}

void ThemeTest::accentPresets_readableInBothAppearances()
{
    QFETCH(QString, preset);
    QFETCH(Appearance, appearance);
    AppSettings::instance().setAccentColorPreset(preset);
    const QColor accent = Color::accent(preset).resolve(appearance);
    const QPalette palette = AppearanceManager::paletteFor(appearance, accent);

    // Highlighted items (menus, combo lists, selected text) write on the accent itself.
    QCOMPARE(palette.color(QPalette::Highlight).rgb(), accent.rgb());
    const double onHighlight =
        vsp::contrastRatio(palette.color(QPalette::HighlightedText), palette.color(QPalette::Highlight));
    QVERIFY2(onHighlight >= vsp::kTextContrast, qPrintable(QString::number(onHighlight)));

    // Accent text and links keep 4.5:1 on the window and on the surfaces, in the same hue.
    const QColor text = Color::resolvedAccentText(0.85).resolve(appearance);
    QCOMPARE(qRound(text.alphaF() * 100), 85);
    for (const Color* background : {&Color::vspBackground(), &Color::vspSurface()}) {
        const QColor ground = background->resolve(appearance);
        const double ratio = vsp::contrastRatio(vsp::composite(text, ground), ground);
        QVERIFY2(ratio >= vsp::kTextContrast, qPrintable(QString::number(ratio)));
        QVERIFY(vsp::contrastRatio(palette.color(QPalette::Link), background->resolve(appearance))
                >= vsp::kTextContrast);
    }
    if (accent.hslSaturationF() > 0.1f) {
        QVERIFY(std::abs(text.hslHueF() - accent.hslHueF()) < 0.02f);
    }
    // A preset that reads already is left as the table has it.
    const QColor opaque = Color::resolvedAccentText(1.0).resolve(appearance);
    if (vsp::contrastRatio(accent, Color::vspSurface().resolve(appearance)) >= vsp::kTextContrast
        && vsp::contrastRatio(accent, Color::vspBackground().resolve(appearance)) >= vsp::kTextContrast) {
        QCOMPARE(opaque.rgb(), accent.rgb());
    }
}

void ThemeTest::appearanceMode_choosesAppearance_data()
{
    QTest::addColumn<QVariant>("mode");
    QTest::addColumn<AppearanceManager::DesktopScheme>("desktop");
    QTest::addColumn<Appearance>("expected");
    using D = AppearanceManager::DesktopScheme;
    QTest::newRow("default is dark") << QVariant() << D::Light << Appearance::Dark;
    QTest::newRow("light") << QVariant(QStringLiteral("light")) << D::Dark << Appearance::Light;
    QTest::newRow("dark") << QVariant(QStringLiteral("dark")) << D::Light << Appearance::Dark;
    QTest::newRow("system follows dark desktop") << QVariant(QStringLiteral("system")) << D::Dark << Appearance::Dark;
    QTest::newRow("system follows light desktop")
        << QVariant(QStringLiteral("system")) << D::Light << Appearance::Light;
    QTest::newRow("other case follows desktop") << QVariant(QStringLiteral("Dark")) << D::Light << Appearance::Light;
    QTest::newRow("empty follows desktop") << QVariant(QString()) << D::Dark << Appearance::Dark;
}

void ThemeTest::appearanceMode_choosesAppearance()
{
    QFETCH(QVariant, mode);
    QFETCH(AppearanceManager::DesktopScheme, desktop);
    QFETCH(Appearance, expected);
    AppearanceManager& manager = AppearanceManager::instance();
    if (mode.isValid()) {
        AppSettings::instance().setAppearanceMode(mode.toString());
    }
    manager.setDesktopScheme(desktop);
    QCOMPARE(manager.current(), expected);
    QCOMPARE(AppearanceManager::preferredScheme(manager.mode()).has_value(),
             manager.mode() == QLatin1String("light") || manager.mode() == QLatin1String("dark"));
    // Declaring and reading the mode writes nothing.
    QCOMPARE(QSettings(AppSettings::fileName(), QSettings::IniFormat).allKeys().isEmpty(), !mode.isValid());
}

void ThemeTest::appearanceChange_repaintsApplicationPalette()
{
    AppearanceManager& manager = AppearanceManager::instance();
    manager.apply();
    QSignalSpy changed(&manager, &AppearanceManager::appearanceChanged);
    AppSettings::instance().setAppearanceMode(QStringLiteral("light"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(QApplication::palette().color(QPalette::Window).rgb(), QColor(0xF5F4F1).rgb());
    QCOMPARE(Color::vspBackground().resolve().rgb(), QColor(0xF5F4F1).rgb());
    AppSettings::instance().setAppearanceMode(QStringLiteral("dark"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(QApplication::palette().color(QPalette::Window).rgb(), QColor(0x1E1E1E).rgb());
    // Tooltips too, though Qt gives them a copy of the palette of their first use.
    QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase).rgb(), QColor(0x2E2E2E).rgb());
    AppSettings::instance().setAppearanceMode(QStringLiteral("light"));
    QCOMPARE(QToolTip::palette().color(QPalette::ToolTipText).rgb(), QColor(0x1E1C19).rgb());
}

void ThemeTest::themeColor_followsEveryChange_andLeavesOtherRolesInherited()
{
    AppearanceManager::instance().apply();
    QWidget parent;
    QPalette own = parent.palette();
    own.setColor(QPalette::Window, QColor(0x123456));
    parent.setPalette(own);
    auto* label = new QWidget(&parent);
    auto* field = new QWidget(&parent);
    // A style sheet makes Qt freeze a widget's whole palette when it polishes it.
    field->setStyleSheet(QStringLiteral("background: transparent;"));
    parent.show();
    vsp::setThemeColor(label, QPalette::WindowText, Color::vspFgDim());
    vsp::setThemeColor(label, QPalette::Link, [] { return Color::resolvedAccentText(); });

    AppSettings::instance().setAppearanceMode(QStringLiteral("light"));
    QCOMPARE(label->palette().color(QPalette::WindowText).rgb(), QColor(0x65635F).rgb());
    QCOMPARE(field->palette().color(QPalette::Text).rgb(), Color::vspForeground().light().rgb());
    AppSettings::instance().setAppearanceMode(QStringLiteral("dark"));
    QCOMPARE(label->palette().color(QPalette::WindowText).rgb(), QColor(0x959595).rgb());
    QCOMPARE(field->palette().color(QPalette::Text).rgb(), Color::vspForeground().dark().rgb());
    // A colour made when applied follows the accent too.
    AppSettings::instance().setAccentColorPreset(QStringLiteral("teal"));
    QCOMPARE(label->palette().color(QPalette::Link).rgb(), QColor(0x2DD4BF).rgb());
    // Roles not bound still come from the parent, through every change.
    QCOMPARE(label->palette().color(QPalette::Window).rgb(), QColor(0x123456).rgb());
    own.setColor(QPalette::Window, QColor(0x654321));
    parent.setPalette(own);
    QCOMPARE(label->palette().color(QPalette::Window).rgb(), QColor(0x654321).rgb());
    // Binding a role again replaces the first binding.
    vsp::setThemeColor(label, QPalette::WindowText, Color::vspForeground());
    AppSettings::instance().setAppearanceMode(QStringLiteral("light"));
    QCOMPARE(label->palette().color(QPalette::WindowText).rgb(), QColor(0x1E1C19).rgb());
}

void ThemeTest::spring_settlesWithoutOvershoot()
{
    const vsp::Spring spring{0.3, 1.0};
    // 99.5 % of the way after about 1.18 responses.
    QVERIFY(std::abs(spring.durationMs() - 355) <= 5);
    const QEasingCurve curve = spring.easing();
    QCOMPARE(curve.valueForProgress(0.0), 0.0);
    QVERIFY(std::abs(curve.valueForProgress(1.0) - 1.0) < 1e-9);
    qreal previous = 0;
    for (int i = 1; i <= 100; ++i) {
        const qreal v = curve.valueForProgress(i / 100.0);
        QVERIFY2(v >= previous - 1e-12 && v <= 1.0 + 1e-9, "a critically damped spring never overshoots");
        previous = v;
    }
    // Springs start fast: past half way at a quarter of the time.
    QVERIFY(curve.valueForProgress(0.25) > 0.5);
    const vsp::Spring slower{0.6, 1.0};
    QVERIFY(slower.durationMs() > spring.durationMs());
    // Where it stands at a moment of its motion: the curve over its duration, then at rest.
    QCOMPARE(spring.progressAt(0), 0.0);
    QCOMPARE(spring.progressAt(spring.durationMs() / 4.0), curve.valueForProgress(0.25));
    QCOMPARE(spring.progressAt(spring.durationMs() + 100), 1.0);
    QVERIFY(slower.progressAt(100) < spring.progressAt(100));
}

void ThemeTest::springValue_withoutAnimations_jumps_data()
{
    QTest::addColumn<bool>("switchedOff");
    QTest::addColumn<bool>("motionReduced");
    QTest::newRow("switched off") << true << false;
    QTest::newRow("desktop reduces motion") << false << true;
}

void ThemeTest::springValue_withoutAnimations_jumps()
{
    QFETCH(bool, switchedOff);
    QFETCH(bool, motionReduced);
    vsp::setAnimationsEnabled(!switchedOff);
    vsp::setMotionReduced(motionReduced);
    vsp::SpringValue value(0.0, vsp::Spring{0.3, 1.0});
    QSignalSpy moved(&value, &vsp::SpringValue::valueChanged);
    value.animateTo(1.0);
    QCOMPARE(value.value(), 1.0);
    QCOMPARE(moved.count(), 1);
    QObject target;
    target.setProperty("level", 0.0);
    QCOMPARE(vsp::animateProperty(&target, "level", 1.0, vsp::Spring{0.3, 1.0}), nullptr);
    QCOMPARE(target.property("level").toDouble(), 1.0);
    vsp::setAnimationsEnabled(true);
    vsp::setMotionReduced(false);
    value.animateTo(0.0);
    QVERIFY(value.isMoving());
    QTRY_COMPARE_WITH_TIMEOUT(value.value(), 0.0, 2000);
    QVERIFY(moved.count() > 2);
}

namespace {

QPixmap filled(const QSize& size, const QColor& color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

/// A widget that counts its paints.
class PaintCounter final : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

/// A cross-fade: the old look, then the new one on top at the progress's opacity.
void crossFade(QPainter& p, qreal t, const QPixmap& oldLook, const QPixmap& newLook)
{
    p.drawPixmap(0, 0, oldLook);
    p.setOpacity(t);
    p.drawPixmap(0, 0, newLook);
}

} // namespace

void ThemeTest::transitionOverlay_showsOldLook_thenPaintsProgressToNewLook()
{
    vsp::setAnimationsEnabled(true);
    QWidget host;
    host.resize(120, 80);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    int snapshots = 0;
    QPointer<vsp::TransitionOverlay> overlay =
        new vsp::TransitionOverlay(&host, filled(host.size(), Qt::red), vsp::Spring{0.3, 1.0}, crossFade);
    QSignalSpy finished(overlay.data(), &vsp::TransitionOverlay::finished);
    QCOMPARE(overlay->geometry(), host.rect());
    QVERIFY(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));
    overlay->start([&] {
        ++snapshots;
        return filled(host.size(), Qt::blue);
    });
    // Until the new look is taken, the old one shows.
    QVERIFY(!overlay->isMoving());
    QCOMPARE(overlay->grab().toImage().pixelColor(60, 40), QColor(Qt::red));
    QTRY_VERIFY(!overlay || overlay->isMoving());
    QVERIFY(overlay);
    // Midway the frame mixes both looks by the eased progress.
    overlay->seek(0.25);
    const qreal t = overlay->progress();
    QVERIFY(t > 0.5 && t < 1.0);
    const QColor mid = overlay->grab().toImage().pixelColor(60, 40);
    QVERIFY2(std::abs(mid.red() - 255 * (1 - t)) <= 3 && std::abs(mid.blue() - 255 * t) <= 3, qPrintable(mid.name()));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QTRY_VERIFY(!overlay);
    QCOMPARE(snapshots, 1);
}

void ThemeTest::transitionOverlay_coveringHostAtStart_hostPaintsOnceItMoves_data()
{
    QTest::addColumn<bool>("covers");
    QTest::newRow("covers at the start") << true;
    QTest::newRow("shows through throughout") << false;
}

void ThemeTest::transitionOverlay_coveringHostAtStart_hostPaintsOnceItMoves()
{
    QFETCH(bool, covers);
    vsp::setAnimationsEnabled(true);
    QWidget host;
    host.resize(120, 80);
    auto* page = new PaintCounter(&host);
    page->setGeometry(host.rect());
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QTRY_VERIFY(page->paints > 0);
    QPointer<vsp::TransitionOverlay> overlay = new vsp::TransitionOverlay(
        &host, QPixmap(), vsp::Spring{0.4, 1.0}, [](QPainter& p, qreal t, const QPixmap&, const QPixmap&) {
            p.fillRect(p.window(), QColor(255, 0, 0, int(255 * (1 - t))));
        });
    overlay->setHostShowsThrough(true);
    overlay->setCoversHostAtStart(covers);
    overlay->start([] { return QPixmap(); });
    QTRY_VERIFY(!overlay || overlay->isMoving());
    QVERIFY(overlay);
    // At the start the overlay alone is painted when it covers; the page beneath once it moves.
    overlay->seek(0);
    int before = page->paints;
    overlay->repaint();
    QCOMPARE(page->paints > before, !covers);
    overlay->seek(0.5);
    before = page->paints;
    overlay->repaint();
    QVERIFY(page->paints > before);
    overlay->finish();
}

void ThemeTest::transitionOverlay_endsWhenHostIsResized_data()
{
    QTest::addColumn<bool>("whileTakingNewLook");
    QTest::newRow("before the new look") << false;
    QTest::newRow("while the new look is taken") << true;
}

void ThemeTest::transitionOverlay_endsWhenHostIsResized()
{
    QFETCH(bool, whileTakingNewLook);
    vsp::setAnimationsEnabled(true);
    QWidget host;
    host.resize(120, 80);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QPointer<vsp::TransitionOverlay> overlay =
        new vsp::TransitionOverlay(&host, filled(host.size(), Qt::red), vsp::Spring{0.4, 1.0}, crossFade);
    QSignalSpy finished(overlay.data(), &vsp::TransitionOverlay::finished);
    overlay->start([&] {
        if (whileTakingNewLook) {
            host.resize(200, 80);
        }
        return filled(host.size(), Qt::blue);
    });
    if (!whileTakingNewLook) {
        host.resize(200, 80);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!overlay->isVisible());
        QTRY_VERIFY(!overlay);
        return;
    }
    // Looked at on the turn after the new look was taken, before the overlay's deletion comes round.
    bool looked = false;
    bool movedOn = false;
    QTimer::singleShot(0, &host, [&] {
        looked = true;
        movedOn = overlay && (overlay->isMoving() || overlay->isVisible());
    });
    QTRY_VERIFY(looked);
    QCOMPARE(finished.count(), 1);
    QVERIFY(!movedOn);
    QTRY_VERIFY(!overlay);
}

namespace {

// A kept picture is the glass's layers composed once, then laid on the background: each channel may round
// a few levels apart from laying the layers on one by one. A picture placed a pixel off, or of another
// look, is tens of levels apart at its edge.
constexpr int kCompositingRounding = 3;

/// Glass painted twice on a background (the second time from whatever the first kept) or once without
/// the kept pictures, at `devicePixelRatio`.
QImage paintedGlass(const QRectF& rect, const vsp::Glass& glass, vsp::GlassShape shape, Appearance appearance,
                    vsp::GlassState state, qreal devicePixelRatio, bool cached)
{
    QImage image(QSize(120, 60) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Color::vspBackground().resolve(appearance));
    QPainter p(&image);
    if (cached) {
        QImage scratch(image.size(), image.format());
        scratch.setDevicePixelRatio(devicePixelRatio);
        QPainter warm(&scratch);
        vsp::paintGlass(warm, rect, glass, shape, 9, appearance, state);
        vsp::paintGlass(p, rect, glass, shape, 9, appearance, state);
    } else {
        vsp::paintGlassUncached(p, rect, glass, shape, 9, appearance, state);
    }
    return image;
}

} // namespace

void ThemeTest::glass_cachedPaint_matchesUncached_data()
{
    QTest::addColumn<Appearance>("appearance");
    QTest::addColumn<qreal>("devicePixelRatio");
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<int>("shape");
    QTest::addColumn<bool>("tinted");
    for (const Appearance appearance : {Appearance::Light, Appearance::Dark}) {
        for (const qreal dpr : {1.0, 2.0}) {
            const QByteArray look =
                (appearance == Appearance::Dark ? "dark" : "light") + QByteArray("@") + QByteArray::number(dpr);
            QTest::newRow(QByteArray(look + " row").constData())
                << appearance << dpr << QRectF(4, 3, 100, 50) << int(vsp::GlassShape::RoundedRect) << false;
            // A tag capsule: its width follows the text, so it starts and ends within pixels.
            QTest::newRow(QByteArray(look + " capsule off the pixel grid").constData())
                << appearance << dpr << QRectF(10.3, 7.6, 57.45, 19) << int(vsp::GlassShape::Capsule) << true;
            QTest::newRow(QByteArray(look + " circle").constData())
                << appearance << dpr << QRectF(20, 5, 40, 40) << int(vsp::GlassShape::Circle) << true;
        }
    }
}

void ThemeTest::glass_cachedPaint_matchesUncached()
{
    QFETCH(Appearance, appearance);
    QFETCH(qreal, devicePixelRatio);
    QFETCH(QRectF, rect);
    QFETCH(int, shape);
    QFETCH(bool, tinted);
    vsp::Glass glass = vsp::Glass::regular().makeInteractive();
    if (tinted) {
        glass = glass.tinted(Color(QColor(30, 140, 250, 90)));
    }
    for (const vsp::GlassState state : {vsp::GlassState{}, vsp::GlassState{true, false}, vsp::GlassState{true, true}}) {
        const QImage cached =
            paintedGlass(rect, glass, vsp::GlassShape(shape), appearance, state, devicePixelRatio, true);
        const QImage uncached =
            paintedGlass(rect, glass, vsp::GlassShape(shape), appearance, state, devicePixelRatio, false);
        QCOMPARE(cached.size(), uncached.size());
        QCOMPARE_LE(viewfixtures::largestChannelDifference(cached, uncached), kCompositingRounding);
    }
    // Clear glass is a look of its own, not the regular one from before.
    QCOMPARE_LE(
        viewfixtures::largestChannelDifference(
            paintedGlass(rect, vsp::Glass::clear(), vsp::GlassShape(shape), appearance, {}, devicePixelRatio, true),
            paintedGlass(rect, vsp::Glass::clear(), vsp::GlassShape(shape), appearance, {}, devicePixelRatio, false)),
        kCompositingRounding);
}

void ThemeTest::glass_cachedPaint_followsAppearanceAndAccent()
{
    const QRectF rect(4, 3, 100, 50);
    const auto same = [](const QImage& a, const QImage& b) {
        return viewfixtures::largestChannelDifference(a, b) <= kCompositingRounding;
    };
    const auto paintCurrent = [&rect](const vsp::Glass& glass) {
        QImage image(120, 60, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter p(&image);
        vsp::paintGlass(p, rect, glass, vsp::GlassShape::RoundedRect, 9);
        return image;
    };
    const auto paintUncached = [&rect](const vsp::Glass& glass, Appearance appearance) {
        QImage image(120, 60, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter p(&image);
        vsp::paintGlassUncached(p, rect, glass, vsp::GlassShape::RoundedRect, 9, appearance);
        return image;
    };
    AppSettings::instance().setAppearanceMode(QStringLiteral("dark"));
    AppSettings::instance().setAccentColorPreset(QStringLiteral("blue"));
    QVERIFY(same(paintCurrent(vsp::Glass::regular().tinted(Color::resolvedAccent(0.3))),
                 paintUncached(vsp::Glass::regular().tinted(Color::accent(u"blue", 0.3)), Appearance::Dark)));

    AppSettings::instance().setAppearanceMode(QStringLiteral("light"));
    QVERIFY(same(paintCurrent(vsp::Glass::regular().tinted(Color::resolvedAccent(0.3))),
                 paintUncached(vsp::Glass::regular().tinted(Color::accent(u"blue", 0.3)), Appearance::Light)));
    AppSettings::instance().setAccentColorPreset(QStringLiteral("pink"));
    QVERIFY(same(paintCurrent(vsp::Glass::regular().tinted(Color::resolvedAccent(0.3))),
                 paintUncached(vsp::Glass::regular().tinted(Color::accent(u"pink", 0.3)), Appearance::Light)));
}

void ThemeTest::glassButton_presenceScalesAndFades_data()
{
    QTest::addColumn<qreal>("presence");
    QTest::addColumn<bool>("cornerDrawn");
    QTest::addColumn<bool>("centreDrawn");
    QTest::newRow("gone") << 0.0 << false << false;
    QTest::newRow("half way") << 0.5 << false << true;
    QTest::newRow("at rest") << 1.0 << true << true;
}

void ThemeTest::glassButton_presenceScalesAndFades()
{
    QFETCH(qreal, presence);
    QFETCH(bool, cornerDrawn);
    QFETCH(bool, centreDrawn);
    vsp::GlassButton button;
    button.setSide(40);
    button.setShape(vsp::GlassShape::RoundedRect, 2);
    button.setPresence(presence);
    QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    button.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    // The glass near a corner lies outside the button scaled to half; the centre is inside.
    QCOMPARE(image.pixelColor(4, 4).alpha() > 0, cornerDrawn);
    QCOMPARE(image.pixelColor(20, 12).alpha() > 0, centreDrawn);
    if (presence > 0 && presence < 1) {
        vsp::GlassButton whole;
        whole.setSide(40);
        whole.setShape(vsp::GlassShape::RoundedRect, 2);
        QImage full(whole.size(), QImage::Format_ARGB32_Premultiplied);
        full.fill(Qt::transparent);
        whole.render(&full, QPoint(), QRegion(), QWidget::DrawChildren);
        QVERIFY(image.pixelColor(20, 12).alpha() < full.pixelColor(20, 12).alpha());
    }
}

void ThemeTest::springValue_turningBack_neverJumpsToTarget()
{
    vsp::setAnimationsEnabled(true);
    vsp::SpringValue value(0.0, vsp::Spring{0.2, 1.0});
    value.animateTo(1.0);
    QTRY_COMPARE_WITH_TIMEOUT(value.value(), 1.0, 2000);
    QTRY_VERIFY(!value.isMoving());
    // Sent back after a finished run, it starts from where it is: no value of the way back's end
    // shows before the motion does.
    QSignalSpy moved(&value, &vsp::SpringValue::valueChanged);
    value.animateTo(0.0);
    for (const QList<QVariant>& step : std::as_const(moved)) {
        QVERIFY2(step.at(0).toDouble() > 0.5, qPrintable(QString::number(step.at(0).toDouble())));
    }
    QVERIFY(value.value() > 0.5);
    QTRY_COMPARE_WITH_TIMEOUT(value.value(), 0.0, 2000);
}

void ThemeTest::springValue_saysOnceWhenItArrives()
{
    vsp::setAnimationsEnabled(true);
    vsp::SpringValue value(0.0, vsp::Spring{0.2, 1.0});
    QSignalSpy arrived(&value, &vsp::SpringValue::arrived);
    value.animateTo(1.0);
    QVERIFY(arrived.isEmpty());
    // Asked again on the way, it goes on and arrives once, resting exactly at the target.
    value.animateTo(1.0);
    QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), 1, 2000);
    QCOMPARE(arrived.at(0).at(0).toDouble(), 1.0);
    QCOMPARE(value.value(), 1.0);
    QVERIFY(!value.isMoving());
    // Nothing to glide: it has arrived at once. A jump is no arrival.
    value.animateTo(1.0);
    QCOMPARE(arrived.count(), 2);
    value.setValue(0.5);
    QCOMPARE(arrived.count(), 2);
    // Without animations it arrives inside the call.
    vsp::setAnimationsEnabled(false);
    value.animateTo(0.0);
    QCOMPARE(arrived.count(), 3);
    QCOMPARE(value.value(), 0.0);
    vsp::setAnimationsEnabled(true);
}

void ThemeTest::paintedButtons_followPointerAndPress_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<qreal>("pressedScale");
    QTest::addColumn<qreal>("pressedOpacity");
    QTest::newRow("glass button") << 0 << 0.94 << 0.85;
    QTest::newRow("glass chip") << 1 << 1.0 << 1.0;
    QTest::newRow("remove cross") << 2 << 1.0 << 1.0;
}

void ThemeTest::paintedButtons_followPointerAndPress()
{
    QFETCH(int, kind);
    QFETCH(qreal, pressedScale);
    QFETCH(qreal, pressedOpacity);
    vsp::setAnimationsEnabled(false);
    std::unique_ptr<vsp::PaintedButton> button;
    switch (kind) {
    case 0: button = std::make_unique<vsp::GlassButton>(); break;
    case 1: button = std::make_unique<GlassChipButton>(); break;
    default: button = std::make_unique<vsp::RemoveButton>(vsp::RemoveButton::Look::CrossOnDisc); break;
    }
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(button->focusPolicy(), Qt::TabFocus);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(button.get(), &enter);
    QVERIFY(button->isHovered());
    QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(button->isDown());
    QCOMPARE(button->pressScale(), pressedScale);
    QCOMPARE(button->pressOpacity(), pressedOpacity);
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(button->pressScale(), 1.0);
    QCOMPARE(button->pressOpacity(), 1.0);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button.get(), &leave);
    QVERIFY(!button->isHovered());
    vsp::setAnimationsEnabled(true);
}

void ThemeTest::paintedButtons_takeTabAndKeys_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("otherDefault");
    QTest::addColumn<int>("keyClicks");
    QTest::newRow("glass button, space") << 0 << int(Qt::Key_Space) << false << 1;
    QTest::newRow("glass chip, return") << 1 << int(Qt::Key_Return) << false << 1;
    QTest::newRow("remove cross, enter") << 2 << int(Qt::Key_Enter) << false << 1;
    // Return belongs to the window's default button; Space still presses the focused one.
    QTest::newRow("return, another default") << 0 << int(Qt::Key_Return) << true << 0;
    QTest::newRow("space, another default") << 1 << int(Qt::Key_Space) << true << 1;
}

void ThemeTest::paintedButtons_takeTabAndKeys()
{
    QFETCH(int, kind);
    QFETCH(int, key);
    QFETCH(bool, otherDefault);
    QFETCH(int, keyClicks);
    QWidget window;
    auto* field = new QLineEdit(&window);
    vsp::PaintedButton* button = nullptr;
    switch (kind) {
    case 0: button = new vsp::GlassButton(&window); break;
    case 1: button = new GlassChipButton(&window); break;
    default: button = new vsp::RemoveButton(vsp::RemoveButton::Look::CrossOnDisc, &window); break;
    }
    button->move(40, 40);
    auto* fallback = new vsp::GlassButton(&window);
    fallback->move(100, 40);
    fallback->setDefault(otherDefault);
    window.resize(200, 100);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicks(button, &QAbstractButton::clicked);

    // A click presses it and leaves the focus in the field.
    field->setFocus();
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    QCOMPARE(clicks.count(), 1);
    QVERIFY(field->hasFocus());
    QVERIFY(!vsp::shownFocusRing());

    // Tab reaches it, with the ring round it.
    QTest::keyClick(field, Qt::Key_Tab);
    QVERIFY(button->hasFocus());
    QWidget* ring = vsp::shownFocusRing();
    QVERIFY(ring);
    QVERIFY(ring->geometry().contains(button->geometry()));
    QVERIFY(ring->geometry() != button->geometry());

    const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    QTest::keyClick(button, Qt::Key(key), modifiers);
    QCOMPARE(clicks.count(), 1 + keyClicks);

    QTest::keyClick(button, Qt::Key_Tab);
    QVERIFY(fallback->hasFocus());
    QCOMPARE(vsp::shownFocusRing() ? vsp::shownFocusRing()->geometry().center() : QPoint(),
             fallback->geometry().center());
}

void ThemeTest::focusRing_withNoRoomAround_isDrawnInside()
{
    // A button that fills its parent at the left, right and top, with room below it.
    QWidget window;
    auto* field = new QLineEdit(&window);
    auto* holder = new QWidget(&window);
    auto* button = new vsp::GlassButton(holder);
    holder->setGeometry(20, 40, button->width(), button->height() + 20);
    window.resize(200, 120);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    QVERIFY(button->hasFocus());
    QWidget* ring = vsp::shownFocusRing();
    QVERIFY(ring);
    QCOMPARE(ring->parentWidget(), holder);
    // Wholly inside what the parent shows, and still outside the button where there is room.
    QCOMPARE(ring->geometry(), QRect(0, 0, button->width(), button->height() + 2));
}

void ThemeTest::symbols_mapToInstalledIcons_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("icon");
    const std::pair<const char*, const char*> rows[] = {
        {"star.fill", "star-fill"},
        {"star", "star"},
        {"pin", "pin"},
        {"pin.fill", "pin-fill"},
        {"pin.slash", "pin-angle"},
        {"calendar", "calendar3"},
        {"magnifyingglass", "search"},
        {"bell.fill", "bell-fill"},
        {"sun.max", "sun"},
        {"sun.max.fill", "sun-fill"},
        {"tag", "tag"},
        {"face.smiling", "emoji-smile"},
        {"doc.text", "file-text"},
        {"archivebox", "archive"},
        {"tray.and.arrow.up", "box-arrow-up"},
        {"doc.on.doc", "files"},
        {"doc.on.clipboard", "clipboard"},
        {"trash", "trash"},
        {"clock.arrow.circlepath", "clock-history"},
        {"chevron.up", "chevron-up"},
        {"sidebar.left", "layout-sidebar"},
        {"arrow.down", "arrow-down"},
        {"arrow.up", "arrow-up"},
        {"text.alignleft", "text-left"},
        {"xmark.circle.fill", "x-circle-fill"},
        {"book.closed.fill", "journal-bookmark-fill"},
        {"cloud.rain.fill", "cloud-rain-fill"},
        {"cloud.sun.fill", "cloud-sun-fill"},
        {"mappin.and.ellipse", "geo-alt"},
        {"star.slash", "star-half"},
        {"square.and.pencil", "pencil-square"},
        {"checkmark.circle.fill", "check-circle-fill"},
    };
    for (const auto& [symbol, icon] : rows) {
        QTest::newRow(symbol) << QString::fromLatin1(symbol) << QString::fromLatin1(icon);
    }
}

void ThemeTest::symbols_mapToInstalledIcons()
{
    QFETCH(QString, symbol);
    QFETCH(QString, icon);
    QCOMPARE(vsp::symbols::iconName(symbol), icon);
    QVERIFY(QFileInfo::exists(vsp::symbols::iconPath(symbol)));
}

void ThemeTest::symbols_unknownDrawNothing()
{
    QVERIFY(!vsp::symbols::isKnown(u"no.such.symbol"));
    QVERIFY(vsp::symbols::iconPath(u"no.such.symbol").isEmpty());
    const QImage image = vsp::symbols::pixmap(u"no.such.symbol", Qt::red, 16).toImage();
    QCOMPARE(image.size(), QSize(16, 16));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QCOMPARE(qAlpha(image.pixel(x, y)), 0);
        }
    }
}

void ThemeTest::symbols_areTintedWithTheirColour()
{
    const QImage image = vsp::symbols::pixmap(u"circle.fill", QColor(0x12, 0x80, 0xEE), 32).toImage();
    const QColor centre = image.pixelColor(16, 16);
    QCOMPARE(centre.alpha(), 255);
    QCOMPARE(centre.rgb(), QColor(0x12, 0x80, 0xEE).rgb());
}

void ThemeTest::symbols_withoutTheIconSet_drawTheirLetterAndSayOnce()
{
    QTemporaryDir empty;
    qputenv("VESPERLOG_ICON_DIR", QFile::encodeName(empty.path()));
    const auto restore = qScopeGuard([] {
        qunsetenv("VESPERLOG_ICON_DIR");
        QPixmapCache::clear();
    });
    QPixmapCache::clear();
    vsp::test::StdoutCapture out;
    const QImage star = vsp::symbols::pixmap(u"star.fill", Qt::red, 32).toImage();
    const QImage trash = vsp::symbols::pixmap(u"trash", Qt::red, 32).toImage();
    for (const QImage& image : {star, trash}) {
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                inked += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
            }
        }
        // A letter, not a blank square.
        QVERIFY2(inked > 20, qPrintable(QString::number(inked)));
    }
    const QStringList lines = out.lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: loading the symbol icons failed — ")),
             qPrintable(lines.first()));
}

void ThemeTest::fillInBands_samePixelsAsOneFill_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QRectF>("area");
    QTest::newRow("whole pixels") << 1.0 << QRectF(3, 5, 190, 170);
    QTest::newRow("scale 2") << 2.0 << QRectF(3, 5, 190, 170);
    QTest::newRow("scale 1.5, part pixels") << 1.5 << QRectF(2.5, 4.25, 180.5, 171.75);
}

void ThemeTest::fillInBands_samePixelsAsOneFill()
{
    QFETCH(qreal, dpr);
    QFETCH(QRectF, area);
    const QColor veil(40, 90, 200, 120);
    // A clip with a hole, as the fade's veil has where a travelling piece stood.
    const QRegion clip = QRegion(0, 0, 200, 190) - QRegion(30, 60, 90, 25);
    const auto filled = [&](bool bands) {
        QImage image((QSizeF(200, 190) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setClipRegion(clip);
        if (bands) {
            vsp::TransitionOverlay::fillInBands(p, area, veil);
        } else {
            p.fillRect(area, veil);
        }
        return image;
    };
    const QImage banded = filled(true);
    QCOMPARE(banded, filled(false));
    QVERIFY(banded.pixelColor(QPoint(100, 150) * dpr) != QColor(Qt::white));
}
