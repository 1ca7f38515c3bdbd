#pragma once

#include <QObject>

/// The palette, accent presets, hex colours, appearance modes, springs and symbol icons.
class ThemeTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanupTestCase();

    void hexText_givesColour_data();
    void hexText_givesColour();
    void interfaceColours_resolvePerAppearance_data();
    void interfaceColours_resolvePerAppearance();
    void accent_followsStoredPreset_data();
    void accent_followsStoredPreset();
    void accent_keepsPresetOfItsMoment();
    void accentPresets_tableIsComplete();
    void contrastRatio_matchesWcag_data();
    void contrastRatio_matchesWcag();
    void textColours_readOnTheirBackgrounds_data();
    void textColours_readOnTheirBackgrounds();
    void accentPresets_readableInBothAppearances_data();
    void accentPresets_readableInBothAppearances();

    void appearanceMode_choosesAppearance_data();
    void appearanceMode_choosesAppearance();
    void appearanceChange_repaintsApplicationPalette();
    void themeColor_followsEveryChange_andLeavesOtherRolesInherited();

    void spring_settlesWithoutOvershoot();
    void springValue_withoutAnimations_jumps_data();
    void springValue_withoutAnimations_jumps();
    void springValue_turningBack_neverJumpsToTarget();
    void springValue_saysOnceWhenItArrives();
    void transitionOverlay_showsOldLook_thenPaintsProgressToNewLook();
    void transitionOverlay_coveringHostAtStart_hostPaintsOnceItMoves_data();
    void transitionOverlay_coveringHostAtStart_hostPaintsOnceItMoves();
    void transitionOverlay_endsWhenHostIsResized_data();
    void transitionOverlay_endsWhenHostIsResized();
    void fillInBands_samePixelsAsOneFill_data();
    void fillInBands_samePixelsAsOneFill();
    void glass_cachedPaint_matchesUncached_data();
    void glass_cachedPaint_matchesUncached();
    void glass_cachedPaint_followsAppearanceAndAccent();
    void glassButton_presenceScalesAndFades_data();
    void glassButton_presenceScalesAndFades();
    void paintedButtons_followPointerAndPress_data();
    void paintedButtons_followPointerAndPress();
    void paintedButtons_takeTabAndKeys_data();
    void paintedButtons_takeTabAndKeys();
    void focusRing_withNoRoomAround_isDrawnInside();

    void symbols_mapToInstalledIcons_data();
    void symbols_mapToInstalledIcons();
    void symbols_unknownDrawNothing();
    void symbols_areTintedWithTheirColour();
    void symbols_withoutTheIconSet_drawTheirLetterAndSayOnce();
};
