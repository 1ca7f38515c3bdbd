#include "Update/FeedFetch.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSslCertificate>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace vsp::update {

namespace {

/// How much longer than its own time-out the helper may take before it is ended: starting it and
/// resolving the host are not covered by the transfer time-out.
constexpr int kHelperGraceMs = 10000;

} // namespace

QString replyFailure(QNetworkReply* reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0 && status != 200) {
        return QStringLiteral("%1 answered HTTP %2").arg(reply->url().toString()).arg(status);
    }
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        return QStringLiteral("no answer in time from %1").arg(reply->url().toString());
    }
    if (reply->error() != QNetworkReply::NoError) {
        return reply->errorString();
    }
    return QStringLiteral("%1 answered HTTP %2").arg(reply->url().toString()).arg(status);
}

QNetworkRequest updaterRequest(const QUrl& address, const QString& userAgent, int timeoutMs,
                               const std::optional<QSslConfiguration>& ssl)
{
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
    request.setTransferTimeout(timeoutMs);
    if (ssl) {
        request.setSslConfiguration(*ssl);
    }
    return request;
}

void abortSoon(QNetworkReply* reply)
{
    // abort() emits finished() at once, inside the signal being handled, and only then asks the network
    // thread to drop the transfer. Queued, it runs once that signal is done; a reply deleted before then
    // takes the call with it.
    QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
}

QString feedTooLargeText()
{
    return QStringLiteral("the feed is larger than %1 bytes, too large for a manifest").arg(kMostFeedBytes);
}

QNetworkReply* requestFeed(QNetworkAccessManager& network, const FeedRequest& feed,
                           std::function<void(const FeedAnswer&)> done)
{
    QNetworkReply* reply = network.get(updaterRequest(feed.address, feed.userAgent, feed.timeoutMs, feed.ssl));
    // The reply keeps no more than a manifest's worth: past it the feed is refused, not read on.
    reply->setReadBufferSize(kMostFeedBytes + 1);
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, tooLarge](qint64 received, qint64 total) {
        if ((received > kMostFeedBytes || total > kMostFeedBytes) && !*tooLarge) {
            *tooLarge = true;
            abortSoon(reply);
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, tooLarge, done = std::move(done)] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (*tooLarge || reply->bytesAvailable() > kMostFeedBytes) {
            done({std::nullopt, feedTooLargeText(), UpdateFailure::TooLarge});
        } else if (reply->error() != QNetworkReply::NoError || status != 200) {
            done({std::nullopt, replyFailure(reply)});
        } else {
            done({reply->readAll(), QString()});
        }
    });
    return reply;
}

QProcess* requestFeedInHelper(const QString& helper, const FeedRequest& feed, QObject* parent,
                              std::function<void(const FeedAnswer&)> done)
{
    auto* process = new QProcess(parent);
    auto* watchdog = new QTimer(process);
    auto output = std::make_shared<QByteArray>();
    auto answered = std::make_shared<bool>(false);
    auto answer = [process, answered, done = std::move(done)](const FeedAnswer& a) {
        if (*answered) {
            return;
        }
        *answered = true;
        process->disconnect();
        process->deleteLater();
        done(a);
    };
    process->setProcessChannelMode(QProcess::SeparateChannels);
    QObject::connect(process, &QProcess::readyReadStandardOutput, process, [process, output, answer] {
        *output += process->readAllStandardOutput();
        if (output->size() > kMostFeedBytes) {
            answer({std::nullopt, feedTooLargeText(), UpdateFailure::TooLarge});
            process->kill();
        }
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, helper, answer](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            answer({std::nullopt,
                    QStringLiteral("the feed helper %1 could not be started: %2").arg(helper, process->errorString())});
        }
    });
    QObject::connect(
        process, &QProcess::finished, process, [process, output, answer](int code, QProcess::ExitStatus status) {
            *output += process->readAllStandardOutput();
            if (status == QProcess::NormalExit && code == 0) {
                answer({*output, QString()});
                return;
            }
            // Its last line says why; lines before it are warnings of the libraries it ran.
            const QString why = QString::fromUtf8(process->readAllStandardError()).trimmed().section(u'\n', -1);
            answer({std::nullopt, why.isEmpty() ? QStringLiteral("the feed helper ended without an answer") : why,
                    status == QProcess::NormalExit && code == kFeedHelperTooLarge ? UpdateFailure::TooLarge
                                                                                  : UpdateFailure::Download});
        });
    watchdog->setSingleShot(true);
    QObject::connect(watchdog, &QTimer::timeout, process, [process, feed, answer] {
        answer({std::nullopt, QStringLiteral("no answer in time from %1").arg(feed.address.toString())});
        process->kill();
    });
    watchdog->start(feed.timeoutMs + kHelperGraceMs);
    process->start(helper, {QString::fromLatin1(kFeedHelperArgument), feed.address.toString(),
                            QString::number(feed.timeoutMs), feed.userAgent});
    QByteArray certificates;
    if (feed.ssl) {
        for (const QSslCertificate& certificate : feed.ssl->caCertificates()) {
            certificates += certificate.toPem();
        }
    }
    process->write(certificates);
    process->closeWriteChannel();
    return process;
}

int runFeedHelper(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: %s %s <address> <time-out ms> <user agent>\n", argv[0], kFeedHelperArgument);
        return 1;
    }
    FeedRequest feed;
    feed.address = QUrl(args.at(2));
    feed.timeoutMs = args.at(3).toInt();
    feed.userAgent = args.at(4);
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        std::fprintf(stderr, "the feed helper could not read its input\n");
        return 1;
    }
    if (const QList<QSslCertificate> trusted = QSslCertificate::fromData(in.readAll()); !trusted.isEmpty()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.setCaCertificates(trusted);
        feed.ssl = ssl;
    }
    QNetworkAccessManager network;
    int result = 1;
    QNetworkReply* reply = requestFeed(network, feed, [&result](const FeedAnswer& answer) {
        if (answer.body) {
            QFile out;
            result =
                out.open(stdout, QIODevice::WriteOnly) && out.write(*answer.body) == answer.body->size() && out.flush()
                    ? 0
                    : 1;
        } else {
            std::fprintf(stderr, "%s\n", answer.error.toUtf8().constData());
            result = answer.kind == UpdateFailure::TooLarge ? kFeedHelperTooLarge : 1;
        }
    });
    // The answer comes inside the reply's own signals, an abort's among them. Leaving the loop there took
    // the network down while that abort was still on its way to the network thread, which now and then
    // crashed the helper on that thread. The loop ends once the reply is gone, from the event loop.
    QObject::connect(reply, &QObject::destroyed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    QCoreApplication::exec();
    return result;
}

} // namespace vsp::update
