#pragma once

#include <QString>
#include <QVariant>
#include <QWidget>

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

/// Marks a window of the main window (a sheet, a dialog) as showing nothing of the journal, as the
/// update sheet and the unlock dialog do: locking the journal leaves it open. Locking closes every
/// other window that belongs to the main window.
inline void markShowsNoJournalData(QWidget* window)
{
    window->setProperty("vspShowsNoJournalData", true);
}

inline bool showsNoJournalData(const QWidget* window)
{
    return window->property("vspShowsNoJournalData").toBool();
}

} // namespace vsp
