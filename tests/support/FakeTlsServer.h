#pragma once

#include <QFile>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <sys/socket.h>

// An HTTPS server on 127.0.0.1 with the untrusted test certificate (tests/data/untrusted.crt).
// Every connection gets `answer` once the request has arrived, and is then closed in order
// (close-notify) or, with `cutOff`, aborted without close-notify.
class FakeTlsServer
{
public:
    explicit FakeTlsServer(QByteArray answer = {}, bool cutOff = false)
    {
        QFile certFile(QStringLiteral(ORVANE_TEST_DATA "/untrusted.crt"));
        QFile keyFile(QStringLiteral(ORVANE_TEST_DATA "/untrusted.key"));
        if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
            qFatal("the test certificate is missing");
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(certFile.readAll()));
        tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
        server.setSslConfiguration(tls);
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QSslServer::pendingConnectionAvailable, &server, [this, answer, cutOff] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QIODevice::readyRead, socket, [this, socket, answer, cutOff] {
                    request += socket->readAll();
                    if (!request.contains("\r\n\r\n"))
                        return;
                    socket->write(answer);
                    socket->flush();
                    if (cutOff)
                        QTimer::singleShot(50, socket, [socket] { socket->abort(); });
                    else
                        socket->disconnectFromHost();
                });
            }
        });
    }

    QUrl url(const QString &path) const { return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(server.serverPort()).arg(path)); }

    QSslServer server;
    QByteArray request; // what arrived, all connections together
};

// A server on 127.0.0.1 that takes the ClientHello and breaks the handshake: it resets the
// connection (`reset`), or sends `reply` (which is no TLS) and closes it in order.
class BrokenTlsServer
{
public:
    explicit BrokenTlsServer(bool reset, QByteArray reply = {})
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, reset, reply] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QIODevice::readyRead, socket, [socket, reset, reply] {
                    if (reset) {
                        const linger now{1, 0}; // close() then sends RST
                        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
                        socket->abort();
                        return;
                    }
                    socket->readAll();
                    socket->write(reply);
                    socket->disconnectFromHost();
                });
            }
        });
    }

    QUrl url(const QString &path) const { return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(server.serverPort()).arg(path)); }

    QTcpServer server;
};
