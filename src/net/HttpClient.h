#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <memory>

namespace orvane {

using HttpHeader = QPair<QByteArray, QByteArray>;

// How one GET ended.
struct HttpOutcome {
    enum class Kind {
        response,       // a final HTTP answer arrived whole (the body may be an error page)
        transportError, // no answer: refused, reset, unreachable, timed out, cancelled, bad redirect
        tlsFailure,     // the server's identity could not be established; `host` names it
        notHttp,        // something answered, but not HTTP
        invalid,        // an HTTP answer that cannot be trusted: cut short, conflicting lengths, bad coding
        tooLarge,       // the body passed the cap; reading stopped
    };
    Kind kind = Kind::transportError;
    int status = 0;
    QByteArray body;
    QString errorText;
    QString host;
    QByteArray retryAfter; // a response's Retry-After header, as sent (at most 64 bytes)
    bool multiplexed = false; // the answer came over HTTP/2 (or later): one connection carries many
};

struct HttpLimits {
    std::chrono::milliseconds idle{10000}; // longest wait for more data
    std::chrono::milliseconds whole{0};    // longest whole exchange, redirects included; 0 = none
    qint64 maxBodyBytes = 8 * 1024 * 1024;
};

struct HttpClientOptions {
    // Empty: the system's certificate authorities. Certificates are checked either way.
    QString caFile;
    // Name lookups answered without DNS, in curl's "host:port:address[,address...]" form: lets a
    // test or bench give a registry name several addresses on loopback.
    QStringList resolve;
    long maxHostConnections = 6;
};

// The process's one HTTP client (RDAP queries and the bootstrap fetch), on libcurl's multi
// interface driven by this thread's event loop (CurlMulti). Connections and TLS sessions outlive a search:
// HTTP/2 streams share one connection per registry host, HTTP/1.1 connections are kept alive.
// Redirects are followed here (at most 20; never away from https, never to an IP address).
// No cookies, no cache.
class HttpClient : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxRedirects = 20;

    // Created on first use on the main thread; closed when the application object goes.
    static HttpClient *shared();

    explicit HttpClient(HttpClientOptions options = {}, QObject *parent = nullptr);
    ~HttpClient() override;

    // `context` owns the exchange while it runs: destroying it ends the exchange with a
    // transport error (cancelledDescription()).
    QCoro::Task<HttpOutcome> get(QUrl url, QList<HttpHeader> headers, HttpLimits limits, QObject *context = nullptr);
    // Opens a connection to `url`'s server ahead of the requests to come (TCP, TLS, HTTP/2
    // agreed) by asking for the head of `url`, whose answer is of no interest. The connection is
    // then kept like any other; nothing keeps it alive: the server's idle time-out or curl's age
    // limit closes it when no request comes. True when the server answered at all.
    QCoro::Task<bool> preconnect(QUrl url, QList<HttpHeader> headers, HttpLimits limits, QObject *context = nullptr);

    // Sockets curl holds right now, busy or kept for later requests.
    int openSockets() const;
    // Connections to one host at most; over HTTP/1.1 as many requests run at once.
    long maxHostConnections() const;

    struct Private;

private:
    std::unique_ptr<Private> d;
};

// The description used when an exchange ran out of time, in the platform's wording.
QString timedOutDescription();
// The one word for an exchange or a lookup that was cancelled, wherever it is shown.
QString cancelledDescription();

} // namespace orvane
