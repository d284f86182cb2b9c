#include "net/ProxyTunnel.h"

#include "net/NetLogging.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <climits>

namespace orvane {

std::optional<ProxySetting> proxyFromEnvironment(const QProcessEnvironment &environment)
{
    // HTTP_PROXY in capitals is left out on purpose, as libcurl does: CGI programs receive a
    // request's "Proxy:" header under that name.
    for (const char *name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "http_proxy"}) {
        const QString value = environment.value(QString::fromLatin1(name)).trimmed();
        if (!value.isEmpty()) {
            const QString noProxy = environment.value(QStringLiteral("no_proxy"), environment.value(QStringLiteral("NO_PROXY")));
            return ProxySetting{value, noProxy};
        }
    }
    return std::nullopt;
}

bool bypassesProxy(const QString &host, const QString &noProxy)
{
    QString name = host.toLower();
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    const QHostAddress address(name);
    for (const QString &item : noProxy.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts)) {
        QString entry = item.toLower();
        if (entry == QLatin1String("*"))
            return true;
        if (!address.isNull()) {
            if (!entry.contains(QLatin1Char('/')))
                entry += address.protocol() == QAbstractSocket::IPv6Protocol ? QStringLiteral("/128") : QStringLiteral("/32");
            const auto network = QHostAddress::parseSubnet(entry);
            if (!network.first.isNull() && address.isInSubnet(network))
                return true;
            continue;
        }
        if (entry.startsWith(QLatin1Char('.')))
            entry.remove(0, 1);
        if (!entry.isEmpty() && (name == entry || name.endsWith(QLatin1Char('.') + entry)))
            return true;
    }
    return false;
}

namespace {

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~CurlGlobal() { curl_global_cleanup(); }
};

// libcurl's own default when a proxy is written without a scheme.
QString withScheme(const QString &url)
{
    return url.contains(QLatin1String("://")) ? url : QStringLiteral("http://") + url;
}

// How the proxy is named in messages: never with a user name or password.
QString proxyName(const QString &url)
{
    return QUrl(url).toDisplayString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery);
}

// curl opens the tunnel (CONNECT_ONLY: it stops once the way to the server is open) on a multi
// handle of its own, driven from the event loop; then this object moves the bytes itself with
// curl_easy_send and curl_easy_recv, which keep an https proxy's TLS layer in between.
class CurlTunnel : public TcpStream
{
public:
    CurlTunnel(const QString &proxyUrl, const QString &host, quint16 port, Events events)
        : m_events(std::move(events)), m_proxy(proxyName(withScheme(proxyUrl)))
    {
        static CurlGlobal global;
        m_multi = curl_multi_init();
        m_easy = curl_easy_init();
        QUrl target;
        target.setScheme(QStringLiteral("http"));
        target.setHost(host);
        target.setPort(port);
        curl_easy_setopt(m_easy, CURLOPT_URL, target.toString(QUrl::FullyEncoded).toUtf8().constData());
        curl_easy_setopt(m_easy, CURLOPT_PROXY, withScheme(proxyUrl).toUtf8().constData());
        curl_easy_setopt(m_easy, CURLOPT_NOPROXY, ""); // the caller has decided: through the proxy
        curl_easy_setopt(m_easy, CURLOPT_HTTPPROXYTUNNEL, 1L);
        curl_easy_setopt(m_easy, CURLOPT_CONNECT_ONLY, 1L);
        curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error);
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlTunnel::onSocket);
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlTunnel::onTimer);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_context, [this] { drive(CURL_SOCKET_TIMEOUT, 0); });
        qCDebug(lcNet, "Tunnel to %s:%u through %s", qUtf8Printable(host), unsigned(port), qUtf8Printable(m_proxy));
        // Only sets a timer: no event reaches the caller while open() runs.
        curl_multi_add_handle(m_multi, m_easy);
    }

    ~CurlTunnel() override { close(); }

    void send(const QByteArray &bytes) override
    {
        if (m_done || !m_open)
            return;
        m_outgoing += bytes;
        flush();
    }

    void close() override
    {
        if (!m_multi)
            return;
        m_done = true;
        m_timer.stop();
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, nullptr);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, nullptr);
        for (Watch &watch : m_watches) {
            retire(watch.read);
            retire(watch.write);
        }
        m_watches.clear();
        retire(m_read);
        retire(m_write);
        curl_multi_remove_handle(m_multi, m_easy);
        curl_easy_cleanup(std::exchange(m_easy, nullptr)); // closes the connection
        curl_multi_cleanup(std::exchange(m_multi, nullptr));
    }

