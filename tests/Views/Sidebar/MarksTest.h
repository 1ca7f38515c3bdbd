#pragma once

#include <QObject>

/// The drawn marks and the tag colours.
class MarksTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void menuBarShape_spineGapKeepsItsWidth_data();
    void menuBarShape_spineGapKeepsItsWidth();
    void trayMark_showsOnLightAndDarkPanels_data();
    void trayMark_showsOnLightAndDarkPanels();
    void bookLogo_followsAccentAndAppearance();
    void seededTagColor_sumsCodePoints_data();
    void seededTagColor_sumsCodePoints();
    void tagColor_storedWinsOverSeeded();
};
