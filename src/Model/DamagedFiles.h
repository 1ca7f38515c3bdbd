#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vsp {

/// Keeps the bytes of a file that could not be decoded in `folder` as "<prefix><yyyy-MM-dd-HHmmss>.json"
/// (the local time at `when`, seconds since 2001-01-01 UTC; "-2", "-3", … added when the name is taken),
/// or finds an earlier copy there with the same bytes, so a file left damaged is not copied again at
/// every launch. The copy is written atomically and readable by its owner only. Returns the copy's path,
/// or nothing with the reason in `error`.
std::optional<QString> keepDamagedCopy(const QString& folder, const QByteArray& bytes, const QString& prefix,
                                       double when, QString* error);

} // namespace vsp
