#pragma once

#include "Platform/DeviceOwnerAuthenticator.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <memory>

class JournalStore;
class QAbstractButton;
class QLabel;
class QLineEdit;

namespace vsp::intro {
class AccentButton;
}

/// The password dialog of an unlock attempt, window-modal over the main window and headed "Unlock "
/// and the journal's name. It shows the check's prompt with a field (hidden characters unless the
/// prompt may echo) and every line the check passes on. "Unlock" hands the typed secret over and
/// waits for the next prompt or the end; "Cancel", Escape or closing it refuses the prompt.
class PasswordDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PasswordDialog)

public:
    PasswordDialog(const QString& journalName, QWidget* parent);

    QString heading() const;
    /// The lines shown so far, one per line.
    QString lines() const;

    /// Opens the field for a prompt ("Password:", say).
    void ask(const QString& prompt, bool echo);
    void addLine(const QString& text, bool isError);
    /// The typed secret as UTF-8, taken out of the field (which is emptied).
    QByteArray takeSecret();

    /// "Unlock": emits `answered` and waits; no effect while no prompt is open.
    void accept() override;
    /// Emits `refused` and closes.
    void reject() override;
    /// Closes without a signal (the attempt has ended).
    void finish();

Q_SIGNALS:
    void answered();
    void refused();

private:
    QLabel* m_heading;
    QLabel* m_prompt;
    QLineEdit* m_field;
    QLabel* m_lines;
    QAbstractButton* m_unlock;
    bool m_asking = false;
    bool m_finishing = false;
};

/// The cover of the main window while the journal is locked: opaque, so nothing of the journal shows
/// through, with the book logo, the journal's name, "This journal is locked" and an "Unlock" button. It
/// only ever unlocks (sets `JournalStore::isLocked` to false); it never locks.
///
/// Each time it comes on screen (or, when that happens while another application is active, once the
/// user is back), and on "Unlock", it starts one attempt of a fresh device-owner check
/// (PAM by default); the check's prompts and lines appear in a `PasswordDialog`. Success unlocks. A
/// check that cannot be made on this system at all unlocks too; every failed, refused or cancelled
/// attempt keeps the cover and shows "Authentication failed — try again" under the button. "Unlock" is
/// the cover's default button: Return or Enter anywhere on the cover presses it.
class LockScreenView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LockScreenView)

public:
    LockScreenView(JournalStore& store, QWidget* parent = nullptr);
    ~LockScreenView() override;

    /// Makes the check of every later attempt (tests give fakes). An empty factory restores PAM.
    void setAuthenticatorFactory(DeviceOwnerAuthenticator::Factory factory);

    QString journalName() const;
    QString failMessage() const { return m_failMessage; }
    bool isAuthenticating() const { return m_attempt != nullptr; }

    /// Starts an attempt unless one is running.
    void authenticate();
    /// Whether the last unlock came from a check that could not start: the cover then goes at once,
    /// without its fade, as nothing was asked of the user.
    bool unlockedWithoutCheck() const { return m_unlockedWithoutCheck; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class LockAndIntroductionTest;

    void refreshName();
    PasswordDialog* ensureDialog();
    void finishAttempt(DeviceOwnerAuthenticator::Outcome outcome);
    void setFailMessage(const QString& text);

    JournalStore& m_store;
    DeviceOwnerAuthenticator::Factory m_factory;
    std::unique_ptr<DeviceOwnerAuthenticator> m_attempt;
    /// The password dialog while an attempt shows it, else null.
    QPointer<PasswordDialog> m_dialog;
    QLabel* m_name;
    QLabel* m_caption;
    QLabel* m_message;
    vsp::intro::AccentButton* m_unlock;
    QString m_failMessage;
    /// Shown while another application was active: the first attempt starts when the user is back.
    bool m_waitingForReturn = false;
    bool m_unlockedWithoutCheck = false;
};
