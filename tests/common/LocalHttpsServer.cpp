#include "LocalHttpsServer.h"

#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>

#include <memory>

namespace vsp::test {

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

// Waits for the end of the header block; bodies of requests are not needed by any test.
constexpr QByteArrayView HeaderEnd = "\r\n\r\n";

} // namespace

LocalHttpsServer::LocalHttpsServer(QObject* parent) : QObject(parent)
{ }

LocalHttpsServer::~LocalHttpsServer() = default;

bool LocalHttpsServer::start()
{
    const QString folder = QStringLiteral(VESPERLOG_TEST_CERTS_DIR);
    const QSslCertificate certificate(readFile(folder + QStringLiteral("/test-server.pem")), QSsl::Pem);
    const QSslKey key(readFile(folder + QStringLiteral("/test-server.key")), QSsl::Rsa, QSsl::Pem);
    if (certificate.isNull() || key.isNull()) {
        qWarning("LocalHttpsServer: cannot read the test certificate in %s", qPrintable(folder));
        return false;
    }
    m_serverConfiguration = QSslConfiguration::defaultConfiguration();
    m_serverConfiguration.setLocalCertificate(certificate);
    m_serverConfiguration.setPrivateKey(key);
    m_serverConfiguration.setPeerVerifyMode(QSslSocket::VerifyNone); // clients send no certificate

    m_server = std::make_unique<QSslServer>();
    m_server->setSslConfiguration(m_serverConfiguration);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection())
            serve(static_cast<QSslSocket*>(socket));
    });
    if (!m_server->listen(QHostAddress::LocalHost, 0)) {
        qWarning("LocalHttpsServer: cannot listen: %s", qPrintable(m_server->errorString()));
        return false;
    }
    return true;
}

quint16 LocalHttpsServer::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

QUrl LocalHttpsServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(port()).arg(path));
}

void LocalHttpsServer::route(const QString& path, const Response& response)
{
    m_routes.insert(path, response);
}

QList<QUrl> LocalHttpsServer::requests() const
{
    QList<QUrl> targets;
    targets.reserve(m_seen.size());
    for (const Seen& seen : m_seen)
        targets.append(seen.target);
    return targets;
}

QByteArray LocalHttpsServer::requestHeader(int index, const QByteArray& name) const
{
    if (index < 0 || index >= m_seen.size()) return {};
    return m_seen.at(index).headers.value(name.toLower());
}

QSslConfiguration LocalHttpsServer::sslConfiguration() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(QList<QSslCertificate>() << m_serverConfiguration.localCertificate());
    return configuration;
}

void LocalHttpsServer::serve(QSslSocket* socket)
{
    socket->setParent(this);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QIODevice::readyRead, socket, [this, socket, buffer] {
        buffer->append(socket->readAll());
        if (buffer->contains(HeaderEnd) && !socket->property("answered").toBool()) {
            socket->setProperty("answered", true);
            answer(socket, *buffer);
        }
    });
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
}

void LocalHttpsServer::answer(QSslSocket* socket, const QByteArray& request)
{
    const QList<QByteArray> lines = request.left(request.indexOf(HeaderEnd)).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Seen seen;
    seen.target = QUrl::fromEncoded(requestLine.value(1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) seen.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    m_seen.append(seen);

    const auto found = m_routes.constFind(seen.target.path());
    const Response response = found != m_routes.cend() ? *found : Response{404, "text/plain", {}, false};
    if (response.stall) return;
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    reply += "Content-Type: " + response.contentType + "\r\n";
    if (!response.withoutLength) {
        reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    }
    reply += "Connection: close\r\n\r\n";
    if (response.trickleMs > 0) {
        socket->write(reply);
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [this, socket, timer, sent, body = response.body] {
            if (*sent == body.size()) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid((*sent)++, 1));
            ++m_trickled;
        });
        timer->start(response.trickleMs);
        return;
    }
    reply += response.body;
    socket->write(reply);
    connect(socket, &QIODevice::bytesWritten, socket, [socket] {
        if (socket->bytesToWrite() == 0) socket->disconnectFromHost();
    });
}

} // namespace vsp::test
