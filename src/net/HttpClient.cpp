#include "net/HttpClient.h"

#include "net/Completion.h"
#include "net/NetLogging.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <curl/curl.h>

#include <algorithm>
#include <climits>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {

QString timedOutDescription()
{
    return QStringLiteral("The request timed out.");
}

namespace {

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~CurlGlobal() { curl_global_cleanup(); }
};

void ensureCurlGlobal()
{
    static CurlGlobal global;
}

bool isRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The server did not prove who it is. (A missing or unreadable set of authorities on this
// machine is not among these: nobody on the path can cause it.)
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

class Transfer;

// One socket curl wants watched; notifiers are made only for the directions asked for.
struct SocketWatch {
    QSocketNotifier *read = nullptr;
    QSocketNotifier *write = nullptr;
};

} // namespace

struct HttpClient::Private {
    HttpClient *q;
    HttpClientOptions options;
    CURLM *multi = nullptr;
    CURLSH *share = nullptr;
    curl_slist *resolve = nullptr;
    QTimer timer;
    QTimer admitTimer;
    QList<Transfer *> waiting; // started, not yet handed to curl
    QSet<SocketWatch *> watches;
    QSet<Transfer *> transfers;
    int openSockets = 0;
    bool closing = false; // no event loop pass follows: notifiers go at once

    explicit Private(HttpClient *owner, HttpClientOptions opts);
    ~Private();

    void socketAction(curl_socket_t socket, int events);
    void admit(Transfer *transfer);
    void admitSome();
    void collectFinished();
    void retire(QSocketNotifier *&notifier) const;
};

namespace {

// One GET, across its redirects. Owned by the caller's context (or the client).
class Transfer : public QObject
{
public:
    Transfer(HttpClient::Private *client, QUrl url, QList<HttpHeader> headers, HttpLimits limits, QObject *parent)
        : QObject(parent), m_client(client), m_url(std::move(url)), m_headers(std::move(headers)), m_limits(limits)
    {
    }

    ~Transfer() override
    {
        fail(QStringLiteral("Operation canceled"));
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
        open(m_url);
    }

    // curl is done with the current hop.
    void hopFinished(CURLcode code)
    {
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
                finish({HttpOutcome::Kind::invalid, 0, {}, QStringLiteral("The answer has no length over TLS."), {}});
                return;
            }
            finish({HttpOutcome::Kind::response, int(status), std::move(m_body), {}, {}});
            return;
        }
        const QString detail = m_error[0] ? QString::fromUtf8(m_error) : QString::fromUtf8(curl_easy_strerror(code));
        if (m_tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
            finish({HttpOutcome::Kind::tooLarge, 0, {}, {}, {}});
        } else if (m_conflictingLength) {
            finish({HttpOutcome::Kind::invalid, 0, {}, QStringLiteral("The server sent conflicting Content-Length headers."), {}});
        } else if (isTlsFailure(code)) {
            finish({HttpOutcome::Kind::tlsFailure, 0, {}, detail, m_url.host()});
        } else if (code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_UNSUPPORTED_PROTOCOL) {
            finish({HttpOutcome::Kind::notHttp, 0, {}, detail, {}});
        } else if (code == CURLE_BAD_CONTENT_ENCODING || code == CURLE_PARTIAL_FILE || code == CURLE_HTTP2
                   || code == CURLE_HTTP2_STREAM || (code == CURLE_RECV_ERROR && m_answerStarted)) {
            // An answer began and cannot be read as the server framed it: never a short body.
            finish({HttpOutcome::Kind::invalid, 0, {}, detail, {}});
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
            if (!m_easy) {
                fail(QStringLiteral("Out of memory"));
                return;
            }
            configure();
        } else {
            curl_multi_remove_handle(m_client->multi, m_easy);
        }
        m_body.clear();
        m_tooLarge = m_conflictingLength = m_answerStarted = m_http1 = m_framed = false;
        m_contentLength.clear();
        m_error[0] = 0;
        curl_easy_setopt(m_easy, CURLOPT_URL, url.toEncoded().constData());
        // A redirect restarts curl's own clock; ours keeps counting across hops.
        if (m_limits.whole.count() > 0)
            curl_easy_setopt(m_easy, CURLOPT_TIMEOUT_MS, long(std::max<qint64>(1, m_limits.whole.count() - m_clock.elapsed())));
        m_client->admit(this);
    }

public:
    // Hands the request to curl; false when curl refused it (the exchange has then failed).
    bool enter()
    {
        if (curl_multi_add_handle(m_client->multi, m_easy) == CURLM_OK)
            return true;
        fail(QStringLiteral("Could not start the request"));
        return false;
    }

