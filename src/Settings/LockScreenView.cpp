#include "Settings/LockScreenView.h"

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Platform/PamAuthenticator.h"
#include "Settings/IntroWidgets.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Widgets/OpenWindow.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

using vsp::Color;
using Outcome = DeviceOwnerAuthenticator::Outcome;

namespace {

DeviceOwnerAuthenticator::Factory pamFactory()
{
    return [] { return std::make_unique<PamAuthenticator>(); };
}

constexpr int kDialogWidth = 380;

QString failureText()
{
    return LockScreenView::tr("Authentication failed — try again");
}

} // namespace

PasswordDialog::PasswordDialog(const QString& journalName, QWidget* parent)
    : QDialog(parent),
      // "Unlock " and the name, also with an empty name.
      m_heading(vsp::intro::label(tr("Unlock ") + journalName, vsp::fonts::system(15, QFont::DemiBold),
                                  Color::vspForeground(), this)),
      m_prompt(new QLabel(this)),
      m_field(new QLineEdit(this)),
      m_lines(vsp::intro::label(QString(), vsp::fonts::system(11), Color::vspFgMuted(), this, true))
{
    setWindowTitle(m_heading->text());
    m_field->setObjectName(QStringLiteral("passwordField"));
    setWindowModality(Qt::WindowModal);
    // It is how the cover is lifted: locking never closes it.
    vsp::markShowsNoJournalData(this);
    setFixedWidth(kDialogWidth);
    // A sheet of its own over the cover, which has the background colour.
    setAutoFillBackground(true);
    vsp::setThemeColor(this, QPalette::Window, Color::vspSurface());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 18);
    layout->setSpacing(10);
    layout->addWidget(m_heading);
    const QString user = PamAuthenticator::currentUser();
    QLabel* explain = vsp::intro::label(
        user.isEmpty() ? tr("Prove that you are this computer's user to open the journal.")
                       : tr("Enter the password of the account \u201C%1\u201D on this computer.").arg(user),
        vsp::fonts::system(12), Color::vspFgMuted(), this, true);
    vsp::intro::fitToWidth(explain, kDialogWidth - 48);
    layout->addWidget(explain);
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setFont(vsp::fonts::system(12, QFont::Medium));
    m_prompt->hide();
    layout->addWidget(m_prompt);
    m_field->setEchoMode(QLineEdit::Password);
    m_field->setEnabled(false);
    m_field->setPlaceholderText(tr("Waiting for the system…"));
    layout->addWidget(m_field);
    m_lines->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lines->setFixedWidth(kDialogWidth - 48);
    m_lines->hide();
    layout->addWidget(m_lines);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_unlock = buttons->button(QDialogButtonBox::Ok);
    m_unlock->setObjectName(QStringLiteral("passwordUnlock"));
    m_unlock->setText(tr("Unlock"));
    // Text only, as the cover's own button: some styles put stock icons on dialog buttons.
    for (QAbstractButton* button : buttons->buttons()) {
        button->setIcon(QIcon());
    }
    m_unlock->setEnabled(false);
    static_cast<QPushButton*>(m_unlock)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &PasswordDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PasswordDialog::reject);
    layout->addWidget(buttons);
}

QString PasswordDialog::heading() const
{
    return m_heading->text();
}

QString PasswordDialog::lines() const
{
    return m_lines->text();
}

void PasswordDialog::ask(const QString& prompt, bool echo)
{
    m_asking = true;
    QString text = prompt.trimmed();
    if (text.endsWith(u':')) {
        text.chop(1);
    }
    m_prompt->setText(text);
    m_prompt->setVisible(!text.isEmpty());
    m_field->setEchoMode(echo ? QLineEdit::Normal : QLineEdit::Password);
    m_field->setPlaceholderText(text);
    m_field->setEnabled(true);
    m_unlock->setEnabled(true);
    m_field->setFocus();
}

void PasswordDialog::addLine(const QString& text, bool isError)
{
    if (text.isEmpty()) {
        return;
    }
    const QString line = isError ? QStringLiteral("⚠ ") + text : text;
    m_lines->setText(m_lines->text().isEmpty() ? line : m_lines->text() + u'\n' + line);
    vsp::intro::fitToWidth(m_lines, kDialogWidth - 48);
    m_lines->show();
    adjustSize();
}

QByteArray PasswordDialog::takeSecret()
{
    QByteArray secret = m_field->text().toUtf8();
    m_field->clear();
    return secret;
}

void PasswordDialog::accept()
{
    if (!m_asking) {
        return;
    }
    m_asking = false;
    m_field->setEnabled(false);
    m_unlock->setEnabled(false);
    m_field->setPlaceholderText(tr("Checking…"));
    Q_EMIT answered();
}

void PasswordDialog::reject()
{
    if (!m_finishing) {
        m_finishing = true;
        Q_EMIT refused();
    }
    QDialog::reject();
}

void PasswordDialog::finish()
{
    m_finishing = true;
    m_field->clear();
    QDialog::reject();
}

