#pragma once

#include "Model/FileChooser.h"

#include <QPointer>
#include <QWidget>

class QDialog;

namespace vsp {

/// The window a file dialog opened now belongs to: the active window (the one whose control asked for
/// it, Settings included), or `fallback` when none of the application's windows is active.
QWidget* dialogOwner(QWidget* fallback);

/// Runs `dialog` modally and hands the keyboard back to the control that had it before, in its own
/// window, whether the dialog was accepted or cancelled. Returns QDialog::exec's result.
int execReturningFocus(QDialog& dialog);

} // namespace vsp

/// The store's save and open panels as modal file dialogs. The export dialog starts in the Documents
/// folder with the suggested name and may create folders; the import dialog accepts one existing JSON
/// file. Each dialog is a child of the window that asked for it, and the keyboard goes back to the
/// control that opened it when it closes.
class FileDialogChooser final : public FileChooser {
public:
    /// `parent` is the window the dialogs are modal to when no window of the application is active; it
    /// may be none or go away.
    explicit FileDialogChooser(QWidget* parent = nullptr);

    /// Uses Qt's own dialogs instead of the desktop's (tests drive them with key presses).
    void setUseNativeDialogs(bool native) { m_native = native; }

    std::optional<QString> chooseExportDestination(JournalStore::ExportFormat format,
                                                   const QString& suggestedName) override;
    std::optional<QString> chooseImportFile(const QString& message, const QString& acceptLabel) override;

private:
    QPointer<QWidget> m_parent;
    bool m_native = true;
};
