#include "net/HttpClient.h"

#include "net/Completion.h"
#include "net/CurlMulti.h"
#include "net/NetLogging.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <cerrno>

// The transfer policy: what is asked, which redirects are followed, which answers are trusted and
// what each way of ending becomes. The bridge to the event loop is CurlMulti.

namespace orvane {

// English, as every error the lookups give; marked so that the windows can show them translated.
QString timedOutDescription()
{
    return QStringLiteral(QT_TRANSLATE_NOOP("orvane::LookupText", "The request timed out."));
}

QString cancelledDescription()
{
    return QStringLiteral(QT_TRANSLATE_NOOP("orvane::LookupText", "Cancelled"));
}

namespace {

bool isRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The connection broke while the TLS handshake ran: reset, refused, timed out, closed. That is
// the network failing, as before any handshake; it proves nothing about who is at the other end.
bool isBrokenHandshake(CURL *easy, const QString &detail)
{
    long osError = 0;
    curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
    switch (osError) {
    case ECONNRESET:
    case ECONNREFUSED:
    case ECONNABORTED:
    case ETIMEDOUT:
    case EPIPE:
    case ENETUNREACH:
    case EHOSTUNREACH:
        return true;
    default:
        break;
    }
    // OpenSSL queued no error of its own (curl then names the system call's failure, or its bare
    // SSL_ERROR_SYSCALL), or it saw the connection end in the middle of the handshake.
    return (detail.contains(QLatin1String("SSL_connect: ")) && detail.contains(QLatin1String(" in connection to ")))
           || detail.contains(QLatin1String("unexpected eof while reading"), Qt::CaseInsensitive);
}

// The server did not prove who it is: its certificate, an alert, or a handshake that breaks the
// protocol. (A missing or unreadable set of authorities on this machine is not among these:
// nobody on the path can cause it.)
bool isTlsFailure(CURLcode code)
{
    switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return true;
    default:
        return false;
    }
}

bool startsWithField(const QByteArray &line, QByteArrayView name)
{
    return line.size() > name.size() && line.first(name.size()).compare(name, Qt::CaseInsensitive) == 0;
}

HttpOutcome ended(HttpOutcome::Kind kind, QString text = {}, QString host = {})
{
    HttpOutcome outcome;
    outcome.kind = kind;
    outcome.errorText = std::move(text);
    outcome.host = std::move(host);
    return outcome;
}

class Transfer;

} // namespace

struct HttpClient::Private {
    explicit Private(HttpClientOptions opts)
        : options(std::move(opts)), multi(CurlMulti::Options{options.caFile, options.resolve, options.maxHostConnections})
    {
    }
    ~Private();

    HttpClientOptions options;
    CurlMulti multi;
    QSet<Transfer *> transfers;
};

namespace {

// One GET, across its redirects. Owned by the caller's context (or the client).
class Transfer : public QObject, public CurlMulti::Handler
{
public:
    Transfer(HttpClient::Private *client, QUrl url, QList<HttpHeader> headers, HttpLimits limits, bool headOnly, QObject *parent)
        : QObject(parent), m_client(client), m_url(std::move(url)), m_headers(std::move(headers)), m_limits(limits),
          m_headOnly(headOnly)
    {
    }

    ~Transfer() override
    {
        fail(cancelledDescription());
        if (m_headerList)
            curl_slist_free_all(m_headerList);
    }

    Completion<HttpOutcome> resumer;

    void start()
    {
        m_client->transfers.insert(this);
        m_clock.start();
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { checkDeadlines(); });
        armTimer();
        if (!m_client->multi.setupError().isEmpty()) {
            fail(m_client->multi.setupError());
            return;
        }
        open(m_url);
    }

