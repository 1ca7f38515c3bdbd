#pragma once

#include <QColor>
#include <QHash>
#include <QString>

#include <array>

/// The nine colours a tag can be given, and the colour of a tag that was given none: one of the nine,
/// derived from its name so it is the same on every run without being stored.
namespace vsp::tags {

struct PaletteColor {
    /// Menu label only; never stored.
    QString name;
    /// What the stored tag colours hold: "#RRGGBB".
    QString hex;
    QColor color;
};

/// Red, Orange, Yellow, Green, Teal, Blue, Purple, Pink, Gray, in this order.
const std::array<PaletteColor, 9>& palette();

/// The palette index of a name without a chosen colour: the sum of its Unicode code points (not UTF-16
/// units), taken absolute, modulo 9. An unpaired surrogate counts with its own value.
int seededIndex(const QString& name);
QColor seededColor(const QString& name);

/// The tag's stored colour ("#RRGGBB", read like Color::hex: unreadable text gives black) or, without
/// one, its seeded colour.
QColor colorOf(const QString& name, const QHash<QString, QString>& stored);

} // namespace vsp::tags
