#include "Platform/PamAuthenticator.h"

#include "Model/Log.h"

#include <QMetaObject>
#include <QPointer>

#include <security/pam_appl.h>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>

void DeviceOwnerAuthenticator::wipe(QByteArray& secret)
{
    if (!secret.isEmpty() && !secret.isDetached()) {
        // A shared buffer is someone else's too: wiping our detached copy would leave theirs. The
        // callers hand over sole copies; clearing is all that is left to do here.
        secret.clear();
        return;
    }
    if (!secret.isEmpty()) {
        explicit_bzero(secret.data(), size_t(secret.size()));
    }
    secret.clear();
}

/// What the PAM thread and the object share: the open prompt, its answer, and the cancellation.
struct PamAuthenticator::Conversation {
    std::mutex mutex;
    std::condition_variable changed;
    bool prompting = false;
    std::optional<QByteArray> answer;
    bool cancelled = false;
    int failDelayMs = 2000;
    /// Where the thread posts its signals; read on that thread only through queued calls.
    PamAuthenticator* owner = nullptr;

    void post(std::function<void(PamAuthenticator&)> call)
    {
        QPointer<PamAuthenticator> target(owner);
        QMetaObject::invokeMethod(
            owner,
            [target, call = std::move(call)] {
                if (target) {
                    call(*target);
                }
            },
            Qt::QueuedConnection);
    }

    /// Asks the owner for an answer and waits for it; nothing when the attempt is cancelled.
    std::optional<QByteArray> ask(const QString& prompt, bool echo)
    {
        std::unique_lock lock(mutex);
        if (cancelled) {
            return std::nullopt;
        }
        prompting = true;
        answer.reset();
        post([prompt, echo](PamAuthenticator& a) { Q_EMIT a.promptRequested(prompt, echo); });
        changed.wait(lock, [this] { return answer.has_value() || cancelled; });
        prompting = false;
        if (cancelled) {
            if (answer) {
                wipe(*answer);
            }
            answer.reset();
            return std::nullopt;
        }
        std::optional<QByteArray> given = std::move(answer);
        answer.reset();
        return given;
    }

    void waitFailDelay()
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::milliseconds(failDelayMs), [this] { return cancelled; });
    }
};

namespace {

void freeReplies(pam_response* replies, int count)
{
    for (int i = 0; i < count; ++i) {
        if (replies[i].resp) {
            explicit_bzero(replies[i].resp, std::strlen(replies[i].resp));
            std::free(replies[i].resp);
        }
    }
    std::free(replies);
}

int converse(int count, const pam_message** messages, pam_response** responses, void* data)
{
    auto* conversation = static_cast<PamAuthenticator::Conversation*>(data);
    if (count <= 0 || count > PAM_MAX_NUM_MSG || !responses) {
        return PAM_CONV_ERR;
    }
    auto* replies = static_cast<pam_response*>(std::calloc(size_t(count), sizeof(pam_response)));
    if (!replies) {
        return PAM_BUF_ERR;
    }
    for (int i = 0; i < count; ++i) {
        const pam_message* message = messages[i];
        const QString text = QString::fromLocal8Bit(message->msg ? message->msg : "").trimmed();
        switch (message->msg_style) {
        case PAM_PROMPT_ECHO_OFF:
        case PAM_PROMPT_ECHO_ON: {
            std::optional<QByteArray> answer = conversation->ask(text, message->msg_style == PAM_PROMPT_ECHO_ON);
            if (!answer) {
                freeReplies(replies, count);
                return PAM_CONV_ERR;
            }
            // PAM frees the reply itself (Linux-PAM's modules overwrite it first).
            replies[i].resp = static_cast<char*>(std::calloc(size_t(answer->size()) + 1, 1));
            if (replies[i].resp) {
                std::memcpy(replies[i].resp, answer->constData(), size_t(answer->size()));
            }
            DeviceOwnerAuthenticator::wipe(*answer);
            if (!replies[i].resp) {
                freeReplies(replies, count);
                return PAM_BUF_ERR;
            }
            break;
        }
        case PAM_ERROR_MSG:
        case PAM_TEXT_INFO: {
            const bool isError = message->msg_style == PAM_ERROR_MSG;
            conversation->post([text, isError](PamAuthenticator& a) { Q_EMIT a.messageReceived(text, isError); });
            break;
        }
        default: freeReplies(replies, count); return PAM_CONV_ERR;
        }
    }
    *responses = replies;
    return PAM_SUCCESS;
}

// Replaces the modules' own fail delays (pam_faildelay asks for up to 4 s on some stacks): the wait
// after a failure is ours, one length on every stack, and ends early when the attempt is dropped.
void noFailDelay(int, unsigned, void*)
{ }

} // namespace

