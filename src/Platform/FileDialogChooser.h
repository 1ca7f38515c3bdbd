#pragma once

#include "Model/FileChooser.h"

#include <QPointer>
#include <QWidget>

/// The store's save and open panels as modal file dialogs. The export dialog starts in the Documents
/// folder with the suggested name and may create folders; the import dialog accepts one existing JSON
/// file.
class FileDialogChooser final : public FileChooser {
public:
    /// `parent` is the window the dialogs are modal to; it may be none or go away.
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