private:

    void configure()
    {
        curl_easy_setopt(m_easy, CURLOPT_PRIVATE, this);
        curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error);
        curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 0L); // followed by hand, under our rules
        curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS));
        // Wait for a connection that may carry several streams rather than open more; over plain
        // http (never HTTP/2 here) that would only hold requests until the first answer.
        curl_easy_setopt(m_easy, CURLOPT_PIPEWAIT, m_url.scheme() == QLatin1String("https") ? 1L : 0L);
        curl_easy_setopt(m_easy, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!m_client->options.caFile.isEmpty())
            curl_easy_setopt(m_easy, CURLOPT_CAINFO, QFile::encodeName(m_client->options.caFile).constData());
        curl_easy_setopt(m_easy, CURLOPT_SHARE, m_client->share);
        if (m_client->resolve)
            curl_easy_setopt(m_easy, CURLOPT_RESOLVE, m_client->resolve);
        curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS, long(m_limits.idle.count()));
        curl_easy_setopt(m_easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_limits.maxBodyBytes));
        curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
        curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
        curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETFUNCTION, &Transfer::onOpenSocket);
        curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETDATA, m_client);
        curl_easy_setopt(m_easy, CURLOPT_CLOSESOCKETFUNCTION, &Transfer::onCloseSocket);
        curl_easy_setopt(m_easy, CURLOPT_CLOSESOCKETDATA, m_client);
        for (const HttpHeader &header : std::as_const(m_headers))
            m_headerList = curl_slist_append(m_headerList, QByteArray(header.first + ": " + header.second).constData());
        curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headerList);
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
            transfer->m_contentLength.clear(); // a new answer (after 1xx) starts its own headers
            transfer->m_http1 = line.startsWith("HTTP/1.");
            transfer->m_framed = false;
        } else if (line.size() > 18 && line.first(18).compare("transfer-encoding:", Qt::CaseInsensitive) == 0) {
            transfer->m_framed = true; // curl refuses anything but chunked as the last coding
        } else if (line.size() > 15 && line.first(15).compare("content-length:", Qt::CaseInsensitive) == 0) {
            // Two different lengths: which one frames the body is anyone's guess, so neither does.
            const QByteArray value = line.mid(15).trimmed();
            if (!transfer->m_contentLength.isEmpty() && transfer->m_contentLength != value) {
                transfer->m_conflictingLength = true;
                return 0;
            }
            transfer->m_contentLength = value;
            transfer->m_framed = true;
        }
        return size * count;
    }

    static curl_socket_t onOpenSocket(void *client, curlsocktype, curl_sockaddr *address)
    {
        const curl_socket_t socket = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (socket != CURL_SOCKET_BAD)
            ++static_cast<HttpClient::Private *>(client)->openSockets;
        return socket;
    }

    static int onCloseSocket(void *client, curl_socket_t socket)
    {
        --static_cast<HttpClient::Private *>(client)->openSockets;
        return ::close(socket);
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

    void fail(const QString &text) { finish({HttpOutcome::Kind::transportError, 0, {}, text, {}}); }

    void finish(HttpOutcome outcome)
    {
        if (!resumer.complete(std::move(outcome)))
            return;
        m_timer.stop();
        m_client->transfers.remove(this);
        m_client->waiting.removeOne(this);
        if (m_easy) {
            curl_multi_remove_handle(m_client->multi, m_easy);
            curl_easy_cleanup(m_easy);
            m_easy = nullptr;
        }
    }

    HttpClient::Private *m_client;
    QUrl m_url;
    QList<HttpHeader> m_headers;
    HttpLimits m_limits;
    CURL *m_easy = nullptr;
    curl_slist *m_headerList = nullptr;
    char m_error[CURL_ERROR_SIZE] = {};
    QByteArray m_body;
    QByteArray m_contentLength;
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

int onSocket(CURL *, curl_socket_t socket, int what, void *clientp, void *socketp)
{
    auto *d = static_cast<HttpClient::Private *>(clientp);
    auto *watch = static_cast<SocketWatch *>(socketp);
    if (what == CURL_POLL_REMOVE) {
        if (watch) {
            d->retire(watch->read);
            d->retire(watch->write);
            d->watches.remove(watch);
            delete watch;
            curl_multi_assign(d->multi, socket, nullptr);
        }
        return 0;
    }
    if (!watch) {
        watch = new SocketWatch;
        d->watches.insert(watch);
        curl_multi_assign(d->multi, socket, watch);
    }
    auto want = [d, socket](QSocketNotifier *&notifier, QSocketNotifier::Type type, bool on, int event) {
        if (!on) {
            if (notifier)
                notifier->setEnabled(false);
            return;
        }
        if (!notifier) {
            notifier = new QSocketNotifier(qintptr(socket), type);
            QObject::connect(notifier, &QSocketNotifier::activated, d->q, [d, socket, event] { d->socketAction(socket, event); });
        }
        notifier->setEnabled(true);
    };
    want(watch->read, QSocketNotifier::Read, what & CURL_POLL_IN, CURL_CSELECT_IN);
    want(watch->write, QSocketNotifier::Write, what & CURL_POLL_OUT, CURL_CSELECT_OUT);
    return 0;
}

int onTimer(CURLM *, long timeoutMs, void *clientp)
{
    auto *d = static_cast<HttpClient::Private *>(clientp);
    if (timeoutMs < 0)
        d->timer.stop();
    else
        d->timer.start(int(std::min<long>(timeoutMs, INT_MAX)));
    return 0;
}

} // namespace

