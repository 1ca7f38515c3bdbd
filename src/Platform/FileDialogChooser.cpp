#include "Platform/FileDialogChooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QStandardPaths>

namespace vsp {

QWidget* dialogOwner(QWidget* fallback)
{
    QWidget* active = QApplication::activeWindow();
    return active && active->windowType() != Qt::Popup ? active : fallback;
}

int execReturningFocus(QDialog& dialog)
{
    const QPointer<QWidget> control = QApplication::focusWidget();
    const int result = dialog.exec();
    // Without this the window manager may hand the keyboard to whichever window comes next: the main
    // window, with Settings (which opened the dialog) left behind it.
    if (control) {
        QWidget* window = control->window();
        window->raise();
        window->activateWindow();
        control->setFocus(Qt::OtherFocusReason);
    }
    return result;
}

} // namespace vsp

namespace {

QString startFolder()
{
    // A Documents folder that is named but was never made would leave the dialog in the working folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

std::optional<QString> run(QFileDialog& dialog)
{
    if (vsp::execReturningFocus(dialog) != QDialog::Accepted) {
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
    QFileDialog dialog(vsp::dialogOwner(m_parent),
                       markdown ? QStringLiteral("Export as Markdown") : QStringLiteral("Export as JSON"));
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
    QFileDialog dialog(vsp::dialogOwner(m_parent), message);
    dialog.setOption(QFileDialog::DontUseNativeDialog, !m_native);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("JSON (*.json)")});
    dialog.setDirectory(startFolder());
    dialog.setLabelText(QFileDialog::Accept, acceptLabel);
    return run(dialog);
}
