#pragma once

#include <QObject>

/// The entry row painter the list, On This Day and the calendar's day list share: what it paints stays
/// inside the height it gives the list, and its marks follow the entry.
class RowPainterTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void paintContent_staysInsideItsHeight_data();
    void paintContent_staysInsideItsHeight();
    void paintContent_pinMarkFollowsThePin();
};