    // curl is done with the current hop.
    void transferDone(CURLcode code) override
    {
        if (code == CURLE_FAILED_INIT) {
            fail(QStringLiteral("Could not start the request"));
            return;
        }
        if (code == CURLE_OK) {
            long status = 0;
            curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
            char *location = nullptr;
            curl_easy_getinfo(m_easy, CURLINFO_REDIRECT_URL, &location);
            if (isRedirect(status) && location) {
                redirect(QUrl::fromEncoded(QByteArray(location)));
                return;
            }
            if (m_url.scheme() == QLatin1String("https") && m_http1 && !m_framed && status != 204 && status != 304) {
                // Over TLS libcurl takes a close without close-notify for the end of the body, so
                // a body that runs until the connection closes could have been cut by anyone on
                // the path: it proves nothing.
                finish(ended(HttpOutcome::Kind::invalid, QStringLiteral("The answer has no length over TLS.")));
                return;
            }
            HttpOutcome outcome = ended(HttpOutcome::Kind::response);
            outcome.status = int(status);
            outcome.body = std::move(m_body);
            outcome.retryAfter = m_retryAfter;
            long version = 0;
            curl_easy_getinfo(m_easy, CURLINFO_HTTP_VERSION, &version);
            outcome.multiplexed = version >= CURL_HTTP_VERSION_2_0;
            finish(std::move(outcome));
            return;
        }
        const QString detail = m_error[0] ? QString::fromUtf8(m_error) : QString::fromUtf8(curl_easy_strerror(code));
        if (m_tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
            finish(ended(HttpOutcome::Kind::tooLarge));
        } else if (m_conflictingLength) {
            finish(ended(HttpOutcome::Kind::invalid, QStringLiteral("The server sent conflicting Content-Length headers.")));
        } else if (code == CURLE_SSL_CONNECT_ERROR && isBrokenHandshake(m_easy, detail)) {
            fail(detail);
        } else if (isTlsFailure(code)) {
            finish(ended(HttpOutcome::Kind::tlsFailure, detail, m_url.host()));
        } else if (code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_UNSUPPORTED_PROTOCOL) {
            finish(ended(HttpOutcome::Kind::notHttp, detail));
        } else if (code == CURLE_BAD_CONTENT_ENCODING || code == CURLE_PARTIAL_FILE || code == CURLE_HTTP2
                   || code == CURLE_HTTP2_STREAM || (code == CURLE_RECV_ERROR && m_answerStarted)) {
            // An answer began and cannot be read as the server framed it: never a short body.
            finish(ended(HttpOutcome::Kind::invalid, detail));
        } else if (code == CURLE_OPERATION_TIMEDOUT) {
            fail(timedOutDescription());
        } else {
            fail(detail);
        }
    }

private:
    void open(const QUrl &url)
    {
        m_url = url;
        if (!m_easy) {
            m_easy = curl_easy_init();
            QString problem;
            if (!m_easy)
                problem = QStringLiteral("Out of memory");
            else if (!m_client->multi.prepare(m_easy, &problem) || !configure(&problem))
                qCWarning(lcNet, "Could not set up a request: %s", qUtf8Printable(problem));
            if (!problem.isEmpty()) {
                fail(QStringLiteral("Could not start the request"));
                return;
            }
        } else {
            m_client->multi.remove(m_easy);
        }
        m_body.clear();
        m_retryAfter.clear();
        m_tooLarge = m_conflictingLength = m_answerStarted = m_http1 = m_framed = false;
        m_contentLength.clear();
        m_error[0] = 0;
        CURLcode code = curl_easy_setopt(m_easy, CURLOPT_URL, url.toEncoded().constData());
        // A redirect restarts curl's own clock; ours keeps counting across hops.
        if (code == CURLE_OK && m_limits.whole.count() > 0)
            code = curl_easy_setopt(m_easy, CURLOPT_TIMEOUT_MS, long(std::max<qint64>(1, m_limits.whole.count() - m_clock.elapsed())));
        if (code != CURLE_OK) {
            fail(QStringLiteral("Invalid URL: %1").arg(url.toString()));
            return;
        }
        m_client->multi.add(m_easy, this);
    }