PamAuthenticator::PamAuthenticator(Options options, QObject* parent)
    : DeviceOwnerAuthenticator(parent),
      m_options(std::move(options)),
      m_conversation(std::make_shared<Conversation>())
{
    m_conversation->owner = this;
    m_conversation->failDelayMs = std::clamp(m_options.failDelayMs, 0, 60000);
}

PamAuthenticator::~PamAuthenticator()
{
    cancel();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

QString PamAuthenticator::currentUser()
{
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_name ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

void PamAuthenticator::start()
{
    if (m_worker.joinable()) {
        return;
    }
    const QByteArray service = m_options.service.toLocal8Bit();
    const QByteArray folder = m_options.configDirectory.toLocal8Bit();
    const QByteArray user = currentUser().toLocal8Bit();
    m_worker = std::thread([conversation = m_conversation, service, folder, user] {
        pam_conv conv{&converse, conversation.get()};
        pam_handle_t* handle = nullptr;
        int rc = folder.isEmpty()
                     ? pam_start(service.constData(), user.isEmpty() ? nullptr : user.constData(), &conv, &handle)
                     : pam_start_confdir(service.constData(), user.isEmpty() ? nullptr : user.constData(), &conv,
                                         folder.constData(), &handle);
        if (rc != PAM_SUCCESS || !handle) {
            const QString error = QString::fromLocal8Bit(pam_strerror(handle, rc));
            if (handle) {
                pam_end(handle, rc);
            }
            conversation->post([service, error](PamAuthenticator&) {
                vsp::logFailure(QStringLiteral("unlock check"),
                                QStringLiteral("the PAM service \"%1\" could not start: %2")
                                    .arg(QString::fromLocal8Bit(service), error));
            });
            conversation->post([](PamAuthenticator& a) { Q_EMIT a.finished(Outcome::Unavailable); });
            return;
        }
        pam_set_item(handle, PAM_FAIL_DELAY, reinterpret_cast<const void*>(&noFailDelay));
        rc = pam_authenticate(handle, PAM_SILENT);
        if (rc == PAM_SUCCESS) {
            rc = pam_acct_mgmt(handle, PAM_SILENT);
            // The owner has proved who they are; changing the password is the desktop's business.
            if (rc == PAM_NEW_AUTHTOK_REQD) {
                rc = PAM_SUCCESS;
            }
        }
        pam_end(handle, rc);
        if (rc != PAM_SUCCESS) {
            conversation->waitFailDelay();
        }
        const Outcome outcome = rc == PAM_SUCCESS ? Outcome::Succeeded : Outcome::Failed;
        conversation->post([outcome](PamAuthenticator& a) { Q_EMIT a.finished(outcome); });
    });
}

void PamAuthenticator::answer(QByteArray& secret)
{
    std::lock_guard lock(m_conversation->mutex);
    if (!m_conversation->prompting || m_conversation->answer || m_conversation->cancelled) {
        wipe(secret);
        return;
    }
    m_conversation->answer = secret;
    // The copy shares the buffer: hand it over alone rather than wipe what it now holds.
    secret = QByteArray();
    m_conversation->changed.notify_all();
}

void PamAuthenticator::cancel()
{
    std::lock_guard lock(m_conversation->mutex);
    m_conversation->cancelled = true;
    m_conversation->changed.notify_all();
}
