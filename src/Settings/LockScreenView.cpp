#include "Settings/LockScreenView.h"

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"

#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

using vsp::Color;

LockScreenView::LockScreenView(JournalStore& store, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_name(new QLabel(this)),
      m_message(new QLabel(this)),
      m_unlock(new QPushButton(tr("Unlock"), this))
{
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    auto* icon = new QLabel(this);
    icon->setPixmap(vsp::symbols::pixmap(u"lock.fill", Color::resolvedAccent().resolve(), 40, devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    layout->addSpacing(12);
    m_name->setFont(vsp::fonts::system(22, QFont::DemiBold));
    m_name->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_name);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setFont(vsp::fonts::system(12));
    layout->addWidget(m_message);
    layout->addSpacing(12);
    m_unlock->setDefault(true);
    layout->addWidget(m_unlock, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    connect(m_unlock, &QPushButton::clicked, this, &LockScreenView::authenticate);
    connect(&AppSettings::instance(), &AppSettings::journalNameChanged, this, &LockScreenView::refreshName);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
    refreshName();
}

QString LockScreenView::journalName() const
{
    return AppSettings::instance().journalName();
}

void LockScreenView::refreshName()
{
    m_name->setText(journalName());
}

void LockScreenView::setAuthenticator(Authenticator authenticator)
{
    m_authenticator = std::move(authenticator);
}

void LockScreenView::authenticate()
{
    if (m_isAuthenticating) {
        return;
    }
    if (!m_authenticator) {
        m_store.setIsLocked(false);
        return;
    }
    m_isAuthenticating = true;
    m_unlock->setEnabled(false);
    QPointer<LockScreenView> self(this);
    m_authenticator([self](bool success, const QString& message) {
        if (!self) {
            return;
        }
        self->m_isAuthenticating = false;
        self->m_unlock->setEnabled(true);
        self->m_failMessage = success ? QString() : message;
        self->m_message->setText(self->m_failMessage);
        if (success) {
            self->m_store.setIsLocked(false);
        }
    });
}

void LockScreenView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_unlock->setFocus();
    if (m_authenticator) {
        authenticate();
    }
}

void LockScreenView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
}