    // What this program asks of every request. False, with the option curl refused, otherwise.
    bool configure(QString *problem)
    {
        const bool https = m_url.scheme() == QLatin1String("https");
        for (const HttpHeader &header : std::as_const(m_headers))
            m_headerList = curl_slist_append(m_headerList, QByteArray(header.first + ": " + header.second).constData());
        const QList<QPair<const char *, CURLcode>> results{
            {"CURLOPT_NOSIGNAL", curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L)},
            {"CURLOPT_ERRORBUFFER", curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error)},
            {"CURLOPT_PROTOCOLS_STR", curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https")},
            {"CURLOPT_FOLLOWLOCATION", curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 0L)}, // followed by hand, under our rules
            {"CURLOPT_HTTP_VERSION", curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS))},
            // Wait for a connection that may carry several streams rather than open more; over
            // plain http (never HTTP/2 here) that would only hold requests until the first answer.
            {"CURLOPT_PIPEWAIT", curl_easy_setopt(m_easy, CURLOPT_PIPEWAIT, https ? 1L : 0L)},
            {"CURLOPT_ACCEPT_ENCODING", curl_easy_setopt(m_easy, CURLOPT_ACCEPT_ENCODING, "")},
            {"CURLOPT_SSL_VERIFYPEER", curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYPEER, 1L)},
            {"CURLOPT_SSL_VERIFYHOST", curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYHOST, 2L)},
            {"CURLOPT_CONNECTTIMEOUT_MS", curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS, long(m_limits.idle.count()))},
            {"CURLOPT_MAXFILESIZE_LARGE", curl_easy_setopt(m_easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_limits.maxBodyBytes))},
            {"CURLOPT_WRITEFUNCTION", curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody)},
            {"CURLOPT_WRITEDATA", curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this)},
            {"CURLOPT_HEADERFUNCTION", curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader)},
            {"CURLOPT_HEADERDATA", curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this)},
            {"CURLOPT_HTTPHEADER", curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headerList)},
            {"CURLOPT_NOBODY", curl_easy_setopt(m_easy, CURLOPT_NOBODY, m_headOnly ? 1L : 0L)},
        };
        for (const auto &[name, code] : results) {
            if (code != CURLE_OK) {
                *problem = QStringLiteral("%1: %2").arg(QLatin1String(name), QString::fromUtf8(curl_easy_strerror(code)));
                return false;
            }
        }
        return true;
    }

    static size_t onBody(char *data, size_t size, size_t count, void *self)
    {
        auto *transfer = static_cast<Transfer *>(self);
        const qint64 bytes = qint64(size * count);
        transfer->m_lastActivity = transfer->m_clock.elapsed();
        if (transfer->m_body.size() + bytes > transfer->m_limits.maxBodyBytes) {
            transfer->m_tooLarge = true;
            return 0;
        }
        transfer->m_body.append(data, bytes);
        return size_t(bytes);
    }

    static size_t onHeader(char *data, size_t size, size_t count, void *self)
    {
        auto *transfer = static_cast<Transfer *>(self);
        const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
        transfer->m_lastActivity = transfer->m_clock.elapsed();
        transfer->m_answerStarted = true;
        if (line.startsWith("HTTP/")) {
            // A new answer (after 1xx) starts its own headers.
            transfer->m_contentLength.clear();
            transfer->m_retryAfter.clear();
            transfer->m_http1 = line.startsWith("HTTP/1.");
            transfer->m_framed = false;
        } else if (startsWithField(line, "transfer-encoding:")) {
            transfer->m_framed = true; // curl refuses anything but chunked as the last coding
        } else if (startsWithField(line, "content-length:")) {
            // Two different lengths: which one frames the body is anyone's guess, so neither does.
            const QByteArray value = line.mid(15).trimmed();
            if (!transfer->m_contentLength.isEmpty() && transfer->m_contentLength != value) {
                transfer->m_conflictingLength = true;
                return 0;
            }
            transfer->m_contentLength = value;
            transfer->m_framed = true;
        } else if (startsWithField(line, "retry-after:")) {
            transfer->m_retryAfter = line.mid(12).trimmed().left(64);
        }
        return size * count;
    }

    void redirect(const QUrl &target)
    {
        if (++m_redirects > HttpClient::maxRedirects) {
            fail(QStringLiteral("Too many redirects"));
            return;
        }
        if (target.scheme() != QLatin1String("https") && target.scheme() != QLatin1String("http")) {
            fail(QStringLiteral("Protocol \"%1\" is unknown").arg(target.scheme()));
            return;
        }
        if (m_url.scheme() == QLatin1String("https") && target.scheme() != QLatin1String("https")) {
            fail(QStringLiteral("Insecure redirect"));
            return;
        }
        if (!target.isValid() || target.host().isEmpty()) {
            fail(QStringLiteral("Invalid URL: %1").arg(target.toString()));
            return;
        }
        // A registry names its servers; an address in a redirect points somewhere no name vouches for.
        if (!QHostAddress(target.host()).isNull()) {
            fail(QStringLiteral("Redirect to an IP address refused"));
            return;
        }
        qCDebug(lcNet, "Redirected to %s", qUtf8Printable(target.toString()));
        m_lastActivity = m_clock.elapsed();
        open(target);
    }

    // One timer for both limits: data arriving only moves a time stamp, and the timer checks it
    // when it fires, so hundreds of busy exchanges do not re-arm timers all the time.
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

    void fail(const QString &text) { finish(ended(HttpOutcome::Kind::transportError, text)); }

    void finish(HttpOutcome outcome)
    {
        if (!resumer.complete(std::move(outcome)))
            return;
        m_timer.stop();
        m_client->transfers.remove(this);
        if (m_easy) {
            m_client->multi.remove(m_easy);
            curl_easy_cleanup(m_easy);
            m_easy = nullptr;
        }
    }

    HttpClient::Private *m_client;
    QUrl m_url;
    QList<HttpHeader> m_headers;
    HttpLimits m_limits;
    bool m_headOnly = false;
    CURL *m_easy = nullptr;
    curl_slist *m_headerList = nullptr;
    char m_error[CURL_ERROR_SIZE] = {};
    QByteArray m_body;
    QByteArray m_contentLength;
    QByteArray m_retryAfter;
    bool m_tooLarge = false;
    bool m_conflictingLength = false;
    bool m_answerStarted = false;
    bool m_http1 = false;
    bool m_framed = false;
    QTimer m_timer{this};
    QElapsedTimer m_clock;
    qint64 m_lastActivity = 0;
    int m_redirects = 0;
};

