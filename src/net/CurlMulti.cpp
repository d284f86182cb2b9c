#include "net/CurlMulti.h"

#include "net/NetLogging.h"

#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <climits>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {

namespace {

// curl_global_init once for the process, and its result for everyone after.
CURLcode globalInit()
{
    struct Global {
        CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
        ~Global()
        {
            if (code == CURLE_OK)
                curl_global_cleanup();
        }
    };
    static Global global;
    return global.code;
}

QString multiError(const char *call, CURLMcode code)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(call), QString::fromUtf8(curl_multi_strerror(code)));
}

} // namespace

// One socket curl wants watched; notifiers are made only for the directions asked for.
struct CurlMulti::SocketWatch {
    QSocketNotifier *read = nullptr;
    QSocketNotifier *write = nullptr;
};

CurlMulti::CurlMulti(const Options &options) : m_options(options)
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { socketAction(CURL_SOCKET_TIMEOUT, 0); });
    QObject::connect(&m_admitTimer, &QTimer::timeout, &m_admitTimer, [this] { admitSome(); });

    if (const CURLcode code = globalInit(); code != CURLE_OK) {
        m_setupError = QStringLiteral("curl_global_init: ") + QString::fromUtf8(curl_easy_strerror(code));
    } else if (!(m_multi = curl_multi_init()) || !(m_share = curl_share_init())) {
        m_setupError = QStringLiteral("Out of memory");
    } else {
        for (const QString &entry : std::as_const(m_options.resolve))
            m_resolve = curl_slist_append(m_resolve, entry.toUtf8().constData());
        // Fixed, or curl sizes the cache by the transfers under way and drops kept connections
        // between searches.
        const struct {
            const char *name;
            CURLMcode code;
        } settings[] = {
            {"CURLMOPT_PIPELINING", curl_multi_setopt(m_multi, CURLMOPT_PIPELINING, long(CURLPIPE_MULTIPLEX))},
            {"CURLMOPT_MAX_HOST_CONNECTIONS", curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, m_options.maxHostConnections)},
            {"CURLMOPT_MAXCONNECTS", curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, 64L)},
            {"CURLMOPT_SOCKETFUNCTION", curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlMulti::onSocket)},
            {"CURLMOPT_SOCKETDATA", curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this)},
            {"CURLMOPT_TIMERFUNCTION", curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlMulti::onTimer)},
            {"CURLMOPT_TIMERDATA", curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this)},
        };
        for (const auto &setting : settings) {
            if (setting.code != CURLM_OK && m_setupError.isEmpty())
                m_setupError = multiError(setting.name, setting.code);
        }
        const CURLSHcode shared[] = {curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION),
                                     curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS)};
        for (const CURLSHcode sharing : shared) {
            if (sharing != CURLSHE_OK && m_setupError.isEmpty())
                m_setupError = QStringLiteral("curl_share_setopt: ") + QString::fromUtf8(curl_share_strerror(sharing));
        }
    }
    if (!m_setupError.isEmpty())
        qCCritical(lcNet, "libcurl could not be set up: %s", qUtf8Printable(m_setupError));
}

CurlMulti::~CurlMulti()
{
    m_closing = true;
    for (CURL *easy : QSet<CURL *>(m_running))
        remove(easy);
    m_waiting.clear();
    if (m_multi)
        curl_multi_cleanup(m_multi); // closes the kept connections
    for (SocketWatch *watch : std::as_const(m_watches)) {
        delete watch->read;
        delete watch->write;
        delete watch;
    }
    if (m_share)
        curl_share_cleanup(m_share);
    curl_slist_free_all(m_resolve);
}

bool CurlMulti::prepare(CURL *easy, QString *error)
{
    QList<QPair<const char *, CURLcode>> results{
        {"CURLOPT_SHARE", curl_easy_setopt(easy, CURLOPT_SHARE, m_share)},
        {"CURLOPT_OPENSOCKETFUNCTION", curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &CurlMulti::onOpenSocket)},
        {"CURLOPT_OPENSOCKETDATA", curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this)},
        {"CURLOPT_CLOSESOCKETFUNCTION", curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &CurlMulti::onCloseSocket)},
        {"CURLOPT_CLOSESOCKETDATA", curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this)},
    };
    if (m_resolve)
        results.append({"CURLOPT_RESOLVE", curl_easy_setopt(easy, CURLOPT_RESOLVE, m_resolve)});
    if (!m_options.caFile.isEmpty())
        results.append({"CURLOPT_CAINFO", curl_easy_setopt(easy, CURLOPT_CAINFO, QFile::encodeName(m_options.caFile).constData())});
    for (const auto &[name, code] : std::as_const(results)) {
        if (code != CURLE_OK) {
            *error = QStringLiteral("%1: %2").arg(QLatin1String(name), QString::fromUtf8(curl_easy_strerror(code)));
            return false;
        }
    }
    return true;
}

