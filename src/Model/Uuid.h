#pragma once

#include <QString>
#include <QUuid>

#include <optional>
#include <string_view>

namespace vsp {

/// The canonical 36-character upper-case text of a UUID ("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").
QString uuidText(const QUuid& id);
/// The same as UTF-8 bytes.
QByteArray uuidUtf8(const QUuid& id);
/// Reads the 36-character hyphenated form, in upper or lower case; nothing for any other text.
std::optional<QUuid> parseUuid(std::string_view text);
std::optional<QUuid> parseUuid(QStringView text);
/// A new random UUID.
QUuid newUuid();

} // namespace vsp
