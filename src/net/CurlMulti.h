#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <curl/curl.h>

class QSocketNotifier;

namespace orvane {

// libcurl's multi interface on this thread's event loop, as curl's own multi-event examples
// drive it: curl says which sockets to watch and when its timer is due, socket notifiers and
// one timer call back into curl, and finished transfers are handed to their handlers. The
// transfers share one connection cache, one DNS cache and one TLS-session cache. Nothing here
// knows what a transfer asks or what its answer means.
class CurlMulti
{
public:
    // Told when curl is done with an easy handle it was given, from the event loop.
    class Handler
    {
    public:
        virtual void transferDone(CURLcode code) = 0;

    protected:
        ~Handler() = default;
    };

    struct Options {
        QString caFile;          // empty: the system's authorities
        QStringList resolve;     // curl's "host:port:address[,address...]" entries
        long maxHostConnections = 6;
    };

    explicit CurlMulti(const Options &options);
    ~CurlMulti(); // drops every transfer without telling its handler; closes kept connections
    CurlMulti(const CurlMulti &) = delete;
    CurlMulti &operator=(const CurlMulti &) = delete;

    // Empty when libcurl is ready; otherwise why it is not, and every transfer fails at once.
    const QString &setupError() const { return m_setupError; }

    // Sets what every easy handle shares: the caches, the fixed name lookups, the authorities and
    // the socket accounting. False (with the reason in `error`) when curl refused one of them.
    bool prepare(CURL *easy, QString *error);
    // Hands `easy` to curl in one of the next event-loop passes; `handler` then hears how it ended
    // (CURLE_FAILED_INIT when curl would not take it).
    void add(CURL *easy, Handler *handler);
    // Takes `easy` back, waiting or running: its handler hears nothing more.
    void remove(CURL *easy);

    // Sockets curl holds right now, busy or kept for later requests.
    int openSockets() const { return m_openSockets; }

private:
    struct SocketWatch;

    static int onSocket(CURL *easy, curl_socket_t socket, int what, void *self, void *watch);
    static int onTimer(CURLM *multi, long timeoutMs, void *self);
    static curl_socket_t onOpenSocket(void *self, curlsocktype purpose, curl_sockaddr *address);
    static int onCloseSocket(void *self, curl_socket_t socket);

    void watch(curl_socket_t socket, int what, SocketWatch *watch);
    void socketAction(curl_socket_t socket, int events);
    void admitSome();
    void collectFinished();
    void retire(QSocketNotifier *&notifier) const;

    Options m_options;
    QString m_setupError;
    CURLM *m_multi = nullptr;
    CURLSH *m_share = nullptr;
    curl_slist *m_resolve = nullptr;
    QTimer m_timer;
    QTimer m_admitTimer;
    QList<CURL *> m_waiting; // given to add(), not yet handed to curl
    QSet<CURL *> m_running;  // handed to curl
    QSet<SocketWatch *> m_watches;
    int m_openSockets = 0;
    bool m_closing = false; // no event-loop pass follows: notifiers go at once
};

} // namespace orvane
