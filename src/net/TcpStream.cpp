#include "net/TcpStream.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>

#include <QTimer>

#include <algorithm>

namespace orvane {

namespace {

const QString resetText = QStringLiteral("Connection reset by peer");

// QTcpSocket reports a reset connection exactly like an orderly close. On Unix the failed read
// leaves ECONNRESET in errno right before the error is emitted; the handlers here clear errno
// after each read, so a stale value cannot be mistaken for it. Telling the two apart matters: a
// registry that resets before answering must not read as an empty answer.
bool peerReset()
{
#ifdef Q_OS_UNIX
    return errno == ECONNRESET;
#else
    return false;
#endif
}

// A plain connection raced across the host's addresses (happy eyeballs, RFC 8305): the
// families take turns, the next address is tried once the previous one failed or has not
// connected within the stagger delay, and the first to connect wins. A host whose IPv6 path is
// broken then costs one stagger delay instead of a full time-out per address.
class RacingStream : public TcpStream
{
public:
    RacingStream(const QString &host, quint16 port, Events events, std::chrono::milliseconds stagger,
                 const QList<QHostAddress> &addresses)
        : m_events(std::move(events)), m_port(port)
    {
        m_stagger.setSingleShot(true);
        m_stagger.setInterval(stagger);
        QObject::connect(&m_stagger, &QTimer::timeout, &m_context, [this] { startNextAttempt(); });
        QHostAddress literal;
        if (!addresses.isEmpty() || literal.setAddress(host)) {
            m_addresses = addresses.isEmpty() ? QList<QHostAddress>{literal} : addresses;
            // Started from the event loop: no event may reach the caller while open() runs.
            QMetaObject::invokeMethod(&m_context, [this] { startNextAttempt(); }, Qt::QueuedConnection);
            return;
        }
        QHostInfo::lookupHost(host, &m_context, [this](const QHostInfo &info) {
            if (m_done)
                return;
            if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
                fail(info.error() == QHostInfo::HostNotFound || info.addresses().isEmpty() ? QStringLiteral("Host not found")
                                                                                          : info.errorString(),
                     false);
                return;
            }
            m_addresses = interleaved(info.addresses());
            startNextAttempt();
        });
    }

    ~RacingStream() override { close(); }

    void send(const QByteArray &bytes) override
    {
        if (m_done || !m_socket)
            return;
        m_unsent += bytes.size();
        m_socket->write(bytes);
    }

    void close() override
    {
        m_done = true;
        m_stagger.stop();
        for (QTcpSocket *attempt : std::exchange(m_attempts, {}))
            discard(attempt);
        if (m_socket)
            discard(std::exchange(m_socket, nullptr));
    }

private:
    // Alternates the address families, keeping the resolver's order within each.
    static QList<QHostAddress> interleaved(const QList<QHostAddress> &addresses)
    {
        QList<QHostAddress> first;
        QList<QHostAddress> second;
        for (const QHostAddress &address : addresses)
            (address.protocol() == addresses.first().protocol() ? first : second).append(address);
        QList<QHostAddress> result;
        for (qsizetype i = 0; i < std::max(first.size(), second.size()); ++i) {
            if (i < first.size())
                result.append(first.at(i));
            if (i < second.size())
                result.append(second.at(i));
        }
        return result;
    }

    static void discard(QTcpSocket *socket)
    {
        socket->disconnect();
        socket->abort();
        socket->deleteLater();
    }

    void startNextAttempt()
    {
        if (m_done || m_socket)
            return;
        if (m_next >= m_addresses.size()) {
            if (m_attempts.isEmpty())
                fail(m_lastError.isEmpty() ? QStringLiteral("Connection refused") : m_lastError, false);
            return;
        }
        auto *attempt = new QTcpSocket(&m_context);
        attempt->setReadBufferSize(65536);
        m_attempts.append(attempt);
        QObject::connect(attempt, &QAbstractSocket::connected, &m_context, [this, attempt] { won(attempt); });
        QObject::connect(attempt, &QAbstractSocket::errorOccurred, &m_context, [this, attempt] {
            m_lastError = attempt->errorString();
            m_attempts.removeOne(attempt);
            discard(attempt);
            m_stagger.stop();
            startNextAttempt(); // a failed attempt hands over at once
        });
        attempt->connectToHost(m_addresses.at(m_next++), m_port);
        if (m_next < m_addresses.size())
            m_stagger.start();
    }

    void won(QTcpSocket *socket)
    {
        m_stagger.stop();
        m_attempts.removeOne(socket);
        for (QTcpSocket *other : std::exchange(m_attempts, {}))
            discard(other);
        socket->disconnect(&m_context);
        m_socket = socket;
        QObject::connect(socket, &QIODevice::readyRead, &m_context, [this] { readAvailable(); });
        QObject::connect(socket, &QIODevice::bytesWritten, &m_context, [this](qint64 written) {
            m_unsent -= written;
            if (m_unsent <= 0 && m_events.sent)
                m_events.sent();
        });
        QObject::connect(socket, &QAbstractSocket::disconnected, &m_context, [this] { endOfStream(); });
        QObject::connect(socket, &QAbstractSocket::errorOccurred, &m_context, [this](QAbstractSocket::SocketError error) {
            if (error == QAbstractSocket::RemoteHostClosedError) {
                if (peerReset())
                    fail(resetText, true);
                else
                    endOfStream();
                return;
            }
            fail(m_socket ? m_socket->errorString() : QString(), false);
        });
        errno = 0;
        if (m_events.connected)
            m_events.connected();
    }

    void readAvailable()
    {
        if (m_done || !m_socket)
            return;
        // read() sized to what is buffered: readAll() sets up at least 16 KiB for every call.
        const qint64 available = m_socket->bytesAvailable();
        const QByteArray chunk = available > 0 ? m_socket->read(available) : QByteArray();
        errno = 0;
        if (!chunk.isEmpty() && m_events.received)
            m_events.received(chunk);
    }

    void endOfStream()
    {
        readAvailable();
        if (m_done)
            return;
        close();
        if (m_events.ended)
            m_events.ended();
    }

    void fail(const QString &text, bool reset)
    {
        if (m_done)
            return;
        close();
        if (m_events.failed)
            m_events.failed(text, reset);
    }

    Events m_events;
    quint16 m_port;
    QObject m_context; // sockets, host lookups and timers die with the stream
    QTimer m_stagger;
    QList<QHostAddress> m_addresses;
    qsizetype m_next = 0;
    QList<QTcpSocket *> m_attempts;
    QTcpSocket *m_socket = nullptr;
    QString m_lastError;
    qint64 m_unsent = 0;
    bool m_done = false;
};

} // namespace

std::unique_ptr<TcpStream> TcpStream::open(const QString &host, quint16 port, Events events, std::chrono::milliseconds stagger,
                                           const QList<QHostAddress> &addresses)
{
    return std::make_unique<RacingStream>(host, port, std::move(events), stagger, addresses);
}

} // namespace orvane
