#pragma once

#include <QObject>

class FileDialogChooserTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void exportDialog_offersSuggestedNameInDocuments_data();
    void exportDialog_offersSuggestedNameInDocuments();
    void exportDialog_typedNameWithoutExtension_getsTheFormats();
    void importDialog_showsMessageAndButton_andReturnsTheTypedFile();
    void dialogs_cancelled_returnNothing();
    void dialogFromAnotherWindow_belongsToIt_andGivesTheKeyboardBack_data();
    void dialogFromAnotherWindow_belongsToIt_andGivesTheKeyboardBack();
    void exportThroughTheStore_writesTheChosenFile();
};
