#include "Settings/OnboardingView.h"

#include "Theme/Fonts.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

OnboardingView::OnboardingView(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Welcome"));
    setWindowModality(Qt::WindowModal);
    setMinimumSize(420, 280);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 32, 32, 24);
    auto* title = new QLabel(tr("Welcome to Vesperlog"), this);
    title->setFont(vsp::fonts::system(24, QFont::DemiBold));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* text = new QLabel(tr("A private journal that stays on this computer."), this);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    layout->addWidget(text);
    layout->addStretch(1);
    auto* start = new QPushButton(tr("Get Started"), this);
    start->setDefault(true);
    connect(start, &QPushButton::clicked, this, &OnboardingView::finish);
    layout->addWidget(start, 0, Qt::AlignHCenter);
}

void OnboardingView::finish()
{
    m_finishing = true;
    accept();
}

void OnboardingView::reject()
{
    // Escape must not skip the introduction.
    if (m_finishing) {
        QDialog::reject();
    }
}

void OnboardingView::closeEvent(QCloseEvent* event)
{
    if (!m_finishing) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
