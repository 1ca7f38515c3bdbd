#pragma once

#include "Platform/DeviceOwnerAuthenticator.h"

#include <memory>
#include <thread>

/// The device-owner check over PAM, for the account this process runs as: `pam_authenticate` and then
/// `pam_acct_mgmt` of a service ("vesperlog" by default; its file includes the system's common
/// authentication, and a service without a file gets the system's "other" stack). Both run on a thread
/// of their own, with PAM_SILENT, because a stack may wait for a device or a fail delay.
///
/// A stack that cannot start (`pam_start` fails) is `Unavailable`; every other failure, refusal or error
/// is `Failed`, and a failed attempt takes about `failDelayMs` before it finishes, whatever the modules
/// ask for. Answers are handed to PAM in memory PAM wipes and frees; our own copies are wiped.
/// Destroying the object cancels a running attempt and waits for its thread.
class PamAuthenticator final : public DeviceOwnerAuthenticator {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PamAuthenticator)

public:
    struct Options {
        QString service = QStringLiteral("vesperlog");
        /// A folder of service files to use instead of the system's (pam_start_confdir); empty for the
        /// system's.
        QString configDirectory;
        /// How long a failed attempt waits before it finishes, in milliseconds (0 to 60000).
        int failDelayMs = 2000;
    };

    explicit PamAuthenticator(Options options, QObject* parent = nullptr);
    PamAuthenticator() : PamAuthenticator(Options{}) { }
    ~PamAuthenticator() override;

    void start() override;
    void answer(QByteArray& secret) override;
    void cancel() override;

    /// The name of the account this process runs as; empty when it has none.
    static QString currentUser();

    struct Conversation;

private:
    Options m_options;
    std::shared_ptr<Conversation> m_conversation;
    std::thread m_worker;
};
