#include "WhoisConnection.h"

#include "Completion.h"
#include "Logging.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>

namespace orvane {

namespace {

using Answer = std::expected<QString, WhoisError>;

const char *stateText(QAbstractSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::UnconnectedState: return "unconnected";
    case QAbstractSocket::HostLookupState: return "preparing (host lookup)";
    case QAbstractSocket::ConnectingState: return "preparing (connecting)";
    case QAbstractSocket::ConnectedState: return "ready";
    case QAbstractSocket::BoundState: return "bound";
    case QAbstractSocket::ClosingState: return "closing";
    case QAbstractSocket::ListeningState: return "listening";
    }
    return "unknown";
}

// QTcpSocket reports a reset connection exactly like an orderly close. On Unix the
// failed read leaves ECONNRESET in errno right before the error is emitted; our own
// handlers clear errno after each read, so a stale value cannot be mistaken for it.
// Telling the two apart matters: a registry that resets before answering must not
// read as an empty answer, which the line rule would call free.
bool peerReset()
{
#ifdef Q_OS_UNIX
    return errno == ECONNRESET;
#else
    return false;
#endif
}

// The bytes received so far. Invalid UTF-8 is decoded leniently (U+FFFD) rather than
// dropped: an answer in Latin-1 must still read as the record it is, never as empty.
class ResponseBuffer
{
public:
    void append(const QByteArray &chunk) { m_data.append(chunk); }
    qsizetype size() const { return m_data.size(); }
    void truncate(qsizetype size) { m_data.truncate(size); }
    QString text() const { return QString::fromUtf8(m_data); }

private:
    QByteArray m_data;
};

class WhoisExchange : public QObject
{
public:
    enum class Phase { connecting, sending, receiving };

    WhoisExchange(QString host, QByteArray payload, WhoisConnection::Options options, QObject *parent)
        : QObject(parent), m_host(std::move(host)), m_payload(std::move(payload)), m_options(options)
    {
    }

    ~WhoisExchange() override { cancel(); }

    Completion<Answer> resumer;

    void start()
    {
        qCDebug(lcWhois, "Connecting to %s:%u", qUtf8Printable(m_host), unsigned(m_options.port));

        m_watchdog.setSingleShot(true);
        connect(&m_watchdog, &QTimer::timeout, this, [this] {
            if (resumer.complete(std::unexpected(WhoisError::timedOut()))) {
                qCCritical(lcWhois, "Watchdog fired for %s", qUtf8Printable(m_host));
                m_socket.abort();
            }
        });
        m_watchdog.start(m_options.timeout);

        m_socket.setReadBufferSize(65536);
        connect(&m_socket, &QAbstractSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
            qCDebug(lcWhois, "[%s] state: %s", qUtf8Printable(m_host), stateText(state));
        });
        connect(&m_socket, &QAbstractSocket::connected, this, [this] {
            m_phase = Phase::sending;
            m_socket.write(m_payload);
            errno = 0;
        });
        connect(&m_socket, &QAbstractSocket::bytesWritten, this, [this](qint64 written) {
            m_written += written;
            if (m_phase == Phase::sending && m_written >= m_payload.size())
                m_phase = Phase::receiving;
        });
        connect(&m_socket, &QIODevice::readyRead, this, [this] { readAvailable(); });
        connect(&m_socket, &QAbstractSocket::disconnected, this, [this] { endOfStream(); });
        connect(&m_socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
            onError(error);
        });
        m_socket.connectToHost(m_host, m_options.port);
    }

    // The owner gave up: keep what arrived, if anything.
    void cancel()
    {
        if (resumer.isDone())
            return;
        readAvailable();
        const QString text = m_buffer.text();
        resumer.complete(text.isEmpty() ? Answer(std::unexpected(WhoisError::cancelled())) : Answer(text));
        m_watchdog.stop();
        m_socket.abort();
    }

private:
    void readAvailable()
    {
        if (resumer.isDone())
            return;
        // read() sized to what is buffered: readAll() sets up at least 16 KiB for every call,
        // even on an empty socket, and the chunk would keep that capacity in the answer.
        const qint64 available = m_socket.bytesAvailable();
        const QByteArray chunk = available > 0 ? m_socket.read(available) : QByteArray();
        errno = 0;
        if (!chunk.isEmpty()) {
            m_buffer.append(chunk);
            if (m_options.received)
                m_options.received(m_buffer.size());
        }
        if (m_buffer.size() > m_options.maxAnswerBytes) {
            m_buffer.truncate(m_options.maxAnswerBytes);
            qCDebug(lcWhois, "[%s] answer passed %lld bytes, closing", qUtf8Printable(m_host),
                    static_cast<long long>(m_options.maxAnswerBytes));
            finish(m_buffer.text());
        }
    }

    void endOfStream()
    {
        readAvailable();
        finish(m_buffer.text());
    }

    void onError(QAbstractSocket::SocketError error)
    {
        if (resumer.isDone())
            return;
        // QTcpSocket reports the server closing its side as an error; that is the end of the answer.
        if (error == QAbstractSocket::RemoteHostClosedError && m_phase != Phase::connecting) {
            if (peerReset())
                finish(std::unexpected(WhoisError::readFailed(QStringLiteral("Connection reset by peer"))));
            else
                endOfStream();
            return;
        }
        const QString detail = m_socket.errorString();
        switch (m_phase) {
        case Phase::connecting:
            finish(std::unexpected(WhoisError::connectionFailed(QStringLiteral("waiting: ") + detail)));
            break;
        case Phase::sending:
            finish(std::unexpected(WhoisError::connectionFailed(QStringLiteral("send: ") + detail)));
            break;
        case Phase::receiving:
            finish(std::unexpected(WhoisError::readFailed(detail)));
            break;
        }
    }

    void finish(Answer answer)
    {
        if (resumer.complete(std::move(answer))) {
            m_watchdog.stop();
            m_socket.abort();
        }
    }

    QString m_host;
    QByteArray m_payload;
    WhoisConnection::Options m_options;
    QTcpSocket m_socket{this};
    QTimer m_watchdog{this};
    ResponseBuffer m_buffer;
    Phase m_phase = Phase::connecting;
    qint64 m_written = 0;
};

} // namespace

QCoro::Task<std::expected<QString, WhoisError>> WhoisConnection::query(QString server, QByteArray payload,
                                                                       Options options, QObject *context)
{
    QPointer<WhoisExchange> exchange = new WhoisExchange(std::move(server), std::move(payload), options, context);
    auto resumer = exchange->resumer;
    exchange->start();
    const Answer answer = co_await resumer.wait();
    // Resumed from the event loop, never from inside one of the exchange's own handlers.
    delete exchange.data();
    co_return answer;
}

} // namespace orvane
