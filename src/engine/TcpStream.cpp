#include "TcpStream.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSslSocket>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_LINUX
#include <QHash>
#include <QSocketNotifier>

#include <net/if.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

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

class QtStream : public TcpStream
{
public:
    QtStream(Transport transport, const QString &host, quint16 port, Events events) : m_events(std::move(events))
    {
        const bool tls = transport == Transport::tls;
        m_socket.reset(tls ? new QSslSocket : new QTcpSocket);
        QTcpSocket *socket = m_socket.get();
        socket->setReadBufferSize(65536);
        QObject::connect(socket, &QIODevice::readyRead, socket, [this] { readAvailable(); });
        QObject::connect(socket, &QIODevice::bytesWritten, socket, [this](qint64 written) {
            m_unsent -= written;
            if (m_unsent <= 0 && m_events.sent)
                m_events.sent();
        });
        QObject::connect(socket, &QAbstractSocket::disconnected, socket, [this] { endOfStream(); });
        QObject::connect(socket, &QAbstractSocket::errorOccurred, socket,
                         [this](QAbstractSocket::SocketError error) { onError(error); });
        if (tls) {
            auto *secure = static_cast<QSslSocket *>(socket);
            QObject::connect(secure, &QSslSocket::encrypted, secure, [this] { onConnected(); });
            QObject::connect(secure, &QSslSocket::sslErrors, secure,
                             [this](const QList<QSslError> &errors) { m_sslErrors = errors; });
            secure->connectToHostEncrypted(host, port);
        } else {
            QObject::connect(socket, &QAbstractSocket::connected, socket, [this] { onConnected(); });
            socket->connectToHost(host, port);
        }
    }

    ~QtStream() override { close(); }

    void send(const QByteArray &bytes) override
    {
        if (m_done)
            return;
        m_unsent += bytes.size();
        m_socket->write(bytes);
    }

    void close() override
    {
        if (m_done)
            return;
        m_done = true;
        m_socket->disconnect();
        m_socket->abort();
    }

private:
    void onConnected()
    {
        m_connected = true;
        errno = 0;
        if (m_events.connected)
            m_events.connected();
    }

    void readAvailable()
    {
        if (m_done)
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
        m_done = true;
        if (m_events.ended)
            m_events.ended();
    }

    void fail(const QString &text, bool reset)
    {
        if (m_done)
            return;
        m_done = true;
        m_socket->abort();
        if (m_events.failed)
            m_events.failed(text, reset);
    }

    void onError(QAbstractSocket::SocketError error)
    {
        if (m_done)
            return;
        // The server closing its side is reported as an error; after connecting it is the end.
        if (error == QAbstractSocket::RemoteHostClosedError && m_connected) {
            if (peerReset())
                fail(resetText, true);
            else
                endOfStream();
            return;
        }
        QString text = m_socket->errorString();
        if (error == QAbstractSocket::SslHandshakeFailedError) {
            QStringList reasons;
            for (const QSslError &sslError : std::as_const(m_sslErrors))
                reasons << sslError.errorString();
            text = QStringLiteral("SSL handshake failed: ") + (reasons.isEmpty() ? text : reasons.join(QStringLiteral("; ")));
        }
        fail(text, false);
    }

    Events m_events;
    std::unique_ptr<QTcpSocket> m_socket;
    QList<QSslError> m_sslErrors;
    qint64 m_unsent = 0;
    bool m_connected = false;
    bool m_done = false;
};

#ifdef Q_OS_LINUX

class LeanStream;

// One epoll set per thread, watched by a single socket notifier and shared by that thread's
// lean streams; it goes with the last of them. Streams are found by id, so an event that was
// already fetched for a stream closed meanwhile finds nothing.
class EpollHub : public std::enable_shared_from_this<EpollHub>
{
public:
    static std::shared_ptr<EpollHub> forThisThread()
    {
        thread_local std::weak_ptr<EpollHub> current;
        std::shared_ptr<EpollHub> hub = current.lock();
        if (!hub) {
            hub = std::make_shared<EpollHub>();
            current = hub;
        }
        return hub;
    }

    EpollHub() : m_epoll(epoll_create1(EPOLL_CLOEXEC))
    {
        if (m_epoll < 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(m_epoll, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { dispatch(); });
    }

    ~EpollHub()
    {
        m_notifier.reset();
        if (m_epoll >= 0)
            ::close(m_epoll);
    }

    bool isValid() const { return m_epoll >= 0; }

    // 0 when the descriptor could not be watched (errno tells why).
    quint64 add(int fd, LeanStream *stream, uint32_t events)
    {
        const quint64 id = ++m_lastId;
        epoll_event event{};
        event.events = events;
        event.data.u64 = id;
        if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0)
            return 0;
        m_streams.insert(id, stream);
        return id;
    }

