#pragma once

#include "Model/FileChooser.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace vsp::test {

/// Answers the store's file panels with fixed paths (nothing: the user cancelled) and records what the
/// store asked.
class FixedFileChooser final : public FileChooser {
public:
    std::optional<QString> exportPath;
    std::optional<QString> importPath;
    QList<std::pair<JournalStore::ExportFormat, QString>> exportRequests;
    QStringList importMessages;
    QStringList importButtons;

    std::optional<QString> chooseExportDestination(JournalStore::ExportFormat format,
                                                   const QString& suggestedName) override
    {
        exportRequests.append({format, suggestedName});
        return exportPath;
    }
    std::optional<QString> chooseImportFile(const QString& message, const QString& acceptLabel) override
    {
        importMessages.append(message);
        importButtons.append(acceptLabel);
        return importPath;
    }
};

} // namespace vsp::test
