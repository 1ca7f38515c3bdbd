#pragma once

#include <QString>

#include <functional>

namespace vsp {

/// Opens one of the application's windows by its identifier ("compose-window"), or brings it to the
/// front when it is open already. The application hands it to the views that open windows.
using OpenWindowAction = std::function<void(const QString& id)>;

/// The identifier of the single "New Entry" window.
inline QString composeWindowID()
{
    return QStringLiteral("compose-window");
}

} // namespace vsp
