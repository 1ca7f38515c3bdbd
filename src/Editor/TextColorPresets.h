#pragma once

#include "Theme/Palette.h"

#include <QList>
#include <QString>

/// One text colour offered by the floating format bar: the hex key sent after "color:", its label and
/// the colour its swatch shows.
struct TextColorPreset {
    /// "reset" for the default colour, else six upper-case hex digits without "#".
    QString hex;
    QString label;
    vsp::Color preview;
};

/// Default, Red, Orange, Yellow, Green, Blue, Purple, in that order. Built once.
const QList<TextColorPreset>& textColorPresets();
