#pragma once

#include <QWidget>

namespace vsp {

/// A horizontal line one pixel high in the border colour of the current appearance, as wide as its
/// layout makes it; it repaints when the appearance changes.
class Hairline final : public QWidget {
    Q_OBJECT

public:
    explicit Hairline(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vsp
