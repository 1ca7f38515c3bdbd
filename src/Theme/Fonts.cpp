#include "Theme/Fonts.h"

#include <QStringList>

namespace vsp::fonts {

Design designFromName(QStringView name)
{
    if (name == u"serif") {
        return Design::Serif;
    }
    if (name == u"rounded") {
        return Design::Rounded;
    }
    if (name == u"mono") {
        return Design::Monospaced;
    }
    return Design::Default;
}

QFont font(qreal pixelSize, QFont::Weight weight, Design design)
{
    QFont f;
    switch (design) {
    case Design::Default:
        f.setFamilies(QStringList{QStringLiteral("Inter"), QStringLiteral("DejaVu Sans")});
        f.setStyleHint(QFont::SansSerif);
        break;
    case Design::Serif:
        f.setFamilies(QStringList{QStringLiteral("Charis SIL"), QStringLiteral("DejaVu Serif")});
        f.setStyleHint(QFont::Serif);
        break;
    case Design::Rounded:
        f.setFamilies(QStringList{QStringLiteral("Comfortaa"), QStringLiteral("Inter"), QStringLiteral("DejaVu Sans")});
        f.setStyleHint(QFont::SansSerif);
        break;
    case Design::Monospaced:
        f.setFamilies(QStringList{QStringLiteral("JetBrains Mono"), QStringLiteral("DejaVu Sans Mono")});
        f.setStyleHint(QFont::Monospace);
        break;
    }
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setWeight(weight);
    return f;
}

QFont tracked(QFont font, qreal tracking)
{
    font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

} // namespace vsp::fonts
