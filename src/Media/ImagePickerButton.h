#pragma once

#include "Theme/GlassChipButton.h"

#include <QList>
#include <QUrl>

#include <functional>

/// The "Images" button: opens a file dialog for image files (several at once) and hands the chosen
/// files to its owner, in the dialog's order. Cancelling hands over nothing and makes no call; only local
/// files are handed over (a remote address from the dialog is dropped).
class ImagePickerButton final : public GlassChipButton {
    Q_OBJECT

public:
    using OnImagesPicked = std::function<void(const QList<QUrl>& files)>;
    /// Asks the user for image files; an empty list means cancelled.
    using Chooser = std::function<QList<QUrl>(QWidget* parent)>;

    explicit ImagePickerButton(OnImagesPicked onImagesPicked, QWidget* parent = nullptr);

    /// Replaces the file dialog (tests); an empty chooser restores the dialog.
    void setChooser(Chooser chooser);

    /// The dialog's name filter: every image format this build can read.
    static QString imageNameFilter();

private:
    void pick();
    static QList<QUrl> chooseWithDialog(QWidget* parent);

    OnImagesPicked m_onImagesPicked;
    Chooser m_chooser;
};