void CurlMulti::add(CURL *easy, Handler *handler)
{
    curl_easy_setopt(easy, CURLOPT_PRIVATE, handler);
    m_waiting.append(easy);
    if (!m_admitTimer.isActive())
        m_admitTimer.start(0);
}

// curl sets up every new request in the first pass after it was added: a thousand at once keep
// the event loop (and any window on it) busy for tens of milliseconds. A few per pass do not.
void CurlMulti::admitSome()
{
    constexpr int perPass = 48;
    for (int i = 0; i < perPass && !m_waiting.isEmpty(); ++i) {
        CURL *easy = m_waiting.takeFirst();
        const CURLMcode code = m_multi ? curl_multi_add_handle(m_multi, easy) : CURLM_BAD_HANDLE;
        if (code == CURLM_OK) {
            m_running.insert(easy);
            continue;
        }
        qCWarning(lcNet, "%s", qUtf8Printable(multiError("curl_multi_add_handle", code)));
        Handler *handler = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &handler);
        if (handler)
            handler->transferDone(CURLE_FAILED_INIT); // may remove or add handles: the lists are re-read
    }
    if (m_waiting.isEmpty())
        m_admitTimer.stop();
}

void CurlMulti::remove(CURL *easy)
{
    if (m_waiting.removeOne(easy))
        return;
    if (!m_running.remove(easy))
        return;
    if (const CURLMcode code = curl_multi_remove_handle(m_multi, easy); code != CURLM_OK)
        qCWarning(lcNet, "%s", qUtf8Printable(multiError("curl_multi_remove_handle", code)));
}

int CurlMulti::onSocket(CURL *, curl_socket_t socket, int what, void *self, void *watch)
{
    static_cast<CurlMulti *>(self)->watch(socket, what, static_cast<SocketWatch *>(watch));
    return 0;
}

void CurlMulti::watch(curl_socket_t socket, int what, SocketWatch *watch)
{
    if (what == CURL_POLL_REMOVE) {
        if (watch) {
            retire(watch->read);
            retire(watch->write);
            m_watches.remove(watch);
            delete watch;
            // The socket may already be gone from curl's books; nothing is lost if so.
            curl_multi_assign(m_multi, socket, nullptr);
        }
        return;
    }
    if (!watch) {
        watch = new SocketWatch;
        if (const CURLMcode code = curl_multi_assign(m_multi, socket, watch); code != CURLM_OK) {
            // Only a socket curl does not know fails here, and curl is asking about this one.
            // Watching it anyway keeps the transfer going; the set below frees the watch at the end.
            qCWarning(lcNet, "%s", qUtf8Printable(multiError("curl_multi_assign", code)));
        }
        m_watches.insert(watch);
    }
    auto want = [this, socket](QSocketNotifier *&notifier, QSocketNotifier::Type type, bool on, int event) {
        if (!on) {
            if (notifier)
                notifier->setEnabled(false);
            return;
        }
        if (!notifier) {
            notifier = new QSocketNotifier(qintptr(socket), type);
            QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this, socket, event] { socketAction(socket, event); });
        }
        notifier->setEnabled(true);
    };
    want(watch->read, QSocketNotifier::Read, what & CURL_POLL_IN, CURL_CSELECT_IN);
    want(watch->write, QSocketNotifier::Write, what & CURL_POLL_OUT, CURL_CSELECT_OUT);
}

int CurlMulti::onTimer(CURLM *, long timeoutMs, void *self)
{
    auto *multi = static_cast<CurlMulti *>(self);
    if (timeoutMs < 0)
        multi->m_timer.stop();
    else
        multi->m_timer.start(int(std::min<long>(timeoutMs, INT_MAX)));
    return 0;
}

curl_socket_t CurlMulti::onOpenSocket(void *self, curlsocktype, curl_sockaddr *address)
{
    const curl_socket_t socket = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD)
        ++static_cast<CurlMulti *>(self)->m_openSockets;
    return socket;
}

int CurlMulti::onCloseSocket(void *self, curl_socket_t socket)
{
    --static_cast<CurlMulti *>(self)->m_openSockets;
    return ::close(socket);
}

void CurlMulti::retire(QSocketNotifier *&notifier) const
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    if (m_closing)
        delete notifier;
    else
        notifier->deleteLater(); // possibly called from inside this notifier's own signal
    notifier = nullptr;
}

void CurlMulti::socketAction(curl_socket_t socket, int events)
{
    int running = 0;
    const CURLMcode code = curl_multi_socket_action(m_multi, socket, events, &running);
    // A socket curl has just closed may still report once: nothing to do for it.
    if (code != CURLM_OK && code != CURLM_BAD_SOCKET)
        qCCritical(lcNet, "%s", qUtf8Printable(multiError("curl_multi_socket_action", code)));
    collectFinished();
}

void CurlMulti::collectFinished()
{
    int queued = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi, &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL *easy = message->easy_handle;
        const CURLcode result = message->data.result;
        Handler *handler = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &handler);
        if (handler && m_running.contains(easy))
            handler->transferDone(result);
    }
}

} // namespace orvane
