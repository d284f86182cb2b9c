#include "FakeWhoisServer.h"

#include "StreamPump.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {

void resetConnection(QTcpSocket *socket)
{
    socket->flush();
    // A zero linger time makes close() send RST instead of FIN.
    const linger option{1, 0};
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &option, sizeof option);
    socket->abort();
}

void sendChunks(QPointer<QTcpSocket> socket, QList<QByteArray> chunks, FakeWhoisServer::Script script)
{
    if (!socket)
        return;
    if (chunks.isEmpty()) {
        if (script.reset)
            resetConnection(socket);
        else if (!script.neverClose)
            socket->disconnectFromHost();
        return;
    }
    socket->write(chunks.takeFirst());
    socket->flush();
    // Separate the chunks in time so the client sees them arrive one by one.
    QTimer::singleShot(15, socket, [socket, chunks, script] { sendChunks(socket, chunks, script); });
}

} // namespace

FakeWhoisServer::FakeWhoisServer(QObject *parent) : QObject(parent)
{
    m_server.setListenBacklogSize(4096);
    m_server.setMaxPendingConnections(4096);
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_open;
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                --m_open;
                socket->deleteLater();
            });
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                const qsizetype end = buffer->indexOf('\n');
                if (end < 0 || buffer->isNull())
                    return;
                const QByteArray raw = buffer->left(end + 1);
                *buffer = QByteArray(); // one query per connection
                m_raw << raw;
                const QString line = QString::fromUtf8(raw).chopped(raw.endsWith("\r\n") ? 2 : 1);
                m_queries << line;
                Script script = m_scripts.value(line, m_default);
                if (m_limit) {
                    m_tokens = std::min(m_limit->burst, m_tokens + double(m_refilled.restart()) / 1000.0 * m_limit->perSecond);
                    if (m_tokens < 1)
                        script = Script{m_limit->refusal};
                    else
                        m_tokens -= 1;
                }
                QPointer<QTcpSocket> guard(socket);
                QTimer::singleShot(script.delayMs, socket, [this, guard, script] {
                    if (guard)
                        serve(guard, script);
                });
            });
        }
    });
}

void FakeWhoisServer::setLimit(const Limit &limit)
{
    m_limit = limit;
    m_tokens = limit.burst;
    m_refilled.start();
}

void FakeWhoisServer::serve(QTcpSocket *socket, const Script &script)
{
    if (m_openAtFirstAnswer < 0)
        m_openAtFirstAnswer = m_open;
    if (script.silent)
        return;
    if (script.endless > 0) {
        pumpEndlessly(socket, script.endless, 'a');
        return;
    }
    const QList<QByteArray> chunks = script.chunks.isEmpty() ? QList<QByteArray>{script.answer} : script.chunks;
    sendChunks(socket, chunks, script);
}
