#include "Update/UpdateSheet.h"

#include "Update/Updater.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

UpdateSheet::UpdateSheet(Updater& updater, QWidget* parent)
    : QDialog(parent),
      m_updater(updater),
      m_status(new QLabel(this))
{
    setWindowTitle(tr("Software Update"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 18);
    layout->setSpacing(16);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(&updater, &Updater::phaseChanged, this, &UpdateSheet::refresh);
    refresh();
}

QString UpdateSheet::statusText() const
{
    return m_status->text();
}

void UpdateSheet::refresh()
{
    m_status->setText(m_updater.statusText());
}
