#include "FakeHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

FakeHttpServer::FakeHttpServer(QObject *parent) : QObject(parent)
{
    m_server.setListenBacklogSize(4096);
    m_server.setMaxPendingConnections(4096);
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            handle(socket);
    });
}

QUrl FakeHttpServer::url(const QString &path, const QString &host) const
{
    return QUrl(QStringLiteral("http://%1:%2%3").arg(host).arg(port()).arg(path));
}

void FakeHttpServer::setJson(const QString &path, int status, const QByteArray &json)
{
    Route route;
    route.status = status;
    route.body = json;
    route.headers = {{"Content-Type", "application/rdap+json"}};
    setRoute(path, route);
}

QByteArray FakeHttpServer::bootstrapFile(const QList<QPair<QStringList, QStringList>> &services)
{
    QJsonArray entries;
    for (const auto &service : services)
        entries.append(QJsonArray{QJsonArray::fromStringList(service.first), QJsonArray::fromStringList(service.second)});
    return QJsonDocument(QJsonObject{{QStringLiteral("version"), QStringLiteral("1.0")},
                                     {QStringLiteral("description"), QStringLiteral("test bootstrap")},
                                     {QStringLiteral("services"), entries}})
        .toJson(QJsonDocument::Compact);
}

void FakeHttpServer::serveBootstrap(const QStringList &tlds, const QString &base)
{
    Route route;
    route.body = bootstrapFile({{tlds, {url(base).toString()}}});
    route.headers = {{"Content-Type", "application/json"}};
    setRoute(QStringLiteral("/dns.json"), route);
}

void FakeHttpServer::setLimit(std::optional<Limit> limit)
{
    m_limit = std::move(limit);
    m_tokens = m_limit ? m_limit->burst : 0;
    m_refilled.start();
}

void FakeHttpServer::handle(QTcpSocket *socket)
{
    ++m_connectionCount;
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
        buffer->append(socket->readAll());
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = buffer->left(end).split('\n');
        buffer->remove(0, end + 4);
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        const QString path = requestLine.size() > 1 ? QString::fromUtf8(requestLine.at(1)) : QString();
        QHash<QByteArray, QByteArray> headers;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                headers.insert(line.left(colon).toLower(), line.mid(colon + 1).trimmed());
        }
        m_counts[path] += 1;
        m_headers.insert(path, headers);
        if (m_limit && path.startsWith(QLatin1String("/rdap/"))) {
            m_tokens = std::min(m_limit->burst, m_tokens + double(m_refilled.restart()) / 1000.0 * m_limit->perSecond);
            if (m_tokens < 1) {
                ++m_limited;
                const QByteArray retryAfter = m_limit->retryAfter ? m_limit->retryAfter() : QByteArray();
                socket->write("HTTP/1.1 429 Too Many Requests\r\nConnection: close\r\nContent-Length: 0\r\n"
                              + (retryAfter.isEmpty() ? QByteArray() : "Retry-After: " + retryAfter + "\r\n") + "\r\n");
                socket->disconnectFromHost();
                return;
            }
            m_tokens -= 1;
        }
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(m_routes.value(path).delayMs, this, [this, guard, path] {
            if (guard)
                respond(guard, path);
        });
    });
}

void FakeHttpServer::respond(QTcpSocket *socket, const QString &path)
{
    if (!m_routes.contains(path)) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    const Route route = m_routes.value(path);
    if (route.hang)
        return;
    if (!route.raw.isEmpty()) {
        socket->write(route.raw);
        if (!route.keepOpen)
            socket->disconnectFromHost();
        return;
    }

    QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + " Scripted\r\n";
    if (!route.keepAlive)
        head += "Connection: close\r\n";
    for (const auto &header : route.headers)
        head += header.first + ": " + header.second + "\r\n";
    head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n\r\n";
    socket->write(head + route.body);
    if (!route.keepAlive)
        socket->disconnectFromHost();
}
