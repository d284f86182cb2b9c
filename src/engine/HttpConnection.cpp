#include "HttpConnection.h"

#include "Completion.h"
#include "Logging.h"

#include "HttpResponseReader.h"
#include "TcpStream.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace orvane {

namespace {

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isWebScheme(const QUrl &url)
{
    return url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
}

quint16 portOf(const QUrl &url)
{
    return quint16(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
}

class HttpExchange : public QObject
{
public:
    HttpExchange(QUrl url, QList<HttpHeader> headers, HttpLimits limits, QObject *parent)
        : QObject(parent), m_url(std::move(url)), m_headers(std::move(headers)), m_limits(limits), m_reader(limits.maxBodyBytes)
    {
    }

    ~HttpExchange() override { fail(QStringLiteral("Operation canceled")); }

    Completion<HttpOutcome> resumer;

    void start()
    {
        m_clock.start();
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { checkDeadlines(); });
        armTimer();
        open(m_url);
    }

private:
    void open(const QUrl &url)
    {
        if (m_stream) {
            // Kept until the exchange is over: this may run inside one of its own handlers.
            m_stream->close();
            m_retired.push_back(std::move(m_stream));
        }
        m_url = url;
        m_reader = HttpResponseReader(m_limits.maxBodyBytes);
        if (!isWebScheme(url)) {
            fail(QStringLiteral("Protocol \"%1\" is unknown").arg(url.scheme()));
            return;
        }
        if (!url.isValid() || url.host().isEmpty()) {
            fail(QStringLiteral("Invalid URL: %1").arg(url.toString()));
            return;
        }
        TcpStream::Events events;
        events.connected = [this] { sendRequest(); };
        events.sent = [this] { m_lastActivity = m_clock.elapsed(); };
        events.received = [this](const QByteArray &chunk) {
            if (resumer.isDone())
                return;
            m_lastActivity = m_clock.elapsed();
            handle(m_reader.feed(chunk));
        };
        events.ended = [this] {
            if (!resumer.isDone())
                handle(m_reader.end());
        };
        // Also a reset: once the response is complete, nothing listens any more.
        events.failed = [this](const QString &text, bool) { fail(text); };
        const bool tls = url.scheme() == QLatin1String("https");
        m_stream = TcpStream::open(tls ? TcpStream::Transport::tls : TcpStream::Transport::plain, url.host(QUrl::FullyEncoded),
                                   portOf(url), std::move(events));
    }

    void sendRequest()
    {
        m_lastActivity = m_clock.elapsed();
        QByteArray target = m_url.path(QUrl::FullyEncoded).toLatin1();
        if (target.isEmpty())
            target = "/";
        if (m_url.hasQuery())
            target += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
        QByteArray host = m_url.host(QUrl::FullyEncoded).toLatin1();
        if (host.contains(':'))
            host = '[' + host + ']';
        if (m_url.port() != -1)
            host += ':' + QByteArray::number(m_url.port());
        QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
        for (const HttpHeader &header : m_headers)
            request += header.first + ": " + header.second + "\r\n";
        request += "Connection: close\r\n\r\n";
        m_stream->send(request);
    }

    void handle(HttpResponseReader::Result result)
    {
        switch (result) {
        case HttpResponseReader::Result::needMore:
            return;
        case HttpResponseReader::Result::complete:
            if (isRedirect(m_reader.status()) && !m_reader.header("location").isEmpty()) {
                redirect(m_reader.header("location"));
                return;
            }
            finish({HttpOutcome::Kind::response, m_reader.status(), m_reader.body(), {}});
            return;
        case HttpResponseReader::Result::notHttp:
            fail(QStringLiteral("The server did not answer in HTTP."));
            return;
        case HttpResponseReader::Result::malformed:
            fail(QStringLiteral("The server sent a malformed HTTP response."));
            return;
        case HttpResponseReader::Result::tooLarge:
            finish({HttpOutcome::Kind::tooLarge, m_reader.status(), {}, {}});
            return;
        case HttpResponseReader::Result::cutShort:
            fail(m_reader.receivedAnything() ? QStringLiteral("The connection closed before the whole response arrived.")
                                             : QStringLiteral("The server closed the connection without answering."));
            return;
        }
    }

    void redirect(const QByteArray &location)
    {
        const QUrl target = m_url.resolved(QUrl::fromEncoded(location));
        if (m_url.scheme() == QLatin1String("https") && target.scheme() == QLatin1String("http")) {
            fail(QStringLiteral("Insecure redirect"));
            return;
        }
        if (++m_redirects > HttpConnection::maxRedirects) {
            fail(QStringLiteral("Too many redirects"));
            return;
        }
        qCDebug(lcRDAP, "Redirected to %s", qUtf8Printable(target.toString()));
        m_lastActivity = m_clock.elapsed();
        open(target);
    }

    // One timer for both limits: data arriving only moves a time stamp, and the timer
    // checks it when it fires, so hundreds of busy exchanges do not re-arm timers all the time.
    void armTimer()
    {
        qint64 due = m_lastActivity + m_limits.idle.count();
        if (m_limits.whole.count() > 0)
            due = std::min<qint64>(due, m_limits.whole.count());
        m_timer.start(int(std::max<qint64>(0, due - m_clock.elapsed())));
    }

    void checkDeadlines()
    {
        const qint64 now = m_clock.elapsed();
        if ((m_limits.whole.count() > 0 && now >= m_limits.whole.count()) || now - m_lastActivity >= m_limits.idle.count())
            fail(timedOutDescription());
        else
            armTimer();
    }

    void fail(const QString &text) { finish({HttpOutcome::Kind::transportError, 0, {}, text}); }

    void finish(HttpOutcome outcome)
    {
        if (!resumer.complete(std::move(outcome)))
            return;
        m_timer.stop();
        if (m_stream)
            m_stream->close();
    }

    QUrl m_url;
    QList<HttpHeader> m_headers;
    HttpLimits m_limits;
    HttpResponseReader m_reader;
    std::unique_ptr<TcpStream> m_stream;
    std::vector<std::unique_ptr<TcpStream>> m_retired; // streams left behind by redirects
    QTimer m_timer{this};
    QElapsedTimer m_clock;
    qint64 m_lastActivity = 0;
    int m_redirects = 0;
};

} // namespace

QCoro::Task<HttpOutcome> HttpConnection::get(QUrl url, QList<HttpHeader> headers, HttpLimits limits, QObject *context)
{
    QPointer<HttpExchange> exchange = new HttpExchange(std::move(url), std::move(headers), limits, context);
    auto resumer = exchange->resumer;
    exchange->start();
    HttpOutcome outcome = co_await resumer.wait();
    // Resumed from the event loop, never from inside one of the exchange's own handlers.
    delete exchange.data();
    co_return outcome;
}

} // namespace orvane