private:
    struct Watch {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    static int onSocket(CURL *, curl_socket_t socket, int what, void *self, void *)
    {
        static_cast<CurlTunnel *>(self)->watch(socket, what);
        return 0;
    }

    static int onTimer(CURLM *, long timeoutMs, void *self)
    {
        QTimer &timer = static_cast<CurlTunnel *>(self)->m_timer;
        if (timeoutMs < 0)
            timer.stop();
        else
            timer.start(int(std::min<long>(timeoutMs, INT_MAX)));
        return 0;
    }

    // A notifier may be retired from inside its own signal.
    static void retire(QSocketNotifier *&notifier)
    {
        if (!notifier)
            return;
        notifier->setEnabled(false);
        notifier->deleteLater();
        notifier = nullptr;
    }

    QSocketNotifier *notifier(curl_socket_t socket, QSocketNotifier::Type type)
    {
        auto *made = new QSocketNotifier(qintptr(socket), type, &m_context);
        made->setEnabled(false);
        return made;
    }

    void watch(curl_socket_t socket, int what)
    {
        if (m_done || m_open)
            return;
        if (what == CURL_POLL_REMOVE) {
            if (auto found = m_watches.find(socket); found != m_watches.end()) {
                retire(found->read);
                retire(found->write);
                m_watches.erase(found);
            }
            return;
        }
        Watch &watch = m_watches[socket];
        const auto want = [&](QSocketNotifier *&slot, QSocketNotifier::Type type, bool on, int event) {
            if (!on) {
                if (slot)
                    slot->setEnabled(false);
                return;
            }
            if (!slot) {
                slot = notifier(socket, type);
                QObject::connect(slot, &QSocketNotifier::activated, &m_context, [this, socket, event] { drive(socket, event); });
            }
            slot->setEnabled(true);
        };
        want(watch.read, QSocketNotifier::Read, what & CURL_POLL_IN, CURL_CSELECT_IN);
        want(watch.write, QSocketNotifier::Write, what & CURL_POLL_OUT, CURL_CSELECT_OUT);
    }

    QString describe(CURLcode code) const
    {
        return m_error[0] ? QString::fromUtf8(m_error).trimmed() : QString::fromUtf8(curl_easy_strerror(code));
    }

    // Moves the tunnel's set-up along until curl says it is open or cannot be.
    void drive(curl_socket_t socket, int events)
    {
        if (m_done || m_open)
            return;
        int running = 0;
        curl_multi_socket_action(m_multi, socket, events, &running);
        int queued = 0;
        while (CURLMsg *message = curl_multi_info_read(m_multi, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            if (message->data.result != CURLE_OK) {
                fail(describe(message->data.result), false);
                return;
            }
            opened();
            return;
        }
    }

    void opened()
    {
        curl_socket_t socket = CURL_SOCKET_BAD;
        if (curl_easy_getinfo(m_easy, CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK || socket == CURL_SOCKET_BAD) {
            fail(QStringLiteral("no connection"), false);
            return;
        }
        // From here this object watches the socket; curl's part is done.
        m_open = true;
        m_timer.stop();
        for (Watch &watch : m_watches) {
            retire(watch.read);
            retire(watch.write);
        }
        m_watches.clear();
        m_read = notifier(socket, QSocketNotifier::Read);
        m_write = notifier(socket, QSocketNotifier::Write);
        QObject::connect(m_read, &QSocketNotifier::activated, &m_context, [this] { readAvailable(); });
        QObject::connect(m_write, &QSocketNotifier::activated, &m_context, [this] { flush(); });
        m_read->setEnabled(true);
        if (m_events.connected)
            m_events.connected();
    }

    void flush()
    {
        while (!m_done && !m_outgoing.isEmpty()) {
            size_t sent = 0;
            const CURLcode code = curl_easy_send(m_easy, m_outgoing.constData(), size_t(m_outgoing.size()), &sent);
            if (code == CURLE_AGAIN) {
                m_write->setEnabled(true);
                return;
            }
            if (code != CURLE_OK) {
                fail(describe(code), code == CURLE_SEND_ERROR);
                return;
            }
            m_outgoing.remove(0, qsizetype(sent));
        }
        if (m_done)
            return;
        m_write->setEnabled(false);
        if (m_events.sent)
            m_events.sent();
    }

    void readAvailable()
    {
        // A few reads per pass keep the event loop (and the time limit) turning; what the TLS
        // layer of an https proxy still holds is read on the next pass, not left waiting for
        // the socket.
        for (int pass = 0; pass < 16; ++pass) {
            if (m_done)
                return;
            char buffer[16384];
            size_t got = 0;
            const CURLcode code = curl_easy_recv(m_easy, buffer, sizeof buffer, &got);
            if (code == CURLE_AGAIN)
                return;
            if (code != CURLE_OK) {
                fail(describe(code), code == CURLE_RECV_ERROR);
                return;
            }
            if (got == 0) {
                close();
                if (m_events.ended)
                    m_events.ended();
                return;
            }
            if (m_events.received)
                m_events.received(QByteArray(buffer, qsizetype(got)));
        }
        QTimer::singleShot(0, &m_context, [this] { readAvailable(); });
    }

    void fail(const QString &text, bool reset)
    {
        if (m_done)
            return;
        close();
        if (m_events.failed)
            m_events.failed(QStringLiteral("proxy %1: %2").arg(m_proxy, text), reset);
    }

    Events m_events;
    QString m_proxy;
    QObject m_context; // notifiers and timers die with the tunnel
    QTimer m_timer;
    CURLM *m_multi = nullptr;
    CURL *m_easy = nullptr;
    char m_error[CURL_ERROR_SIZE] = {};
    QHash<curl_socket_t, Watch> m_watches;
    QSocketNotifier *m_read = nullptr;
    QSocketNotifier *m_write = nullptr;
    QByteArray m_outgoing;
    bool m_open = false;
    bool m_done = false;
};

} // namespace

std::unique_ptr<TcpStream> openThroughProxy(const QString &proxyUrl, const QString &host, quint16 port, TcpStream::Events events)
{
    return std::make_unique<CurlTunnel>(proxyUrl, host, port, std::move(events));
}

} // namespace orvane