QCoro::Task<HttpOutcome> exchange(HttpClient::Private *client, QUrl url, QList<HttpHeader> headers, HttpLimits limits, bool headOnly,
                                   QObject *owner)
{
    QPointer<Transfer> transfer = new Transfer(client, std::move(url), std::move(headers), limits, headOnly, owner);
    auto resumer = transfer->resumer;
    transfer->start();
    HttpOutcome outcome = co_await resumer.wait();
    // Resumed from the event loop, never from inside one of curl's callbacks.
    delete transfer.data();
    co_return outcome;
}

QPointer<HttpClient> sharedClient;

void closeSharedClient()
{
    delete sharedClient.data();
    // The exchanges it ended resume their callers through calls posted to the application:
    // deliver them now, or those coroutines stay suspended for good.
    QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
}

} // namespace

HttpClient::Private::~Private()
{
    for (Transfer *transfer : QSet<Transfer *>(transfers))
        delete transfer;
}

HttpClient *HttpClient::shared()
{
    if (!sharedClient) {
        sharedClient = new HttpClient;
        // Before the event dispatcher goes: the kept connections close while their notifiers can.
        qAddPostRoutine(closeSharedClient);
    }
    return sharedClient;
}

HttpClient::HttpClient(HttpClientOptions options, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>(std::move(options)))
{
}

HttpClient::~HttpClient() = default;

int HttpClient::openSockets() const
{
    return d->multi.openSockets();
}

long HttpClient::maxHostConnections() const
{
    return d->options.maxHostConnections;
}

QCoro::Task<HttpOutcome> HttpClient::get(QUrl url, QList<HttpHeader> headers, HttpLimits limits, QObject *context)
{
    co_return co_await exchange(d.get(), std::move(url), std::move(headers), limits, false, context ? context : this);
}

QCoro::Task<bool> HttpClient::preconnect(QUrl url, QList<HttpHeader> headers, HttpLimits limits, QObject *context)
{
    const HttpOutcome outcome = co_await exchange(d.get(), std::move(url), std::move(headers), limits, true, context ? context : this);
    co_return outcome.kind != HttpOutcome::Kind::transportError && outcome.kind != HttpOutcome::Kind::tlsFailure;
}

} // namespace orvane
