#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

/// One check that the person at the keyboard owns this account, as the lock screen asks for it. An
/// attempt runs as a conversation: the check may ask for secrets (`promptRequested`, answered with
/// `answer` or refused with `cancel`) and pass on lines to show (`messageReceived`), and ends with
/// exactly one `finished`. Signals arrive on the thread the object lives on. One attempt per object.
class DeviceOwnerAuthenticator : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceOwnerAuthenticator)

public:
    enum class Outcome {
        /// The owner proved who they are.
        Succeeded,
        /// A wrong secret, a refusal, a cancelled prompt or an error during the check.
        Failed,
        /// The check cannot be made on this system at all (it could not even start).
        Unavailable,
    };
    Q_ENUM(Outcome)

    using Factory = std::function<std::unique_ptr<DeviceOwnerAuthenticator>()>;

    explicit DeviceOwnerAuthenticator(QObject* parent = nullptr) : QObject(parent) { }

    /// Starts the attempt. Only the first call counts.
    virtual void start() = 0;
    /// Answers the prompt that is open. The bytes are wiped (zeroed) once handed on; an answer with no
    /// open prompt is wiped and dropped.
    virtual void answer(QByteArray& secret) = 0;
    /// Refuses the prompt that is open, or stops the attempt: it then finishes as failed.
    virtual void cancel() = 0;

    /// Overwrites the bytes of `secret` with zeroes (in a way the compiler keeps) and empties it.
    static void wipe(QByteArray& secret);

Q_SIGNALS:
    /// The check asks for a secret; `echo` is true when it may be shown as typed (a user name, a code).
    void promptRequested(const QString& prompt, bool echo);
    /// A line to show beside the prompt (a fingerprint reader's "Place your finger", an error).
    void messageReceived(const QString& text, bool isError);
    void finished(DeviceOwnerAuthenticator::Outcome outcome);
};
