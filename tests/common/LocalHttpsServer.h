#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QUrl>

#include <memory>

class QSslServer;
class QSslSocket;

namespace vsp::test {

/// A small HTTPS server on 127.0.0.1 inside the test process, with the checked-in test certificate.
/// It answers each request from a table of routes keyed by path (the query is ignored for routing),
/// closes the connection after each answer, and records every request it saw. Clients trust it
/// through `sslConfiguration()`, never by ignoring TLS errors.
class LocalHttpsServer final : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QByteArray contentType = "application/json";
        QByteArray body;
        /// Accept the request and never answer: the client's transfer time-out must end it.
        bool stall = false;
        /// Send no Content-Length: the body ends when the connection closes.
        bool withoutLength = false;
        /// When above 0: the headers at once, then the body one byte every `trickleMs` milliseconds.
        int trickleMs = 0;
    };

    explicit LocalHttpsServer(QObject* parent = nullptr);
    ~LocalHttpsServer() override;

    /// Listens on a free port of 127.0.0.1; false (with a warning) when the certificate or the socket fails.
    bool start();
    quint16 port() const;

    /// "https://127.0.0.1:<port><path>", where `path` may carry a query.
    QUrl url(const QString& path) const;

    /// Answers requests for `path` with `response` from now on. Unknown paths get 404 with an empty body.
    void route(const QString& path, const Response& response);

    /// The request targets seen so far (path and query, e.g. "/v1/forecast?latitude=…"), oldest first.
    QList<QUrl> requests() const;
    /// A header of the `index`th request, lower-case name (e.g. "user-agent"); empty when absent.
    QByteArray requestHeader(int index, const QByteArray& name) const;

    /// Body bytes of trickled answers sent so far.
    qint64 trickledBytes() const { return m_trickled; }

    /// A client configuration that trusts the test certificate and nothing else. A network manager
    /// that once connected with it may resume that TLS session later, so a test proving that an
    /// untrusted client is refused uses a manager of its own.
    QSslConfiguration sslConfiguration() const;

private:
    struct Seen {
        QUrl target;
        QHash<QByteArray, QByteArray> headers;
    };

    void serve(QSslSocket* socket);
    void answer(QSslSocket* socket, const QByteArray& request);

    std::unique_ptr<QSslServer> m_server;
    QSslConfiguration m_serverConfiguration;
    QHash<QString, Response> m_routes;
    QList<Seen> m_seen;
    qint64 m_trickled = 0;
};

} // namespace vsp::test
