#pragma once

#include <QObject>

class QSocketNotifier;

/// Turns SIGTERM, SIGHUP and SIGINT into the Qt signal `received()` on the thread that made this object,
/// so the application can keep what is being written before it ends. The C handler only writes the
/// signal's number into a pipe (nothing else is safe inside a handler); a QSocketNotifier reads it from
/// the event loop. Each handler is installed for one delivery only: a second signal of the same kind,
/// while the first is still being handled, ends the process as the system would. The previous handlers
/// come back when the object goes. At most one object exists at a time; when the pipe cannot be made,
/// one line is printed and the signals keep their previous handling.
class TerminationSignals final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    /// One of the watched signals arrived; `signalNumber` is SIGTERM, SIGHUP or SIGINT.
    void received(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};
