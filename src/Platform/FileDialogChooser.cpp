#include "Platform/FileDialogChooser.h"

#include <QFileDialog>
#include <QStandardPaths>

namespace {

QString startFolder()
{
    // A Documents folder that is named but was never made would leave the dialog in the working folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

std::optional<QString> run(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) {
        return std::nullopt;
    }
    return files.first();
}

} // namespace

FileDialogChooser::FileDialogChooser(QWidget* parent) : m_parent(parent)
{ }

std::optional<QString> FileDialogChooser::chooseExportDestination(JournalStore::ExportFormat format,
                                                                  const QString& suggestedName)
{
    const bool markdown = format == JournalStore::ExportFormat::Markdown;
    QFileDialog dialog(m_parent, markdown ? QStringLiteral("Export as Markdown") : QStringLiteral("Export as JSON"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, !m_native);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(markdown ? QStringList{QStringLiteral("Text (*.md *.markdown *.txt)")}
                                   : QStringList{QStringLiteral("JSON (*.json)")});
    // A name typed without an extension still gets the format's own.
    dialog.setDefaultSuffix(markdown ? QStringLiteral("md") : QStringLiteral("json"));
    dialog.setDirectory(startFolder());
    dialog.selectFile(suggestedName);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Export"));
    return run(dialog);
}

std::optional<QString> FileDialogChooser::chooseImportFile(const QString& message, const QString& acceptLabel)
{
    QFileDialog dialog(m_parent, message);
    dialog.setOption(QFileDialog::DontUseNativeDialog, !m_native);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("JSON (*.json)")});
    dialog.setDirectory(startFolder());
    dialog.setLabelText(QFileDialog::Accept, acceptLabel);
    return run(dialog);
}
