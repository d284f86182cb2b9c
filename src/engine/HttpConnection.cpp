#include "HttpConnection.h"

#include "Completion.h"
#include "Logging.h"

#include "TcpStream.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <optional>
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

// Reads one HTTP/1.x response from the bytes of a connection: status line and headers, then a
// body framed by Content-Length, by chunked coding, or by the end of the connection (RFC 9112).
// Interim 1xx responses are skipped.
class ResponseReader
{
public:
    enum class Result {
        needMore,
        complete,
        notHttp,    // the first line is not an HTTP status line
        malformed,  // framing or head that cannot be read, or a head beyond its cap
        tooLarge,   // the body passed the cap
        cutShort,   // the connection ended before the response did
    };

    explicit ResponseReader(qint64 maxBody) : m_maxBody(maxBody) {}

    int status() const { return m_status; }
    const QByteArray &body() const { return m_body; }
    bool receivedAnything() const { return m_receivedAnything; }

    QByteArray header(QByteArrayView name) const
    {
        for (const HttpHeader &header : m_headers) {
            if (header.first == name)
                return header.second;
        }
        return {};
    }

    Result feed(const QByteArray &bytes)
    {
        if (bytes.isEmpty())
            return Result::needMore;
        m_receivedAnything = true;
        m_pending.append(bytes);
        const Result result = advance();
        // Drop what has been read; what is left is at most a partial line.
        m_pending.remove(0, m_pos);
        m_pos = 0;
        return result;
    }

    // The peer closed the connection.
    Result end()
    {
        if (m_state == State::done || m_state == State::untilClose)
            return Result::complete;
        return Result::cutShort;
    }

private:
    enum class State { statusLine, headers, length, untilClose, chunkSize, chunkData, chunkEnd, trailers, done };

    std::optional<QByteArray> takeLine()
    {
        const qsizetype newline = m_pending.indexOf('\n', m_pos);
        if (newline < 0)
            return std::nullopt;
        QByteArray line = m_pending.mid(m_pos, newline - m_pos);
        m_pos = newline + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    }

    qsizetype unread() const { return m_pending.size() - m_pos; }

    bool takeBody(qint64 most)
    {
        const qsizetype count = qsizetype(std::min<qint64>(most, unread()));
        m_body.append(m_pending.constData() + m_pos, count);
        m_pos += count;
        m_remaining -= count;
        return m_body.size() <= m_maxBody;
    }

    Result advance()
    {
        for (;;) {
            switch (m_state) {
            case State::statusLine:
            case State::headers:
            case State::trailers: {
                if (m_state == State::statusLine && unread() >= 5
                    && QByteArrayView(m_pending).sliced(m_pos, 5) != QByteArrayView("HTTP/"))
                    return Result::notHttp;
                const std::optional<QByteArray> line = takeLine();
                if (!line)
                    return unread() + m_headBytes > HttpConnection::maxHeadBytes ? Result::malformed : Result::needMore;
                m_headBytes += line->size() + 2;
                if (m_headBytes > HttpConnection::maxHeadBytes)
                    return Result::malformed;
                if (const auto result = headLine(*line))
                    return *result;
                break;
            }
            case State::length:
                if (!takeBody(m_remaining))
                    return Result::tooLarge;
                if (m_remaining > 0)
                    return Result::needMore;
                m_state = State::done;
                break;
            case State::untilClose:
                if (!takeBody(unread()))
                    return Result::tooLarge;
                return Result::needMore;
            case State::chunkSize: {
                const std::optional<QByteArray> line = takeLine();
                if (!line)
                    return unread() > 1024 ? Result::malformed : Result::needMore;
                const qsizetype extension = line->indexOf(';');
                const QByteArray digits = (extension < 0 ? *line : line->left(extension)).trimmed();
                bool ok = false;
                const qint64 size = digits.toLongLong(&ok, 16);
                if (!ok || size < 0 || digits.size() > 15)
                    return Result::malformed;
                if (m_body.size() + size > m_maxBody)
                    return Result::tooLarge;
                m_remaining = size;
                m_state = size == 0 ? State::trailers : State::chunkData;
                break;
            }
            case State::chunkData:
                takeBody(m_remaining);
                if (m_remaining > 0)
                    return Result::needMore;
                m_state = State::chunkEnd;
                break;
            case State::chunkEnd: {
                const std::optional<QByteArray> line = takeLine();
                if (!line)
                    return unread() > 2 ? Result::malformed : Result::needMore;
                if (!line->isEmpty())
                    return Result::malformed;
                m_state = State::chunkSize;
                break;
            }
            case State::done:
                return Result::complete;
            }
        }
    }