    void watch(int fd, quint64 id, uint32_t events)
    {
        epoll_event event{};
        event.events = events;
        event.data.u64 = id;
        epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &event);
    }

    void remove(int fd, quint64 id)
    {
        epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
        m_streams.remove(id);
    }

private:
    void dispatch();

    int m_epoll;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QHash<quint64, LeanStream *> m_streams;
    quint64 m_lastId = 0;
};

class LeanStream : public TcpStream
{
public:
    LeanStream(std::shared_ptr<EpollHub> hub, const QString &host, quint16 port, Events events)
        : m_hub(std::move(hub)), m_events(std::move(events)), m_port(port)
    {
        QHostAddress literal;
        if (literal.setAddress(host)) {
            m_addresses = {literal};
            connectToNext();
            return;
        }
        QHostInfo::lookupHost(host, &m_context, [this](const QHostInfo &info) {
            if (m_closed)
                return;
            if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
                fail(info.error() == QHostInfo::HostNotFound || info.addresses().isEmpty() ? QStringLiteral("Host not found")
                                                                                          : info.errorString(),
                     false);
                return;
            }
            m_addresses = info.addresses();
            connectToNext();
        });
    }

    ~LeanStream() override
    {
        *m_alive = false;
        closeSocket();
    }

    void send(const QByteArray &bytes) override
    {
        if (m_closed)
            return;
        m_unsent += bytes;
        if (m_fd >= 0 && !m_connecting)
            flush();
    }

    void close() override
    {
        m_closed = true;
        closeSocket();
    }

    void handle(uint32_t events)
    {
        if (m_connecting) {
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
            if (error == 0 && !(events & EPOLLOUT))
                return;
            if (error != 0) {
                closeSocket();
                m_lastError = error;
                connectToNext();
                return;
            }
            m_connecting = false;
            m_hub->watch(m_fd, m_id, EPOLLIN | EPOLLRDHUP);
            const std::shared_ptr<bool> alive = m_alive;
            if (m_events.connected)
                m_events.connected();
            if (!*alive || m_closed || m_fd < 0)
                return;
            if (!m_unsent.isEmpty())
                flush();
            if (!*alive || m_closed || m_fd < 0) // a failed send closes the socket and reports later
                return;
        }
        if ((events & EPOLLOUT) && !m_unsent.isEmpty()) {
            const std::shared_ptr<bool> alive = m_alive;
            flush();
            if (!*alive || m_closed || m_fd < 0)
                return;
        }
        if (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR))
            receive(events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR));
    }

