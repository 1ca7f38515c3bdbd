#pragma once

#include "Platform/DeviceOwnerAuthenticator.h"

#include <QList>
#include <QMetaObject>

#include <memory>

namespace vsp::test {

/// A device-owner check that plays a fixed stack and records what it was told. Its outcomes arrive on
/// the next turn of the event loop, as a real check's do.
class FakeAuthenticator final : public DeviceOwnerAuthenticator {
public:
    enum class Stack {
        Permit,
        Deny,
        /// Asks "Password:" (after the line "Place your finger on the reader") and accepts `password`.
        Password,
        /// Cannot start at all.
        Unavailable,
        /// Starts and never answers.
        Silent,
    };
    struct Record {
        int started = 0;
        int cancels = 0;
        QList<QByteArray> answers;
    };

    FakeAuthenticator(Stack stack, std::shared_ptr<Record> record) : m_stack(stack), m_record(std::move(record)) { }

    static Factory factory(Stack stack, std::shared_ptr<Record> record = std::make_shared<Record>())
    {
        return [stack, record] { return std::make_unique<FakeAuthenticator>(stack, record); };
    }

    static constexpr const char* kPassword = "open sesame";

    void start() override
    {
        ++m_record->started;
        switch (m_stack) {
        case Stack::Permit: finishLater(Outcome::Succeeded); break;
        case Stack::Deny: finishLater(Outcome::Failed); break;
        case Stack::Unavailable: finishLater(Outcome::Unavailable); break;
        case Stack::Password:
            Q_EMIT messageReceived(QStringLiteral("Place your finger on the reader"), false);
            Q_EMIT promptRequested(QStringLiteral("Password: "), false);
            break;
        case Stack::Silent: break;
        }
    }
    void answer(QByteArray& secret) override
    {
        m_record->answers << QByteArray(secret.constData(), secret.size());
        const bool right = secret == kPassword;
        wipe(secret);
        finishLater(right ? Outcome::Succeeded : Outcome::Failed);
    }
    void cancel() override
    {
        ++m_record->cancels;
        finishLater(Outcome::Failed);
    }

private:
    void finishLater(Outcome outcome)
    {
        QMetaObject::invokeMethod(
            this, [this, outcome] { Q_EMIT finished(outcome); }, Qt::QueuedConnection);
    }

    Stack m_stack;
    std::shared_ptr<Record> m_record;
};

} // namespace vsp::test
