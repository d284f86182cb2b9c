#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QElapsedTimer>
#include <QUrl>

#include <functional>
#include <optional>

// A scripted HTTP/1.1 server on 127.0.0.1 for the engine's tests. Each path answers as its
// route says; every request is counted and its headers kept.
class FakeHttpServer : public QObject
{
public:
    struct Route {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0;           // wait before answering
        bool hang = false;         // accept, read the request, never answer
        QByteArray raw;            // send these bytes instead of an HTTP answer, then close
        bool keepOpen = false;     // with raw: leave the connection open afterwards
        bool keepAlive = false;    // leave the connection open for the next request
    };

    // A token bucket over every /rdap/ path: a request that finds no token gets 429 with the
    // Retry-After that `retryAfter` gives (none when it gives nothing).
    struct Limit {
        double perSecond = 1;
        double burst = 1;
        std::function<QByteArray()> retryAfter;
    };

    explicit FakeHttpServer(QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString &path, const QString &host = QStringLiteral("127.0.0.1")) const;

    void setRoute(const QString &path, Route route) { m_routes.insert(path, std::move(route)); }
    void setJson(const QString &path, int status, const QByteArray &json);

    // Serves /dns.json mapping each TLD (without dot) to this server's /rdap/ base URL.
    void serveBootstrap(const QStringList &tlds, const QString &base = QStringLiteral("/rdap/"));
    static QByteArray bootstrapFile(const QList<QPair<QStringList, QStringList>> &services);

    void setLimit(std::optional<Limit> limit);
    int limitedCount() const { return m_limited; }

    int requestCount(const QString &path) const { return m_counts.value(path); }
    int connectionCount() const { return m_connectionCount; }
    QHash<QByteArray, QByteArray> lastHeaders(const QString &path) const { return m_headers.value(path); }

private:
    void handle(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const QString &path);

    QTcpServer m_server;
    QHash<QString, Route> m_routes;
    QHash<QString, int> m_counts;
    QHash<QString, QHash<QByteArray, QByteArray>> m_headers;
    int m_connectionCount = 0;
    std::optional<Limit> m_limit;
    double m_tokens = 0;
    QElapsedTimer m_refilled;
    int m_limited = 0;
};
Q_DECLARE_METATYPE(FakeHttpServer::Route)
