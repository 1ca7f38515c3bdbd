#pragma once

#include <QDialog>

class QLabel;
class Updater;

/// The update sheet: the updater's phase in words and a button to close it. Shown window-modal over the
/// main window; closing it by any means emits `finished`, after which the application calls
/// `Updater::dismiss()`.
class UpdateSheet final : public QDialog {
    Q_OBJECT

public:
    UpdateSheet(Updater& updater, QWidget* parent = nullptr);

    QString statusText() const;

private:
    void refresh();

    Updater& m_updater;
    QLabel* m_status;
};