    // One line of the head (or of the trailers); a result when the response is decided.
    std::optional<Result> headLine(const QByteArray &line)
    {
        if (m_state == State::statusLine) {
            // "HTTP/1.1 404 Not Found": version, a blank, three digits, then anything.
            const QList<QByteArray> fields = line.split(' ');
            bool ok = false;
            const int status = fields.size() >= 2 && fields[1].size() == 3 ? fields[1].toInt(&ok) : 0;
            if (!ok || status < 100 || !fields[0].startsWith("HTTP/1."))
                return Result::notHttp;
            m_status = status;
            m_headers.clear();
            m_state = State::headers;
            return std::nullopt;
        }
        if (m_state == State::trailers) {
            if (line.isEmpty())
                m_state = State::done;
            return std::nullopt;
        }
        if (!line.isEmpty()) {
            if ((line.startsWith(' ') || line.startsWith('\t')) && !m_headers.isEmpty()) {
                m_headers.last().second += ' ' + line.trimmed(); // an obsolete folded line
                return std::nullopt;
            }
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                return Result::malformed;
            m_headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
            return std::nullopt;
        }
        return endOfHead();
    }

    std::optional<Result> endOfHead()
    {
        if (m_status < 200 && m_status != 101) { // interim: the real response follows
            m_state = State::statusLine;
            return std::nullopt;
        }
        if (m_status == 101 || m_status == 204 || m_status == 304) {
            m_state = State::done;
            return std::nullopt;
        }
        const QByteArray coding = header("transfer-encoding").toLower();
        if (!coding.isEmpty()) {
            // Chunked when it is the last coding; any other coding runs to the end of the connection.
            m_state = coding.split(',').last().trimmed() == "chunked" ? State::chunkSize : State::untilClose;
            return std::nullopt;
        }
        const QByteArray length = header("content-length");
        if (length.isEmpty()) {
            m_state = State::untilClose;
            return std::nullopt;
        }
        bool ok = false;
        const qint64 size = length.toLongLong(&ok);
        if (!ok || size < 0)
            return Result::malformed;
        if (size > m_maxBody)
            return Result::tooLarge;
        m_remaining = size;
        m_state = State::length;
        return std::nullopt;
    }

    qint64 m_maxBody;
    State m_state = State::statusLine;
    QByteArray m_pending;
    qsizetype m_pos = 0;
    qsizetype m_headBytes = 0;
    int m_status = 0;
    QList<HttpHeader> m_headers;
    QByteArray m_body;
    qint64 m_remaining = 0;
    bool m_receivedAnything = false;
};

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
        m_reader = ResponseReader(m_limits.maxBodyBytes);
        if (!isWebScheme(url) || url.host().isEmpty()) {
            fail(QStringLiteral("Protocol \"%1\" is unknown").arg(url.scheme()));
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
        m_stream = TcpStream::open(tls ? TcpStream::Transport::tls : TcpStream::plainTransport(), url.host(QUrl::FullyEncoded),
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

    void handle(ResponseReader::Result result)
    {
        switch (result) {
        case ResponseReader::Result::needMore:
            return;
        case ResponseReader::Result::complete:
            if (isRedirect(m_reader.status()) && !m_reader.header("location").isEmpty()) {
                redirect(m_reader.header("location"));
                return;
            }
            finish({HttpOutcome::Kind::response, m_reader.status(), m_reader.body(), {}});
            return;
        case ResponseReader::Result::notHttp:
            fail(QStringLiteral("The server did not answer in HTTP."));
            return;
        case ResponseReader::Result::malformed:
            fail(QStringLiteral("The server sent a malformed HTTP response."));
            return;
        case ResponseReader::Result::tooLarge:
            finish({HttpOutcome::Kind::tooLarge, m_reader.status(), {}, {}});
            return;
        case ResponseReader::Result::cutShort:
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
    ResponseReader m_reader;
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