LockScreenView::LockScreenView(JournalStore& store, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_name(vsp::intro::label(QString(), vsp::fonts::system(22, QFont::Bold), Color::vspForeground(), this)),
      m_caption(vsp::intro::label(tr("This journal is locked"), vsp::fonts::system(13), Color::vspFgMuted(), this)),
      m_message(vsp::intro::label(QString(), vsp::fonts::system(11), Color::vspFgMuted(), this)),
      m_unlock(new vsp::intro::AccentButton(tr("Unlock"), this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_unlock->setObjectName(QStringLiteral("unlockButton"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(32);
    layout->addStretch(1);
    auto* logo = new vsp::intro::BookLogoView(72, {0.2, 20}, 6, this);
    layout->addWidget(logo, 0, Qt::AlignHCenter);
    auto* names = new QVBoxLayout;
    names->setSpacing(8);
    names->addWidget(m_name);
    names->addWidget(m_caption);
    layout->addLayout(names);
    m_unlock->setLook(vsp::intro::AccentButton::Shape::Rounded, 28, 38, vsp::fonts::system(13, QFont::DemiBold));
    // A key, not a fingerprint: this computer's check is the account password unless its PAM stack
    // offers more, and whatever it offers shows in the dialog.
    m_unlock->setSymbol(QStringLiteral("lock.open"), 14);
    m_unlock->setGlow(0.4, 12, 3);
    layout->addWidget(m_unlock, 0, Qt::AlignHCenter);
    m_message->hide();
    layout->addWidget(m_message);
    layout->addStretch(1);
    connect(m_unlock, &QAbstractButton::clicked, this, &LockScreenView::authenticate);
    connect(&AppSettings::instance(), &AppSettings::journalNameChanged, this, &LockScreenView::refreshName);
    vsp::onThemeChange(this, [this] { update(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && m_waitingForReturn) {
            m_waitingForReturn = false;
            if (isVisible()) {
                authenticate();
            }
        }
    });
    refreshName();
}

LockScreenView::~LockScreenView()
{
    delete m_dialog;
}

void LockScreenView::setAuthenticatorFactory(DeviceOwnerAuthenticator::Factory factory)
{
    m_factory = std::move(factory);
}

QString LockScreenView::journalName() const
{
    return AppSettings::instance().journalName();
}

void LockScreenView::refreshName()
{
    m_name->setText(journalName());
}

void LockScreenView::setFailMessage(const QString& text)
{
    m_failMessage = text;
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void LockScreenView::authenticate()
{
    m_waitingForReturn = false;
    if (m_attempt) {
        return;
    }
    setFailMessage(QString());
    m_attempt = (m_factory ? m_factory : pamFactory())();
    m_unlock->setEnabled(false);
    DeviceOwnerAuthenticator* attempt = m_attempt.get();
    connect(attempt, &DeviceOwnerAuthenticator::promptRequested, this,
            [this](const QString& prompt, bool echo) { ensureDialog()->ask(prompt, echo); });
    connect(attempt, &DeviceOwnerAuthenticator::messageReceived, this,
            [this](const QString& text, bool isError) { ensureDialog()->addLine(text, isError); });
    connect(attempt, &DeviceOwnerAuthenticator::finished, this, &LockScreenView::finishAttempt);
    attempt->start();
}

PasswordDialog* LockScreenView::ensureDialog()
{
    if (!m_dialog) {
        m_dialog = new PasswordDialog(journalName(), window());
        m_dialog->setObjectName(QStringLiteral("passwordDialog"));
        connect(m_dialog, &PasswordDialog::answered, this, [this] {
            if (m_attempt && m_dialog) {
                QByteArray secret = m_dialog->takeSecret();
                m_attempt->answer(secret);
                DeviceOwnerAuthenticator::wipe(secret);
            }
        });
        connect(m_dialog, &PasswordDialog::refused, this, [this] {
            if (m_attempt) {
                m_attempt->cancel();
            }
        });
        m_dialog->open();
    }
    return m_dialog;
}

void LockScreenView::finishAttempt(Outcome outcome)
{
    if (m_dialog) {
        m_dialog->finish();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
    // Ended from inside its own signal: it goes once that returns.
    m_attempt.release()->deleteLater();
    m_unlock->setEnabled(true);
    if (outcome == Outcome::Failed) {
        setFailMessage(failureText());
        return;
    }
    // Only a check that could not start at all opens the journal without proof.
    m_unlockedWithoutCheck = outcome == Outcome::Unavailable;
    m_store.setIsLocked(false);
}

void LockScreenView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    setFailMessage(QString());
    m_unlock->setFocus();
    // Covered while the user is in another application: the password dialog waits for their return
    // rather than pop up over what they are doing.
    if (QGuiApplication::applicationState() != Qt::ApplicationActive) {
        m_waitingForReturn = true;
        return;
    }
    authenticate();
}

void LockScreenView::keyPressEvent(QKeyEvent* event)
{
    // Unlock is the cover's default button: Return works wherever the focus is on the cover.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_unlock->isEnabled()) {
        m_unlock->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void LockScreenView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
}
