#include "Media/SpeechTranscriber.h"

#include <QPointer>
#include <QTimer>

namespace {

SpeechTranscriber::Backend& backend()
{
    static SpeechTranscriber::Backend instance;
    return instance;
}

} // namespace

void SpeechTranscriber::setBackend(Backend replacement)
{
    backend() = std::move(replacement);
}

void SpeechTranscriber::transcribe(const QString& audioPath, QObject* context, Completion done)
{
    QPointer<QObject> guard(context);
    auto deliver = [guard, done = std::move(done)](std::optional<QString> text) {
        if (guard) {
            done(std::move(text));
        }
    };
    QTimer::singleShot(0, context, [audioPath, deliver = std::move(deliver)]() mutable {
        if (backend()) {
            backend()(audioPath, std::move(deliver));
        } else {
            deliver(std::nullopt);
        }
    });
}