HttpClient::Private::Private(HttpClient *owner, HttpClientOptions opts) : q(owner), options(std::move(opts))
{
    ensureCurlGlobal();
    multi = curl_multi_init();
    share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    for (const QString &entry : std::as_const(options.resolve))
        resolve = curl_slist_append(resolve, entry.toUtf8().constData());
    curl_multi_setopt(multi, CURLMOPT_PIPELINING, long(CURLPIPE_MULTIPLEX));
    curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, options.maxHostConnections);
    // Fixed, or curl sizes the cache by the transfers under way and drops kept connections
    // between searches.
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, 64L);
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &onSocket);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &onTimer);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, q, [this] { socketAction(CURL_SOCKET_TIMEOUT, 0); });
    QObject::connect(&admitTimer, &QTimer::timeout, q, [this] { admitSome(); });
}

void HttpClient::Private::admit(Transfer *transfer)
{
    waiting.append(transfer);
    if (!admitTimer.isActive())
        admitTimer.start(0);
}

// curl sets up every new request in the first pass after it was added: a thousand at once keep
// the event loop (and any window on it) busy for tens of milliseconds. A few per pass do not.
void HttpClient::Private::admitSome()
{
    constexpr int perPass = 48;
    for (int i = 0; i < perPass && !waiting.isEmpty(); ++i)
        waiting.takeFirst()->enter();
    if (waiting.isEmpty())
        admitTimer.stop();
}

HttpClient::Private::~Private()
{
    closing = true;
    for (Transfer *transfer : QSet<Transfer *>(transfers))
        delete transfer;
    curl_multi_cleanup(multi); // closes the kept connections
    for (SocketWatch *watch : std::as_const(watches)) {
        delete watch->read;
        delete watch->write;
        delete watch;
    }
    curl_share_cleanup(share);
    curl_slist_free_all(resolve);
}

void HttpClient::Private::retire(QSocketNotifier *&notifier) const
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    if (closing)
        delete notifier;
    else
        notifier->deleteLater(); // possibly called from inside this notifier's own signal
    notifier = nullptr;
}

void HttpClient::Private::socketAction(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(multi, socket, events, &running);
    collectFinished();
}

void HttpClient::Private::collectFinished()
{
    int queued = 0;
    while (CURLMsg *message = curl_multi_info_read(multi, &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        Transfer *transfer = nullptr;
        const CURLcode result = message->data.result;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
        if (transfer)
            transfer->hopFinished(result);
    }
}

namespace {
QPointer<HttpClient> sharedClient;
void closeSharedClient()
{
    delete sharedClient.data();
    // The exchanges it ended resume their callers through calls posted to the application:
    // deliver them now, or those coroutines stay suspended for good.
    QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
}
} // namespace

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
    : QObject(parent), d(std::make_unique<Private>(this, std::move(options)))
{
}

HttpClient::~HttpClient() = default;

int HttpClient::openSockets() const
{
    return d->openSockets;
}

QCoro::Task<HttpOutcome> HttpClient::get(QUrl url, QList<HttpHeader> headers, HttpLimits limits, QObject *context)
{
    QPointer<Transfer> transfer = new Transfer(d.get(), std::move(url), std::move(headers), limits, context ? context : this);
    auto resumer = transfer->resumer;
    transfer->start();
    HttpOutcome outcome = co_await resumer.wait();
    // Resumed from the event loop, never from inside one of curl's callbacks.
    delete transfer.data();
    co_return outcome;
}

} // namespace orvane
