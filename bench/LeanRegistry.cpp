#include "LeanRegistry.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

using Clock = std::chrono::steady_clock;

struct LeanRegistry::Connection {
    int fd = -1;
    bool closed = false; // the peer went away while its answer waited
    bool waiting = false;
    QByteArray request;
};

namespace {

[[noreturn]] void fail(const char *what)
{
    std::perror(what);
    std::exit(1);
}

void finish(int epoll, int fd)
{
    epoll_ctl(epoll, EPOLL_CTL_DEL, fd, nullptr);
    close(fd);
}

void sendAll(int fd, const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += n;
    }
}

} // namespace

LeanRegistry::LeanRegistry(Protocol protocol, std::chrono::milliseconds latency, QByteArray whoisAnswer)
    : m_protocol(protocol), m_latency(latency), m_whoisAnswer(std::move(whoisAnswer))
{
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll < 0)
        fail("epoll_create1");
    listen();
}

void LeanRegistry::listen()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        fail("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(fd, 4096) != 0
        || getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        fail("listen");
    m_port = ntohs(address.sin_port);
    m_listener = fd;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.ptr = nullptr; // the listener; connections carry their record
    epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event);
}

void LeanRegistry::setHttpAnswer(const QByteArray &path, int status, const QByteArray &body, bool delayed)
{
    const QByteArray headers(" Scripted\r\nConnection: close\r\nContent-Type: application/json\r\n");
    m_http.insert(path, {"HTTP/1.1 " + QByteArray::number(status) + headers + "Content-Length: "
                             + QByteArray::number(body.size()) + "\r\n\r\n" + body,
                         delayed});
}

void LeanRegistry::run()
{
    epoll_event events[256];
    for (;;) {
        int timeout = -1;
        if (!m_queue.empty()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_queue.front().due - Clock::now());
            timeout = int(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
        }
        const int ready = epoll_wait(m_epoll, events, 256, timeout);
        for (int i = 0; i < ready; ++i) {
            if (events[i].data.ptr == nullptr)
                accept();
            else
                readFrom(static_cast<Connection *>(events[i].data.ptr));
        }
        sendDue();
    }
}

void LeanRegistry::accept()
{
    for (;;) {
        // Blocking connections: they are read only when epoll says so, and an answer of a few
        // KiB always fits the loopback send buffer.
        const int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        auto *connection = new Connection{fd, false, false, {}};
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.ptr = connection;
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event);
    }
}

void LeanRegistry::readFrom(Connection *connection)
{
    char buffer[4096];
    const ssize_t n = recv(connection->fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        finish(m_epoll, connection->fd);
        if (connection->waiting)
            connection->closed = true; // freed when its answer comes due
        else
            delete connection;
        return;
    }
    if (connection->waiting)
        return; // one request per connection; anything more is ignored
    connection->request.append(buffer, n);
    if (m_protocol == Protocol::whois) {
        if (connection->request.contains('\n'))
            schedule(connection, m_whoisAnswer, true);
        return;
    }
    const qsizetype end = connection->request.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> requestLine = connection->request.left(connection->request.indexOf('\r')).split(' ');
    const auto answer = m_http.constFind(requestLine.value(1));
    if (answer == m_http.cend())
        schedule(connection, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", false);
    else
        schedule(connection, answer->bytes, answer->delayed);
}

void LeanRegistry::schedule(Connection *connection, const QByteArray &bytes, bool delayed)
{
    connection->request.clear();
    if (!delayed) {
        sendAll(connection->fd, bytes);
        finish(m_epoll, connection->fd);
        delete connection;
        return;
    }
    connection->waiting = true;
    const auto now = Clock::now();
    if (m_queries++ == 0)
        m_firstQuery = now;
    m_lastQuery = now;
    m_queue.push_back({now + m_latency, connection, bytes});
}

void LeanRegistry::sendDue()
{
    const auto now = Clock::now();
    while (!m_queue.empty() && m_queue.front().due <= now) {
        Pending pending = std::move(m_queue.front());
        m_queue.pop_front();
        if (!pending.connection->closed) {
            sendAll(pending.connection->fd, pending.bytes);
            finish(m_epoll, pending.connection->fd);
        }
        delete pending.connection;
        if (m_queue.empty() && qEnvironmentVariableIsSet("ORVANE_BENCH_TIMELINE")) {
            const auto ms = [](Clock::time_point t) { return double(t.time_since_epoch().count()) / 1e6; };
            // Steady-clock milliseconds, which the parent shares; it reads them from our standard output.
            std::printf("timeline %d %.3f %.3f %.3f\n", m_queries, ms(m_firstQuery), ms(m_lastQuery), ms(Clock::now()));
            std::fflush(stdout);
            m_queries = 0;
        }
    }
}
