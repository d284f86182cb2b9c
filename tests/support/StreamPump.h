#pragma once

#include <QByteArray>
#include <QTcpSocket>

#include <memory>

// Streams `limit` bytes of `fill` to the socket, keeping its send buffer topped up as the
// peer reads, then closes. The bound keeps a test's "endless" answer finite.
inline void pumpEndlessly(QTcpSocket *socket, qint64 limit, char fill)
{
    auto sent = std::make_shared<qint64>(0);
    const QByteArray chunk(64 * 1024, fill);
    auto pump = [socket, sent, chunk, limit] {
        while (socket->bytesToWrite() < 4 * chunk.size() && *sent < limit) {
            socket->write(chunk);
            *sent += chunk.size();
        }
        if (*sent >= limit)
            socket->disconnectFromHost();
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, pump);
    pump();
}
