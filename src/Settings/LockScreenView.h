#pragma once

#include <QWidget>

#include <functional>

class JournalStore;
class QLabel;
class QPushButton;

/// The cover of the main window while the journal is locked: opaque, so nothing of the journal shows
/// through, with the journal's name and an "Unlock" button. It only ever unlocks (sets
/// `JournalStore::isLocked` to false); it never locks.
///
/// Authentication is pluggable: an authenticator receives a completion to call with (success, message).
/// Without one, "Unlock" unlocks at once (the account-password check comes with the lock settings).
class LockScreenView final : public QWidget {
    Q_OBJECT

public:
    using Completion = std::function<void(bool success, const QString& message)>;
    using Authenticator = std::function<void(Completion)>;

    LockScreenView(JournalStore& store, QWidget* parent = nullptr);

    /// With an authenticator set, it is asked when the cover appears and on "Unlock".
    void setAuthenticator(Authenticator authenticator);
    QString journalName() const;
    QString failMessage() const { return m_failMessage; }
    bool isAuthenticating() const { return m_isAuthenticating; }
    QPushButton* unlockButton() const { return m_unlock; }

    /// Starts an authentication unless one is running.
    void authenticate();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void refreshName();

    JournalStore& m_store;
    Authenticator m_authenticator;
    QLabel* m_name;
    QLabel* m_message;
    QPushButton* m_unlock;
    QString m_failMessage;
    bool m_isAuthenticating = false;
};
