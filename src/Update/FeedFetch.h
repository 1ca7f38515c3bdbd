#pragma once

#include "Update/UpdateRelease.h"

#include <QByteArray>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;
class QProcess;

/// The feed request, made either in this process or in a short-lived copy of the program started for it.
///
/// The copy exists for the check at launch: a TLS connection loads OpenSSL and Qt's TLS back end, over
/// 5 MB that would stay mapped in the application for its whole run after a request made once a day.
/// The copy runs the same request and ends; the application only reads the answer.
namespace vsp::update {

/// A manifest is a few kilobytes; a feed that sends more is not one.
inline constexpr qint64 kMostFeedBytes = 1024 * 1024;

/// The first argument that turns the program into the feed helper: "--fetch-update-feed <address>
/// <time-out ms> <user agent>", with the CA certificates to trust instead of the system's (PEM, maybe
/// none) on standard input. It writes the body of an HTTP 200 answer to standard output and ends with 0;
/// otherwise it writes why to standard error and ends with kFeedHelperTooLarge for a feed over
/// kMostFeedBytes, 1 for any other failure.
inline constexpr char kFeedHelperArgument[] = "--fetch-update-feed";
inline constexpr int kFeedHelperTooLarge = 2;

/// Why a feed was given up for its size, for the log.
QString feedTooLargeText();

struct FeedRequest {
    QUrl address;
    QString userAgent;
    /// Longest time without data, in ms.
    int timeoutMs = 15000;
    /// TLS settings; none means Qt's. The helper takes only their CA certificates.
    std::optional<QSslConfiguration> ssl;
};

/// The body of an HTTP 200 answer, or why there is none.
struct FeedAnswer {
    std::optional<QByteArray> body;
    QString error;
    /// What kind of failure `error` is: Download (no answer, or not HTTP 200) or TooLarge.
    UpdateFailure kind = UpdateFailure::Download;
};

/// A request of the updater's: always from the network, never cached, with its user agent, time-out
/// without data and TLS settings.
QNetworkRequest updaterRequest(const QUrl& address, const QString& userAgent, int timeoutMs,
                               const std::optional<QSslConfiguration>& ssl);

/// Asks for the feed on `network`; `done` runs once, on this thread, unless the reply is aborted first.
QNetworkReply* requestFeed(QNetworkAccessManager& network, const FeedRequest& request,
                           std::function<void(const FeedAnswer&)> done);

/// Asks for the feed through the helper program `helper`; `done` runs once, on this thread, unless the
/// process (a child of `parent`) is deleted first.
QProcess* requestFeedInHelper(const QString& helper, const FeedRequest& request, QObject* parent,
                              std::function<void(const FeedAnswer&)> done);

/// Ends `reply` from the event loop, once the signal being handled is done: never abort a reply
/// inside one of its own signals.
void abortSoon(QNetworkReply* reply);

/// Why a finished reply brought no HTTP 200 answer, for the log.
QString replyFailure(QNetworkReply* reply);

/// The helper's whole run; `argv[1]` is kFeedHelperArgument.
int runFeedHelper(int argc, char** argv);

} // namespace vsp::update
