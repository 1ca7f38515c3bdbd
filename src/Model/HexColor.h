#pragma once

#include <QStringView>

#include <optional>

namespace vsp {

/// Reads a colour written as hexadecimal digits ("#F87171", "F87171", "+60A5FA"): leading and trailing
/// "#" and one leading "+" are ignored; the value must fit in 32 bits. Nothing for empty text or any
/// other character. The colour tables of the interface and the editor's "color:" command both use it.
std::optional<quint32> parseHexColor(QStringView text);

} // namespace vsp
