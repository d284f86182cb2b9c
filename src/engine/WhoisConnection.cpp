#include "engine/WhoisConnection.h"

#include "net/Completion.h"
#include "engine/Logging.h"

#include "net/ProxyTunnel.h"
#include "net/TcpStream.h"

#include <QPointer>
#include <QTimer>

namespace orvane {

namespace {

using Answer = std::expected<QString, WhoisError>;

// The bytes received so far. Invalid UTF-8 is decoded leniently (U+FFFD) rather than
// dropped: an answer in Latin-1 must still read as the record it is, never as empty.
class ResponseBuffer
{
public:
    void append(const QByteArray &chunk) { m_data.append(chunk); }
    qsizetype size() const { return m_data.size(); }
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
            if (!resumer.isDone())
                qCCritical(lcWhois, "Watchdog fired for %s", qUtf8Printable(m_host));
            finish(std::unexpected(WhoisError::timedOut()));
        });
        m_watchdog.start(m_options.timeout);

        TcpStream::Events events;
        events.connected = [this] {
            qCDebug(lcWhois, "[%s] state: ready", qUtf8Printable(m_host));
            m_phase = Phase::sending;
            m_stream->send(m_payload);
        };
        events.sent = [this] {
            if (m_phase == Phase::sending)
                m_phase = Phase::receiving;
        };
        events.received = [this](const QByteArray &chunk) { append(chunk); };
        events.ended = [this] { finish(m_buffer.text()); };
        events.failed = [this](const QString &text, bool reset) { onFailure(text, reset); };
        qCDebug(lcWhois, "[%s] state: preparing", qUtf8Printable(m_host));
        // With a proxy set, the proxy or nothing: a refusal there is the answer, never a
        // reason to try the direct way.
        if (m_options.proxy && !bypassesProxy(m_host, m_options.proxy->noProxy))
            m_stream = openThroughProxy(m_options.proxy->url, m_host, m_options.port, std::move(events));
        else
            m_stream = TcpStream::open(m_host, m_options.port, std::move(events), m_options.stagger,
                                       m_options.addresses);
    }

    // The owner gave up: keep what arrived, if anything.
    void cancel()
    {
        if (resumer.isDone())
            return;
        const QString text = m_buffer.text();
        resumer.complete(text.isEmpty() ? Answer(std::unexpected(WhoisError::cancelled())) : Answer(text));
        m_watchdog.stop();
        if (m_stream)
            m_stream->close();
    }

private:
    void append(const QByteArray &chunk)
    {
        if (resumer.isDone())
            return;
        m_buffer.append(chunk);
        if (m_options.received)
            m_options.received(m_buffer.size());
        if (m_buffer.size() > m_options.maxAnswerBytes) {
            qCDebug(lcWhois, "[%s] answer passed %lld bytes, closing", qUtf8Printable(m_host),
                    static_cast<long long>(m_options.maxAnswerBytes));
            finish(std::unexpected(WhoisError::readFailed(lookupText::text(lookupText::answerTooLarge))));
        }
    }

    void onFailure(const QString &detail, bool reset)
    {
        if (resumer.isDone())
            return;
        qCDebug(lcWhois, "[%s] state: failed (%s)", qUtf8Printable(m_host), qUtf8Printable(detail));
        // A reset once connected ends the read: it must never pass for an empty answer.
        if (reset && m_phase != Phase::connecting) {
            finish(std::unexpected(WhoisError::readFailed(detail)));
            return;
        }
        switch (m_phase) {
        case Phase::connecting:
            finish(std::unexpected(WhoisError::connectionFailed(lookupText::text(lookupText::whileConnecting, detail))));
            break;
        case Phase::sending:
            finish(std::unexpected(WhoisError::connectionFailed(lookupText::text(lookupText::whileSending, detail))));
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
            if (m_stream)
                m_stream->close();
        }
    }

    QString m_host;
    QByteArray m_payload;
    WhoisConnection::Options m_options;
    std::unique_ptr<TcpStream> m_stream;
    QTimer m_watchdog{this};
    ResponseBuffer m_buffer;
    Phase m_phase = Phase::connecting;
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
