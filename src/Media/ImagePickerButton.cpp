#include "Media/ImagePickerButton.h"

#include "Platform/FileDialogChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QStandardPaths>

ImagePickerButton::ImagePickerButton(OnImagesPicked onImagesPicked, QWidget* parent)
    : GlassChipButton(parent),
      m_onImagesPicked(std::move(onImagesPicked))
{
    setObjectName(QStringLiteral("imagePickerButton"));
    setSymbol(QStringLiteral("photo.on.rectangle.angled"), 10);
    setText(tr("Images"));
    setAccessibleName(tr("Attach images"));
    connect(this, &QAbstractButton::clicked, this, &ImagePickerButton::pick);
}

void ImagePickerButton::setChooser(Chooser chooser)
{
    m_chooser = std::move(chooser);
}

QString ImagePickerButton::imageNameFilter()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(format));
    }
    patterns.removeDuplicates();
    return tr("Images (%1)").arg(patterns.join(u' '));
}

QList<QUrl> ImagePickerButton::chooseWithDialog(QWidget* parent)
{
    QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (start.isEmpty() || !QDir(start).exists()) {
        start = QDir::homePath();
    }
    QFileDialog dialog(parent, tr("Choose images to attach"), start, imageNameFilter());
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, tr("Attach"));
    if (vsp::execReturningFocus(dialog) != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedUrls();
}

void ImagePickerButton::pick()
{
    QList<QUrl> files;
    // Only local files are handed on: nothing downstream fetches a remote address.
    for (const QUrl& url : m_chooser ? m_chooser(window()) : chooseWithDialog(window())) {
        if (url.isLocalFile()) {
            files.append(url);
        }
    }
    if (!files.isEmpty() && m_onImagesPicked) {
        m_onImagesPicked(files);
    }
}
