#pragma once

#include "Model/JournalStore.h"

#include <QString>

#include <optional>

/// The save and open panels through which the store asks the user for files. The desktop uses file
/// dialogs; tests answer with fixed paths.
class FileChooser {
public:
    virtual ~FileChooser() = default;

    /// Asks where to write an export. `suggestedName` is the file name offered ("Vesperlog Export.json"
    /// or "Vesperlog Export.md"); folders may be created. Returns the chosen absolute path, or nothing
    /// when the user cancels.
    virtual std::optional<QString> chooseExportDestination(JournalStore::ExportFormat format,
                                                           const QString& suggestedName) = 0;

    /// Asks for one JSON file to import, showing `message` and an accept button titled `acceptLabel`.
    /// Returns the chosen absolute path, or nothing when the user cancels.
    virtual std::optional<QString> chooseImportFile(const QString& message, const QString& acceptLabel) = 0;
};