private:
    void connectToNext()
    {
        while (m_next < m_addresses.size()) {
            const QHostAddress address = m_addresses.at(m_next++);
            const int error = connectTo(address);
            if (error == 0)
                return;
            m_lastError = error;
        }
        // Told from the event loop, as every other event; open() may still be running.
        failLater(qt_error_string(m_lastError != 0 ? m_lastError : ECONNREFUSED), false);
    }

    // 0 once the connection is under way, else the reason it could not start.
    int connectTo(const QHostAddress &address)
    {
        sockaddr_storage storage{};
        socklen_t length = 0;
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            auto *v4 = reinterpret_cast<sockaddr_in *>(&storage);
            v4->sin_family = AF_INET;
            v4->sin_port = htons(m_port);
            v4->sin_addr.s_addr = htonl(address.toIPv4Address());
            length = sizeof *v4;
        } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
            auto *v6 = reinterpret_cast<sockaddr_in6 *>(&storage);
            v6->sin6_family = AF_INET6;
            v6->sin6_port = htons(m_port);
            const Q_IPV6ADDR bytes = address.toIPv6Address();
            std::memcpy(&v6->sin6_addr, bytes.c, sizeof bytes.c);
            if (const QString scope = address.scopeId(); !scope.isEmpty()) {
                bool numeric = false;
                const uint index = scope.toUInt(&numeric);
                v6->sin6_scope_id = numeric ? index : if_nametoindex(scope.toLatin1().constData());
            }
            length = sizeof *v6;
        } else {
            return EAFNOSUPPORT;
        }
        const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd < 0)
            return errno;
        // EINTR too leaves the connection to complete on its own, as EINPROGRESS does.
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&storage), length) != 0 && errno != EINPROGRESS && errno != EINTR) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        const quint64 id = m_hub->add(fd, this, EPOLLOUT | EPOLLIN | EPOLLRDHUP);
        if (id == 0) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        m_fd = fd;
        m_id = id;
        m_connecting = true;
        return 0;
    }

    void flush()
    {
        while (!m_unsent.isEmpty()) {
            const ssize_t sent = ::send(m_fd, m_unsent.constData(), size_t(m_unsent.size()), MSG_NOSIGNAL);
            if (sent > 0) {
                m_unsent.remove(0, sent);
                continue;
            }
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                m_hub->watch(m_fd, m_id, EPOLLIN | EPOLLRDHUP | EPOLLOUT);
                m_waitingToSend = true;
                return;
            }
            const int error = errno;
            closeSocket();
            failLater(error == ECONNRESET ? resetText : qt_error_string(error), error == ECONNRESET);
            return;
        }
        if (m_waitingToSend) {
            m_hub->watch(m_fd, m_id, EPOLLIN | EPOLLRDHUP);
            m_waitingToSend = false;
        }
        if (m_events.sent)
            m_events.sent();
    }

    void receive(bool peerDone)
    {
        const std::shared_ptr<bool> alive = m_alive;
        char buffer[16384];
        // At most 256 KiB per pass: a fast sender must not keep the others waiting.
        for (int pass = 0; pass < 16; ++pass) {
            const ssize_t count = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (count > 0) {
                if (m_events.received)
                    m_events.received(QByteArray(buffer, count));
                if (!*alive || m_closed)
                    return;
                if (size_t(count) < sizeof buffer && !peerDone)
                    return; // drained; more comes with the next event
                continue;
            }
            if (count == 0) {
                closeSocket();
                m_closed = true;
                if (m_events.ended)
                    m_events.ended();
                return;
            }
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            const int error = errno;
            fail(error == ECONNRESET ? resetText : qt_error_string(error), error == ECONNRESET);
            return;
        }
    }

    void fail(const QString &text, bool reset)
    {
        if (m_closed)
            return;
        closeSocket();
        m_closed = true;
        if (m_events.failed)
            m_events.failed(text, reset);
    }

    void failLater(const QString &text, bool reset)
    {
        QMetaObject::invokeMethod(&m_context, [this, text, reset] { fail(text, reset); }, Qt::QueuedConnection);
    }

    void closeSocket()
    {
        if (m_fd < 0)
            return;
        m_hub->remove(m_fd, m_id);
        ::close(m_fd);
        m_fd = -1;
        m_id = 0;
    }

    std::shared_ptr<EpollHub> m_hub;
    Events m_events;
    quint16 m_port;
    QObject m_context; // host lookups and deferred failures die with the stream
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    QList<QHostAddress> m_addresses;
    qsizetype m_next = 0;
    int m_lastError = 0;
    int m_fd = -1;
    quint64 m_id = 0;
    bool m_connecting = false;
    bool m_waitingToSend = false;
    bool m_closed = false;
    QByteArray m_unsent;
};

void EpollHub::dispatch()
{
    const std::shared_ptr<EpollHub> self = shared_from_this(); // a stream's handler may drop the last other reference
    epoll_event events[128];
    int ready = 0;
    do {
        ready = epoll_wait(m_epoll, events, 128, 0);
        for (int i = 0; i < ready; ++i) {
            if (LeanStream *stream = m_streams.value(events[i].data.u64))
                stream->handle(events[i].events);
        }
    } while (ready == 128);
}

#endif // Q_OS_LINUX

} // namespace

TcpStream::Transport TcpStream::plainTransport()
{
    static const Transport transport = qEnvironmentVariable("ORVANE_TCP") == QLatin1String("qt") ? Transport::qt : Transport::plain;
    return transport;
}

std::unique_ptr<TcpStream> TcpStream::open(Transport transport, const QString &host, quint16 port, Events events)
{
#ifdef Q_OS_LINUX
    if (transport == Transport::plain) {
        std::shared_ptr<EpollHub> hub = EpollHub::forThisThread();
        if (hub->isValid())
            return std::make_unique<LeanStream>(std::move(hub), host, port, std::move(events));
    }
#endif
    return std::make_unique<QtStream>(transport, host, port, std::move(events));
}

} // namespace orvane
