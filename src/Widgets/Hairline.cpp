#include "Widgets/Hairline.h"

#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"

#include <QPainter>

namespace vsp {

Hairline::Hairline(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(1);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
}

void Hairline::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Color::vspBorder().resolve());
}

} // namespace vsp
